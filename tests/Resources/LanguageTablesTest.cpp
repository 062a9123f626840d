// The two language tables of the bundle against the code that reads them:
// every key a screen, model or reply decoder asks for must be in both tables,
// and a format text must take the same arguments in both languages, or one
// language shows a raw key or formats garbage.

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/PropertyList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

ValueDictionary table(const char* name)
{
    auto bundle = NSBundle::bundleWithPath(CORVELLE_BUNDLE_DIR);
    auto path = bundle ? bundle->pathForResourceOfType(name, "plist") : std::nullopt;
    EXPECT_TRUE(path) << name << " is not in the bundle";
    if (!path)
        return {};
    Value plist = PropertyList::dictionaryWithContentsOfFile(*path);
    EXPECT_TRUE(plist.isDictionary()) << name << " is not a dictionary property list";
    return plist.dictionaryValue();
}

const ValueDictionary& english()
{
    static const ValueDictionary t = table("language_en");
    return t;
}

const ValueDictionary& chinese()
{
    static const ValueDictionary t = table("language_cn");
    return t;
}

// The conversions of a format text in order, "%%" left out: "%d files, %.1f MB" -> "d f".
std::string specifiers(const std::string& text)
{
    static const std::regex spec(
        R"(%(\d+\$)?[-+ #0]*(\d+|\*)?(\.(\d+|\*))?(hh|h|ll|l|q|z|t|j|L)?([@dDiuUxXoOfFeEgGcCsSp%]))");
    std::string out;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), spec); it != std::sregex_iterator(); ++it) {
        std::string conversion = (*it)[6];
        if (conversion == "%")
            continue;
        if (!out.empty())
            out += ' ';
        out += conversion;
    }
    return out;
}

// Keys given as literals to the language calls anywhere in the system's own code.
std::map<std::string, std::string> keysAskedByCode()
{
    static const std::regex call(R"((stringWithName|languageText)\s*\(\s*"([^"\\]+)\")");
    std::map<std::string, std::string> keys;
    for (const char* folder : { "App", "Classes", "Database", "Network" }) {
        fs::path root = fs::path(CORVELLE_SOURCE_DIR) / folder;
        if (!fs::exists(root))
            continue;
        for (auto& entry : fs::recursive_directory_iterator(root)) {
            auto ext = entry.path().extension();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
                continue;
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            std::string source = text.str();
            if (source.find("stringWithName") == std::string::npos && source.find("languageText") == std::string::npos)
                continue;
            for (auto it = std::sregex_iterator(source.begin(), source.end(), call); it != std::sregex_iterator(); ++it)
                keys.emplace((*it)[2], fs::relative(entry.path(), CORVELLE_SOURCE_DIR).string());
        }
    }
    return keys;
}

}

TEST(LanguageTables, BothTablesHoldTheSameKeysWithTexts)
{
    ASSERT_FALSE(english().empty());
    ASSERT_FALSE(chinese().empty());
    std::set<std::string> en, cn;
    for (auto& [key, value] : english()) {
        en.insert(key.str());
        EXPECT_TRUE(value.isString() && !value.stringValue().empty()) << "language_en: " << key.view();
    }
    for (auto& [key, value] : chinese()) {
        cn.insert(key.str());
        EXPECT_TRUE(value.isString() && !value.stringValue().empty()) << "language_cn: " << key.view();
    }
    for (auto& key : en)
        EXPECT_TRUE(cn.count(key)) << key << " is missing from language_cn";
    for (auto& key : cn)
        EXPECT_TRUE(en.count(key)) << key << " is missing from language_en";
}

TEST(LanguageTables, ChineseTextsAreWrittenInChinese)
{
    // An entry copied over from English and never translated is all ASCII.
    for (auto& [key, value] : chinese()) {
        std::string text = value.stringValue();
        bool hasWide
            = std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        EXPECT_TRUE(hasWide) << key.view() << ": " << text;
    }
}

TEST(LanguageTables, EveryKeyTheCodeAsksForIsInBothTables)
{
    auto keys = keysAskedByCode();
    // The reply decoder's fallback is always asked for: an empty scan means the scan is broken.
    ASSERT_TRUE(keys.count("115"));
    for (auto& [key, file] : keys) {
        EXPECT_TRUE(english().contains(key)) << key << " (asked in " << file << ") is missing from language_en";
        EXPECT_TRUE(chinese().contains(key)) << key << " (asked in " << file << ") is missing from language_cn";
    }
}

TEST(LanguageTables, EveryReplyStatusHasATextInBothTables)
{
    // A reply's message is the text of its status: the client's own statuses
    // (no status, network error, missing file), the offline sign-in checks and
    // every status the server sends.
    for (const char* status :
        { "101", "114", "115", "200", "201", "202", "206", "207", "210", "402", "403", "404", "999", "11411" }) {
        EXPECT_TRUE(english().contains(status)) << status;
        EXPECT_TRUE(chinese().contains(status)) << status;
    }
}

TEST(LanguageTables, FormatsTakeTheSameArgumentsInBothLanguages)
{
    for (auto& [key, value] : english()) {
        const Value* other = chinese().find(key);
        if (!other)
            continue;
        EXPECT_EQ(specifiers(value.stringValue()), specifiers(other->stringValue())) << key.view();
    }
}

TEST(LanguageTables, FormatKeysTakeTheArgumentsTheirCallersPass)
{
    struct Case {
        const char* key;
        const char* conversions;
    };
    const Case cases[] = {
        { "DELETESHORTCUT", "@" },
        { "DELETENORMALSHORTCUT", "@" },
        { "SHORTCUTEXISTS", "@" },
        { "SHORTCUTREPLACEALERT", "@" },
        { "FILENUMBERANDSIZE", "d f" },
        { "SINGLEFILENUMBERANDSIZE", "f" },
        { "TIMEREMAININGXXMINUTES", "d" },
    };
    for (auto& c : cases) {
        for (auto* t : { &english(), &chinese() }) {
            const Value* text = t->find(c.key);
            ASSERT_TRUE(text) << c.key;
            EXPECT_EQ(specifiers(text->stringValue()), c.conversions) << c.key << ": " << text->stringValue();
        }
    }
    // Filled as the callers fill them, the numbers come out as given.
    for (auto* t : { &english(), &chinese() }) {
        std::string files = stringWithFormat((*t)["FILENUMBERANDSIZE"].stringValue(), 12, 3.5);
        EXPECT_NE(files.find("12"), std::string::npos) << files;
        EXPECT_NE(files.find("3.5"), std::string::npos) << files;
        std::string minutes = stringWithFormat((*t)["TIMEREMAININGXXMINUTES"].stringValue(), 7);
        EXPECT_NE(minutes.find('7'), std::string::npos) << minutes;
        std::string client = stringWithFormat((*t)["SHORTCUTEXISTS"].stringValue(), std::string("acme"));
        EXPECT_NE(client.find("acme"), std::string::npos) << client;
    }
}

TEST(LanguageTables, OnlyFormatKeysHoldConversions)
{
    // A stray "%" in a plain text would be read as a conversion by a caller
    // that formats it, and a plain text shown as it is must not show one.
    const std::set<std::string> formats = { "DELETESHORTCUT", "DELETENORMALSHORTCUT", "SHORTCUTEXISTS",
        "SHORTCUTREPLACEALERT", "FILENUMBERANDSIZE", "SINGLEFILENUMBERANDSIZE", "TIMEREMAININGXXMINUTES" };
    for (auto* t : { &english(), &chinese() }) {
        for (auto& [key, value] : *t) {
            if (!formats.count(key.str())) {
                EXPECT_EQ(value.stringValue().find('%'), std::string::npos)
                    << key.view() << ": " << value.stringValue();
            }
        }
    }
}
