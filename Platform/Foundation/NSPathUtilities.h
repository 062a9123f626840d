#pragma once

// The platform's folder lookups, answered from the application's home
// (AppEnvironment). Only the user domain exists here.

#include <string>
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
std::vector<std::string> NSSearchPathForDirectoriesInDomains(NSSearchPathDirectory directory,
                                                             unsigned domainMask, bool expandTilde);
