#pragma once

// A device signing in to and synchronising with the fake company server on
// the loopback, through the real session, engine, front door, transport and
// database: a fresh home whose server settings point at the server, account
// "sales1" of client "ACME" with password "secret", a small language table,
// and recorders for the frame's wait box and skin unpacking and for the two
// delegates (the welcome screen's and the synchronisation screen's).

#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/SessionServices.h"
#include "Network/Protocol/SyncModel.h"
#include "support/FakeCompanyServer.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

class RecordingLoginDelegate : public LoginModelDelegate {
public:
    bool implementsLoginSuccess() const override { return true; }
    void loginSuccess() override { events.push_back("success"); }
    bool implementsLoginErroWithMessage() const override { return true; }
    void loginErroWithMessage(const std::string& message) override { events.push_back("error:" + message); }
    bool implementsChangeLoginButState() const override { return true; }
    void changeLoginButState() override { events.push_back("button"); }
    bool has(const std::string& event) const;
    std::vector<std::string> events;
};

class RecordingSyncDelegate : public SyncModelDelegate {
public:
    void breakSync(const std::string& message) override { events.push_back("break:" + message); }
    void downloadimageFinished(int kind) override { events.push_back("nothing:" + std::to_string(kind)); }
    void finishedSync() override { events.push_back("finished"); }
    void setProgressImageTypeRemainTime(float progress, int kind, int seconds) override
    {
        progress_.push_back({ progress, kind, seconds });
    }
    void getCustomerFinished() override { events.push_back("customers"); }
    bool has(const std::string& event) const;
    struct Progress {
        float value;
        int kind;
        int seconds;
    };
    std::vector<std::string> events;
    std::vector<Progress> progress_;
};

class SessionRoad : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Signs in from the form as "sales1" and waits for the outcome.
    bool signIn(const std::string& password = "secret", bool autoLogin = true);
    // Runs a synchronisation and waits until it finishes or breaks.
    bool synchronise();
    // The commands the server saw, in order, without files and the version check.
    std::vector<std::string> commands() const;
    std::string documents(const std::string& relative) const { return home.documents() + "/" + relative; }
    bool exists(const std::string& relative) const;
    void freeSession();

    TemporaryHome home;
    FakeCompanyServer server;
    std::shared_ptr<RecordingLoginDelegate> loginDelegate = std::make_shared<RecordingLoginDelegate>();
    std::shared_ptr<RecordingSyncDelegate> syncDelegate = std::make_shared<RecordingSyncDelegate>();
    std::map<std::string, std::string> language { { "115", "No status" }, { "999", "Network error" },
        { "402", "Refused" }, { "206", "Wrong password" },
        { "FIRSTLOGINNETWORKERRO", "First sign-in needs the network" }, { "USINGOFFLINE", "Working offline" },
        { "NETWORKPOOR", "Network lost" }, { "CONFIGRATIONINFOERROR", "No configuration" } };
    std::vector<std::string> waitBox;
    int skinUnpacked = 0;
    std::vector<std::string> lockedUser;

private:
    ProtocolServices::Services m_savedProtocol;
    SessionServices::Services m_savedSession;
};
