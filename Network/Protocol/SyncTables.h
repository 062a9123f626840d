#pragma once

// Turning a "200" table reply's content into the records of its tables. Each
// table arrives as an array of objects at its own place in "content"; a
// content of any other shape (not an array, a table missing or not an array)
// is refused whole, since the tables it would give are replaced by what it
// holds: an empty tag list would empty the tags, and the group would count as
// synchronised. Elements of a table that are not objects are skipped.

#include "Network/Protocol/SyncCommands.h"
#include "Platform/Foundation/Value.h"

namespace SyncTables {

// Calls `body` for each object element of `array`; other elements are skipped.
template <typename F> void eachObject(const Value* array, F body)
{
    if (!array || !array->isArray())
        return;
    for (const Value& element : array->arrayValue()) {
        if (element.isDictionary())
            body(element);
    }
}

// Each fills the reply from a content of the right shape and answers YES, or
// answers NO and leaves the reply as it was. The tables' part of the content
// is freed as it is read, each element through the element reader below.
bool readProducts(SyncAllTableRst& reply, Value* content);
bool readIcons(SyncIconTableRst& reply, Value* content);
bool readLibraryFiles(SyncFileTableRst& reply, Value* content);
bool readCustomers(SyncCustomerTableRst& reply, Value* content);

// The same readings one element at a time, for a reply read from its text
// without a tree of the whole (TableReplyText): `table` is the element's
// table's place in the content, `index` an element's place in the content
// past the tables. The tables' counts, and whether an element past them is of
// the right kind (false otherwise: the content is refused whole).
inline constexpr size_t kProductTables = 6;
inline constexpr size_t kLibraryFileTables = 2;
inline constexpr size_t kCustomerTables = 4;
void readProductElement(SyncAllTableRst& reply, size_t table, const Value& element);
void readLibraryFileElement(SyncFileTableRst& reply, size_t table, const Value& element);
bool readLibraryFileExtra(SyncFileTableRst& reply, size_t index, const Value& element);
void readCustomerElement(SyncCustomerTableRst& reply, size_t table, const Value& element);

// A contact object; its texts "" when missing or, with `emptyWhenMissing` NO, nothing.
ProtocolRecords::corvelle_customer_contact_entity readContact(const Value& contact, bool emptyWhenMissing);

}  // namespace SyncTables
