#include "Database/LoginUserModel.h"

#include "Database/Formats.h"
#include "Database/ModelSupport.h"
#include "Database/RecordText.h"
#include "Database/SavedPasswords.h"
#include "Platform/Foundation/NSString.h"

#include <array>
#include <vector>

using namespace ModelSupport;

namespace {

constexpr const char* kCreateTable = "create table if not exists corvelle_login_user(indexId INTEGER PRIMARY KEY "
                                     "AUTOINCREMENT NOT NULL,useName VARCHAR(20) NOT NULL UNIQUE,"
                                     "password VARCHAR(64) NOT NULL,clientId VARCHAR(20) NOT NULL,deviceId VARCHAR(20) "
                                     "NOT NULL,lastLoginTime VARCHAR(15))";

std::string lower(const std::optional<std::string>& text)
{
    return NSString::lowercaseString(text.value_or(std::string()));
}

// The account, client and stored password of each row a query gives, read
// whole and the query closed before any of those rows is changed.
std::vector<std::array<std::string, 3>> storedPasswords(const std::shared_ptr<SQLResultSet>& rs)
{
    std::vector<std::array<std::string, 3>> rows;
    while (rs && rs->next())
        rows.push_back({ rs->stringForColumn("useName").value_or(""), rs->stringForColumn("clientId").value_or(""),
            rs->stringForColumn("password").value_or("") });
    if (rs)
        rs->close();
    return rows;
}

}  // namespace

bool LoginUserModel::updateVersion()
{
    BaseDataModel::updateVersion();
    createLoginUserTable();
    alterLoginUserTable();
    return true;
}

bool LoginUserModel::createLoginUserTable()
{
    auto db = database();
    return db && db->goodConnection() && db->executeUpdate(kCreateTable);
}

bool LoginUserModel::alterLoginUserTable()
{
    auto db = database();
    if (!db || !db->goodConnection())
        return false;
    const bool email = db->executeUpdate("ALTER TABLE corvelle_login_user ADD email VARCHAR(20);");
    const bool name = db->executeUpdate("ALTER TABLE corvelle_login_user ADD companyName VARCHAR(20);");
    const bool link = db->executeUpdate("ALTER TABLE corvelle_login_user ADD companyLink VARCHAR(50)");
    return email && name && link;
}

std::shared_ptr<LoginInfo> LoginUserModel::getUserInfo(const std::optional<std::string>& userId)
{
    if (RecordText::isBlank(userId))
        return nullptr;
    auto db = database();
    if (!db || !db->goodConnection())
        return nullptr;
    auto rs
        = db->executeQuery("select * from corvelle_login_user \nwhere lower(useName) = ? limit 0,1;", lower(userId));
    if (!rs || !rs->next())
        return nullptr;
    auto info = std::make_shared<LoginInfo>();
    info->accountId = rs->stringForColumn("useName");
    info->passWord = rs->stringForColumn("password");
    info->clientId = rs->stringForColumn("clientId");
    if (info->passWord == SavedPasswords::kInKeyring)
        info->passWord = SavedPasswords::find(
            SavedPasswords::Use::OfflineSignIn, info->clientId.value_or(""), info->accountId.value_or(""))
                             .value_or(std::string());
    info->deviceId = rs->stringForColumn("deviceId");
    info->email = rs->stringForColumn("email");
    info->companyName = rs->stringForColumn("companyName");
    info->companyLink = rs->stringForColumn("companyLink");
    rs->close();
    return info;
}

bool LoginUserModel::saveUserInfo(const std::shared_ptr<LoginInfo>& info)
{
    auto db = database();
    if (!info || !db)
        return false;
    // The keyring is asked before the database is touched: no statement waits on it.
    std::optional<std::string> stored = info->passWord;
    if (!RecordText::isBlank(info->passWord)
        && SavedPasswords::keep(SavedPasswords::Use::OfflineSignIn, info->clientId.value_or(""),
            info->accountId.value_or(""), *info->passWord))
        stored = SavedPasswords::kInKeyring;
    return db->executeUpdate(
        "INSERT OR REPLACE INTO "
        "corvelle_login_user(useName,password,clientId,deviceId,email,companyName,companyLink,lastLoginTime) "
        "VALUES(?,?,?,?,?,?,?,?);",
        info->accountId, stored, info->clientId, info->deviceId, info->email, info->companyName, info->companyLink,
        Formats::currentTime());
}

std::optional<std::string> LoginUserModel::checkLocalUserInfo(const std::shared_ptr<LoginInfo>& info)
{
    if (!checkClientId(info))
        return "210";
    if (!checkDeviceId(info))
        return "201";
    if (!checkUserName(info))
        return "202";
    if (!checkPassword(info))
        return "206";
    return "200";
}

bool LoginUserModel::checkClientId(const std::shared_ptr<LoginInfo>& info)
{
    auto db = database();
    if (!info || RecordText::isBlank(info->clientId) || !db || !db->goodConnection())
        return false;
    return hasRow(*db, "select * from corvelle_login_user \nwhere  lower(clientId) = ? ", lower(info->clientId));
}

bool LoginUserModel::checkDeviceId(const std::shared_ptr<LoginInfo>& info)
{
    auto db = database();
    if (!info || RecordText::isBlank(info->clientId) || RecordText::isBlank(info->deviceId) || !db
        || !db->goodConnection())
        return false;
    return hasRow(*db, "select * from corvelle_login_user \nwhere lower(clientId) = ? and deviceId = ? ",
        lower(info->clientId), info->deviceId);
}

bool LoginUserModel::checkUserName(const std::shared_ptr<LoginInfo>& info)
{
    auto db = database();
    if (!info || RecordText::isBlank(info->clientId) || RecordText::isBlank(info->deviceId)
        || RecordText::isBlank(info->accountId) || !db || !db->goodConnection())
        return false;
    return hasRow(*db,
        "select * from corvelle_login_user \nwhere lower(clientId) = ? and deviceId = ? and lower(useName) = ? ",
        lower(info->clientId), info->deviceId, lower(info->accountId));
}

bool LoginUserModel::checkPassword(const std::shared_ptr<LoginInfo>& info)
{
    auto db = database();
    if (!info || RecordText::isBlank(info->clientId) || RecordText::isBlank(info->deviceId)
        || RecordText::isBlank(info->accountId) || RecordText::isBlank(info->passWord) || !db || !db->goodConnection())
        return false;
    const auto rows = storedPasswords(
        db->executeQuery("select useName, clientId, password from corvelle_login_user \nwhere lower(clientId) = "
                         "? and deviceId = ? and useName = ?",
            lower(info->clientId), info->deviceId, info->accountId));
    for (const auto& [account, client, stored] : rows) {
        if (stored == SavedPasswords::kInKeyring) {
            if (SavedPasswords::find(SavedPasswords::Use::OfflineSignIn, client, account) == info->passWord)
                return true;
        } else if (stored == *info->passWord) {
            // Kept in clear by an earlier version, or while no keyring answered: moved there now.
            if (SavedPasswords::keep(SavedPasswords::Use::OfflineSignIn, client, account, stored))
                db->executeUpdate("UPDATE corvelle_login_user SET password = ? WHERE useName = ? AND password = ?",
                    std::string(SavedPasswords::kInKeyring), account, stored);
            return true;
        }
    }
    return false;
}

bool LoginUserModel::forgetRefusedPassword(const std::shared_ptr<LoginInfo>& info)
{
    auto db = database();
    if (!info || RecordText::isBlank(info->clientId) || RecordText::isBlank(info->accountId)
        || RecordText::isBlank(info->passWord) || !db || !db->goodConnection())
        return false;
    const auto rows = storedPasswords(db->executeQuery(
        "select useName, clientId, password from corvelle_login_user WHERE lower(clientId) = ? AND lower(useName) = ?",
        lower(info->clientId), lower(info->accountId)));
    bool ok = true;
    for (const auto& [account, client, stored] : rows) {
        const bool inKeyring = stored == SavedPasswords::kInKeyring;
        const auto password = inKeyring ? SavedPasswords::find(SavedPasswords::Use::OfflineSignIn, client, account)
                                        : std::optional<std::string>(stored);
        if (password != info->passWord)
            continue;
        ok = db->executeUpdate(
                 "UPDATE corvelle_login_user SET password = '' WHERE useName = ? AND password = ?", account, stored)
            && ok;
        if (inKeyring)
            SavedPasswords::forget(SavedPasswords::Use::OfflineSignIn, client, account);
    }
    return ok;
}
