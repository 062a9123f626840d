#include "Classes/Frame/SharedUDID.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

std::string firstLine(const std::filesystem::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// What the kernel lists: the lowest-numbered interface that is not the
// loopback (flag 0x8) and has a six-byte address other than zeros.
std::optional<std::string> expectedAddress()
{
    std::optional<std::string> best;
    long bestIndex = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/sys/class/net")) {
        const long flags = std::stol(firstLine(entry.path() / "flags"), nullptr, 16);
        std::string address = firstLine(entry.path() / "address");
        if ((flags & 0x8) || address.size() != 17 || address == "00:00:00:00:00:00")
            continue;
        const long index = std::stol(firstLine(entry.path() / "ifindex"));
        std::transform(address.begin(), address.end(), address.begin(),
            [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (!best || index < bestIndex) {
            best = address;
            bestIndex = index;
        }
    }
    return best;
}

TEST(HardwareAddress, ComesFromTheFirstInterfaceBesideTheLoopbackWithoutPrinting)
{
    const auto expected = expectedAddress();
    testing::internal::CaptureStdout();
    const auto address = IdentifierAddition::macaddress();
    const auto digits = IdentifierAddition::hardwareAddressDigits();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    if (!expected)
        GTEST_SKIP() << "this machine has no interface with a hardware address";
    EXPECT_EQ(address, expected);
    std::string plain = *expected;
    plain.erase(std::remove(plain.begin(), plain.end(), ':'), plain.end());
    EXPECT_EQ(digits, plain);
    EXPECT_TRUE(IdentifierAddition::uniqueGlobalDeviceIdentifier().has_value());
}

}  // namespace
