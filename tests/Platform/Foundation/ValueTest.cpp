#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NumberParsing.h"
#include "Platform/Foundation/Value.h"
#include "Platform/Foundation/ValueArena.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <iterator>
#include <memory>
#include <thread>

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
        { Value(200000.0), "200000" },  // an order total, not "2e+05"
        { Value(1.1 + 2.2), "3.3" },  // not "3.3000000000000003"
        { Value(100.0f / 3), "33.33333" },  // a float rate, not "33.333332"
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

TEST(Value, TextsOfEverySizeKeepTheirBytesThroughCopiesMovesAndKeys)
{
    // Either side of the sizes held inside a key (7) and a value (13), and a zero byte inside.
    const std::string texts[] = { "", "k", std::string("a\0b", 3), "1234567", "12345678", "1234567890123",
        "12345678901234", std::string(300, 'x') };
    for (const auto& text : texts) {
        SCOPED_TRACE(text.size());
        Value v(text);
        Value copy = v;
        Value moved = std::move(copy);
        ASSERT_TRUE(moved.stringView());
        EXPECT_EQ(*moved.stringView(), text);
        EXPECT_TRUE(moved == v);
        v = Value(7);  // the other copy keeps the text when this one lets go
        EXPECT_EQ(moved.stringValue(), text);

        ValueKey key(text);
        ValueKey keyCopy = key;
        key = ValueKey("other");
        EXPECT_EQ(keyCopy, text);
        Value d;
        d.set(text, moved);
        d.set("after", 1);
        EXPECT_EQ(d.dictionaryValue().keys(), (std::vector<std::string> { text, "after" }));
        EXPECT_EQ(d[text].stringValue(), text);
    }
    for (const char* digits : { "0.5", "1234567890.12", "1234567890.123", "-3.14159265358979323846264338" }) {
        Value copy = Value::decimal(digits);
        EXPECT_EQ(copy.decimalText(), std::optional<std::string_view>(digits));
        EXPECT_EQ(copy.stringValue(), digits);
        EXPECT_FALSE(copy.stringView());
    }
    EXPECT_FALSE(Value(1).stringView());
    EXPECT_FALSE(Value("1").decimalText());
}

TEST(Value, EveryChangeToACopiedArrayLeavesTheOriginalAlone)
{
    const std::pair<const char*, std::function<void(ValueArray&)>> changes[] = {
        { "push_back", [](ValueArray& a) { a.push_back(Value(9)); } },
        { "insert", [](ValueArray& a) { a.insert(0, Value(9)); } },
        { "erase", [](ValueArray& a) { a.erase(1); } },
        { "element", [](ValueArray& a) { a[0] = Value(9); } },
        { "iteration",
            [](ValueArray& a) {
                for (Value& v : a)
                    v = Value(9);
            } },
        { "reserve",
            [](ValueArray& a) {
                a.reserve(100);
                a.push_back(Value(9));
            } },
        { "clear", [](ValueArray& a) { a.clear(); } },
    };
    const auto make = [] { return Value::array({ 1, "two", Value::array({ 3 }) }); };
    for (const auto& [name, change] : changes) {
        SCOPED_TRACE(name);
        const Value original = make();
        Value copy = original;
        change(copy.mutableArray());
        ValueArray other = original.arrayValue();
        change(other);
        EXPECT_TRUE(original == make());
        EXPECT_FALSE(copy == original);
        EXPECT_TRUE(Value(other) == copy);
    }
}

TEST(Value, EveryChangeToACopiedDictionaryLeavesTheOriginalAlone)
{
    const std::pair<const char*, std::function<void(ValueDictionary&)>> changes[] = {
        { "add", [](ValueDictionary& d) { d.set("a key too long to sit inline", 9); } },
        { "replace", [](ValueDictionary& d) { d.set("k1", 9); } },
        { "remove", [](ValueDictionary& d) { d.remove("k1"); } },
        { "find", [](ValueDictionary& d) { *d.find("k1") = Value(9); } },
        { "clear", [](ValueDictionary& d) { d.clear(); } },
    };
    for (int size : { 3, 40 }) {  // searched in turn, and through the index
        const auto make = [size] {
            Value d;
            for (int i = 0; i < size; ++i)
                d.set("k" + std::to_string(i), i);
            return d;
        };
        for (const auto& [name, change] : changes) {
            SCOPED_TRACE(std::string(name) + " of " + std::to_string(size));
            const Value original = make();
            Value copy = original;
            change(copy.mutableDictionary());
            EXPECT_TRUE(original == make());
            EXPECT_FALSE(copy == original);
            for (int i = 0; i < size; ++i)
                EXPECT_EQ(original["k" + std::to_string(i)].intValue(), i);
        }
    }
}

TEST(Value, ChangesWhoseArgumentLivesInTheSameContainerStayValid)
{
    // The new key is text inside the dictionary, whose storage moves as it grows.
    ValueDictionary d { { "a", Value("zz") } };
    d.set(*d["a"].stringView(), Value(1));
    EXPECT_EQ(d["zz"].intValue(), 1);
    EXPECT_EQ(d["a"].stringValue(), "zz");

    Value nested = Value::array({ Value::array({ 1, 2 }) });
    nested = nested[size_t(0)];
    EXPECT_EQ(nested.count(), 2u);
    Value holder = Value::array({ Value::dictionary({ { "k", 1 } }) });
    holder = std::move(holder.mutableArray()[0]);
    EXPECT_EQ(holder["k"].intValue(), 1);
}

TEST(Value, ReadersOnSeveralThreadsShareOneLargeDictionary)
{
    // Made in one go, as a parsed object is: the first lookups make its index.
    std::vector<ValueDictionary::Entry> entries;
    for (int i = 0; i < 20; ++i)
        entries.emplace_back("key number " + std::to_string(i), i);
    const Value shared(ValueDictionary::withEntries(entries));
    std::atomic<int> found { 0 };
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (int i = 0; i < 20; ++i)
                found += shared["key number " + std::to_string(i)].intValue() == i;
        });
    }
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(found.load(), 80);
}

namespace {

// A tree of the shapes a reply has: objects with long and short keys and texts,
// nested arrays, and more than a chunk's worth of them.
Value treeOf(int products)
{
    std::vector<Value> items;
    for (int i = 0; i < products; ++i) {
        std::vector<ValueDictionary::Entry> entries;
        entries.emplace_back("productID", i);
        entries.emplace_back("name", "product with a long name " + std::to_string(i));
        entries.emplace_back(
            "images", Value::array({ Value("img/" + std::to_string(i) + "/a long picture name.jpg") }));
        items.push_back(Value(ValueDictionary::withEntries(entries)));
    }
    return Value(ValueArray::movingFrom(items));
}

void expectProduct(const Value& product, int i)
{
    EXPECT_EQ(product["productID"].intValue(), i);
    EXPECT_EQ(product["name"].stringValue(), "product with a long name " + std::to_string(i));
    EXPECT_EQ(product["images"][size_t(0)].stringValue(), "img/" + std::to_string(i) + "/a long picture name.jpg");
}

}  // namespace

TEST(ValueArena, PartsOfATreeOutliveTheArenaAndTheRestOfTheTree)
{
    Value kept;
    ValueKey keptKey;
    Value keptText;
    {
        Value tree;
        {
            ValueArena arena;
            tree = treeOf(3000);
        }
        kept = tree[size_t(1234)];
        keptKey = tree[size_t(5)].dictionaryValue().begin()->first;
        keptText = tree[size_t(2999)]["name"];
        expectProduct(tree[size_t(0)], 0);
    }
    // The tree and every other chunk are gone; what was kept still reads.
    expectProduct(kept, 1234);
    EXPECT_EQ(keptKey, "productID");
    EXPECT_EQ(keptText.stringValue(), "product with a long name 2999");
}

TEST(ValueArena, ChangesToATreeMadeInAnArenaLeaveItsCopiesAlone)
{
    Value tree;
    {
        ValueArena arena;
        tree = treeOf(100);
    }
    const Value copy = tree;
    tree.mutableArray()[7].set("name", Value("changed"));
    tree.mutableArray()[8].mutableDictionary().remove("images");
    tree.mutableArray().erase(0);
    tree.mutableArray()[50].mutableDictionary().find("images")->append(Value("second picture"));
    EXPECT_EQ(tree.count(), 99u);
    EXPECT_EQ(tree[size_t(6)]["name"].stringValue(), "changed");
    EXPECT_FALSE(tree[size_t(7)].contains("images"));
    EXPECT_EQ(tree[size_t(50)]["images"].count(), 2u);
    for (int i = 0; i < 100; ++i)
        expectProduct(copy[static_cast<size_t>(i)], i);
}

TEST(ValueArena, NestedArenasAndValuesMadeAfterThemAreOrdinaryValues)
{
    Value outer;
    Value inner;
    {
        ValueArena first;
        outer = treeOf(10);
        {
            ValueArena second;
            EXPECT_EQ(ValueArena::current(), &second);
            inner = treeOf(10);
        }
        EXPECT_EQ(ValueArena::current(), &first);
    }
    EXPECT_EQ(ValueArena::current(), nullptr);
    Value after = treeOf(10);
    EXPECT_EQ(outer, inner);
    EXPECT_EQ(after, inner);
    // A block too large to share a chunk takes its own room, inside an arena too.
    Value large;
    {
        ValueArena arena;
        large = treeOf(5000);
    }
    expectProduct(large[size_t(4999)], 4999);
}

TEST(ValueArena, PartsOfOneTreeAreReleasedOnSeveralThreadsAtOnce)
{
    // Each thread takes a share of the products and lets go of them while the
    // others do: the chunks they share are freed once, by whichever is last.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::vector<std::vector<Value>> shares(4);
        {
            Value tree;
            {
                ValueArena arena;
                tree = treeOf(2000);
            }
            for (size_t i = 0; i < tree.count(); ++i)
                shares[i % shares.size()].push_back(tree[i]);
        }
        std::atomic<int> read { 0 };
        std::vector<std::thread> threads;
        for (auto& share : shares) {
            threads.emplace_back([&read, share = std::move(share)]() mutable {
                for (const Value& product : share)
                    read += product["productID"].intValue() >= 0 && product["name"].stringView()->size() > 20;
                share.clear();
            });
        }
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(read.load(), 2000);
    }
}

TEST(Value, ValuesTakenBitForBitKeepAllTheyHoldAndOweNothingToTheirOldRoom)
{
    // Gathered in raw room, taken into containers, and the room freed without
    // destroying what it held: every text, box and container is owned once.
    const std::vector<Value> kinds = { Value(), Value(true), Value(12), Value::decimal("1234567890.123456789"),
        Value("short"), Value(std::string(100, 't')), Value(::Data { 1, 2, 3 }),
        Value::array({ Value(std::string(40, 'a')), Value(2) }), Value::dictionary({ { "a long member name", 3 } }) };
    const auto gathered = [](size_t count) {
        return std::unique_ptr<unsigned char[]>(new unsigned char[count * sizeof(ValueDictionary::Entry)]);
    };
    auto room = gathered(kinds.size());
    auto* values = reinterpret_cast<Value*>(room.get());
    for (size_t i = 0; i < kinds.size(); ++i)
        new (values + i) Value(kinds[i]);
    const Value array(ValueArray::relocatingFrom({ values, kinds.size() }));
    room.reset();
    EXPECT_EQ(array, Value(ValueArray(std::vector<Value>(kinds))));

    // A later entry with an earlier one's key replaces its value in its place.
    const std::string keys[] = { "k", "a member of some length", "k", "other", "a member of some length" };
    room = gathered(std::size(keys));
    auto* entries = reinterpret_cast<ValueDictionary::Entry*>(room.get());
    for (size_t i = 0; i < std::size(keys); ++i)
        new (entries + i) ValueDictionary::Entry(ValueKey(keys[i]), kinds[kinds.size() - 1 - i]);
    const ValueDictionary dictionary = ValueDictionary::relocatingEntries({ entries, std::size(keys) });
    room.reset();
    ASSERT_EQ(dictionary.keys(), (std::vector<std::string> { "k", "a member of some length", "other" }));
    EXPECT_EQ(dictionary["k"], kinds[kinds.size() - 3]);
    EXPECT_EQ(dictionary["a member of some length"], kinds[kinds.size() - 5]);
    EXPECT_EQ(dictionary["other"], kinds[kinds.size() - 4]);
    EXPECT_TRUE(ValueArray::relocatingFrom({}).empty());
}

TEST(ValueKey, LastingKeysShareOneTextAndPastTheirBoundAreOrdinaryKeys)
{
    const ValueKey first = ValueKey::lasting("attributeFieldsId");
    const ValueKey second = ValueKey::lasting(std::string("attributeFieldsId"));
    EXPECT_EQ(first.view().data(), second.view().data());
    // Too short to need sharing, or too long to be a member's name: ordinary keys.
    for (const std::string& text : { std::string("short"), std::string(300, 'n') }) {
        ValueKey key = ValueKey::lasting(text);
        ValueKey copy = key;
        key = ValueKey();
        EXPECT_EQ(copy, text);
    }
    // A sender of endless distinct names gets ordinary keys once the kept ones
    // are used up; every key, kept or not, reads as its own text after its
    // dictionary is gone, and the names kept before stay shared.
    std::vector<ValueKey> keys;
    {
        std::vector<ValueDictionary::Entry> entries;
        for (int i = 0; i < 6000; ++i)
            entries.emplace_back(ValueKey::lasting("distinct member " + std::to_string(i)), i);
        const ValueDictionary names = ValueDictionary::withEntries(entries);
        for (const auto& [key, value] : names)
            keys.push_back(key);
    }
    for (size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(keys[i], "distinct member " + std::to_string(i));
    EXPECT_EQ(ValueKey::lasting("attributeFieldsId").view().data(), first.view().data());
}

TEST(ValueKey, LastingKeysAreMadeCopiedAndLetGoOnSeveralThreadsAtOnce)
{
    std::vector<std::vector<Value>> made(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < made.size(); ++t) {
        threads.emplace_back([&into = made[t], t] {
            for (int i = 0; i < 200; ++i) {
                ValueDictionary::Entry entries[] = { { ValueKey::lasting("productName"), i },
                    { ValueKey::lasting("thread's own member " + std::to_string(t)), i } };
                const Value product(ValueDictionary::withEntries(entries));
                into.push_back(product);
                // A changed copy copies the keys, which take no count.
                Value changed = product;
                changed.set("changed", true);
                into.push_back(changed);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    // Each thread's values are let go on another thread than made them.
    threads.clear();
    for (size_t t = 0; t < made.size(); ++t) {
        const size_t maker = (t + 1) % made.size();
        threads.emplace_back([&mine = made[maker], maker] {
            for (size_t i = 0; i < mine.size(); ++i) {
                EXPECT_EQ(mine[i]["productName"].intValue(), static_cast<int>(i / 2));
                EXPECT_EQ(mine[i]["thread's own member " + std::to_string(maker)].intValue(), static_cast<int>(i / 2));
            }
            mine.clear();
        });
    }
    for (auto& thread : threads)
        thread.join();
}
