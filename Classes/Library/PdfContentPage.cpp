#include "Classes/Library/PdfContentPage.h"

#include "Classes/Library/PdfContentTile.h"
#include "Classes/Library/PdfDocument.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

#include <algorithm>
#include <cstring>

namespace {

long evenWhole(CGFloat value)
{
    long whole = static_cast<long>(value);
    return whole % 2 ? whole - 1 : whole;
}

// A PDF string as a zero-terminated C string: its bytes up to the first zero.
std::string cString(const CGPDFStringRef& string)
{
    std::string bytes = CGPDFStringGetBytes(string);
    return bytes.substr(0, bytes.find('\0'));
}

}  // namespace

std::shared_ptr<PdfContentPage> PdfContentPage::initWithURLPagePassword(
    const std::optional<std::string>& fileURL, long page, const std::optional<std::string>& password)
{
    CGPDFDocumentRef document = fileURL ? PdfDocumentRefCreate(fileURL, password) : nullptr;
    CGPDFPageRef pdfPage;
    if (document) {
        long count = static_cast<long>(CGPDFDocumentGetNumberOfPages(document));
        page = std::clamp(page, 1L, std::max(1L, count));
        pdfPage = CGPDFDocumentGetPage(document, static_cast<size_t>(page));
        if (!pdfPage)
            document.reset();
    }
    CGRect frame = CGRectZero;
    int angle = 0;
    CGRect box = CGRectZero;
    if (pdfPage) {
        box = CGRectIntersection(
            CGPDFPageGetBoxRect(pdfPage, kCGPDFCropBox), CGPDFPageGetBoxRect(pdfPage, kCGPDFMediaBox));
        angle = CGPDFPageGetRotationAngle(pdfPage);
        CGFloat width = angle == 90 || angle == 270 ? box.size.height : box.size.width;
        CGFloat height = angle == 90 || angle == 270 ? box.size.width : box.size.height;
        frame = CGRectMake(0, 0, static_cast<CGFloat>(evenWhole(width)), static_cast<CGFloat>(evenWhole(height)));
    }
    if (CGRectIsEmpty(frame))
        return nullptr;
    auto view = std::make_shared<PdfContentPage>(frame);
    view->m_PDFDocRef = std::move(document);
    view->m_PDFPageRef = std::move(pdfPage);
    view->m_pageAngle = angle;
    bool sideways = angle == 90 || angle == 270;
    view->m_pageWidth = sideways ? box.size.height : box.size.width;
    view->m_pageHeight = sideways ? box.size.width : box.size.height;
    view->m_pageOffsetX = sideways ? box.origin.y : box.origin.x;
    view->m_pageOffsetY = sideways ? box.origin.x : box.origin.y;
    view->layer()->setDelegate(std::static_pointer_cast<CALayerDelegate>(view));
    view->buildAnnotationLinksList();
    return view;
}

PdfContentPage::PdfContentPage(CGRect frame)
    : UIView(frame, std::make_shared<PdfContentTile>())
{
    setAutoresizesSubviews(false);
    setUserInteractionEnabled(false);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingNone);
    setBackgroundColor(UIColor::clearColor());
}

void PdfContentPage::willMoveToSuperview(UIView* newSuperview)
{
    if (!newSuperview)
        layer()->setDelegate({});
}

PdfContentPage::~PdfContentPage()
{
    layer()->setDelegate({});
    m_PDFPageRef.reset();
    m_PDFDocRef.reset();
}

void PdfContentPage::drawLayerInContext(CALayer&, const CGContextRef& context)
{
    // Runs on a tile worker; the owner keeps this view alive for the call.
    if (!m_PDFPageRef)
        return;
    CGContextSetRGBFillColor(context, 1, 1, 1, 1);
    CGContextFillRect(context, CGContextGetClipBoundingBox(context));
    CGRect b = bounds();
    CGContextTranslateCTM(context, 0, b.size.height);
    CGContextScaleCTM(context, 1, -1);
    CGContextConcatCTM(context, CGPDFPageGetDrawingTransform(m_PDFPageRef, kCGPDFCropBox, b, 0, true));
    CGContextDrawPDFPage(context, m_PDFPageRef);
}

void PdfContentPage::buildAnnotationLinksList()
{
    m_links.clear();
    CGPDFArrayRef annotations;
    if (!CGPDFDictionaryGetArray(CGPDFPageGetDictionary(m_PDFPageRef), "Annots", &annotations))
        return;
    for (size_t i = 0; i < CGPDFArrayGetCount(annotations); ++i) {
        CGPDFDictionaryRef annotation;
        std::string subtype;
        if (!CGPDFArrayGetDictionary(annotations, i, &annotation))
            continue;
        if (!CGPDFDictionaryGetName(annotation, "Subtype", &subtype) || subtype != "Link")
            continue;
        if (auto link = linkFromAnnotation(annotation))
            m_links.insert(m_links.begin(), link);
    }
}

std::shared_ptr<PdfDocumentLink> PdfContentPage::linkFromAnnotation(const CGPDFDictionaryRef& annotation) const
{
    CGPDFArrayRef rect;
    if (!CGPDFDictionaryGetArray(annotation, "Rect", &rect))
        return nullptr;
    CGPDFReal v[4] = { 0, 0, 0, 0 };
    for (size_t i = 0; i < 4; ++i)
        CGPDFArrayGetNumber(rect, i, &v[i]);
    CGFloat x1 = std::min(v[0], v[2]) - m_pageOffsetX, y1 = std::min(v[1], v[3]) - m_pageOffsetY;
    CGFloat x2 = std::max(v[0], v[2]) - m_pageOffsetX, y2 = std::max(v[1], v[3]) - m_pageOffsetY;
    auto map = [this](CGFloat x, CGFloat y) -> CGPoint {
        switch (m_pageAngle) {
        case 90:
            return CGPointMake(y, x);
        case 180:
            // Turned upside down: both axes run the other way.
            return CGPointMake(m_pageWidth - x, y);
        case 270:
            return CGPointMake(m_pageWidth - y, x);
        default:
            return CGPointMake(x, m_pageHeight - y);
        }
    };
    CGPoint a = map(x1, y1), b = map(x2, y2);
    auto whole = [](CGFloat value) { return static_cast<CGFloat>(static_cast<long>(value)); };
    CGRect area = CGRectMake(whole(a.x), whole(a.y), whole(b.x - a.x), whole(b.y - a.y));
    return PdfDocumentLink::newWithRectDictionary(area, annotation);
}

PdfLinkTarget PdfContentPage::annotationLinkTarget(const CGPDFDictionaryRef& annotation) const
{
    PdfLinkTarget result;
    CGPDFArrayRef destination;
    CGPDFStringRef destName;
    std::string destObjectName;
    bool haveName = false, haveObjectName = false;

    CGPDFDictionaryRef action;
    if (CGPDFDictionaryGetDictionary(annotation, "A", &action)) {
        std::string type;
        CGPDFDictionaryGetName(action, "S", &type);
        if (type == "URI") {
            CGPDFStringRef uri;
            if (CGPDFDictionaryGetString(action, "URI", &uri)) {
                std::string address = cString(uri);
                if (!address.empty())
                    result = address;
            }
            return result;
        }
        if (type != "GoTo")
            return result;
        if (!CGPDFDictionaryGetArray(action, "D", &destination))
            haveName = CGPDFDictionaryGetString(action, "D", &destName);
    } else if (!CGPDFDictionaryGetArray(annotation, "Dest", &destination)) {
        haveName = CGPDFDictionaryGetString(annotation, "Dest", &destName);
        if (!haveName)
            haveObjectName = CGPDFDictionaryGetName(annotation, "Dest", &destObjectName);
    }

    auto catalog = CGPDFDocumentGetCatalog(m_PDFDocRef);
    if (haveName) {
        CGPDFDictionaryRef names, tree;
        if (CGPDFDictionaryGetDictionary(catalog, "Names", &names)
            && CGPDFDictionaryGetDictionary(names, "Dests", &tree))
            destination = destinationWithNameInDestsTree(cString(destName), tree);
    } else if (haveObjectName) {
        CGPDFDictionaryRef dests, entry;
        if (CGPDFDictionaryGetDictionary(catalog, "Dests", &dests)
            && CGPDFDictionaryGetDictionary(dests, destObjectName.c_str(), &entry))
            CGPDFDictionaryGetArray(entry, "D", &destination);
    }
    if (!destination)
        return result;

    long page = 0;
    CGPDFDictionaryRef pageDictionary;
    CGPDFInteger pageIndex;
    if (CGPDFArrayGetDictionary(destination, 0, &pageDictionary)) {
        long count = static_cast<long>(CGPDFDocumentGetNumberOfPages(m_PDFDocRef));
        for (long n = 1; n <= count; ++n) {
            auto candidate = CGPDFDocumentGetPage(m_PDFDocRef, static_cast<size_t>(n));
            if (candidate && CGPDFPageGetDictionary(candidate).get() == pageDictionary.get()) {
                page = n;
                break;
            }
        }
    } else if (CGPDFArrayGetInteger(destination, 0, &pageIndex)) {
        page = pageIndex + 1;
    }
    if (page >= 1)
        result = page;
    return result;
}

CGPDFArrayRef PdfContentPage::destinationWithNameInDestsTree(
    const std::string& name, const CGPDFDictionaryRef& node) const
{
    std::vector<const CGPDFObject*> visited;
    return destinationWithNameInDestsTree(name, node, 0, visited);
}

CGPDFArrayRef PdfContentPage::destinationWithNameInDestsTree(
    const std::string& name, const CGPDFDictionaryRef& node, int depth, std::vector<const CGPDFObject*>& visited) const
{
    if (!node || depth > kMaximumNameTreeDepth
        || std::find(visited.begin(), visited.end(), node.get()) != visited.end())
        return nullptr;
    visited.push_back(node.get());
    CGPDFArrayRef limits;
    if (CGPDFDictionaryGetArray(node, "Limits", &limits)) {
        CGPDFStringRef low, high;
        if (CGPDFArrayGetString(limits, 0, &low) && CGPDFArrayGetString(limits, 1, &high)) {
            if (std::strcmp(name.c_str(), cString(low).c_str()) < 0
                || std::strcmp(name.c_str(), cString(high).c_str()) > 0)
                return nullptr;
        }
    }
    CGPDFArrayRef names;
    if (CGPDFDictionaryGetArray(node, "Names", &names)) {
        for (size_t i = 0; i < CGPDFArrayGetCount(names); i += 2) {
            CGPDFStringRef key;
            if (!CGPDFArrayGetString(names, i, &key) || cString(key) != name)
                continue;
            CGPDFArrayRef array;
            if (CGPDFArrayGetArray(names, i + 1, &array))
                return array;
            CGPDFDictionaryRef dictionary;
            if (CGPDFArrayGetDictionary(names, i + 1, &dictionary) && CGPDFDictionaryGetArray(dictionary, "D", &array))
                return array;
            return nullptr;
        }
        return nullptr;
    }
    CGPDFArrayRef kids;
    if (CGPDFDictionaryGetArray(node, "Kids", &kids)) {
        for (size_t i = 0; i < CGPDFArrayGetCount(kids); ++i) {
            CGPDFDictionaryRef kid;
            if (CGPDFArrayGetDictionary(kids, i, &kid))
                if (auto found = destinationWithNameInDestsTree(name, kid, depth + 1, visited))
                    return found;
        }
    }
    return nullptr;
}

PdfLinkTarget PdfContentPage::linkTargetAtPoint(CGPoint point) const
{
    for (const auto& link : m_links)
        if (CGRectContainsPoint(CGRectStandardize(link->rect()), point))
            return annotationLinkTarget(link->dictionary());
    return {};
}

PdfLinkTarget PdfContentPage::processSingleTap(const UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateRecognized || m_links.empty())
        return {};
    return linkTargetAtPoint(recognizer.locationInView(this));
}

void PdfContentPage::highlightPageLinks()
{
    for (const auto& link : m_links) {
        auto box = std::make_shared<UIView>(CGRectStandardize(link->rect()));
        box->setAutoresizesSubviews(false);
        box->setUserInteractionEnabled(false);
        box->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0, 0, 1, 0.15f));
        addSubview(box);
    }
}
