#pragma once

// The device identifier that survives reinstalls and is shared with other
// applications of the same scheme: 40 lower-case hexadecimal characters, kept
// in the user default "SharedUDID" and in up to one hundred shared
// pasteboards "org.SharedUDID.slot.0" to "org.SharedUDID.slot.99" (shared
// with the user's other applications through UIPasteboard); the identifier is
// computed once per process.
//
// Beside it (Database/DeviceIdentifier.h): the MD5 identifiers built from the
// device's hardware address and the lower-case MD5 form of a text.

#include "Database/DeviceIdentifier.h"
#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>

struct SharedUDIDError {
    std::string domain = "org.SharedUDID";
    int code = 0;
    std::string description;
};

class SharedUDID {
public:
    static std::string value();
    static std::string valueWithError(SharedUDIDError* error);
    static void setOptOut(bool optOut);

    // The keyed-archive dictionary a slot holds; empty when unreadable.
    static ValueDictionary _getDictFromPasteboard(std::string_view pasteboardName);
    static void _setDictForPasteboard(const ValueDictionary& dictionary, std::string_view pasteboardName);
    static std::string _generateFreshSharedUDID();

    // Forgets the identifier computed by this process.
    static void forgetCachedValue();
};
