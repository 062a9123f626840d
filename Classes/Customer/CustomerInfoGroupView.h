#pragma once

// The header of one group of the customer card: the group's name, the
// default check-box (disabled, and so showing "checkbox-on.png", while the
// group is the default) and, in edit mode, the delete button.

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"

#include <memory>
#include <string>

class CustomerInfoGroupViewDelegate {
public:
    virtual ~CustomerInfoGroupViewDelegate() = default;
    virtual void groupViewClickWithType(int indexId, int type) { }
    virtual void deleteSectionWithType(int indexId, int type) { }
};

class CustomerInfoGroupView : public UIView {
public:
    static std::shared_ptr<CustomerInfoGroupView> make(CGRect frame);
    explicit CustomerInfoGroupView(CGRect frame);

    const std::shared_ptr<UILabel>& lblGroupName() const { return m_lblGroupName; }
    const std::shared_ptr<UIButton>& btnSelect() const { return m_btnSelect; }
    const std::shared_ptr<UIButton>& deleteButton() const { return m_deleteButton; }
    int indexId = 0;
    // 0 base information, 1 address, 2 contact.
    int type = 0;
    std::weak_ptr<CustomerInfoGroupViewDelegate> delegate;

    bool isSelect() const { return m_isSelect; }
    void setIsSelect(bool isDefault);
    void selectButtonHidden();

private:
    void setUp();

    std::shared_ptr<UILabel> m_lblGroupName;
    std::shared_ptr<UIButton> m_btnSelect;
    std::shared_ptr<UIButton> m_deleteButton;
    bool m_isSelect = false;
};
