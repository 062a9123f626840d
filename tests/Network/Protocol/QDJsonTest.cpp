#include "Network/Protocol/QDJSON.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<std::string> descriptions(const QDJsonBase& json)
{
    std::vector<std::string> out;
    for (const auto& e : json.errorTrace())
        out.push_back(e.localizedDescription);
    return out;
}

std::string nested(int levels, const char* open, const char* close)
{
    std::string s;
    for (int i = 0; i < levels; ++i)
        s += open;
    for (int i = 0; i < levels; ++i)
        s += close;
    return s;
}

}  // namespace

TEST(QDJsonParser, MalformedTextFailsWithItsCodeAndOutermostText)
{
    struct Case {
        std::string text;
        long code;  // of the innermost error
        std::string innermost;
        std::string outermost;
    };
    const Case cases[] = {
        { "{} x", QDJsonErrorGarbage, "Garbage after JSON", "Garbage after JSON" },
        { "[1,]", QDJsonErrorTrailingComma, "Trailing comma disallowed in array",
            "Trailing comma disallowed in array" },
        { "{\"a\":1, }", QDJsonErrorTrailingComma, "Trailing comma disallowed in object",
            "Trailing comma disallowed in object" },
        { "[-]", QDJsonErrorNumber, "No digits after initial minus", "Expected value while parsing array" },
        { "[01]", QDJsonErrorNumber, "Leading 0 disallowed in number", "Expected value while parsing array" },
        { "[1.]", QDJsonErrorNumber, "No digits after decimal point", "Expected value while parsing array" },
        { "[1e]", QDJsonErrorNumber, "No digits after exponent", "Expected value while parsing array" },
        { "[+1]", QDJsonErrorNumber, "Leading + disallowed in number", "Expected value while parsing array" },
        { "[1e999]", QDJsonErrorNumber, "Failed creating decimal instance", "Expected value while parsing array" },
        { "[\"\\uDC00\"]", QDJsonErrorUnicode, "Invalid high character in surrogate pair",
            "Expected value while parsing array" },
        { "[\"\\uD83Dx\"]", QDJsonErrorUnicode, "Missing low character in surrogate pair",
            "Expected value while parsing array" },
        { "[\"\\uD83D\\u0041\"]", QDJsonErrorUnicode, "Invalid low surrogate char",
            "Expected value while parsing array" },
        { "[\"\\q\"]", QDJsonErrorEscape, "Illegal escape sequence '0x71'", "Expected value while parsing array" },
        { "[\"ab", QDJsonErrorControl, "Unescaped control character '0x0'", "Expected value while parsing array" },
        { "[\"a\tb\"]", QDJsonErrorControl, "Unescaped control character '0x9'", "Expected value while parsing array" },
        { "[\"ab\\n", QDJsonErrorEnd, "Unexpected EOF while parsing string", "Expected value while parsing array" },
        { "[\"ab\\", QDJsonErrorEscape, "Illegal escape sequence '0x0'", "Expected value while parsing array" },
        { "[tru]", QDJsonErrorParse, "Expected 'true'", "Expected value while parsing array" },
        { "[nul", QDJsonErrorParse, "Expected 'null'", "Expected value while parsing array" },
        { "[1", QDJsonErrorEnd, "End of input while parsing array", "End of input while parsing array" },
        { "{\"a\":1", QDJsonErrorEnd, "End of input while parsing object", "End of input while parsing object" },
        { "{1:2}", QDJsonErrorParse, "Object key string expected", "Object key string expected" },
        { "{\"a\" 2}", QDJsonErrorParse, "Expected ':' separating key and value",
            "Expected ':' separating key and value" },
        { "{\"k\":x}", QDJsonErrorParse, "Unrecognised leading character", "Object value expected for key: k" },
        { "   ", QDJsonErrorEnd, "Unexpected end of string", "Unexpected end of string" },
        { "\x01[]", QDJsonErrorParse, "Unrecognised leading character", "Unrecognised leading character" },
        { "5", QDJsonErrorFragment, "Valid fragment, but not JSON", "Valid fragment, but not JSON" },
    };
    QDJsonParser parser;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FALSE(parser.objectWithString(c.text));
        ASSERT_FALSE(parser.errorTrace().empty());
        EXPECT_EQ(parser.errorTrace().front().code, c.code);
        EXPECT_EQ(parser.errorTrace().front().localizedDescription, c.innermost);
        EXPECT_EQ(parser.errorTrace().back().localizedDescription, c.outermost);
        EXPECT_EQ(parser.errorTrace().back().domain, QDJsonErrorDomain);
    }
}

TEST(QDJsonParser, TraceRunsInnermostFirstAndLinksUnderlyingErrors)
{
    QDJsonParser parser;
    EXPECT_FALSE(parser.objectWithString(R"({"k":"\u12G4"})"));
    EXPECT_EQ(descriptions(parser),
        (std::vector<std::string> { "Missing hex digit in quad", "Missing hex quad", "Broken unicode character",
            "Object value expected for key: k" }));
    ASSERT_TRUE(parser.errorTrace().back().underlyingError);
    EXPECT_EQ(parser.errorTrace().back().underlyingError->localizedDescription, "Broken unicode character");
    EXPECT_FALSE(parser.errorTrace().front().underlyingError);

    // The next call starts a fresh trace.
    EXPECT_TRUE(parser.objectWithString("[]"));
    EXPECT_TRUE(parser.errorTrace().empty());
    EXPECT_FALSE(parser.objectWithString(std::nullopt));
    EXPECT_EQ(descriptions(parser), std::vector<std::string> { "Input was 'nil'" });
}

TEST(QDJsonParser, DepthLimit)
{
    QDJsonParser parser;
    EXPECT_TRUE(parser.objectWithString(nested(512, "[", "]")));
    EXPECT_FALSE(parser.objectWithString(nested(513, "[", "]")));
    EXPECT_EQ(parser.errorTrace().front().code, QDJsonErrorDepth);
    EXPECT_FALSE(parser.objectWithString("[" + nested(513, "{\"a\":", "}") + "]"));
    parser.setMaxDepth(0);
    EXPECT_TRUE(parser.objectWithString(nested(3000, "[", "]")));
}

TEST(QDJsonParser, ValuesKeepTheirKinds)
{
    QDJsonParser parser;
    auto v = parser.objectWithString(
        " {\"i\":-42,\"big\":18446744073709551615,\"huge\":123456789012345678901234,\"r\":0.1,\"e\":2E3,"
        "\"t\":true,\"f\":false,\"n\":null,\"s\":\"a\\/b\\u00e9\\ud83d\\ude00\",\"a\":[1 2],\"d\":{\"d\":1,\"d\":2}} ");
    ASSERT_TRUE(v);
    const Value& o = *v;
    EXPECT_TRUE(o["i"].isInteger());
    EXPECT_EQ(o["i"].longLongValue(), -42);
    EXPECT_EQ(o["big"].unsignedLongLongValue(), 18446744073709551615ull);
    EXPECT_TRUE(o["huge"].isReal());
    EXPECT_TRUE(o["r"].isReal());
    EXPECT_DOUBLE_EQ(o["e"].doubleValue(), 2000);
    EXPECT_TRUE(o["t"].isBool() && o["t"].boolValue());
    EXPECT_TRUE(o["f"].isBool() && !o["f"].boolValue());
    EXPECT_TRUE(o.contains("n") && o["n"].isNull());
    EXPECT_EQ(o["s"].stringValue(), "a/b\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(o["a"].count(), 2u);  // elements need no comma between them
    EXPECT_EQ(o["d"].count(), 1u);
    EXPECT_EQ(o["d"]["d"].intValue(), 2);  // a later duplicate key wins
    EXPECT_TRUE(parser.objectWithString(" {} ")->isDictionary());
    EXPECT_TRUE(parser.fragmentWithString("null")->isNull());
    EXPECT_EQ(parser.fragmentWithString("\"x\"")->stringValue(), "x");
    // The text ends at its first zero byte, as the reply's trailing zero does.
    EXPECT_TRUE(parser.objectWithString(std::string_view("[1]\0junk", 8)));
}

TEST(QDJsonWriter, WritesCompactTextAndEscapesOnlyWhatItMust)
{
    QDJsonWriter writer;
    Value v = Value::dictionary({ { "s", Value("\"\\\t\x01/\xC3\xA9") }, { "b", Value(true) }, { "n", Value() },
        { "i", Value(-7) }, { "r", Value(0.1) }, { "f", Value(75.3f) },
        { "c", Value::integer(1, Value::NumberKind::Char) }, { "a", Value::array({ Value(1), Value("x") }) } });
    EXPECT_EQ(writer.stringWithObject(v),
        R"({"s":"\"\\\t\u0001/)"
        "\xC3\xA9"
        R"(","b":true,"n":null,"i":-7,"r":0.1,"f":75.3,"c":true,"a":[1,"x"]})");
    // A parsed 0.1 writes back as the same three characters.
    EXPECT_EQ(writer.stringWithObject(*QDJsonParser().objectWithString("[0.1]")), "[0.1]");
    // Reals go out as the platform writes them: 16 digits for doubles, 7 for floats.
    EXPECT_EQ(writer.stringWithObject(Value::array({ Value(200000.0), Value(1.1 + 2.2), Value(100.0f / 3) })),
        "[200000,3.3,33.33333]");

    writer.setSortKeys(true);
    writer.setHumanReadable(true);
    EXPECT_EQ(writer.stringWithObject(Value::dictionary({ { "b", Value(1) }, { "a", Value::array({ Value(2) }) } })),
        "{\n  \"a\" : [\n    2\n  ],\n  \"b\" : 1\n}");
    EXPECT_EQ(writer.stringWithObject(Value::dictionary()), "{}");
}

// Texts read and written again keep every value, compact or laid out, and
// each output is made once at its final size: its room is its length (no
// regrowing, no slack), except for computed reals, given their longest form.
TEST(QDJsonWriter, TrickyTextsRoundTripAndTheOutputIsMadeAtItsSize)
{
    // Below twice the inline room the string library rounds the room up.
    auto madeAtItsSize = [](const std::string& text) {
        return text.size() < 30 ? text.capacity() <= 30 : text.capacity() == text.size();
    };
    std::string wide = "[";
    for (int i = 0; i < 3000; ++i)
        wide += (i ? "," : "") + std::string(R"({"k\"ey\\":"a\u0001b\n\t\u001f\/é漢😀","n":-)") + std::to_string(i)
            + R"(,"big":18446744073709551615,"d":1.250,"t":true,"z":null})";
    wide += "]";
    std::string deep;
    for (int i = 0; i < 250; ++i)
        deep += R"({"a":[)";
    deep += "0";
    for (int i = 0; i < 250; ++i)
        deep += "]}";
    const char* texts[] = {
        R"({"quote\"back\\slash":"\"\\\b\f\n\r\t\u0000\u007f","unicode":"é漢😀\u00e9\ud83d\ude00","slash":"a\/b"})",
        R"([9223372036854775807,-9223372036854775808,18446744073709551615,123456789012345678901234567890,-0,1e-7,1.5E+300,0.1])",
        R"([[],{},[[[]]],{"":{"":""}},"",true,false,null])",
        R"(["1234567","12345678","1234567890123","12345678901234"])",
    };
    QDJsonParser parser;
    for (bool laidOut : { false, true }) {
        SCOPED_TRACE(laidOut ? "laid out" : "compact");
        QDJsonWriter writer;
        writer.setHumanReadable(laidOut);
        std::vector<std::string> all(std::begin(texts), std::end(texts));
        all.push_back(wide);
        all.push_back(deep);
        for (const auto& text : all) {
            SCOPED_TRACE(text.substr(0, 60));
            auto value = parser.objectWithString(text);
            ASSERT_TRUE(value);
            auto written = writer.stringWithObject(*value);
            ASSERT_TRUE(written);
            EXPECT_TRUE(madeAtItsSize(*written)) << written->capacity() << " for " << written->size();
            auto again = parser.objectWithString(*written);
            ASSERT_TRUE(again);
            EXPECT_EQ(*again, *value);
            EXPECT_EQ(writer.stringWithObject(*again), written) << "a second round changed the text";
            // The optional escape of '/' is never written.
            EXPECT_EQ(written->find("\\/"), std::string::npos);
        }
        // Sorted keys change the order, not the length.
        writer.setSortKeys(true);
        auto sorted = writer.stringWithObject(*parser.objectWithString(R"({"b":1,"a":{"d":"x","c":[1,2]}})"));
        ASSERT_TRUE(sorted);
        EXPECT_TRUE(madeAtItsSize(*sorted)) << sorted->capacity() << " for " << sorted->size();
        EXPECT_EQ(*sorted,
            laidOut
                ? "{\n  \"a\" : {\n    \"c\" : [\n      1,\n      2\n    ],\n    \"d\" : \"x\"\n  },\n  \"b\" : 1\n}"
                : R"({"a":{"c":[1,2],"d":"x"},"b":1})");
    }
    // A computed real is given room for its longest form and still writes exactly.
    QDJsonWriter writer;
    auto reals = writer.stringWithObject(Value::array({ Value(0.1), Value(1.0 / 3), Value(7.0f) }));
    ASSERT_TRUE(reals);
    EXPECT_EQ(*reals, "[0.1,0.3333333333333333,7]");
    EXPECT_GE(reals->capacity(), reals->size());
}

TEST(QDJsonWriter, RefusesWhatJsonCannotHold)
{
    struct Case {
        Value value;
        std::vector<std::string> trace;
    };
    const Case cases[] = {
        { Value("scalar"), { "Not valid type for JSON" } },
        { Value::array({ Value(Date { 5 }) }), { "JSON serialisation not supported for NSDate" } },
        { Value::dictionary({ { "k", Value(Data { 1 }) } }),
            { "JSON serialisation not supported for NSData", "Unsupported value for key k in object" } },
        { Value::array({ Value(std::numeric_limits<double>::infinity()) }),
            { "JSON serialisation not supported for NSNumber" } },
    };
    QDJsonWriter writer;
    for (const auto& c : cases) {
        EXPECT_FALSE(writer.stringWithObject(c.value));
        EXPECT_EQ(descriptions(writer), c.trace);
    }
    Value deep = Value::array();
    for (int i = 0; i < 600; ++i)
        deep = Value::array({ deep });
    EXPECT_FALSE(writer.stringWithObject(deep));
    EXPECT_EQ(writer.errorTrace().front().code, QDJsonErrorDepth);
}

TEST(QDJSON, CopiesTheWorkersTraceAndReportsTheOutermostError)
{
    QDJSON json;
    EXPECT_EQ(json.maxDepth(), 512u);
    QDJsonError error;
    EXPECT_FALSE(json.objectWithString("[1,]", &error));
    EXPECT_EQ(error.code, QDJsonErrorTrailingComma);
    EXPECT_EQ(json.errorTrace().size(), 1u);
    EXPECT_EQ(json.objectWithStringAllowScalarError("7", true, &error)->intValue(), 7);
    EXPECT_FALSE(json.objectWithStringAllowScalarError("7", false, &error));
    EXPECT_EQ(error.code, QDJsonErrorFragment);
    EXPECT_EQ(json.stringWithObjectAllowScalarError(Value(3), true, nullptr), "3");
    json.setMaxDepth(1);
    EXPECT_FALSE(json.objectWithString("[[]]"));
    EXPECT_FALSE(json.stringWithObject(Value::array({ Value::array() })));
    EXPECT_EQ(JSONValue("{\"a\":[1]}")->operator[]("a").count(), 1u);
    EXPECT_FALSE(JSONValue("7"));
    EXPECT_EQ(JSONFragmentValue("7")->intValue(), 7);
    EXPECT_EQ(JSONRepresentation(Value::array({ Value("a") })), "[\"a\"]");
    EXPECT_EQ(JSONFragment(Value(false)), "false");
}

TEST(QDJsonParser, NumbersTooSmallForADoubleAreZeroAndNegativeZeroKeepsItsSign)
{
    QDJsonParser parser;
    QDJsonWriter writer;
    struct Case {
        const char* text;
        double value;
        bool negative;
    };
    const Case cases[] = {
        { "[1e-400]", 0.0, false },
        { "[-1e-400]", -0.0, true },
        { "[4.9e-324]", 4.9e-324, false },
        { "[-0]", -0.0, true },
        { "[-0.0]", -0.0, true },
    };
    for (const auto& c : cases) {
        auto v = parser.objectWithString(c.text);
        ASSERT_TRUE(v) << c.text;
        const Value& n = (*v)[size_t(0)];
        EXPECT_EQ(n.doubleValue(), c.value) << c.text;
        EXPECT_EQ(std::signbit(n.doubleValue()), c.negative) << c.text;
        // Written and read again, the value is the same, sign included.
        auto again = parser.objectWithString(*writer.stringWithObject(*v));
        ASSERT_TRUE(again) << c.text;
        EXPECT_EQ(std::signbit((*again)[size_t(0)].doubleValue()), c.negative) << c.text;
    }
    EXPECT_FALSE(parser.objectWithString("[1e400]"));
    EXPECT_FALSE(parser.objectWithString("[-1e400]"));
}

TEST(QDJsonWriter, ParsedNumbersAreWrittenBackWithEveryDigitAndComputedOnesAsTheValueWritesThem)
{
    QDJsonParser parser;
    QDJsonWriter writer;
    const char* texts[] = { "[0.1]", "[12.50]", "[3.14159265358979323846264338327950288]", "[18446744073709551616]",
        "[123456789012345678901234567890]", "[-0.0]", "[1e-400]", "[2E3]", "[-7]" };
    for (const char* text : texts) {
        auto v = parser.objectWithString(text);
        ASSERT_TRUE(v) << text;
        EXPECT_EQ(writer.stringWithObject(*v), text);
    }
    auto parsed = parser.objectWithString("[12.50]");
    EXPECT_DOUBLE_EQ((*parsed)[size_t(0)].doubleValue(), 12.5);
    EXPECT_EQ((*parsed)[size_t(0)], Value(12.5));
    EXPECT_EQ(writer.stringWithObject(Value::array({ Value(1.1 + 2.2), Value(200000.0), Value(100.0f / 3) })),
        "[3.3,200000,33.33333]");
}

TEST(QDJsonParser, RepeatedKeysKeepTheFirstPlaceAndTheLastValueInSmallAndLargeObjects)
{
    QDJsonParser parser;
    for (int keys : { 4, 40 }) {
        SCOPED_TRACE(keys);
        // k0 .. k{keys-1}, then k1 and the last key again, then k0 once more.
        std::string text = "{";
        for (int i = 0; i < keys; ++i)
            text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
        text += "\"k1\":\"again\",\"k" + std::to_string(keys - 1) + "\":null,\"k0\":[0]}";
        auto v = parser.objectWithString(text);
        ASSERT_TRUE(v);
        ASSERT_EQ(v->count(), static_cast<size_t>(keys));
        const auto& entries = v->dictionaryValue().entries();
        for (int i = 0; i < keys; ++i)
            EXPECT_EQ(entries[static_cast<size_t>(i)].first, "k" + std::to_string(i));
        EXPECT_EQ((*v)["k0"].count(), 1u);
        EXPECT_EQ((*v)["k1"].stringValue(), "again");
        EXPECT_TRUE(v->contains("k" + std::to_string(keys - 1)));
        EXPECT_TRUE((*v)["k" + std::to_string(keys - 1)].isNull());
        EXPECT_EQ((*v)["k2"].intValue(), 2);
    }
}

TEST(QDJsonParser, StringStopsAreFoundAtEveryPlaceOfALongRun)
{
    QDJsonParser parser;
    // Bytes 0x80 and above share their low bits with a quote, a backslash or a
    // control byte and must pass through as text.
    const std::string wide = "\xC2\xA2\xC3\x9C\xC2\x80\xC2\x9F\x7F";
    for (size_t at = 0; at < 20; ++at) {
        SCOPED_TRACE(at);
        const std::string before = (wide + wide + wide).substr(0, at) + std::string(at % 2, 'x');
        const std::string plain = before + "tail of the run";
        auto v = parser.fragmentWithString("\"" + plain + "\"");
        ASSERT_TRUE(v);
        EXPECT_EQ(v->stringValue(), plain);
        auto escaped = parser.fragmentWithString("\"" + before + "\\\"\\\\" + before + "\"");
        ASSERT_TRUE(escaped);
        EXPECT_EQ(escaped->stringValue(), before + "\"\\" + before);
        EXPECT_FALSE(parser.fragmentWithString("\"" + before + "\x1f" + "rest of the text\""));
        EXPECT_EQ(parser.errorTrace().front().localizedDescription, "Unescaped control character '0x1f'");
        EXPECT_FALSE(parser.fragmentWithString("\"" + before));
        EXPECT_EQ(parser.errorTrace().front().localizedDescription, "Unescaped control character '0x0'");
    }
}

namespace {

// Puts back together, from what the parser handed over, the tree the whole
// text gives: the member's array of arrays (read element by element) and
// other values (read whole), in place among the other members.
class Reassembler : public QDJsonParser::ArrayReader {
public:
    explicit Reassembler(size_t elementwise, size_t refuseAt = SIZE_MAX)
        : m_elementwise(elementwise)
        , m_refuseAt(refuseAt)
    {
    }
    bool readsElementwise(size_t index) override
    {
        open(index);
        m_parts[index] = Value::array();
        return index < m_elementwise;
    }
    bool element(size_t index, const Value& value) override
    {
        m_parts[index].append(value);
        return ++m_handed != m_refuseAt;
    }
    bool whole(size_t index, const Value& value) override
    {
        open(index);
        m_parts[index] = value;
        return ++m_handed != m_refuseAt;
    }
    void ended(size_t count) override { m_count = count; }

    size_t handed() const { return m_handed; }
    std::optional<size_t> count() const { return m_count; }
    Value array() const { return Value(ValueArray(m_parts)); }

private:
    const size_t m_elementwise;
    const size_t m_refuseAt;
    std::vector<Value> m_parts;
    size_t m_handed = 0;
    std::optional<size_t> m_count;

    void open(size_t index)
    {
        if (m_parts.size() <= index)
            m_parts.resize(index + 1);
    }
};

}  // namespace

TEST(QDJsonParser, AnArrayMemberIsHandedOverAsItIsReadAndTheRestIsTheWholeTree)
{
    struct Case {
        const char* what;
        std::string text;
        // Whether the member is read as an array (and so left out of the object).
        bool handed;
    };
    const Case cases[] = {
        { "tables and more", R"({"a":1,"content":[[{"x":1},"s",[2]],[],{"k":[3]},[4,5],"t"],"b":{"content":[9]}})",
            true },
        { "spaced out, member first", " {\n\"content\" : [ [ 1 , 2 ] , [ ] ] , \"z\" : null }\t", true },
        { "a key spelled with an escape", R"({"cont\u0065nt":[[true,false,null,-0,1.5e3]]})", true },
        { "an empty array", R"({"content":[],"a":"b"})", true },
        { "the member not an array", R"({"content":{"a":[1]},"b":2})", false },
        { "the member a number", R"({"content":12})", false },
        { "no such member", R"({"contents":[[1]]})", false },
        { "an empty object", "{}", false },
        { "a repeated other member", R"({"a":1,"content":[[1]],"a":2})", true },
        { "elements past the arrays read one by one", R"({"content":[[1],[2],[3],[4]]})", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDJsonParser parser;
        Reassembler reader(2);
        auto object = parser.objectReadingArray(c.text, "content", reader);
        ASSERT_TRUE(object);
        EXPECT_TRUE(parser.errorTrace().empty());
        auto tree = QDJsonParser().objectWithString(c.text);
        ASSERT_TRUE(tree);
        EXPECT_EQ(reader.count().has_value(), c.handed);
        if (c.handed) {
            EXPECT_FALSE(object->contains("content"));
            EXPECT_EQ(reader.count(), (*tree)["content"].count());
            object->set("content", reader.array());
        }
        EXPECT_EQ(*object, *tree);
    }
}

TEST(QDJsonParser, ReadingAnArrayMemberFailsWhereTheWholeTextFails)
{
    const std::string tables = R"([[{"a":1},{"b":2}],[3]])";
    struct Case {
        const char* what;
        std::string text;
        // Elements handed over before the failure is met.
        size_t handedBefore;
        long code;
        // Text the whole reading takes: refused only read element by element.
        bool wholeReads = false;
    };
    const Case cases[] = {
        { "cut in the second table", R"({"content":[[{"a":1},{"b":2}],[3)", 3, QDJsonErrorEnd },
        { "cut in an element", R"({"content":[[{"a":1},{"b":)", 1, QDJsonErrorEnd },
        { "trailing comma in a table", R"({"content":[[1,]]})", 1, QDJsonErrorTrailingComma },
        { "trailing comma in the member", R"({"content":[[1],]})", 1, QDJsonErrorTrailingComma },
        { "bad escape in an element", R"({"content":[["\q"]]})", 0, QDJsonErrorEscape },
        { "the member twice", R"({"content":)" + tables + R"(,"content":[]})", 3, QDJsonErrorParse, true },
        { "garbage after", R"({"content":)" + tables + "}x", 3, QDJsonErrorGarbage },
        { "an array", "[" + tables + "]", 0, QDJsonErrorFragment, true },
        { "a text", R"("content")", 0, QDJsonErrorFragment },
        { "empty", "", 0, QDJsonErrorFragment },
        { "nested past the limit in an element",
            R"({"content":[[)" + nested(QDJsonBase::kDefaultMaxDepth - 2, "[", "]") + "]]}", 0, QDJsonErrorDepth },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QDJsonParser parser;
        Reassembler reader(2);
        EXPECT_FALSE(parser.objectReadingArray(c.text, "content", reader));
        EXPECT_EQ(reader.handed(), c.handedBefore);
        ASSERT_FALSE(parser.errorTrace().empty());
        EXPECT_EQ(parser.errorTrace().front().code, c.code);
        EXPECT_EQ(QDJsonParser().objectWithString(c.text).has_value(), c.wholeReads);
    }
    // One level less is within the limit: the levels above an element count.
    QDJsonParser parser;
    Reassembler reader(2);
    EXPECT_TRUE(parser.objectReadingArray(
        R"({"content":[[)" + nested(QDJsonBase::kDefaultMaxDepth - 3, "[", "]") + "]]}", "content", reader));
    // A reader that refuses an element stops the reading there.
    Reassembler refusing(2, 2);
    EXPECT_FALSE(parser.objectReadingArray(R"({"content":)" + tables + "}", "content", refusing));
    EXPECT_EQ(refusing.handed(), 2u);
    ASSERT_FALSE(parser.errorTrace().empty());
}
