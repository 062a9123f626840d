#pragma once

// The full-screen viewer for presentations, spreadsheets and word-processing
// files on the device: the file in a web view under a bar with back and
// share. The share menu mails the file, prints the rendered document as page
// pictures, or hands the file to another application. The web view shows
// the document's pages once the office suite has converted it. Files that do
// not convert leave the screen empty (the indicator stops, no alert; the
// reason goes to the log); the share menu still works for them.
//
// The library pushes it on the window's root navigation controller after
// setting the title and the path.

#include "Classes/Frame/BaseViewController.h"
#include "Platform/UIKit/MFMailComposeViewController.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIDocumentInteractionController.h"
#include "Platform/UIKit/UIPrintInteractionController.h"
#include "Platform/UIKit/UIWebView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIActivityIndicatorView;
class UIBarButtonItem;
class UIButton;
class UIImage;
class UIImageView;

class PPTLoadingViewController : public BaseViewController,
                                 public UIWebViewDelegate,
                                 public UIActionSheetDelegate,
                                 public MFMailComposeViewControllerDelegate,
                                 public UIPrintInteractionControllerDelegate,
                                 public UIDocumentInteractionControllerDelegate {
public:
    void setFileName(const std::optional<std::string>& name) { m_fileName = name; }
    void setFilePath(const std::optional<std::string>& path) { m_filePath = path; }
    const std::optional<std::string>& fileName() const { return m_fileName; }
    const std::optional<std::string>& filePath() const { return m_filePath; }

    void viewDidLoad() override;
    void viewWillDisappear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    void btnBackClick();
    void shareButton();
    void emailAction();
    void printAction();
    void thirdAction();
    void displayComposerSheet();
    // The rendered document as page pictures, one page-height apart from the top.
    std::vector<std::shared_ptr<UIImage>> pageImages();

    void webViewDidStartLoad(UIWebView&) override;
    void webViewDidFinishLoad(UIWebView&) override;
    void webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>&) override;
    void actionSheetClickedButtonAtIndex(UIActionSheet&, long buttonIndex) override;
    void mailComposeControllerDidFinishWithResultError(
        MFMailComposeViewController&, MFMailComposeResult result, const std::shared_ptr<NSError>& error) override;
    void printInteractionControllerDidFinishJob(UIPrintInteractionController&) override;
    void documentInteractionControllerDidEndPreview(UIDocumentInteractionController&) override;

    const std::shared_ptr<UIWebView>& webView() const { return m_webView; }
    const std::shared_ptr<UIActivityIndicatorView>& loadingView() const { return m_loadingView; }
    const std::shared_ptr<UIActionSheet>& shareSheet() const { return m_shareSheet; }
    const std::shared_ptr<UIBarButtonItem>& shareItem() const { return m_shareItem; }
    const std::shared_ptr<UIButton>& backButton() const { return m_backButton; }

private:
    std::shared_ptr<PPTLoadingViewController> self();
    std::shared_ptr<UIViewController> presenter();

    std::optional<std::string> m_filePath;
    std::optional<std::string> m_fileName;
    std::shared_ptr<UIWebView> m_webView;
    std::shared_ptr<UIActivityIndicatorView> m_loadingView;
    std::shared_ptr<UIDocumentInteractionController> m_documentController;
    std::shared_ptr<UIActionSheet> m_shareSheet;
    std::shared_ptr<UIPrintInteractionController> m_printController;
    std::shared_ptr<UIButton> m_backButton;
    std::shared_ptr<UIBarButtonItem> m_shareItem;
};
