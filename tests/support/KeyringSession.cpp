#include "KeyringSession.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

bool onPath(const std::string& program)
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

// Starts `arguments` with `stdinFd` and `stdoutFd` as its standard input and
// output (-1: /dev/null) and the environment changed by `overrides`
// ("NAME=value").
pid_t spawn(const std::vector<std::string>& arguments, int stdinFd, int stdoutFd,
    const std::vector<std::string>& overrides = {})
{
    std::vector<char*> argv;
    for (const auto& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const auto& o : overrides)
            replaced = replaced || entry.compare(0, o.find('=') + 1, o, 0, o.find('=') + 1) == 0;
        if (!replaced)
            environment.push_back(entry);
    }
    environment.insert(environment.end(), overrides.begin(), overrides.end());
    std::vector<char*> envp;
    for (auto& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // Their chatter (the bus's limits, the keyring's missing capabilities) is not the test's.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Daemons that kept a pipe of the test's (a death test's report) open
    // would keep its reader waiting.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

int runToEnd(const std::vector<std::string>& arguments)
{
    pid_t pid = spawn(arguments, -1, -1);
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

// The first line `fd` gives within `seconds`.
std::string readLine(int fd, double seconds)
{
    std::string line;
    auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p { fd, POLLIN, 0 };
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0)
            return {};
        char buffer[256];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return {};
        line.append(buffer, static_cast<size_t>(n));
    }
    return line.substr(0, line.find('\n'));
}

bool waitFor(const std::function<bool()>& ready)
{
    for (int i = 0; i < 200; ++i) {
        if (ready())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

}  // namespace

std::string KeyringSession::missingPrograms()
{
    for (const char* program : { "dbus-daemon", "dbus-send", "gnome-keyring-daemon" })
        if (!onPath(program))
            return std::string(program) + " is not installed";
    return {};
}

KeyringSession::KeyringSession(bool withKeyring)
{
    m_missing = missingPrograms();
    if (!m_missing.empty())
        return;
    char pattern[] = "/tmp/corvelle-keyring-XXXXXX";
    if (!mkdtemp(pattern)) {
        m_missing = "no temporary folder for the keyring";
        return;
    }
    m_folder = pattern;
    std::filesystem::create_directories(m_folder + "/home");
    // No service folders: a bus that started a keyring of its own on first
    // call would hide the case of none answering.
    std::ofstream(m_folder + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n  <type>session</type>\n  <listen>unix:path="
        << m_folder
        << "/bus</listen>\n  <policy context=\"default\">\n    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n";
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        m_missing = "no pipe for the bus address";
        return;
    }
    m_bus = spawn(
        { "dbus-daemon", "--config-file=" + m_folder + "/bus.conf", "--nofork", "--nopidfile", "--print-address" }, -1,
        out[1]);
    close(out[1]);
    const std::string address = m_bus > 0 ? readLine(out[0], 10) : std::string();
    close(out[0]);
    if (address.empty()) {
        m_missing = "the bus daemon did not start";
        return;
    }
    if (const char* old = std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        m_hadOldAddress = true;
        m_oldAddress = old;
    }
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    m_addressSet = true;
    if (!withKeyring)
        return;
    int in[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        m_missing = "no pipe for the keyring's password";
        return;
    }
    m_keyring = spawn({ "gnome-keyring-daemon", "--foreground", "--unlock", "--components=secrets",
                          "--control-directory=" + m_folder + "/control" },
        in[0], -1,
        { "HOME=" + m_folder + "/home", "XDG_DATA_HOME=" + m_folder + "/home/data", "XDG_RUNTIME_DIR=" + m_folder,
            "DISPLAY=" });
    close(in[0]);
    const std::string password = "keyring test password";
    bool written = write(in[1], password.data(), password.size()) == static_cast<ssize_t>(password.size());
    close(in[1]);
    if (m_keyring < 0 || !written) {
        m_missing = "the keyring daemon did not start";
        return;
    }
    bool owned = waitFor([&] {
        return runToEnd({ "dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus",
                   "/org/freedesktop/DBus", "org.freedesktop.DBus.GetNameOwner", "string:org.freedesktop.secrets" })
            == 0;
    });
    if (!owned)
        m_missing = "the keyring daemon did not take its name on the bus";
}

KeyringSession::~KeyringSession()
{
    stopProcess(m_keyring);
    stopProcess(m_bus);
    if (m_addressSet) {
        if (m_hadOldAddress)
            setenv("DBUS_SESSION_BUS_ADDRESS", m_oldAddress.c_str(), 1);
        else
            unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder);
}
