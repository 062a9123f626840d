#pragma once

// Interface texts by key, from the bundle's table of the current language:
// "language_en" for English (and before a language is chosen), "language_cn"
// for Chinese. The table is read on first use and kept until the language
// changes.

#include <optional>
#include <string>

class Language {
public:
    // The text of `key`, or nothing when the table lacks it (or no table loads).
    static std::optional<std::string> stringWithName(const std::string& key);
    // The text of `key`, or the key itself when missing: what a caption shows
    // rather than nothing.
    static std::string stringOrKey(const std::string& key);
    static void resetLanguageCache();
};

// The text every caption, title and message is drawn from: the current
// language's text of `key`, or the key itself when the table lacks it.
std::string text(const std::string& key);
