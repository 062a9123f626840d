#include "Network/Protocol/SyncTables.h"

#include "Network/Protocol/ReplyFields.h"
#include "Platform/Foundation/NSString.h"

using namespace ReplyFields;
using namespace ProtocolRecords;

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
                for (const Value& category : parents.arrayValue()) {
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

}  // namespace

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
    eachObject(content, [&](const Value& i) {
        corvelle_icon_Entity icon;
        icon._id = intOf(i, "iconID");
        icon.title = unchanged(i, "iconTitle");
        icon.name = unchanged(i, "iconName");
        icon.width = intOf(i, "iconWidth");
        icon.height = intOf(i, "iconHeight");
        icon.description = unchanged(i, "iconDesc");
        icon.category = unchanged(i, "iconCategory");
        icon.publish = intOf(i, "iconPublish");
        r.iconTable.push_back(std::move(icon));
    });
    return true;
}

bool readLibraryFiles(SyncFileTableRst& r, const Value* in)
{
    // Files and categories; the list of replaced files, when sent, is an object.
    if (!hasTables(in, 2) || (in->count() > 2 && !(*in)[2].isDictionary()))
        return false;
    const Value& content = *in;
    eachObject(arrayAt(content, 0), [&](const Value& f) {
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
        r.libFileTable.push_back(std::move(file));
    });
    eachObject(arrayAt(content, 1), [&](const Value& c) {
        corvelle_library_category_Entity category;
        category.categoryID = intOf(c, "cateID");
        category.name = unchanged(c, "cateName");
        category.ordering = intOf(c, "cateOrdering");
        category.published = intOf(c, "catePublished");
        category.parent_id = intOf(c, "parentId");
        r.libCategoryTable.push_back(std::move(category));
    });
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
        corvelle_customer_Entity customer;
        customer.customer_id = intOf(c, "customerId");
        customer.customer_info_id = unchanged(c, "customerInfoId");
        customer.customer_name = unchanged(c, "customerName");
        customer.customer_publish = intOf(c, "customerPublish");
        customer.customer_ordering = intOf(c, "customerOrdering");
        customer.discount = floatOf(c, "customerDiscount");
        r.customerTable.push_back(std::move(customer));
        eachObject(&c["attributes"], [&](const Value& a) {
            corvelle_customer_attribute_Entity attribute;
            attribute.attribute_id = intOf(a, "attributeId");
            attribute.attribute_fields_id = intOf(a, "attributeFieldsId");
            attribute.attribute_value = unchanged(a, "attributeValue");
            attribute.customer_id = intOf(c, "customerId");
            r.customerAttributeTable.push_back(std::move(attribute));
        });
    });
    eachObject(arrayAt(content, 1), [&](const Value& f) {
        corvelle_fields_customer_attribute_Entity field;
        field.field_id = intOf(f, "attributeFieldsId");
        field.field_name = unchanged(f, "attributeName");
        field.description = unchanged(f, "description");
        field.data_type = unchanged(f, "data_type");
        field.selection_list = unchanged(f, "selection_list");
        field.display = intOf(f, "display");
        field.published = intOf(f, "published");
        r.fieldsAttributeTable.push_back(std::move(field));
    });
    eachObject(arrayAt(content, 2), [&](const Value& a) {
        corvelle_customer_address_Entity address;
        address.indexId = intOf(a, "id");
        address.customerId = intOf(a, "customer_id");
        address.customerAddress = unchanged(a, "address");
        address.customerCity = unchanged(a, "city");
        address.customerState = unchanged(a, "state");
        address.customerZipCode = unchanged(a, "zip_code");
        r.customerAddressTable.push_back(std::move(address));
    });
    eachObject(arrayAt(content, 3), [&](const Value& c) { r.customerContactTable.push_back(readContact(c, true)); });
    return true;
}

}  // namespace SyncTables
