#pragma once

// A bundle: a folder of read-only resources with its information dictionary
// (Info.plist) and its string tables. The main bundle is the folder that
// AppEnvironment names; tests may open any folder as a bundle.
//
// Resources are looked up at the bundle's top level first, then in the
// language folders ("<language>.lproj") of the preferred languages, then in
// "Base.lproj" and "en.lproj". String tables ("<table>.strings") are found the
// same way; they may be in the classic text form
// ("key" = "value"; with comments and escapes, UTF-8 or UTF-16 with a byte
// order mark) or property lists.

#include "Platform/Foundation/Value.h"

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

class NSBundle {
public:
    // The application's bundle; made again when AppEnvironment's bundle changes.
    static std::shared_ptr<NSBundle> mainBundle();
    static std::shared_ptr<NSBundle> bundleWithPath(const std::string& path);

    const std::string& bundlePath() const { return m_path; }
    const std::string& resourcePath() const { return m_path; }

    // The path of "<name>.<type>" (or of "<name>" when the type is empty), or
    // nullopt when there is no such file. A name that would leave the bundle
    // (with "/" in it, or "." / "..") finds nothing.
    std::optional<std::string> pathForResourceOfType(std::string_view name, std::string_view type) const;

    const ValueDictionary& infoDictionary() const { return m_info; }
    Value objectForInfoDictionaryKey(std::string_view key) const;  // null when missing
    std::optional<std::string> bundleIdentifier() const;

    // The text of a key in a string table ("Localizable" when no table is
    // named). A missing table or key answers the given value when it is not
    // empty, else the key itself.
    std::string localizedStringForKeyValueTable(std::string_view key,
        std::optional<std::string_view> value = std::nullopt,
        std::optional<std::string_view> table = std::nullopt) const;

    // Reads a string table's text form; nullopt when it is not well formed.
    static std::optional<ValueDictionary> parseStringsText(std::string_view text);

private:
    explicit NSBundle(std::string path);
    const ValueDictionary& stringTable(const std::string& table) const;

    std::string m_path;
    ValueDictionary m_info;
    mutable std::mutex m_lock;
    mutable std::map<std::string, ValueDictionary> m_tables;
};
