#pragma once

// Printing through the desktop's print system (PrintService). Presenting the
// controller shows the print panel in a pop-over, listing the printers the
// system offers; Print sends the item (a PDF, a PDF or image file, or images
// made into one PDF, a page each) to the chosen printer with the chosen
// copies, sides and pages, and the completion handler hears once the job has
// ended: completed, or not with the print system's reason. The delegate is
// told of a finished job only when it completed. Cancel, a touch outside the
// panel or a dismissal report the job as not completed, without an error.
// With no print server or no printer, printing is not available and there is
// no shared controller.

#include "Platform/Foundation/Value.h"
#include "Platform/QuartzCore/CAGeometry.h"
#include "Platform/UIKit/UIPopoverController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class NSError;
class UIImage;
class UIView;
class UIBarButtonItem;
class UIPrintInteractionController;
class UIPrintPanelViewController;

enum UIPrintInfoOutputType { UIPrintInfoOutputGeneral, UIPrintInfoOutputPhoto, UIPrintInfoOutputGrayscale };
enum UIPrintInfoDuplex { UIPrintInfoDuplexNone, UIPrintInfoDuplexLongEdge, UIPrintInfoDuplexShortEdge };

class UIPrintInfo {
public:
    static std::shared_ptr<UIPrintInfo> printInfo() { return std::make_shared<UIPrintInfo>(); }
    UIPrintInfoOutputType outputType = UIPrintInfoOutputGeneral;
    UIPrintInfoDuplex duplex = UIPrintInfoDuplexNone;
    std::string jobName;
};

class UIPrintInteractionControllerDelegate {
public:
    virtual ~UIPrintInteractionControllerDelegate() = default;
    virtual void printInteractionControllerDidFinishJob(UIPrintInteractionController&) { }
};

// Errors of the print system's domain, "UIPrintErrorDomain".
enum UIPrintErrorCode {
    UIPrintingNotAvailableError = 1,
    UIPrintNoContentError,
    UIPrintUnknownImageFormatError,
    UIPrintJobFailedError
};

class UIPrintInteractionController : public std::enable_shared_from_this<UIPrintInteractionController>,
                                     public UIPopoverControllerDelegate {
public:
    using CompletionHandler
        = std::function<void(UIPrintInteractionController&, bool completed, const std::shared_ptr<NSError>& error)>;

    // Null when printing is not available.
    static std::shared_ptr<UIPrintInteractionController> sharedPrintInteractionController();
    // Whether a print server answers and offers at least one printer.
    static bool isPrintingAvailable();
    // A PDF or image file, or bytes of one.
    static bool canPrintURL(const std::string& fileURLOrPath);
    static bool canPrintData(const Data& data);

    std::shared_ptr<UIPrintInfo> printInfo;
    bool showsPageRange = false;
    // One of: a file (URL or path), bytes, or images.
    std::optional<std::string> printingItemURL;
    std::optional<Data> printingItemData;
    std::vector<std::shared_ptr<UIImage>> printingItems;
    std::shared_ptr<UIPrintInteractionControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIPrintInteractionControllerDelegate> d) { m_delegate = std::move(d); }

    bool presentAnimatedCompletionHandler(bool animated, CompletionHandler completion);
    bool presentFromRectInViewAnimatedCompletionHandler(
        CGRect rect, const std::shared_ptr<UIView>& view, bool animated, CompletionHandler completion);
    bool presentFromBarButtonItemAnimatedCompletionHandler(
        const std::shared_ptr<UIBarButtonItem>& item, bool animated, CompletionHandler completion);
    void dismissAnimated(bool animated);
    bool isPresented() const { return m_presented; }
    // The panel while it is shown.
    std::shared_ptr<UIPrintPanelViewController> printPanel() const { return m_presented ? m_panel : nullptr; }

    void popoverControllerDidDismissPopover(UIPopoverController&) override;

private:
    bool present(std::function<void(UIPopoverController&)> show, CompletionHandler completion);
    std::optional<Data> document(std::shared_ptr<NSError>& error) const;
    void endPanel();
    void report(CompletionHandler completion, bool completed, std::shared_ptr<NSError> error);

    CompletionHandler m_pending;
    std::weak_ptr<UIPrintInteractionControllerDelegate> m_delegate;
    bool m_presented = false;
    std::shared_ptr<UIPrintPanelViewController> m_panel;
    std::shared_ptr<UIPopoverController> m_popover;
};
