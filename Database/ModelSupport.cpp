#include "Database/ModelSupport.h"

#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/Format.h"

namespace ModelSupport {

bool isPlaceholderSku(const std::optional<std::string>& sku, int productId)
{
    if (!sku)
        return false;
    const auto& clientID = LoginMode::sharedInstance()->clientID();
    return *sku == stringWithFormat("%@_%d", clientID.value_or(std::string("(null)")), productId);
}

void blankPlaceholderSku(corvelle_product_Entity& product)
{
    if (isPlaceholderSku(product.product_sku, product.product_id))
        product.product_sku = std::string();
}

std::shared_ptr<corvelle_product_Entity> readProduct(SQLResultSet& rs, bool blankPlaceholder)
{
    auto product = std::make_shared<corvelle_product_Entity>();
    product->product_id = rs.intForColumn("product_id");
    product->product_sku = rs.stringForColumn("product_sku");
    product->product_name = rs.stringForColumn("product_name");
    product->product_s_desc = rs.stringForColumn("product_s_desc");
    product->product_l_desc = rs.stringForColumn("product_l_desc");
    product->product_publish = rs.intForColumn("product_publish");
    product->product_ordering = rs.intForColumn("product_ordering");
    product->product_stock = rs.intForColumn("product_stock");
    product->product_sale = rs.intForColumn("product_sale");
    product->product_buy = rs.intForColumn("product_buy");
    product->product_c_date = rs.dateForColumn("product_c_date");
    product->product_m_date = rs.dateForColumn("product_m_date");
    product->product_tags = rs.stringForColumn("product_tags");
    if (blankPlaceholder)
        blankPlaceholderSku(*product);
    return product;
}

EntityList<corvelle_product_Entity> readProducts(const std::shared_ptr<SQLResultSet>& rs, bool blankPlaceholder)
{
    EntityList<corvelle_product_Entity> products;
    if (!rs)
        return products;
    while (rs->next())
        products.push_back(readProduct(*rs, blankPlaceholder));
    return products;
}

std::shared_ptr<corvelle_library_files_Entity> readLibraryFile(SQLResultSet& rs, bool withNewMark)
{
    auto file = std::make_shared<corvelle_library_files_Entity>();
    file->file_id = rs.intForColumn("id");
    file->title = rs.stringForColumn("title");
    file->file_name = rs.stringForColumn("file_name");
    file->category = rs.intForColumn("category");
    file->type = rs.stringForColumn("type");
    file->date = rs.stringForColumn("date");
    file->description = rs.stringForColumn("description");
    file->ordering = rs.intForColumn("ordering");
    file->published = rs.intForColumn("published");
    file->cover_image = rs.stringForColumn("cover_image");
    file->info = rs.stringForColumn("info");
    if (withNewMark)
        file->isNew = rs.intForColumn("isNew");
    return file;
}

std::optional<std::string> likeText(const std::optional<std::string>& text)
{
    if (!text)
        return std::nullopt;
    std::string escaped;
    escaped.reserve(text->size());
    for (char c : *text) {
        if (c == '%' || c == '_' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

EntityList<corvelle_library_files_Entity> readLibraryFiles(const std::shared_ptr<SQLResultSet>& rs, bool withNewMark)
{
    EntityList<corvelle_library_files_Entity> files;
    if (!rs)
        return files;
    while (rs->next())
        files.push_back(readLibraryFile(*rs, withNewMark));
    return files;
}

std::vector<std::string> columnTexts(const std::shared_ptr<SQLResultSet>& rs, const char* column)
{
    std::vector<std::string> texts;
    if (!rs)
        return texts;
    while (rs->next()) {
        if (auto text = rs->stringForColumn(column))
            texts.push_back(std::move(*text));
    }
    return texts;
}

}  // namespace ModelSupport
