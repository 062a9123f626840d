#pragma once

// The platform's folder lookups, answered from the application's home
// (AppEnvironment). Only the user domain exists here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum NSSearchPathDirectory {
    NSLibraryDirectory = 5,
    NSDocumentDirectory = 9,
    NSCachesDirectory = 13,
    NSApplicationSupportDirectory = 14,
};

enum NSSearchPathDomainMask {
    NSUserDomainMask = 1,
};

// The home folder, without a trailing slash.
std::string NSHomeDirectory();

// <home>/tmp/, with the trailing slash the platform gives it.
std::string NSTemporaryDirectory();

// One path for the user domain, none for any other domain. Without tilde
// expansion the path starts with "~" in place of the home. Application
// Support is not created by the lookup; the others exist with the home.
std::vector<std::string> NSSearchPathForDirectoriesInDomains(
    NSSearchPathDirectory directory, unsigned domainMask, bool expandTilde);

// The one rule for a name that comes from outside (a server's file name, an
// archive entry's part, a client id, a resource name) and becomes a path
// component: not blank, not "." or "..", and without "/", "\" or NUL, so that
// joined to a folder it names a child of that folder and nothing else.
bool NSPathIsSafeComponent(std::string_view name);

// A relative path from outside, normalised ("\" read as "/", empty and "."
// parts dropped) when every remaining part is a safe component; nothing when
// it is absolute, carries a drive letter, holds a ".." part or names nothing.
// Joined to any root, the result lies under that root.
std::optional<std::string> NSPathSafeRelativePath(std::string_view path);

// `root` joined with the normalised relative path, or nothing as above.
std::optional<std::string> NSPathUnderRoot(const std::string& root, std::string_view relative);
