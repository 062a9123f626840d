#include "Platform/UIKit/UIMainThread.h"

#include "Platform/Foundation/MainThreadCheck.h"

void UIKitRequireMainThread(std::string_view where) { requireMainThread(where); }
