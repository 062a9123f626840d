#include "Classes/Customer/CustomerNote.h"

#if __has_include("Classes/Frame/UIToast.h")
#include "Classes/Frame/UIToast.h"
#endif
#include "Platform/Foundation/NSLog.h"

void showCustomerNote(const std::string& text)
{
    NSLog("customer note: %s", text.c_str());
#if __has_include("Classes/Frame/UIToast.h")
    auto toast = std::make_shared<UIToast>();
    toast->show(text);
#endif
}
