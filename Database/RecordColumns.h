#pragma once

// A record's columns, written once beside the record: for each, the column it
// is stored in, the key the server sends it under and the member that holds
// it. Reading a reply's object into a record (ReplyRecord.h), reading a row
// into one and binding one for its save (RecordRows.h) all walk this one
// table, so the three cannot drift apart. A column's kind follows from its
// member's type; the few columns that depart from the plain rule say so with
// a trait.

#include "Platform/Foundation/Value.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace RecordColumns {

enum class Kind { Integer, Flag, Real, Text, Date };

template <typename Member> constexpr Kind kindOf()
{
    if constexpr (std::is_same_v<Member, bool>)
        return Kind::Flag;
    else if constexpr (std::is_same_v<Member, int> || std::is_same_v<Member, char>)
        return Kind::Integer;
    else if constexpr (std::is_same_v<Member, double>)
        return Kind::Real;
    else if constexpr (std::is_same_v<Member, std::optional<std::string>> || std::is_same_v<Member, std::string>)
        return Kind::Text;
    else {
        static_assert(std::is_same_v<Member, std::optional<Date>>,
            "a column holds an int, a char, a flag, a double, a text or a date");
        return Kind::Date;
    }
}

// How a column departs from the plain rule.
enum Trait : unsigned {
    Plain = 0,
    // Read from rows but left out of the record's save, which leaves the
    // stored value to the table's default.
    NotSaved = 1u << 0,
    // A real the server sends and the save stores at single precision.
    SinglePrecision = 1u << 1,
    // A NULL stored date reads as the first instant of 1970 rather than as
    // no date, for readers that compare it without asking.
    NullDateIsZero = 1u << 2,
    // An absent text is saved as an empty one, for tables whose readers
    // never expect NULL.
    SavesNullAsEmpty = 1u << 3,
    // A NULL stored text reads as an empty one.
    ReadsNullAsEmpty = 1u << 4,
};

template <typename Record, typename Member> struct Column {
    using Type = Member;
    static constexpr Kind kind = kindOf<Member>();

    // The stored column; empty when the record does not store it.
    std::string_view name;
    // The key of the server's object; empty when the server does not send it.
    std::string_view key;
    Member Record::*member;
    unsigned traits;

    constexpr bool has(Trait trait) const { return (traits & trait) != 0; }
    constexpr bool isStored() const { return !name.empty(); }
    constexpr bool isSent() const { return !key.empty(); }
    constexpr bool isSaved() const { return isStored() && !has(NotSaved); }
    constexpr bool isRead() const { return isStored(); }
};

template <typename Record, typename Member>
constexpr Column<Record, Member> column(
    std::string_view name, std::string_view key, Member Record::*member, unsigned traits = Plain)
{
    return { name, key, member, traits };
}

// A column whose value the record works out or converts rather than holding
// it in a member of its own: totals, rates kept in another scale, the id of a
// linked record. `set` is null when a row's value is not read back into the
// record.
template <typename Record, typename T> struct Computed {
    using Type = T;
    static constexpr Kind kind = kindOf<T>();

    std::string_view name;
    std::string_view key;
    T (*get)(const Record&);
    void (*set)(Record&, T);
    unsigned traits;

    constexpr bool has(Trait trait) const { return (traits & trait) != 0; }
    constexpr bool isStored() const { return !name.empty(); }
    constexpr bool isSent() const { return !key.empty(); }
    constexpr bool isSaved() const { return isStored() && !has(NotSaved); }
    constexpr bool isRead() const { return isStored() && set != nullptr; }
};

template <typename Record, typename T>
constexpr Computed<Record, T> computed(std::string_view name, std::string_view key, T (*get)(const Record&),
    void (*set)(Record&, T) = nullptr, unsigned traits = Plain)
{
    return { name, key, get, set, traits };
}

// A column's value in `record`.
template <typename Record, typename Member, typename Object>
const Member& valueOf(const Column<Record, Member>& c, const Object& record)
{
    return record.*c.member;
}
template <typename Record, typename T> T valueOf(const Computed<Record, T>& c, const Record& record)
{
    return c.get(record);
}

// Sets a column's value in `record`; a computed column without a setter
// keeps the record as it is.
template <typename Record, typename Member, typename Object>
void assign(const Column<Record, Member>& c, Object& record, std::type_identity_t<Member> value)
{
    record.*c.member = std::move(value);
}
template <typename Record, typename T>
void assign(const Computed<Record, T>& c, Record& record, std::type_identity_t<T> value)
{
    if (c.set)
        c.set(record, std::move(value));
}

// Specialised beside each record: `name`, the table it is stored in, and
// `columns`, a tuple of column() entries in the table's order. A table whose
// save must refuse a second row of the same key, not replace it, says so with
// `static constexpr bool refusesDuplicates = true`.
template <typename Record> struct Table;

// Calls `body` with each column of the record's table, in order.
template <typename Record, typename Body> constexpr void forEach(Body&& body)
{
    std::apply([&](const auto&... each) { (body(each), ...); }, Table<Record>::columns);
}

// The position in the record's table of the stored column `name`; past the
// last column when the table has none of that name.
template <typename Record> constexpr size_t positionOf(std::string_view name)
{
    size_t found = std::tuple_size_v<std::remove_cvref_t<decltype(Table<Record>::columns)>>;
    size_t at = 0;
    forEach<Record>([&](const auto& c) {
        if (c.isStored() && c.name == name && found > at)
            found = at;
        ++at;
    });
    return found;
}

namespace Detail {

    // The positions of the saved columns in the table.
    template <typename Record> constexpr auto savedPositions()
    {
        constexpr size_t count = [] {
            size_t n = 0;
            forEach<Record>([&](const auto& c) { n += c.isSaved() ? 1u : 0u; });
            return n;
        }();
        std::array<size_t, count> positions {};
        size_t at = 0;
        size_t position = 0;
        forEach<Record>([&](const auto& c) {
            if (c.isSaved())
                positions[at++] = position;
            ++position;
        });
        return positions;
    }

    // Writes the save's statement into `out` (or only counts it when `out` is
    // null) and answers its length.
    template <typename Record> constexpr size_t writeInsert(char* out)
    {
        size_t n = 0;
        auto put = [&](std::string_view text) {
            for (char c : text) {
                if (out)
                    out[n] = c;
                ++n;
            }
        };
        if constexpr (requires { requires Table<Record>::refusesDuplicates; })
            put("INSERT INTO ");
        else
            put("INSERT or REPLACE INTO ");
        put(Table<Record>::name);
        put("(");
        bool first = true;
        forEach<Record>([&](const auto& c) {
            if (!c.isSaved())
                return;
            if (!first)
                put(",");
            put(c.name);
            first = false;
        });
        put(") VALUES(");
        first = true;
        forEach<Record>([&](const auto& c) {
            if (!c.isSaved())
                return;
            put(first ? "?" : ",?");
            first = false;
        });
        put(");");
        return n;
    }

    template <typename Record> struct InsertText {
        static constexpr size_t size = writeInsert<Record>(nullptr);
        static constexpr std::array<char, size + 1> text = [] {
            std::array<char, size + 1> buffer {};
            writeInsert<Record>(buffer.data());
            return buffer;
        }();
    };

}  // namespace Detail

template <typename Record> inline constexpr auto savedPositions = Detail::savedPositions<Record>();

// "INSERT or REPLACE INTO <table>(<saved columns>) VALUES(?,...);" ("INSERT
// INTO" for a table that refuses duplicates), made once
// at compile time; its text lies at one place, which the connection's
// statement cache finds without hashing it again.
template <typename Record> constexpr std::string_view insertStatement()
{
    return { Detail::InsertText<Record>::text.data(), Detail::InsertText<Record>::size };
}

// The value the save binds for the column at `Position` of the record's
// table: its value, a real kept at single precision so rounded, a char as
// its number, an absent text saved as empty as "".
template <typename Record, size_t Position, typename Object> decltype(auto) savedValue(const Object& record)
{
    constexpr const auto& c = std::get<Position>(Table<Record>::columns);
    using Member = typename std::remove_cvref_t<decltype(c)>::Type;
    if constexpr (std::is_same_v<Member, double>) {
        const double value = valueOf(c, record);
        return c.has(SinglePrecision) ? static_cast<double>(static_cast<float>(value)) : value;
    } else if constexpr (std::is_same_v<Member, char>)
        return static_cast<int>(valueOf(c, record));
    else if constexpr (std::is_same_v<Member, std::optional<std::string>> && c.has(SavesNullAsEmpty))
        return valueOf(c, record).value_or(std::string());
    else
        return valueOf(c, record);
}

}  // namespace RecordColumns
