#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/PropertyList.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using PropertyList::Format;

std::span<const uint8_t> bytesOf(std::string_view text)
{
    return { reinterpret_cast<const uint8_t*>(text.data()), text.size() };
}

// One of every kind, with the edges that break naive encoders.
Value everyKind()
{
    return Value::dictionary({
        { "text", Value("plain") },
        { "empty", Value("") },
        { "unicode", Value("汉字 é 😀 <&>\"") },
        { "zero", Value(0) },
        { "negative", Value(-5) },
        { "int64min", Value::integer(std::numeric_limits<int64_t>::min()) },
        { "int64max", Value::integer(std::numeric_limits<int64_t>::max()) },
        { "unsignedSmall", Value(5u) },
        { "unsignedMax", Value::unsignedInteger(std::numeric_limits<uint64_t>::max()) },
        { "real", Value(0.1) },
        { "hugeReal", Value(-1.5e300) },
        { "float", Value(75.3f) },
        { "yes", Value(true) },
        { "no", Value(false) },
        { "date", Value(Date { 1'700'000'000 }) },
        { "bytes", Value(Data { 0, 1, 2, 0xFF }) },
        { "noBytes", Value(Data {}) },
        { "emptyArray", Value::array() },
        { "emptyDictionary", Value::dictionary() },
        { "nested",
            Value::array({ Value::dictionary({ { "a", Value::array({ Value(1), Value("x") }) } }), Value(2.5) }) },
    });
}

}  // namespace

TEST(PropertyListTest, EveryKindRoundTripsInBothFormats)
{
    for (Format format : { Format::XML, Format::Binary }) {
        SCOPED_TRACE(format == Format::XML ? "XML" : "binary");
        Value original = everyKind();
        auto data = PropertyList::dataWithPropertyList(original, format);
        ASSERT_TRUE(data);
        Format detected {};
        Value back = PropertyList::propertyListWithData(*data, &detected);
        EXPECT_EQ(detected, format);
        EXPECT_EQ(back, original);
        EXPECT_EQ(back.dictionaryValue().keys(), original.dictionaryValue().keys());

        // Kinds that equality alone would not catch.
        EXPECT_TRUE(back["unsignedMax"].isUnsigned());
        EXPECT_EQ(back["unsignedMax"].unsignedLongLongValue(), std::numeric_limits<uint64_t>::max());
        EXPECT_FALSE(back["negative"].isUnsigned());
        EXPECT_EQ(back["negative"].longLongValue(), -5);
        EXPECT_EQ(back["int64min"].longLongValue(), std::numeric_limits<int64_t>::min());
        EXPECT_TRUE(back["yes"].isBool());
        EXPECT_TRUE(back["zero"].isInteger());
        EXPECT_TRUE(back["real"].isReal());
        EXPECT_EQ(back["float"].floatValue(), 75.3f);
        EXPECT_TRUE(back["date"].isDate());
        EXPECT_TRUE(back["noBytes"].isData());
    }
}

TEST(PropertyListTest, DatePrecisionByFormat)
{
    Value moment(Date { 1'700'000'000.25 });
    auto binary = PropertyList::dataWithPropertyList(moment, Format::Binary);
    ASSERT_TRUE(binary);
    EXPECT_NEAR(PropertyList::propertyListWithData(*binary).dateValue().secondsSince1970, 1'700'000'000.25, 1e-6);
    // The XML form keeps whole seconds, as the platform's does.
    auto xml = PropertyList::dataWithPropertyList(moment, Format::XML);
    ASSERT_TRUE(xml);
    EXPECT_EQ(PropertyList::propertyListWithData(*xml).dateValue(), Date { 1'700'000'000 });
    Value early(Date { -100.0 });
    EXPECT_EQ(PropertyList::propertyListWithData(*PropertyList::dataWithPropertyList(early, Format::Binary)), early);
}

TEST(PropertyListTest, DatesOutside1933To2069AreKeptInBothFormats)
{
    struct Case {
        const char* what;
        double seconds;
    } cases[] = {
        { "2100-01-01", 4'102'444'800 },
        { "1900-01-01", -2'208'988'800 },
        { "a birthday in 1920", -1'570'000'000 },
        { "9999-12-31 23:59:59", 253'402'300'799 },
        { "0001-01-01", -62'135'596'800 },
        { "the edge, 1933-12-13 20:45:52", 978'307'200.0 - 2'147'483'648.0 },
    };
    for (const auto& c : cases) {
        for (Format format : { Format::XML, Format::Binary }) {
            Value stored = Value::dictionary({ { "when", Value(Date { c.seconds }) } });
            auto data = PropertyList::dataWithPropertyList(stored, format);
            ASSERT_TRUE(data) << c.what;
            EXPECT_EQ(PropertyList::propertyListWithData(*data), stored) << c.what;
        }
    }
}

TEST(PropertyListTest, ValuesWithoutPropertyListFormAreRefused)
{
    struct Case {
        const char* what;
        Value value;
    } cases[] = {
        { "null", Value() },
        { "null in an array", Value::array({ Value(1), Value() }) },
        { "null in a dictionary", Value::dictionary({ { "k", Value() } }) },
        { "NUL in a text", Value(std::string("a\0b", 3)) },
        { "invalid UTF-8", Value(std::string("\xC3\x28")) },
        { "NUL in a key", Value::dictionary({ { std::string("k\0", 2), Value(1) } }) },
        { "date after the year 9999", Value(Date { 253'402'300'800 }) },
        { "date before the year 1", Value(Date { -62'135'596'801 }) },
    };
    for (const auto& c : cases) {
        for (Format format : { Format::XML, Format::Binary }) {
            std::string error;
            EXPECT_FALSE(PropertyList::dataWithPropertyList(c.value, format, &error)) << c.what;
            EXPECT_FALSE(error.empty()) << c.what;
        }
    }
}

TEST(PropertyListTest, ReadsThePlatformsXML)
{
    const char* xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>language</key>
	<integer>2</integer>
	<key>offset</key>
	<integer>-3</integer>
	<key>big</key>
	<integer>18446744073709551615</integer>
	<key>rate</key>
	<real>75.3</real>
	<key>D_OKRA_SHORTCUT</key>
	<true/>
	<key>when</key>
	<date>2014-05-06T07:08:09Z</date>
	<key>blob</key>
	<data>AAEC/w==</data>
	<key>names</key>
	<array><string>a &amp; b</string><string></string></array>
</dict>
</plist>)";
    Value v = PropertyList::propertyListWithData(bytesOf(xml));
    ASSERT_TRUE(v.isDictionary());
    EXPECT_EQ(v["language"].integerValue(), 2);
    EXPECT_EQ(v["offset"].integerValue(), -3);
    EXPECT_TRUE(v["big"].isUnsigned());
    EXPECT_DOUBLE_EQ(v["rate"].doubleValue(), 75.3);
    EXPECT_TRUE(v["D_OKRA_SHORTCUT"].isBool() && v["D_OKRA_SHORTCUT"].boolValue());
    EXPECT_EQ(v["when"].dateValue(), Date { 1'399'360'089 });
    EXPECT_EQ(v["blob"].dataValue(), (Data { 0, 1, 2, 0xFF }));
    EXPECT_EQ(v["names"], Value::array({ Value("a & b"), Value("") }));
}

TEST(PropertyListTest, DamagedInputReadsAsNull)
{
    auto binary = PropertyList::dataWithPropertyList(everyKind(), Format::Binary);
    auto xml = PropertyList::dataWithPropertyList(everyKind(), Format::XML);
    ASSERT_TRUE(binary && xml);
    // Every cut of a whole plist, and a few kinds of noise.
    for (size_t cut = 0; cut < binary->size(); ++cut)
        EXPECT_TRUE(PropertyList::propertyListWithData(std::span(binary->data(), cut)).isNull())
            << "binary cut at " << cut;
    // (Only the closing plist tag may go missing: the whole value is there.)
    std::string_view xmlText(reinterpret_cast<const char*>(xml->data()), xml->size());
    for (size_t cut = 0; cut < xmlText.rfind("</dict>") + 7; cut += 3)
        EXPECT_TRUE(PropertyList::propertyListWithData(std::span(xml->data(), cut)).isNull()) << "XML cut at " << cut;
    Data flipped = *binary;
    flipped[flipped.size() - 3] ^= 0x5A;  // the offset table's position
    EXPECT_TRUE(PropertyList::propertyListWithData(flipped).isNull());
    for (const char* noise : { "", "garbage", "bplist00", "<plist>", "{\"json\": 1}" })
        EXPECT_TRUE(PropertyList::propertyListWithData(bytesOf(noise)).isNull()) << noise;
}

// A binary property list of the given objects, the first being the top one,
// with one-byte offsets and references.
Data binaryPlist(std::initializer_list<std::string_view> objects)
{
    std::string out = "bplist00";
    std::string offsets;
    for (std::string_view object : objects) {
        offsets += static_cast<char>(out.size());
        out += object;
    }
    size_t tableAt = out.size();
    out += offsets;
    std::string trailer(32, '\0');
    trailer[6] = 1;  // offset size
    trailer[7] = 1;  // reference size
    trailer[15] = static_cast<char>(objects.size());
    trailer[31] = static_cast<char>(tableAt);
    out += trailer;
    return Data(out.begin(), out.end());
}

TEST(PropertyListTest, HostileTextsReadAsNull)
{
    using namespace std::string_view_literals;
    struct Case {
        const char* what;
        Data file;
    };
    const Case cases[] = {
        { "UTF-16 text holding a NUL",
            binaryPlist({ "\x62\x00"
                          "a"
                          "\x00\x00"sv }) },
        { "ASCII text holding a NUL",
            binaryPlist({ "\x53"
                          "a\x00"
                          "b"sv }) },
        { "UTF-16 key holding a NUL",
            binaryPlist({ "\xd1\x01\x02"sv,
                "\x62\x00"
                "a"
                "\x00\x00"sv,
                "\x51x"sv }) },
        { "ASCII key holding a NUL",
            binaryPlist({ "\xd1\x01\x02"sv,
                "\x53"
                "a\x00"
                "b"sv,
                "\x51x"sv }) },
        { "text in an array holding a NUL",
            binaryPlist({ "\xa1\x01"sv,
                "\x62\x00"
                "a"
                "\x00\x00"sv }) },
    };
    for (const Case& c : cases)
        EXPECT_TRUE(PropertyList::propertyListWithData(c.file).isNull()) << c.what;
    // The same shapes with sound texts still read.
    EXPECT_EQ(PropertyList::propertyListWithData(binaryPlist({ "\x62\x00"
                                                               "a"
                                                               "\x00\xe9"sv })),
        Value("a\u00e9"));
    EXPECT_EQ(PropertyList::propertyListWithData(binaryPlist({ "\xd1\x01\x02"sv,
                  "\x53"
                  "a-b"sv,
                  "\x51x"sv })),
        Value::dictionary({ { "a-b", Value("x") } }));
}

TEST(PropertyListTest, UIDsReadAndWriteAsTheirDictionaryForm)
{
    Value reference = Value::dictionary({ { "CF$UID", Value(7) } });
    auto binary = PropertyList::dataWithPropertyList(Value::array({ reference }), Format::Binary);
    ASSERT_TRUE(binary);
    Value back = PropertyList::propertyListWithData(*binary);
    EXPECT_EQ(back[size_t(0)], reference);
    // A dictionary that only resembles one stays a dictionary.
    Value lookalike = Value::dictionary({ { "CF$UID", Value("7") } });
    EXPECT_EQ(
        PropertyList::propertyListWithData(*PropertyList::dataWithPropertyList(lookalike, Format::Binary)), lookalike);
}

using PropertyListFiles = TemporaryHomeTest;

TEST_F(PropertyListFiles, WrittenAtomicallyAndReadBack)
{
    std::string path = home.documents() + "/settings.plist";
    EXPECT_TRUE(PropertyList::contentsOfFile(path).isNull());

    ASSERT_TRUE(PropertyList::writeToFile(everyKind(), path));
    EXPECT_EQ(PropertyList::dictionaryWithContentsOfFile(path), everyKind());

    // A value that cannot be written leaves the old file as it was.
    std::string error;
    EXPECT_FALSE(PropertyList::writeToFile(Value::array({ Value() }), path, Format::XML, &error));
    EXPECT_EQ(PropertyList::dictionaryWithContentsOfFile(path), everyKind());

    ASSERT_TRUE(PropertyList::writeToFile(Value::array({ Value(1) }), path, Format::Binary));
    EXPECT_EQ(PropertyList::contentsOfFile(path), Value::array({ Value(1) }));
    EXPECT_TRUE(PropertyList::dictionaryWithContentsOfFile(path).isNull());

    ASSERT_TRUE(NSFileManager::defaultManager().createFileAtPathContents(path, Data { 'b', 'p', 'l', 'i', 's', 't' }));
    EXPECT_TRUE(PropertyList::contentsOfFile(path).isNull());
}

// The binary form stores a float in four bytes and a double in eight, and the
// kind decides how the number prints ("%.7g" against "%.16g").
TEST(PropertyListTest, BinaryRealsKeepTheirKind)
{
    const Value reals = Value::dictionary({
        { "rate", Value(100.0f / 3.0f) },
        { "half", Value(0.5) },  // a double whose value fits a float
        { "halfFloat", Value(0.5f) },
        { "third", Value(1.0 / 3.0) },
        { "infinite", Value(std::numeric_limits<double>::infinity()) },
        { "nested",
            Value::array(
                { Value(2.0), Value::dictionary({ { "f", Value(1.25f) }, { "d", Value(-0.0) } }), Value(7.5f) }) },
    });
    auto binary = PropertyList::dataWithPropertyList(reals, Format::Binary);
    ASSERT_TRUE(binary);
    Value back = PropertyList::propertyListWithData(*binary);
    using Kind = Value::NumberKind;
    struct Case {
        const Value& value;
        Kind kind;
        double number;
    };
    const Value& nested = back["nested"];
    for (const Case& c : std::initializer_list<Case> {
             { back["rate"], Kind::Float, static_cast<double>(100.0f / 3.0f) },
             { back["half"], Kind::Double, 0.5 },
             { back["halfFloat"], Kind::Float, 0.5 },
             { back["third"], Kind::Double, 1.0 / 3.0 },
             { back["infinite"], Kind::Double, std::numeric_limits<double>::infinity() },
             { nested[size_t(0)], Kind::Double, 2.0 },
             { nested[size_t(1)]["f"], Kind::Float, 1.25 },
             { nested[size_t(1)]["d"], Kind::Double, 0.0 },
             { nested[size_t(2)], Kind::Float, 7.5 },
         }) {
        EXPECT_TRUE(c.value.isReal());
        EXPECT_EQ(c.value.numberKind(), c.kind) << c.number;
        EXPECT_EQ(c.value.doubleValue(), c.number);
    }
    EXPECT_TRUE(std::signbit(nested[size_t(1)]["d"].doubleValue()));
    EXPECT_EQ(back["rate"].stringValue(), "33.33333");
}

// A file as the platform writes it: [0.5 as a float, 0.5 as a double].
TEST(PropertyListTest, BinaryRealSizeGivesTheKindRead)
{
    const Data file {
        'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xA2, 0x01, 0x02,  // array of objects 1 and 2
        0x22, 0x3F, 0x00, 0x00, 0x00,  // 4-byte real
        0x23, 0x3F, 0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 8-byte real
        0x08, 0x0B, 0x10,  // offsets
        0, 0, 0, 0, 0, 0, 1, 1,  // offset and reference sizes
        0, 0, 0, 0, 0, 0, 0, 3,  // objects
        0, 0, 0, 0, 0, 0, 0, 0,  // top object
        0, 0, 0, 0, 0, 0, 0, 0x19,  // offset table
    };
    Value back = PropertyList::propertyListWithData(file);
    ASSERT_EQ(back.count(), 2u);
    EXPECT_EQ(back[size_t(0)].numberKind(), Value::NumberKind::Float);
    EXPECT_EQ(back[size_t(1)].numberKind(), Value::NumberKind::Double);
    EXPECT_EQ(back[size_t(0)].doubleValue(), 0.5);
    EXPECT_EQ(back[size_t(1)].doubleValue(), 0.5);
}
