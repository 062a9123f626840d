#pragma once

// The current interface language (1 English, 2 Chinese), kept in the user
// default "language", and the ordered list of listeners told when it changes.
// Listeners are not owned: each is known by its identity and reached through
// a weak reference, so one that went away without unregistering is skipped
// rather than called. A change written to the defaults by anyone else (the
// settings screen, another copy of the defaults) comes back through the
// defaults-changed notice and is applied like a call.
//
// Main thread only.

#include "Classes/Frame/LanguageManagerDelegate.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

class LanguageManager : public std::enable_shared_from_this<LanguageManager> {
public:
    static std::shared_ptr<LanguageManager> sharedInstance();
    // Drops the shared instance and its observation; the next use makes a new
    // one. The process keeps it for its whole life: only tests reset it.
    static void resetSharedInstance();
    // The shared instance if one was made, without making it (for objects
    // unregistering as they go, after a reset).
    static std::shared_ptr<LanguageManager> existingInstance();

    ~LanguageManager();

    long currentLanguage() const { return m_currentLanguage; }
    bool isSettingByCode() const { return m_isSettingByCode; }
    // "zh" for Chinese, otherwise "en".
    std::string curStringLanguage() const { return m_currentLanguage == 2 ? "zh" : "en"; }

    void setCurrentLanguage(long code);

    // Adds `object` once; a null object is ignored. An object that is not a
    // LanguageManagerDelegate is kept in the list but never told.
    template <class T> void registerLanugageNotification(const std::shared_ptr<T>& object)
    {
        if (!object)
            return;
        std::weak_ptr<LanguageManagerDelegate> listener;
        if constexpr (std::is_base_of_v<LanguageManagerDelegate, T>)
            listener = std::static_pointer_cast<LanguageManagerDelegate>(object);
        else if constexpr (std::is_polymorphic_v<T>)
            listener = std::dynamic_pointer_cast<LanguageManagerDelegate>(object);
        addListener(identityOf(object.get()), std::move(listener));
    }
    // Removes `object`; null is ignored. Safe from the object's destructor.
    template <class T> void unRegisterLanugageNotification(const T* object)
    {
        if (object)
            removeListener(identityOf(object));
    }
    void removeAllLanugageNotification() { m_languageNotifications.clear(); }

    size_t listenerCount() const { return m_languageNotifications.size(); }

    // Applies a change of the user defaults (the defaults-changed notice).
    void defaultsDidChanged();

private:
    LanguageManager() = default;
    void observeDefaults();

    template <class T> static const void* identityOf(const T* object)
    {
        // The most-derived object, so a listener registered through one base
        // and removed through another is the same entry.
        if constexpr (std::is_polymorphic_v<T>)
            return dynamic_cast<const void*>(object);
        else
            return object;
    }
    void addListener(const void* identity, std::weak_ptr<LanguageManagerDelegate> listener);
    void removeListener(const void* identity);

    struct Listener {
        const void* identity;
        std::weak_ptr<LanguageManagerDelegate> listener;
    };

    long m_currentLanguage = 0;
    bool m_isSettingByCode = false;
    std::vector<Listener> m_languageNotifications;
};
