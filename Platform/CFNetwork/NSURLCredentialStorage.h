#pragma once

// Saved credentials: one default credential per protection space (host or
// proxy, port, protocol, realm). Kept in memory, or, once a file is named, in
// that file readable by its owner only (mode 0600), rewritten on each change.

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
    bool saveLocked() const;
    mutable std::mutex m_lock;
    std::vector<std::pair<NSURLProtectionSpace, NSURLCredential>> m_entries;
    std::string m_path;
};
