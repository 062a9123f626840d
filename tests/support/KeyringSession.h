#pragma once

// A desktop keyring of the test's own: a session bus daemon on a socket in a
// temporary folder (with no services it would start by itself), made the
// process's session bus (DBUS_SESSION_BUS_ADDRESS) while the object lives, and
// a keyring daemon on it serving secrets, its login keyring made and unlocked
// with a password given on its standard input and kept in the same folder.
// Both processes stop with the object. Without the keyring (`withKeyring`
// false) the bus answers but no one serves secrets there.
//
// When a program is missing or does not start, available() is false and
// missingReason() says why; under CI that is a failure, not a skip.

#include <string>
#include <sys/types.h>

class KeyringSession {
public:
    explicit KeyringSession(bool withKeyring = true);
    ~KeyringSession();
    KeyringSession(const KeyringSession&) = delete;
    KeyringSession& operator=(const KeyringSession&) = delete;

    bool available() const { return m_missing.empty(); }
    const std::string& missingReason() const { return m_missing; }
    // The folder the keyring keeps its files in.
    std::string keyringFolder() const { return m_folder + "/home/data/keyrings"; }

    // Whether the programs are installed, without starting them.
    static std::string missingPrograms();

private:
    std::string m_folder;
    std::string m_oldAddress;
    bool m_hadOldAddress = false;
    bool m_addressSet = false;
    pid_t m_bus = -1;
    pid_t m_keyring = -1;
    std::string m_missing;
};
