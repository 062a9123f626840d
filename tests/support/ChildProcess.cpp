#include "support/ChildProcess.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

ChildProcess::ChildProcess(std::vector<std::string> argv)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        return;
    }
    m_pid = pid;
    m_out = pipeFds[0];
}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::readLine(std::string& line, double seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (true) {
        auto newline = m_pending.find('\n');
        if (newline != std::string::npos) {
            line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            return true;
        }
        if (m_out < 0)
            return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p { m_out, POLLIN, 0 };
        int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        char buffer[512];
        ssize_t n = read(m_out, buffer, sizeof buffer);
        if (n <= 0) {
            close(m_out);
            m_out = -1;
            continue;
        }
        m_pending.append(buffer, static_cast<size_t>(n));
    }
}

void ChildProcess::stop()
{
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(m_pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            usleep(10'000);
        }
        m_pid = -1;
    }
    if (m_out >= 0) {
        close(m_out);
        m_out = -1;
    }
}

bool servicesAreRequired()
{
    const char* ci = std::getenv("CI");
    return ci && std::strcmp(ci, "true") == 0;
}
