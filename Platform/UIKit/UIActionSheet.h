#pragma once

// A menu of buttons shown in a pop-over from a rectangle or a bar item (or
// in the middle of a view). Indices: the destructive button first, then the
// others in order, then the cancel button. A tap on a button tells the
// delegate of the click and then of the dismissal; a touch outside is a
// click on the cancel index (-1 without a cancel button); a dismissal by
// code tells only of the dismissal.

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIPopoverController.h"

#include <optional>

class UIActionSheet;

class UIActionSheetDelegate {
public:
    virtual ~UIActionSheetDelegate() = default;
    virtual void actionSheetClickedButtonAtIndex(UIActionSheet&, long buttonIndex) { }
    virtual void actionSheetCancel(UIActionSheet&) { }
    virtual void willPresentActionSheet(UIActionSheet&) { }
    virtual void didPresentActionSheet(UIActionSheet&) { }
    virtual void actionSheetWillDismissWithButtonIndex(UIActionSheet&, long buttonIndex) { }
    virtual void actionSheetDidDismissWithButtonIndex(UIActionSheet&, long buttonIndex) { }
};

class UIActionSheet : public UIView {
public:
    static constexpr CGFloat kWidth = 272;
    static constexpr CGFloat kButtonHeight = 44;

    UIActionSheet(std::optional<std::string> title, std::weak_ptr<UIActionSheetDelegate> delegate,
        std::optional<std::string> cancelButtonTitle, std::optional<std::string> destructiveButtonTitle,
        std::vector<std::string> otherButtonTitles = {});
    ~UIActionSheet() override;

    std::shared_ptr<UIActionSheetDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIActionSheetDelegate> d) { m_delegate = std::move(d); }
    long addButtonWithTitle(const std::string& title);
    std::string buttonTitleAtIndex(long index) const;
    long numberOfButtons() const { return static_cast<long>(m_titles.size()); }
    long cancelButtonIndex() const { return m_cancelIndex; }
    long destructiveButtonIndex() const { return m_destructiveIndex; }
    long firstOtherButtonIndex() const;
    bool isVisible() const { return m_visible; }
    std::shared_ptr<UIButton> buttonAtIndex(long index) const;

    void showFromRectInViewAnimated(CGRect rect, const std::shared_ptr<UIView>& view, bool animated);
    void showFromBarButtonItemAnimated(const std::shared_ptr<UIBarButtonItem>& item, bool animated);
    void showInView(const std::shared_ptr<UIView>& view);
    void dismissWithClickedButtonIndexAnimated(long index, bool animated);
    // A user's tap on button `index` (or outside, with the cancel index).
    void userClickedButtonAtIndex(long index);

private:
    class Host;
    void build();
    void present(CGRect rect, const std::shared_ptr<UIView>& view);
    void finish(long index);

    std::optional<std::string> m_title;
    std::weak_ptr<UIActionSheetDelegate> m_delegate;
    std::vector<std::string> m_titles;
    long m_cancelIndex = -1;
    long m_destructiveIndex = -1;
    bool m_visible = false;
    std::vector<std::shared_ptr<UIButton>> m_buttons;
    std::shared_ptr<UIPopoverController> m_popover;
    std::shared_ptr<Host> m_host;
};
