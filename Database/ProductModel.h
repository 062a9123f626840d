#pragma once

// Products, product attributes and attribute fields, tags and tag links.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_product_Entity.h"
#include "Database/product_attribute_cell_Entity.h"

#include <optional>
#include <string>
#include <vector>

class ProductModel : public BaseDataModel {
public:
    EntityList<corvelle_product_Entity> getAllProducts();
    // -1 asks for the uncategorised products (links to category 0); 0 gives none.
    EntityList<corvelle_product_Entity> getProductsByCategory_id(int categoryId);
    std::shared_ptr<corvelle_product_Entity> getProductByProductId(int productId);
    // Whatever the publish state (lines of stored quote orders).
    std::shared_ptr<corvelle_product_Entity> getAllProductByProductId(int productId);
    // The SKU is kept as stored.
    std::shared_ptr<corvelle_product_Entity> getProductByProductSKU(const std::optional<std::string>& sku);
    // Published products whose SKU, name or tags contain the text, by name.
    EntityList<corvelle_product_Entity> getProductsBySearchString(const std::optional<std::string>& text);
    EntityList<product_attribute_cell_Entity> getProductAttributeByProductId(int productId);
    // The tags text split at every ","; [""] for no row; [] for a null text.
    std::vector<std::string> getAllTagsByProduct_id(int productId);
    EntityList<corvelle_tag_entity> getAllProductTags();
    EntityList<corvelle_tag_entity> getTagsByProductID(int productId);
    EntityList<corvelle_product_Entity> getAllTags();

    // Replaces each product row and clears that product's attribute rows.
    [[nodiscard]] bool saveToDatabaseProduct(const OptionalEntityList<corvelle_product_Entity>& products);
    [[nodiscard]] bool saveToDatabaseProductAttribute(
        const OptionalEntityList<corvelle_product_attribute_Entity>& attributes);
    [[nodiscard]] bool saveToDatabaseFieldsProductAttribute(
        const OptionalEntityList<corvelle_fields_product_attribute_Entity>& fields);
    // Both empty their table first, in the same transaction.
    [[nodiscard]] bool saveToDatabaseProductTag(const OptionalEntityList<corvelle_tag_entity>& tags);
    [[nodiscard]] bool saveToDatabaseProductRelatedTag(
        const OptionalEntityList<corvelle_product_related_tag_Entity>& links);

    bool createProductTagTable();
    bool createProductRelatedTagTable();
    bool alterProductAttributeTable();
    // Fills the tag tables from the products' tags texts.
    void moveDataForUpdate();
};

// Its includers expect the models that once shared this header.
#include "Database/productAndcategoryXrefModel.h"
#include "Database/ProductRelatedModel.h"
