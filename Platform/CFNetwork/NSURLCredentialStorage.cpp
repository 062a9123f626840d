#include "Platform/CFNetwork/NSURLCredentialStorage.h"

#include "Platform/Foundation/SecretStore.h"

#include <algorithm>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Tabs, line ends and backslashes in a field are escaped so that one entry
// stays on one line whatever the server's realm or the user typed.
std::string escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

SecretStore::Attributes keyringAttributes(const NSURLProtectionSpace& space)
{
    return { { "kind", "http" }, { "host", space.host }, { "port", std::to_string(space.port) },
        { "protocol", space.protocol }, { "realm", space.realm }, { "proxy", space.isProxy ? "1" : "0" } };
}

std::string keyringLabel(const NSURLProtectionSpace& space)
{
    std::string label = std::string("Corvelle ") + (space.isProxy ? "proxy" : "server") + " password for " + space.host
        + ":" + std::to_string(space.port);
    return space.realm.empty() ? label : label + " (" + space.realm + ")";
}

// The keyring keeps one secret an item: the user name rides along with the
// password, escaped as in the file.
std::string keyringSecret(const NSURLCredential& credential)
{
    return escape(credential.user) + "\t" + escape(credential.password);
}

std::optional<NSURLCredential> credentialFromSecret(const std::string& secret)
{
    size_t tab = secret.find('\t');
    if (tab == std::string::npos)
        return std::nullopt;
    return NSURLCredential { unescape(secret.substr(0, tab)), unescape(secret.substr(tab + 1)) };
}

bool keepInKeyring(const NSURLProtectionSpace& space, const NSURLCredential& credential)
{
    return SecretStore::store(keyringAttributes(space), keyringLabel(space), keyringSecret(credential))
        == SecretStore::Result::Done;
}

}  // namespace

NSURLCredentialStorage& NSURLCredentialStorage::sharedCredentialStorage()
{
    static NSURLCredentialStorage storage;
    return storage;
}

void NSURLCredentialStorage::putLocked(
    const NSURLProtectionSpace& space, const NSURLCredential& credential, bool inKeyring) const
{
    for (auto& entry : m_entries) {
        if (entry.space == space) {
            entry.credential = credential;
            entry.inKeyring = inKeyring;
            return;
        }
    }
    m_entries.push_back({ space, credential, inKeyring });
}

void NSURLCredentialStorage::setDefaultCredential(const NSURLCredential& credential, const NSURLProtectionSpace& space)
{
    const bool inKeyring = keepInKeyring(space, credential);
    std::lock_guard lock(m_lock);
    putLocked(space, credential, inKeyring);
    saveLocked();
}

std::optional<NSURLCredential> NSURLCredentialStorage::defaultCredential(const NSURLProtectionSpace& space) const
{
    {
        std::lock_guard lock(m_lock);
        for (auto& entry : m_entries)
            if (entry.space == space)
                return entry.credential;
    }
    // Kept by an earlier run.
    std::string secret;
    if (SecretStore::lookup(keyringAttributes(space), secret) != SecretStore::Result::Done)
        return std::nullopt;
    auto credential = credentialFromSecret(secret);
    if (credential) {
        std::lock_guard lock(m_lock);
        putLocked(space, *credential, true);
    }
    return credential;
}

void NSURLCredentialStorage::removeDefaultCredential(const NSURLProtectionSpace& space)
{
    SecretStore::remove(keyringAttributes(space));
    std::lock_guard lock(m_lock);
    std::erase_if(m_entries, [&](auto& e) { return e.space == space; });
    saveLocked();
}

void NSURLCredentialStorage::removeAll()
{
    SecretStore::remove({ { "kind", "http" } });
    std::lock_guard lock(m_lock);
    m_entries.clear();
    saveLocked();
}

bool NSURLCredentialStorage::setPersistentStorePath(const std::string& path)
{
    std::vector<Entry> loaded;
    if (!path.empty()) {
        std::ifstream file(path);
        std::string line;
        while (std::getline(file, line)) {
            std::vector<std::string> fields;
            std::string field;
            std::istringstream in(line);
            while (std::getline(in, field, '\t'))
                fields.push_back(unescape(field));
            if (fields.size() != 7)
                continue;
            NSURLProtectionSpace space { fields[0], std::atoi(fields[1].c_str()), fields[2], fields[3],
                fields[4] == "1" };
            loaded.push_back({ space, NSURLCredential { fields[5], fields[6] }, false });
        }
        // Passwords the file kept move to the keyring where one answers; a
        // password the keyring refuses stays in the file.
        for (auto& entry : loaded)
            entry.inKeyring = keepInKeyring(entry.space, entry.credential);
    }
    std::lock_guard lock(m_lock);
    m_path = path;
    m_entries = std::move(loaded);
    if (std::any_of(m_entries.begin(), m_entries.end(), [](auto& e) { return e.inKeyring; }))
        saveLocked();  // a file that cannot be rewritten still holds them, and so does the keyring
    return true;
}

bool NSURLCredentialStorage::saveLocked() const
{
    if (m_path.empty())
        return true;
    std::string temporary = m_path + ".tmp";
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::fchmod(fd, 0600);
    std::string text;
    for (auto& [s, c, inKeyring] : m_entries)
        if (!inKeyring)
            text += escape(s.host) + "\t" + std::to_string(s.port) + "\t" + escape(s.protocol) + "\t" + escape(s.realm)
                + "\t" + (s.isProxy ? "1" : "0") + "\t" + escape(c.user) + "\t" + escape(c.password) + "\n";
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ::close(fd);
    return ok && ::rename(temporary.c_str(), m_path.c_str()) == 0;
}
