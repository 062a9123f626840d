#include "Database/ModelSupport.h"

#include "Database/SessionRecord.h"
#include "Platform/Foundation/Format.h"

namespace ModelSupport {

bool isPlaceholderSku(const std::optional<std::string>& sku, int productId)
{
    if (!sku)
        return false;
    const auto clientID = CurrentSession::record().clientID;
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
    RecordColumns::readRow(rs, *product);
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
    RecordColumns::readRow(rs, *file);
    // Lists that show no new mark read every file as seen.
    if (!withNewMark)
        file->isNew = 0;
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
