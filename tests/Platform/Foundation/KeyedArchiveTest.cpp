#include "Platform/Foundation/NSKeyedArchiver.h"
#include "Platform/Foundation/PropertyList.h"

#include <gtest/gtest.h>

namespace {

Value uid(int index) { return Value::dictionary({ { "CF$UID", Value(index) } }); }

// The record the device identifier keeps in a pasteboard slot.
Value slotRecord()
{
    return Value::dictionary({
        { "SharedUDID", Value("0123456789abcdef0123456789abcdef01234567") },
        { "SharedUDID_appUID", Value("5B1C1B8E-2B7A-4C4B-9D3E-0A1B2C3D4E5F") },
        { "SharedUDID_createdTS", Value(Date { 1'400'000'000.5 }) },
        { "SharedUDID_slot", Value("org.SharedUDID.slot.0") },
        { "nested",
            Value::array({ Value(1), Value(2.5), Value(true), Value(Data { 9, 8 }),
                Value::dictionary({ { "deep", Value("org.SharedUDID.slot.0") } }), Value::array() }) },
        { "empty", Value::dictionary() },
    });
}

Value archiveOf(std::initializer_list<Value> objects, int root = 1)
{
    ValueArray list(objects);
    return Value::dictionary({
        { "$version", Value(100000) },
        { "$archiver", Value("NSKeyedArchiver") },
        { "$top", Value::dictionary({ { "root", uid(root) } }) },
        { "$objects", Value(list) },
    });
}

Value classEntry(const char* name)
{
    return Value::dictionary(
        { { "$classes", Value::array({ Value(name), Value("NSObject") }) }, { "$classname", Value(name) } });
}

Value unarchive(const Value& archive, PropertyList::Format format = PropertyList::Format::Binary)
{
    auto data = PropertyList::dataWithPropertyList(archive, format);
    EXPECT_TRUE(data);
    return data ? NSKeyedUnarchiver::unarchiveObjectWithData(*data) : Value();
}

}  // namespace

TEST(KeyedArchiveTest, DictionaryRoundTrips)
{
    auto data = NSKeyedArchiver::archivedDataWithRootObject(slotRecord());
    ASSERT_TRUE(data);
    Value back = NSKeyedUnarchiver::unarchiveObjectWithData(*data);
    EXPECT_EQ(back, slotRecord());
    EXPECT_EQ(back.dictionaryValue().keys(), slotRecord().dictionaryValue().keys());

    for (const Value& root : { Value("just text"), Value(42), Value::array({ Value("a"), Value("a") }) })
        EXPECT_EQ(NSKeyedUnarchiver::unarchiveObjectWithData(*NSKeyedArchiver::archivedDataWithRootObject(root)), root);
    EXPECT_FALSE(NSKeyedArchiver::archivedDataWithRootObject(Value()));
    EXPECT_FALSE(NSKeyedArchiver::archivedDataWithRootObject(Value::array({ Value(std::string("a\0", 2)) })));
}

TEST(KeyedArchiveTest, WritesThePlatformsLayout)
{
    PropertyList::Format format {};
    auto data = NSKeyedArchiver::archivedDataWithRootObject(Value::dictionary({ { "k", Value("v") } }));
    ASSERT_TRUE(data);
    Value archive = PropertyList::propertyListWithData(*data, &format);
    EXPECT_EQ(format, PropertyList::Format::Binary);
    EXPECT_EQ(archive["$archiver"], Value("NSKeyedArchiver"));
    EXPECT_EQ(archive["$version"], Value(100000));
    EXPECT_EQ(archive["$top"]["root"], uid(1));
    const Value& objects = archive["$objects"];
    ASSERT_EQ(objects.count(), 5u);
    EXPECT_EQ(objects[size_t(0)], Value("$null"));
    EXPECT_EQ(objects[1]["NS.keys"], Value::array({ uid(2) }));
    EXPECT_EQ(objects[1]["NS.objects"], Value::array({ uid(3) }));
    EXPECT_EQ(objects[1]["$class"], uid(4));
    EXPECT_EQ(objects[2], Value("k"));
    EXPECT_EQ(objects[3], Value("v"));
    EXPECT_EQ(objects[4], classEntry("NSDictionary"));
}

TEST(KeyedArchiveTest, ReadsWhatThePlatformWrites)
{
    // Mutable classes, a string object, a data object, a date, in XML with
    // UIDs in their dictionary form.
    Value archive = archiveOf({
        Value("$null"),
        Value::dictionary({ { "NS.keys", Value::array({ uid(2), uid(3), uid(4) }) },
            { "NS.objects", Value::array({ uid(5), uid(7), uid(9) }) }, { "$class", uid(11) } }),
        Value("name"),
        Value("when"),
        Value("raw"),
        Value::dictionary({ { "NS.string", Value("Corvelle") }, { "$class", uid(6) } }),
        classEntry("NSMutableString"),
        Value::dictionary({ { "NS.time", Value(0.5) }, { "$class", uid(8) } }),
        classEntry("NSDate"),
        Value::dictionary({ { "NS.data", Value(Data { 1, 2 }) }, { "$class", uid(10) } }),
        classEntry("NSMutableData"),
        classEntry("NSMutableDictionary"),
    });
    Value expected = Value::dictionary({
        { "name", Value("Corvelle") },
        { "when", Value(Date { 978'307'200.5 }) },
        { "raw", Value(Data { 1, 2 }) },
    });
    EXPECT_EQ(unarchive(archive, PropertyList::Format::XML), expected);
    EXPECT_EQ(unarchive(archive, PropertyList::Format::Binary), expected);
}

TEST(KeyedArchiveTest, DamagedArchivesReadAsNull)
{
    auto data = NSKeyedArchiver::archivedDataWithRootObject(slotRecord());
    ASSERT_TRUE(data);
    for (size_t cut = 0; cut < data->size(); ++cut)
        EXPECT_TRUE(NSKeyedUnarchiver::unarchiveObjectWithData(std::span(data->data(), cut)).isNull()) << cut;

    const Value dictionaryClass = classEntry("NSDictionary");
    const Value arrayClass = classEntry("NSArray");
    struct Case {
        const char* what;
        Value archive;
    } cases[] = {
        { "a plain dictionary", Value::dictionary({ { "root", Value(1) } }) },
        { "another archiver",
            Value::dictionary({ { "$archiver", Value("Other") }, { "$top", Value::dictionary({ { "root", uid(1) } }) },
                { "$objects", Value::array({ Value("$null"), Value(1) }) } }) },
        { "root out of range", archiveOf({ Value("$null") }, 5) },
        { "member out of range",
            archiveOf({ Value("$null"),
                Value::dictionary({ { "NS.objects", Value::array({ uid(9) }) }, { "$class", uid(2) } }),
                arrayClass }) },
        { "array holding itself",
            archiveOf({ Value("$null"),
                Value::dictionary({ { "NS.objects", Value::array({ uid(1) }) }, { "$class", uid(2) } }),
                arrayClass }) },
        { "unknown class",
            archiveOf({ Value("$null"), Value::dictionary({ { "$class", uid(2) } }), classEntry("UIColor") }) },
        { "class that is no class entry", archiveOf({ Value("$null"), Value::dictionary({ { "$class", uid(0) } }) }) },
        { "keys and objects differ in length",
            archiveOf({ Value("$null"),
                Value::dictionary({ { "NS.keys", Value::array({ uid(3) }) }, { "NS.objects", Value::array() },
                    { "$class", uid(2) } }),
                dictionaryClass, Value("k") }) },
        { "a number as key",
            archiveOf({ Value("$null"),
                Value::dictionary({ { "NS.keys", Value::array({ uid(3) }) }, { "NS.objects", Value::array({ uid(3) }) },
                    { "$class", uid(2) } }),
                dictionaryClass, Value(7) }) },
        { "a date without time",
            archiveOf({ Value("$null"), Value::dictionary({ { "$class", uid(2) } }), classEntry("NSDate") }) },
        { "objects not a list",
            Value::dictionary({ { "$archiver", Value("NSKeyedArchiver") },
                { "$top", Value::dictionary({ { "root", uid(1) } }) }, { "$objects", Value("x") } }) },
    };
    for (const auto& c : cases)
        EXPECT_TRUE(unarchive(c.archive).isNull()) << c.what;

    for (const char* noise : { "", "garbage", "bplist00" }) {
        std::string_view text(noise);
        EXPECT_TRUE(
            NSKeyedUnarchiver::unarchiveObjectWithData({ reinterpret_cast<const uint8_t*>(text.data()), text.size() })
                .isNull());
    }
}

TEST(KeyedArchiveTest, SharedMembersAreDecodedOnce)
{
    // Each level holds the next one twice: forty levels would be 2^40 visits
    // if shared members were decoded again each time they are referenced.
    ValueArray objects { Value("$null"), classEntry("NSArray") };
    const int levels = 40;
    for (int i = 0; i < levels; ++i) {
        int next = i + 1 < levels ? static_cast<int>(objects.size()) + 1 : 0;
        ValueArray members;
        if (next) {
            members.push_back(uid(next));
            members.push_back(uid(next));
        }
        objects.push_back(Value::dictionary({ { "NS.objects", Value(members) }, { "$class", uid(1) } }));
    }
    Value archive = Value::dictionary({
        { "$archiver", Value("NSKeyedArchiver") },
        { "$top", Value::dictionary({ { "root", uid(2) } }) },
        { "$objects", Value(objects) },
    });
    Value back = unarchive(archive);
    ASSERT_TRUE(back.isArray());
    EXPECT_EQ(back.count(), 2u);
}

TEST(KeyedArchiveTest, NestingTooDeepReadsAsNull)
{
    // A chain of arrays flat in the object list but a thousand deep once
    // decoded: refused instead of exhausting the stack.
    ValueArray objects { Value("$null"), classEntry("NSArray") };
    for (int i = 0; i < 1000; ++i) {
        int next = static_cast<int>(objects.size()) + 1;
        objects.push_back(Value::dictionary(
            { { "NS.objects", Value::array({ uid(i + 1 < 1000 ? next : 0) }) }, { "$class", uid(1) } }));
    }
    Value archive = Value::dictionary({
        { "$archiver", Value("NSKeyedArchiver") },
        { "$top", Value::dictionary({ { "root", uid(2) } }) },
        { "$objects", Value(objects) },
    });
    EXPECT_TRUE(unarchive(archive).isNull());
}
