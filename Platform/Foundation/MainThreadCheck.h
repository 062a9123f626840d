#pragma once

// What belongs to the main thread (the interface, the session, the data
// layer) checks its entry points. A call from another thread would race the
// run loop that owns that state, so a debug build stops at once, naming the
// entry point, instead of corrupting state later where the cause no longer
// shows. Release builds check nothing.

#include <string_view>

// Stops the process with a message when not on the main thread.
void requireMainThread(std::string_view where);

#ifdef NDEBUG
#define FOUNDATION_CHECK_MAIN_THREAD() ((void)0)
#else
#define FOUNDATION_CHECK_MAIN_THREAD() requireMainThread(__func__)
#endif
