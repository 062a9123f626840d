#include "Database/DeviceIdentifier.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSBundle.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// A desktop or tablet here has no interface named "en0": the device's
// address is that of the first interface (by index) that is not the loopback
// and has a six-byte hardware address.
std::optional<std::array<unsigned char, 6>> readHardwareAddress()
{
    struct ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return std::nullopt;
    std::optional<std::array<unsigned char, 6>> found;
    unsigned foundIndex = 0;
    for (auto* item = list; item; item = item->ifa_next) {
        if (!item->ifa_addr || item->ifa_addr->sa_family != AF_PACKET || (item->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* link = reinterpret_cast<const struct sockaddr_ll*>(item->ifa_addr);
        if (link->sll_halen != 6)
            continue;
        std::array<unsigned char, 6> bytes {};
        std::memcpy(bytes.data(), link->sll_addr, 6);
        if (std::all_of(bytes.begin(), bytes.end(), [](unsigned char b) { return b == 0; }))
            continue;
        const unsigned index = static_cast<unsigned>(link->sll_ifindex);
        if (!found || index < foundIndex) {
            found = bytes;
            foundIndex = index;
        }
    }
    freeifaddrs(list);
    return found;
}

}  // namespace

namespace IdentifierAddition {

std::optional<std::string> macaddress()
{
    auto bytes = readHardwareAddress();
    if (!bytes)
        return std::nullopt;
    const auto& b = *bytes;
    return stringWithFormat("%02X:%02X:%02X:%02X:%02X:%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
}

std::optional<std::string> hardwareAddressDigits()
{
    auto bytes = readHardwareAddress();
    if (!bytes)
        return std::nullopt;
    const auto& b = *bytes;
    return stringWithFormat("%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4], b[5]);
}

std::optional<std::string> uniqueDeviceIdentifier()
{
    auto address = macaddress();
    if (!address)
        return std::nullopt;
    auto bundleIdentifier = NSBundle::mainBundle() ? NSBundle::mainBundle()->bundleIdentifier() : std::nullopt;
    return MD5Addition::stringFromMD5(*address + bundleIdentifier.value_or(std::string()));
}

std::optional<std::string> uniqueGlobalDeviceIdentifier()
{
    auto address = macaddress();
    if (!address)
        return std::nullopt;
    return MD5Addition::stringFromMD5(*address);
}

}  // namespace IdentifierAddition

namespace MD5Addition {

std::optional<std::string> stringFromMD5(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    return Hashing::md5HexLower(text);
}

}  // namespace MD5Addition
