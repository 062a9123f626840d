#include "Platform/Foundation/AppEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct State {
    std::mutex lock;
    std::optional<std::string> home;
    std::optional<std::string> bundle;
    std::optional<std::vector<std::string>> languages;
    std::string fallbackBundle;
    std::vector<std::string> arguments;
    std::string preparedHome;  // the home whose folders exist
    uint64_t generation = 1;
};

State& state()
{
    static State s;
    return s;
}

std::optional<std::string> environment(const char* name)
{
    const char* v = std::getenv(name);
    if (!v || !*v)
        return std::nullopt;
    return std::string(v);
}

std::string absolutePath(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec)
        return path;
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::string defaultHome()
{
    if (auto xdg = environment("XDG_DATA_HOME"))
        return *xdg + "/corvelle";
    if (auto home = environment("HOME"))
        return *home + "/.local/share/corvelle";
    return "/tmp/corvelle-" + std::to_string(getuid());
}

std::string executableFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return exe.parent_path().string();
}

void prepareHome(const std::string& home)
{
    // Failures surface later, in the operation that needs the folder.
    static const char* const folders[] = { "Documents", "Library/Caches", "Library/Preferences", "tmp" };
    for (const char* folder : folders) {
        std::error_code ec;
        fs::create_directories(fs::path(home) / folder, ec);
    }
}

// "zh_CN.UTF-8" -> "zh-Hans"; "en_US" -> "en"; "C" -> nothing.
std::optional<std::string> languageOfLocale(std::string_view locale)
{
    auto cut = locale.find_first_of(".@");
    if (cut != std::string_view::npos)
        locale = locale.substr(0, cut);
    if (locale.empty() || locale == "C" || locale == "POSIX")
        return std::nullopt;
    std::string_view language = locale.substr(0, locale.find_first_of("_-"));
    std::string_view region = language.size() < locale.size() ? locale.substr(language.size() + 1) : std::string_view();
    if (language == "zh") {
        if (region == "TW" || region == "HK" || region == "MO" || region == "Hant")
            return "zh-Hant";
        return "zh-Hans";
    }
    return std::string(language);
}

std::vector<std::string> splitLanguages(std::string_view list, char separator)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(separator, start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view item = list.substr(start, end - start);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
            item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
            item.remove_suffix(1);
        if (!item.empty())
            out.emplace_back(item);
        start = end + 1;
    }
    return out;
}

std::vector<std::string> systemLanguages()
{
    if (auto explicitList = environment("CORVELLE_LANGUAGES")) {
        auto list = splitLanguages(*explicitList, ',');
        if (!list.empty())
            return list;
    }
    // LANGUAGE is a colon-separated priority list; the others name one locale.
    if (auto language = environment("LANGUAGE")) {
        std::vector<std::string> list;
        for (auto& item : splitLanguages(*language, ':')) {
            if (auto code = languageOfLocale(item))
                list.push_back(*code);
        }
        if (!list.empty())
            return list;
    }
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        if (auto locale = environment(name)) {
            if (auto code = languageOfLocale(*locale))
                return { *code };
            return { "en" };
        }
    }
    return { "en" };
}

}  // namespace

bool AppEnvironment::configure(int argc, const char* const* argv, const std::string& fallbackBundle, std::string* error)
{
    std::optional<std::string> home;
    std::optional<std::string> bundle;
    std::vector<std::string> rest;
    for (int i = 0; i < argc; ++i) {
        std::string_view arg = argv[i] ? argv[i] : "";
        auto option = [&](std::string_view name, std::optional<std::string>& slot) {
            if (arg == name) {
                if (i + 1 >= argc || !argv[i + 1] || !*argv[i + 1]) {
                    if (error)
                        *error = std::string(name) + " needs a folder";
                    return -1;
                }
                slot = argv[++i];
                return 1;
            }
            if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
                if (arg.size() == name.size() + 1) {
                    if (error)
                        *error = std::string(name) + " needs a folder";
                    return -1;
                }
                slot = std::string(arg.substr(name.size() + 1));
                return 1;
            }
            return 0;
        };
        int took = i > 0 ? option("--home", home) : 0;
        if (took == 0 && i > 0)
            took = option("--bundle", bundle);
        if (took < 0)
            return false;
        if (took == 0)
            rest.emplace_back(arg);
    }

    auto& s = state();
    std::lock_guard guard(s.lock);
    s.arguments = std::move(rest);
    s.fallbackBundle = fallbackBundle;
    if (!home)
        home = environment("CORVELLE_HOME");
    if (!bundle)
        bundle = environment("CORVELLE_BUNDLE");
    if (home)
        s.home = absolutePath(*home);
    if (bundle)
        s.bundle = absolutePath(*bundle);
    ++s.generation;
    return true;
}

std::vector<std::string> AppEnvironment::arguments()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    return s.arguments;
}

std::string AppEnvironment::homeDirectory()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    if (!s.home) {
        auto fromEnvironment = environment("CORVELLE_HOME");
        s.home = absolutePath(fromEnvironment ? *fromEnvironment : defaultHome());
    }
    if (s.preparedHome != *s.home) {
        prepareHome(*s.home);
        s.preparedHome = *s.home;
    }
    return *s.home;
}

void AppEnvironment::setHomeDirectory(const std::string& path)
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    s.home = absolutePath(path);
    s.preparedHome.clear();
    ++s.generation;
}

std::string AppEnvironment::bundleDirectory()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    if (!s.bundle) {
        if (auto fromEnvironment = environment("CORVELLE_BUNDLE")) {
            s.bundle = absolutePath(*fromEnvironment);
        } else {
            std::string beside = executableFolder();
            std::error_code ec;
            if (!beside.empty() && fs::is_directory(beside + "/bundle", ec))
                s.bundle = beside + "/bundle";
            else if (!s.fallbackBundle.empty())
                s.bundle = absolutePath(s.fallbackBundle);
            else
                s.bundle = beside.empty() ? std::string("bundle") : beside + "/bundle";
        }
    }
    return *s.bundle;
}

void AppEnvironment::setBundleDirectory(const std::string& path)
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    s.bundle = absolutePath(path);
    ++s.generation;
}

std::vector<std::string> AppEnvironment::preferredLanguages()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    if (!s.languages)
        s.languages = systemLanguages();
    return *s.languages;
}

void AppEnvironment::setPreferredLanguages(std::vector<std::string> languages)
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    s.languages = std::move(languages);
    ++s.generation;
}

void AppEnvironment::reset()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    s.home.reset();
    s.bundle.reset();
    s.languages.reset();
    s.fallbackBundle.clear();
    s.arguments.clear();
    s.preparedHome.clear();
    ++s.generation;
}

uint64_t AppEnvironment::generation()
{
    auto& s = state();
    std::lock_guard guard(s.lock);
    return s.generation;
}
