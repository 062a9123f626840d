#include "Platform/UIKit/UIViewContrastCheck.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewLayoutCheck.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct RGB {
    double r = 0, g = 0, b = 0;
};

// `top` at `alpha` over `under`.
RGB over(RGB top, double alpha, RGB under)
{
    return { top.r * alpha + under.r * (1 - alpha), top.g * alpha + under.g * (1 - alpha),
        top.b * alpha + under.b * (1 - alpha) };
}

double channel(double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

double luminance(RGB c) { return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b); }

std::string hex(RGB c)
{
    auto byte = [](double v) { return static_cast<unsigned>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", byte(c.r), byte(c.g), byte(c.b));
    return text;
}

bool seen(const UIView& view) { return !view.isHidden() && view.alpha() > 0.01; }

struct Seen {
    UILabel* label;
    CGRect text;  // where its text is drawn, in the root's space, clipped
    size_t order;  // its place in drawing order
};

// A view whose own colour is see-through, drawn over what came before it: the
// dimming behind an alert or a sheet. What lies wholly under one is the screen
// set aside for the moment, not a text meant to be read now.
struct Veil {
    const UIView* view;
    CGRect area;  // in the root's space, clipped
    size_t order;
};

bool seeThrough(const UIView& view)
{
    CGFloat r = 0, g = 0, b = 0, a = 0;
    auto colour = view.backgroundColor();
    return colour && colour->getRedGreenBlueAlpha(&r, &g, &b, &a) && a > 0.01 && a < 0.99;
}

struct Walk {
    std::vector<Seen> labels;
    std::vector<Veil> veils;
    size_t order = 0;
};

// Where the label's text lands within its bounds: the lines' rectangle,
// narrowed to the text's width on one line.
CGRect textArea(const UILabel& label)
{
    CGRect r = label.textRectForBoundsLimitedToNumberOfLines(label.bounds(), label.numberOfLines());
    if (label.numberOfLines() != 1)
        return r;
    CGFloat width = std::min(r.size.width, sizeWithFont(label.text(), label.fontForDrawing()).width);
    CGFloat x = label.textAlignment() == UITextAlignmentCenter ? r.origin.x + (r.size.width - width) / 2
        : label.textAlignment() == UITextAlignmentRight        ? CGRectGetMaxX(r) - width
                                                               : r.origin.x;
    return CGRectMake(x, r.origin.y, width, r.size.height);
}

void collect(UIView& view, const UIView& root, CGRect clip, Walk& walk)
{
    if (view.clipsToBounds())
        clip = CGRectIntersection(clip, view.convertRectToView(view.bounds(), &root));
    for (const auto& child : view.subviews()) {
        if (!child || !seen(*child))
            continue;
        const size_t order = walk.order++;
        if (auto label = dynamic_cast<UILabel*>(child.get()); label && !label->text().empty()) {
            CGRect text = CGRectIntersection(label->convertRectToView(textArea(*label), &root), clip);
            if (!CGRectIsNull(text) && text.size.width >= 1 && text.size.height >= 1)
                walk.labels.push_back({ label, text, order });
        } else if (seeThrough(*child)) {
            CGRect area = CGRectIntersection(child->convertRectToView(child->bounds(), &root), clip);
            if (!CGRectIsNull(area))
                walk.veils.push_back({ child.get(), area, order });
        }
        collect(*child, root, clip, walk);
    }
}

bool underVeil(const Seen& s, const std::vector<Veil>& veils)
{
    return std::any_of(veils.begin(), veils.end(), [&s](const Veil& v) {
        return v.order > s.order && !v.view->isDescendantOfView(s.label) && CGRectContainsRect(v.area, s.text);
    });
}

RGB colourAt(const CGImage& picture, long x, long y)
{
    CGPixel p = picture.pixelAt(static_cast<size_t>(x), static_cast<size_t>(y));
    // Pixels the tree leaves open show the black screen.
    return over({ p.red / 255.0, p.green / 255.0, p.blue / 255.0 }, p.alpha / 255.0, {});
}

struct Measured {
    bool shows = false;
    RGB text, back;
};

// Compares the text's area as drawn with the same area drawn without texts.
// The background is the bare pixel of middle lightness, so a separator or an
// icon edge under a corner of the text does not decide it; the text is the
// drawn pixel farthest from it in lightness, its ink, as whatever lies over
// the label (a dimming cover) left it. A text that changes no pixel is
// covered by something else and is not seen.
Measured measure(const CGImage& drawn, const CGImage& bare, CGRect area, CGPoint origin)
{
    const long x0 = std::max(0L, std::lround(std::floor(area.origin.x - origin.x)));
    const long y0 = std::max(0L, std::lround(std::floor(area.origin.y - origin.y)));
    const long x1 = std::min(static_cast<long>(bare.width()), std::lround(std::ceil(CGRectGetMaxX(area) - origin.x)));
    const long y1 = std::min(static_cast<long>(bare.height()), std::lround(std::ceil(CGRectGetMaxY(area) - origin.y)));
    std::vector<std::pair<double, RGB>> back;
    for (long y = y0; y < y1; ++y)
        for (long x = x0; x < x1; ++x) {
            RGB c = colourAt(bare, x, y);
            back.emplace_back(luminance(c), c);
        }
    Measured m;
    if (back.empty())
        return m;
    auto middle = back.begin() + static_cast<long>(back.size() / 2);
    std::nth_element(back.begin(), middle, back.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    m.back = middle->second;
    double farthest = -1;
    for (long y = y0; y < y1; ++y)
        for (long x = x0; x < x1; ++x) {
            RGB d = colourAt(drawn, x, y), b = colourAt(bare, x, y);
            if (std::max({ std::abs(d.r - b.r), std::abs(d.g - b.g), std::abs(d.b - b.b) }) < 3 / 255.0)
                continue;
            m.shows = true;
            const double distance = std::abs(luminance(d) - middle->first);
            if (distance > farthest) {
                farthest = distance;
                m.text = d;
            }
        }
    return m;
}

bool large(const UIFont& font) { return font.pointSize() >= 18 || (font.pointSize() >= 14 && font.textFont().bold); }

}  // namespace

double UIColorContrastRatio(double r1, double g1, double b1, double r2, double g2, double b2)
{
    double a = luminance({ r1, g1, b1 }), b = luminance({ r2, g2, b2 });
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::vector<UIViewContrastDefect> UIViewFindContrastDefects(UIView& root)
{
    std::vector<UIViewContrastDefect> defects;
    root.layoutIfNeeded();
    if (!seen(root))
        return defects;
    Walk walk;
    collect(root, root, root.convertRectToView(root.bounds(), &root), walk);
    std::vector<Seen> labels;
    for (const auto& s : walk.labels)
        if (!underVeil(s, walk.veils))
            labels.push_back(s);
    if (labels.empty())
        return defects;

    auto drawn = UIViewRenderToImage(root);
    // The same tree with every text drawn in no colour and without shadow:
    // the labels' own backgrounds stay, the letters go. Each label is put
    // back as it was.
    struct Look {
        std::shared_ptr<UIColor> text, shadow;
        bool highlighted, enabled;
    };
    std::vector<Look> looks;
    for (auto& s : labels) {
        looks.push_back(
            { s.label->textColor(), s.label->shadowColor(), s.label->isHighlighted(), s.label->isEnabled() });
        s.label->setTextColor(UIColor::clearColor());
        s.label->setShadowColor(nullptr);
        s.label->setHighlighted(false);
        s.label->setEnabled(true);
    }
    auto bare = UIViewRenderToImage(root);
    for (size_t i = 0; i < labels.size(); ++i) {
        labels[i].label->setTextColor(looks[i].text);
        labels[i].label->setShadowColor(looks[i].shadow);
        labels[i].label->setHighlighted(looks[i].highlighted);
        labels[i].label->setEnabled(looks[i].enabled);
    }
    if (!drawn || !drawn->CGImage() || !bare || !bare->CGImage())
        return defects;

    for (const auto& s : labels) {
        const Measured m = measure(*drawn->CGImage(), *bare->CGImage(), s.text, root.bounds().origin);
        if (!m.shows)
            continue;
        const double ratio = UIColorContrastRatio(m.text.r, m.text.g, m.text.b, m.back.r, m.back.g, m.back.b);
        const double needed = large(*s.label->fontForDrawing()) ? 3.0 : 4.5;
        if (ratio < needed)
            defects.push_back({ UIViewPathForReport(*s.label, root), hex(m.text), hex(m.back), ratio, needed });
    }
    return defects;
}

std::string UIViewContrastDefectDescription(const UIViewContrastDefect& defect)
{
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%.2f:1, needs %.1f:1", defect.ratio, defect.needed);
    return "low contrast: " + defect.where + " (" + defect.textColour + " on " + defect.backgroundColour + ", "
        + numbers + ")";
}
