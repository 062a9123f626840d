#pragma once

// Handing a file to another application. No other application exists here
// unless a test registers one (with the type identifiers or file extensions
// it takes and what it does with a file): without one the open-in menu is
// not shown and presenting it answers false, as on a device where nothing
// can take the file. With one, the menu lists the applications and a tap
// on one hands the file over, telling the delegate before and after.
// Previews are not available: presenting one answers false.

#include "Platform/UIKit/UIActionSheet.h"

#include <functional>

class UIDocumentInteractionController;

class UIDocumentInteractionControllerDelegate {
public:
    virtual ~UIDocumentInteractionControllerDelegate() = default;
    virtual void documentInteractionControllerWillBeginSendingToApplication(UIDocumentInteractionController&,
                                                                            const std::string&) {}
    virtual void documentInteractionControllerDidEndSendingToApplication(UIDocumentInteractionController&,
                                                                         const std::string&) {}
    virtual void documentInteractionControllerDidDismissOpenInMenu(UIDocumentInteractionController&) {}
    virtual void documentInteractionControllerDidEndPreview(UIDocumentInteractionController&) {}
};

class UIDocumentInteractionController : public std::enable_shared_from_this<UIDocumentInteractionController> {
public:
    using Receiver = std::function<void(const std::string& path)>;

    static std::shared_ptr<UIDocumentInteractionController> interactionControllerWithURL(const std::string& fileURL);
    // Applications a test installs; `types` holds type identifiers or extensions ("com.adobe.pdf", "pdf").
    static void registerApplication(const std::string& name, std::vector<std::string> types, Receiver receiver);
    static void removeAllApplications();

    explicit UIDocumentInteractionController(std::string url) : URL(std::move(url)) {}

    std::string URL;
    std::string UTI;
    std::string name;
    std::shared_ptr<UIDocumentInteractionControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIDocumentInteractionControllerDelegate> d) { m_delegate = std::move(d); }

    // The applications that take this file.
    std::vector<std::string> applications() const;
    bool presentOpenInMenuFromRectInViewAnimated(CGRect rect, const std::shared_ptr<UIView>& view, bool animated);
    bool presentOpenInMenuFromBarButtonItemAnimated(const std::shared_ptr<UIBarButtonItem>& item, bool animated);
    bool presentPreviewAnimated(bool) { return false; }
    void dismissMenuAnimated(bool animated);
    bool isMenuVisible() const { return m_menu && m_menu->isVisible(); }
    std::shared_ptr<UIActionSheet> menu() const { return m_menu; }

private:
    class MenuDelegate;
    bool present(CGRect rect, const std::shared_ptr<UIView>& view);
    void send(const std::string& application);

    std::weak_ptr<UIDocumentInteractionControllerDelegate> m_delegate;
    std::shared_ptr<UIActionSheet> m_menu;
    std::shared_ptr<MenuDelegate> m_menuDelegate;
    std::vector<std::string> m_offered;
};
