#include "Platform/UIKit/UIPrintInteractionController.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIPrintPanel.h"
#include "Platform/UIKit/UIWindow.h"
#include "Platform/UIKit/PrintService.h"

#include <poppler.h>

namespace {

std::shared_ptr<UIPrintInteractionController> s_shared;

std::string pathOf(const std::string& urlOrPath)
{
    if (urlOrPath.rfind("file://", 0) == 0)
        return urlOrPath.substr(7);
    return urlOrPath;
}

bool looksPrintable(const Data& d)
{
    auto starts = [&](std::initializer_list<uint8_t> magic) {
        return d.size() >= magic.size() && std::equal(magic.begin(), magic.end(), d.begin());
    };
    return starts({ '%', 'P', 'D', 'F' }) || starts({ 0x89, 'P', 'N', 'G' }) || starts({ 0xFF, 0xD8, 0xFF });
}

bool isPDF(const Data& d) { return d.size() >= 4 && d[0] == '%' && d[1] == 'P' && d[2] == 'D' && d[3] == 'F'; }

std::shared_ptr<NSError> printError(long code, const std::string& description)
{
    return NSError::errorWithDomainCodeUserInfo(
        "UIPrintErrorDomain", code, Value::dictionary({ { "NSLocalizedDescription", Value(description) } }));
}

// Images become the pages of one PDF, each page the size of its image.
std::optional<Data> pdfOfImages(const std::vector<std::shared_ptr<UIImage>>& images)
{
    auto pdf = std::make_shared<Data>();
    UIGraphicsBeginPDFContextToData(pdf, CGRectZero);
    for (auto& image : images) {
        if (!image)
            continue;
        CGSize s = image->size();
        UIGraphicsBeginPDFPageWithInfo(CGRectMake(0, 0, s.width, s.height));
        image->drawInRect(CGRectMake(0, 0, s.width, s.height));
    }
    UIGraphicsEndPDFContext();
    if (pdf->empty())
        return std::nullopt;
    return *pdf;
}

// 0 when the bytes do not open as a PDF.
size_t pageCountOf(const Data& pdf)
{
    GBytes* bytes = g_bytes_new(pdf.data(), pdf.size());
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
    g_bytes_unref(bytes);
    if (!document)
        return 0;
    int pages = poppler_document_get_n_pages(document);
    g_object_unref(document);
    return pages > 0 ? static_cast<size_t>(pages) : 0;
}

}  // namespace

std::shared_ptr<UIPrintInteractionController> UIPrintInteractionController::sharedPrintInteractionController()
{
    if (!isPrintingAvailable())
        return nullptr;
    if (!s_shared)
        s_shared = std::make_shared<UIPrintInteractionController>();
    return s_shared;
}

bool UIPrintInteractionController::isPrintingAvailable()
{
    auto printers = PrintService::destinations();
    return printers && !printers->empty();
}

bool UIPrintInteractionController::canPrintURL(const std::string& fileURLOrPath)
{
    auto data = NSFileManager::defaultManager().contentsAtPath(pathOf(fileURLOrPath));
    return data && looksPrintable(*data);
}

bool UIPrintInteractionController::canPrintData(const Data& data) { return looksPrintable(data); }

std::optional<Data> UIPrintInteractionController::document(std::shared_ptr<NSError>& error) const
{
    std::optional<Data> bytes;
    if (printingItemData)
        bytes = printingItemData;
    else if (printingItemURL)
        bytes = NSFileManager::defaultManager().contentsAtPath(pathOf(*printingItemURL));
    else if (!printingItems.empty())
        bytes = pdfOfImages(printingItems);
    if (!bytes || bytes->empty()) {
        error = printError(UIPrintNoContentError, "There is nothing to print");
        return std::nullopt;
    }
    if (isPDF(*bytes))
        return bytes;
    // A picture prints as a page of its own size.
    auto image = looksPrintable(*bytes) ? UIImage::imageWithData(*bytes) : nullptr;
    auto pdf = image ? pdfOfImages({ image }) : std::nullopt;
    if (!pdf)
        error = printError(UIPrintUnknownImageFormatError, "The item is neither a PDF nor a picture");
    return pdf;
}

void UIPrintInteractionController::report(CompletionHandler completion, bool completed, std::shared_ptr<NSError> error)
{
    auto self = shared_from_this();
    if (completion)
        completion(*self, completed, error);
    if (completed)
        if (auto d = delegate())
            d->printInteractionControllerDidFinishJob(*self);
}

bool UIPrintInteractionController::present(std::function<void(UIPopoverController&)> show, CompletionHandler completion)
{
    if (m_presented)
        return false;
    auto self = shared_from_this();
    std::shared_ptr<NSError> error;
    auto pdf = document(error);
    std::string problem;
    auto printers = pdf ? PrintService::destinations(&problem) : std::nullopt;
    if (pdf && (!printers || printers->empty()))
        error = printError(UIPrintingNotAvailableError,
            "Printing is not available: " + (problem.empty() ? "no printer is set up" : problem));
    if (error) {
        // Heard on the next turn, as a panel's answer would be.
        NSRunLoop::mainRunLoop()->performBlock([self, completion, error] { self->report(completion, false, error); });
        return false;
    }
    bool twoSided = printInfo && printInfo->duplex != UIPrintInfoDuplexNone;
    m_panel = std::make_shared<UIPrintPanelViewController>(
        std::move(*printers), twoSided, showsPageRange, showsPageRange ? pageCountOf(*pdf) : 0);
    std::weak_ptr<UIPrintInteractionController> weak = self;
    std::string title = printInfo && !printInfo->jobName.empty() ? printInfo->jobName
        : printingItemURL ? pathOf(*printingItemURL).substr(pathOf(*printingItemURL).find_last_of('/') + 1)
                          : std::string("Document");
    bool shortEdge = printInfo && printInfo->duplex == UIPrintInfoDuplexShortEdge;
    m_panel->setFinish([weak, pdf = std::move(*pdf), title, shortEdge](
                           const std::optional<UIPrintPanelViewController::Choice>& choice) {
        auto owner = weak.lock();
        if (!owner || !owner->m_presented)
            return;
        auto done = std::move(owner->m_pending);
        owner->m_pending = nullptr;
        owner->endPanel();
        if (!choice) {
            owner->report(done, false, nullptr);
            return;
        }
        PrintJobRequest job;
        job.printer = choice->printer;
        job.title = title;
        job.pdf = pdf;
        job.copies = choice->copies;
        job.pageRanges = choice->pageRanges;
        job.sides = !choice->twoSided ? PrintSides::OneSided
            : shortEdge               ? PrintSides::TwoSidedShortEdge
                                      : PrintSides::TwoSidedLongEdge;
        // Sent and waited for on a worker; the answer comes back on the main queue.
        PrintService::print(std::move(job), [owner, done](const std::optional<std::string>& failure) {
            if (failure) {
                NSLog("print job failed: %@", *failure);
                owner->report(done, false, printError(UIPrintJobFailedError, *failure));
            } else {
                owner->report(done, true, nullptr);
            }
        });
    });
    m_popover = std::make_shared<UIPopoverController>(m_panel);
    m_popover->setDelegate(std::static_pointer_cast<UIPopoverControllerDelegate>(self));
    m_presented = true;
    m_pending = std::move(completion);
    show(*m_popover);
    return true;
}

void UIPrintInteractionController::endPanel()
{
    m_presented = false;
    if (m_popover) {
        m_popover->setDelegate({});
        m_popover->dismissPopoverAnimated(false);
    }
    m_popover.reset();
}

void UIPrintInteractionController::popoverControllerDidDismissPopover(UIPopoverController&)
{
    // A touch outside the panel: the person changed their mind.
    if (m_panel)
        m_panel->cancel();
}

bool UIPrintInteractionController::presentAnimatedCompletionHandler(bool animated, CompletionHandler completion)
{
    return present(
        [animated](UIPopoverController& popover) {
            auto window = UIWindow::keyWindow();
            if (!window)
                return;
            CGRect b = window->bounds();
            popover.presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
                CGRectMake(CGRectGetMidX(b), b.size.height / 4, 1, 1), window, UIPopoverArrowDirectionAny, animated);
        },
        std::move(completion));
}

bool UIPrintInteractionController::presentFromRectInViewAnimatedCompletionHandler(
    CGRect rect, const std::shared_ptr<UIView>& view, bool animated, CompletionHandler completion)
{
    return present(
        [rect, view, animated](UIPopoverController& popover) {
            popover.presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
                rect, view, UIPopoverArrowDirectionAny, animated);
        },
        std::move(completion));
}

bool UIPrintInteractionController::presentFromBarButtonItemAnimatedCompletionHandler(
    const std::shared_ptr<UIBarButtonItem>& item, bool animated, CompletionHandler completion)
{
    return present(
        [item, animated](UIPopoverController& popover) {
            popover.presentPopoverFromBarButtonItemPermittedArrowDirectionsAnimated(
                item, UIPopoverArrowDirectionAny, animated);
        },
        std::move(completion));
}

void UIPrintInteractionController::dismissAnimated(bool)
{
    if (!m_presented || !m_panel)
        return;
    m_panel->cancel();
}
