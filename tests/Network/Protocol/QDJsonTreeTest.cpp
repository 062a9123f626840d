#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::string nestedArrays(unsigned levels) { return std::string(levels, '[') + std::string(levels, ']'); }

}  // namespace

TEST(QDJsonParser, NestingStopsCleanlyAtTheDeepestLevelWhateverTheLimit)
{
    QDJsonParser parser;
    QDJsonWriter writer;
    for (unsigned limit : { 0u, 1000000u }) {
        SCOPED_TRACE(limit);
        parser.setMaxDepth(limit);
        writer.setMaxDepth(limit);
        auto deepest = parser.objectWithString(nestedArrays(QDJsonBase::kDeepestNesting));
        ASSERT_TRUE(deepest);
        EXPECT_EQ(writer.stringWithObject(*deepest), nestedArrays(QDJsonBase::kDeepestNesting));
        EXPECT_FALSE(parser.objectWithString(nestedArrays(QDJsonBase::kDeepestNesting + 1)));
        EXPECT_EQ(parser.errorTrace().front().code, QDJsonErrorDepth);
        EXPECT_FALSE(writer.stringWithObject(Value::array({ *deepest })));
        EXPECT_EQ(writer.errorTrace().front().code, QDJsonErrorDepth);
    }
}

TEST(QDJsonParser, KeysOfEveryLengthAndEscapeReadBackInEveryObject)
{
    // Long keys are made once and shared by the objects using them; more
    // distinct keys than are kept must still each read as their own text.
    std::vector<std::string> keys
        = { "", "k", "seven77", "eight888", "a\nb", "caf\xC3\xA9 au lait", std::string("nul\0in key", 11) };
    for (int i = 0; i < 700; ++i)
        keys.push_back("a long key number " + std::to_string(i));
    Value object;
    for (size_t i = 0; i < keys.size(); ++i)
        object.set(keys[i], Value(static_cast<int>(i)));
    QDJsonWriter writer;
    auto text = writer.stringWithObject(Value::array({ object, Value::dictionary({ { "eight888", 1 } }), object }));
    ASSERT_TRUE(text);
    auto parsed = QDJsonParser().objectWithString(*text);
    ASSERT_TRUE(parsed);
    for (size_t o : { 0u, 2u }) {
        const auto entries = (*parsed)[o].dictionaryValue().entries();
        ASSERT_EQ(entries.size(), keys.size());
        for (size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(entries[i].first, keys[i]) << i;
            EXPECT_EQ(entries[i].second.intValue(), static_cast<int>(i)) << i;
        }
    }
    EXPECT_EQ(writer.stringWithObject(*parsed), text);
}

TEST(QDJsonParser, AFailingValueNamesItsEscapedKey)
{
    // The key's escapes and the failing value's are read into the same buffer.
    QDJsonParser parser;
    EXPECT_FALSE(parser.objectWithString(R"({"a\nlong escaped key": "x\ty\q"})"));
    ASSERT_FALSE(parser.errorTrace().empty());
    EXPECT_EQ(parser.errorTrace().back().localizedDescription, "Object value expected for key: a\nlong escaped key");
}

TEST(QDJsonWriter, TextsAndNumbersEitherSideOfTheInlineSizesWriteBackAsRead)
{
    QDJsonParser parser;
    QDJsonWriter writer;
    const char* texts[] = {
        R"(["abcdefghijklm","abcdefghijklmn","tab\there\u0001","",""])",
        R"([1234567890.12,1234567890.123,-0.000000000001,99999999999999999999.5])",
        R"({"sevenkk":{"eightkkk":"x"},"sevenkk2":[{"eightkkk":"y"}]})",
    };
    for (const char* text : texts) {
        auto v = parser.objectWithString(text);
        ASSERT_TRUE(v) << text;
        EXPECT_EQ(writer.stringWithObject(*v), text);
    }
}

TEST(QDJsonParser, KeysAlikeButForOneByteStayApartAndRepeatedKeysKeepTheirLastValue)
{
    // Keys are told apart by their size and outer bytes before their whole
    // text is compared: keys that share those must still be their own.
    std::string many = "{";
    for (char c = 'A'; c <= 'Z'; ++c)
        many += std::string("\"aaaaaaaa") + c + "bbbbbbbb\":\"" + c + "\",";
    many += "\"aaaaaaaaQbbbbbbbb\":\"again\"}";
    std::string manyWritten = "{";
    for (char c = 'A'; c <= 'Z'; ++c)
        manyWritten += std::string(c == 'A' ? "" : ",") + "\"aaaaaaaa" + c + "bbbbbbbb\":\""
            + (c == 'Q' ? "again" : std::string(1, c)) + "\"";
    manyWritten += "}";
    struct Case {
        std::string text;
        std::string written;
    };
    const Case cases[] = {
        { R"({"a":1,"b":2,"a":3})", R"({"a":3,"b":2})" },
        { R"({"abcdefgh1":1,"abcdefgh2":2,"abcdefgh1":3})", R"({"abcdefgh1":3,"abcdefgh2":2})" },
        { R"({"aaaaaaaaXbbbbbbbb":1,"aaaaaaaaYbbbbbbbb":2,"aaaaaaaaXbbbbbbbb":3})",
            R"({"aaaaaaaaXbbbbbbbb":3,"aaaaaaaaYbbbbbbbb":2})" },
        { R"([{"aaaaaaaaXbbbbbbbb":1},{"aaaaaaaaYbbbbbbbb":2},{"aaaaaaaaXbbbbbbbb":3}])",
            R"([{"aaaaaaaaXbbbbbbbb":1},{"aaaaaaaaYbbbbbbbb":2},{"aaaaaaaaXbbbbbbbb":3}])" },
        { R"({"1234567":1,"12345678":2,"1234567":3,"12345678":4})", R"({"1234567":3,"12345678":4})" },
        { R"({"abcdefg":1,"abcdefgh":2,"abcdefgx":3})", R"({"abcdefg":1,"abcdefgh":2,"abcdefgx":3})" },
        { R"({"ab":1,"a\u0062":2,"a\"b":3,"a\\b":4})", R"({"ab":2,"a\"b":3,"a\\b":4})" },
        { R"({"":1,"\u0000":2,"":3})", R"({"":3,"\u0000":2})" },
        { many, manyWritten },
    };
    QDJsonParser parser;
    QDJsonWriter writer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto v = parser.objectWithString(c.text);
        ASSERT_TRUE(v);
        EXPECT_EQ(writer.stringWithObject(*v), c.written);
    }
}

TEST(QDJsonParser, ValuesAreMadeInTheirPlacesAtEveryDepthAndAFailureLeavesNothingBehind)
{
    struct Case {
        const char* text;
        const char* failing;  // the same shape broken deep inside
    };
    const Case cases[] = {
        { R"([[],{},[[]],[{}],{"a":[]},{"a":{}},"",0,-1,null,true])",
            R"([[],{},[[]],[{}],{"a":[]},{"a":{"b":[1,}},"",0])" },
        { R"({"a":[1,[2,[3,{"b":[4,{"c":"deep"}]}]]],"d":{"e":{"f":[null,false]}},"g":"after"})",
            R"({"a":[1,[2,[3,{"b":[4,{"c":"deep\q"}]}]]],"d":{"e":{"f":[null,false]}},"g":"after"})" },
        { R"([{"k":[{"k":[{"k":[]}]}]},{"k":{"k":{"k":{}}}}])", R"([{"k":[{"k":[{"k":[]}]}]},{"k":{"k":{"k":{})" },
    };
    QDJsonParser parser;
    QDJsonWriter writer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto v = parser.objectWithString(c.text);
        ASSERT_TRUE(v);
        EXPECT_EQ(writer.stringWithObject(*v), c.text);
        // A failure halfway leaves no element or entry behind for the next text.
        EXPECT_FALSE(parser.objectWithString(c.failing));
        auto again = parser.objectWithString(c.text);
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, *v);
        EXPECT_EQ(writer.stringWithObject(*again), c.text);
    }
}

TEST(QDJsonWriter, OutputsOfEverySizeAreWholeAndMadeAtTheirSize)
{
    // Small and large outputs, single texts larger than any piece the output
    // is gathered in, and many small writes, each compared with the text built
    // by hand.
    struct Case {
        Value value;
        std::string written;
    };
    std::vector<Case> cases;
    cases.push_back({ Value::array({ Value("x") }), R"(["x"])" });
    for (size_t size : { size_t(4090), size_t(4096), size_t(70000), size_t(3 * 1024 * 1024 + 7) }) {
        std::string text(size, 'a');
        text[size / 2] = '"';
        std::string escaped = text.substr(0, size / 2) + "\\\"" + text.substr(size / 2 + 1);
        cases.push_back({ Value::array({ Value(text), Value(1) }), "[\"" + escaped + "\",1]" });
    }
    Value many;
    std::string manyWritten = "[";
    for (int i = 0; i < 60000; ++i) {
        many.append(Value::dictionary({ { "n", i }, { "s", "t\n" + std::to_string(i) } }));
        manyWritten
            += std::string(i ? "," : "") + R"({"n":)" + std::to_string(i) + R"(,"s":"t\n)" + std::to_string(i) + "\"}";
    }
    manyWritten += "]";
    cases.push_back({ many, manyWritten });
    QDJsonWriter writer;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written.size());
        auto written = writer.stringWithObject(c.value);
        ASSERT_TRUE(written);
        EXPECT_TRUE(*written == c.written);
        // Below twice the inline room the string library rounds the room up.
        EXPECT_TRUE(written->size() < 30 ? written->capacity() <= 30 : written->capacity() == written->size());
    }
}

TEST(QDJsonParser, RepliesReadOnSeveralThreadsShareTheirKeysAndOutliveTheirReaders)
{
    // Each thread reads replies naming members both alike and its own; the
    // trees, and keys taken out of them, are let go on other threads.
    const auto reply = [](size_t thread, int products) {
        std::string text = "[";
        for (int i = 0; i < products; ++i)
            text += (i ? "," : "") + std::string("{\"productName\":") + std::to_string(i) + ",\"member of reader "
                + std::to_string(thread) + "\":\"" + std::to_string(i) + "\"}";
        return text + "]";
    };
    std::vector<std::vector<Value>> trees(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < trees.size(); ++t) {
        threads.emplace_back([&into = trees[t], text = reply(t, 300)] {
            QDJsonParser parser;
            for (int round = 0; round < 5; ++round) {
                auto tree = parser.objectWithString(text);
                ASSERT_TRUE(tree);
                into.push_back(std::move(*tree));
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    threads.clear();
    std::vector<ValueKey> keptKeys(trees.size());
    for (size_t t = 0; t < trees.size(); ++t) {
        const size_t reader = (t + 1) % trees.size();
        threads.emplace_back([&mine = trees[reader], &kept = keptKeys[t], reader] {
            const std::string own = "member of reader " + std::to_string(reader);
            for (const Value& tree : mine) {
                ASSERT_EQ(tree.count(), 300u);
                for (size_t i = 0; i < tree.count(); ++i) {
                    EXPECT_EQ(tree[i]["productName"].intValue(), static_cast<int>(i));
                    EXPECT_EQ(tree[i][own].stringValue(), std::to_string(i));
                }
            }
            kept = mine.back()[size_t(0)].dictionaryValue().entries()[1].first;
            mine.clear();
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (size_t t = 0; t < keptKeys.size(); ++t)
        EXPECT_EQ(keptKeys[t], "member of reader " + std::to_string((t + 1) % trees.size()));
}
