#include "Classes/Library/PdfThumbRender.h"

#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGPDFDocument.h"
#include "Platform/ImageIO/CGImageDestination.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIImage.h"

#include <mutex>
#include <sys/stat.h>

namespace {

// Thumbnails come in runs over one document, and opening it again for each
// page cost most of a thumbnail: the last document stays open, keyed by its
// file as it is on disk (a file replaced by a sync is opened afresh), and
// renders one page at a time.
class OpenThumbDocument {
public:
    static OpenThumbDocument& shared()
    {
        static OpenThumbDocument* open = new OpenThumbDocument();
        return *open;
    }

    // Runs `render` with the document open, under the lock; a document that
    // cannot be opened gives a null reference.
    template <typename Render>
    auto withDocument(
        const std::optional<std::string>& fileURL, const std::optional<std::string>& password, Render&& render)
    {
        std::lock_guard guard(m_lock);
        Key key = keyOf(fileURL, password);
        if (!key.exists || key != m_key || !m_document) {
            m_document = key.exists ? PdfDocumentRefCreate(fileURL, password) : nullptr;
            m_key = m_document ? key : Key {};
        }
        return render(m_document);
    }

    void close()
    {
        std::lock_guard guard(m_lock);
        m_document = nullptr;
        m_key = Key {};
    }

private:
    struct Key {
        bool exists = false;
        std::string path;
        std::optional<std::string> password;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified {};
        bool operator==(const Key& other) const
        {
            return exists == other.exists && path == other.path && password == other.password && device == other.device
                && inode == other.inode && size == other.size && modified.tv_sec == other.modified.tv_sec
                && modified.tv_nsec == other.modified.tv_nsec;
        }
    };

    static Key keyOf(const std::optional<std::string>& fileURL, const std::optional<std::string>& password)
    {
        Key key;
        if (!fileURL)
            return key;
        key.path = fileURL->rfind("file://", 0) == 0 ? NSString::stringByReplacingPercentEscapes(fileURL->substr(7))
                                                     : *fileURL;
        struct stat info { };
        if (::stat(key.path.c_str(), &info) != 0)
            return key;
        key.exists = true;
        key.password = password;
        key.device = info.st_dev;
        key.inode = info.st_ino;
        key.size = info.st_size;
        key.modified = info.st_mtim;
        return key;
    }

    std::mutex m_lock;
    Key m_key;
    CGPDFDocumentRef m_document;
};

long evenWhole(CGFloat value)
{
    long whole = static_cast<long>(value);
    return whole % 2 ? whole - 1 : whole;
}

}  // namespace

PdfThumbRender::PdfThumbRender(std::shared_ptr<PdfThumbRequest> request)
    : PdfThumbOperation(request->guid())
    , m_request(std::move(request))
{
}

std::string PdfThumbRender::thumbFileURL() const
{
    PdfThumbCache::createThumbCacheWithGUID(m_request->guid());
    return PdfThumbCache::thumbCachePathForGUID(m_request->guid()) + "/" + m_request->thumbName() + ".png";
}

CGSize PdfThumbRender::fittedSize(CGSize page, CGSize box)
{
    if (page.width <= 0 || page.height <= 0)
        return CGSizeZero;
    CGFloat s;
    if (page.width < page.height)
        s = box.height > box.width ? box.width / page.width : box.height / page.height;
    else
        s = box.width > box.height ? box.height / page.height : box.width / page.width;
    return CGSizeMake(
        static_cast<CGFloat>(evenWhole(page.width * s)), static_cast<CGFloat>(evenWhole(page.height * s)));
}

void PdfThumbRender::main()
{
    CGImageRef image = OpenThumbDocument::shared().withDocument(
        m_request->fileURL(), m_request->password(), [this](const CGPDFDocumentRef& document) {
            CGImageRef rendered;
            if (!document)
                return rendered;
            if (auto page = CGPDFDocumentGetPage(document, static_cast<size_t>(std::max(0L, m_request->thumbPage())))) {
                CGRect box = CGRectIntersection(
                    CGPDFPageGetBoxRect(page, kCGPDFCropBox), CGPDFPageGetBoxRect(page, kCGPDFMediaBox));
                int angle = CGPDFPageGetRotationAngle(page);
                CGSize upright = angle == 90 || angle == 270 ? CGSizeMake(box.size.height, box.size.width) : box.size;
                CGSize fitted = fittedSize(upright, m_request->thumbSize());
                auto pixelWidth = static_cast<size_t>(fitted.width * m_request->scale());
                auto pixelHeight = static_cast<size_t>(fitted.height * m_request->scale());
                auto context = CGBitmapContextCreate(nullptr, pixelWidth, pixelHeight, 8, 0,
                    CGColorSpaceCreateDeviceRGB(), kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little);
                if (context) {
                    CGRect rect = CGRectMake(0, 0, static_cast<CGFloat>(pixelWidth), static_cast<CGFloat>(pixelHeight));
                    CGContextSetRGBFillColor(context, 1, 1, 1, 1);
                    CGContextFillRect(context, rect);
                    CGContextConcatCTM(context, CGPDFPageGetDrawingTransform(page, kCGPDFCropBox, rect, 0, true));
                    CGContextDrawPDFPage(context, page);
                    rendered = CGBitmapContextCreateImage(context);
                }
            }
            return rendered;
        });
    if (image) {
        auto thumb = UIImage::imageWithCGImageScaleOrientation(image, m_request->scale(), UIImageOrientationUp);
        PdfThumbCache::sharedInstance().setObjectForKey(thumb, m_request->cacheKey());
        if (!isCancelled())
            deliverImage(m_request, thumb);
        if (auto destination = CGImageDestinationCreateWithURL(thumbFileURL(), kUTTypePNG, 1)) {
            CGImageDestinationAddImage(destination, image);
            CGImageDestinationFinalize(destination);
        }
    } else {
        PdfThumbCache::sharedInstance().removeNullForKey(m_request->cacheKey());
    }
    clearViewOperation(m_request);
}

void PdfThumbRender::closeKeptDocument() { OpenThumbDocument::shared().close(); }

void PdfThumbRender::cancel()
{
    NSOperation::cancel();
    cancelRequest(m_request);
}
