#pragma once

// The preview screen for documents: its data source names the items (file
// URLs) and the screen shows the current one in a web view that fills it, so
// a file the web view cannot show leaves it empty, as it does for a file the
// preview cannot read. The items are asked for when the screen first
// appears, and again on reloadData.

#include "Platform/UIKit/UIViewController.h"

#include <memory>
#include <string>

class QLPreviewController;
class UIWebView;

class QLPreviewControllerDataSource {
public:
    virtual ~QLPreviewControllerDataSource() = default;
    virtual long numberOfPreviewItemsInPreviewController(QLPreviewController&) = 0;
    // The item's URL.
    virtual std::string previewControllerPreviewItemAtIndex(QLPreviewController&, long index) = 0;
};

class QLPreviewControllerDelegate {
public:
    virtual ~QLPreviewControllerDelegate() = default;
    virtual void previewControllerWillDismiss(QLPreviewController&) { }
    virtual void previewControllerDidDismiss(QLPreviewController&) { }
};

class QLPreviewController : public UIViewController {
public:
    std::shared_ptr<QLPreviewControllerDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<QLPreviewControllerDataSource> d) { m_dataSource = std::move(d); }
    std::shared_ptr<QLPreviewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<QLPreviewControllerDelegate> d) { m_delegate = std::move(d); }

    long currentPreviewItemIndex() const { return m_currentIndex; }
    // Shows the item at that index when there is one.
    void setCurrentPreviewItemIndex(long index);
    // Asks the data source again and shows the current item.
    void reloadData();

    void loadView() override;
    void viewWillAppear(bool animated) override;
    // The web view the current item is shown in (made with the view).
    const std::shared_ptr<UIWebView>& previewView() const { return m_webView; }

private:
    void showCurrentItem();

    std::weak_ptr<QLPreviewControllerDataSource> m_dataSource;
    std::weak_ptr<QLPreviewControllerDelegate> m_delegate;
    std::shared_ptr<UIWebView> m_webView;
    long m_currentIndex = 0;
    long m_count = 0;
    bool m_loaded = false;
};
