#pragma once

// A server's object to a record, over the record's column table
// (Database/RecordColumns.h), with the reading rules every decoder shares
// (ReplyFields): numbers 0 and texts absent when missing or of the wrong
// kind, numbers sent where a text is kept read as their plain text.

#include "Database/RecordColumns.h"
#include "Network/Protocol/ReplyFields.h"
#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <tuple>
#include <type_traits>

namespace RecordColumns {

// What a text the object lacks reads as.
enum class MissingText { Absent, Empty };

namespace Detail {

    template <typename C, typename Object>
    void readReplyColumn(const C& c, const Value& object, Object& record, MissingText missing)
    {
        if (!c.isSent())
            return;
        using Member = typename C::Type;
        if constexpr (std::is_same_v<Member, bool>)
            assign(c, record, ReplyFields::boolOf(object, c.key));
        else if constexpr (std::is_same_v<Member, int>)
            assign(c, record, ReplyFields::intOf(object, c.key));
        else if constexpr (std::is_same_v<Member, double>)
            assign(c, record,
                c.has(SinglePrecision) ? static_cast<double>(ReplyFields::floatOf(object, c.key))
                                       : ReplyFields::doubleOf(object, c.key));
        else if constexpr (std::is_same_v<Member, std::optional<std::string>>) {
            if (missing == MissingText::Empty)
                assign(c, record, std::optional<std::string>(ReplyFields::stringOr(object, c.key)));
            else
                assign(c, record, ReplyFields::unchanged(object, c.key));
        } else if constexpr (std::is_same_v<Member, std::string>)
            assign(c, record, ReplyFields::stringOr(object, c.key));
        else
            assign(c, record, ReplyFields::dateOf(object, c.key));
    }

}  // namespace Detail

// Sets every column of `columns` (a tuple of column() entries) that has a
// key from `object`; the others keep their values. For a reply that sends a
// record under keys of its own.
template <typename Columns, typename Object>
void readReplyBy(const Columns& columns, const Value& object, Object& record, MissingText missing = MissingText::Absent)
{
    std::apply([&](const auto&... each) { (Detail::readReplyColumn(each, object, record, missing), ...); }, columns);
}

// Sets every column of `record` the server sends from `object`; the others
// keep their values.
template <typename Record>
void readReply(const Value& object, Record& record, MissingText missing = MissingText::Absent)
{
    readReplyBy(Table<Record>::columns, object, record, missing);
}

// Appends one record read from each object element of `array`; other
// elements are skipped. Answers nothing: a missing array appends none.
template <typename Record>
void appendEach(std::vector<Record>& records, const Value* array, MissingText missing = MissingText::Absent)
{
    if (!array || !array->isArray())
        return;
    for (const Value& element : array->arrayValue()) {
        if (element.isDictionary())
            readReply(element, records.emplace_back(), missing);
    }
}

}  // namespace RecordColumns
