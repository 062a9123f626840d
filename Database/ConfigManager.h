#pragma once

// The server-driven module configuration: which modules (tabs) are shown and
// a few settings, stored through the data-access object, plus the per-account
// show-all-customers choice and the reload flags that synchronisation raises
// and screens clear. One process-wide instance, released at logout.

#include "Database/BaseDataModel.h"
#include "Database/ConfigEntity.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class ConfigManager {
public:
    static std::shared_ptr<ConfigManager> sharedInstance();
    static void freeInstance();
    // Called each time a configuration is made, that is once per sign-in: the
    // interface puts back what it keeps per configuration.
    static void setCreationObserver(std::function<void()> observer);

    // Stores the rows and takes the module switches from the "configuration" row.
    [[nodiscard]] bool syncConfigData(const OptionalEntityList<ConfigEntity>& rows);
    std::shared_ptr<ConfigEntity> queryConfig();
    std::shared_ptr<ConfigEntity> queryDateFormat();
    void deleteConfig();
    // Releases the data-access object, which closes the database.
    void resetUserData();

    // Position 7 (settings) is always shown; 0 to 6 follow the switches.
    bool isOnShow(int position) const;
    std::optional<std::string> leftPanelType();
    int orderMethodType();
    // On for any non-zero "modify_price" value.
    bool couldModifyPrice();
    bool isShowAllCustomer();
    void setIsShowAllCustomer(bool value);

    const std::optional<std::vector<std::string>>& modelDescArray() const { return m_modelDescArray; }
    void setModelDescArray(std::optional<std::vector<std::string>> value) { m_modelDescArray = std::move(value); }
    std::map<std::string, std::string>& flagDic() { return m_flagDic; }
    void setFlagDic(std::map<std::string, std::string> value) { m_flagDic = std::move(value); }

private:
    std::optional<std::vector<std::string>> m_modelDescArray;
    std::map<std::string, std::string> m_flagDic;
};
