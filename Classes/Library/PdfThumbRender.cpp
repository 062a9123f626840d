#include "Classes/Library/PdfThumbRender.h"

#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGPDFDocument.h"
#include "Platform/ImageIO/CGImageDestination.h"
#include "Platform/UIKit/UIImage.h"

namespace {

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
    return CGSizeMake(static_cast<CGFloat>(evenWhole(page.width * s)), static_cast<CGFloat>(evenWhole(page.height * s)));
}

void PdfThumbRender::main()
{
    CGImageRef image;
    if (auto document = PdfDocumentRefCreate(m_request->fileURL(), m_request->password())) {
        if (auto page = CGPDFDocumentGetPage(document, static_cast<size_t>(std::max(0L, m_request->thumbPage())))) {
            CGRect box = CGRectIntersection(CGPDFPageGetBoxRect(page, kCGPDFCropBox), CGPDFPageGetBoxRect(page, kCGPDFMediaBox));
            int angle = CGPDFPageGetRotationAngle(page);
            CGSize upright = angle == 90 || angle == 270 ? CGSizeMake(box.size.height, box.size.width) : box.size;
            CGSize fitted = fittedSize(upright, m_request->thumbSize());
            auto pixelWidth = static_cast<size_t>(fitted.width * m_request->scale());
            auto pixelHeight = static_cast<size_t>(fitted.height * m_request->scale());
            auto context = CGBitmapContextCreate(nullptr, pixelWidth, pixelHeight, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                                 kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little);
            if (context) {
                CGRect rect = CGRectMake(0, 0, static_cast<CGFloat>(pixelWidth), static_cast<CGFloat>(pixelHeight));
                CGContextSetRGBFillColor(context, 1, 1, 1, 1);
                CGContextFillRect(context, rect);
                CGContextConcatCTM(context, CGPDFPageGetDrawingTransform(page, kCGPDFCropBox, rect, 0, true));
                CGContextDrawPDFPage(context, page);
                image = CGBitmapContextCreateImage(context);
            }
        }
    }
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

void PdfThumbRender::cancel()
{
    NSOperation::cancel();
    cancelRequest(m_request);
}
