#pragma once

// Passwords kept in the desktop's keyring (the Secret Service on the session
// bus), found again by a few named attributes. Every call gives up after a
// few seconds (a keyring that waits on a prompt, a bus that does not answer),
// so a caller on the main thread never hangs on it; one that gives up or
// finds no keyring answers Unavailable, and the caller keeps the password in
// its own owner-only file instead.
//
// The calls block and take no lock of the caller's: make them with no lock
// held.

#include <map>
#include <optional>
#include <string>

class SecretStore {
public:
    enum class Result { Done, NotFound, Unavailable };
    // Attribute names must be among those the store's schema knows:
    // "kind", "host", "port", "protocol", "realm", "proxy", "user", "client",
    // "device".
    using Attributes = std::map<std::string, std::string>;

    // Whether a keyring answers now. Once one has not, the process stops
    // asking (each try could cost the whole time-out).
    static bool available();
    static Result store(const Attributes& attributes, const std::string& label, const std::string& secret);
    // Done with the secret, NotFound, or Unavailable.
    static Result lookup(const Attributes& attributes, std::string& secret);
    // Done also when there was nothing to remove.
    static Result remove(const Attributes& attributes);
};
