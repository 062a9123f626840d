#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/PropertyList.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

namespace {

class Bundle : public TemporaryHomeTest {
protected:
    void SetUp() override
    {
        root = home.scratch() + "/Corvelle.app";
        AppEnvironment::setPreferredLanguages({ "en" });
        ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(root, true));
        ASSERT_TRUE(PropertyList::writeToFile(Value::dictionary({
                                                  { "CFBundleIdentifier", Value("com.example.corvelle") },
                                                  { "CFBundleShortVersionString", Value("2.3") },
                                                  { "CFBundleDisplayName", Value("Corvelle") },
                                              }),
            root + "/Info.plist"));
        write("corvelle_lite.sqlite", "db");
        write("fileDefault.png", "png");
        write("language_en.plist", "<plist/>");
        write("en.lproj/only-english.txt", "en");
        write("PullTableViewLan.strings",
            "/* Pull table */\n"
            "\"Pull down to refresh...\" = \"Pull down to refresh...\";\n"
            "// a line comment\n"
            "\"Loading...\"=\"Loading \\\"now\\\"\\n\\U6C49\\u5B57\\UD83D\\UDE00\";\n"
            "\"Blank\" = \"\";\n"
            "Bare = word;\n"
            "\"Alone\";\n");
        write("Broken.strings", "\"key\" = \"no semicolon\"");
        write("Property.strings",
            R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>OK</key><string>Fine</string></dict></plist>)");
        // UTF-16 little-endian with its byte order mark: "A" = "汉";
        Data utf16 { 0xFF, 0xFE, '"', 0, 'A', 0, '"', 0, '=', 0, '"', 0, 0x49, 0x6C, '"', 0, ';', 0 };
        ASSERT_TRUE(files().createFileAtPathContents(root + "/Wide.strings", utf16));
        write("en.lproj/Localizable.strings", "\"HELLO\" = \"Hello\";");
        write("zh-Hans.lproj/Localizable.strings", "\"HELLO\" = \"你好\";");
        AppEnvironment::setBundleDirectory(root);
    }

    static NSFileManager& files() { return NSFileManager::defaultManager(); }

    void write(const std::string& name, const std::string& text)
    {
        std::string path = root + "/" + name;
        ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(path.substr(0, path.rfind('/')), true));
        ASSERT_TRUE(files().createFileAtPathContents(path, Data(text.begin(), text.end())));
    }

    std::string root;
};

}  // namespace

TEST_F(Bundle, ResourcesByNameAndType)
{
    auto bundle = NSBundle::mainBundle();
    EXPECT_EQ(bundle->bundlePath(), root);
    EXPECT_EQ(bundle->resourcePath(), root);
    struct Case {
        std::string name;
        std::string type;
        std::optional<std::string> expected;
    } cases[] = {
        { "corvelle_lite", "sqlite", root + "/corvelle_lite.sqlite" },
        { "language_en", "plist", root + "/language_en.plist" },
        { "fileDefault.png", "", root + "/fileDefault.png" },
        { "only-english", "txt", root + "/en.lproj/only-english.txt" },
        { "language_cn", "plist", std::nullopt },
        { "corvelle_lite", "db", std::nullopt },
        { "", "sqlite", std::nullopt },
        { "../Corvelle.app/Info", "plist", std::nullopt },
        { "en.lproj/only-english", "txt", std::nullopt },
        { "..", "", std::nullopt },
        { "Info", "../Info.plist", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(bundle->pathForResourceOfType(c.name, c.type), c.expected) << c.name << "." << c.type;
}

TEST_F(Bundle, InformationDictionary)
{
    auto bundle = NSBundle::mainBundle();
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleShortVersionString"), Value("2.3"));
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleDisplayName"), Value("Corvelle"));
    EXPECT_EQ(bundle->bundleIdentifier(), "com.example.corvelle");
    EXPECT_TRUE(bundle->objectForInfoDictionaryKey("CFBundleVersion").isNull());

    auto bare = NSBundle::bundleWithPath(home.scratch());
    EXPECT_TRUE(bare->infoDictionary().empty());
    EXPECT_EQ(bare->bundleIdentifier(), std::nullopt);
}

TEST_F(Bundle, LocalizedStringsFallBackToValueThenKey)
{
    auto bundle = NSBundle::mainBundle();
    struct Case {
        std::string key;
        std::optional<std::string> value;
        std::optional<std::string> table;
        std::string expected;
    } cases[] = {
        { "Pull down to refresh...", std::nullopt, "PullTableViewLan", "Pull down to refresh..." },
        { "Loading...", std::nullopt, "PullTableViewLan", "Loading \"now\"\n汉字😀" },
        { "Blank", std::nullopt, "PullTableViewLan", "" },  // present, even if empty
        { "Bare", std::nullopt, "PullTableViewLan", "word" },
        { "Alone", std::nullopt, "PullTableViewLan", "Alone" },
        { "Release to refresh...", std::nullopt, "PullTableViewLan", "Release to refresh..." },
        { "Release to refresh...", "", "PullTableViewLan", "Release to refresh..." },
        { "Release to refresh...", "Let go", "PullTableViewLan", "Let go" },
        { "OK", "", std::nullopt, "OK" },
        { "OK", "", "NoSuchTable", "OK" },
        { "OK", "", "Property", "Fine" },
        { "A", "", "Wide", "汉" },
        { "key", "", "Broken", "key" },
        { "HELLO", std::nullopt, std::nullopt, "Hello" },
        { "HELLO", std::nullopt, "", "Hello" },
    };
    for (const auto& c : cases) {
        std::optional<std::string_view> value = c.value ? std::optional<std::string_view>(*c.value) : std::nullopt;
        std::optional<std::string_view> table = c.table ? std::optional<std::string_view>(*c.table) : std::nullopt;
        EXPECT_EQ(bundle->localizedStringForKeyValueTable(c.key, value, table), c.expected)
            << c.key << " in " << c.table.value_or("(default)");
    }
}

TEST_F(Bundle, LanguageFoldersFollowThePreferredLanguages)
{
    AppEnvironment::setPreferredLanguages({ "zh-Hans", "en" });
    EXPECT_EQ(NSBundle::mainBundle()->localizedStringForKeyValueTable("HELLO"), "你好");
    AppEnvironment::setPreferredLanguages({ "fr" });
    EXPECT_EQ(NSBundle::mainBundle()->localizedStringForKeyValueTable("HELLO"), "Hello");
}

TEST(StringsTextTest, Grammar)
{
    const ValueDictionary none = Value().dictionaryValue();
    struct Case {
        std::string text;
        std::optional<ValueDictionary> expected;
    } cases[] = {
        { "", none },
        { "/* only a comment */", none },
        { "\"a\" = \"1\"; \"a\" = \"2\";", ValueDictionary { { "a", Value("2") } } },
        { "\"tab\\t\" = \"\\\\ \\' \\101\";", ValueDictionary { { "tab\t", Value("\\ ' A") } } },
        { "\"a\" = \"1\"", std::nullopt },
        { "\"a\" = ;", std::nullopt },
        { "\"open = \"1\";", std::nullopt },
        { "\"a\" = \"1\"; /* unterminated", std::nullopt },
        { "= \"1\";", std::nullopt },
        { "\"a\" = \"\\U12\";", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(NSBundle::parseStringsText(c.text), c.expected) << c.text;
}

TEST_F(Bundle, MainBundleFollowsTheEnvironment)
{
    auto first = NSBundle::mainBundle();
    EXPECT_EQ(NSBundle::mainBundle(), first);
    AppEnvironment::setBundleDirectory(home.scratch());
    EXPECT_EQ(NSBundle::mainBundle()->bundlePath(), home.scratch());
}

TEST(RealBundleTest, ReadsTheApplicationsInfo)
{
    auto bundle = NSBundle::bundleWithPath(CORVELLE_BUNDLE_DIR);
    Value source
        = PropertyList::dictionaryWithContentsOfFile(std::string(CORVELLE_SOURCE_DIR) + "/Resources/bundle/Info.plist");
    ASSERT_TRUE(source.isDictionary());
    Value version = bundle->objectForInfoDictionaryKey("CFBundleShortVersionString");
    EXPECT_TRUE(version.isString() && !version.stringValue().empty());
    EXPECT_EQ(version, source["CFBundleShortVersionString"]);
    EXPECT_EQ(bundle->bundleIdentifier(), source["CFBundleIdentifier"].stringValue());
    EXPECT_EQ(bundle->pathForResourceOfType("Info", "plist"), std::string(CORVELLE_BUNDLE_DIR) + "/Info.plist");
}
