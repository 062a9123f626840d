#include "Database/ConfigManager.h"

#include "Database/DataAccessManager.h"
#include "Database/RecordText.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SessionRecord.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"

namespace {

std::shared_ptr<ConfigManager>& slot()
{
    static std::shared_ptr<ConfigManager> instance;
    return instance;
}

std::string showAllCustomerKey()
{
    const auto session = CurrentSession::record();
    return stringWithFormat(
        "%@_%@_%@", session.acountID.value_or("(null)"), session.clientID.value_or("(null)"), "showAllCustomer");
}

std::function<void()>& creationObserver()
{
    static std::function<void()> observer;
    return observer;
}

std::shared_ptr<ConfigEntity> query(const char* type)
{
    return DataAccessManager::sharedDataModel()->queryConfig(std::string(type));
}

}  // namespace

std::shared_ptr<ConfigManager> ConfigManager::sharedInstance()
{
    if (!slot()) {
        slot() = std::make_shared<ConfigManager>();
        if (auto observer = creationObserver())
            observer();
    }
    return slot();
}

void ConfigManager::freeInstance() { slot().reset(); }

void ConfigManager::setCreationObserver(std::function<void()> observer) { creationObserver() = std::move(observer); }

bool ConfigManager::syncConfigData(const OptionalEntityList<ConfigEntity>& rows)
{
    if (!rows)
        return false;
    const bool saved = DataAccessManager::sharedDataModel()->syncConfigData(rows);
    auto configuration = queryConfig();
    if (configuration && configuration->desc)
        m_modelDescArray = NSString::componentsSeparatedByString(*configuration->desc, ",");
    else
        m_modelDescArray.reset();
    return saved;
}

std::shared_ptr<ConfigEntity> ConfigManager::queryConfig() { return query("configuration"); }

std::shared_ptr<ConfigEntity> ConfigManager::queryDateFormat() { return query("date_format"); }

void ConfigManager::deleteConfig() { DataAccessManager::sharedDataModel()->deleteConfig(); }

void ConfigManager::resetUserData()
{
    DataAccessManager::releaseDataModel();
    if (auto db = SQLDatabase::sharedDataBase())
        db->close();
}

bool ConfigManager::isOnShow(int position) const
{
    if (position == 7)
        return true;
    if (!m_modelDescArray || position < 0 || static_cast<size_t>(position) >= m_modelDescArray->size())
        return false;
    return NSString::boolValue((*m_modelDescArray)[static_cast<size_t>(position)]);
}

std::optional<std::string> ConfigManager::leftPanelType()
{
    auto row = query("left_panel");
    return row ? row->desc : std::nullopt;
}

int ConfigManager::orderMethodType()
{
    auto row = query("order_method");
    if (!row || !row->desc)
        return 2;
    return NSString::intValue(*row->desc);
}

bool ConfigManager::couldModifyPrice()
{
    auto row = query("modify_price");
    if (!row || RecordText::isBlank(row->desc))
        return false;
    return NSString::longLongValue(*row->desc) != 0;
}

bool ConfigManager::isShowAllCustomer()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    const std::string key = showAllCustomerKey();
    if (defaults->objectForKey(key).isNull())
        return true;
    return defaults->boolForKey(key);
}

void ConfigManager::setIsShowAllCustomer(bool value)
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setBoolForKey(value, showAllCustomerKey());
    defaults->synchronize();
}
