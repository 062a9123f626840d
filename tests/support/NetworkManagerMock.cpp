#include "NetworkManagerMock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

pid_t spawn(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const auto& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Their chatter (the bus daemon's limits, the probe's "no owner yet") is not the test's.
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int runToEnd(const std::vector<std::string>& arguments)
{
    pid_t pid = spawn(arguments);
    if (pid < 0)
        return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stopProcess(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    pid = -1;
}

bool onPath(const char* program)
{
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= path.size()) {
        size_t colon = path.find(':', start);
        std::string dir = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (access((dir + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    return false;
}

}  // namespace

NetworkManagerMock::NetworkManagerMock()
{
    // Debian's python, the one its dbusmock package is for (not another on the path).
    const std::string python = "/usr/bin/python3";
    for (const char* program : { "dbus-daemon", "dbus-send" }) {
        if (!onPath(program)) {
            m_missing = std::string(program) + " is not installed";
            return;
        }
    }
    if (access(python.c_str(), X_OK) != 0 || runToEnd({ python, "-c", "import dbusmock" }) != 0) {
        m_missing = "python3-dbusmock is not installed";
        return;
    }
    char pattern[] = "/tmp/corvelle-bus-XXXXXX";
    if (!mkdtemp(pattern)) {
        m_missing = "no temporary folder for the bus";
        return;
    }
    m_folder = pattern;
    m_address = "unix:path=" + m_folder + "/system_bus";
    m_bus = spawn({ "dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + m_address });
    if (m_bus < 0) {
        m_missing = "the bus daemon did not start";
        return;
    }
    if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
        m_hadOldAddress = true;
        m_oldAddress = old;
    }
    setenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.c_str(), 1);
    auto waitFor = [](const std::function<bool()>& ready) {
        for (int i = 0; i < 200; ++i) {
            if (ready())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    };
    if (!waitFor([&] { return std::filesystem::exists(m_folder + "/system_bus"); })) {
        m_missing = "the bus daemon made no socket";
        return;
    }
    m_mock = spawn({ python, "-m", "dbusmock", "--system", "org.freedesktop.NetworkManager",
        "/org/freedesktop/NetworkManager", "org.freedesktop.NetworkManager" });
    bool owned = waitFor([&] {
        return runToEnd(
                   { "dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                       "org.freedesktop.DBus.GetNameOwner", "string:org.freedesktop.NetworkManager" })
            == 0;
    });
    if (!owned)
        m_missing = "the NetworkManager mock did not take its name";
}

NetworkManagerMock::~NetworkManagerMock()
{
    stopProcess(m_mock);
    stopProcess(m_bus);
    if (!m_address.empty()) {
        if (m_hadOldAddress)
            setenv("DBUS_SYSTEM_BUS_ADDRESS", m_oldAddress.c_str(), 1);
        else
            unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder);
}

bool NetworkManagerMock::send(const std::string& method, const std::string& name, const std::string& variant)
{
    return runToEnd({ "dbus-send", "--system", "--print-reply", "--dest=org.freedesktop.NetworkManager",
               "/org/freedesktop/NetworkManager", method, "string:org.freedesktop.NetworkManager", "string:" + name,
               variant })
        == 0;
}

bool NetworkManagerMock::setConnection(unsigned metered, const std::string& type)
{
    if (!available())
        return false;
    const std::string method
        = m_propertiesAdded ? "org.freedesktop.DBus.Properties.Set" : "org.freedesktop.DBus.Mock.AddProperty";
    bool ok = send(method, "Metered", "variant:uint32:" + std::to_string(metered))
        && send(method, "PrimaryConnectionType", "variant:string:" + type);
    m_propertiesAdded = m_propertiesAdded || ok;
    return ok;
}
