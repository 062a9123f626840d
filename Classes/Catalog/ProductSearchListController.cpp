#include "Classes/Catalog/ProductSearchListController.h"

#include "Classes/Catalog/SearchProductCell.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Database/DataAccessManager.h"

void ProductSearchListController::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    // The catalogue hands the results over before the popover loads this view,
    // so the first load keeps them rather than starting from an empty list.
    m_bViewHasLoad = true;
}

long ProductSearchListController::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return m_searchProductArray.empty() ? 1 : static_cast<long>(m_searchProductArray.size());
}

std::shared_ptr<UITableViewCell> ProductSearchListController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    const std::string reuseId = "Cell";
    if (m_searchProductArray.empty()) {
        // A product row may come back from the queue; the "no result" row is a plain subtitle cell.
        auto cell = table.dequeueReusableCellWithIdentifier(reuseId);
        if (!cell || std::dynamic_pointer_cast<SearchProductCell>(cell))
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, reuseId);
        cell->textLabel()->setText(Language::stringOrKey("NORESULT"));
        cell->detailTextLabel()->setText("");
        cell->setAccessoryType(UITableViewCellAccessoryNone);
        return cell;
    }
    auto cell = std::dynamic_pointer_cast<SearchProductCell>(table.dequeueReusableCellWithIdentifier(reuseId));
    if (!cell)
        cell = std::make_shared<SearchProductCell>(UITableViewCellStyleDefault, reuseId);
    const auto& product = *m_searchProductArray[static_cast<size_t>(path.row())];
    auto image = DataAccessManager::sharedDataModel()->getImageByKeyId(product.product_id);
    PublicFunction::ImageViewSetImgImg(cell->searchImageView(),
        PublicFunction::getLocalImageFiletype(
            image && image->image_thumb_address ? *image->image_thumb_address : "", 1));
    cell->productName()->setText(product.product_name.value_or(""));
    cell->productSKU()->setText(product.product_sku.value_or(""));
    cell->setProductId(product.product_id);
    cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    return cell;
}

void ProductSearchListController::tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path)
{
    auto keep = protect<ProductSearchListController>();
    const long row = path.row();
    if (!m_searchProductArray.empty() && row >= 0 && row < static_cast<long>(m_searchProductArray.size())) {
        if (auto d = delegate())
            d->didselectSearchResultIndex(m_searchProductArray[static_cast<size_t>(row)], row);
    }
    table.deselectRowAtIndexPathAnimated(path, true);
}
