#include "Platform/UIKit/UIDocumentInteractionController.h"

#include "Platform/Foundation/NSString.h"

#include <map>

namespace {

struct Application {
    std::vector<std::string> types;
    UIDocumentInteractionController::Receiver receiver;
};

std::map<std::string, Application>& applicationsInstalled()
{
    static std::map<std::string, Application> apps;
    return apps;
}

std::string pathOf(const std::string& url)
{
    return url.rfind("file://", 0) == 0 ? url.substr(7) : url;
}

}  // namespace

class UIDocumentInteractionController::MenuDelegate : public UIActionSheetDelegate {
public:
    explicit MenuDelegate(UIDocumentInteractionController* owner) : m_owner(owner) {}
    void actionSheetClickedButtonAtIndex(UIActionSheet&, long index) override
    {
        if (index >= 0 && index < static_cast<long>(m_owner->m_offered.size()))
            m_owner->send(m_owner->m_offered[static_cast<size_t>(index)]);
    }
    void actionSheetDidDismissWithButtonIndex(UIActionSheet&, long) override
    {
        if (auto d = m_owner->delegate())
            d->documentInteractionControllerDidDismissOpenInMenu(*m_owner);
    }

private:
    UIDocumentInteractionController* m_owner;  // owns this delegate
};

std::shared_ptr<UIDocumentInteractionController> UIDocumentInteractionController::interactionControllerWithURL(
    const std::string& fileURL)
{
    auto c = std::make_shared<UIDocumentInteractionController>(fileURL);
    c->name = NSString::lastPathComponent(pathOf(fileURL));
    return c;
}

void UIDocumentInteractionController::registerApplication(const std::string& name, std::vector<std::string> types,
                                                          Receiver receiver)
{
    applicationsInstalled()[name] = { std::move(types), std::move(receiver) };
}

void UIDocumentInteractionController::removeAllApplications()
{
    applicationsInstalled().clear();
}

std::vector<std::string> UIDocumentInteractionController::applications() const
{
    std::string ext = NSString::lowercaseString(NSString::pathExtension(pathOf(URL)));
    std::vector<std::string> out;
    for (auto& [appName, app] : applicationsInstalled())
        for (auto& t : app.types)
            if ((!UTI.empty() && t == UTI) || (!ext.empty() && NSString::lowercaseString(t) == ext)) {
                out.push_back(appName);
                break;
            }
    return out;
}

bool UIDocumentInteractionController::present(CGRect rect, const std::shared_ptr<UIView>& view)
{
    m_offered = applications();
    if (m_offered.empty() || !view)
        return false;
    if (!m_menuDelegate)
        m_menuDelegate = std::make_shared<MenuDelegate>(this);
    m_menu = std::make_shared<UIActionSheet>(std::nullopt, m_menuDelegate, std::nullopt, std::nullopt, m_offered);
    m_menu->showFromRectInViewAnimated(rect, view, true);
    return true;
}

bool UIDocumentInteractionController::presentOpenInMenuFromRectInViewAnimated(CGRect rect,
                                                                              const std::shared_ptr<UIView>& view, bool)
{
    return present(rect, view);
}

bool UIDocumentInteractionController::presentOpenInMenuFromBarButtonItemAnimated(
    const std::shared_ptr<UIBarButtonItem>& item, bool)
{
    return item && present(item->shownFrame(), item->shownInView());
}

void UIDocumentInteractionController::dismissMenuAnimated(bool animated)
{
    if (m_menu)
        m_menu->dismissWithClickedButtonIndexAnimated(-1, animated);
}

void UIDocumentInteractionController::send(const std::string& application)
{
    auto keep = shared_from_this();
    auto it = applicationsInstalled().find(application);
    if (it == applicationsInstalled().end())
        return;
    if (auto d = delegate())
        d->documentInteractionControllerWillBeginSendingToApplication(*this, application);
    if (it->second.receiver)
        it->second.receiver(pathOf(URL));
    if (auto d = delegate())
        d->documentInteractionControllerDidEndSendingToApplication(*this, application);
}
