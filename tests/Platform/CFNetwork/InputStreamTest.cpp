#include "Platform/CFNetwork/NSStream.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::string kBytes = "abcdefghijklmnopqrstuvwxyz";

struct Kind {
    const char* name;
    std::function<std::shared_ptr<NSInputStream>(const TemporaryHome&)> make;
};

std::shared_ptr<NSInputStream> overFile(const TemporaryHome& home)
{
    const std::string path = home.scratch() + "/body";
    std::ofstream(path, std::ios::binary) << kBytes;
    return NSInputStream::inputStreamWithFileAtPath(path);
}

std::shared_ptr<NSInputStream> overBytes(const TemporaryHome&)
{
    return NSInputStream::inputStreamWithData(Data(kBytes.begin(), kBytes.end()));
}

const std::vector<Kind> kKinds = { { "file", overFile }, { "bytes", overBytes } };

std::string readUpTo(NSInputStream& stream, size_t count)
{
    std::string out(count, '\0');
    long n = stream.read(reinterpret_cast<uint8_t*>(out.data()), count);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

Value offsetOf(const NSInputStream& stream) { return stream.propertyForKey(NSStreamFileCurrentOffsetKey); }

}  // namespace

TEST(NSInputStream, TheOffsetPropertyFollowsReadsAndMovesThem)
{
    TemporaryHome home;
    for (const auto& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        auto stream = kind.make(home);
        stream->open();
        ASSERT_EQ(stream->streamStatus(), NSStreamStatus::Open);
        EXPECT_EQ(offsetOf(*stream).longLongValue(), 0);
        EXPECT_EQ(readUpTo(*stream, 4), "abcd");
        EXPECT_EQ(offsetOf(*stream).longLongValue(), 4);

        ASSERT_TRUE(stream->setPropertyForKey(Value::integer(10), NSStreamFileCurrentOffsetKey));
        EXPECT_EQ(offsetOf(*stream).longLongValue(), 10);
        EXPECT_EQ(readUpTo(*stream, 3), "klm");

        // To the end: nothing more to read.
        ASSERT_TRUE(stream->setPropertyForKey(Value::integer(26), NSStreamFileCurrentOffsetKey));
        EXPECT_EQ(readUpTo(*stream, 8), "");
        EXPECT_EQ(stream->streamStatus(), NSStreamStatus::AtEnd);

        // Back from the end: the stream gives its bytes again.
        ASSERT_TRUE(stream->setPropertyForKey(Value::integer(24), NSStreamFileCurrentOffsetKey));
        EXPECT_EQ(stream->streamStatus(), NSStreamStatus::Open);
        EXPECT_TRUE(stream->hasBytesAvailable());
        EXPECT_EQ(readUpTo(*stream, 8), "yz");
        EXPECT_EQ(offsetOf(*stream).longLongValue(), 26);

        stream->close();
        EXPECT_TRUE(offsetOf(*stream).isNull());
        EXPECT_FALSE(stream->setPropertyForKey(Value::integer(0), NSStreamFileCurrentOffsetKey));
    }
}

TEST(NSInputStream, AnOffsetItCannotTakeChangesNothing)
{
    TemporaryHome home;
    const std::vector<std::pair<const char*, Value>> refused = {
        { "before the start", Value::integer(-1) },
        { "past the end", Value::integer(27) },
        { "a fraction", Value(2.5) },
        { "a flag", Value(true) },
        { "a text", Value("3") },
        { "nothing", Value() },
    };
    for (const auto& kind : kKinds) {
        auto stream = kind.make(home);
        stream->open();
        ASSERT_EQ(readUpTo(*stream, 5), "abcde");
        for (const auto& [name, value] : refused) {
            SCOPED_TRACE(std::string(kind.name) + ", " + name);
            EXPECT_FALSE(stream->setPropertyForKey(value, NSStreamFileCurrentOffsetKey));
            EXPECT_EQ(offsetOf(*stream).longLongValue(), 5);
        }
        SCOPED_TRACE(kind.name);
        EXPECT_FALSE(stream->setPropertyForKey(Value::integer(1), "NoSuchKey"));
        EXPECT_TRUE(stream->propertyForKey("NoSuchKey").isNull());
        EXPECT_EQ(readUpTo(*stream, 2), "fg");
    }
}

TEST(NSInputStream, AFileStreamHasNoOffsetUntilOpenAndAMissingFileNone)
{
    TemporaryHome home;
    auto unopened = overFile(home);
    EXPECT_TRUE(offsetOf(*unopened).isNull());
    EXPECT_FALSE(unopened->setPropertyForKey(Value::integer(3), NSStreamFileCurrentOffsetKey));
    unopened->open();
    EXPECT_EQ(offsetOf(*unopened).longLongValue(), 0);

    // Bytes in memory have a position before they are opened.
    auto bytes = overBytes(home);
    EXPECT_TRUE(bytes->setPropertyForKey(Value::integer(3), NSStreamFileCurrentOffsetKey));
    bytes->open();
    EXPECT_EQ(readUpTo(*bytes, 2), "de");

    auto missing = NSInputStream::inputStreamWithFileAtPath(home.scratch() + "/gone");
    missing->open();
    ASSERT_EQ(missing->streamStatus(), NSStreamStatus::Error);
    EXPECT_TRUE(offsetOf(*missing).isNull());
    EXPECT_FALSE(missing->setPropertyForKey(Value::integer(0), NSStreamFileCurrentOffsetKey));
}
