#include "Classes/Catalog/MasterViewController.h"

#include "Classes/Catalog/CatalogPopController.h"
#include "Classes/Catalog/CatalogText.h"
#include "Classes/Catalog/ProductBigCatalog.h"
#include "Classes/Catalog/TagsLeftView.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/SwitchButton.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPopoverController.h"

#include <unordered_set>

namespace {

// The master state every catalogue screen reads: 0 categories, 1 tags.
int g_currentMasterState = 0;

void post(const std::string& name, Value object = {})
{
    NSNotificationCenter::defaultCenter().postNotificationName(name, std::move(object));
}

}  // namespace

int MasterViewController::getCurrentState() { return g_currentMasterState; }

MasterViewController::~MasterViewController()
{
    g_currentMasterState = 0;
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

void MasterViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<MasterViewController>();
    auto root = view();
    root->setFrame(CGRectMake(0, 0, 244, 768));
    m_allProducts = DataAccessManager::sharedDataModel()->getAllProducts();

    m_imgBackground = std::make_shared<UIImageView>(CGRectMake(0, 0, 244, 768));
    m_imgBackground->setImage(SkinManager::skinFromImageName(std::string("left-nav.png")));
    root->addSubview(m_imgBackground);
    m_myTable = std::make_shared<UITableView>(CGRectMake(0, 44, 244, 661));
    m_myTable->setBackgroundColor(UIColor::clearColor());
    m_myTable->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    m_myTable->setDataSource(std::static_pointer_cast<UITableViewDataSource>(weak.lock()));
    m_myTable->setDelegate(std::static_pointer_cast<UITableViewDelegate>(weak.lock()));
    root->addSubview(m_myTable);

    m_titlebg = std::make_shared<UIImageView>(CGRectMake(0, 0, 244, 44));
    m_titlebg->setImage(SkinManager::skinFromImageName(std::string("topnavbar.png")));
    m_titlebg->setBackgroundColor(UIColor::clearColor());
    m_lbcategory = std::make_shared<UILabel>(CGRectMake(72, 7, 100, 30));
    m_lbcategory->setText(text("CATEGORY"));
    m_lbcategory->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_lbcategory->setTextColor(UIColor::whiteColor());
    m_lbcategory->setTextAlignment(UITextAlignmentCenter);
    m_lbcategory->setAdjustsFontSizeToFitWidth(true);
    m_lbcategory->setMinimumFontSize(15);
    m_lbcategory->setBackgroundColor(UIColor::clearColor());
    m_titlebg->addSubview(m_lbcategory);
    root->addSubview(m_titlebg);

    m_btnback = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnback->setFrame(CGRectMake(8, 5, 60, 34));
    PublicFunction::initializeToBackButtonHeight34(m_btnback);
    m_btnback->setTitleForState(text("BACK"), UIControlStateNormal);
    m_btnback->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnbackClicked();
    });
    m_btnback->setHidden(true);
    root->addSubview(m_btnback);

    auto tags = TagsLeftView::initWithFrame(CGRectMake(0, 44, 244, 645));
    tags->setDelegate(std::static_pointer_cast<TagsLeftDelegate>(protect<MasterViewController>()));
    tags->setDataArray(DataAccessManager::sharedDataModel()->getAllProductTags());
    m_TagsLeftView = tags;
    m_TagsLeftView->setHidden(true);
    root->addSubview(m_TagsLeftView);

    // Kept ready, listing only the root; the pane does not show it.
    m_catalogPopData = { "root" };
    auto pop = std::make_shared<CatalogPopController>();
    pop->setCatalogList(m_catalogPopData);
    m_catalogPop = std::make_shared<UIPopoverController>(pop);

    m_btnCatalogSwitch = std::make_shared<SwitchButton>(CGRectMake(0, 705, 244, 43));
    m_btnCatalogSwitch->setLeftTittle(text("CATEGORY"));
    m_btnCatalogSwitch->setRightTittle(text("TAG"));
    m_btnCatalogSwitch->setDelegate(std::static_pointer_cast<SwitchButtonDelegate>(weak.lock()));
    root->addSubview(m_btnCatalogSwitch);

    m_shadowImageView = std::make_shared<UIImageView>(CGRectMake(160, 0, 84, 748));
    m_shadowImageView->setImage(UIImage::imageNamed("shadow_navbar"));
    root->addSubview(m_shadowImageView);

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
    calculateProductNumber();
    selectTopCell(*m_myTable);
}

void MasterViewController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    m_selectRow = 0;
    m_currentStte = 0;
    m_dataArray = DataAccessManager::sharedDataModel()->getCategoryWithParentCategoryid(0);
    addUncategorized();
    m_cid = 0;
    m_cname.clear();
    auto weak = weakSelf<MasterViewController>();
    NSNotificationCenter::defaultCenter().addObserver(this, "changeMasterViewState", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->switchTagButton();
    });
}

void MasterViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    auto& flags = ConfigManager::sharedInstance()->flagDic();
    if (auto found = flags.find("Needreloadcatelog"); found != flags.end() && found->second == "YES") {
        refreshData();
        flags["Needreloadcatelog"] = "NO";
    }
}

void MasterViewController::addUncategorized()
{
    if (DataAccessManager::sharedDataModel()->getProductsByCategory_id(-1).empty())
        return;
    auto entry = std::make_shared<corvelle_category_Entity>();
    entry->category_id = -1;
    entry->category_name = text("UNCATEGORIZED");
    entry->category_type = "category";
    entry->category_publish = 1;
    entry->category_ordering = static_cast<int>(m_dataArray.size());
    entry->category_parent_id = 0;
    m_dataArray.push_back(std::move(entry));
}

MasterViewController::CategoryChildren MasterViewController::readCategoryChildren()
{
    const auto all = DataAccessManager::sharedDataModel()->getAllCategory();
    std::unordered_map<int, int> parentOf;
    for (const auto& c : all)
        parentOf[c->category_id] = c->category_parent_id;
    CategoryChildren children;
    for (const auto& c : all) {
        if (c->category_id <= 0)
            continue;
        // A category whose parent links lead back to itself is filed at the top.
        int parent = c->category_parent_id;
        std::set<int> seen { c->category_id };
        for (int up = parent; up != 0;) {
            if (up == c->category_id) {
                parent = 0;
                break;
            }
            auto next = parentOf.find(up);
            if (next == parentOf.end() || !seen.insert(up).second)
                break;
            up = next->second;
        }
        children[parent].push_back(c->category_id);
    }
    return children;
}

void MasterViewController::calculateProductNumber()
{
    auto data = DataAccessManager::sharedDataModel();
    m_children = readCategoryChildren();
    unsigned total = 0;
    for (const auto& entry : m_dataArray) {
        const int id = entry->category_id;
        const auto subs = m_children.find(id);
        const int count = subs == m_children.end() ? static_cast<int>(data->getProductsByCategory_id(id).size())
                                                   : getProductCountUnderCategory(id);
        entry->category_numberOfProducts = count;
        total += static_cast<unsigned>(count);
    }
    m_totalProductsNumber = total;
}

int MasterViewController::getProductCountUnderCategory(int categoryId)
{
    m_number = 0;
    std::set<int> visited { categoryId };
    getProductCountWithCount(categoryId, visited);
    return m_number;
}

void MasterViewController::getProductCountWithCount(int categoryId, std::set<int>& visited)
{
    const auto subs = m_children.find(categoryId);
    if (subs == m_children.end())
        return;
    auto data = DataAccessManager::sharedDataModel();
    for (int sub : subs->second) {
        if (!visited.insert(sub).second)
            continue;  // already walked: a cycle in the parent links
        if (m_children.count(sub))
            getProductCountWithCount(sub, visited);
        else
            m_number += static_cast<int>(data->getProductsByCategory_id(sub).size());
    }
}

long MasterViewController::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return static_cast<long>(m_dataArray.size()) + 1;
}

std::shared_ptr<UITableViewCell> MasterViewController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = std::dynamic_pointer_cast<ProductBigCatalog>(table.dequeueReusableCellWithIdentifier("Cell"));
    if (!cell)
        cell = std::make_shared<ProductBigCatalog>(UITableViewCellStyleDefault, std::string("Cell"));
    cell->setSelectionStyle(UITableViewCellSelectionStyleGray);
    const long row = path.row();
    if (row == 0) {
        cell->setIsFirstLine(true);
        cell->imgicon()->setHidden(true);
        cell->lbcount()->setText(stringWithFormat("(%d)", static_cast<int>(m_totalProductsNumber)));
        return cell;
    }
    cell->setIsFirstLine(false);
    const auto& entry = *m_dataArray[static_cast<size_t>(row - 1)];
    if (m_cid == 0 && entry.category_id == -1) {
        cell->lbTitle()->setText(text("UNCATEGORIZED"));
        cell->lbTitle()->setFont(UIFont::italicSystemFontOfSize(16));
        cell->imgicon()->setHidden(true);
    } else {
        cell->lbTitle()->setText(CatalogText::trimmed(entry.category_name));
        cell->lbTitle()->setFont(UIFont::systemFontOfSize(16));
        cell->imgicon()->setHidden(
            DataAccessManager::sharedDataModel()->getCategoryCountUnderCategoryid(entry.category_id) < 1);
    }
    cell->lbcount()->setFont(UIFont::systemFontOfSize(16));
    cell->lbcount()->setText(stringWithFormat("(%d)", entry.category_numberOfProducts));
    return cell;
}

void MasterViewController::selectTopCell(UITableView& table)
{
    if (tableViewNumberOfRowsInSection(table, 0) < 1)
        return;
    const auto top = NSIndexPath::indexPathForRowInSection(0, 0);
    table.selectRowAtIndexPathAnimatedScrollPosition(top, false, UITableViewScrollPositionTop);
    tableViewDidSelectRowAtIndexPath(table, top);
}

void MasterViewController::setCellToHighLightRow(UITableView& table, int row)
{
    table.selectRowAtIndexPathAnimatedScrollPosition(
        NSIndexPath::indexPathForRowInSection(row, 0), false, UITableViewScrollPositionNone);
}

void MasterViewController::tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path)
{
    const int row = static_cast<int>(path.row());
    if (row == m_selectRow)
        return;
    if (auto previous = table.cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(m_selectRow, 0)))
        previous->setSelected(false);
    m_selectRow = row;
    tagTableSelectRow(row);
}

void MasterViewController::slideVisibleRows(CGFloat x)
{
    for (const auto& path : m_myTable->indexPathsForVisibleRows()) {
        if (path.row() == 0)
            continue;
        if (auto cell = m_myTable->cellForRowAtIndexPath(path)) {
            CGRect frame = cell->frame();
            frame.origin.x = x;
            cell->setFrame(frame);
        }
    }
}

void MasterViewController::showBackFor(int categoryId)
{
    m_btnback->setHidden(categoryId == 0);
    m_lbcategory->setText(categoryId == 0 ? text("CATEGORY") : m_cname);
}

void MasterViewController::tagTableSelectRow(int row)
{
    auto data = DataAccessManager::sharedDataModel();
    if (row >= 1 && static_cast<size_t>(row - 1) < m_dataArray.size()) {
        const auto entry = m_dataArray[static_cast<size_t>(row - 1)];
        m_clickIndex = entry->category_id;
        auto subs = data->getCategoryWithParentCategoryid(entry->category_id);
        if (!subs.empty()) {
            m_cid = entry->category_id;
            m_cname = entry->category_name.value_or(std::string());
            m_dataArray = std::move(subs);
            calculateProductNumber();
            auto weak = weakSelf<MasterViewController>();
            UIView::animateWithDuration(
                0.15, 0, UIViewAnimationOptionCurveEaseIn,
                [weak] {
                    if (auto self = weak.lock())
                        self->slideVisibleRows(-243);
                },
                [weak](bool) {
                    auto self = weak.lock();
                    if (!self)
                        return;
                    self->m_myTable->reloadData();
                    self->selectTopCell(*self->m_myTable);
                    self->m_selectRow = 0;
                    self->m_lbcategory->setText(self->m_cname);
                    self->slideVisibleRows(243);
                    UIView::animateWithDuration(
                        0.15, 0, UIViewAnimationOptionCurveEaseOut,
                        [weak] {
                            if (auto again = weak.lock()) {
                                again->slideVisibleRows(0);
                                again->m_btnback->setHidden(false);
                            }
                        },
                        nullptr);
                });
        } else if (entry->category_parent_id != 0) {
            m_lbcategory->setText(m_cname);
            m_btnback->setHidden(false);
        }
        post("displayFourColumn", Value::integer(m_clickIndex));
        return;
    }
    const auto level = data->getCategoryWithCategoryid(m_cid);
    const auto levelName = level ? level->category_name : std::nullopt;
    const bool unchanged = m_clickIndex == m_cid && levelName && m_cname == *levelName;
    m_clickIndex = m_cid;
    m_cname = levelName.value_or(std::string());
    showBackFor(m_cid);
    if (!unchanged)
        post("displayFourColumn", Value::integer(m_clickIndex));
}

void MasterViewController::btnbackClicked()
{
    auto data = DataAccessManager::sharedDataModel();
    const int parent = data->getParentCategoryId(m_cid);
    m_cid = m_clickIndex = parent;
    const auto parentEntry = data->getCategoryWithCategoryid(parent);
    m_cname = parentEntry ? parentEntry->category_name.value_or(std::string()) : std::string();
    m_dataArray = data->getCategoryWithParentCategoryid(parent);
    if (parent == 0)
        addUncategorized();
    auto weak = weakSelf<MasterViewController>();
    UIView::animateWithDuration(
        0.15, 0, UIViewAnimationOptionCurveEaseIn,
        [weak] {
            if (auto self = weak.lock()) {
                self->slideVisibleRows(243);
                self->calculateProductNumber();
            }
        },
        [weak, parent](bool) {
            auto self = weak.lock();
            if (!self)
                return;
            self->m_myTable->reloadData();
            self->selectTopCell(*self->m_myTable);
            self->slideVisibleRows(-243);
            UIView::animateWithDuration(
                0.15, 0, UIViewAnimationOptionCurveEaseOut,
                [weak] {
                    if (auto again = weak.lock())
                        again->slideVisibleRows(0);
                },
                nullptr);
            self->showBackFor(parent);
        });
    post("displayFourColumn", Value::integer(parent));
    m_selectRow = 0;
}

void MasterViewController::selectSwitchButtonIndex(SwitchButton&, int index)
{
    m_currentStte = index;
    g_currentMasterState = index;
    if (index == 1) {
        m_btnback->setHidden(true);
        m_TagsLeftView->setHidden(false);
        m_myTable->setHidden(true);
        if (!m_tagChosen) {
            if (m_lblTitle)
                m_lblTitle->setText(text("TAG"));
            post("refushRightData");
        }
        m_lbcategory->setText(text("TAG"));
    } else if (index == 0) {
        m_lbcategory->setText(text("CATEGORY"));
        if (m_lblTitle)
            m_lblTitle->setText(text("CATALOG_"));
        tagTableSelectRow(m_selectRow);
        m_TagsLeftView->setHidden(true);
        m_myTable->setHidden(false);
    }
}

void MasterViewController::switchTagButton() { m_btnCatalogSwitch->setCurrentIndex(1); }

void MasterViewController::didSelectDelegateWithTagName(const std::vector<int>& productIds, const std::string& tagName)
{
    const std::unordered_set<int> wanted(productIds.begin(), productIds.end());
    ValueArray ids;
    for (const auto& product : m_allProducts)
        if (wanted.count(product->product_id))
            ids.push_back(Value::integer(product->product_id));
    m_tagChosen = true;
    g_currentMasterState = 1;
    ValueDictionary chosen;
    chosen.set(tagName, Value(std::move(ids)));
    post("refushRightData", Value(std::move(chosen)));
}

void MasterViewController::clickToAppearOrHiddenCategory() { post("AppearOrHiddenMasterView"); }

void MasterViewController::refreshData()
{
    post("btnBackClick");
    auto data = DataAccessManager::sharedDataModel();
    m_selectRow = 0;
    m_clickIndex = 0;
    m_tagChosen = false;
    m_cid = 0;
    m_btnback->setHidden(true);
    m_dataArray = data->getCategoryWithParentCategoryid(0);
    m_allProducts = data->getAllProducts();
    addUncategorized();
    calculateProductNumber();
    m_myTable->reloadData();
    selectTopCell(*m_myTable);
    if (m_currentStte == 1) {
        m_lbcategory->setText(text("TAG"));
        post("refushRightData");
    } else {
        m_lbcategory->setText(text("CATEGORY"));
        if (m_lblTitle)
            m_lblTitle->setText(text("CATALOG_"));
        post("displayFourColumn", Value::integer(0));
    }
}

void MasterViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!isViewLoaded())
        return;
    m_btnback->setTitleForState(text("BACK"), UIControlStateNormal);
    m_lbcategory->setText(text("CATEGORY"));
    m_btnCatalogSwitch->setLeftTittle(text("CATEGORY"));
    m_btnCatalogSwitch->setRightTittle(text("TAG"));
    if (m_currentStte == 1) {
        m_lbcategory->setText(text("TAG"));
        return;
    }
    m_myTable->reloadData();
    setCellToHighLightRow(*m_myTable, m_selectRow);
}

void MasterViewController::showAllCells()
{
    m_cid = 0;
    m_clickIndex = 0;
    m_lbcategory->setText(text("TAG"));
    if (m_lblTitle)
        m_lblTitle->setText(text("TAG"));
    post("changeisAllState");
    post("changeTitleToTags");
    post("displayFourColumn", Value::integer(0));
}
