#pragma once

// A stand-in NetworkManager on a private system bus, for tests: a bus daemon
// of its own on a socket in a temporary folder, made the process's system bus
// (DBUS_SYSTEM_BUS_ADDRESS) while the object lives, and python3-dbusmock
// owning NetworkManager's name with the properties the test sets. Both
// processes stop with the object.
//
// When the bus daemon or dbusmock is missing, available() is false and
// missingReason() says why; under CI that is a failure, not a skip.

#include <string>
#include <sys/types.h>

class NetworkManagerMock {
public:
    NetworkManagerMock();
    ~NetworkManagerMock();
    NetworkManagerMock(const NetworkManagerMock&) = delete;
    NetworkManagerMock& operator=(const NetworkManagerMock&) = delete;

    bool available() const { return m_missing.empty(); }
    const std::string& missingReason() const { return m_missing; }

    // Sets NetworkManager's "Metered" (NMMetered) and "PrimaryConnectionType".
    bool setConnection(unsigned metered, const std::string& type);

private:
    bool send(const std::string& method, const std::string& name, const std::string& variant);

    std::string m_folder;
    std::string m_address;
    std::string m_oldAddress;
    bool m_hadOldAddress = false;
    pid_t m_bus = -1;
    pid_t m_mock = -1;
    bool m_propertiesAdded = false;
    std::string m_missing;
};
