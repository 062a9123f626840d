#pragma once

// One product full size: name, SKU, price with discount price, the main image
// with a strip of thumbnails, the description box, the tag bar, the attribute
// picker, and in the lower right corner the order controls (quantity, minus,
// plus, add button with the count already in the order). Arrows and swipes
// step through the list it was opened with; compare and favourite toggle the
// product in those lists. The catalogue, the inventory and the order editor
// push it; opened on an order line in edit mode, its add button saves the
// quantity and attributes back to the editor instead. It observes nothing
// but language changes; it posts the tag taps for the catalogue.

#include "Classes/Catalog/DetailImageDelegate.h"
#include "Classes/Catalog/ProductDetailDelegate.h"
#include "Classes/Catalog/ProductDetailManyImageCell.h"
#include "Classes/Frame/BaseViewController.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITextField.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CALayer;
class IconButton;
class ProductAttributeView;
class ProductDescView;
class UIButton;
class UIGestureRecognizer;
class UIImageView;
class UILabel;
class UINavigationController;
struct corvelle_image_Entity;
struct corvelle_library_files_Entity;

class ProductDetailController : public BaseViewController,
                                public ProductDetailManyImageCellDelegate,
                                public UIScrollViewDelegate,
                                public UITextFieldDelegate,
                                public DetailImageDelegate,
                                public UIAlertViewDelegate {
public:
    using ProductList = std::vector<std::shared_ptr<corvelle_product_Entity>>;
    static constexpr long kCurrencyAlertTag = 8801;
    static constexpr int kMaxQuantity = 1000000;

    ProductDetailController();
    ~ProductDetailController() override;

    // Pushes, animated, a detail screen for `product` alone (no previous or
    // next, no swipes) on `navigation`, showing the bar with the skin's
    // picture in `barImageFrame` behind its items and a "BACK" button that
    // runs `back`.
    static std::shared_ptr<ProductDetailController> pushForOneProduct(UINavigationController& navigation,
        const std::shared_ptr<corvelle_product_Entity>& product, std::weak_ptr<ProductDetailDelegate> delegate,
        CGRect barImageFrame, std::function<void()> back);

    void loadView() override;
    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    // Set by the opener before the push.
    const std::shared_ptr<corvelle_product_Entity>& productEntity() const { return m_productEntity; }
    void setProductEntity(std::shared_ptr<corvelle_product_Entity> p) { m_productEntity = std::move(p); }
    int productID() const { return m_productID; }
    void setProductID(int id) { m_productID = id; }
    // Absent when opened from the inventory or an order line.
    const std::optional<ProductList>& productArray() const { return m_productArray; }
    void setProductArray(std::optional<ProductList> list) { m_productArray = std::move(list); }
    int tag() const { return m_tag; }
    void setTag(int t) { m_tag = t; }
    int productCount() const { return m_productCount; }
    void setProductCount(int n) { m_productCount = n; }
    const std::shared_ptr<UILabel>& lblTitle() const { return m_lblTitle; }
    void setLblTitle(std::shared_ptr<UILabel> label) { m_lblTitle = std::move(label); }
    const std::optional<std::string>& currentTag() const { return m_currentTag; }
    void setCurrentTag(std::optional<std::string> tag) { m_currentTag = std::move(tag); }
    const std::optional<std::vector<std::string>>& dataArray() const { return m_dataArray; }
    std::shared_ptr<ProductDetailDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ProductDetailDelegate> d) { m_delegate = std::move(d); }
    int itemIndex() const { return m_itemIndex; }
    void setItemIndex(int index) { m_itemIndex = index; }
    bool isInEdit() const { return m_isInEdit; }
    void setIsInEdit(bool edit);

    // What openers and tests read.
    const std::shared_ptr<UILabel>& productNameLabel() const { return m_productNameLabel; }
    const std::shared_ptr<UILabel>& skuLabel() const { return m_skuLabel; }
    const std::shared_ptr<UILabel>& skuTittle() const { return m_skuTittle; }
    const std::shared_ptr<UILabel>& priceLabel() const { return m_priceLabel; }
    const std::shared_ptr<UILabel>& priceTittle() const { return m_priceTittle; }
    const std::shared_ptr<UILabel>& discountprice() const { return m_discountprice; }
    const std::shared_ptr<UIImageView>& productImageView() const { return m_productImageView; }
    const std::shared_ptr<UIScrollView>& manyImagesView() const { return m_manyImagesView; }
    const std::shared_ptr<UIButton>& relatedBtn() const { return m_relatedBtn; }
    const std::shared_ptr<UIButton>& relatedFileBtn() const { return m_relatedFileBtn; }
    const std::shared_ptr<UIButton>& compareBtn() const { return m_compareBtn; }
    const std::shared_ptr<UIButton>& favBtn() const { return m_favBtn; }
    const std::shared_ptr<UIButton>& deleteBtn() const { return m_deleteBtn; }
    const std::shared_ptr<UIButton>& addBtn() const { return m_addBtn; }
    const std::shared_ptr<UITextField>& countTextField() const { return m_countTextField; }
    const std::shared_ptr<ProductDescView>& descriptionView() const { return m_descriptionView; }
    const std::shared_ptr<UIScrollView>& tagsChooseView() const { return m_tagsChooseView; }
    const std::shared_ptr<ProductAttributeView>& attributeView() const { return m_attributeView; }
    const std::shared_ptr<UIButton>& tapToLeftProduct() const { return m_tapToLeftProduct; }
    const std::shared_ptr<UIButton>& tapToRightProduct() const { return m_tapToRightProduct; }
    const std::shared_ptr<IconButton>& addToOrderBtn() const { return m_addToOrderBtn; }
    const std::vector<std::shared_ptr<UIGestureRecognizer>>& swipeGestureRecognizers() const
    {
        return m_swipeGestureRecognizers;
    }
    const std::vector<std::shared_ptr<corvelle_image_Entity>>& manyImagesArray() const { return m_manyImagesArray; }
    int imgIndex() const { return m_imgIndex; }
    int currentIndex() const { return m_currentIndex; }
    const std::shared_ptr<CALayer>& attributeHighlightLayer() const { return m_attributeHighlightLayer; }
    const std::shared_ptr<UIViewController>& imageController() const { return m_imageController; }

    void addValues();
    void refreshData();
    void setProductPrice();
    void getManyImagesShowData();
    void initTagsScrollView();
    void refreshItemNumberInOrder();

    // DetailImageDelegate
    void changeProductSlideshow(int direction, bool slideShow) override;
    void dismissPopController(bool animated) override;

    void didSelectedManyImage(ProductDetailManyImageCell& cell) override;
    void scrollViewWillEndDraggingWithVelocityTargetContentOffset(
        UIScrollView& scrollView, CGPoint velocity, CGPoint* targetContentOffset) override;
    void textFieldDidBeginEditing(UITextField& field) override;
    void textFieldDidEndEditing(UITextField& field) override;
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

    static constexpr CGFloat kViewWidth = 1024;
    static constexpr CGFloat kViewHeight = 638;

private:
    void productCompare();
    void addProductToFavorite();
    void RelatedBtnClicked();
    // Where the related screens are pushed: the window's root stack.
    std::shared_ptr<UINavigationController> rootNavigationController();
    void RelatedFileBtnClicked();
    void onClickImage();
    // Gives the open image viewer the product now shown.
    void refillImageViewer();
    // Previous (the left arrow and a right swipe) and next.
    void slipToRight(bool fromButton, UIButton* button);
    void slipToLeft(bool fromButton, UIButton* button);
    void takeProductAt(int index);
    void refreshTitle();
    void animateViewBouncingToLeft();
    void animateViewBouncingToRight();
    void clickOtherTags(UIButton& button);
    void showMainImage(const std::shared_ptr<corvelle_image_Entity>& image);
    void setRelatedAndToggles();
    void setNameAndSku();
    void makeDescriptionView(CGRect frame);
    void reloadAttributes();
    void captionTexts();

    // Order controls.
    void addToOrder();
    void addProductToOrder(const std::shared_ptr<corvelle_product_Entity>& product);
    void deleteCount();
    void addCount();
    void showNotification(const std::string& messageKey);
    void highlightMissingAttribute(long index);
    int quantity() const;

    std::shared_ptr<corvelle_product_Entity> m_productEntity;
    int m_productID = 0;
    std::optional<ProductList> m_productArray;
    int m_tag = 0;
    int m_productCount = 0;
    std::shared_ptr<UILabel> m_lblTitle;
    std::optional<std::string> m_currentTag;
    std::optional<std::vector<std::string>> m_dataArray;
    std::weak_ptr<ProductDetailDelegate> m_delegate;
    int m_itemIndex = 0;
    bool m_isInEdit = false;

    std::shared_ptr<UILabel> m_productNameTittle;
    std::shared_ptr<UILabel> m_skuTittle;
    std::shared_ptr<UILabel> m_priceTittle;
    std::shared_ptr<UILabel> m_productNameLabel;
    std::shared_ptr<UILabel> m_skuLabel;
    std::shared_ptr<UILabel> m_priceLabel;
    std::shared_ptr<UIImageView> m_productImageView;
    std::shared_ptr<UIScrollView> m_manyImagesView;
    std::shared_ptr<UIImageView> m_devideImg2;
    std::shared_ptr<UIImageView> m_devideImg3;
    std::shared_ptr<UIImageView> m_devideImg4;
    std::shared_ptr<UIButton> m_relatedBtn;
    std::shared_ptr<UIButton> m_relatedFileBtn;
    std::shared_ptr<UIButton> m_compareBtn;
    std::shared_ptr<UIButton> m_favBtn;
    std::shared_ptr<UIButton> m_deleteBtn;
    std::shared_ptr<UIButton> m_addBtn;
    std::shared_ptr<UITextField> m_countTextField;

    std::shared_ptr<UILabel> m_discountprice;
    std::shared_ptr<ProductDescView> m_descriptionView;
    std::shared_ptr<UIScrollView> m_tagsChooseView;
    std::shared_ptr<ProductAttributeView> m_attributeView;
    std::shared_ptr<UIButton> m_tapToLeftProduct;
    std::shared_ptr<UIButton> m_tapToRightProduct;
    std::shared_ptr<IconButton> m_addToOrderBtn;
    std::vector<std::shared_ptr<UIGestureRecognizer>> m_swipeGestureRecognizers;
    std::vector<std::shared_ptr<corvelle_image_Entity>> m_manyImagesArray;
    CGFloat m_cellWidth = 120;
    int m_imgIndex = 0;
    int m_currentIndex = -1;
    std::optional<ProductList> m_relatedProducts;
    std::vector<std::shared_ptr<corvelle_library_files_Entity>> m_productRelateFiles;
    std::shared_ptr<UIViewController> m_imageController;
    std::shared_ptr<CALayer> m_attributeHighlightLayer;
};
