#pragma once

// Reads the text of a table reply without making a tree of the whole reply:
// the members beside "content" whole, and each element of the content's
// tables on its own, handed over and freed before the next is read. A reply
// of a large catalogue is then never held as its text and its whole tree at
// once. Only text of the plain form is read this way (an object whose member
// values and whose tables' elements are objects, arrays or strings, with
// "content" once); anything else is left to the reading of the whole tree,
// which decides it exactly as it always has.

#include "Platform/Foundation/Value.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

namespace TableReplyText {

struct Read {
    // The reply's members but "content": what the status is read from.
    Value head;
    // Whether "content" is an array whose first `tables` elements are arrays.
    bool tablesShaped = false;
};

using Sink = std::function<void(size_t index, const Value& element)>;

// Calls `element` with each element of each of the content's first `tables`
// arrays (index: the table's place in the content), and `extra` with each
// later element of the content. Nothing when the text is not of the plain
// form or does not read as JSON; the sinks may have been called by then.
std::optional<Read> read(std::string_view text, size_t tables, const Sink& element, const Sink& extra);

}  // namespace TableReplyText
