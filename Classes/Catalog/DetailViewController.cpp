#include "Classes/Catalog/DetailViewController.h"

#include "Classes/Catalog/CatalogLayOut.h"
#include "Classes/Catalog/DetailCell.h"
#include "Classes/Catalog/MasterViewController.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"

#include <algorithm>
#include <cstring>

namespace {

std::string g_currentTitle;
CGPoint g_panStartPoint = CGPointZero;

std::optional<std::string> badgeText(unsigned pieces)
{
    return pieces ? std::optional<std::string>(std::to_string(pieces)) : std::nullopt;
}

double effectivePrice(const corvelle_product_price_Entity& price)
{
    return price.discount_flag ? price.discount_price : price.price;
}

// Plain string comparison: byte order, an absent text as the empty one.
bool textBefore(const std::optional<std::string>& a, const std::optional<std::string>& b)
{
    return a.value_or(std::string()) < b.value_or(std::string());
}

}  // namespace

std::string DetailViewController::getCurrentTitle() { return g_currentTitle; }

bool DetailViewController::isSplitMode()
{
    return ConfigManager::sharedInstance()->leftPanelType() == std::optional<std::string>("normal");
}

CGRect DetailViewController::gridFrameForLeftPanel()
{
    return isSplitMode() ? CGRectMake(250, 0, 774, 638) : CGRectMake(0, 0, 1024, 638);
}

DetailViewController::~DetailViewController() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void DetailViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    if (!m_orderPath)
        m_orderPath = TileAddToOrder::forScreen(protect<DetailViewController>(), 0);
    view()->setFrame(CGRectMake(0, 0, 1024, 638));
    auto weak = weakSelf<DetailViewController>();
    m_productShowView = std::make_shared<GridView>(gridFrameForLeftPanel());
    m_productShowView->setAlwaysBounceVertical(true);
    m_productShowView->setDataSource(std::static_pointer_cast<GridViewDataSource>(weak.lock()));
    m_productShowView->setDelegate(std::static_pointer_cast<GridViewDelegate>(weak.lock()));
    view()->addSubview(m_productShowView);
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void DetailViewController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    g_currentTitle = text("TAG");
    m_productArray.clear();
    m_sortType = 0;
    m_priceDic.clear();
    auto weak = weakSelf<DetailViewController>();
    auto& center = NSNotificationCenter::defaultCenter();
    auto observe = [&](const char* name, std::function<void(DetailViewController&, const NSNotification&)> handler) {
        center.addObserver(this, name, [weak, handler](const NSNotification& n) {
            if (auto self = weak.lock())
                handler(*self, n);
        });
    };
    observe("displayFourColumn", [](DetailViewController& s, const NSNotification& n) {
        s.getImgShowData(static_cast<int>(n.object.integerValue()));
    });
    observe("refushRightData", [](DetailViewController& s, const NSNotification& n) { s.refushRightData(n.object); });
    observe("switchProductStyle", [](DetailViewController& s, const NSNotification&) { s.switchProductStyle(); });
    observe("SORT_PRODUCT", [](DetailViewController& s, const NSNotification& n) {
        s.sortproduct(static_cast<int>(n.object.integerValue()));
    });
    observe("changeTitleToTags", [](DetailViewController& s, const NSNotification&) { s.m_tagTitle = text("TAG"); });
    observe("changeisAllState", [](DetailViewController& s, const NSNotification&) { s.m_isTagsALL = true; });
    observe("refushAllproductsEntity", [](DetailViewController& s, const NSNotification&) {
        s.m_productArray.clear();
        s.getAllproductsEntity(0);
        s.sorteProductArry();
        s.showAllImageCell();
    });
    auto pan = std::make_shared<UIPanGestureRecognizer>([weak](UIGestureRecognizer& g) {
        if (auto self = weak.lock())
            self->panMove(static_cast<UIPanGestureRecognizer&>(g));
    });
    pan->maximumNumberOfTouches = 1;
    view()->addGestureRecognizer(pan);
    m_panDistance = 0;
    center.postNotificationName("displayFourColumn", Value::integer(0));
}

void DetailViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    for (const auto& cell : m_productShowView->visibleCells())
        if (auto tile = std::dynamic_pointer_cast<DetailCell>(cell))
            tile->reloadCellProdectPrice();
    refreshItemNumberBadges();
    m_productShowView->reloadData();
}

void DetailViewController::viewDidUnload()
{
    BaseViewController::viewDidUnload();
    m_productShowView.reset();
    m_priceDic.clear();
}

void DetailViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    g_currentTitle = text("TAG");
    if (m_lblTitle)
        m_tagTitle = m_lblTitle->text();
}

void DetailViewController::popToGrid()
{
    if (auto navigation = navigationController())
        navigation->popToRootViewControllerAnimated(true);
}

void DetailViewController::getImgShowData(int categoryId)
{
    popToGrid();
    if (MasterViewController::getCurrentState() == 0 || m_isTagsALL) {
        m_productArray.clear();
        getAllproductsEntity(categoryId);
        m_isTagsALL = false;
    }
    sorteProductArryBy(m_sortType);
    auto category = DataAccessManager::sharedDataModel()->getCategoryWithCategoryid(categoryId);
    std::string name = category ? category->category_name.value_or(std::string()) : std::string();
    if (categoryId == 0 && name.empty())
        name = text("CATALOG_");
    if (m_lblTitle) {
        m_lblTitle->setText(MasterViewController::getCurrentState() == 1 ? m_tagTitle : name);
        m_tagTitle = m_lblTitle->text();
    }
    showAllImageCell();
}

void DetailViewController::getAllproductsEntity(int categoryId)
{
    std::unordered_set<int> listed;
    for (const auto& product : m_productArray)
        listed.insert(product->product_id);
    std::set<int> visited { categoryId };
    collect(categoryId, visited, listed);
}

void DetailViewController::collect(int categoryId, std::set<int>& visited, std::unordered_set<int>& listed)
{
    auto data = DataAccessManager::sharedDataModel();
    auto append = [&](const EntityList<corvelle_product_Entity>& products) {
        for (const auto& product : products)
            if (listed.insert(product->product_id).second)
                m_productArray.push_back(product);
    };
    if (categoryId == 0) {
        append(data->getAllProducts());
        return;
    }
    auto subs = data->getCategoryWithParentCategoryid(categoryId);
    if (subs.empty()) {
        append(data->getProductsByCategory_id(categoryId));
        return;
    }
    for (const auto& sub : subs) {
        if (!visited.insert(sub->category_id).second)
            continue;  // a cycle in the parent links
        auto direct = data->getProductsByCategory_id(sub->category_id);
        if (!direct.empty())
            append(direct);
        else
            collect(sub->category_id, visited, listed);
    }
}

void DetailViewController::refushRightData(const Value& object)
{
    popToGrid();
    m_productArray.clear();
    std::string title = text("TAG");
    if (object.isDictionary()) {
        auto all = DataAccessManager::sharedDataModel()->getAllProducts();
        for (const auto& [tag, ids] : object.dictionaryValue()) {
            g_currentTitle = tag;
            title = tag;
            std::unordered_set<int> wanted;
            for (const auto& id : ids.arrayValue())
                wanted.insert(static_cast<int>(id.integerValue()));
            for (const auto& product : all)
                if (wanted.count(product->product_id))
                    m_productArray.push_back(product);
        }
    }
    sorteProductArryBy(m_sortType);
    m_tagTitle = title;
    if (m_lblTitle)
        m_lblTitle->setText(title);
    showAllImageCell();
}

void DetailViewController::switchProductStyle()
{
    if (m_lblTitle)
        m_lblTitle->setText(m_tagTitle);
    if (!isSplitMode())
        showAllImageCell();
}

void DetailViewController::sortproduct(int type)
{
    sorteProductArryBy(type);
    m_sortType = type;
    showAllImageCell();
}

void DetailViewController::sorteProductArryBy(int type)
{
    m_priceDic.clear();
    EntityList<corvelle_product_Entity> sorted = m_productArray;
    switch (type) {
    case 0:
        std::stable_sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return textBefore(a->product_name, b->product_name); });
        break;
    case 1:
        std::stable_sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return textBefore(a->product_sku, b->product_sku); });
        break;
    case 2: {
        auto data = DataAccessManager::sharedDataModel();
        // Every product's price in one read, each then sorted beside its product.
        std::vector<int> ids;
        ids.reserve(sorted.size());
        for (const auto& product : sorted)
            ids.push_back(product->product_id);
        auto prices = data->getPriceEntitiesByProductIds(ids);
        std::vector<std::pair<double, std::shared_ptr<corvelle_product_Entity>>> keyed;
        keyed.reserve(sorted.size());
        for (const auto& product : sorted) {
            auto& price = prices[product->product_id];
            if (!price)
                price = std::make_shared<corvelle_product_price_Entity>();
            keyed.emplace_back(effectivePrice(*price), product);
        }
        // The prices read are the ones the cells show: kept as read, one per listed product.
        m_priceDic = std::move(prices);
        std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 0; i < keyed.size(); ++i)
            sorted[i] = std::move(keyed[i].second);
        break;
    }
    default:
        break;
    }
    m_productArray = std::move(sorted);
}

void DetailViewController::sorteProductArry() { sorteProductArryBy(0); }

void DetailViewController::showAllImageCell()
{
    popToGrid();
    refreshItemNumberBadges();
    m_productShowView->reloadData();
    if (!m_productArray.empty())
        m_productShowView->scrollToItemAtIndexAtScrollPositionAnimated(0, GridViewScrollPositionTop, false);
}

void DetailViewController::refreshItemNumberBadges()
{
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    for (const auto& product : m_productArray)
        store->getItemNumberInOrder(*product);
}

NSUInteger DetailViewController::numberOfItemsInGridView(GridView&) { return m_productArray.size(); }

std::shared_ptr<GridViewCell> DetailViewController::gridViewCellForItemAtIndex(GridView& grid, NSUInteger index)
{
    auto tile = std::dynamic_pointer_cast<DetailCell>(grid.dequeueReusableCellWithIdentifier("cv_catalog_cell"));
    if (!tile) {
        tile = DetailCell::initWithFrameReuseIdentifier(CGRectMake(0, 0, 200, 212), "cv_catalog_cell");
        tile->setSelectionStyle(GridViewCellSelectionStyleNone);
    }
    tile->setTag(kTileTagBase + static_cast<long>(index));
    if (index >= m_productArray.size())
        return tile;
    const auto& product = *m_productArray[index];
    auto data = DataAccessManager::sharedDataModel();
    auto image = data->getImageByKeyId(product.product_id);
    tile->setImagename(image ? image->image_thumb_address : std::nullopt);
    tile->productImageView()->setAlpha(1);
    tile->productImageView()->setBackgroundColor(UIColor::clearColor());
    tile->loadImageAsyncWihtAnimation(PublicFunction::getDeviceVersion() >= 5);
    tile->catalogNameLabel()->setText(product.product_name.value_or(std::string()));
    tile->setProductId(product.product_id);
    auto known = m_priceDic.find(product.product_id);
    tile->setPriceEntity(
        known != m_priceDic.end() ? known->second : data->getPriceEntityByProductId(product.product_id));
    tile->skuContentLabel()->setText(product.product_sku.value_or(std::string()));
    tile->setBadgeValueAnimated(badgeText(product.itemNumberInOrder), false);
    tile->setDetailDelegate(weakSelf<DetailViewController>());
    return tile;
}

std::shared_ptr<DetailCell> DetailViewController::tileAt(long index) const
{
    return std::dynamic_pointer_cast<DetailCell>(m_productShowView->cellForItemAtIndex(static_cast<NSUInteger>(index)));
}

void DetailViewController::didSelectedImage(const std::shared_ptr<DetailCell>& cell)
{
    if (!cell)
        return;
    cell->productImageView()->setAlpha(0.4);
    cell->productImageView()->setBackgroundColor(PublicFunction::colorOfMainTheme());
    const long index = cell->tag() - kTileTagBase;
    if (index < 0 || static_cast<size_t>(index) >= m_productArray.size())
        return;
    if (auto d = detailViewDelegate())
        d->productCellClicked();
    const auto& product = m_productArray[static_cast<size_t>(index)];
    if (m_lblTitle)
        m_lblTitle->setText(stringWithFormat("%@  ( %d / %d )", product->product_name.value_or(std::string()),
            static_cast<int>(index + 1), static_cast<int>(m_productArray.size())));
    if (auto navigation = navigationController())
        navigation->pushViewControllerAnimated(CatalogLayOut::productDetail(m_productArray, index), true);
}

void DetailViewController::addToOrder(const std::shared_ptr<DetailCell>& cell)
{
    if (cell && m_orderPath)
        m_orderPath->addFromTile(cell->tag() - kTileTagBase);
}

std::shared_ptr<corvelle_product_Entity> DetailViewController::orderProductAt(long index) const
{
    if (index < 0 || static_cast<size_t>(index) >= m_productArray.size())
        return nullptr;
    return m_productArray[static_cast<size_t>(index)];
}

void DetailViewController::recountOrderBadges()
{
    refreshItemNumberBadges();
    if (m_productShowView)
        m_productShowView->reloadData();
}

void DetailViewController::panMove(UIPanGestureRecognizer& pan)
{
    const auto state = pan.state();
    if (state == UIGestureRecognizerStateBegan)
        g_panStartPoint = pan.locationInView(m_productShowView);
    if ((state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateChanged) && m_panDistance > -100
        && m_panDistance < 100) {
        // The whole translation so far is added at every event.
        m_panDistance += static_cast<float>(pan.translationInView(view().get()).x);
        return;
    }
    if (m_panDistance <= 100 && m_panDistance >= -100) {
        m_panDistance = 0;
        return;
    }
    const bool hide = m_panDistance < -100;
    if (auto d = detailViewDelegate())
        d->setMasterViewHiddedBeginPoint(hide, g_panStartPoint);
    m_panDistance = 0;
}
