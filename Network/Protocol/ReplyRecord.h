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
#include <type_traits>

namespace RecordColumns {

// What a text the object lacks reads as.
enum class MissingText { Absent, Empty };

// Sets every column of `record` the server sends from `object`; the others
// keep their values.
template <typename Record>
void readReply(const Value& object, Record& record, MissingText missing = MissingText::Absent)
{
    forEach<Record>([&](const auto& c) {
        if (!c.isSent())
            return;
        auto& value = record.*c.member;
        using Member = std::remove_reference_t<decltype(value)>;
        if constexpr (std::is_same_v<Member, bool>)
            value = ReplyFields::boolOf(object, c.key);
        else if constexpr (std::is_same_v<Member, int>)
            value = ReplyFields::intOf(object, c.key);
        else if constexpr (std::is_same_v<Member, double>)
            value = c.has(SinglePrecision) ? static_cast<double>(ReplyFields::floatOf(object, c.key))
                                           : ReplyFields::doubleOf(object, c.key);
        else if constexpr (std::is_same_v<Member, std::optional<std::string>>) {
            if (missing == MissingText::Empty)
                value = ReplyFields::stringOr(object, c.key);
            else
                value = ReplyFields::unchanged(object, c.key);
        } else if constexpr (std::is_same_v<Member, std::string>)
            value = ReplyFields::stringOr(object, c.key);
        else
            value = ReplyFields::dateOf(object, c.key);
    });
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
