#include "Network/Protocol/SyncCommands.h"

#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/ReplyFields.h"
#include "Platform/Foundation/NSString.h"

using namespace ReplyFields;
using namespace ProtocolRecords;

namespace {

void setCommand(RequestInterfaceBase& message, int code, const char* head, const char* method)
{
    message.cmdCode = code;
    message.requestHead = head;
    message.methodName = method;
}

std::optional<std::string> encodeTable(RequestInterfaceBase& message, const std::optional<std::string>& sessionId,
    const std::optional<std::string>& syncType, const std::optional<std::string>& isFull)
{
    auto session = ProtocolServices::session();
    return encode(message, {
        { "jsessionId", sessionId },
        { "methodName", message.methodName },
        { "accountId", session.acountID },
        { "clientId", session.clientID },
        { "deviceId", session.deviceID },
        { "syncType", syncType },
        { "isFull", isFull },
    });
}

// Calls `body` for each object element of `array`; other elements are skipped.
template<typename F>
void eachObject(const Value* array, F body)
{
    if (!array || !array->isArray())
        return;
    for (const Value& element : array->arrayValue()) {
        if (element.isDictionary())
            body(element);
    }
}

void readProducts(SyncAllTableRst& r, const Value& content)
{
    eachObject(arrayAt(content, 0), [&](const Value& p) {
        int productId = intOf(p, "productID");
        corvelle_product_Entity product;
        product.product_buy = intOf(p, "productBuy");
        product.product_l_desc = unchanged(p, "productDesc");
        product.product_id = productId;
        product.product_name = unchanged(p, "productName");
        product.product_ordering = intOf(p, "productOrdering");
        product.product_sku = unchanged(p, "productSKU");
        product.product_sale = intOf(p, "productSale");
        product.product_s_desc = unchanged(p, "productShortDesc");
        product.product_stock = intOf(p, "productStock");
        product.product_publish = intOf(p, "publish");
        product.product_tags = unchanged(p, "productTag");
        r.productTable.push_back(std::move(product));

        eachObject(&p["attributes"], [&](const Value& a) {
            corvelle_product_attribute_Entity attribute;
            attribute.attribute_id = intOf(a, "attributeId");
            attribute.attribute_fields_id = intOf(a, "attributeFieldsId");
            attribute.attribute_value = unchanged(a, "attributeValue");
            attribute.default_value = unchanged(a, "defaultValue");
            attribute.product_id = productId;
            r.productAttributeTable.push_back(std::move(attribute));
        });

        const Value& parents = p["productParentList"];
        if (parents.isArray()) {
            for (const Value& category : parents.arrayValue())
            {
                corvelle_product_category_xref_Entity link;
                link.category_id = category.intValue();
                link.product_id = productId;
                r.productCategoryXrefTable.push_back(std::move(link));
            }
        }

        corvelle_product_price_Entity price;
        price.price_id = intOf(p, "priceID");
        price.product_id = productId;
        price.vendor_group_id_list = unchanged(p, "vendor_group_id_list");
        price.vendor_state_id_list = unchanged(p, "vendor_state_id_list");
        price.vendor_id_list = unchanged(p, "vendor_id_list");
        price.customer_id_list = unchanged(p, "customer_id_list");
        price.price = doubleOf(p, "price");
        price.currency = unchanged(p, "currency");
        price.discount_price = doubleOf(p, "discountPrice");
        price.discount_identifier = unchanged(p, "discountIdentifier");
        price.discount_start_date = dateOf(p, "discountStartDate");
        price.discount_end_date = dateOf(p, "discountEndDate");
        price.discount_publish = intOf(p, "discountPublish");
        price.tier_start_date = dateOf(p, "tierStartDate");
        price.tier_end_date = dateOf(p, "tierEndDate");
        price.tier_quantity_price = unchanged(p, "tierQuantityPrice");
        price.tier_publish = intOf(p, "tierPublish");
        price.discontRat = doubleOf(p, "discount_percentage");
        r.productPriceTable.push_back(std::move(price));

        corvelle_product_related_Entity related;
        related.product_id = productId;
        related.related_product_sku = unchanged(p, "relatedSKUList");
        r.productRelatedTable.push_back(std::move(related));

        eachObject(&p["images"], [&](const Value& i) {
            corvelle_image_Entity image;
            image.image_id = intOf(i, "imageID");
            image.key_id = intOf(i, "keyID");
            image.key_type = unchanged(i, "keyType");
            image.image_thumb_address = unchanged(i, "thumbAddress");
            image.image_full_address = unchanged(i, "fullAddress");
            image.image_isdault = intOf(i, "isDefault");
            image.image_s_desc = unchanged(i, "imageShortDesc");
            image.image_l_desc = unchanged(i, "imageDesc");
            image.image_publis = intOf(i, "imagePublish");
            image.image_ordering = intOf(i, "imageOrdering");
            r.imagesTable.push_back(std::move(image));
        });
    });

    eachObject(arrayAt(content, 1), [&](const Value& c) {
        corvelle_category_Entity category;
        category.category_id = intOf(c, "categoryID");
        category.category_name = unchanged(c, "categoryName");
        category.category_code = unchanged(c, "categoryCode");
        category.category_type = unchanged(c, "categoryType");
        category.category_publish = intOf(c, "categoryPublish");
        category.category_ordering = intOf(c, "categoryOrdering");
        category.category_parent_id = intOf(c, "categoryParentID");
        r.categoryTable.push_back(std::move(category));
    });
    eachObject(arrayAt(content, 2), [&](const Value& f) {
        corvelle_fields_product_attribute_Entity field;
        field.field_id = intOf(f, "attributeFieldsId");
        field.field_name = unchanged(f, "attributeName");
        field.description = unchanged(f, "description");
        field.selection_list = unchanged(f, "attributeValue");
        field.display = intOf(f, "display");
        field.published = intOf(f, "published");
        r.fieldsAttributeTable.push_back(std::move(field));
    });
    eachObject(arrayAt(content, 3), [&](const Value& f) {
        corvelle_product_related_files_Entity file;
        file.product_id = intOf(f, "productId");
        file.product_sku = unchanged(f, "productSku");
        file.file_id = intOf(f, "fileId");
        r.productRelatedFilesTable.push_back(std::move(file));
    });
    eachObject(arrayAt(content, 4), [&](const Value& t) {
        corvelle_tag_entity tag;
        tag.tag_id = intOf(t, "id");
        tag.tag_name = unchanged(t, "tagName");
        r.productTagTable.push_back(std::move(tag));
    });
    eachObject(arrayAt(content, 5), [&](const Value& t) {
        corvelle_product_related_tag_Entity link;
        link.tag_id = intOf(t, "tagId");
        link.product_id = intOf(t, "productId");
        r.productRelateTagTable.push_back(std::move(link));
    });
}

corvelle_customer_contact_entity readContact(const Value& c, bool emptyWhenMissing)
{
    auto text = [&](const char* key) {
        return emptyWhenMissing ? std::optional<std::string>(stringOr(c, key)) : unchanged(c, key);
    };
    corvelle_customer_contact_entity contact;
    contact.customerID = intOf(c, "customerId");
    contact.contactID = intOf(c, "contactId");
    contact.first_name = text("firstName");
    contact.last_name = text("lastName");
    contact.job_title = text("jobTitle");
    contact.work_phone = text("workPhone");
    contact.mobile_phone = text("mobilePhone");
    contact.email = text("email");
    contact.im = text("im");
    contact.note = text("note");
    return contact;
}

// Copies of the elements of an array member of an object, of any type.
void copyElements(const Value& object, const char* key, std::vector<Value>& into)
{
    const Value& array = object[key];
    if (!array.isArray())
        return;
    for (const Value& element : array.arrayValue())
        into.push_back(element);
}

}  // namespace

// Product tables.

RequestSyncAllTable::RequestSyncAllTable()
{
    setCommand(*this, 0x201, "SyncServer;", "syncData");
    sessionId = ProtocolServices::session().sessionId;
}

std::optional<std::string> RequestSyncAllTable::RequestEncode()
{
    return encodeTable(*this, sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncAllTableRst>();
    DecodeResults(*result, reply);
    if (const Value* content = successContent(*result, reply, Value::Type::Array))
        readProducts(*result, *content);
    return result;
}

// Icons.

RequestSyncIconTable::RequestSyncIconTable()
{
    setCommand(*this, 0x202, "SyncServer;", "syncData");
}

std::optional<std::string> RequestSyncIconTable::RequestEncode()
{
    return encodeTable(*this, ProtocolServices::session().sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncIconTable::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncIconTableRst>();
    DecodeResults(*result, reply);
    eachObject(successContent(*result, reply, Value::Type::Array), [&](const Value& i) {
        corvelle_icon_Entity icon;
        icon._id = intOf(i, "iconID");
        icon.title = unchanged(i, "iconTitle");
        icon.name = unchanged(i, "iconName");
        icon.width = intOf(i, "iconWidth");
        icon.height = intOf(i, "iconHeight");
        icon.description = unchanged(i, "iconDesc");
        icon.category = unchanged(i, "iconCategory");
        icon.publish = intOf(i, "iconPublish");
        result->iconTable.push_back(std::move(icon));
    });
    return result;
}

// Library file tables.

RequestSyncFileTable::RequestSyncFileTable()
{
    setCommand(*this, 0x203, "SyncServer;", "syncData");
    sessionId = ProtocolServices::session().sessionId;
}

std::optional<std::string> RequestSyncFileTable::RequestEncode()
{
    return encodeTable(*this, sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncFileTable::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncFileTableRst>();
    result->isFull = isFull;
    DecodeResults(*result, reply);
    const Value* content = successContent(*result, reply, Value::Type::Array);
    if (!content)
        return result;
    eachObject(arrayAt(*content, 0), [&](const Value& f) {
        corvelle_library_files_Entity file;
        file.file_id = intOf(f, "id");
        file.title = unchanged(f, "title");
        file.file_name = unchanged(f, "fileName");
        file.category = intOf(f, "category");
        file.type = unchanged(f, "type");
        file.date = unchanged(f, "date");
        file.description = unchanged(f, "description");
        file.ordering = intOf(f, "ordering");
        file.published = intOf(f, "publish");
        file.cover_image = unchanged(f, "coverImage");
        file.info = unchanged(f, "info");
        result->libFileTable.push_back(std::move(file));
    });
    eachObject(arrayAt(*content, 1), [&](const Value& c) {
        corvelle_library_category_Entity category;
        category.categoryID = intOf(c, "cateID");
        category.name = unchanged(c, "cateName");
        category.ordering = intOf(c, "cateOrdering");
        category.published = intOf(c, "catePublished");
        category.parent_id = intOf(c, "parentId");
        result->libCategoryTable.push_back(std::move(category));
    });
    if (content->count() > 2 && (*content)[2].isDictionary()) {
        if (auto ids = unchanged((*content)[2], "keyIDS")) {
            for (auto& id : NSString::componentsSeparatedByString(*ids, ","))
                result->libFileUpdateTable.push_back(std::move(id));
        }
    }
    return result;
}

// Customer tables.

size_t SyncCustomerTableRst::resultCount() const
{
    return customerTable.size() + customerAttributeTable.size() + fieldsAttributeTable.size()
        + customerAddressTable.size();
}

RequestSyncCustomerTable::RequestSyncCustomerTable()
{
    setCommand(*this, 0x204, "SyncServer;", "syncData");
}

std::optional<std::string> RequestSyncCustomerTable::RequestEncode()
{
    return encodeTable(*this, ProtocolServices::session().sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncCustomerTableRst>();
    DecodeResults(*result, reply);
    const Value* content = successContent(*result, reply, Value::Type::Array);
    if (!content)
        return result;
    eachObject(arrayAt(*content, 0), [&](const Value& c) {
        corvelle_customer_Entity customer;
        customer.customer_id = intOf(c, "customerId");
        customer.customer_info_id = unchanged(c, "customerInfoId");
        customer.customer_name = unchanged(c, "customerName");
        customer.customer_publish = intOf(c, "customerPublish");
        customer.customer_ordering = intOf(c, "customerOrdering");
        customer.discount = floatOf(c, "customerDiscount");
        result->customerTable.push_back(std::move(customer));
        eachObject(&c["attributes"], [&](const Value& a) {
            corvelle_customer_attribute_Entity attribute;
            attribute.attribute_id = intOf(a, "attributeId");
            attribute.attribute_fields_id = intOf(a, "attributeFieldsId");
            attribute.attribute_value = unchanged(a, "attributeValue");
            attribute.customer_id = intOf(c, "customerId");
            result->customerAttributeTable.push_back(std::move(attribute));
        });
    });
    eachObject(arrayAt(*content, 1), [&](const Value& f) {
        corvelle_fields_customer_attribute_Entity field;
        field.field_id = intOf(f, "attributeFieldsId");
        field.field_name = unchanged(f, "attributeName");
        field.description = unchanged(f, "description");
        field.data_type = unchanged(f, "data_type");
        field.selection_list = unchanged(f, "selection_list");
        field.display = intOf(f, "display");
        field.published = intOf(f, "published");
        result->fieldsAttributeTable.push_back(std::move(field));
    });
    eachObject(arrayAt(*content, 2), [&](const Value& a) {
        corvelle_customer_address_Entity address;
        address.indexId = intOf(a, "id");
        address.customerId = intOf(a, "customer_id");
        address.customerAddress = unchanged(a, "address");
        address.customerCity = unchanged(a, "city");
        address.customerState = unchanged(a, "state");
        address.customerZipCode = unchanged(a, "zip_code");
        result->customerAddressTable.push_back(std::move(address));
    });
    eachObject(arrayAt(*content, 3), [&](const Value& c) {
        result->customerContactTable.push_back(readContact(c, true));
    });
    return result;
}

// Finish reports.

RequestSyncDataFinish::RequestSyncDataFinish()
{
    setCommand(*this, 0x205, "SyncServer;", "syncDataFinished");
}

std::optional<std::string> RequestSyncDataFinish::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this, {
        { "jsessionId", session.sessionId },
        { "methodName", methodName },
        { "accountId", session.acountID },
        { "clientId", session.clientID },
        { "tableType", tableType },
    });
}

std::shared_ptr<NetBaseRst> RequestSyncDataFinish::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncDataFinishRst>();
    DecodeResults(*result, reply);
    result->tableType = tableType;
    return result;
}

// Quote-order upload.

RequestUploadQuoteOrder::RequestUploadQuoteOrder()
{
    setCommand(*this, 0x206, "SyncClient;", "syncData");
}

std::optional<std::string> RequestUploadQuoteOrder::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this, {
        { "jsessionId", session.sessionId },
        { "methodName", methodName },
        { "accountId", session.acountID },
        { "clientId", session.clientID },
        { "syncData", syncData },
    });
}

std::shared_ptr<NetBaseRst> RequestUploadQuoteOrder::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<UploadQuoteOrderRst>();
    DecodeResults(*result, reply);
    if (const Value* content = successContent(*result, reply, Value::Type::Dictionary)) {
        const Value& orders = (*content)["orders"];
        if (orders.isArray()) {
            for (const Value& order : orders.arrayValue()) {
                if (order.isDictionary())
                    result->orderIdUpdateArray.push_back(order);
            }
        }
    }
    return result;
}

// Download-finished report.

RequestDownloadFinish::RequestDownloadFinish()
{
    setCommand(*this, 0x207, "SyncServer;", "syncFileFinished");
}

std::optional<std::string> RequestDownloadFinish::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this, {
        { "jsessionId", session.sessionId },
        { "methodName", methodName },
        { "accountId", session.acountID },
        { "clientId", session.clientID },
        { "fileIds", std::to_string(fileId) },
    });
}

std::shared_ptr<NetBaseRst> RequestDownloadFinish::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncDataFinishRst>();
    DecodeResults(*result, reply);
    return result;
}

// Customer upload: its content is read whatever the status.

RequestUploadCustomer::RequestUploadCustomer()
{
    setCommand(*this, 0x208, "SyncClient;", "syncData");
}

std::optional<std::string> RequestUploadCustomer::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this, {
        { "jsessionId", session.sessionId },
        { "methodName", methodName },
        { "accountId", session.acountID },
        { "clientId", session.clientID },
        { "syncData", syncData },
    });
}

std::shared_ptr<NetBaseRst> RequestUploadCustomer::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SubmitCustomerRst>();
    DecodeResults(*result, reply);
    const Value* content = ReplyFields::content(reply, Value::Type::Dictionary);
    if (!content)
        return result;
    eachObject(&(*content)["corvelle_customer"], [&](const Value& c) {
        corvelle_customer_Entity customer;
        customer.customer_id = intOf(c, "customerId");
        customer.pid = intOf(c, "preId");
        result->customerArry.push_back(std::move(customer));
    });
    eachObject(&(*content)["corvelle_customer_address"], [&](const Value& a) {
        corvelle_customer_address_Entity address;
        address.pID = intOf(a, "preId");
        address.customerId = intOf(a, "customerId");
        address.indexId = intOf(a, "id");
        address.customerAddress = stringOr(a, "address");
        address.customerCity = stringOr(a, "city");
        address.customerState = stringOr(a, "state");
        address.customerZipCode = stringOr(a, "zip_code");
        result->customerAddress.push_back(std::move(address));
    });
    eachObject(&(*content)["corvelle_customer_attribute"], [&](const Value& a) {
        corvelle_customer_attribute_Entity attribute;
        attribute.pID = intOf(a, "preId");
        attribute.attribute_id = intOf(a, "attributeId");
        attribute.customer_id = intOf(a, "customerId");
        attribute.attribute_fields_id = intOf(a, "attributeFieldsId");
        attribute.attribute_value = unchanged(a, "attributeValue");
        result->customerAttributes.push_back(std::move(attribute));
    });
    eachObject(&(*content)["corvelle_customer_contact"], [&](const Value& c) {
        auto contact = readContact(c, false);
        contact.pID = intOf(c, "preId");
        result->customerContacts.push_back(std::move(contact));
    });
    return result;
}

// Order history.

RequestGetOrderHistory::RequestGetOrderHistory()
{
    setCommand(*this, 0x109, "SyncServer;", "getorderhistory");
    auto session = ProtocolServices::session();
    userName = session.acountID;
    clientID = session.clientID;
}

std::optional<std::string> RequestGetOrderHistory::RequestEncode()
{
    return encode(*this, {
        { "jsessionId", ProtocolServices::session().sessionId },
        { "methodName", methodName },
        { "accountId", userName },
        { "clientId", clientID },
        { "baseTime", ProtocolServices::changeToServerFormatFromLocal(baseTime) },
        { "numberOfOrder", std::to_string(numberOfOrder) },
    });
}

std::shared_ptr<NetBaseRst> RequestGetOrderHistory::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<GetOrderHistoryRst>();
    DecodeResults(*result, reply);
    if (const Value* content = successContent(*result, reply, Value::Type::Dictionary)) {
        copyElements(*content, "orders", result->orderHistoryArray);
        copyElements(*content, "items", result->orderItemHistoryArray);
    }
    return result;
}
