#pragma once

// The passwords of stored sign-ins: the one the offline sign-in checks
// against and the one a sign-in shortcut signs in with. Kept in the desktop's
// keyring where one answers, one item per account and use; the database and
// the user defaults then hold no password. Where no keyring answers they stay
// where they were kept before, in the owner-only database and defaults.

#include <optional>
#include <string>

namespace SavedPasswords {

enum class Use { OfflineSignIn, Shortcut };

// What the database column holds for a password kept in the keyring: never a
// password anyone can type.
inline constexpr const char* kInKeyring = "\x01keyring";

// True when the keyring took it.
bool keep(Use use, const std::string& client, const std::string& account, const std::string& password);
// The kept password, if the keyring has one.
std::optional<std::string> find(Use use, const std::string& client, const std::string& account);
void forget(Use use, const std::string& client, const std::string& account);

}  // namespace SavedPasswords
