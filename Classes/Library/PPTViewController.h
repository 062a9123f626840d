#pragma once

// A preview of one office file in the platform's document preview, under the
// application's navigation bar with the bar image, the file's name and a back
// button that leaves it. No screen of the library opens it; SinglePPTViewer
// hosts it.

#include "Platform/UIKit/QLPreviewController.h"

#include <memory>
#include <optional>
#include <string>

class UIButton;
class UIImageView;
class UILabel;
class UINavigationController;

class PPTViewController : public QLPreviewController,
                          public QLPreviewControllerDataSource,
                          public QLPreviewControllerDelegate {
public:
    void setFileName(const std::string& name);
    void setFilePath(const std::string& path) { m_filePath = path; }
    const std::optional<std::string>& fileName() const { return m_fileName; }
    const std::optional<std::string>& filePath() const { return m_filePath; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void didReceiveMemoryWarning() override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    long numberOfPreviewItemsInPreviewController(QLPreviewController&) override { return 1; }
    std::string previewControllerPreviewItemAtIndex(QLPreviewController&, long index) override;

    const std::shared_ptr<UIImageView>& imgViewTitleBar() const { return m_imgViewTitleBar; }

    // The window's root navigation controller, which the office viewers' bar
    // belongs to.
    static std::shared_ptr<UINavigationController> rootNavigationController();
    // Shows that bar for `screen`: the bar image (made once into `titleBar`)
    // at index 1, `title` as the title and a back button that pops it.
    static void showBarFor(UIViewController& screen, std::shared_ptr<UIImageView>& titleBar, const std::string& title);

private:
    std::shared_ptr<UIImageView> m_imgViewTitleBar;
    std::optional<std::string> m_filePath;
    std::optional<std::string> m_fileName;
};
