#pragma once

// The header of one section of the grouped customer list: the group's title
// upper-cased over the skin's title bar, and a disclosure button that mirrors
// whether the section is expanded. A tap anywhere on it asks its delegate to
// open or close the section.

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

#include <memory>
#include <string>

class SectionHeaderView;

class SectionHeaderViewDelegate {
public:
    virtual ~SectionHeaderViewDelegate() = default;
    virtual void sectionHeaderViewSectionOpened(SectionHeaderView&, int section) { }
    virtual void sectionHeaderViewSectionClosed(SectionHeaderView&, int section) { }
};

class SectionHeaderView : public UIView {
public:
    SectionHeaderView(CGRect frame, const std::string& title, int section, bool opened,
        std::weak_ptr<SectionHeaderViewDelegate> delegate);
    // Adds the tap recogniser; call once the view is owned by a shared pointer.
    static std::shared_ptr<SectionHeaderView> make(CGRect frame, const std::string& title, int section, bool opened,
        std::weak_ptr<SectionHeaderViewDelegate> delegate);

    const std::shared_ptr<UILabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<UIButton>& disclosureButton() const { return m_disclosureButton; }
    const std::shared_ptr<UIImageView>& sectionbg() const { return m_sectionbg; }
    int section() const { return m_section; }
    bool opened() const { return m_opened; }

    void toggleAction();

private:
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UIButton> m_disclosureButton;
    std::shared_ptr<UIImageView> m_sectionbg;
    std::weak_ptr<SectionHeaderViewDelegate> m_delegate;
    int m_section = 0;
    bool m_opened = false;
};
