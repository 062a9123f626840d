#pragma once

// The platform's loose data in one type: null, boolean, integer, real, string,
// date, data, array and dictionary. JSON, property lists, user defaults and the
// table models all speak it.
//
// Numbers keep the kind they were made with (the platform's type codes 'c',
// 'i', 'l', 'q', 'Q', 'f', 'd' and the boolean kind), because a single-precision
// real and a double, or a boolean and an integer, are written differently.
//
// Arrays and dictionaries have value semantics with copy-on-write storage: a
// copy is cheap and a write to one copy never shows in another. Dictionaries
// keep their keys in insertion order so that encodings are stable.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Value;

using Data = std::vector<uint8_t>;

// A point in time, in seconds since 1970-01-01 00:00:00 UTC.
struct Date {
    double secondsSince1970 = 0;
    bool operator==(const Date&) const = default;
    auto operator<=>(const Date&) const = default;
};

class ValueArray;
class ValueDictionary;

class Value {
public:
    // A scoped enumerator cannot hide the global `Data`, but GCC 12's -Wshadow
    // says it does; the kinds keep the names every caller reads.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
    enum class Type { Null, Bool, Integer, Real, String, Date, Data, Array, Dictionary };
#pragma GCC diagnostic pop

    // The number kinds of the platform, by their type codes.
    enum class NumberKind : char {
        Char = 'c',
        Int = 'i',
        Long = 'l',
        LongLong = 'q',
        UnsignedInt = 'I',
        UnsignedLong = 'L',
        UnsignedLongLong = 'Q',
        Float = 'f',
        Double = 'd',
        Bool = 'B',
        // A decimal number kept as the text it was read from (JSON numbers),
        // so that it is written back with every digit it had.
        Decimal = 'D',
    };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value();
    Value(bool b);
    Value(int v);
    Value(long v);
    Value(long long v);
    Value(unsigned v);
    Value(unsigned long v);
    Value(unsigned long long v);
    Value(float v);
    Value(double v);
    Value(const char* s);
    Value(std::string s);
    Value(std::string_view s);
    Value(Date d);
    Value(::Data d);
    Value(ValueArray a);
    Value(ValueDictionary d);

    // A number of an explicit kind (for example a 'c' boolean-ish char).
    static Value integer(int64_t v, NumberKind kind = NumberKind::LongLong);
    static Value unsignedInteger(uint64_t v);
    static Value real(double v, NumberKind kind = NumberKind::Double);
    // A real held as its decimal text, which must be a valid JSON number
    // ("-12.50", "1e-400"); it reads as the nearest double.
    static Value decimal(std::string_view text);
    // The decimal text of a number made by `decimal`, else nullptr.
    const std::string* decimalText() const;
    static Value array(std::initializer_list<Value> items = {});
    static Value dictionary(std::initializer_list<std::pair<std::string, Value>> items = {});

    Type type() const { return m_type; }
    NumberKind numberKind() const { return m_kind; }
    bool isNull() const { return m_type == Type::Null; }
    bool isBool() const { return m_type == Type::Bool; }
    bool isInteger() const { return m_type == Type::Integer; }
    bool isReal() const { return m_type == Type::Real; }
    bool isNumber() const { return m_type == Type::Bool || m_type == Type::Integer || m_type == Type::Real; }
    bool isString() const { return m_type == Type::String; }
    bool isDate() const { return m_type == Type::Date; }
    bool isData() const { return m_type == Type::Data; }
    bool isArray() const { return m_type == Type::Array; }
    bool isDictionary() const { return m_type == Type::Dictionary; }
    bool isUnsigned() const;

    // The platform's conversions: numbers convert among themselves, texts are
    // read by their longest numeric prefix, anything else gives 0 / false.
    bool boolValue() const;
    int intValue() const;
    long longValue() const;
    long integerValue() const { return longValue(); }
    long long longLongValue() const;
    unsigned long long unsignedLongLongValue() const;
    float floatValue() const;
    double doubleValue() const;
    // Text of a string; the description of a number ("12", "1.5", "1" for YES);
    // empty for everything else.
    std::string stringValue() const;
    // A string's own text, or nullptr for any other type.
    const std::string* stringPtr() const;
    Date dateValue() const;
    const ::Data& dataValue() const;

    // Arrays.
    size_t count() const;  // elements of an array or entries of a dictionary, else 0
    const Value& operator[](size_t index) const;  // null value when out of range or not an array
    const ValueArray& arrayValue() const;         // empty array when not an array
    ValueArray& mutableArray();                   // makes this an array if it is not one
    void append(Value v);

    // Dictionaries.
    const Value& operator[](std::string_view key) const;  // null value when absent
    const Value& operator[](const char* key) const { return (*this)[std::string_view(key)]; }
    const Value* find(std::string_view key) const;        // nullptr when absent
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    const ValueDictionary& dictionaryValue() const;       // empty when not a dictionary
    ValueDictionary& mutableDictionary();                 // makes this a dictionary if it is not one
    void set(std::string key, Value v);
    void remove(std::string_view key);

    // Deep equality; numbers compare by value across kinds (1 == 1.0 == YES),
    // as the platform's isEqual: does.
    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }

    // A readable rendering for log lines (the platform's description).
    std::string description() const;

private:
    // Strings live in the value itself (short ones without any allocation);
    // data, arrays and dictionaries share copy-on-write storage: one box with
    // its own count, made in one allocation.
    struct BoxBase;
    template<typename T> struct Box;
    union Storage {
        int64_t i;
        uint64_t u;
        double d;
        bool b;
        std::string s;
        BoxBase* box;
        Storage() : i(0) {}
        ~Storage() {}
    };

    Type m_type = Type::Null;
    NumberKind m_kind = NumberKind::LongLong;
    Storage m;

    bool usesString() const { return m_type == Type::String || (m_type == Type::Real && m_kind == NumberKind::Decimal); }
    double realValue() const;
    bool usesRef() const { return m_type == Type::Data || m_type == Type::Array || m_type == Type::Dictionary; }
    void destroy();
    void copyFrom(const Value& other);
    void moveFrom(Value&& other) noexcept;
    template<typename T> const T& ref() const;
    template<typename T> T& mutableRef();
    template<typename T> void makeBox(T&& object);
    void releaseBox();
};

class ValueArray {
public:
    ValueArray() = default;
    ValueArray(std::initializer_list<Value> items) : m_items(items) {}
    explicit ValueArray(std::vector<Value> items) : m_items(std::move(items)) {}

    size_t size() const { return m_items.size(); }
    bool empty() const { return m_items.empty(); }
    const Value& operator[](size_t i) const { return m_items[i]; }
    Value& operator[](size_t i) { return m_items[i]; }
    void push_back(Value v) { m_items.push_back(std::move(v)); }
    void reserve(size_t n) { m_items.reserve(n); }
    void erase(size_t i) { m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(i)); }
    void insert(size_t i, Value v) { m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(i), std::move(v)); }
    void clear() { m_items.clear(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    std::vector<Value>& items() { return m_items; }
    const std::vector<Value>& items() const { return m_items; }
    bool operator==(const ValueArray& other) const;

private:
    std::vector<Value> m_items;
};

// Insertion-ordered map from text keys to values. Small dictionaries are
// searched linearly; larger ones build a hash index on first lookup.
class ValueDictionary {
public:
    using Entry = std::pair<std::string, Value>;

    ValueDictionary();
    ValueDictionary(std::initializer_list<Entry> items);
    ValueDictionary(const ValueDictionary& other);
    ValueDictionary& operator=(const ValueDictionary& other);
    ValueDictionary(ValueDictionary&&) noexcept;
    ValueDictionary& operator=(ValueDictionary&&) noexcept;
    ~ValueDictionary();

    // Takes the entries in their order, as a run of `set` calls would: a later
    // entry with an earlier one's key replaces its value in the earlier place.
    // Builds a large dictionary in one pass instead of a search per key.
    static ValueDictionary withEntries(std::vector<Entry> entries);

    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    const Value& operator[](std::string_view key) const;  // null value when absent
    // Sets or replaces; a replaced key keeps its place.
    void set(std::string key, Value v);
    void remove(std::string_view key);
    void clear();
    std::vector<std::string> keys() const;
    void reserve(size_t n) { m_entries.reserve(n); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }
    const std::vector<Entry>& entries() const { return m_entries; }
    bool operator==(const ValueDictionary& other) const;

private:
    // Open addressing over positions in the entry vector; empty until a
    // dictionary is large enough to need it.
    struct Index {
        std::vector<uint32_t> slots;  // position + 1; 0 marks an empty slot
        size_t mask = 0;
        void rebuild(const std::vector<Entry>& entries);
        void insert(std::string_view key, size_t position);
        long lookup(const std::vector<Entry>& entries, std::string_view key) const;
        bool needsGrowth(size_t count) const { return (count + 1) * 2 > slots.size(); }
    };
    std::vector<Entry> m_entries;
    // Most dictionaries are small and never need one, so it costs a pointer until built.
    mutable std::unique_ptr<Index> m_index;
    long indexOf(std::string_view key) const;
    void removeDuplicateKeys();
};

// The shared null value, for references that must point somewhere.
const Value& nullValue();
