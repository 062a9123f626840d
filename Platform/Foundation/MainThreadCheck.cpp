#include "Platform/Foundation/MainThreadCheck.h"

#include "Platform/Foundation/NSThread.h"

#include <cstdio>
#include <cstdlib>
#include <string>

void requireMainThread(std::string_view where)
{
    if (NSThread::isMainThread())
        return;
    std::string name(where);
    std::fprintf(stderr, "%s called off the main thread\n", name.c_str());
    std::fflush(stderr);
    std::abort();
}
