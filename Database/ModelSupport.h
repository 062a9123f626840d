#pragma once

// What the table models share: reading records from rows, the placeholder
// SKU rule, and the one shape of every batch save.

#include "Database/BaseDataModel.h"
#include "Database/RecordRows.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Database/corvelle_product_Entity.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace ModelSupport {

// A stored SKU equal to "<client id>_<product id>" stands for no SKU.
bool isPlaceholderSku(const std::optional<std::string>& sku, int productId);
void blankPlaceholderSku(corvelle_product_Entity& product);

std::shared_ptr<corvelle_product_Entity> readProduct(SQLResultSet& rs, bool blankPlaceholder = true);
EntityList<corvelle_product_Entity> readProducts(const std::shared_ptr<SQLResultSet>& rs, bool blankPlaceholder = true);
std::shared_ptr<corvelle_library_files_Entity> readLibraryFile(SQLResultSet& rs, bool withNewMark = true);
EntityList<corvelle_library_files_Entity> readLibraryFiles(
    const std::shared_ptr<SQLResultSet>& rs, bool withNewMark = true);
// The column's texts of every row; null ones left out.
std::vector<std::string> columnTexts(const std::shared_ptr<SQLResultSet>& rs, const char* column);

// Typed search text for "like '%' || ? || '%' escape '\'": a "%" or "_" the
// salesperson types is a character to find, not a wildcard.
std::optional<std::string> likeText(const std::optional<std::string>& text);

// Runs one statement and answers whether a row came back.
template <typename... Args> bool hasRow(SQLDatabase& db, std::string_view sql, const Args&... args)
{
    auto rs = db.executeQuery(sql, args...);
    if (!rs)
        return false;
    const bool found = rs->next();
    rs->close();
    return found;
}

// The batch save: nothing for an absent list; otherwise one all-or-nothing
// batch over the records in order (SQLDatabase::inBatch). `write` answers
// whether every statement of its record succeeded; the first failure ends the
// batch, which then leaves the tables as they were and answers false.
template <typename T, typename Write>
[[nodiscard]] bool saveInTransaction(const OptionalEntityList<T>& records, Write write)
{
    static_assert(std::is_same_v<std::invoke_result_t<Write, SQLDatabase&, const T&>, bool>,
        "a record's write answers its success");
    if (!records)
        return false;
    auto db = SQLDatabase::sharedDataBase();
    if (!db)
        return false;
    return db->inBatch([&](SQLDatabase& connection) {
        for (const auto& record : *records) {
            if (record && !write(connection, *record))
                return false;
        }
        return true;
    });
}

// Saves a product marked on a list of its own (a favourite, a comparison):
// the product's id, SKU and name.
template <typename Mark>
[[nodiscard]] bool saveProductMark(
    SQLDatabase& db, int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name)
{
    Mark mark;
    mark.product_id = productId;
    mark.product_sku = sku;
    mark.product_name = name;
    return RecordColumns::saveRow(db, mark);
}

}  // namespace ModelSupport
