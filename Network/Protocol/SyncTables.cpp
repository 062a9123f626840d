#include "Network/Protocol/SyncTables.h"

#include "Network/Protocol/ReplyFields.h"
#include "Network/Protocol/ReplyRecord.h"
#include "Platform/Foundation/NSString.h"

#include <utility>

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

    // A product object carries its price and related list at its own level,
    // and its attributes, categories and pictures as lists of their own.
    void readProduct(SyncAllTableRst& r, const Value& p)
    {
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
    }

    // Appends the record of one table element, when it is an object.
    template <typename Record>
    void appendOne(std::vector<Record>& records, const Value& element,
        RecordColumns::MissingText missing = RecordColumns::MissingText::Absent)
    {
        if (element.isDictionary())
            readReply(element, records.emplace_back(), missing);
    }

    void readCustomer(SyncCustomerTableRst& r, const Value& c)
    {
        auto& customer = r.customerTable.emplace_back();
        readReply(c, customer);
        const int customerId = customer.customer_id;
        eachObject(&c["attributes"], [&](const Value& a) {
            auto& attribute = r.customerAttributeTable.emplace_back();
            readReply(a, attribute);
            attribute.customer_id = customerId;
        });
    }

    void readReplacedFiles(SyncFileTableRst& r, const Value& replaced)
    {
        if (auto ids = unchanged(replaced, "keyIDS")) {
            for (auto& id : NSString::componentsSeparatedByString(*ids, ","))
                r.libFileUpdateTable.push_back(std::move(id));
        }
    }

    // Hands each element of the content's first `tables` arrays to the
    // element reader of its table, freeing each as it is read and each table
    // when it is done: the tree is read by the very reader the text is, so a
    // record is mapped in one place only.
    template <typename Reply>
    void takeTables(Reply& r, Value& content, size_t tables, void (*element)(Reply&, size_t, const Value&))
    {
        for (size_t table = 0; table < tables; ++table) {
            Value* array = tableAt(content, table);
            for (Value& each : array->mutableArray()) {
                element(r, table, std::as_const(each));
                each = Value();
            }
            *array = Value();
        }
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
    if (!hasTables(content, kProductTables))
        return false;
    reserveProducts(r, (*content)[size_t(0)]);
    takeTables(r, *content, kProductTables, readProductElement);
    return true;
}

bool readIcons(SyncIconTableRst& r, Value* content)
{
    if (!content || !content->isArray())
        return false;
    for (Value& element : content->mutableArray()) {
        appendOne(r.iconTable, element);
        element = Value();
    }
    *content = Value();
    return true;
}

bool readLibraryFiles(SyncFileTableRst& r, Value* in)
{
    // Files and categories; the list of replaced files, when sent, is an object.
    if (!hasTables(in, kLibraryFileTables) || (in->count() > 2 && !(*in)[2].isDictionary()))
        return false;
    Value& content = *in;
    takeTables(r, content, kLibraryFileTables, readLibraryFileElement);
    if (content.count() > kLibraryFileTables)
        readLibraryFileExtra(r, kLibraryFileTables, content[kLibraryFileTables]);
    return true;
}

bool readCustomers(SyncCustomerTableRst& r, Value* in)
{
    // Customers, attribute fields, addresses, contacts.
    if (!hasTables(in, kCustomerTables))
        return false;
    takeTables(r, *in, kCustomerTables, readCustomerElement);
    return true;
}

void readProductElement(SyncAllTableRst& r, size_t table, const Value& element)
{
    switch (table) {
    case 0:
        if (element.isDictionary())
            readProduct(r, element);
        break;
    case 1:
        appendOne(r.categoryTable, element);
        break;
    case 2:
        appendOne(r.fieldsAttributeTable, element);
        break;
    case 3:
        appendOne(r.productRelatedFilesTable, element);
        break;
    case 4:
        appendOne(r.productTagTable, element);
        break;
    case 5:
        appendOne(r.productRelateTagTable, element);
        break;
    default:
        break;
    }
}

void readLibraryFileElement(SyncFileTableRst& r, size_t table, const Value& element)
{
    if (table == 0)
        appendOne(r.libFileTable, element);
    else if (table == 1)
        appendOne(r.libCategoryTable, element);
}

bool readLibraryFileExtra(SyncFileTableRst& r, size_t index, const Value& element)
{
    if (index != kLibraryFileTables)
        return true;
    if (!element.isDictionary())
        return false;
    readReplacedFiles(r, element);
    return true;
}

void readCustomerElement(SyncCustomerTableRst& r, size_t table, const Value& element)
{
    switch (table) {
    case 0:
        if (element.isDictionary())
            readCustomer(r, element);
        break;
    case 1:
        appendOne(r.fieldsAttributeTable, element);
        break;
    case 2:
        appendOne(r.customerAddressTable, element);
        break;
    case 3:
        appendOne(r.customerContactTable, element, RecordColumns::MissingText::Empty);
        break;
    default:
        break;
    }
}

}  // namespace SyncTables
