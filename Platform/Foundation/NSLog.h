#pragma once

// Free-text log lines: one formatted line to standard error with a time stamp
// and the process's name and id. Tests install a capture to read the lines
// (the message alone, without stamp); while a capture is installed nothing is
// written to standard error.

#include "Platform/Foundation/Format.h"

#include <functional>
#include <string>
#include <string_view>

void NSLogMessage(const std::string& message);

template <typename... Args> void NSLog(std::string_view format, const Args&... args)
{
    NSLogMessage(stringWithFormat(format, args...));
}

// nullptr removes the capture.
void NSLogSetCapture(std::function<void(const std::string&)> capture);
