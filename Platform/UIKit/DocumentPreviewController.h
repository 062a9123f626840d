#pragma once

// The quick look the document interaction controller gives before its
// open-in menu: the file full-screen under a bar with its name and "Done".
// Pictures the image codecs read and plain text are shown; for any other
// file there is no preview (presenting answers false) and the open-in menu
// comes alone. "Done" dismisses it and tells the interaction controller's
// delegate that the preview ended.

#include "Platform/UIKit/QLPreviewController.h"

#include <memory>
#include <string>

class UIButton;
class UIDocumentInteractionController;

class DocumentPreviewController : public QLPreviewController, public QLPreviewControllerDataSource {
public:
    // Whether the file can be previewed: a picture that decodes, or a plain text file.
    static bool canPreview(const std::string& path);
    // Presents the preview of the controller's file over the key window's front screen; false when it cannot.
    static bool present(const std::shared_ptr<UIDocumentInteractionController>& controller, bool animated);

    explicit DocumentPreviewController(
        std::weak_ptr<UIDocumentInteractionController> controller, std::string path, std::string name);

    void loadView() override;
    long numberOfPreviewItemsInPreviewController(QLPreviewController&) override { return 1; }
    std::string previewControllerPreviewItemAtIndex(QLPreviewController&, long) override { return "file://" + m_path; }

    void done();
    const std::shared_ptr<UIButton>& doneButton() const { return m_done; }

    static constexpr CGFloat kBarHeight = 44;

private:
    std::weak_ptr<UIDocumentInteractionController> m_controller;
    std::string m_path;
    std::string m_name;
    std::shared_ptr<UIButton> m_done;
};
