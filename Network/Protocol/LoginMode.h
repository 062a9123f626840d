#pragma once

// The session: who is signed in, to which client, and how (online, offline or
// demo). Every part of the system asks it for the account, client, device and
// session ids; the data layer opens the client's database by its client id.
//
// It sends the sign-in and the session commands and reads their replies: a
// successful sign-in stores the account and the saved sign-in list, runs the
// per-client upgrade when the application version changed, fetches the module
// configuration and, when needed, the skin archive, and then tells its
// delegate (the welcome screen). A network error falls back to the stored
// account (offline); the demo sign-in sends nothing. It follows reachability:
// losing the network makes it offline, getting it back signs in again silently.

#include "Database/LoginInfo.h"
#include "Network/Protocol/RequestInterfaceBase.h"
#include "Platform/Foundation/MainThreadCheck.h"
#include "Platform/UIKit/UIAlertView.h"

#include <memory>
#include <optional>
#include <string>

class LoginModelDelegate {
public:
    virtual ~LoginModelDelegate() = default;
    // Optional members: the session sends each only when the delegate says it implements it.
    virtual bool implementsLoginSuccess() const { return false; }
    virtual void loginSuccess() { }
    virtual bool implementsLoginErroWithMessage() const { return false; }
    virtual void loginErroWithMessage(const std::string& message) { }
    virtual bool implementsChangeLoginButState() const { return false; }
    virtual void changeLoginButState() { }
};

class LoginRst;
class NetBaseRst;

class LoginMode : public NetworkRecDelegate,
                  public UIAlertViewDelegate,
                  public std::enable_shared_from_this<LoginMode> {
public:
    // Login types.
    static constexpr int kLoginTypeNone = -1;
    static constexpr int kLoginTypeOnline = 1;
    static constexpr int kLoginTypeOffline = 2;
    static constexpr int kLoginTypeDemo = 3;

    // The one session, made on first use under a lock; freeInstance drops it
    // (logout) and the next sharedInstance starts a fresh one with type -1.
    static std::shared_ptr<LoginMode> sharedInstance();
    static void freeInstance();

    std::weak_ptr<LoginModelDelegate> delegate() const { return m_delegate; }
    void setDelegate(std::weak_ptr<LoginModelDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::optional<std::string>& acountID() const { return m_acountID; }
    void setAcountID(std::optional<std::string> v) { m_acountID = std::move(v); }
    const std::optional<std::string>& password() const { return m_password; }
    void setPassword(std::optional<std::string> v) { m_password = std::move(v); }
    // The session is the main thread's: a worker is handed the client id it needs.
    const std::optional<std::string>& clientID() const
    {
        FOUNDATION_CHECK_MAIN_THREAD();
        return m_clientID;
    }
    void setClientID(std::optional<std::string> v)
    {
        FOUNDATION_CHECK_MAIN_THREAD();
        m_clientID = std::move(v);
    }
    const std::optional<std::string>& deviceID() const { return m_deviceID; }
    void setDeviceID(std::optional<std::string> v) { m_deviceID = std::move(v); }
    const std::optional<std::string>& email() const { return m_email; }
    void setEmail(std::optional<std::string> v) { m_email = std::move(v); }
    const std::optional<std::string>& companyName() const { return m_companyName; }
    void setCompanyName(std::optional<std::string> v) { m_companyName = std::move(v); }
    const std::optional<std::string>& companyLink() const { return m_companyLink; }
    void setCompanyLink(std::optional<std::string> v) { m_companyLink = std::move(v); }
    const std::optional<std::string>& sessionId() const { return m_sessionId; }
    void setSessionId(std::optional<std::string> v) { m_sessionId = std::move(v); }

    int vendorId() const { return m_vendorId; }
    void setVendorId(int v) { m_vendorId = v; }
    int loginType() const { return m_loginType; }
    void setLoginType(int v) { m_loginType = v; }
    bool fromInput() const { return m_fromInput; }
    void setFromInput(bool v) { m_fromInput = v; }
    bool needUpdate() const { return m_needUpdate; }
    void setNeedUpdate(bool v) { m_needUpdate = v; }
    bool needUpdateSkin() const { return m_needUpdateSkin; }
    void setNeedUpdateSkin(bool v) { m_needUpdateSkin = v; }
    bool checkLocalVersion() const { return m_checkLocalVersion; }
    void setCheckLocalVersion(bool v) { m_checkLocalVersion = v; }
    bool isNotWifi() const { return m_isNotWifi; }
    void setIsNotWifi(bool v) { m_isNotWifi = v; }
    int userAccess() const { return m_userAccess; }
    void setUserAccess(int v) { m_userAccess = v; }

    // A new record of the account as the session holds it now (all but the session id).
    std::shared_ptr<LoginInfo> loginInfo() const;

    // The demo clients, also the names of their data folders.
    static constexpr const char* kDemoClientFirst = "dostrevik_";
    static constexpr const char* kDemoClientSecond = "velloran_";
    // The saved sign-in list and its keys.
    static constexpr const char* kLoginInfoArray = "Login_Info_Array";
    static constexpr const char* kInputUserID = "Input_UserID";
    static constexpr const char* kInputPassWord = "Input_PassWord";
    static constexpr const char* kInputClientID = "Input_ClientID";
    static constexpr const char* kInputDeviceID = "Input_DeviceID";
    static constexpr const char* kInputUseShortcut = "INPUT_USESHORTCUT";

    // A client id that may name a folder inside Documents: not blank, not "."
    // or "..", without "/", "\" or NUL. Nothing is made or removed for any other.
    static bool isUsableClientId(const std::optional<std::string>& clientId);
    // "<client id>-<suffix>", the key of a per-client user default.
    static std::string clientKey(const std::optional<std::string>& clientId, const std::string& suffix);
    // Documents/<client id in lower case>, or nothing for an unusable id.
    static std::optional<std::string> clientFolderFor(const std::optional<std::string>& clientId);
    std::optional<std::string> clientFolder() const { return clientFolderFor(m_clientID); }
    // Keeps a file that holds passwords, and its folder, to its owner only.
    static void restrictToOwner(const std::string& path);
    // A saved sign-in's password: the one it holds where it kept one (no
    // keyring answered, or an earlier version saved it), else the keyring's.
    static std::string savedPassword(const Value& entry);
    // What a saved sign-in holds for `password`: nothing where the keyring
    // took it.
    static std::string passwordToSave(
        const std::string& clientId, const std::string& accountId, const std::string& password);

    void loginIsFromInputIsAutoLogin(const std::shared_ptr<LoginInfo>& info, bool fromInput, bool autoLogin);
    void loginWithDemo(const std::string& clientId);
    void checkAppVersion(bool automatic);
    void checkDeviceStatus();
    bool isNeedCheckVersionAlert(int updateKind);
    void getUserinfo();
    void getRuntimeConfig();
    void syncFinishedtype(const std::string& tableType);
    void removeBlockAccount();
    void removeAllSyncFlag();
    void refreshLastLogininfo();
    void versionCompare();
    // Reachability, from the notifications "netconnect" and "netUnconnect".
    void netConnected();
    void netUnconnect();

    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override;
    void ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info) override;
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

    ~LoginMode() override;

private:
    void loginRespond(const std::shared_ptr<LoginRst>& reply);
    bool startClientAfresh();
    void forgetBlockedAccount();
    void loginFailed(const std::shared_ptr<LoginRst>& reply);
    void offlineLogin(const std::optional<std::string>& message);
    void showRequestConfigTittle();
    void requestConfig();
    void configRespond(const std::shared_ptr<NetBaseRst>& reply);
    void skinDownloadRespond(const std::shared_ptr<NetBaseRst>& reply);
    void observeReachability();
    int send(const std::shared_ptr<RequestInterfaceBase>& request);
    void tellError(const std::string& message);
    void tellSuccessAndForget();
    void tellChangeLoginButState();
    std::string text(const std::string& key) const;

    bool m_autoLogin = false;
    std::shared_ptr<UIAlertView> m_alert;

    std::weak_ptr<LoginModelDelegate> m_delegate;
    std::optional<std::string> m_acountID;
    std::optional<std::string> m_password;
    std::optional<std::string> m_clientID;
    std::optional<std::string> m_deviceID;
    std::optional<std::string> m_email;
    std::optional<std::string> m_companyName;
    std::optional<std::string> m_companyLink;
    std::optional<std::string> m_sessionId;
    int m_vendorId = 0;
    int m_loginType = kLoginTypeNone;
    bool m_fromInput = false;
    bool m_needUpdate = false;
    bool m_needUpdateSkin = false;
    bool m_checkLocalVersion = false;
    bool m_isNotWifi = false;
    int m_userAccess = 0;
};
