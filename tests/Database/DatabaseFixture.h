#pragma once

// A fresh application home with the built bundle, a signed-in session for the
// client "Acme" (account "sales01") and a captured log, for every test.

#include "Classes/Frame/SharedUDID.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIPasteboard.h"

#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

class DatabaseFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        temporaryHome.emplace();
        home = temporaryHome->path();
        UIPasteboard::setSharedFolder(home + "/Pasteboards");
        SharedUDID::forgetCachedValue();
        NSLogSetCapture([this](const std::string& line) { logLines.push_back(line); });
        LoginMode::freeInstance();
        signIn("Acme", "sales01");
    }

    void TearDown() override
    {
        DataAccessManager::releaseDataModel();
        ConfigManager::freeInstance();
        LoginMode::freeInstance();
        NSLogSetCapture(nullptr);
        Clock::setSource(nullptr);
        temporaryHome.reset();
    }

    void signIn(const std::string& client, const std::string& account)
    {
        DataAccessManager::releaseDataModel();
        auto session = LoginMode::sharedInstance();
        session->setClientID(client);
        session->setAcountID(account);
    }

    std::shared_ptr<DataAccessManager> dam() { return DataAccessManager::sharedDataModel(); }
    std::shared_ptr<SQLDatabase> db() { return SQLDatabase::sharedDataBase(); }

    bool logged(const std::string& fragment) const
    {
        for (const auto& line : logLines) {
            if (line.find(fragment) != std::string::npos)
                return true;
        }
        return false;
    }

    // Runs a statement on the open client database and answers the first column of its first row as text.
    std::string scalar(const std::string& sql)
    {
        dam();
        return db()->stringForQuery(sql).value_or("<null>");
    }

    std::optional<TemporaryHome> temporaryHome;
    std::string home;
    std::vector<std::string> logLines;
};
