#include "Classes/Library/librarySearchViewcontroller.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Library/LibrarySearchCell.h"
#include "Classes/Library/LibraryText.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/UIKit/UILabel.h"

void librarySearchViewcontroller::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    if (m_bViewHasLoad)
        return;
    m_bViewHasLoad = true;
    m_searchFilestArray.clear();
}

long librarySearchViewcontroller::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return m_searchFilestArray.empty() ? 1 : static_cast<long>(m_searchFilestArray.size());
}

std::string librarySearchViewcontroller::shownDate(const std::optional<std::string>& date)
{
    if (!date)
        return std::string();
    const std::string dayFormat = PublicFunction::getFormateString();
    NSDateFormatter reader(dayFormat + " HH:mm:ss");
    auto parsed = reader.dateFromString(*date);
    if (!parsed)
        return std::string();
    return NSDateFormatter(dayFormat).stringFromDate(*parsed);
}

std::shared_ptr<UITableViewCell> librarySearchViewcontroller::tableViewCellForRowAtIndexPath(
    UITableView& tableView, const NSIndexPath& path)
{
    if (m_searchFilestArray.empty()) {
        auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, std::string("NoResult"));
        cell->textLabel()->setText(text("NORESULT"));
        cell->detailTextLabel()->setText(std::string());
        cell->setAccessoryType(UITableViewCellAccessoryNone);
        return cell;
    }
    auto cell = std::dynamic_pointer_cast<LibrarySearchCell>(
        tableView.dequeueReusableCellWithIdentifier("LibrarySearchCell"));
    if (!cell)
        cell = LibrarySearchCell::initWithStyleReuseIdentifier(UITableViewCellStyleSubtitle, "LibrarySearchCell");
    const size_t row = static_cast<size_t>(path.row());
    if (row >= m_searchFilestArray.size())
        return cell;
    const auto& file = *m_searchFilestArray[row];
    auto cover = DataAccessManager::sharedDataModel()->getCoverImageByFileName(file.file_name);
    const int type = LibraryText::typeCodeOf(file.type);
    PublicFunction::ImageViewSetImgImg(
        cell->imageView(), PublicFunction::getLocalImageFiletype(cover.value_or(std::string()), type));
    cell->dateContentLabel()->setText(shownDate(file.date));
    cell->fileNameContentLabel()->setText(file.title.value_or(std::string()));
    cell->infoContentLabel()->setText(file.infoShow());
    if (file.type == std::optional<std::string>("VEDIO")) {
        cell->durationContentLabel()->setText(file.duration());
        cell->setDurationVisiable(true);
    } else {
        cell->setDurationVisiable(false);
    }
    return cell;
}

void librarySearchViewcontroller::tableViewDidSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& path)
{
    const size_t row = static_cast<size_t>(path.row());
    if (!m_searchFilestArray.empty() && row < m_searchFilestArray.size()) {
        if (auto d = delegate())
            d->didselectSearchResult(m_searchFilestArray[row]);
    }
    tableView.deselectRowAtIndexPathAnimated(path, true);
}
