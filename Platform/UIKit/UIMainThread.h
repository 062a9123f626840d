#pragma once

// The interface layer and the front door belong to the main thread. A call
// from any other thread would race the run loop that owns them, so a debug
// build stops at once, naming the entry point, instead of corrupting state
// later where the cause no longer shows. Release builds check nothing.

#include <string_view>

// Stops the process with a message when not on the main thread.
void UIKitRequireMainThread(std::string_view where);

#ifdef NDEBUG
#define UIKIT_CHECK_MAIN_THREAD() ((void)0)
#else
#define UIKIT_CHECK_MAIN_THREAD() UIKitRequireMainThread(__func__)
#endif
