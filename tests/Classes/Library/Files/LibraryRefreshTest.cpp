#include "LibraryFixture.h"

#include "Classes/Library/LibraryDetailController.h"
#include "Network/Protocol/SyncModel.h"

#include <gtest/gtest.h>

using LibraryRefresh = LibraryFixture;

TEST_F(LibraryRefresh, ASignInDuringTheRefreshKeepsTheNewSessionThenAsksForTheChanges)
{
    auto session = LoginMode::sharedInstance();
    session->setLoginType(LoginMode::kLoginTypeOffline);
    session->setSessionId(std::string("S-OLD"));
    session->setPassword(std::string("secret"));
    frontDoor->replyTo(0x102, FakeFrontDoor::envelope("200", R"({"sessionId":"S-NEW","clientId":"ACME","vendor":{}})"));
    auto grid = std::make_shared<LibraryDetailController>();
    grid->checkFileStatus();
    drainMainRunLoop();
    ASSERT_EQ(frontDoor->messagesFor(0x102).size(), 1u);
    EXPECT_EQ(session->loginType(), LoginMode::kLoginTypeOnline);
    EXPECT_EQ(session->sessionId(), std::optional<std::string>("S-NEW"));
    ASSERT_EQ(frontDoor->messagesFor(0x203).size(), 1u);
    EXPECT_EQ(frontDoor->messagesFor(0x203)[0].parameters["isFull"].stringValue(), "false");
    EXPECT_TRUE(SyncModel::sharedInstance()->isDownloading());
}

TEST_F(LibraryRefresh, ARenamedFileOnTheDeviceKeepsItsOldNameForTheUpdateUnlessTheNameIsUnsafe)
{
    addFiles({ { 1, "Guide", "guide_v1.pdf" }, { 2, "Escaping", "../../escape.pdf" } });
    putOnDisk("guide_v1.pdf", "PDF");
    manager()->setExistsFiles({ 1, 2 });
    frontDoor->replyTo(0x203, FakeFrontDoor::envelope("200", R"([
        [{"id":"1","title":"Guide","fileName":"guide_v2.pdf","category":"0","type":"PDF","publish":"1"},
         {"id":"2","title":"Escaping","fileName":"safe.pdf","category":"0","type":"PDF","publish":"1"}],
        [],
        {"keyIDS":"1,2"}])"));
    auto grid = std::make_shared<LibraryDetailController>();
    grid->checkFileStatus();
    drainMainRunLoop();
    auto data = DataAccessManager::sharedDataModel();
    auto update = data->getLibFileUpdateByFileID(1);
    ASSERT_TRUE(update);
    EXPECT_EQ(update->oldFileName, std::optional<std::string>("guide_v1.pdf"));
    EXPECT_FALSE(data->getLibFileUpdateByFileID(2));
    EXPECT_EQ(frontDoor->messagesFor(0x205).size(), 1u);
}
