#pragma once

// One line of a quote order in the editor's table: thumbnail, name, SKU and
// attributes, the list price, fields for quantity, discount rate and
// discounted unit price, and the subtotal. The cell owns the line pricing:
// when a field's edit ends it checks the text, derives the other price field
// from it and writes quantity, rate, final price and subtotal into the line
// from what the fields show, so the line always holds the values on screen.

#include "Classes/QuoteOrder/QuoteOrderItemDelegate.h"
#include "Database/QuoteOrderItemEntity.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITextField.h"

#include <memory>
#include <optional>
#include <string>

class RKTextField;
class UIButton;
class UIFont;
class UIImage;
class UILabel;

class QuoteOrderItemsTableViewCell : public UITableViewCell, public UITextFieldDelegate, public UIAlertViewDelegate {
public:
    static constexpr const char* kReuseIdentifier = "QuoteOrderItemsTableViewCell";

    QuoteOrderItemsTableViewCell(UITableViewCellStyle style, const std::optional<std::string>& reuseIdentifier);
    // A cell whose fields and thumbnail already report to it.
    static std::shared_ptr<QuoteOrderItemsTableViewCell> make(
        const std::optional<std::string>& reuseIdentifier = std::string(kReuseIdentifier));

    const std::shared_ptr<UIButton>& imageImageView() const { return m_imageImageView; }
    const std::shared_ptr<UILabel>& nameLabel() const { return m_nameLabel; }
    const std::shared_ptr<UILabel>& skuLabel() const { return m_skuLabel; }
    const std::shared_ptr<UILabel>& attributesLabel() const { return m_attributesLabel; }
    const std::shared_ptr<UILabel>& priceLabel() const { return m_priceLabel; }
    const std::shared_ptr<RKTextField>& quantityTextField() const { return m_quantityTextField; }
    const std::shared_ptr<RKTextField>& txtDiscountRat() const { return m_txtDiscountRat; }
    const std::shared_ptr<UILabel>& lblDiscountCurrency() const { return m_lblDiscountCurrency; }
    const std::shared_ptr<RKTextField>& txtDiscountPrice() const { return m_txtDiscountPrice; }
    const std::shared_ptr<UILabel>& subTotalLabel() const { return m_subTotalLabel; }

    const std::shared_ptr<QuoteOrderItemEntity>& quoteOrderItem() const { return m_quoteOrderItem; }
    void setQuoteOrderItem(std::shared_ptr<QuoteOrderItemEntity> item);
    const std::string& editingFieldOldValue() const { return m_editingFieldOldValue; }
    void setEditingFieldOldValue(const std::string& value) { m_editingFieldOldValue = value; }
    std::shared_ptr<QuoteOrderItemDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<QuoteOrderItemDelegate> delegate) { m_delegate = std::move(delegate); }

    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    bool couldModifyPrice() const { return m_couldModifyPrice; }
    void setCouldModifyPrice(bool could);
    bool isNullPrice() const { return m_isNullPrice; }
    void setIsNullPrice(bool isNull);

    // Sets the discounted price field as wide as its text, right against the
    // subtotal, with the currency label just before it.
    void fitDiscountPrice();
    // The width of a text in a font within a box; widths once measured are
    // kept (a bounded number of them). Main thread only.
    static CGFloat measuredTextWidth(const std::string& text, const std::shared_ptr<UIFont>& font, CGSize box);

    void textFieldDidBeginEditing(UITextField& field) override;
    bool textFieldShouldChangeCharactersInRangeReplacementString(UITextField&, NSRange, const std::string&) override
    {
        return true;
    }
    bool textFieldShouldReturn(UITextField& field) override;
    void textFieldDidEndEditing(UITextField& field) override;

    // The "%" label, which the platform keeps no property for; tests read it.
    const std::shared_ptr<UILabel>& percentLabel() const { return m_lblPercentFlag; }

private:
    std::shared_ptr<QuoteOrderItemsTableViewCell> self() { return protect<QuoteOrderItemsTableViewCell>(); }
    void applyFieldStates();
    // The line's product picture in the thumbnail button, from the thumbnail
    // cache at once or when it has been read.
    void showThumbnail();
    void setThumbnail(const std::shared_ptr<UIImage>& image);
    // The line record from the field texts, and the subtotal label from the line.
    void writeLineFromFields();

    std::shared_ptr<UIButton> m_imageImageView;
    std::shared_ptr<UILabel> m_nameLabel;
    std::shared_ptr<UILabel> m_skuLabel;
    std::shared_ptr<UILabel> m_attributesLabel;
    std::shared_ptr<UILabel> m_priceLabel;
    std::shared_ptr<RKTextField> m_quantityTextField;
    std::shared_ptr<RKTextField> m_txtDiscountRat;
    std::shared_ptr<UILabel> m_lblPercentFlag;
    std::shared_ptr<UILabel> m_lblDiscountCurrency;
    std::shared_ptr<RKTextField> m_txtDiscountPrice;
    std::shared_ptr<UILabel> m_subTotalLabel;

    std::shared_ptr<QuoteOrderItemEntity> m_quoteOrderItem;
    std::shared_ptr<UIImage> m_shownThumbnail;
    std::string m_editingFieldOldValue;
    std::weak_ptr<QuoteOrderItemDelegate> m_delegate;
    bool m_readOnly = false;
    bool m_couldModifyPrice = false;
    bool m_isNullPrice = false;
};
