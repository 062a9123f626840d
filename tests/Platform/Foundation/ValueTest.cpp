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
