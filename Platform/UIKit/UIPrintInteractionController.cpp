#include "Platform/UIKit/UIPrintInteractionController.h"

#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <filesystem>

namespace {

bool s_available = true;
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

}  // namespace

std::string UIPrintSafeFileName(const std::string& name)
{
    std::string out;
    for (unsigned char c : name)
        out += (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) ? '_' : static_cast<char>(c);
    while (!out.empty() && (out.front() == '.' || out.front() == ' '))
        out.erase(out.begin());
    if (out.size() > 200)
        out.resize(200);
    return out.empty() ? "job" : out;
}

std::shared_ptr<UIPrintInteractionController> UIPrintInteractionController::sharedPrintInteractionController()
{
    if (!s_available)
        return nullptr;
    if (!s_shared)
        s_shared = std::make_shared<UIPrintInteractionController>();
    return s_shared;
}

bool UIPrintInteractionController::isPrintingAvailable()
{
    return s_available;
}

void UIPrintInteractionController::setPrintingAvailable(bool available)
{
    s_available = available;
    if (!available)
        s_shared.reset();
}

std::string UIPrintInteractionController::spoolDirectory()
{
    return AppEnvironment::homeDirectory() + "/PrintSpool";
}

bool UIPrintInteractionController::canPrintURL(const std::string& fileURLOrPath)
{
    auto data = NSFileManager::defaultManager().contentsAtPath(pathOf(fileURLOrPath));
    return data && looksPrintable(*data);
}

bool UIPrintInteractionController::canPrintData(const Data& data)
{
    return looksPrintable(data);
}

std::shared_ptr<NSError> UIPrintInteractionController::writeJob()
{
    std::optional<Data> job;
    std::string extension = "pdf";
    if (printingItemData) {
        job = printingItemData;
    } else if (printingItemURL) {
        std::string path = pathOf(*printingItemURL);
        job = NSFileManager::defaultManager().contentsAtPath(path);
        auto dot = path.find_last_of('.');
        if (dot != std::string::npos && path.find('/', dot) == std::string::npos)
            extension = UIPrintSafeFileName(path.substr(dot + 1));
    } else if (!printingItems.empty()) {
        // The images become the pages of one PDF, each page the size of its image.
        auto pdf = std::make_shared<Data>();
        UIGraphicsBeginPDFContextToData(pdf, CGRectZero);
        for (auto& image : printingItems) {
            if (!image)
                continue;
            CGSize s = image->size();
            UIGraphicsBeginPDFPageWithInfo(CGRectMake(0, 0, s.width, s.height));
            image->drawInRect(CGRectMake(0, 0, s.width, s.height));
        }
        UIGraphicsEndPDFContext();
        if (!pdf->empty())
            job = *pdf;
    }
    std::shared_ptr<NSError> error;
    if (!job || job->empty()) {
        error = NSError::errorWithDomainCodeUserInfo("UIPrintErrorDomain", 2, Value::dictionary({ { "NSLocalizedDescription", Value("Nothing to print") } }));
    } else {
        std::error_code ec;
        std::filesystem::create_directories(spoolDirectory(), ec);
        std::string base = spoolDirectory() + "/" + UIPrintSafeFileName(printInfo ? printInfo->jobName : std::string());
        std::string path = base + "." + extension;
        for (int n = 2; std::filesystem::exists(path); ++n)
            path = base + "-" + std::to_string(n) + "." + extension;
        if (NSFileManager::defaultManager().createFileAtPathContents(path, *job))
            m_spooled.push_back(path);
        else
            error = NSError::errorWithDomainCodeUserInfo("UIPrintErrorDomain", 4, Value::dictionary({ { "NSLocalizedDescription", Value("The job could not be spooled") } }));
    }
    return error;
}

bool UIPrintInteractionController::spool(CompletionHandler completion)
{
    // The job goes to the spool on the next turn, so a dismissal before then cancels it.
    m_presented = true;
    m_pending = std::move(completion);
    auto self = shared_from_this();
    NSRunLoop::mainRunLoop()->performBlock([self] {
        if (!self->m_presented)
            return;
        self->m_presented = false;
        auto error = self->writeJob();
        auto done = std::move(self->m_pending);
        self->m_pending = nullptr;
        if (done)
            done(*self, !error, error);
        if (!error)
            if (auto d = self->delegate())
                d->printInteractionControllerDidFinishJob(*self);
    });
    return true;
}

bool UIPrintInteractionController::presentAnimatedCompletionHandler(bool, CompletionHandler completion)
{
    return spool(std::move(completion));
}

bool UIPrintInteractionController::presentFromRectInViewAnimatedCompletionHandler(CGRect, const std::shared_ptr<UIView>&,
                                                                                  bool, CompletionHandler completion)
{
    return spool(std::move(completion));
}

bool UIPrintInteractionController::presentFromBarButtonItemAnimatedCompletionHandler(
    const std::shared_ptr<UIBarButtonItem>&, bool, CompletionHandler completion)
{
    return spool(std::move(completion));
}

void UIPrintInteractionController::dismissAnimated(bool)
{
    if (!m_presented)
        return;
    m_presented = false;
    auto completion = std::move(m_pending);
    m_pending = nullptr;
    if (completion)
        completion(*this, false, nullptr);
}
