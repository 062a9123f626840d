#pragma once

// The MD5 identifiers built from the device's hardware address
// (IdentifierAddition), which orders carry, and the lower-case MD5 form of a
// text (MD5Addition).

#include <optional>
#include <string>
#include <string_view>

namespace IdentifierAddition {

// The device's hardware address (the first interface other than the loopback)
// as "%02X:%02X:%02X:%02X:%02X:%02X"; nothing when there is none.
std::optional<std::string> macaddress();
// The same six bytes as 12 upper-case hexadecimal digits.
std::optional<std::string> hardwareAddressDigits();
std::optional<std::string> uniqueDeviceIdentifier();
std::optional<std::string> uniqueGlobalDeviceIdentifier();

}  // namespace IdentifierAddition

namespace MD5Addition {

// 32 lower-case hexadecimal digits; nothing for an empty text.
std::optional<std::string> stringFromMD5(std::string_view text);

}  // namespace MD5Addition
