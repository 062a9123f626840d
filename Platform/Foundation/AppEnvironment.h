#pragma once

// Where the application lives on this machine: its home folder (Documents,
// Library, Library/Caches, Library/Preferences, tmp) and its bundle folder
// (read-only resources and Info.plist).
//
// The home is, by precedence: `--home DIR` on the command line, the
// environment variable CORVELLE_HOME, then $XDG_DATA_HOME/corvelle (or
// ~/.local/share/corvelle). Its standard folders are created the first time
// anyone asks for the home.
//
// The bundle is, by precedence: `--bundle DIR`, CORVELLE_BUNDLE, the folder
// "bundle" next to the executable, then the fallback the caller of
// configure() passes (the build's bundle folder).
//
// Tests point the process at a fresh home with setHomeDirectory(). Every
// change bumps generation(), and the singletons that depend on the home or the
// bundle (user defaults, main bundle) rebuild themselves when they see a new
// generation.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class AppEnvironment {
public:
    // Reads `--home DIR`, `--home=DIR`, `--bundle DIR` and `--bundle=DIR` from
    // the arguments and the environment variables above; other arguments are
    // left to the caller (arguments()). Answers false, with a message, when an
    // option lacks its folder.
    static bool configure(
        int argc, const char* const* argv, const std::string& fallbackBundle = {}, std::string* error = nullptr);

    // The arguments configure() did not consume, program name first.
    static std::vector<std::string> arguments();

    // The home folder as an absolute path without a trailing slash; its
    // standard folders exist once this has answered.
    static std::string homeDirectory();
    static void setHomeDirectory(const std::string& path);

    // The bundle folder as an absolute path (may not exist).
    static std::string bundleDirectory();
    static void setBundleDirectory(const std::string& path);

    // The user's preferred languages, most preferred first, as the platform
    // names them ("en", "zh-Hans", "zh-Hant", "fr"): CORVELLE_LANGUAGES
    // ("zh-Hans,en") when set, else the process locale (LANGUAGE, LC_ALL,
    // LC_MESSAGES, LANG); "en" when nothing says otherwise.
    static std::vector<std::string> preferredLanguages();
    static void setPreferredLanguages(std::vector<std::string> languages);

    // Forgets every setting and the configured arguments; the next question
    // reads the environment again.
    static void reset();

    // Changes with every change of home, bundle or languages.
    static uint64_t generation();
};
