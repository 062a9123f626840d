#pragma once

// A search field on a bar. Its text field does the typing; the bar reports
// to its own delegate: editing begins and ends, the text changed (after each
// change), the search key (return) and the cancel button. Scope, bookmark
// and results buttons are kept as flags only: no screen shows them.

#include "Platform/UIKit/UITextField.h"

class UISearchBar;
class UIButton;

class UISearchBarDelegate {
public:
    virtual ~UISearchBarDelegate() = default;
    virtual bool searchBarShouldBeginEditing(UISearchBar&) { return true; }
    virtual void searchBarTextDidBeginEditing(UISearchBar&) { }
    virtual bool searchBarShouldEndEditing(UISearchBar&) { return true; }
    virtual void searchBarTextDidEndEditing(UISearchBar&) { }
    virtual void searchBarTextDidChange(UISearchBar&, const std::string& searchText) { }
    virtual void searchBarSearchButtonClicked(UISearchBar&) { }
    virtual void searchBarCancelButtonClicked(UISearchBar&) { }
};

class UISearchBar : public UIView {
public:
    explicit UISearchBar(CGRect frame = CGRectMake(0, 0, 320, 44));
    ~UISearchBar() override;

    std::string text() const;
    void setText(const std::string& text);
    std::string placeholder() const;
    void setPlaceholder(const std::string& text);
    std::shared_ptr<UIImage> backgroundImage() const { return m_backgroundImage; }
    void setBackgroundImage(std::shared_ptr<UIImage> image)
    {
        m_backgroundImage = std::move(image);
        setNeedsDisplay();
    }
    bool showsCancelButton() const { return m_cancelButton != nullptr; }
    void setShowsCancelButton(bool on);
    bool showsScopeBar = false;
    bool showsBookmarkButton = false;
    bool showsSearchResultsButton = false;

    std::shared_ptr<UISearchBarDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UISearchBarDelegate> d) { m_delegate = std::move(d); }

    const std::shared_ptr<UITextField>& searchField() const { return m_field; }
    bool isFirstResponderOrEditing() const { return m_field->isEditing(); }
    bool becomeFirstResponder() override { return m_field->becomeFirstResponder(); }
    bool resignFirstResponder() override { return m_field->resignFirstResponder(); }

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    class FieldDelegate;
    std::shared_ptr<UITextField> m_field;
    std::shared_ptr<FieldDelegate> m_fieldDelegate;
    std::shared_ptr<UIButton> m_cancelButton;
    std::shared_ptr<UIImage> m_backgroundImage;
    std::weak_ptr<UISearchBarDelegate> m_delegate;
};
