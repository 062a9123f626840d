#include "Database/BaseDataModel.h"

#include "Database/SQLiteLayer/SQLDatabase.h"

std::shared_ptr<SQLDatabase> BaseDataModel::database() { return SQLDatabase::sharedDataBase(); }
