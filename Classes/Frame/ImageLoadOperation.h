#pragma once

// One hand-over of an image already loaded from disk into an image view, on
// the main thread: fitted to the view, optionally faded in over 0.2 s. A view
// that has left the screen before its turn is left alone. Runs at very low
// priority, after other work on the same queue.

#include "Platform/Foundation/NSOperation.h"

#include <memory>

class UIImage;
class UIImageView;

class ImageLoadOperation : public NSOperation {
public:
    static constexpr double kFadeDuration = 0.2;

    ImageLoadOperation(std::shared_ptr<UIImage> image, std::shared_ptr<UIImageView> targetImageView, bool animation);

    void main() override;

    const std::shared_ptr<UIImage>& image() const { return m_image; }
    void setImage(std::shared_ptr<UIImage> image) { m_image = std::move(image); }
    const std::shared_ptr<UIImageView>& targetImageView() const { return m_targetImageView; }
    void setTargetImageView(std::shared_ptr<UIImageView> view) { m_targetImageView = std::move(view); }
    bool loadWithAnimation() const { return m_loadWithAnimation; }
    void setLoadWithAnimation(bool on) { m_loadWithAnimation = on; }

private:
    std::shared_ptr<UIImage> m_image;
    std::shared_ptr<UIImageView> m_targetImageView;
    bool m_loadWithAnimation;
};
