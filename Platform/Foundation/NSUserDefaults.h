#pragma once

// The application's user defaults: one dictionary held in memory and written
// through, on every change, to Library/Preferences/<bundle identifier>.plist
// in the application's home (a binary property list, replaced atomically so a
// crash leaves the old file or the new one). A missing or unreadable file
// starts the defaults empty.
//
// Getters answer the platform's defaults for a missing key: 0, NO, 0.0, and
// null / nullopt for objects. A string getter answers the text of a number
// ("12", "1.5", "1" for YES); the number getters read a text's numeric
// prefix.
//
// "AppleLanguages" is the system's key: unless the application stored its own
// value it answers the preferred languages of AppEnvironment, and removing
// every key leaves it answering them.
//
// Change notice. Every call that changes the defaults -- each setter,
// removeObjectForKey and removePersistentDomainForName -- posts
// "NSUserDefaultsDidChangeNotification" exactly once, synchronously on the
// calling thread, after the new state is stored and written, with this object
// as the notification's sender and no lock held (observers may read and write
// the defaults; their own writes post their own notices). A call posts even
// when the value it stores equals the old one. A setter that refuses its value
// (not a property list) and synchronize post nothing.
//
// All calls are safe from any thread.

#include "Platform/Foundation/Value.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* NSUserDefaultsDidChangeNotification = "NSUserDefaultsDidChangeNotification";

class NSUserDefaults : public std::enable_shared_from_this<NSUserDefaults> {
public:
    // The defaults of the current home and bundle; made on first use, and made
    // again (from the file) after the home or bundle changes or after
    // resetStandardUserDefaults.
    static std::shared_ptr<NSUserDefaults> standardUserDefaults();
    // Drops the shared object; the next standardUserDefaults reads the file again.
    static void resetStandardUserDefaults();

    // Defaults kept in the given file (tests and tools).
    static std::shared_ptr<NSUserDefaults> defaultsWithFile(std::string path, std::string domainName);

    Value objectForKey(std::string_view key) const;  // null when missing
    std::optional<std::string> stringForKey(std::string_view key) const;  // texts and numbers
    Value arrayForKey(std::string_view key) const;  // null unless an array
    Value dictionaryForKey(std::string_view key) const;  // null unless a dictionary
    std::optional<Data> dataForKey(std::string_view key) const;
    long integerForKey(std::string_view key) const;
    bool boolForKey(std::string_view key) const;
    float floatForKey(std::string_view key) const;
    double doubleForKey(std::string_view key) const;

    // Each answers true when the value is stored and written to the file. A
    // null value removes the key. A value that is no property list (a null
    // inside a container, a text with a NUL byte or invalid UTF-8) is refused:
    // nothing changes and the answer is false. A failed write keeps the value
    // in memory and answers false; synchronize tries the write again.
    bool setObjectForKey(const Value& value, std::string_view key);
    bool setIntegerForKey(long value, std::string_view key);
    bool setBoolForKey(bool value, std::string_view key);
    bool setFloatForKey(float value, std::string_view key);
    bool setDoubleForKey(double value, std::string_view key);
    bool removeObjectForKey(std::string_view key);

    // Removes every key when the name is this defaults' domain (the bundle
    // identifier); other domains are not held here and answer false.
    bool removePersistentDomainForName(std::string_view domainName);

    // Writes the file if an earlier write failed; true when the file holds
    // the current defaults.
    bool synchronize();

    // Every key with its value, "AppleLanguages" included.
    ValueDictionary dictionaryRepresentation() const;

    const std::string& domainName() const { return m_domainName; }
    const std::string& filePath() const { return m_path; }

private:
    NSUserDefaults(std::string path, std::string domainName);
    bool store(std::string_view key, std::optional<Value> value);
    bool writeLocked();
    void postChange();

    std::string m_path;
    std::string m_domainName;
    mutable std::mutex m_lock;
    ValueDictionary m_values;
    bool m_dirty = false;
};
