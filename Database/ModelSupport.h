#pragma once

// What the table models share: reading records from rows, the placeholder
// SKU rule, and the one shape of every batch save.

#include "Database/BaseDataModel.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SQLiteLayer/SQLResultSet.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Database/corvelle_product_Entity.h"

#include <memory>
#include <string>

namespace ModelSupport {

// A stored SKU equal to "<client id>_<product id>" stands for no SKU.
bool isPlaceholderSku(const std::optional<std::string>& sku, int productId);
void blankPlaceholderSku(corvelle_product_Entity& product);

std::shared_ptr<corvelle_product_Entity> readProduct(SQLResultSet& rs, bool blankPlaceholder = true);
EntityList<corvelle_product_Entity> readProducts(const std::shared_ptr<SQLResultSet>& rs, bool blankPlaceholder = true);
std::shared_ptr<corvelle_library_files_Entity> readLibraryFile(SQLResultSet& rs, bool withNewMark = true);

// Runs one statement and answers whether a row came back.
template<typename... Args>
bool hasRow(SQLDatabase& db, std::string_view sql, const Args&... args)
{
    auto rs = db.executeQuery(sql, args...);
    if (!rs)
        return false;
    const bool found = rs->next();
    rs->close();
    return found;
}

// The batch save: nothing for an absent list; otherwise one transaction over
// the records in order. A row that fails is logged and skipped; the commit
// decides the answer.
template<typename T, typename Write>
bool saveInTransaction(const OptionalEntityList<T>& records, Write write)
{
    if (!records)
        return false;
    auto db = SQLDatabase::sharedDataBase();
    if (!db)
        return false;
    db->beginTransaction();
    for (const auto& record : *records) {
        if (record)
            write(*db, *record);
    }
    return db->commit();
}

}  // namespace ModelSupport
