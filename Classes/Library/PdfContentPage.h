#pragma once

// One PDF page drawn sharp in tiles, with its links. The page is opened
// through the document routine (so an encrypted file unlocks with its
// password); the view is the page's visible box, upright, made of even whole
// points. A tap answers the target of the link under it.
//
// The name-tree walk that resolves named destinations is bounded by a depth
// and a set of visited nodes, so a cyclic or very deep PDF cannot exhaust the
// stack.

#include "Classes/Library/PdfDocumentLink.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class UIGestureRecognizer;

class PdfContentPage : public UIView {
public:
    static constexpr int kMaximumNameTreeDepth = 32;

    // Null when there is no file, it cannot be opened or unlocked, or has no such page.
    static std::shared_ptr<PdfContentPage> initWithURLPagePassword(
        const std::optional<std::string>& fileURL, long page, const std::optional<std::string>& password);
    explicit PdfContentPage(CGRect frame);
    ~PdfContentPage() override;

    PdfLinkTarget processSingleTap(const UIGestureRecognizer& recognizer);
    void highlightPageLinks();
    // Leaving its superview, the page stops drawing tiles.
    void willMoveToSuperview(UIView* newSuperview) override;
    void drawLayerInContext(CALayer& layer, const CGContextRef& context) override;

    const std::vector<std::shared_ptr<PdfDocumentLink>>& links() const { return m_links; }
    void buildAnnotationLinksList();
    std::shared_ptr<PdfDocumentLink> linkFromAnnotation(const CGPDFDictionaryRef& annotation) const;
    PdfLinkTarget annotationLinkTarget(const CGPDFDictionaryRef& annotation) const;
    CGPDFArrayRef destinationWithNameInDestsTree(const std::string& name, const CGPDFDictionaryRef& node) const;
    // The link target of a tap at a point in this view's coordinates.
    PdfLinkTarget linkTargetAtPoint(CGPoint point) const;

private:
    CGPDFArrayRef destinationWithNameInDestsTree(const std::string& name, const CGPDFDictionaryRef& node, int depth,
        std::vector<const CGPDFObject*>& visited) const;

    std::vector<std::shared_ptr<PdfDocumentLink>> m_links;
    CGPDFDocumentRef m_PDFDocRef;
    CGPDFPageRef m_PDFPageRef;
    int m_pageAngle = 0;
    CGFloat m_pageWidth = 0;
    CGFloat m_pageHeight = 0;
    CGFloat m_pageOffsetX = 0;
    CGFloat m_pageOffsetY = 0;
};
