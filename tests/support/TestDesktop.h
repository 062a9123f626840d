#pragma once

// A desktop of the test program's own, so that "open in" and links reach an
// application the test controls and nothing installed on the machine: the
// XDG data and configuration folders point into a folder made once per
// process, whose shared data holds the system's MIME database and no
// applications. GLib reads these folders once, so prepare() must run before
// anything asks GLib about applications (ScreenTest and WindowTest call it).
//
// ScopedTestApplication installs one application there for its lifetime,
// "Corvelle Test Viewer", whose command records every argument it is started
// with (one line each), registered for the given MIME types and made the
// default for the link schemes among them ("x-scheme-handler/http").

#include <string>
#include <vector>

namespace TestDesktop {

// Points the XDG folders at the test desktop; empty, or why that failed.
std::string prepare();

}  // namespace TestDesktop

class ScopedTestApplication {
public:
    static constexpr const char* kName = "Corvelle Test Viewer";
    static std::vector<std::string> defaultTypes();

    explicit ScopedTestApplication(std::vector<std::string> mimeTypes = defaultTypes());
    ~ScopedTestApplication();
    ScopedTestApplication(const ScopedTestApplication&) = delete;
    ScopedTestApplication& operator=(const ScopedTestApplication&) = delete;

    // False (with the reason in error()) when the desktop does not list it.
    bool installed() const { return m_error.empty(); }
    const std::string& error() const { return m_error; }
    // Waits until the application has been started with `count` arguments
    // in all; the arguments received so far.
    std::vector<std::string> waitForArguments(size_t count, double seconds = 20) const;

private:
    std::string m_error;
    std::string m_desktopFile;
    std::vector<std::string> m_types;
};
