#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NumberParsing.h"
#include "Platform/Foundation/Value.h"

#include <gtest/gtest.h>

#include <climits>

TEST(Value, NumbersKeepTheirKind)
{
    EXPECT_EQ(Value(1.5f).numberKind(), Value::NumberKind::Float);
    EXPECT_EQ(Value(1.5).numberKind(), Value::NumberKind::Double);
    EXPECT_EQ(Value(true).type(), Value::Type::Bool);
    EXPECT_EQ(Value(3).numberKind(), Value::NumberKind::Int);
    EXPECT_EQ(Value::integer(1, Value::NumberKind::Char).numberKind(), Value::NumberKind::Char);
    // A single-precision value reads back as the float, not the decimal text.
    EXPECT_EQ(Value(75.3f).doubleValue(), static_cast<double>(75.3f));
    EXPECT_EQ(Value(75.3f).stringValue(), "75.3");
    EXPECT_EQ(Value(0.1).stringValue(), "0.1");
    EXPECT_EQ(Value(12).stringValue(), "12");
    EXPECT_EQ(Value(true).stringValue(), "1");
    EXPECT_EQ(Value(1e300).intValue(), INT_MAX);
}

TEST(Value, RealsAreWrittenWithSixteenDigitsAndFloatsWithSeven)
{
    struct Case {
        Value number;
        const char* text;
    } cases[] = {
        { Value(200000.0), "200000" },           // an order total, not "2e+05"
        { Value(1.1 + 2.2), "3.3" },             // not "3.3000000000000003"
        { Value(100.0f / 3), "33.33333" },       // a float rate, not "33.333332"
        { Value(0.1), "0.1" },
        { Value(-1234.5), "-1234.5" },
        { Value(1e16), "1e+16" },
        { Value(0.0001), "0.0001" },
        { Value(1e-5), "1e-05" },
        { Value(1234567.0f), "1234567" },
        { Value(12345678.0f), "1.234568e+07" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.number.stringValue(), c.text);
        EXPECT_EQ(c.number.description(), c.text);
        EXPECT_EQ(stringWithFormat("%@", c.number), c.text);
        // The text reads back as a number that is written the same way again.
        Value back = c.number.numberKind() == Value::NumberKind::Float ? Value(NumberParsing::floatValue(c.text))
                                                                        : Value(NumberParsing::doubleValue(c.text));
        EXPECT_EQ(back.stringValue(), c.text);
    }
    // Numbers as people and the server write them (up to 15 digits) read back exactly.
    for (double typed : { 200000.0, 3.3, 75.3, 0.07, 123456789.12345, 99999999999999.9 })
        EXPECT_EQ(NumberParsing::doubleValue(Value(typed).stringValue()), typed);
}

TEST(Value, ConvertsBetweenTextAndNumbers)
{
    EXPECT_EQ(Value("12.50").intValue(), 12);
    EXPECT_DOUBLE_EQ(Value("12.50").doubleValue(), 12.5);
    EXPECT_TRUE(Value("Y").boolValue());
    EXPECT_EQ(Value(nullptr).intValue(), 0);
    EXPECT_EQ(Value(Data { 1, 2 }).stringValue(), "");
    EXPECT_TRUE(Value(1) == Value(1.0));
    EXPECT_TRUE(Value(true) == Value(1));
    EXPECT_FALSE(Value("1") == Value(1));
}

TEST(Value, ContainersCopyOnWrite)
{
    Value a = Value::dictionary({ { "k", 1 }, { "list", Value::array({ 1, 2 }) } });
    Value b = a;
    b.set("k", 2);
    b.mutableDictionary().find("list")->append(3);
    EXPECT_EQ(a["k"].intValue(), 1);
    EXPECT_EQ(a["list"].count(), 2u);
    EXPECT_EQ(b["k"].intValue(), 2);
    EXPECT_EQ(b["list"].count(), 3u);
    EXPECT_TRUE(a["missing"].isNull());
    EXPECT_TRUE(a["list"][7].isNull());
}

TEST(Value, DictionaryKeepsInsertionOrderAndFindsManyKeys)
{
    Value d;
    for (int i = 0; i < 200; ++i)
        d.set("key" + std::to_string(199 - i), i);
    d.set("key150", -1);  // replacing keeps the place
    d.remove("key0");
    ASSERT_EQ(d.count(), 199u);
    EXPECT_EQ(d.dictionaryValue().entries().front().first, "key199");
    for (int i = 1; i < 200; ++i)
        EXPECT_TRUE(d.contains("key" + std::to_string(i))) << i;
    EXPECT_EQ(d["key150"].intValue(), -1);
    EXPECT_EQ(d["key199"].intValue(), 0);
}
