#pragma once

// Handing a file to another application of the desktop. The applications
// offered are those the desktop registers for the file's type (its MIME
// type, from the type identifier when one is set, else from the file's name
// and first bytes): without one the open-in menu is not shown and
// presenting it answers false. With one, the menu lists the applications by
// name, and a tap on one launches it with the file, telling the delegate
// before and after. A preview (DocumentPreviewController) shows pictures
// and plain text; presenting one answers false for any other file.

#include "Platform/UIKit/UIActionSheet.h"

class UIDocumentInteractionController;

class UIDocumentInteractionControllerDelegate {
public:
    virtual ~UIDocumentInteractionControllerDelegate() = default;
    virtual void documentInteractionControllerWillBeginSendingToApplication(
        UIDocumentInteractionController&, const std::string&)
    {
    }
    virtual void documentInteractionControllerDidEndSendingToApplication(
        UIDocumentInteractionController&, const std::string&)
    {
    }
    virtual void documentInteractionControllerDidDismissOpenInMenu(UIDocumentInteractionController&) { }
    virtual void documentInteractionControllerDidEndPreview(UIDocumentInteractionController&) { }
};

class UIDocumentInteractionController : public std::enable_shared_from_this<UIDocumentInteractionController> {
public:
    struct Application {
        std::string identifier;  // the desktop's id ("org.example.Reader.desktop")
        std::string name;  // as the menu shows it
    };

    static std::shared_ptr<UIDocumentInteractionController> interactionControllerWithURL(const std::string& fileURL);

    explicit UIDocumentInteractionController(std::string url)
        : URL(std::move(url))
    {
    }

    std::string URL;
    std::string UTI;
    std::string name;
    std::shared_ptr<UIDocumentInteractionControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIDocumentInteractionControllerDelegate> d) { m_delegate = std::move(d); }

    // The file's MIME type, as the desktop's applications are registered for it.
    std::string contentType() const;
    // The applications that take this file.
    std::vector<Application> applications() const;
    bool presentOpenInMenuFromRectInViewAnimated(CGRect rect, const std::shared_ptr<UIView>& view, bool animated);
    bool presentOpenInMenuFromBarButtonItemAnimated(const std::shared_ptr<UIBarButtonItem>& item, bool animated);
    bool presentPreviewAnimated(bool animated);
    void dismissMenuAnimated(bool animated);
    bool isMenuVisible() const { return m_menu && m_menu->isVisible(); }
    std::shared_ptr<UIActionSheet> menu() const { return m_menu; }

private:
    class MenuDelegate;
    bool present(CGRect rect, const std::shared_ptr<UIView>& view);
    void send(const Application& application);

    std::weak_ptr<UIDocumentInteractionControllerDelegate> m_delegate;
    std::shared_ptr<UIActionSheet> m_menu;
    std::shared_ptr<MenuDelegate> m_menuDelegate;
    std::vector<Application> m_offered;
};
