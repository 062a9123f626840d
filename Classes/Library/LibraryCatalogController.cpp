#include "Classes/Library/LibraryCatalogController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Library/LibraryCatalogCell.h"
#include "Classes/Library/LibraryDetailController.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

#include <set>

namespace {

std::string trimmed(const std::optional<std::string>& value)
{
    const std::string s = value.value_or(std::string());
    const char* space = " \t\r\n\v\f";
    const auto first = s.find_first_not_of(space);
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(space) - first + 1);
}

}  // namespace

LibraryCatalogController::LibraryCatalogController() = default;

LibraryCatalogController::~LibraryCatalogController() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void LibraryCatalogController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto self = protect<LibraryCatalogController>();
    std::weak_ptr<LibraryCatalogController> weak = self;
    auto root = view();
    root->setBackgroundColor(UIColor::clearColor());

    m_tableimgbg = std::make_shared<UIImageView>(CGRectMake(0, 64, 244, 723));
    m_tableimgbg->setImage(SkinManager::skinFromImageName(std::string("left-nav.png")));
    m_catatable = std::make_shared<UITableView>(CGRectMake(0, 64, 244, 718));
    m_catatable->setBackgroundColor(UIColor::clearColor());
    m_catatable->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    m_catatable->setDelegate(std::static_pointer_cast<UITableViewDelegate>(self));
    m_catatable->setDataSource(std::static_pointer_cast<UITableViewDataSource>(self));
    m_clickIndex = -1;

    m_catatitlebg = std::make_shared<UIImageView>(CGRectMake(0, 20, 244, 44));
    m_catatitlebg->setImage(SkinManager::skinFromImageName(std::string("topnavbar.png")));
    m_catatitlebg->setUserInteractionEnabled(true);
    m_catatitlelb = std::make_shared<UILabel>(CGRectMake(72, 7, 100, 30));
    m_catatitlelb->setBackgroundColor(UIColor::clearColor());
    m_catatitlelb->setTextColor(UIColor::whiteColor());
    m_catatitlelb->setTextAlignment(UITextAlignmentCenter);
    m_catatitlelb->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_catatitlelb->setAdjustsFontSizeToFitWidth(true);
    m_catatitlelb->setMinimumFontSize(15);
    m_catatitlelb->setText(text("CATEGORY"));
    m_catatitlebg->addSubview(m_catatitlelb);
    m_btnBack = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnBack->setFrame(CGRectMake(8, 5, 60, 34));
    PublicFunction::initializeToBackButtonHeight34(m_btnBack);
    m_btnBack->setTitleForState(text("BACK"), UIControlStateNormal);
    m_btnBack->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto s = weak.lock())
            s->backToParentCategory();
    });
    m_btnBack->setHidden(true);
    m_catatitlebg->addSubview(m_btnBack);

    m_shadowImageView = std::make_shared<UIImageView>(CGRectMake(160, 20, 84, 748));
    m_shadowImageView->setImage(UIImage::imageNamed("shadow_navbar"));
    root->addSubview(m_tableimgbg);
    root->addSubview(m_catatable);
    root->addSubview(m_catatitlebg);
    root->addSubview(m_shadowImageView);
    m_cid = 0;
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void LibraryCatalogController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    m_childCountArray.clear();
    m_cataArr = subCategories(0);
    m_cname = std::string();
    addUncategorized();
    std::weak_ptr<LibraryCatalogController> weak = protect<LibraryCatalogController>();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "reloadlibrarycatalog", [weak](const NSNotification& n) {
        if (auto s = weak.lock())
            s->reloadlibrarycatalog(n);
    });
    center.addObserver(this, "deselectlibrarycatalog", [weak](const NSNotification&) {
        if (auto s = weak.lock())
            s->deselectlibrarycatalog();
    });
}

std::vector<LibraryCatalogController::CategoryRef> LibraryCatalogController::subCategories(int parent) const
{
    return DataAccessManager::sharedDataModel()->getLibSubCategoriesByParentCategoryID(parent);
}

LibraryCatalogController::CategoryRef LibraryCatalogController::categoryById(int id) const
{
    for (const auto& c : m_allCatagoryArray) {
        if (c->categoryID == id)
            return c;
    }
    return nullptr;
}

void LibraryCatalogController::addUncategorized()
{
    if (DataAccessManager::sharedDataModel()->getLibFilesBycatalogId(0).empty())
        return;
    m_uncategorized = std::make_shared<corvelle_library_category_Entity>();
    m_uncategorized->categoryID = 0;
    m_uncategorized->name = text("UNCATEGORIZED");
    m_uncategorized->published = 1;
    m_uncategorized->ordering = static_cast<int>(m_cataArr.size());
    m_cataArr.push_back(m_uncategorized);
}

void LibraryCatalogController::listTopLevel()
{
    m_cataArr = subCategories(0);
    addUncategorized();
    m_cid = 0;
}

void LibraryCatalogController::countData()
{
    auto data = DataAccessManager::sharedDataModel();
    m_allCatagoryArray.clear();
    for (const auto& c : data->getLibraryCategorys()) {
        auto copy = std::make_shared<corvelle_library_category_Entity>(*c);
        copy->count = 0;
        copy->childCount = 0;
        copy->hasChild = false;
        m_allCatagoryArray.push_back(copy);
    }
    auto rows = data->getCategoryFilesCount();
    for (auto& row : rows)
        row->files_count = 0;
    for (const auto& f : m_libFilesArray) {
        for (auto& row : rows) {
            if (row->category_id == f->category) {
                ++row->files_count;
                break;
            }
        }
    }
    m_childCountArray.clear();
    for (const auto& row : rows) {
        auto category = categoryById(row->category_id);
        if (!category)
            continue;
        category->count += row->files_count;
        if (category->parent_id != 0 && category->count != 0)
            updateParentCount(category);
    }

    auto rowFor = [&](const CategoryRef& c) -> RowCount {
        if (auto found = categoryById(c->categoryID))
            return { found->count, found->hasChild };
        return { 0, true };
    };
    if (m_cid == 0) {
        m_childCountArray.push_back({ static_cast<int>(m_libFilesArray.size()), true });
    } else {
        auto self = categoryById(static_cast<int>(m_cid));
        m_childCountArray.push_back(self ? RowCount { self->count, self->hasChild } : RowCount { 0, true });
    }
    for (const auto& c : m_cataArr) {
        if (c == m_uncategorized) {
            RowCount uncategorized { 0, true };
            for (const auto& row : rows) {
                if (row->category_id == 0) {
                    uncategorized = { row->files_count, false };
                    break;
                }
            }
            m_childCountArray.push_back(uncategorized);
        } else {
            m_childCountArray.push_back(rowFor(c));
        }
    }
}

void LibraryCatalogController::updateParentCount(const CategoryRef& category)
{
    // The server's parent links may form a loop; each category carries its count up once.
    std::set<int> visited { category->categoryID };
    CategoryRef current = category;
    while (current) {
        auto parent = categoryById(current->parent_id);
        if (!parent || !visited.insert(parent->categoryID).second)
            return;
        const int amount = current->childCount != 0 ? current->childCount : current->count;
        parent->count += amount;
        parent->childCount = amount;
        parent->hasChild = true;
        if (parent->parent_id == 0)
            return;
        current = parent;
    }
}

int LibraryCatalogController::getFileNumberUnderCategory(int categoryId)
{
    auto data = DataAccessManager::sharedDataModel();
    std::set<int> visited;
    std::function<int(int)> count = [&](int id) -> int {
        if (!visited.insert(id).second)
            return 0;
        auto children = data->getLibSubCategoriesByParentCategoryID(id);
        if (children.empty())
            return static_cast<int>(data->getLibFilesBycatalogId(id).size());
        int total = 0;
        for (const auto& c : children)
            total += count(c->categoryID);
        return total;
    };
    return count(categoryId);
}

void LibraryCatalogController::reloadTableView()
{
    countData();
    if (m_catatable)
        m_catatable->reloadData();
}

void LibraryCatalogController::removeSelectFlag()
{
    reloadTableView();
    m_clickIndex = -1;
    m_selectRowValue = -1;
}

void LibraryCatalogController::deselectlibrarycatalog() { removeSelectFlag(); }

void LibraryCatalogController::selectTopCell(const std::shared_ptr<UITableView>& tableView)
{
    if (!tableView)
        return;
    const auto top = NSIndexPath::indexPathForRowInSection(0, 0);
    tableView->selectRowAtIndexPathAnimatedScrollPosition(top, false, UITableViewScrollPositionTop);
    if (auto delegate = tableView->delegate())
        delegate->tableViewDidSelectRowAtIndexPath(*tableView, top);
}

long LibraryCatalogController::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return static_cast<long>(m_cataArr.size()) + 1;
}

std::shared_ptr<UITableViewCell> LibraryCatalogController::tableViewCellForRowAtIndexPath(
    UITableView& tableView, const NSIndexPath& path)
{
    if (&tableView != m_catatable.get())
        return nullptr;
    auto cell = std::dynamic_pointer_cast<LibraryCatalogCell>(tableView.dequeueReusableCellWithIdentifier("Cell"));
    if (!cell)
        cell = LibraryCatalogCell::initWithStyleReuseIdentifier(UITableViewCellStyleDefault, "Cell");
    const long row = path.row();
    cell->setIsFirstLine(row == 0);
    RowCount counts;
    if (row < static_cast<long>(m_childCountArray.size()))
        counts = m_childCountArray[static_cast<size_t>(row)];
    if (row == 0) {
        cell->imgicon()->setHidden(true);
    } else if (static_cast<size_t>(row - 1) < m_cataArr.size()) {
        const auto& category = m_cataArr[static_cast<size_t>(row - 1)];
        if (category == m_uncategorized) {
            cell->lbTitle()->setText(text("UNCATEGORIZED"));
            cell->lbTitle()->setFont(UIFont::italicSystemFontOfSize(16));
            cell->lbcount()->setFont(UIFont::systemFontOfSize(16));
            cell->imgicon()->setHidden(true);
        } else {
            cell->lbTitle()->setText(trimmed(category->name));
            cell->lbTitle()->setFont(UIFont::systemFontOfSize(16));
            cell->lbcount()->setFont(UIFont::systemFontOfSize(16));
            cell->imgicon()->setHidden(!counts.child);
        }
    }
    cell->lbcount()->setText("(" + std::to_string(counts.count) + ")");
    cell->setSelectionStyle(UITableViewCellSelectionStyleGray);
    return cell;
}

void LibraryCatalogController::postDisplayCatalog()
{
    NSNotificationCenter::defaultCenter().postNotificationName(
        "display_catalog", Value(), Value(), protect<LibraryCatalogController>());
}

void LibraryCatalogController::setTitleAndBack(const std::string& title, bool back)
{
    if (m_catatitlelb)
        m_catatitlelb->setText(title);
    if (m_btnBack)
        m_btnBack->setHidden(!back);
}

void LibraryCatalogController::slideCells(CGFloat to, double duration, unsigned curve, std::function<void()> done)
{
    std::vector<std::shared_ptr<UITableViewCell>> cells;
    for (const auto& cell : m_catatable->visibleCells()) {
        auto path = m_catatable->indexPathForCell(*cell);
        if (path && path->row() != 0)
            cells.push_back(cell);
    }
    UIView::animateWithDuration(
        duration, 0, curve,
        [cells, to] {
            for (const auto& cell : cells) {
                CGRect f = cell->frame();
                f.origin.x = to;
                cell->setFrame(f);
            }
        },
        [done](bool) {
            if (done)
                done();
        });
}

void LibraryCatalogController::tableViewDidSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& path)
{
    const long row = path.row();
    if (row == m_selectRowValue)
        return;
    auto self = protect<LibraryCatalogController>();
    m_selectRowValue = row;
    auto data = DataAccessManager::sharedDataModel();
    if (row == 0) {
        auto current = data->getLibraryCategoryByCategoryid(static_cast<int>(m_cid));
        m_cname = current ? current->name : std::nullopt;
        if (m_cid != 0) {
            setTitleAndBack(trimmed(m_cname), true);
            m_clickIndex = m_cid;
        } else {
            if (m_catatitlelb)
                m_catatitlelb->setText(text("CATEGORY"));
            m_clickIndex = -1;
        }
        postDisplayCatalog();
        return;
    }
    if (static_cast<size_t>(row - 1) >= m_cataArr.size())
        return;
    const CategoryRef category = m_cataArr[static_cast<size_t>(row - 1)];
    auto children = category == m_uncategorized ? std::vector<CategoryRef> {} : subCategories(category->categoryID);
    if (!children.empty()) {
        m_clickIndex = category->categoryID;
        m_cid = static_cast<unsigned>(category->categoryID);
        m_cname = category->name;
        m_cataArr = children;
        std::weak_ptr<LibraryCatalogController> weak = self;
        slideCells(-243, 0.15, UIViewAnimationOptionCurveEaseIn, [weak] {
            auto s = weak.lock();
            if (!s || !s->m_catatable)
                return;
            s->postDisplayCatalog();
            const auto top = NSIndexPath::indexPathForRowInSection(0, 0);
            s->m_catatable->selectRowAtIndexPathAnimatedScrollPosition(top, false, UITableViewScrollPositionTop);
            s->m_selectRowValue = 0;
            s->setTitleAndBack(trimmed(s->m_cname), true);
            for (const auto& cell : s->m_catatable->visibleCells()) {
                auto p = s->m_catatable->indexPathForCell(*cell);
                if (p && p->row() != 0) {
                    CGRect f = cell->frame();
                    f.origin.x = 243;
                    cell->setFrame(f);
                }
            }
            s->slideCells(0, 0.15, UIViewAnimationOptionCurveEaseOut, nullptr);
        });
        return;
    }
    m_clickIndex = category->categoryID;
    if (category->parent_id != 0)
        setTitleAndBack(trimmed(m_cname), true);
    postDisplayCatalog();
    (void)tableView;
}

void LibraryCatalogController::backToParentCategory()
{
    auto self = protect<LibraryCatalogController>();
    auto data = DataAccessManager::sharedDataModel();
    const int parent = data->getLibParentCategoryIDByCategoryID(static_cast<int>(m_cid));
    m_cid = static_cast<unsigned>(parent);
    m_clickIndex = parent == 0 ? -1 : parent;
    auto category = data->getLibraryCategoryByCategoryid(parent);
    m_cname = category ? category->name : std::nullopt;
    m_cataArr = subCategories(parent);
    if (parent == 0)
        addUncategorized();
    m_selectRowValue = 0;
    std::weak_ptr<LibraryCatalogController> weak = self;
    slideCells(243, 0.15, UIViewAnimationOptionCurveEaseIn, [weak, parent] {
        auto s = weak.lock();
        if (!s || !s->m_catatable)
            return;
        s->postDisplayCatalog();
        const auto top = NSIndexPath::indexPathForRowInSection(0, 0);
        s->m_catatable->selectRowAtIndexPathAnimatedScrollPosition(top, false, UITableViewScrollPositionTop);
        for (const auto& cell : s->m_catatable->visibleCells()) {
            auto p = s->m_catatable->indexPathForCell(*cell);
            if (p && p->row() != 0) {
                CGRect f = cell->frame();
                f.origin.x = -243;
                cell->setFrame(f);
            }
        }
        s->slideCells(0, 0.15, UIViewAnimationOptionCurveEaseOut, nullptr);
        if (parent != 0)
            s->setTitleAndBack(trimmed(s->m_cname), true);
        else
            s->setTitleAndBack(text("CATEGORY"), false);
    });
}

void LibraryCatalogController::reloadlibrarycatalog(const NSNotification& notification)
{
    // Only the library grid posts this, with itself as the sender.
    if (!notification.sender || !m_catatable)
        return;
    auto grid = std::static_pointer_cast<LibraryDetailController>(notification.sender);
    auto self = protect<LibraryCatalogController>();
    const long remembered = m_catatable->indexPathForSelectedRow() ? m_catatable->indexPathForSelectedRow()->row() : 0;
    m_catatable->deselectRowAtIndexPathAnimated(NSIndexPath::indexPathForRowInSection(remembered, 0), false);
    m_libFilesArray = grid->catalogDisplayFileArray();
    m_tabIndex = grid->libraryTab();
    if (m_clickIndex != grid->selectedCategory() || m_selectRowValue != grid->selectedRow()) {
        postDisplayCatalog();
        return;
    }
    auto data = DataAccessManager::sharedDataModel();
    long target = m_selectRowValue;
    if (m_clickIndex == -1 || m_clickIndex == 0) {
        if (m_clickIndex == -1)
            target = 0;
        listTopLevel();
        setTitleAndBack(text("CATEGORY"), false);
    } else {
        const int k = static_cast<int>(m_clickIndex);
        auto children = subCategories(k);
        if (!children.empty()) {
            m_cid = static_cast<unsigned>(k);
            m_cataArr = children;
            auto category = data->getLibraryCategoryByCategoryid(k);
            m_cname = category ? category->name : std::nullopt;
            setTitleAndBack(trimmed(m_cname), true);
        } else {
            const int parent = data->getLibParentCategoryIDByCategoryID(k);
            m_cid = static_cast<unsigned>(parent);
            m_cataArr = subCategories(parent);
            if (parent == 0) {
                addUncategorized();
                setTitleAndBack(text("CATEGORY"), false);
            } else {
                auto category = data->getLibraryCategoryByCategoryid(parent);
                m_cname = category ? category->name : std::nullopt;
                setTitleAndBack(trimmed(m_cname), true);
            }
        }
    }
    reloadTableView();
    if (target >= 0 && target <= static_cast<long>(m_cataArr.size()))
        m_catatable->selectRowAtIndexPathAnimatedScrollPosition(
            NSIndexPath::indexPathForRowInSection(target, 0), false, UITableViewScrollPositionNone);
}

void LibraryCatalogController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    auto config = ConfigManager::sharedInstance();
    auto& flags = config->flagDic();
    auto flag = flags.find("Needreloadlibrary");
    if (flag == flags.end() || flag->second != "YES")
        return;
    auto self = protect<LibraryCatalogController>();
    SaleslibraryModel::sharedInstance()->loadExistsFiles();
    m_cataArr = subCategories(0);
    addUncategorized();
    m_libFilesArray = DataAccessManager::sharedDataModel()->getAllLibFiles();
    flags["Needreloadlibrary"] = "NO";
    removeSelectFlag();
    reloadTableView();
    selectTopCell(m_catatable);
}

void LibraryCatalogController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_catatitlelb)
        m_catatitlelb->setText(text("CATEGORY"));
    if (!m_catatable)
        return;
    const long row = m_catatable->indexPathForSelectedRow() ? m_catatable->indexPathForSelectedRow()->row() : 0;
    reloadTableView();
    const auto path = NSIndexPath::indexPathForRowInSection(row, 0);
    m_catatable->deselectRowAtIndexPathAnimated(path, false);
    m_catatable->selectRowAtIndexPathAnimatedScrollPosition(path, false, UITableViewScrollPositionNone);
}

void LibraryCatalogController::viewDidUnload()
{
    BaseViewController::viewDidUnload();
    m_catatable.reset();
    m_tableimgbg.reset();
    m_catatitlebg.reset();
    m_catatitlelb.reset();
}

void LibraryCatalogController::hightVersionViewDidUnload()
{
    if (isViewLoaded() && view()->window())
        return;
    viewDidUnload();
}
