#include "Classes/Catalog/TagsLeftView.h"

#include "Classes/Catalog/ProductBigCatalog.h"

#include <algorithm>
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"

std::shared_ptr<TagsLeftView> TagsLeftView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<TagsLeftView>(frame);
    view->setUp();
    return view;
}

TagsLeftView::TagsLeftView(CGRect frame)
    : UIView(frame)
{
}

TagsLeftView::~TagsLeftView() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void TagsLeftView::setUp()
{
    auto self = protect<TagsLeftView>();
    m_tableView = std::make_shared<UITableView>(CGRectMake(0, 0, frame().size.width, frame().size.height));
    m_tableView->setDelegate(std::static_pointer_cast<UITableViewDelegate>(self));
    m_tableView->setDataSource(std::static_pointer_cast<UITableViewDataSource>(self));
    m_tableView->setBackgroundColor(UIColor::clearColor());
    m_tableView->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    setBackgroundColor(UIColor::clearColor());
    addSubview(m_tableView);
    std::weak_ptr<TagsLeftView> weak = self;
    NSNotificationCenter::defaultCenter().addObserver(
        this, "didSelectToFromNotification", [weak](const NSNotification& n) {
            if (auto view = weak.lock(); view && n.object.isString())
                view->didSelectToFromNotification(n.object.stringValue());
        });
}

void TagsLeftView::setDataArray(std::vector<std::shared_ptr<corvelle_tag_entity>> tags)
{
    m_selectRow = -1;
    m_dataArray = std::move(tags);
    sortDataWithTags();
}

void TagsLeftView::sortDataWithTags()
{
    m_sortDict.clear();
    m_sortedNames.clear();
    for (const auto& tag : m_dataArray)
        m_sortDict[tag->tag_name.value_or("")] = tag;
    // The map keeps its keys in byte order, the order a plain compare gives.
    for (const auto& entry : m_sortDict)
        m_sortedNames.push_back(entry.first);
    m_tableView->reloadData();
}

std::shared_ptr<UITableViewCell> TagsLeftView::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = std::dynamic_pointer_cast<ProductBigCatalog>(table.dequeueReusableCellWithIdentifier("TagsCell"));
    if (!cell)
        cell = std::make_shared<ProductBigCatalog>(UITableViewCellStyleDefault, std::string("TagsCell"));
    const std::string& name = m_sortedNames[static_cast<size_t>(path.row())];
    cell->lbTitle()->setText(NSString::stringByTrimmingCharactersInSet(name, CharacterSet::whitespaceAndNewline));
    const auto& tag = m_sortDict[name];
    cell->lbcount()->setText(stringWithFormat("(%d)", static_cast<int>(tag->products.size())));
    cell->setSelectionStyle(UITableViewCellSelectionStyleGray);
    return cell;
}

void TagsLeftView::tellDelegate(int row)
{
    auto target = delegate();
    if (!target)
        return;
    const auto& tag = m_sortDict[m_sortedNames[static_cast<size_t>(row)]];
    target->didSelectDelegateWithTagName(tag->products, tag->tag_name.value_or(""));
}

void TagsLeftView::tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    const int row = static_cast<int>(path.row());
    if (!delegate() || row == m_selectRow || row < 0 || row >= static_cast<int>(m_sortedNames.size()))
        return;
    m_selectRow = row;
    tellDelegate(row);
}

void TagsLeftView::didSelectToFromNotification(const std::string& name)
{
    auto found = std::find(m_sortedNames.begin(), m_sortedNames.end(), name);
    if (found == m_sortedNames.end())
        return;
    const int index = static_cast<int>(found - m_sortedNames.begin());
    if (!delegate() || index == m_selectRow)
        return;
    m_selectRow = index;
    const auto path = NSIndexPath::indexPathForRowInSection(index, 0);
    m_tableView->selectRowAtIndexPathAnimatedScrollPosition(path, false, UITableViewScrollPositionTop);
    tellDelegate(index);
}

void TagsLeftView::resetData()
{
    if (m_selectRow >= 0 && m_selectRow < static_cast<int>(m_sortedNames.size()))
        tellDelegate(m_selectRow);
}
