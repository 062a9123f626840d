#include "Classes/Catalog/InventoryViewController.h"

#include "Classes/Catalog/MultiColumnTableView.h"
#include "Classes/Catalog/ProductCompareController.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Catalog/ProductFavoriteController.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

const char* const kTitleKeys[] = { "SKU", "IMAGE", "PRODUCTNAME", "DESCRIPTION", "QUANTITY" };

}  // namespace

InventoryViewController::InventoryViewController() = default;

InventoryViewController::~InventoryViewController() = default;

void InventoryViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    view()->setBackgroundColor(UIColor::clearColor());
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);
    m_lastViewVerticalPosition = 0;
    loadData();
    loadNavigationView();
    loadTableHeaderView();
    loadTableView();
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void InventoryViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);
    loadMultiColumnTableData();
    if (m_tblView)
        m_tblView->reloadData();
}

void InventoryViewController::viewDidUnload()
{
    BaseViewController::viewDidUnload();
    m_multiColumnTableHeaderInfos.clear();
    m_multiColumnTableHeaderTitles.clear();
    m_multiColumnTableRegularCellInfos.clear();
    m_multiColumnTableData.clear();
    m_navigationView.reset();
    m_title.reset();
    m_compareBtn.reset();
    m_favoriteBtn.reset();
    m_tableHeaderView.reset();
    m_tblView.reset();
    m_labelArray.clear();
}

// Data.

void InventoryViewController::loadData()
{
    m_numberOfColumns = 5;
    loadMultiColumnTableHeaderInfo();
    loadMultiColumnTableHeaderTitles();
    loadMultiColumnTableRegularCellInfos();
    loadMultiColumnTableData();
}

void InventoryViewController::loadMultiColumnTableHeaderInfo()
{
    struct Row {
        CGFloat width;
        CGFloat leftMargin;
        int alignment;
    };
    const Row rows[] = { { 105, 46, 0 }, { 200, 5, 1 }, { 200, 50, 0 }, { 390, 5, 1 }, { 100, 10, 1 } };
    m_multiColumnTableHeaderInfos.clear();
    for (const Row& row : rows) {
        auto info = std::make_shared<MultiColumnTableCellInfo>();
        info->topMargin = 5;
        info->textFont = UIFont::boldSystemFontOfSize(17);
        info->cellHeight = 0;
        info->cellType = MultiColumnTableCellInfo::SingleLineLabel;
        info->cellWidth = row.width;
        info->leftMargin = row.leftMargin;
        info->alignment = row.alignment;
        m_multiColumnTableHeaderInfos.push_back(info);
    }
}

void InventoryViewController::loadMultiColumnTableHeaderTitles()
{
    m_multiColumnTableHeaderTitles.clear();
    for (const char* key : kTitleKeys)
        m_multiColumnTableHeaderTitles.push_back(text(key));
}

void InventoryViewController::loadMultiColumnTableRegularCellInfos()
{
    using Message = std::function<std::optional<std::string>(const corvelle_product_Entity&)>;
    struct Row {
        int type;
        CGFloat leftMargin;
        CGFloat topMargin;
        bool font;
        int alignment;
        Message message;
    };
    const Row rows[] = {
        { MultiColumnTableCellInfo::TextButton, 20, 5, true, 0,
            [](const corvelle_product_Entity& p) { return p.product_sku; } },
        { MultiColumnTableCellInfo::ImageButton, 0, 0, false, 0,
            [](const corvelle_product_Entity& p) -> std::optional<std::string> {
                auto image = DataAccessManager::sharedDataModel()->getImageByKeyId(p.product_id);
                if (!image || !image->image_thumb_address)
                    return std::nullopt;
                return PublicFunction::filePathWithNameFiletype(*image->image_thumb_address, 1);
            } },
        { MultiColumnTableCellInfo::Label, 40, 5, true, 0,
            [](const corvelle_product_Entity& p) { return p.product_name; } },
        { MultiColumnTableCellInfo::Label, 5, 5, true, 0,
            [](const corvelle_product_Entity& p) { return p.product_s_desc; } },
        { MultiColumnTableCellInfo::Label, 10, 5, true, 1,
            [](const corvelle_product_Entity& p) -> std::optional<std::string> {
                return PublicFunction::intFormate(p.product_stock);
            } },
    };
    m_multiColumnTableRegularCellInfos.clear();
    for (const Row& row : rows) {
        auto info = std::make_shared<MultiColumnTableCellInfo>();
        info->cellType = row.type;
        info->leftMargin = row.leftMargin;
        info->topMargin = row.topMargin;
        if (row.font)
            info->textFont = UIFont::systemFontOfSize(14);
        info->alignment = row.alignment;
        info->cellHeight = kRowHeight;
        info->message = row.message;
        m_multiColumnTableRegularCellInfos.push_back(info);
    }
}

void InventoryViewController::loadMultiColumnTableData()
{
    m_multiColumnTableData = DataAccessManager::sharedDataModel()->getAllProducts();
}

// Views.

void InventoryViewController::loadNavigationView()
{
    auto weak = weakSelf<InventoryViewController>();
    m_navigationView = std::make_shared<UIImageView>(CGRectMake(-2, m_lastViewVerticalPosition, 1026, 45));
    m_navigationView->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    m_navigationView->setUserInteractionEnabled(true);
    view()->addSubview(m_navigationView);
    m_lastViewVerticalPosition += 45;

    m_title = std::make_shared<UILabel>(CGRectMake(362, 5, 300, 30));
    m_title->setBackgroundColor(UIColor::clearColor());
    m_title->setText(text("INVENTORY_"));
    m_title->setTextColor(UIColor::whiteColor());
    m_title->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_title->setTextAlignment(UITextAlignmentCenter);
    m_navigationView->addSubview(m_title);

    m_compareBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_compareBtn->setFrame(CGRectMake(750, 5, 34, 35));
    m_compareBtn->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("btn-compare.png")), UIControlStateNormal);
    m_compareBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnCompareClicked();
    });
    m_compareBtn->setHidden(true);
    m_navigationView->addSubview(m_compareBtn);

    m_favoriteBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_favoriteBtn->setFrame(CGRectMake(800, 5, 34, 35));
    m_favoriteBtn->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("btn-fav.png")), UIControlStateNormal);
    m_favoriteBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnFavoriteClicked();
    });
    m_favoriteBtn->setHidden(true);
    m_navigationView->addSubview(m_favoriteBtn);
    loadByConfig();
}

void InventoryViewController::loadTableHeaderView()
{
    constexpr CGFloat kHeight = 40;
    m_tableHeaderView = std::make_shared<UIView>(CGRectMake(0, m_lastViewVerticalPosition, 1026, kHeight));
    m_lastViewVerticalPosition += kHeight;
    auto background = std::make_shared<UIImageView>(m_tableHeaderView->bounds());
    background->setImage(SkinManager::skinFromImageName(std::string("quote-topbar.png")));
    m_tableHeaderView->addSubview(background);
    m_labelArray.clear();
    CGFloat x = 0;
    for (size_t c = 0; c < m_multiColumnTableHeaderInfos.size(); ++c) {
        const auto& info = *m_multiColumnTableHeaderInfos[c];
        auto label = std::make_shared<UILabel>(CGRectMake(x + info.leftMargin, info.topMargin,
            info.cellWidth - info.leftMargin - info.rightMargin, kHeight - info.topMargin - info.bottomMargin));
        label->setBackgroundColor(UIColor::clearColor());
        label->setFont(info.textFont);
        label->setTextAlignment(static_cast<UITextAlignment>(info.alignment));
        if (c < m_multiColumnTableHeaderTitles.size())
            label->setText(m_multiColumnTableHeaderTitles[c]);
        m_tableHeaderView->addSubview(label);
        m_labelArray.push_back(label);
        x += info.cellWidth;
    }
    view()->addSubview(m_tableHeaderView);
}

void InventoryViewController::loadTableView()
{
    const CGFloat top = m_lastViewVerticalPosition;
    m_tblView = MultiColumnTableView::initWithFrame(CGRectMake(0, top, 1024, view()->bounds().size.height - 66 - top));
    m_tblView->setBoldSeperatorLineWidth(0);
    m_tblView->setBoldSeperatorLineColor(UIColor::purpleColor());
    m_tblView->setNormalSeperatorLineWidth(0);
    m_tblView->setSectionHeaderEnabled(false);
    m_tblView->setTopHeaderBackgroundColor(
        UIColor::colorWithRedGreenBlueAlpha(179 / 255.0, 168 / 255.0, 178 / 255.0, 1));
    m_tblView->setDataSource(protect<InventoryViewController>());
    view()->addSubview(m_tblView);
}

void InventoryViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_title)
        m_title->setText(text("INVENTORY_"));
    loadMultiColumnTableHeaderTitles();
    for (size_t c = 0; c < m_labelArray.size() && c < m_multiColumnTableHeaderTitles.size(); ++c)
        m_labelArray[c]->setText(m_multiColumnTableHeaderTitles[c]);
}

// The table.

long InventoryViewController::tableViewNumberOfRowsInSection(MultiColumnTableView&, long)
{
    return static_cast<long>(m_multiColumnTableData.size());
}

CGFloat InventoryViewController::tableViewWidthForColumn(MultiColumnTableView&, long column)
{
    if (column < 0 || column >= static_cast<long>(m_multiColumnTableHeaderInfos.size()))
        return 0;
    return m_multiColumnTableHeaderInfos[static_cast<size_t>(column)]->cellWidth;
}

std::shared_ptr<UIView> InventoryViewController::topleftHeaderCellOfTableView(MultiColumnTableView&)
{
    return std::make_shared<UIView>(CGRectZero);
}

std::shared_ptr<UIView> InventoryViewController::tableViewHeaderCellForColumn(MultiColumnTableView& table, long column)
{
    return headerCellColumn(table, column);
}

std::shared_ptr<UIView> InventoryViewController::tableViewCellForIndexPathColumn(
    MultiColumnTableView& table, const NSIndexPath& path, long column)
{
    return contentCellIndexPathColumn(table, path, column);
}

std::shared_ptr<UIColor> InventoryViewController::backgroundColorAtIndexPath(
    MultiColumnTableView&, const NSIndexPath& path)
{
    if (path.row() % 2 == 1)
        return UIColor::colorWithRedGreenBlueAlpha(249 / 255.0, 249 / 255.0, 249 / 255.0, 1);
    return UIColor::whiteColor();
}

std::shared_ptr<UIView> InventoryViewController::multiColumnTableCellCellInfo(
    MultiColumnTableView&, const MultiColumnTableCellInfo& info)
{
    auto cell = std::make_shared<UIView>(CGRectMake(0, 0, info.cellWidth, info.cellHeight));
    const CGRect frame = CGRectMake(info.leftMargin, info.topMargin, info.contentWidth(), info.contentHeight());
    auto weak = weakSelf<InventoryViewController>();
    if (info.cellType == MultiColumnTableCellInfo::ImageButton
        || info.cellType == MultiColumnTableCellInfo::TextButton) {
        auto button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setFrame(frame);
        button->setBackgroundColor(UIColor::clearColor());
        if (info.textFont)
            button->titleLabel()->setFont(info.textFont);
        button->setTitleColorForState(UIColor::blackColor(), UIControlStateNormal);
        const bool image = info.cellType == MultiColumnTableCellInfo::ImageButton;
        button->addTarget(UIControlEventTouchUpInside, [weak, image](UIControl& sender, UIEvent*) {
            auto self = weak.lock();
            auto tapped = std::dynamic_pointer_cast<UIButton>(sender.sharedView());
            if (!self || !tapped)
                return;
            if (image)
                self->tapImage(tapped);
            else
                self->skuTap(tapped);
        });
        cell->addSubview(button);
    } else {
        auto label = std::make_shared<UILabel>(frame);
        label->setTextAlignment(static_cast<UITextAlignment>(info.alignment));
        if (info.textFont)
            label->setFont(info.textFont);
        label->setBackgroundColor(UIColor::clearColor());
        if (info.cellType == MultiColumnTableCellInfo::Label) {
            label->setNumberOfLines(0);
            label->setLineBreakMode(UILineBreakModeWordWrap);
        }
        cell->addSubview(label);
    }
    return cell;
}

std::shared_ptr<UIView> InventoryViewController::headerCellColumn(MultiColumnTableView& table, long column)
{
    if (column < 0 || column >= static_cast<long>(m_multiColumnTableHeaderInfos.size())) {
        NSLog("MultiColumnTable does not have any columns");
        return nullptr;
    }
    auto cell = multiColumnTableCellCellInfo(table, *m_multiColumnTableHeaderInfos[static_cast<size_t>(column)]);
    if (auto label = std::dynamic_pointer_cast<UILabel>(cell->subviews().front());
        label && column < static_cast<long>(m_multiColumnTableHeaderTitles.size()))
        label->setText(m_multiColumnTableHeaderTitles[static_cast<size_t>(column)]);
    return cell;
}

std::shared_ptr<UIView> InventoryViewController::contentCellIndexPathColumn(
    MultiColumnTableView& table, const NSIndexPath&, long column)
{
    if (column < 0 || column >= static_cast<long>(m_multiColumnTableHeaderInfos.size())
        || column >= static_cast<long>(m_multiColumnTableRegularCellInfos.size())) {
        NSLog("No information found for this cell.");
        return nullptr;
    }
    auto& info = *m_multiColumnTableRegularCellInfos[static_cast<size_t>(column)];
    info.cellWidth = m_multiColumnTableHeaderInfos[static_cast<size_t>(column)]->cellWidth;
    info.cellHeight = kRowHeight;
    return multiColumnTableCellCellInfo(table, info);
}

void InventoryViewController::tableViewSetContentForCellIndexPathColumn(
    MultiColumnTableView&, const std::shared_ptr<UIView>& cell, const NSIndexPath& path, long column)
{
    const long row = path.row();
    if (column < 0 || column >= static_cast<long>(m_multiColumnTableRegularCellInfos.size()) || row < 0
        || row >= static_cast<long>(m_multiColumnTableData.size()) || !cell || cell->subviews().empty())
        return;
    const auto& info = *m_multiColumnTableRegularCellInfos[static_cast<size_t>(column)];
    const auto& product = *m_multiColumnTableData[static_cast<size_t>(row)];
    const auto& control = cell->subviews().front();
    switch (info.cellType) {
    case MultiColumnTableCellInfo::Label:
        if (auto label = std::dynamic_pointer_cast<UILabel>(control))
            label->setText(info.message ? info.message(product).value_or("") : "");
        break;
    case MultiColumnTableCellInfo::TextButton:
        if (auto button = std::dynamic_pointer_cast<UIButton>(control)) {
            button->setTag(row);
            button->setTitleForState(info.message ? info.message(product).value_or("") : "", UIControlStateNormal);
        }
        break;
    case MultiColumnTableCellInfo::ImageButton:
        if (auto button = std::dynamic_pointer_cast<UIButton>(control)) {
            button->setTag(row);
            loadImageForButton(button, row, info.message ? info.message(product) : std::nullopt);
        }
        break;
    default:
        break;
    }
}

void InventoryViewController::loadImageForButton(
    const std::shared_ptr<UIButton>& button, long row, const std::optional<std::string>& path)
{
    const int productId = m_multiColumnTableData[static_cast<size_t>(row)]->product_id;
    auto weak = weakSelf<InventoryViewController>();
    BackgroundWork::run(
        button,
        [path] {
            std::shared_ptr<UIImage> image;
            if (path)
                image = UIImage::imageWithContentsOfFile(*path);
            return image ? image : UIImage::imageNamed("fileDefault.png");
        },
        [weak, row, productId](const UIButton& target) {
            auto self = weak.lock();
            if (!self)
                return false;
            // The row may have been reused for another product while the file was read.
            const auto& data = self->m_multiColumnTableData;
            if (target.tag() != row || row >= static_cast<long>(data.size())
                || data[static_cast<size_t>(row)]->product_id != productId) {
                NSLog("the image of product %d came back to a row that shows another product", productId);
                return false;
            }
            return true;
        },
        [](const std::shared_ptr<UIButton>& target, const std::shared_ptr<UIImage>& image) {
            PublicFunction::ImageViewSetImgImg(target, image);
        });
}

// Actions.

void InventoryViewController::tapImage(const std::shared_ptr<UIButton>& button)
{
    const long row = button->tag();
    auto navigation = navigationController();
    if (!navigation || row < 0 || row >= static_cast<long>(m_multiColumnTableData.size()))
        return;
    const auto& product = m_multiColumnTableData[static_cast<size_t>(row)];
    auto bar = navigation->navigationBar();
    auto weak = weakSelf<InventoryViewController>();
    ProductDetailController::pushForOneProduct(*navigation, product,
        std::static_pointer_cast<ProductDetailDelegate>(protect<InventoryViewController>()),
        CGRectMake(-1, 0, bar->frame().size.width + 1, bar->frame().size.height), [weak]() {
            if (auto self = weak.lock())
                self->backTapped();
        });
}

void InventoryViewController::backTapped()
{
    auto navigation = navigationController();
    if (!navigation || navigation->viewControllers().size() < 2
        || !std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController()))
        return;
    navigation->popViewControllerAnimated(true);
}

void InventoryViewController::btnCompareClicked()
{
    auto compares = DataAccessManager::sharedDataModel()->getCompares();
    if (compares.empty()) {
        std::make_shared<UIToast>()->show(text("HAVENOTCREATECOMPARISONS"));
        return;
    }
    auto compare = std::make_shared<ProductCompareController>();
    compare->setCompareProductsArray(compares);
    compare->setDelegate(std::static_pointer_cast<PopControllerDelegate>(protect<InventoryViewController>()));
    presentModalViewControllerAnimated(compare, true);
}

void InventoryViewController::btnFavoriteClicked()
{
    auto favorites = DataAccessManager::sharedDataModel()->getFavorites();
    if (favorites.empty()) {
        std::make_shared<UIToast>()->show(text("HAVENOTCREATEFAVORITES"));
        return;
    }
    auto favorite = std::make_shared<ProductFavoriteController>();
    favorite->setFavArray(favorites);
    favorite->setDelegate(std::static_pointer_cast<PopControllerDelegate>(protect<InventoryViewController>()));
    presentModalViewControllerAnimated(favorite, true);
}

void InventoryViewController::dismissPopController(bool animated) { dismissModalViewControllerAnimated(animated); }
