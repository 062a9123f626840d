#pragma once

// The full-screen slide show of a product's images. Each image handed in
// fades in over the last from a start shifted at random, then glides to rest
// while shrinking from 110 % to 100 %. The image viewer's timer hands it the
// images; a touch anywhere ends the show and closes the screen.

#include "Platform/UIKit/UIViewController.h"

#include <memory>

class ProductDetailImageController;
class UIImage;
class UIImageView;

class SlideShowController : public UIViewController {
public:
    SlideShowController();

    void viewDidLoad() override;
    void viewWillDisappear(bool animated) override;
    unsigned supportedInterfaceOrientations() const override { return 24; }

    std::shared_ptr<ProductDetailImageController> detailImageController() const
    {
        return m_detailImageController.lock();
    }
    void setDetailImageController(std::weak_ptr<ProductDetailImageController> c)
    {
        m_detailImageController = std::move(c);
    }
    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }

    void slideFirstShowImage(const std::shared_ptr<UIImage>& image);
    void slideShowImage(const std::shared_ptr<UIImage>& image);
    CGRect getRandomInitialFrame() const;

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    bool fullScreen() const;

    std::shared_ptr<UIImageView> m_imageView;
    std::weak_ptr<ProductDetailImageController> m_detailImageController;
};
