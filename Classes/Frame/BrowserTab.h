#pragma once

// One tab of the browser tab strip: a background image, a centred title and
// a close mark shown on the chosen tab of a strip of two or more. Touching it
// asks its strip to choose it.

#include "Platform/UIKit/UIView.h"

#include <memory>
#include <string>

class BrowserTabView;
class UIColor;
class UIFont;
class UIImage;
class UIImageView;
class UILabel;

class BrowserTab : public UIView {
public:
    BrowserTab(std::string reuseIdentifier, std::weak_ptr<BrowserTabView> delegate);

    std::shared_ptr<BrowserTabView> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<BrowserTabView> d) { m_delegate = std::move(d); }
    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    int index() const { return m_index; }
    void setIndex(int index) { m_index = index; }
    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    const std::string& title() const { return m_title; }

    std::shared_ptr<UIFont> titleFont;
    std::shared_ptr<UIColor> normalTitleColor;
    std::shared_ptr<UIColor> selectedTitleColor;
    std::shared_ptr<UIImage> tabNormalImage;
    std::shared_ptr<UIImage> tabSelectedImage;

    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }
    const std::shared_ptr<UILabel>& textLabel() const { return m_textLabel; }
    const std::shared_ptr<UIImageView>& imageViewClose() const { return m_imageViewClose; }

    void prepareForReuse();
    void layoutSubviews() override;
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    std::weak_ptr<BrowserTabView> m_delegate;
    std::string m_reuseIdentifier;
    int m_index = 0;
    bool m_selected = false;
    bool m_previousSelected = false;
    std::string m_title;
    std::shared_ptr<UIImageView> m_imageView;
    std::shared_ptr<UILabel> m_textLabel;
    std::shared_ptr<UIImageView> m_imageViewClose;
};
