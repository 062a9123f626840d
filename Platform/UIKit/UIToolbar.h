#pragma once

// A bar of bar button items laid out from the left, 10 points apart;
// flexible spaces share what is left, fixed spaces take their width. A tap
// on an item's place sends its action; items with custom views show them.

#include "Platform/UIKit/UINavigationController.h"

class UIToolbar : public UIView {
public:
    static constexpr CGFloat kHeight = 44;
    explicit UIToolbar(CGRect frame = CGRectMake(0, 0, 1024, kHeight));

    const std::vector<std::shared_ptr<UIBarButtonItem>>& items() const { return m_items; }
    void setItems(std::vector<std::shared_ptr<UIBarButtonItem>> items) { setItemsAnimated(std::move(items), false); }
    void setItemsAnimated(std::vector<std::shared_ptr<UIBarButtonItem>> items, bool animated);
    UIBarStyle barStyle = UIBarStyleDefault;
    bool translucent = false;
    std::shared_ptr<UIColor> tintColor;

    // The place of item `index` in the bar (empty for spaces).
    CGRect itemFrame(long index) const;

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { }

private:
    std::vector<CGRect> frames() const;
    std::vector<std::shared_ptr<UIBarButtonItem>> m_items;
    std::vector<std::shared_ptr<UIView>> m_shownCustomViews;
};
