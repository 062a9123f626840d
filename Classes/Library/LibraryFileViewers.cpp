#include "Classes/Library/LibraryFileViewers.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Library/LibraryFileActions.h"
#include "Classes/Library/LibraryText.h"
#include "Classes/Library/PPTLoadingViewController.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfViewController.h"
#include "Classes/Library/VideoViewController.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

bool isOfficePath(const std::string& path)
{
    static constexpr std::array<const char*, 6> kOffice { "pptx", "ppt", "xls", "xlsx", "doc", "docx" };
    std::string ext = NSString::pathExtension(path);
    std::transform(
        ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::any_of(kOffice.begin(), kOffice.end(), [&](const char* e) { return ext == e; });
}

}  // namespace

std::shared_ptr<UIViewController> LibraryFileViewers::rootViewControllerOf(UIViewController& screen)
{
    std::shared_ptr<UIWindow> window;
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        window = app->window();
    if (!window && screen.isViewLoaded())
        window = screen.view()->window();
    return window ? window->rootViewController() : nullptr;
}

std::optional<std::string> LibraryFileViewers::open(
    const From& from, const std::optional<std::string>& fileName, const std::optional<std::string>& type)
{
    // A name from the server that could leave its folder is never made into a path.
    if (!LibraryText::isSafeName(fileName))
        return std::nullopt;
    const std::string name = *fileName;
    const std::string path = PublicFunction::filePathWithNameFiletype(name, LibraryText::typeCodeOf(type));
    const std::string title = DataAccessManager::sharedDataModel()->getTitleByFileName(name).value_or(std::string());
    const std::string kind = type.value_or(std::string());
    if (kind == "VEDIO") {
        m_video = std::make_shared<VideoViewController>();
        m_video->createWithFilenameAndFilePath(title, path);
        if (auto root = rootViewControllerOf(from.screen))
            root->view()->addSubview(m_video->view());
        return std::nullopt;
    }
    if (kind == "PDF") {
        auto document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
        if (!document)
            return "THEFILEISCORRUPTED";
        auto reader = PdfViewController::initWithReaderDocumentDocumentName(document, title);
        reader->setDelegate(from.readerDelegate);
        if (from.navigation)
            from.navigation->pushViewControllerAnimated(reader, true);
        return std::nullopt;
    }
    if (!PublicFunction::safeSizeOfPath(path))
        return handOver(from, path, name) ? std::nullopt : std::optional<std::string>("FILETOOLARGEALERT");
    if (isOfficePath(path)) {
        auto preview = std::make_shared<PPTLoadingViewController>();
        preview->setFileName(title);
        preview->setFilePath(path);
        m_officeViewer = preview;
        if (from.navigation)
            from.navigation->pushViewControllerAnimated(preview, true);
        return std::nullopt;
    }
    return handOver(from, path, name) ? std::nullopt : std::optional<std::string>("PLEASEDOWNLOADKEYNOTE");
}

bool LibraryFileViewers::handOver(const From& from, const std::string& path, const std::string& name)
{
    m_documentController.reset();
    m_documentController = LibraryFileActions::openInController("file://" + path, from.handOverDelegate);
    m_documentController->name = name;
    if (from.previewFirst)
        m_documentController->presentPreviewAnimated(true);
    if (m_documentController->presentOpenInMenuFromRectInViewAnimated(
            CGRectMake(500, -200, 200, 200), from.screen.view(), true))
        return true;
    m_documentController.reset();
    return false;
}

void LibraryFileViewers::closeVideo()
{
    if (!m_video)
        return;
    if (m_video->isViewLoaded())
        m_video->view()->removeFromSuperview();
    m_video.reset();
}
