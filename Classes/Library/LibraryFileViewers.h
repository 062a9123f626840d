#pragma once

// Opening a library file that is on the device in the viewer for its type: a
// video plays over the window's root screen, a PDF goes to the reader, an
// office file to the office viewer, anything else to another application.
// The library grid and a product's related documents open files the same way
// and each keeps the viewers it opened in one of these.

#include "Platform/UIKit/UIDocumentInteractionController.h"

#include <memory>
#include <optional>
#include <string>

class PdfViewControllerDelegate;
class UINavigationController;
class UIViewController;
class VideoViewController;

class LibraryFileViewers {
public:
    // What an opening needs of the screen it starts from.
    struct From {
        UIViewController& screen;
        // Where the reader and the office viewer are pushed.
        std::shared_ptr<UINavigationController> navigation;
        std::weak_ptr<PdfViewControllerDelegate> readerDelegate;
        std::weak_ptr<UIDocumentInteractionControllerDelegate> handOverDelegate;
        // The file's preview is asked for before the open-in menu.
        bool previewFirst = false;
    };

    // Opens `fileName` of the type text `type`. Gives the language key of the
    // notice to show when the file cannot be opened; nothing when it opened or
    // when the name is not one to make a path of.
    std::optional<std::string> open(
        const From& from, const std::optional<std::string>& fileName, const std::optional<std::string>& type);

    // The player has closed: its view leaves the screen and it is dropped.
    void closeVideo();
    void dropDocumentController() { m_documentController.reset(); }

    const std::shared_ptr<VideoViewController>& video() const { return m_video; }
    const std::shared_ptr<UIViewController>& officeViewer() const { return m_officeViewer; }
    const std::shared_ptr<UIDocumentInteractionController>& documentController() const { return m_documentController; }

    // The root screen of the application's window, else of the screen's own window.
    static std::shared_ptr<UIViewController> rootViewControllerOf(UIViewController& screen);

private:
    bool handOver(const From& from, const std::string& path, const std::string& name);

    std::shared_ptr<VideoViewController> m_video;
    std::shared_ptr<UIViewController> m_officeViewer;
    std::shared_ptr<UIDocumentInteractionController> m_documentController;
};
