#pragma once

// A table row's view. Its content view holds the style's image view and
// labels (and whatever a screen adds); the accessory sits at the right edge.
// A cell that is selected or highlighted shows its selected background view
// (or the style's plain one) behind the content, and its labels take their
// highlighted colours. A cell leaves the table into the reuse queue of its
// identifier and comes back with its subviews as they were: prepareForReuse
// only clears the selection.

#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

#include <functional>
#include <optional>
#include <string>

class UIButton;

enum UITableViewCellStyle {
    UITableViewCellStyleDefault,
    UITableViewCellStyleValue1,
    UITableViewCellStyleValue2,
    UITableViewCellStyleSubtitle,
};

enum UITableViewCellAccessoryType {
    UITableViewCellAccessoryNone,
    UITableViewCellAccessoryDisclosureIndicator,
    UITableViewCellAccessoryDetailDisclosureButton,
    UITableViewCellAccessoryCheckmark,
};

enum UITableViewCellSelectionStyle {
    UITableViewCellSelectionStyleNone,
    UITableViewCellSelectionStyleBlue,
    UITableViewCellSelectionStyleGray,
};

enum UITableViewCellEditingStyle {
    UITableViewCellEditingStyleNone,
    UITableViewCellEditingStyleDelete,
    UITableViewCellEditingStyleInsert,
};

enum UITableViewCellSeparatorStyle {
    UITableViewCellSeparatorStyleNone,
    UITableViewCellSeparatorStyleSingleLine,
    UITableViewCellSeparatorStyleSingleLineEtched,
};

class UITableViewCell : public UIView {
public:
    static constexpr CGFloat kAccessoryWidth = 20;
    static constexpr CGFloat kDeleteButtonWidth = 82;

    explicit UITableViewCell(UITableViewCellStyle style = UITableViewCellStyleDefault,
        std::optional<std::string> reuseIdentifier = std::nullopt);

    UITableViewCellStyle style() const { return m_style; }
    const std::optional<std::string>& reuseIdentifier() const { return m_reuseIdentifier; }

    const std::shared_ptr<UIView>& contentView() const { return m_contentView; }
    // The style's labels: the detail label exists for every style but the default one.
    const std::shared_ptr<UILabel>& textLabel() const { return m_textLabel; }
    const std::shared_ptr<UILabel>& detailTextLabel() const { return m_detailTextLabel; }
    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }

    UITableViewCellAccessoryType accessoryType() const { return m_accessoryType; }
    void setAccessoryType(UITableViewCellAccessoryType type);
    std::shared_ptr<UIView> accessoryView() const { return m_accessoryView; }
    void setAccessoryView(std::shared_ptr<UIView> view);
    UITableViewCellSelectionStyle selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(UITableViewCellSelectionStyle s)
    {
        m_selectionStyle = s;
        updateSelectionLook();
    }
    std::shared_ptr<UIView> backgroundView() const { return m_backgroundView; }
    void setBackgroundView(std::shared_ptr<UIView> view);
    std::shared_ptr<UIView> selectedBackgroundView() const { return m_selectedBackgroundView; }
    void setSelectedBackgroundView(std::shared_ptr<UIView> view);

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { setSelectedAnimated(selected, false); }
    virtual void setSelectedAnimated(bool selected, bool animated);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) { setHighlightedAnimated(highlighted, false); }
    virtual void setHighlightedAnimated(bool highlighted, bool animated);

    bool isEditing() const { return m_editing; }
    void setEditing(bool editing) { setEditingAnimated(editing, false); }
    virtual void setEditingAnimated(bool editing, bool animated);
    // The delete button of a row swiped (or of a tapped editing control).
    bool showingDeleteConfirmation() const { return m_deleteButton != nullptr; }
    std::shared_ptr<UIButton> deleteConfirmationButton() const { return m_deleteButton; }
    // Shown by the table, with its title and the action of a tap.
    void showDeleteConfirmation(const std::string& title, std::function<void()> action);
    void hideDeleteConfirmation();

    // Called as the cell is taken from the reuse queue.
    virtual void prepareForReuse();

    // The line under the row, as the table sets it.
    void setSeparator(UITableViewCellSeparatorStyle style, std::shared_ptr<UIColor> color);
    // Cells of a grouped table leave this margin at each side.
    void setGroupedInset(CGFloat inset)
    {
        m_groupedInset = inset;
        setNeedsLayout();
    }

    void layoutSubviews() override;
    void setFrame(CGRect frame) override;

private:
    void updateSelectionLook();

    UITableViewCellStyle m_style;
    std::optional<std::string> m_reuseIdentifier;
    std::shared_ptr<UIView> m_contentView;
    std::shared_ptr<UILabel> m_textLabel;
    std::shared_ptr<UILabel> m_detailTextLabel;
    std::shared_ptr<UIImageView> m_imageView;
    UITableViewCellAccessoryType m_accessoryType = UITableViewCellAccessoryNone;
    std::shared_ptr<UIView> m_accessoryView;
    std::shared_ptr<UIView> m_shownAccessory;
    UITableViewCellSelectionStyle m_selectionStyle = UITableViewCellSelectionStyleBlue;
    std::shared_ptr<UIView> m_backgroundView;
    std::shared_ptr<UIView> m_selectedBackgroundView;
    std::shared_ptr<UIView> m_defaultSelectedBackground;
    std::shared_ptr<UIView> m_separator;
    std::shared_ptr<UIButton> m_deleteButton;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_editing = false;
    CGFloat m_groupedInset = 0;
};
