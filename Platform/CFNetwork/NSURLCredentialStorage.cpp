#include "Platform/CFNetwork/NSURLCredentialStorage.h"

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

}  // namespace

NSURLCredentialStorage& NSURLCredentialStorage::sharedCredentialStorage()
{
    static NSURLCredentialStorage storage;
    return storage;
}

void NSURLCredentialStorage::setDefaultCredential(const NSURLCredential& credential, const NSURLProtectionSpace& space)
{
    std::lock_guard lock(m_lock);
    for (auto& [s, c] : m_entries) {
        if (s == space) {
            c = credential;
            saveLocked();
            return;
        }
    }
    m_entries.emplace_back(space, credential);
    saveLocked();
}

std::optional<NSURLCredential> NSURLCredentialStorage::defaultCredential(const NSURLProtectionSpace& space) const
{
    std::lock_guard lock(m_lock);
    for (auto& [s, c] : m_entries)
        if (s == space)
            return c;
    return std::nullopt;
}

void NSURLCredentialStorage::removeDefaultCredential(const NSURLProtectionSpace& space)
{
    std::lock_guard lock(m_lock);
    std::erase_if(m_entries, [&](auto& e) { return e.first == space; });
    saveLocked();
}

void NSURLCredentialStorage::removeAll()
{
    std::lock_guard lock(m_lock);
    m_entries.clear();
    saveLocked();
}

bool NSURLCredentialStorage::setPersistentStorePath(const std::string& path)
{
    std::lock_guard lock(m_lock);
    m_path = path;
    m_entries.clear();
    if (path.empty())
        return true;
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
        NSURLProtectionSpace space { fields[0], std::atoi(fields[1].c_str()), fields[2], fields[3], fields[4] == "1" };
        m_entries.emplace_back(space, NSURLCredential { fields[5], fields[6] });
    }
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
    for (auto& [s, c] : m_entries)
        text += escape(s.host) + "\t" + std::to_string(s.port) + "\t" + escape(s.protocol) + "\t" + escape(s.realm)
            + "\t" + (s.isProxy ? "1" : "0") + "\t" + escape(c.user) + "\t" + escape(c.password) + "\n";
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = ::fsync(fd) == 0 && ok;
    ::close(fd);
    return ok && ::rename(temporary.c_str(), m_path.c_str()) == 0;
}
