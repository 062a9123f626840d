#include "support/TestDesktop.h"

#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kDesktopId = "corvelle-test-viewer.desktop";

struct Folders {
    std::string root, data, config, shared, record;
    std::string problem;
};

const Folders& folders()
{
    // Kept for the whole process: the folder goes when the process ends, after every static.
    static const Folders* made = new Folders([] {
        Folders f;
        f.root = (fs::temp_directory_path() / ("corvelle-desktop-" + std::to_string(getpid()))).string();
        f.data = f.root + "/data";
        f.config = f.root + "/config";
        f.shared = f.root + "/shared";
        f.record = f.root + "/received";
        std::error_code ec;
        fs::create_directories(f.data + "/applications", ec);
        fs::create_directories(f.config, ec);
        fs::create_directories(f.shared, ec);
        // Types are still told apart by the system's MIME database; its applications stay out.
        if (!fs::exists(f.shared + "/mime"))
            fs::create_directory_symlink("/usr/share/mime", f.shared + "/mime", ec);
        setenv("XDG_DATA_HOME", f.data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", f.config.c_str(), 1);
        setenv("XDG_DATA_DIRS", f.shared.c_str(), 1);
        unsetenv("XDG_CONFIG_DIRS");
        if (f.data != g_get_user_data_dir() || f.config != g_get_user_config_dir())
            f.problem = "GLib read its folders before the test desktop was prepared";
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(folders().root, ignored);
        });
        return f;
    }());
    return *made;
}

bool listed(const std::string& type)
{
    bool found = false;
    GList* all = g_app_info_get_all_for_type(type.c_str());
    for (GList* i = all; i; i = i->next)
        if (const char* id = g_app_info_get_id(G_APP_INFO(i->data)); id && std::string(id) == kDesktopId)
            found = true;
    g_list_free_full(all, g_object_unref);
    return found;
}

// GLib notices new and removed application files from a thread of its own.
bool waitUntil(const std::function<bool()>& condition, double seconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace

std::string TestDesktop::prepare() { return folders().problem; }

std::vector<std::string> ScopedTestApplication::defaultTypes()
{
    return { "application/pdf", "text/plain", "x-scheme-handler/http", "x-scheme-handler/https",
        "x-scheme-handler/mailto" };
}

ScopedTestApplication::ScopedTestApplication(std::vector<std::string> mimeTypes)
    : m_types(std::move(mimeTypes))
{
    m_error = TestDesktop::prepare();
    if (!m_error.empty())
        return;
    const Folders& f = folders();
    std::error_code ec;
    fs::remove(f.record, ec);
    std::string script = f.root + "/record.sh";
    {
        std::ofstream out(script);
        out << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" << f.record << "'; done\n";
    }
    fs::permissions(script, fs::perms::owner_all, ec);
    std::string types;
    for (auto& t : m_types)
        types += t + ";";
    m_desktopFile = f.data + "/applications/" + kDesktopId;
    {
        std::ofstream out(m_desktopFile + ".part");
        out << "[Desktop Entry]\nType=Application\nName=" << kName << "\nExec=" << script << " %U\nMimeType=" << types
            << "\nNoDisplay=false\n";
    }
    fs::rename(m_desktopFile + ".part", m_desktopFile, ec);
    // The desktop finds applications for a type through the folder's cache,
    // as the desktop database tool writes it.
    {
        std::ofstream cache(f.data + "/applications/mimeinfo.cache");
        cache << "[MIME Cache]\n";
        for (auto& t : m_types)
            cache << t << "=" << kDesktopId << ";\n";
    }
    std::ofstream defaults(f.config + "/mimeapps.list");
    defaults << "[Default Applications]\n";
    for (auto& t : m_types)
        if (t.rfind("x-scheme-handler/", 0) == 0)
            defaults << t << "=" << kDesktopId << "\n";
    defaults.close();
    if (!m_types.empty() && !waitUntil([&] { return listed(m_types[0]); }, 20))
        m_error = "the desktop does not list the test application for " + m_types[0];
}

ScopedTestApplication::~ScopedTestApplication()
{
    if (m_desktopFile.empty())
        return;
    std::error_code ec;
    fs::remove(m_desktopFile, ec);
    fs::remove(folders().data + "/applications/mimeinfo.cache", ec);
    fs::remove(folders().config + "/mimeapps.list", ec);
    if (!m_types.empty())
        waitUntil([&] { return !listed(m_types[0]); }, 20);
}

std::vector<std::string> ScopedTestApplication::waitForArguments(size_t count, double seconds) const
{
    std::vector<std::string> lines;
    waitUntil(
        [&] {
            lines.clear();
            std::ifstream in(folders().record);
            std::string line;
            while (std::getline(in, line))
                lines.push_back(line);
            return lines.size() >= count;
        },
        seconds);
    return lines;
}
