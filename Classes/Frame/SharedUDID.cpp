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
