#pragma once

// Keyed archives in the platform's layout: a binary property list holding
// "$version" 100000, "$archiver" "NSKeyedArchiver", "$top" {"root": UID} and
// "$objects", the flat list of objects that UIDs point into ("$null" first).
// Texts, numbers and data are stored as themselves; dictionaries, arrays and
// dates as coded objects with a "$class" UID pointing at a class entry
// ("$classname", "$classes") for NSDictionary, NSArray or NSDate.
//
// Unarchiving accepts what the platform writes (mutable class variants,
// NSString and NSData objects, UIDs written as {"CF$UID": n} in XML) and
// answers null for anything else: garbage, a truncated archive, a UID out of
// range or a cycle, an unknown class. Callers treat null as an empty archive.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <optional>
#include <span>

class NSKeyedArchiver {
public:
    // nullopt when the value holds something an archive cannot (a null root,
    // a text that is no valid UTF-8).
    static std::optional<Data> archivedDataWithRootObject(const Value& root);
};

class NSKeyedUnarchiver {
public:
    static Value unarchiveObjectWithData(std::span<const uint8_t> data);
};
