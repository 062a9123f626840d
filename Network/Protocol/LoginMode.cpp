#include "Network/Protocol/LoginMode.h"

#include "Database/ClientFiles.h"
#include "Database/ClientFolder.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Database/RecordText.h"
#include "Database/SavedPasswords.h"
#include "Database/SessionRecord.h"
#include "Database/UnsentWork.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/RequestDownload.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SessionServices.h"
#include "Network/Protocol/SyncCommands.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/Foundation/PerformRequests.h"

#include <cstdio>
#include <mutex>
#include <sys/stat.h>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<LoginMode>& slot()
{
    static std::shared_ptr<LoginMode> instance;
    return instance;
}

constexpr int kAlertStayOffline = 256;
constexpr double kWaitTimeout = 300;
constexpr double kConfigDelay = 1.5;

bool isBlank(const std::optional<std::string>& text) { return RecordText::isBlank(text); }

std::optional<std::vector<std::string>> splitDesc(const std::optional<std::string>& desc)
{
    if (!desc)
        return std::nullopt;
    return NSString::componentsSeparatedByString(*desc, ",");
}

std::string lower(const std::optional<std::string>& text)
{
    return NSString::lowercaseString(text.value_or(std::string()));
}

std::string documentsFolder() { return ClientFiles::applicationDocumentsPathURL(); }

}  // namespace

std::shared_ptr<LoginMode> LoginMode::sharedInstance()
{
    FOUNDATION_CHECK_MAIN_THREAD();
    std::lock_guard<std::mutex> guard(classLock());
    if (!slot()) {
        slot() = std::make_shared<LoginMode>();
        slot()->observeReachability();
        // The data layer reads who is signed in from here, and finds nobody
        // once the session is freed.
        CurrentSession::setSource([] {
            std::lock_guard<std::mutex> lock(classLock());
            const auto& session = slot();
            return session ? SessionRecord { session->clientID(), session->acountID(), session->vendorId() }
                           : SessionRecord();
        });
    }
    return slot();
}

void LoginMode::freeInstance()
{
    FOUNDATION_CHECK_MAIN_THREAD();
    std::shared_ptr<LoginMode> ending;
    {
        std::lock_guard<std::mutex> guard(classLock());
        ending = std::move(slot());
        slot().reset();
    }
}

LoginMode::~LoginMode()
{
    NSNotificationCenter::defaultCenter().removeObserver(this);
    PerformRequests::cancelPreviousPerformRequests(this);
}

void LoginMode::observeReachability()
{
    std::weak_ptr<LoginMode> weak = weak_from_this();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "netconnect", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->netConnected();
    });
    center.addObserver(this, "netUnconnect", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->netUnconnect();
    });
}

std::shared_ptr<LoginInfo> LoginMode::loginInfo() const
{
    auto info = std::make_shared<LoginInfo>();
    info->accountId = m_acountID;
    info->passWord = m_password;
    info->clientId = m_clientID;
    info->deviceId = m_deviceID;
    info->email = m_email;
    info->companyName = m_companyName;
    info->companyLink = m_companyLink;
    info->userAccess = m_userAccess;
    return info;
}

bool LoginMode::isUsableClientId(const std::optional<std::string>& clientId)
{
    return clientId && ClientFolder::isValidClientID(*clientId);
}

std::string LoginMode::clientKey(const std::optional<std::string>& clientId, const std::string& suffix)
{
    return clientId.value_or(std::string()) + "-" + suffix;
}

std::optional<std::string> LoginMode::clientFolderFor(const std::optional<std::string>& clientId)
{
    if (!isUsableClientId(clientId))
        return std::nullopt;
    return NSString::stringByAppendingPathComponent(documentsFolder(), lower(clientId));
}

void LoginMode::restrictToOwner(const std::string& path)
{
    // The folder too: a file written again later (atomically, under a new
    // name) would come back with the default mode.
    ::chmod(path.c_str(), S_IRUSR | S_IWUSR);
    ::chmod(NSString::stringByDeletingLastPathComponent(path).c_str(), S_IRWXU);
}

std::string LoginMode::savedPassword(const Value& entry)
{
    const Value& password = entry[kInputPassWord];
    if (password.isString() && !password.stringValue().empty())
        return password.stringValue();
    const Value& client = entry[kInputClientID];
    const Value& account = entry[kInputUserID];
    if (!client.isString() || !account.isString())
        return {};
    return SavedPasswords::find(SavedPasswords::Use::Shortcut, client.stringValue(), account.stringValue())
        .value_or(std::string());
}

std::string LoginMode::passwordToSave(
    const std::string& clientId, const std::string& accountId, const std::string& password)
{
    if (password.empty() || !SavedPasswords::keep(SavedPasswords::Use::Shortcut, clientId, accountId, password))
        return password;
    return {};
}

std::string LoginMode::text(const std::string& key) const
{
    return ProtocolServices::languageText(key).value_or(std::string());
}

int LoginMode::send(const std::shared_ptr<RequestInterfaceBase>& request)
{
    request->setReceiveDelegete(shared_from_this());
    return NetworkModel::sharedInstance()->sendRequest(request);
}

void LoginMode::tellError(const std::string& message)
{
    if (auto delegate = m_delegate.lock(); delegate && delegate->implementsLoginErroWithMessage())
        delegate->loginErroWithMessage(message);
}

void LoginMode::tellChangeLoginButState()
{
    if (auto delegate = m_delegate.lock(); delegate && delegate->implementsChangeLoginButState())
        delegate->changeLoginButState();
}

void LoginMode::tellSuccessAndForget()
{
    auto delegate = m_delegate.lock();
    m_delegate.reset();
    if (delegate)
        delegate->loginSuccess();
}

// ---- Sending ----

void LoginMode::loginIsFromInputIsAutoLogin(const std::shared_ptr<LoginInfo>& info, bool fromInput, bool autoLogin)
{
    if (!info)
        return;
    m_acountID = info->accountId;
    m_clientID = info->clientId;
    m_password = info->passWord;
    m_deviceID = info->deviceId;
    m_fromInput = fromInput;
    m_autoLogin = autoLogin;
    auto request = std::make_shared<RequestLogin>();
    request->userName = m_acountID;
    request->passWord = m_password;
    request->clientID = m_clientID;
    request->deviceID = m_deviceID;
    send(request);
}

void LoginMode::loginWithDemo(const std::string& clientId)
{
    m_clientID = clientId;
    m_password = clientId;
    m_deviceID = clientId;
    m_acountID = std::string("DEMO");
    m_companyName = std::string("Demo Company");
    DataAccessManager::releaseDataModel();
    auto config = ConfigManager::sharedInstance();
    auto row = config->queryConfig();
    config->setModelDescArray(splitDesc(row ? row->desc : std::nullopt));
    auto delegate = m_delegate.lock();
    if (delegate && delegate->implementsLoginSuccess()) {
        m_loginType = kLoginTypeDemo;
        tellSuccessAndForget();
    }
}

void LoginMode::checkAppVersion(bool automatic)
{
    m_checkLocalVersion = automatic;
    send(std::make_shared<RequestCheckVersion>());
}

void LoginMode::checkDeviceStatus()
{
    if (m_loginType != kLoginTypeOnline)
        return;
    auto request = std::make_shared<RequestCheckDeviceStatus>();
    request->userName = m_acountID;
    request->clientID = m_clientID;
    request->deviceID = m_deviceID;
    send(request);
    checkAppVersion(true);
}

bool LoginMode::isNeedCheckVersionAlert(int updateKind)
{
    if (!m_checkLocalVersion)
        return true;
    std::string key;
    if (updateKind == 0)
        return false;
    if (updateKind == 1)
        key = "UpdateVersionSign";
    else if (updateKind == 2)
        key = "UpdateVersionSuggest";
    else
        return true;
    auto defaults = NSUserDefaults::standardUserDefaults();
    Value stored = defaults->objectForKey(key);
    if (!stored.isDate())
        return true;
    if (NSDate::timeIntervalSinceDate(NSDate::date(), stored.dateValue()) > 604800) {
        defaults->removeObjectForKey(key);
        return true;
    }
    return false;
}

void LoginMode::getUserinfo()
{
    if (m_loginType != kLoginTypeOnline)
        return;
    auto request = std::make_shared<RequestGetUserinfo>();
    request->userName = m_acountID;
    request->clientID = m_clientID;
    send(request);
}

void LoginMode::getRuntimeConfig()
{
    if (m_loginType != kLoginTypeOnline)
        return;
    auto request = std::make_shared<RequestRuntimeConfig>();
    request->clientId = m_clientID;
    send(request);
}

void LoginMode::syncFinishedtype(const std::string& tableType)
{
    auto request = std::make_shared<RequestSyncDataFinish>();
    request->tableType = tableType;
    NSLog("the request is %d", send(request));
}

// ---- Saved sign-ins and per-client state ----

void LoginMode::refreshLastLogininfo()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    const ValueArray saved = defaults->arrayForKey(kLoginInfoArray).arrayValue();
    std::vector<Value> kept;
    std::optional<Value> current;
    for (const Value& entry : saved) {
        Value copy = entry;
        const Value& client = entry[kInputClientID];
        const Value& account = entry[kInputUserID];
        // A password an earlier version kept here moves to the keyring.
        if (client.isString() && account.isString() && entry[kInputPassWord].isString())
            copy.set(kInputPassWord,
                Value(
                    passwordToSave(client.stringValue(), account.stringValue(), entry[kInputPassWord].stringValue())));
        bool sameClient = client.isString() && m_clientID && client.stringValue() == *m_clientID;
        bool sameAccount = account.isString() && m_acountID && account.stringValue() == *m_acountID;
        if (sameClient && sameAccount && !current) {
            if (m_autoLogin)
                copy.set(kInputUseShortcut, Value("YES"));
            current = std::move(copy);
            continue;
        }
        if (sameClient && !sameAccount && m_autoLogin)
            copy.set(kInputUseShortcut, Value("NO"));
        kept.push_back(std::move(copy));
    }
    if (!current && !isBlank(m_clientID)) {
        Value entry = Value::dictionary({ { kInputUserID, Value(m_acountID.value_or(std::string())) },
            { kInputPassWord,
                Value(passwordToSave(m_clientID.value_or(std::string()), m_acountID.value_or(std::string()),
                    m_password.value_or(std::string()))) },
            { kInputClientID, Value(m_clientID.value_or(std::string())) },
            { kInputDeviceID, Value(m_deviceID.value_or(std::string())) } });
        if (m_autoLogin)
            entry.set(kInputUseShortcut, Value("YES"));
        current = std::move(entry);
    }
    if (current)
        kept.insert(kept.begin(), std::move(*current));
    defaults->setObjectForKey(Value(ValueArray(std::move(kept))), kLoginInfoArray);
    defaults->synchronize();
    restrictToOwner(defaults->filePath());
}

void LoginMode::removeBlockAccount()
{
    if (auto folder = clientFolder()) {
        if (NSFileManager::defaultManager().fileExistsAtPath(*folder))
            NSFileManager::defaultManager().removeItemAtPath(*folder);
    }
    forgetBlockedAccount();
}

// The account's saved sign-in and the client's synchronisation flags.
void LoginMode::forgetBlockedAccount()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    std::vector<Value> list = defaults->arrayForKey(kLoginInfoArray).arrayValue().items();
    for (auto it = list.begin(); it != list.end(); ++it) {
        const Value& account = (*it)[kInputUserID];
        const Value& client = (*it)[kInputClientID];
        std::optional<std::string> accountText
            = account.isString() ? std::optional(account.stringValue()) : std::nullopt;
        if (!isBlank(accountText) && m_acountID && *accountText == *m_acountID && client.isString() && m_clientID
            && client.stringValue() == *m_clientID) {
            list.erase(it);
            break;
        }
    }
    defaults->setObjectForKey(Value(ValueArray(std::move(list))), kLoginInfoArray);
    defaults->synchronize();
    removeAllSyncFlag();
}

// Starts the client's data afresh as the server asked, except the work done
// on the device and not sent yet (orders, customers), which nothing could
// fetch again: it is carried into the fresh database, which takes the old
// one's place in one rename. When it cannot be carried, nothing is removed
// and the answer is false.
bool LoginMode::startClientAfresh()
{
    auto folder = clientFolder();
    const std::string database = DataAccessManager::dataFilePath();
    if (!folder || database.empty()) {
        removeBlockAccount();
        return true;
    }
    switch (UnsentWork::inDatabase(database)) {
    case UnsentWork::Found::None:
        removeBlockAccount();
        return true;
    case UnsentWork::Found::Unreadable:
        NSLog("The database %@ cannot be read: it is kept rather than started afresh", database);
        return false;
    case UnsentWork::Found::Some:
        break;
    }
    auto& fm = NSFileManager::defaultManager();
    const std::string fresh = database + ".fresh";
    auto templatePath = DataAccessManager::templatePath();
    if (!templatePath || !UnsentWork::copyIntoFresh(database, *templatePath, fresh))
        return false;
    // Left by the old database's last connection, they would be taken for the fresh one's.
    for (const char* side : { "-journal", "-wal", "-shm" }) {
        if (fm.fileExistsAtPath(database + side))
            fm.removeItemAtPath(database + side);
    }
    if (::rename(fresh.c_str(), database.c_str()) != 0) {
        NSLog("The fresh database could not replace %@", database);
        fm.removeItemAtPath(fresh);
        return false;
    }
    const std::string databaseName = NSString::lastPathComponent(database);
    for (const std::string& name : fm.contentsOfDirectoryAtPath(*folder).value_or(std::vector<std::string>())) {
        if (name != databaseName)
            fm.removeItemAtPath(NSString::stringByAppendingPathComponent(*folder, name));
    }
    forgetBlockedAccount();
    return true;
}

void LoginMode::removeAllSyncFlag()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    for (const char* suffix : { "FileSynced", "ProductSynced", "CustomerSynced", "IconSynced" })
        defaults->removeObjectForKey(clientKey(m_clientID, suffix));
    defaults->synchronize();
}

void LoginMode::versionCompare()
{
    if (!m_clientID || m_clientID->empty())
        return;
    std::string current = ProtocolServices::currentVersion();
    auto defaults = NSUserDefaults::standardUserDefaults();
    std::string key = clientKey(m_clientID, "App_version");
    auto stored = defaults->stringForKey(key);
    if (!isBlank(stored) && *stored == current)
        return;
    if (auto folder = clientFolder()) {
        std::string skin = NSString::stringByAppendingPathComponent(*folder, "SkinImages");
        if (NSFileManager::defaultManager().fileExistsAtPath(skin))
            NSFileManager::defaultManager().removeItemAtPath(skin);
    }
    DataAccessManager::sharedDataModel()->updateVersion();
    SyncModel::sharedInstance()->createAllDirectorys();
    defaults->setObjectForKey(Value(current), key);
    defaults->synchronize();
}

// ---- Reachability ----

void LoginMode::netConnected()
{
    if (SessionServices::welcomeScreenIsRoot() || m_loginType == kLoginTypeDemo || m_loginType == kLoginTypeNone)
        return;
    auto request = std::make_shared<RequestLogin>();
    request->userName = m_acountID;
    request->passWord = m_password;
    request->clientID = m_clientID;
    request->deviceID = m_deviceID;
    send(request);
}

void LoginMode::netUnconnect()
{
    if (m_loginType != kLoginTypeDemo)
        m_loginType = kLoginTypeOffline;
}

// ---- Replies ----

void LoginMode::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply)
{
    if (!reply)
        return;
    auto self = shared_from_this();
    switch (reply->cmdCode) {
    case 258:
        if (auto login = std::dynamic_pointer_cast<LoginRst>(reply)) {
            if (login->status == std::optional<std::string>("200"))
                loginRespond(login);
            else
                loginFailed(login);
        }
        break;
    case 260:
        configRespond(reply);
        break;
    case 261:
        if (auto config = std::dynamic_pointer_cast<ConfigRst>(reply); config && isSuccess(*config)) {
            OptionalEntityList<ConfigEntity> rows = config->configTable;
            if (!ConfigManager::sharedInstance()->syncConfigData(rows))
                NSLog("storing the configuration failed");
        } else {
            NSLog("get runtime config error!");
        }
        break;
    case 262:
        ProtocolServices::logoutWithLockedUser(reply->status.value_or(std::string()), reply->message);
        break;
    case 263:
        if (auto version = std::dynamic_pointer_cast<CheckAppVersionRst>(reply))
            SessionServices::checkAppVersionReturn(version);
        break;
    case 264:
        if (auto info = std::dynamic_pointer_cast<GetUserinfoRst>(reply); info && isSuccess(*info)) {
            m_email = info->email;
            m_companyName = info->companyName;
            m_companyLink = info->companyLink;
            m_userAccess = info->userAccess;
            if (!DataAccessManager::sharedDataModel()->saveUserInfo(loginInfo()))
                NSLog("storing the sign-in details failed");
        }
        break;
    case 517:
        // The skin's finish report needs no follow-up.
        break;
    case 769:
        skinDownloadRespond(reply);
        break;
    default:
        break;
    }
}

void LoginMode::ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info)
{
    if (info)
        NSLog("the filename is %@,the percent is %f", info->fileName.value_or(std::string()), info->downloadPercent);
}

void LoginMode::loginRespond(const std::shared_ptr<LoginRst>& reply)
{
    // A reply without an account or a client id keeps the typed ones: a blank
    // client id would name no folder, or the Documents folder itself.
    if (!isBlank(reply->account))
        m_acountID = reply->account;
    m_needUpdate = reply->needUpdate;
    m_needUpdateSkin = reply->needUpdateSkin;
    m_loginType = kLoginTypeOnline;
    m_sessionId = reply->sessionId;
    m_vendorId = NSString::intValue(reply->vendor_id.value_or(std::string()));
    if (isUsableClientId(reply->clientId))
        m_clientID = reply->clientId;
    m_email = reply->email;
    m_companyName = reply->companyName;
    m_companyLink = reply->companyLink;
    m_userAccess = reply->userAccess;

    ConfigManager::sharedInstance()->resetUserData();
    if (reply->needSyncAll && !startClientAfresh())
        tellError(text("SYNCALLKEPTLOCALDATA"));
    if (m_fromInput)
        refreshLastLogininfo();
    if (!DataAccessManager::sharedDataModel()->saveUserInfo(loginInfo()))
        NSLog("storing the sign-in details failed");
    restrictToOwner(DataAccessManager::dataFilePath());
    versionCompare();
    std::weak_ptr<LoginMode> weak = weak_from_this();
    if (reply->needSyncAll) {
        SessionServices::beginBlockWait(text("LOGINSUCCESSANDBOUND"), kWaitTimeout);
        PerformRequests::performAfterDelay(
            this, "showRequestConfigTittle",
            [weak] {
                if (auto self = weak.lock())
                    self->showRequestConfigTittle();
            },
            kConfigDelay);
    } else {
        showRequestConfigTittle();
    }
}

void LoginMode::showRequestConfigTittle()
{
    if (SessionServices::waitMsgBoxtag() != 0)
        SessionServices::changeWaitMessage(text("SYNUSERCONFIG"));
    else
        SessionServices::beginBlockWait(text("SYNUSERCONFIG"), kWaitTimeout);
    std::weak_ptr<LoginMode> weak = weak_from_this();
    PerformRequests::performAfterDelay(
        this, "requestConfig",
        [weak] {
            if (auto self = weak.lock())
                self->requestConfig();
        },
        kConfigDelay);
}

void LoginMode::requestConfig()
{
    auto request = std::make_shared<RequestConfig>();
    request->clientId = m_clientID;
    NSLog("the rst is %d", send(request));
}

void LoginMode::configRespond(const std::shared_ptr<NetBaseRst>& reply)
{
    auto config = std::dynamic_pointer_cast<ConfigRst>(reply);
    if (!config || !isSuccess(*config)) {
        SessionServices::endBlockWait();
        tellError(reply->message.value_or(std::string()));
        return;
    }
    auto manager = ConfigManager::sharedInstance();
    OptionalEntityList<ConfigEntity> rows = config->configTable;
    if (!manager->syncConfigData(rows))
        NSLog("storing the configuration failed");
    auto folder = clientFolder();
    bool skinMissing = folder
        && !NSFileManager::defaultManager().fileExistsAtPath(
            NSString::stringByAppendingPathComponent(*folder, "SkinImages"));
    if (skinMissing || m_needUpdateSkin) {
        auto request = std::make_shared<RequestDownload>();
        request->fileNameList = { "SkinImages.zip" };
        request->imgType = 10;
        request->progressType = 1;
        NSLog("the downloadId is %d", send(request));
        return;
    }
    auto row = manager->queryConfig();
    if (!row || isBlank(row->desc)) {
        SessionServices::endBlockWait();
        tellError(text("CONFIGRATIONINFOERROR"));
    }
    manager->setModelDescArray(splitDesc(row ? row->desc : std::nullopt));
    auto delegate = m_delegate.lock();
    if (delegate && delegate->implementsLoginSuccess())
        delegate->loginSuccess();
    else
        SessionServices::endBlockWait();
}

void LoginMode::skinDownloadRespond(const std::shared_ptr<NetBaseRst>& reply)
{
    if (isSuccess(*reply)) {
        m_needUpdateSkin = false;
        syncFinishedtype("skin");
        if (auto folder = clientFolder())
            NSFileManager::defaultManager().removeItemAtPath(
                NSString::stringByAppendingPathComponent(*folder, "SkinImages"));
        NSLog("request download finish success!");
    }
    if (!m_delegate.lock())
        SessionServices::endBlockWait();
    SessionServices::initializeSkinImage();
    auto manager = ConfigManager::sharedInstance();
    auto row = manager->queryConfig();
    // Without a module list the sign-in ends as it does without a skin:
    // stopping here would leave the wait box up until its time-out.
    if (!row || isBlank(row->desc)) {
        SessionServices::endBlockWait();
        tellError(text("CONFIGRATIONINFOERROR"));
    }
    manager->setModelDescArray(splitDesc(row ? row->desc : std::nullopt));
    auto delegate = m_delegate.lock();
    if (delegate && delegate->implementsLoginSuccess())
        tellSuccessAndForget();
}

void LoginMode::loginFailed(const std::shared_ptr<LoginRst>& reply)
{
    std::string status = reply->status.value_or(std::string());
    std::string message = reply->message.value_or(std::string());
    // The server refused this password: it no longer opens the stored account
    // offline either, or a password withdrawn on the server would go on
    // working on the device. The refusal then ends like any other.
    if (status == "402") {
        DataAccessManager::releaseDataModel();
        if (auto folder = clientFolder(); folder && NSFileManager::defaultManager().fileExistsAtPath(*folder))
            DataAccessManager::sharedDataModel()->forgetRefusedPassword(loginInfo());
    }
    if (status == "999" || status == "403") {
        tellChangeLoginButState();
        DataAccessManager::releaseDataModel();
        SessionServices::endBlockWait();
        bool networkError = status == "999";
        auto folder = clientFolder();
        if (!folder || !NSFileManager::defaultManager().fileExistsAtPath(*folder)) {
            tellError(networkError ? text("FIRSTLOGINNETWORKERRO") : message);
            return;
        }
        auto check = DataAccessManager::sharedDataModel()->checkLocalUserInfo(loginInfo());
        if (check != std::optional<std::string>("200")) {
            tellError(networkError ? text(check.value_or("115")) : message);
            return;
        }
        offlineLogin(networkError ? text("USINGOFFLINE") : message);
        return;
    }
    if (auto delegate = m_delegate.lock()) {
        m_loginType = kLoginTypeNone;
        tellChangeLoginButState();
        DataAccessManager::releaseDataModel();
        SessionServices::endBlockWait();
        tellError(message);
        m_delegate.reset();
        return;
    }
    // A silent re-login that the server refused: offer to stay offline or sign in again.
    m_alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), message + text("STAYOFFLINEORLOGIN"),
        weak_from_this(), text("CANCEL"), std::vector<std::string> { text("OK") });
    m_alert->setTag(kAlertStayOffline);
    m_alert->show();
}

void LoginMode::offlineLogin(const std::optional<std::string>& message)
{
    auto data = DataAccessManager::sharedDataModel();
    if (auto stored = data->getUserInfo(m_acountID)) {
        m_acountID = stored->accountId;
        m_email = stored->email;
        m_companyLink = stored->companyLink;
        m_companyName = stored->companyName;
    }
    refreshLastLogininfo();
    if (message)
        tellError(*message);
    auto manager = ConfigManager::sharedInstance();
    auto row = manager->queryConfig();
    if (!row)
        return;
    if (isBlank(row->desc)) {
        tellError(text("CONFIGRATIONINFOERROR"));
        return;
    }
    manager->setModelDescArray(splitDesc(row->desc));
    auto delegate = m_delegate.lock();
    if (delegate && delegate->implementsLoginSuccess()) {
        m_loginType = kLoginTypeOffline;
        tellSuccessAndForget();
    }
}

void LoginMode::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() == kAlertStayOffline && buttonIndex == alert.firstOtherButtonIndex())
        SessionServices::showLoginPage();
}
