#pragma once

// A screen that hosts the preview of one office file (PPTViewController)
// filling its view, under the same bar, title and back button. No screen of
// the library opens it. A memory warning lets the preview go.

#include "Classes/Frame/BaseViewController.h"

#include <memory>
#include <optional>
#include <string>

class PPTViewController;
class UIImageView;

class SinglePPTViewer : public BaseViewController {
public:
    void setFilePath(const std::string& path) { m_filePath = path; }
    void setFileName(const std::string& name) { m_fileName = name; }
    const std::optional<std::string>& filePath() const { return m_filePath; }
    const std::optional<std::string>& fileName() const { return m_fileName; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void didReceiveMemoryWarning() override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    const std::shared_ptr<PPTViewController>& previewController() const { return m_previewController; }

private:
    std::shared_ptr<PPTViewController> m_previewController;
    std::shared_ptr<UIImageView> m_imgViewTitleBar;
    std::optional<std::string> m_filePath;
    std::optional<std::string> m_fileName;
};
