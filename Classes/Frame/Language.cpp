#include "Classes/Frame/Language.h"

#include "Classes/Frame/LanguageManager.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/PropertyList.h"
#include "Platform/UIKit/UIMainThread.h"

namespace {

struct Cache {
    bool loaded = false;
    Value table;
};

Cache& cache()
{
    static Cache c;
    return c;
}

const Value* loadedTable()
{
    Cache& c = cache();
    if (c.loaded)
        return &c.table;
    long language = LanguageManager::sharedInstance()->currentLanguage();
    const char* name = nullptr;
    if (language == 0 || language == 1)
        name = "language_en";
    else if (language == 2)
        name = "language_cn";
    if (!name)
        return nullptr;
    auto path = NSBundle::mainBundle()->pathForResourceOfType(name, "plist");
    if (!path) {
        NSLog("language table %@ is missing from the bundle", name);
        return nullptr;
    }
    Value table = PropertyList::dictionaryWithContentsOfFile(*path);
    if (!table.isDictionary()) {
        // Not kept: a table that could not be read is looked for again next time.
        NSLog("language table %@ is not a property list dictionary", *path);
        return nullptr;
    }
    c.table = std::move(table);
    c.loaded = true;
    return &c.table;
}

}  // namespace

std::optional<std::string> Language::stringWithName(const std::string& key)
{
    UIKIT_CHECK_MAIN_THREAD();
    const Value* table = loadedTable();
    if (!table)
        return std::nullopt;
    if (auto text = (*table)[key].stringView())
        return std::string(*text);
    NSLog("language key %@ is missing", key);
    return std::nullopt;
}

std::string Language::stringOrKey(const std::string& key) { return stringWithName(key).value_or(key); }

void Language::resetLanguageCache() { cache() = Cache(); }

std::string text(const std::string& key) { return Language::stringOrKey(key); }
