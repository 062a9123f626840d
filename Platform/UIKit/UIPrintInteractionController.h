#pragma once

// Printing without printers: presenting the print controller spools the job
// as a file in the "PrintSpool" folder of the home (the PDF or file given,
// or a PDF made of the given images, one page each) and reports the job
// completed from the run loop, then tells the delegate it finished; a
// dismissal before then cancels the job (reported as not completed). The
// spool file is named after the job name made safe as a file name. Whether
// printing is available can be set by tests.

#include "Platform/Foundation/Value.h"
#include "Platform/QuartzCore/CAGeometry.h"

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
    virtual void printInteractionControllerDidFinishJob(UIPrintInteractionController&) {}
};

class UIPrintInteractionController : public std::enable_shared_from_this<UIPrintInteractionController> {
public:
    using CompletionHandler = std::function<void(UIPrintInteractionController&, bool completed,
                                                 const std::shared_ptr<NSError>& error)>;

    // Null when printing is not available.
    static std::shared_ptr<UIPrintInteractionController> sharedPrintInteractionController();
    static bool isPrintingAvailable();
    static void setPrintingAvailable(bool available);
    // A PDF or image file, or bytes of one.
    static bool canPrintURL(const std::string& fileURLOrPath);
    static bool canPrintData(const Data& data);
    static std::string spoolDirectory();

    std::shared_ptr<UIPrintInfo> printInfo;
    bool showsPageRange = false;
    // One of: a file (URL or path), bytes, or images.
    std::optional<std::string> printingItemURL;
    std::optional<Data> printingItemData;
    std::vector<std::shared_ptr<UIImage>> printingItems;
    std::shared_ptr<UIPrintInteractionControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIPrintInteractionControllerDelegate> d) { m_delegate = std::move(d); }

    bool presentAnimatedCompletionHandler(bool animated, CompletionHandler completion);
    bool presentFromRectInViewAnimatedCompletionHandler(CGRect rect, const std::shared_ptr<UIView>& view, bool animated,
                                                        CompletionHandler completion);
    bool presentFromBarButtonItemAnimatedCompletionHandler(const std::shared_ptr<UIBarButtonItem>& item, bool animated,
                                                           CompletionHandler completion);
    void dismissAnimated(bool animated);
    bool isPresented() const { return m_presented; }
    // The spool files written, oldest first.
    const std::vector<std::string>& spooledFiles() const { return m_spooled; }

private:
    bool spool(CompletionHandler completion);
    std::shared_ptr<NSError> writeJob();
    CompletionHandler m_pending;
    std::weak_ptr<UIPrintInteractionControllerDelegate> m_delegate;
    bool m_presented = false;
    std::vector<std::string> m_spooled;
};

// A text made safe as one file name: no folder separators, no leading dot,
// no control characters; "job" when nothing is left.
std::string UIPrintSafeFileName(const std::string& name);
