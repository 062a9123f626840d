// Whatever a table reply's content is, turning it into records either takes
// it whole or refuses it and leaves the reply with no tables.
#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/SyncTables.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

template <typename Reply, typename Read, typename Count> void check(const Value* content, Read read, Count count)
{
    Reply reply;
    // Each reader frees what it reads: every one gets its own copy.
    Value copy = *content;
    if (!read(reply, &copy) && count(reply) != 0) {
        std::fprintf(stderr, "a refused content left records behind\n");
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QDJsonParser parser;
    auto value = parser.fragmentWithString(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value)
        return 0;
    // The content of an envelope, or the value itself.
    const Value* content = value->isDictionary() && value->find("content") ? value->find("content") : &*value;
    check<SyncAllTableRst>(content, SyncTables::readProducts, [](const SyncAllTableRst& r) {
        return r.productTable.size() + r.productAttributeTable.size() + r.fieldsAttributeTable.size()
            + r.productRelatedFilesTable.size() + r.productCategoryXrefTable.size() + r.productPriceTable.size()
            + r.productRelatedTable.size() + r.imagesTable.size() + r.categoryTable.size() + r.productTagTable.size()
            + r.productRelateTagTable.size();
    });
    check<SyncIconTableRst>(
        content, SyncTables::readIcons, [](const SyncIconTableRst& r) { return r.iconTable.size(); });
    check<SyncFileTableRst>(content, SyncTables::readLibraryFiles, [](const SyncFileTableRst& r) {
        return r.libFileTable.size() + r.libCategoryTable.size() + r.libFileUpdateTable.size();
    });
    check<SyncCustomerTableRst>(content, SyncTables::readCustomers, [](const SyncCustomerTableRst& r) {
        return r.customerTable.size() + r.customerAttributeTable.size() + r.fieldsAttributeTable.size()
            + r.customerAddressTable.size() + r.customerContactTable.size();
    });
    if (value->isDictionary())
        SyncTables::readContact(*value, true);
    return 0;
}
