#pragma once

// The small pop-up that asks for a product's attribute values and a quantity
// before the product goes into the current quote order. The opening screen
// puts it in a popover of 400 x 250; OK checks that every attribute has a
// value and that the quantity is a whole number of at most 1,000,000, writes
// `attributes` and `count` into the product and tells the delegate, which
// adds. The pop-up stays open after an add; a touch outside closes it.

#include "Classes/Catalog/AddToOrderControllerDelegate.h"
#include "Classes/Frame/BaseViewController.h"
#include "Database/BaseDataModel.h"
#include "Database/product_attribute_cell_Entity.h"
#include "Platform/UIKit/UIAlertView.h"

#include <memory>
#include <optional>
#include <string>

class CALayer;
class IconButton;
class ProductAttributeView;
class UIButton;
class UIImageView;
class UITextField;
struct corvelle_product_Entity;

class AddToOrderController : public BaseViewController {
public:
    // The largest quantity one add accepts.
    static constexpr int kMaxCount = 1000000;

    std::shared_ptr<AddToOrderControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<AddToOrderControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<corvelle_product_Entity>& product_Entity() const { return m_product_Entity; }
    void setProduct_Entity(std::shared_ptr<corvelle_product_Entity> product) { m_product_Entity = std::move(product); }
    unsigned cellIndex() const { return m_cellIndex; }
    void setCellIndex(unsigned index) { m_cellIndex = index; }

    void viewDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    void deleteCount();
    void addCount();
    void addToOrderOKButtonClicked();

    // The add-to-order rules every screen with an add button shares.
    // The view tag of the question that comes when the order holds another currency.
    static constexpr long kCurrencyAlertTag = 8801;
    // Asks the other-currency question, with `delegate` to hear the answer.
    static void showCurrencyAlert(std::weak_ptr<UIAlertViewDelegate> delegate);
    // Drops ("DONTSAVE", 0) or saves ("SAVE", 1) the order in the other
    // currency; false, after saying so, when the save failed.
    static bool settleOtherCurrencyOrder(long buttonIndex);
    static void clearOrderTabBadge();
    // Sets `count` to 1 and chooses every single-valued attribute. True when
    // some attribute needs the salesperson's choice (the pop-up); otherwise
    // `attributes` holds the choice string.
    static bool prepareAttributes(corvelle_product_Entity& product);
    // "field:value" pairs joined by "," over the records with a non-blank value.
    static std::string choiceString(const EntityList<product_attribute_cell_Entity>& records);

    // Reads a typed quantity by the shared quantity rules: the count to add,
    // or nothing after the alert that says why (the field may be reset to the cap).
    static std::optional<int> checkedQuantity(UITextField& field);

    const std::shared_ptr<ProductAttributeView>& attributeView() const { return m_attributeView; }
    const std::shared_ptr<UITextField>& countTextField() const { return m_countTextField; }
    const std::shared_ptr<UIButton>& deleteBtn() const { return m_deleteBtn; }
    const std::shared_ptr<UIButton>& addBtn() const { return m_addBtn; }
    const std::shared_ptr<IconButton>& addToOrderBtn() const { return m_addToOrderBtn; }
    // The box that flashed round the attribute last found without a value.
    const std::shared_ptr<CALayer>& lastFlashBox() const { return m_lastFlashBox; }

private:
    void loadAttributes();
    void flashAttributeBox(size_t index);

    std::weak_ptr<AddToOrderControllerDelegate> m_delegate;
    std::shared_ptr<corvelle_product_Entity> m_product_Entity;
    unsigned m_cellIndex = 0;
    std::shared_ptr<ProductAttributeView> m_attributeView;
    std::shared_ptr<UIButton> m_deleteBtn;
    std::shared_ptr<UIButton> m_addBtn;
    std::shared_ptr<UITextField> m_countTextField;
    std::shared_ptr<UIImageView> m_line;
    std::shared_ptr<IconButton> m_addToOrderBtn;
    std::shared_ptr<CALayer> m_lastFlashBox;
};
