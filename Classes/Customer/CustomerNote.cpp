#include "Classes/Customer/CustomerNote.h"

#include "Classes/Frame/UIToast.h"
#include "Platform/Foundation/NSLog.h"

#include <memory>

void showCustomerNote(const std::string& text)
{
    NSLog("customer note: %s", text.c_str());
    auto toast = std::make_shared<UIToast>();
    toast->show(text);
}
