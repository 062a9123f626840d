#include "Platform/Foundation/NSUserDefaults.h"

#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/PropertyList.h"

namespace {

// ValueDictionary's default constructor cannot be used outside Value.cpp
// (its index type is incomplete here); copying the empty one can.
ValueDictionary emptyDictionary() { return Value().dictionaryValue(); }

constexpr std::string_view appleLanguagesKey = "AppleLanguages";

struct Shared {
    std::mutex lock;
    std::shared_ptr<NSUserDefaults> defaults;
    uint64_t generation = 0;
};

Shared& shared()
{
    static Shared s;
    return s;
}

std::string domainOfMainBundle()
{
    auto identifier = NSBundle::mainBundle()->bundleIdentifier();
    // The name becomes a file name; one that could leave the folder is not used.
    if (!identifier || !NSPathIsSafeComponent(*identifier))
        return "corvelle";
    return *identifier;
}

std::string preferencesPath(const std::string& domain)
{
    return NSSearchPathForDirectoriesInDomains(NSLibraryDirectory, NSUserDomainMask, true).front() + "/Preferences/"
        + domain + ".plist";
}

Value systemLanguages()
{
    ValueArray languages;
    for (auto& language : AppEnvironment::preferredLanguages())
        languages.push_back(Value(language));
    return Value(std::move(languages));
}

}  // namespace

std::shared_ptr<NSUserDefaults> NSUserDefaults::standardUserDefaults()
{
    auto& s = shared();
    std::lock_guard guard(s.lock);
    uint64_t generation = AppEnvironment::generation();
    if (!s.defaults || s.generation != generation) {
        std::string domain = domainOfMainBundle();
        std::string path = preferencesPath(domain);
        if (!s.defaults || s.defaults->filePath() != path)
            s.defaults = defaultsWithFile(path, domain);
        s.generation = generation;
    }
    return s.defaults;
}

void NSUserDefaults::resetStandardUserDefaults()
{
    auto& s = shared();
    std::lock_guard guard(s.lock);
    s.defaults.reset();
}

std::shared_ptr<NSUserDefaults> NSUserDefaults::defaultsWithFile(std::string path, std::string domainName)
{
    return std::shared_ptr<NSUserDefaults>(new NSUserDefaults(std::move(path), std::move(domainName)));
}

NSUserDefaults::NSUserDefaults(std::string path, std::string domainName)
    : m_path(std::move(path))
    , m_domainName(std::move(domainName))
    , m_values(emptyDictionary())
{
    if (!NSFileManager::defaultManager().fileExistsAtPath(m_path))
        return;
    Value stored = PropertyList::contentsOfFile(m_path);
    if (stored.isDictionary())
        m_values = stored.dictionaryValue();
    else
        NSLog("User defaults file %@ is unreadable; starting with empty defaults", m_path);
}

Value NSUserDefaults::objectForKey(std::string_view key) const
{
    {
        std::lock_guard guard(m_lock);
        if (const Value* value = m_values.find(key))
            return *value;
    }
    if (key == appleLanguagesKey)
        return systemLanguages();
    return {};
}

std::optional<std::string> NSUserDefaults::stringForKey(std::string_view key) const
{
    Value value = objectForKey(key);
    if (value.isString() || value.isNumber())
        return value.stringValue();
    return std::nullopt;
}

Value NSUserDefaults::arrayForKey(std::string_view key) const
{
    Value value = objectForKey(key);
    return value.isArray() ? value : Value();
}

Value NSUserDefaults::dictionaryForKey(std::string_view key) const
{
    Value value = objectForKey(key);
    return value.isDictionary() ? value : Value();
}

std::optional<Data> NSUserDefaults::dataForKey(std::string_view key) const
{
    Value value = objectForKey(key);
    if (!value.isData())
        return std::nullopt;
    return value.dataValue();
}

long NSUserDefaults::integerForKey(std::string_view key) const { return objectForKey(key).integerValue(); }

bool NSUserDefaults::boolForKey(std::string_view key) const { return objectForKey(key).boolValue(); }

float NSUserDefaults::floatForKey(std::string_view key) const { return objectForKey(key).floatValue(); }

double NSUserDefaults::doubleForKey(std::string_view key) const { return objectForKey(key).doubleValue(); }

bool NSUserDefaults::setObjectForKey(const Value& value, std::string_view key)
{
    if (value.isNull())
        return store(key, std::nullopt);
    return store(key, value);
}

bool NSUserDefaults::setIntegerForKey(long value, std::string_view key) { return store(key, Value(value)); }

bool NSUserDefaults::setBoolForKey(bool value, std::string_view key) { return store(key, Value(value)); }

bool NSUserDefaults::setFloatForKey(float value, std::string_view key) { return store(key, Value(value)); }

bool NSUserDefaults::setDoubleForKey(double value, std::string_view key) { return store(key, Value(value)); }

bool NSUserDefaults::removeObjectForKey(std::string_view key) { return store(key, std::nullopt); }

bool NSUserDefaults::store(std::string_view key, std::optional<Value> value)
{
    bool written;
    {
        std::lock_guard guard(m_lock);
        ValueDictionary changed = m_values;
        if (value)
            changed.set(std::string(key), std::move(*value));
        else
            changed.remove(key);
        std::string error;
        auto bytes = PropertyList::dataWithPropertyList(Value(changed), PropertyList::Format::Binary, &error);
        if (!bytes) {
            NSLog("User default %@ not stored: %@", std::string(key), error);
            return false;
        }
        m_values = std::move(changed);
        written = NSFileManager::defaultManager().createFileAtPathContentsPermissions(m_path, *bytes, 0600, &error);
        m_dirty = !written;
        if (!written)
            NSLog("User defaults not saved: %@", error);
    }
    postChange();
    return written;
}

bool NSUserDefaults::writeLocked()
{
    std::string error;
    // The defaults hold the saved sign-ins' passwords: the owner's eyes only.
    auto data = PropertyList::dataWithPropertyList(Value(m_values), PropertyList::Format::Binary, &error);
    if (!data || !NSFileManager::defaultManager().createFileAtPathContentsPermissions(m_path, *data, 0600, &error)) {
        NSLog("User defaults not saved: %@", error);
        m_dirty = true;
        return false;
    }
    m_dirty = false;
    return true;
}

bool NSUserDefaults::removePersistentDomainForName(std::string_view domainName)
{
    if (domainName != m_domainName)
        return false;
    bool written;
    {
        std::lock_guard guard(m_lock);
        m_values.clear();
        written = writeLocked();
    }
    postChange();
    return written;
}

bool NSUserDefaults::synchronize()
{
    std::lock_guard guard(m_lock);
    if (!m_dirty)
        return true;
    return writeLocked();
}

ValueDictionary NSUserDefaults::dictionaryRepresentation() const
{
    ValueDictionary all = emptyDictionary();
    {
        std::lock_guard guard(m_lock);
        all = m_values;
    }
    if (!all.contains(appleLanguagesKey))
        all.set(std::string(appleLanguagesKey), systemLanguages());
    return all;
}

void NSUserDefaults::postChange()
{
    NSNotificationCenter::defaultCenter().postNotificationName(
        NSUserDefaultsDidChangeNotification, {}, {}, shared_from_this());
}
