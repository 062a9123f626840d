#pragma once

// Saved credentials: one default credential per protection space (host or
// proxy, port, protocol, realm). Kept in memory and in the desktop's keyring,
// so that they outlive the process; where no keyring answers, in the file
// named by setPersistentStorePath, readable by its owner only (mode 0600) and
// rewritten on each change. Credentials a file kept from before are moved to
// the keyring (and out of the file) when it is loaded and a keyring answers.
// The keyring is asked with no lock held.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct NSURLCredential {
    std::string user;
    std::string password;
};

struct NSURLProtectionSpace {
    std::string host;
    int port = 0;
    std::string protocol;
    std::string realm;
    bool isProxy = false;
    bool operator==(const NSURLProtectionSpace&) const = default;
};

class NSURLCredentialStorage {
public:
    static NSURLCredentialStorage& sharedCredentialStorage();

    void setDefaultCredential(const NSURLCredential& credential, const NSURLProtectionSpace& space);
    std::optional<NSURLCredential> defaultCredential(const NSURLProtectionSpace& space) const;
    void removeDefaultCredential(const NSURLProtectionSpace& space);
    void removeAll();
    // Loads and from then on saves the store in `path`; empty returns to memory only.
    bool setPersistentStorePath(const std::string& path);

private:
    struct Entry {
        NSURLProtectionSpace space;
        NSURLCredential credential;
        bool inKeyring = false;  // kept there, so left out of the file
    };
    bool saveLocked() const;
    void putLocked(const NSURLProtectionSpace& space, const NSURLCredential& credential, bool inKeyring) const;
    mutable std::mutex m_lock;
    mutable std::vector<Entry> m_entries;  // a lookup remembers what the keyring gave it
    std::string m_path;
};
