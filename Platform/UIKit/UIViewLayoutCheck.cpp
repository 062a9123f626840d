#include "Platform/UIKit/UIViewLayoutCheck.h"

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIView.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <typeinfo>

namespace {

// Less than this much covered or missing is rounding, not something seen.
constexpr CGFloat slack = 1;

std::string className(const UIView& view)
{
    const char* mangled = typeid(view).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : mangled;
    std::free(plain);
    return name;
}

std::string shortText(const std::string& text)
{
    std::string one;
    for (char c : text)
        one += c == '\n' ? ' ' : c;
    if (one.size() > 40) {
        size_t cut = 40;
        while (cut > 0 && (static_cast<unsigned char>(one[cut]) & 0xC0) == 0x80)
            --cut;
        one = one.substr(0, cut) + "...";
    }
    return one;
}

std::string nameOf(const UIView& view)
{
    std::string name = className(view);
    if (auto label = dynamic_cast<const UILabel*>(&view); label && !label->text().empty())
        name += " \"" + shortText(label->text()) + "\"";
    else if (auto button = dynamic_cast<const UIButton*>(&view); button && !button->currentTitle().empty())
        name += " \"" + shortText(button->currentTitle()) + "\"";
    return name;
}

bool seen(const UIView& view) { return !view.isHidden() && view.alpha() > 0.01; }

std::string sizeText(CGFloat width, CGFloat height)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f x %.1f", double(width), double(height));
    return text;
}

// Where the view itself puts something on screen (apart from its subviews),
// in its own space: the whole bounds for a background or a picture, only the
// text for a label without a background, only the picture and the title for
// a button without a background.
CGRect ownDrawing(const UIView& view)
{
    CGRect b = view.bounds();
    if (auto color = view.backgroundColor(); color && color->components().alpha > 0.01)
        return b;
    if (view.layer()->contents())
        return b;
    if (auto label = dynamic_cast<const UILabel*>(&view)) {
        if (label->text().empty())
            return CGRectNull;
        CGRect r = label->textRectForBoundsLimitedToNumberOfLines(b, label->numberOfLines());
        CGFloat width = std::min(r.size.width, sizeWithFont(label->text(), label->fontForDrawing()).width);
        if (label->numberOfLines() != 1)
            width = r.size.width;
        CGFloat x = label->textAlignment() == UITextAlignmentCenter ? r.origin.x + (r.size.width - width) / 2
            : label->textAlignment() == UITextAlignmentRight        ? CGRectGetMaxX(r) - width
                                                                    : r.origin.x;
        return CGRectMake(x, r.origin.y, width, r.size.height);
    }
    if (auto button = dynamic_cast<const UIButton*>(&view)) {
        if (button->currentBackgroundImage())
            return b;
        CGRect content = button->contentRectForBounds(b);
        CGRect drawn = CGRectNull;
        if (button->currentImage())
            drawn = button->imageRectForContentRect(content);
        if (!button->currentTitle().empty())
            drawn = CGRectUnion(drawn, button->titleRectForContentRect(content));
        return drawn;
    }
    return view.drawsContent() ? b : CGRectNull;
}

class Checker {
public:
    explicit Checker(const UIView& root)
        : m_root(root)
    {
    }

    void walk(const UIView& view, CGRect clip)
    {
        if (view.clipsToBounds())
            clip = CGRectIntersection(clip, inRoot(view));
        std::vector<std::pair<const UIView*, CGRect>> shown;
        for (const auto& child : view.subviews()) {
            if (!child || !seen(*child))
                continue;
            CGRect area = CGRectIntersection(drawnArea(*child), clip);
            if (CGRectIsNull(area) || CGRectIsEmpty(area))
                continue;
            checkText(*child);
            for (const auto& [other, otherArea] : shown) {
                checkOverlap(*other, otherArea, *child, area);
                checkHidden(*other, otherArea, *child, clip);
            }
            shown.emplace_back(child.get(), area);
            walk(*child, clip);
        }
    }

    std::vector<UIViewLayoutDefect> defects;

private:
    CGRect inRoot(const UIView& view) const { return view.convertRectToView(view.bounds(), &m_root); }

    // Where the view and its seen subviews draw, in the root's space.
    CGRect drawnArea(const UIView& view) const
    {
        CGRect own = ownDrawing(view);
        CGRect area = CGRectIsNull(own) || CGRectIsEmpty(own) ? CGRectNull : view.convertRectToView(own, &m_root);
        for (const auto& child : view.subviews())
            if (child && seen(*child))
                area = CGRectUnion(area, drawnArea(*child));
        if (view.clipsToBounds() && !CGRectIsNull(area))
            area = CGRectIntersection(area, inRoot(view));
        return area;
    }

    void checkText(const UIView& view)
    {
        if (auto label = dynamic_cast<const UILabel*>(&view))
            checkLabel(*label);
        else if (auto button = dynamic_cast<const UIButton*>(&view))
            checkButton(*button);
    }

    void checkLabel(const UILabel& label)
    {
        if (label.text().empty())
            return;
        auto font = label.fontForDrawing();
        CGSize room = label.bounds().size;
        if (label.numberOfLines() == 1) {
            CGSize needed = sizeWithFont(label.text(), font);
            if (needed.width > room.width + slack)
                report(label,
                    "needs " + sizeText(needed.width, needed.height) + ", has " + sizeText(room.width, room.height));
            return;
        }
        CGSize needed = sizeWithFontConstrainedToSizeLineBreakMode(
            label.text(), font, CGSizeMake(room.width, 1e7f), UILineBreakModeWordWrap);
        CGFloat allowed = room.height;
        if (label.numberOfLines() > 0)
            allowed = std::min(allowed, font->lineHeight() * CGFloat(label.numberOfLines()));
        if (needed.height > allowed + slack)
            report(label, "needs " + sizeText(needed.width, needed.height) + ", has " + sizeText(room.width, allowed));
    }

    void checkButton(const UIButton& button)
    {
        std::string title = button.currentTitle();
        if (title.empty())
            return;
        CGRect titleRect = button.titleRectForContentRect(button.contentRectForBounds(button.bounds()));
        CGSize needed = sizeWithFont(title, button.titleLabel()->fontForDrawing());
        if (needed.width > titleRect.size.width + slack)
            report(button,
                "needs " + sizeText(needed.width, needed.height) + ", has "
                    + sizeText(titleRect.size.width, titleRect.size.height));
    }

    void report(const UIView& view, std::string detail)
    {
        UIViewLayoutDefect d;
        d.kind = UIViewLayoutDefect::TextDoesNotFit;
        d.where = UIViewPathForReport(view, m_root);
        d.detail = std::move(detail);
        defects.push_back(std::move(d));
    }

    static bool contains(CGRect outer, CGRect inner)
    {
        return inner.origin.x >= outer.origin.x - slack && inner.origin.y >= outer.origin.y - slack
            && CGRectGetMaxX(inner) <= CGRectGetMaxX(outer) + slack
            && CGRectGetMaxY(inner) <= CGRectGetMaxY(outer) + slack;
    }

    void checkOverlap(const UIView& a, CGRect areaA, const UIView& b, CGRect areaB)
    {
        CGRect common = CGRectIntersection(areaA, areaB);
        if (CGRectIsNull(common) || common.size.width < slack || common.size.height < slack)
            return;
        if (contains(areaA, areaB) || contains(areaB, areaA))
            return;
        reportOverlap(a, b,
            "covering " + sizeText(common.size.width, common.size.height) + " at "
                + sizeText(common.origin.x, common.origin.y));
    }

    void reportOverlap(const UIView& view, const UIView& other, std::string detail)
    {
        UIViewLayoutDefect d;
        d.kind = UIViewLayoutDefect::SiblingsOverlap;
        d.where = UIViewPathForReport(view, m_root);
        d.other = nameOf(other);
        d.detail = std::move(detail);
        defects.push_back(std::move(d));
    }

    // Whether the view or one of its seen subviews paints a background or a
    // picture over the whole of `area` (in the root's space), near enough
    // opaque that nothing shows through (a dimming veil does not hide).
    bool paintsOver(const UIView& view, CGRect area, CGRect clip, CGFloat opacity = 1) const
    {
        opacity *= view.alpha();
        if (opacity < 0.9f)
            return false;
        if (view.clipsToBounds())
            clip = CGRectIntersection(clip, inRoot(view));
        auto picture = dynamic_cast<const UIImageView*>(&view);
        auto color = view.backgroundColor();
        const bool paints = (color && color->components().alpha * opacity >= 0.9f) || view.layer()->contents()
            || (picture && picture->image());
        if (paints && contains(CGRectIntersection(inRoot(view), clip), area))
            return true;
        for (const auto& child : view.subviews())
            if (child && seen(*child) && paintsOver(*child, area, clip, opacity))
                return true;
        return false;
    }

    // A view laid after a sibling that paints over all of it hides it: the
    // sibling (a caption, a tab bar) is there and cannot be seen at all.
    void checkHidden(const UIView& below, CGRect areaBelow, const UIView& above, CGRect clip)
    {
        if (areaBelow.size.width < slack || areaBelow.size.height < slack || !paintsOver(above, areaBelow, clip))
            return;
        reportOverlap(below, above,
            "hidden wholly, " + sizeText(areaBelow.size.width, areaBelow.size.height) + " at "
                + sizeText(areaBelow.origin.x, areaBelow.origin.y));
    }

    const UIView& m_root;
};

}  // namespace

std::string UIViewPathForReport(const UIView& view, const UIView& root)
{
    std::string path = nameOf(view);
    auto parent = view.superview();
    for (int up = 0; up < 3 && parent && parent.get() != &root; ++up, parent = parent->superview())
        path = className(*parent) + "/" + path;
    return path;
}

std::vector<UIViewLayoutDefect> UIViewFindLayoutDefects(const UIView& root)
{
    Checker checker(root);
    if (seen(root))
        checker.walk(root, root.convertRectToView(root.bounds(), &root));
    return std::move(checker.defects);
}

std::string UIViewLayoutDefectDescription(const UIViewLayoutDefect& defect)
{
    if (defect.kind == UIViewLayoutDefect::TextDoesNotFit)
        return "text does not fit: " + defect.where + " (" + defect.detail + ")";
    return "overlap: " + defect.where + " and " + defect.other + " (" + defect.detail + ")";
}
