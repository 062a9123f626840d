#pragma once

// An image view draws its image (or its highlighted image while highlighted)
// placed by its content mode: scaled to fill, fitted or filled keeping the
// aspect, or unscaled at the centre, an edge or a corner.

#include "Platform/UIKit/UIView.h"

#include <vector>

class UIImage;

class UIImageView : public UIView {
public:
    explicit UIImageView(CGRect frame = CGRectZero);
    // Sized to the image, at the origin.
    explicit UIImageView(std::shared_ptr<UIImage> image);

    std::shared_ptr<UIImage> image() const { return m_image; }
    void setImage(std::shared_ptr<UIImage> image);
    std::shared_ptr<UIImage> highlightedImage() const { return m_highlightedImage; }
    void setHighlightedImage(std::shared_ptr<UIImage> image);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool on);

    // Where the shown image goes within the bounds, by the content mode.
    CGRect imageRect() const;

    CGSize sizeThatFits(CGSize size) const override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    std::shared_ptr<UIImage> shownImage() const;

    // The shown image as last laid down where drawing it resamples it (scaled,
    // or off whole device pixels), with what it was drawn for: a screen drawn
    // again and again lays the picture down as it is instead of resampling it
    // each time. A picture clear in its middle (a frame, a shadow around a
    // card) is kept as the parts around that middle, which alone are laid down.
    struct Piece {
        CGRect pixels;  // within the picture, rows counted from the top
        CGImageRef picture;
    };
    struct Rendition {
        std::shared_ptr<UIImage> image;
        CGAffineTransform scale {};
        CGSize size {};
        CGPoint offset {};
        CGInterpolationQuality quality = kCGInterpolationDefault;
        std::vector<Piece> pieces;
    };
    static std::vector<Piece> piecesOf(const CGImageRef& picture);
    Rendition m_rendition;

    std::shared_ptr<UIImage> m_image;
    std::shared_ptr<UIImage> m_highlightedImage;
    bool m_highlighted = false;
};
