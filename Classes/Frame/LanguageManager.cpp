#include "Classes/Frame/LanguageManager.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIMainThread.h"

#include <algorithm>
#include <mutex>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<LanguageManager>& slot()
{
    static std::shared_ptr<LanguageManager> instance;
    return instance;
}

}  // namespace

std::shared_ptr<LanguageManager> LanguageManager::sharedInstance()
{
    UIKIT_CHECK_MAIN_THREAD();
    std::shared_ptr<LanguageManager> made;
    {
        std::lock_guard guard(classLock());
        if (slot())
            return slot();
        slot() = std::shared_ptr<LanguageManager>(new LanguageManager());
        made = slot();
    }
    made->observeDefaults();
    return made;
}

std::shared_ptr<LanguageManager> LanguageManager::existingInstance()
{
    std::lock_guard guard(classLock());
    return slot();
}

void LanguageManager::resetSharedInstance()
{
    std::shared_ptr<LanguageManager> old;
    {
        std::lock_guard guard(classLock());
        old.swap(slot());
    }
}

LanguageManager::~LanguageManager() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void LanguageManager::observeDefaults()
{
    std::weak_ptr<LanguageManager> weak = weak_from_this();
    NSNotificationCenter::defaultCenter().addObserver(
        this, NSUserDefaultsDidChangeNotification, [weak](const NSNotification&) {
            if (auto self = weak.lock())
                self->defaultsDidChanged();
        });
}

void LanguageManager::setCurrentLanguage(long code)
{
    UIKIT_CHECK_MAIN_THREAD();
    auto defaults = NSUserDefaults::standardUserDefaults();
    if (code == 0) {
        // A request for the system's language: resolved and stored, but it is
        // the first choice, not a change, so nobody is told.
        m_isSettingByCode = true;
        auto preferred = PublicFunction::getPreferredLanguage();
        long language = preferred && *preferred == "zh-Hans" ? 2 : 1;
        defaults->setIntegerForKey(language, "language");
        defaults->synchronize();
        m_currentLanguage = language;
        return;
    }
    if (code == m_currentLanguage)
        return;
    m_currentLanguage = code;
    Language::resetLanguageCache();
    // A listener may register or unregister others while it is told, so the
    // list is read afresh at each step.
    for (size_t i = 0; i < m_languageNotifications.size(); ++i) {
        if (auto listener = m_languageNotifications[i].listener.lock())
            listener->notifiChangelanguage();
    }
    defaults->setIntegerForKey(code, "language");
    defaults->synchronize();
}

void LanguageManager::defaultsDidChanged()
{
    if (m_isSettingByCode) {
        m_isSettingByCode = false;
        return;
    }
    setCurrentLanguage(NSUserDefaults::standardUserDefaults()->integerForKey("language"));
}

void LanguageManager::addListener(const void* identity, std::weak_ptr<LanguageManagerDelegate> listener)
{
    UIKIT_CHECK_MAIN_THREAD();
    auto found = std::find_if(m_languageNotifications.begin(), m_languageNotifications.end(),
        [identity](const Listener& l) { return l.identity == identity; });
    if (found != m_languageNotifications.end()) {
        // The same address may now hold a new object: keep the live one.
        if (found->listener.expired())
            found->listener = std::move(listener);
        return;
    }
    m_languageNotifications.push_back({ identity, std::move(listener) });
}

void LanguageManager::removeListener(const void* identity)
{
    std::erase_if(m_languageNotifications, [identity](const Listener& l) { return l.identity == identity; });
}
