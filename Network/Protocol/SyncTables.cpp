#include "Network/Protocol/SyncTables.h"

#include "Network/Protocol/ReplyFields.h"
#include "Network/Protocol/ReplyRecord.h"
#include "Platform/Foundation/NSString.h"

using namespace ReplyFields;
using namespace ProtocolRecords;
using RecordColumns::appendEach;
using RecordColumns::readReply;

namespace SyncTables {

namespace {

    // Whether `content` is an array whose first `tables` elements are arrays.
    bool hasTables(const Value* content, size_t tables)
    {
        if (!content || !content->isArray() || content->count() < tables)
            return false;
        for (size_t i = 0; i < tables; ++i) {
            if (!(*content)[i].isArray())
                return false;
        }
        return true;
    }

    // Table `index` of a content `hasTables` accepted.
    Value* tableAt(Value& content, size_t index) { return &content.mutableArray()[index]; }

    // Appends the records of a table, then frees the table.
    template <typename Record>
    void takeEach(std::vector<Record>& records, Value* table,
        RecordColumns::MissingText missing = RecordColumns::MissingText::Absent)
    {
        appendEach(records, table, missing);
        if (table)
            *table = Value();
    }

    // Room for the product table's records before they are made: growing
    // vectors of a hundred thousand records would hold each twice over.
    void reserveProducts(SyncAllTableRst& r, const Value& products)
    {
        size_t count = 0, attributes = 0, parents = 0, images = 0;
        for (const Value& p : products.arrayValue()) {
            if (!p.isDictionary())
                continue;
            ++count;
            attributes += p["attributes"].isArray() ? p["attributes"].count() : 0;
            parents += p["productParentList"].isArray() ? p["productParentList"].count() : 0;
            images += p["images"].isArray() ? p["images"].count() : 0;
        }
        r.productTable.reserve(count);
        r.productPriceTable.reserve(count);
        r.productRelatedTable.reserve(count);
        r.productAttributeTable.reserve(attributes);
        r.productCategoryXrefTable.reserve(parents);
        r.imagesTable.reserve(images);
    }

    void fillProducts(SyncAllTableRst& r, Value& content)
    {
        reserveProducts(r, content[size_t(0)]);
        // A product object carries its price and related list at its own level,
        // and its attributes, categories and pictures as lists of their own.
        takeEachObject(tableAt(content, 0), [&](const Value& p) {
            auto& product = r.productTable.emplace_back();
            readReply(p, product);
            const int productId = product.product_id;

            eachObject(&p["attributes"], [&](const Value& a) {
                auto& attribute = r.productAttributeTable.emplace_back();
                readReply(a, attribute);
                attribute.product_id = productId;
            });

            const Value& parents = p["productParentList"];
            if (parents.isArray()) {
                for (const Value& category : parents.arrayValue()) {
                    auto& link = r.productCategoryXrefTable.emplace_back();
                    link.category_id = category.intValue();
                    link.product_id = productId;
                }
            }

            readReply(p, r.productPriceTable.emplace_back());
            readReply(p, r.productRelatedTable.emplace_back());
            appendEach(r.imagesTable, &p["images"]);
        });
        takeEach(r.categoryTable, tableAt(content, 1));
        takeEach(r.fieldsAttributeTable, tableAt(content, 2));
        takeEach(r.productRelatedFilesTable, tableAt(content, 3));
        takeEach(r.productTagTable, tableAt(content, 4));
        takeEach(r.productRelateTagTable, tableAt(content, 5));
    }

}  // namespace

corvelle_customer_contact_entity readContact(const Value& c, bool emptyWhenMissing)
{
    corvelle_customer_contact_entity contact;
    readReply(c, contact, emptyWhenMissing ? RecordColumns::MissingText::Empty : RecordColumns::MissingText::Absent);
    return contact;
}

bool readProducts(SyncAllTableRst& r, Value* content)
{
    // Products, categories, attribute fields, related files, tags, tag links.
    if (!hasTables(content, 6))
        return false;
    fillProducts(r, *content);
    return true;
}

bool readIcons(SyncIconTableRst& r, Value* content)
{
    if (!content || !content->isArray())
        return false;
    takeEach(r.iconTable, content);
    return true;
}

bool readLibraryFiles(SyncFileTableRst& r, Value* in)
{
    // Files and categories; the list of replaced files, when sent, is an object.
    if (!hasTables(in, 2) || (in->count() > 2 && !(*in)[2].isDictionary()))
        return false;
    Value& content = *in;
    takeEach(r.libFileTable, tableAt(content, 0));
    takeEach(r.libCategoryTable, tableAt(content, 1));
    if (content.count() > 2 && content[2].isDictionary()) {
        if (auto ids = unchanged(content[2], "keyIDS")) {
            for (auto& id : NSString::componentsSeparatedByString(*ids, ","))
                r.libFileUpdateTable.push_back(std::move(id));
        }
    }
    return true;
}

bool readCustomers(SyncCustomerTableRst& r, Value* in)
{
    // Customers, attribute fields, addresses, contacts.
    if (!hasTables(in, 4))
        return false;
    Value& content = *in;
    takeEachObject(tableAt(content, 0), [&](const Value& c) {
        auto& customer = r.customerTable.emplace_back();
        readReply(c, customer);
        const int customerId = customer.customer_id;
        eachObject(&c["attributes"], [&](const Value& a) {
            auto& attribute = r.customerAttributeTable.emplace_back();
            readReply(a, attribute);
            attribute.customer_id = customerId;
        });
    });
    takeEach(r.fieldsAttributeTable, tableAt(content, 1));
    takeEach(r.customerAddressTable, tableAt(content, 2));
    takeEach(r.customerContactTable, tableAt(content, 3), RecordColumns::MissingText::Empty);
    return true;
}

}  // namespace SyncTables
