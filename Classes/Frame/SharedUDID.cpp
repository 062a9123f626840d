#include "Classes/Frame/SharedUDID.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSKeyedArchiver.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIPasteboard.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace {

constexpr const char* kKey = "SharedUDID";
constexpr const char* kAppUIDKey = "SharedUDID_appUID";
constexpr const char* kCreatedKey = "SharedUDID_createdTS";
constexpr const char* kSlotKey = "SharedUDID_slot";
constexpr const char* kOptOutKey = "SharedUDID_optOutTS";
constexpr const char* kSlotPrefix = "org.SharedUDID.slot.";
constexpr const char* kPasteboardType = "org.SharedUDID";
constexpr int kSlotCount = 100;

std::mutex& lock()
{
    static std::mutex m;
    return m;
}

std::optional<std::string>& cachedValue()
{
    static std::optional<std::string> value;
    return value;
}

// A named pasteboard, created (persistent) only when asked to.
std::shared_ptr<UIPasteboard> pasteboardNamed(std::string_view name, bool create)
{
    auto board = UIPasteboard::pasteboardWithNameCreate(std::string(name), create);
    if (board && create)
        board->setPersistent(true);
    return board;
}

std::string appUID()
{
    // Nothing in the system writes this default; without it a fresh id serves
    // this computation, so no slot is taken for this application's own.
    auto stored = NSUserDefaults::standardUserDefaults()->stringForKey(kAppUIDKey);
    return stored ? *stored : Hashing::uuidString();
}

std::optional<std::string> textOf(const ValueDictionary& dictionary, const char* key)
{
    const Value* v = dictionary.find(key);
    if (v && v->isString())
        return v->stringValue();
    return std::nullopt;
}

std::string dateDescription(const Value& date)
{
    return date.isDate() ? std::to_string(static_cast<long long>(date.dateValue().secondsSince1970))
                         : date.description();
}

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

void SharedUDID::forgetCachedValue()
{
    std::lock_guard<std::mutex> guard(lock());
    cachedValue().reset();
}

ValueDictionary SharedUDID::_getDictFromPasteboard(std::string_view pasteboardName)
{
    auto board = pasteboardNamed(pasteboardName, false);
    auto data = board ? board->dataForPasteboardType(kPasteboardType) : std::nullopt;
    if (!data)
        return ValueDictionary {};
    Value object = NSKeyedUnarchiver::unarchiveObjectWithData(*data);
    if (!object.isDictionary())
        return ValueDictionary {};
    return object.dictionaryValue();
}

void SharedUDID::_setDictForPasteboard(const ValueDictionary& dictionary, std::string_view pasteboardName)
{
    auto archive = NSKeyedArchiver::archivedDataWithRootObject(Value(dictionary));
    auto board = archive ? pasteboardNamed(pasteboardName, true) : nullptr;
    if (board)
        board->setDataForPasteboardType(*archive, kPasteboardType);
}

std::string SharedUDID::_generateFreshSharedUDID()
{
    const std::string digest = Hashing::md5HexLower(Hashing::uuidString());
    const uint32_t random = static_cast<uint32_t>(Hashing::random32() % 4294967295u);
    return digest + stringWithFormat("%08x", random);
}

std::string SharedUDID::value() { return valueWithError(nullptr); }

std::string SharedUDID::valueWithError(SharedUDIDError* error)
{
    std::lock_guard<std::mutex> guard(lock());
    auto report = [&](int code, std::string description) {
        if (error)
            *error = SharedUDIDError { "org.SharedUDID", code, std::move(description) };
    };
    if (cachedValue()) {
        report(0, "SharedUDID in cache from first call");
        return *cachedValue();
    }

    auto defaults = NSUserDefaults::standardUserDefaults();
    const std::string appId = appUID();
    std::optional<ValueDictionary> localRecord;
    std::optional<std::string> identifier;
    std::optional<std::string> mySlot;
    Value optOutDate;
    Value stored = defaults->objectForKey(kKey);
    if (stored.isDictionary()) {
        localRecord = stored.dictionaryValue();
        identifier = textOf(*localRecord, kKey);
        mySlot = textOf(*localRecord, kSlotKey);
        if (const Value* v = localRecord->find(kOptOutKey))
            optOutDate = *v;
    }

    std::optional<std::string> freeSlot;
    std::map<std::string, int> frequency;
    std::vector<std::string> seenOrder;
    for (int n = 0; n < kSlotCount; ++n) {
        const std::string name = stringWithFormat("%@%d", kSlotPrefix, n);
        if (!pasteboardNamed(name, false)) {
            if (!freeSlot)
                freeSlot = name;
            continue;
        }
        ValueDictionary dict = _getDictFromPasteboard(name);
        auto slotIdentifier = textOf(dict, kKey);
        if (!slotIdentifier) {
            if (!freeSlot)
                freeSlot = name;
            continue;
        }
        if (frequency[*slotIdentifier]++ == 0)
            seenOrder.push_back(*slotIdentifier);
        if (textOf(dict, kAppUIDKey) == appId) {
            mySlot = name;
            if (!optOutDate.isNull()) {
                const Value* slotOptOut = dict.find(kOptOutKey);
                optOutDate = slotOptOut ? *slotOptOut : Value();
            }
        }
    }

    std::optional<std::string> mostFrequent;
    if (!seenOrder.empty()) {
        std::stable_sort(seenOrder.begin(), seenOrder.end(),
            [&](const std::string& a, const std::string& b) { return frequency[a] < frequency[b]; });
        mostFrequent = seenOrder.back();
    }

    bool compromised = false;
    bool needsSave = false;
    if (identifier) {
        compromised = mostFrequent && *mostFrequent != *identifier;
    } else {
        identifier = mostFrequent ? *mostFrequent : _generateFreshSharedUDID();
        if (!localRecord) {
            localRecord = ValueDictionary {};
            localRecord->set(kKey, Value(*identifier));
            localRecord->set(kAppUIDKey, Value(appId));
            localRecord->set(kCreatedKey, Value(Clock::wallNow()));
            needsSave = true;
        }
    }

    if (freeSlot && (!mySlot || *mySlot == *freeSlot)) {
        pasteboardNamed(*freeSlot, true);
        if (localRecord) {
            localRecord->set(kSlotKey, Value(*freeSlot));
            _setDictForPasteboard(*localRecord, *freeSlot);
        }
        needsSave = true;
    }
    if (needsSave && localRecord)
        defaults->setObjectForKey(Value(*localRecord), kKey);

    std::string result;
    if (!optOutDate.isNull()) {
        result = std::string(40, '0');
        report(1,
            stringWithFormat("Application with unique id %@ is opted-out from SharedUDID as of %@", appId,
                dateDescription(optOutDate)));
    } else {
        result = *identifier;
        if (compromised)
            report(2,
                "Found a discrepancy between stored SharedUDID (reliable) and redundant copies; one of the apps on the "
                "device is most likely corrupting the SharedUDID protocol");
        else
            report(0, "SharedUDID succesfully retrieved");
    }
    cachedValue() = result;
    return result;
}

void SharedUDID::setOptOut(bool optOut)
{
    value();
    auto defaults = NSUserDefaults::standardUserDefaults();
    Value stored = defaults->objectForKey(kKey);
    ValueDictionary record = stored.isDictionary() ? stored.dictionaryValue() : ValueDictionary {};
    if (optOut)
        record.set(kOptOutKey, Value(Clock::wallNow()));
    else
        record.remove(kOptOutKey);
    defaults->setObjectForKey(Value(record), kKey);
    forgetCachedValue();
}

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
