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

    void fillProducts(SyncAllTableRst& r, const Value& content)
    {
        // A product object carries its price and related list at its own level,
        // and its attributes, categories and pictures as lists of their own.
        eachObject(arrayAt(content, 0), [&](const Value& p) {
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
        appendEach(r.categoryTable, arrayAt(content, 1));
        appendEach(r.fieldsAttributeTable, arrayAt(content, 2));
        appendEach(r.productRelatedFilesTable, arrayAt(content, 3));
        appendEach(r.productTagTable, arrayAt(content, 4));
        appendEach(r.productRelateTagTable, arrayAt(content, 5));
    }

}  // namespace

corvelle_customer_contact_entity readContact(const Value& c, bool emptyWhenMissing)
{
    corvelle_customer_contact_entity contact;
    readReply(c, contact, emptyWhenMissing ? RecordColumns::MissingText::Empty : RecordColumns::MissingText::Absent);
    return contact;
}

bool readProducts(SyncAllTableRst& r, const Value* content)
{
    // Products, categories, attribute fields, related files, tags, tag links.
    if (!hasTables(content, 6))
        return false;
    fillProducts(r, *content);
    return true;
}

bool readIcons(SyncIconTableRst& r, const Value* content)
{
    if (!content || !content->isArray())
        return false;
    appendEach(r.iconTable, content);
    return true;
}

bool readLibraryFiles(SyncFileTableRst& r, const Value* in)
{
    // Files and categories; the list of replaced files, when sent, is an object.
    if (!hasTables(in, 2) || (in->count() > 2 && !(*in)[2].isDictionary()))
        return false;
    const Value& content = *in;
    appendEach(r.libFileTable, arrayAt(content, 0));
    appendEach(r.libCategoryTable, arrayAt(content, 1));
    if (content.count() > 2 && content[2].isDictionary()) {
        if (auto ids = unchanged(content[2], "keyIDS")) {
            for (auto& id : NSString::componentsSeparatedByString(*ids, ","))
                r.libFileUpdateTable.push_back(std::move(id));
        }
    }
    return true;
}

bool readCustomers(SyncCustomerTableRst& r, const Value* in)
{
    // Customers, attribute fields, addresses, contacts.
    if (!hasTables(in, 4))
        return false;
    const Value& content = *in;
    eachObject(arrayAt(content, 0), [&](const Value& c) {
        auto& customer = r.customerTable.emplace_back();
        readReply(c, customer);
        const int customerId = customer.customer_id;
        eachObject(&c["attributes"], [&](const Value& a) {
            auto& attribute = r.customerAttributeTable.emplace_back();
            readReply(a, attribute);
            attribute.customer_id = customerId;
        });
    });
    appendEach(r.fieldsAttributeTable, arrayAt(content, 1));
    appendEach(r.customerAddressTable, arrayAt(content, 2));
    appendEach(r.customerContactTable, arrayAt(content, 3), RecordColumns::MissingText::Empty);
    return true;
}

}  // namespace SyncTables
