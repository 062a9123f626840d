#include "Classes/Customer/CustomerTable.h"

#include "Classes/Customer/CustomerListCell.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/Pinyin.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/TextEncoding.h"
#include "Platform/UIKit/UIColor.h"

#include <algorithm>

namespace {

const char* const kOtherGroup = "#";

// The pinyin spelling of a text: each Chinese character its syllable, other
// characters but white space kept.
std::string pinyinOf(const std::string& text)
{
    static const NSStringEncoding gb18030 = CFStringConvertEncodingToNSStringEncoding(kCFStringEncodingGB_18030_2000);
    auto bytes = TextEncoding::encode(text, gb18030);
    if (!bytes)
        return std::string();
    return GBKStringToPinyin(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

bool isAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The first character of a UTF-8 text.
std::string firstCharacter(const std::string& text)
{
    if (text.empty())
        return text;
    const auto lead = static_cast<unsigned char>(text[0]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return text.substr(0, std::min(length, text.size()));
}

size_t characterCount(const std::string& text)
{
    size_t count = 0;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

// A group key; anything that does not begin with a letter goes to "#" (a
// digit, a mark, a blank, or a name without any spelling).
std::string keyOf(const std::string& text)
{
    if (text.empty())
        return kOtherGroup;
    const auto first = static_cast<unsigned char>(text[0]);
    if (first < 0x80 && !isAsciiLetter(first))
        return kOtherGroup;
    return text;
}

// The upper-cased initial of the pinyin spelling.
std::string initialKey(const std::string& text)
{
    const std::string spelled = pinyinOf(text);
    if (spelled.empty() || !isAsciiLetter(static_cast<unsigned char>(spelled[0])))
        return kOtherGroup;
    return NSString::uppercaseString(spelled.substr(0, 1));
}

const std::string* attributeValue(const PersonInfo& person, const char* field)
{
    const std::string* value = nullptr;
    if (person.attribute) {
        for (const auto& a : *person.attribute) {
            if (a && a->fieldName && *a->fieldName == field)
                value = a->attributeValue ? &*a->attributeValue : nullptr;  // the last one wins
        }
    }
    return value;
}

bool isBlank(const std::optional<std::string>& text)
{
    return !text || NSString::stringByTrimmingCharactersInSet(*text, CharacterSet::whitespace).empty();
}

std::shared_ptr<CustomerInfoList> groupFor(CustomerTable::GroupDictionary& groups, const std::string& key)
{
    auto& group = groups[key];
    if (!group) {
        group = std::make_shared<CustomerInfoList>();
        group->prefex = key;
        group->opened = true;
    }
    return group;
}

// "#" last; the others in the order of `less`.
template <typename Less>
void orderGroups(const CustomerTable::GroupDictionary& groups, CustomerTable::GroupOrder& order, Less less)
{
    order.clear();
    std::vector<std::string> keys;
    keys.reserve(groups.size());
    for (const auto& [key, group] : groups) {
        if (key != kOtherGroup)
            keys.push_back(key);
    }
    std::stable_sort(keys.begin(), keys.end(), less);
    for (const auto& key : keys)
        order.push_back(groups.at(key));
    if (auto other = groups.find(kOtherGroup); other != groups.end())
        order.push_back(other->second);
}

std::shared_ptr<UIColor> hiddenColor() { return UIColor::grayColor(); }

}  // namespace

CustomerTable::CustomerTable()
    : UITableViewController(UITableViewStylePlain)
{
}

void CustomerTable::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    m_customerdic.clear();
    m_arraypersons.clear();
    m_customerlist.clear();
    m_section = m_row = -1;
    m_selectContactRow = m_selectContactSection = -1;
    m_selectedPID = 0;
}

void CustomerTable::buildGroups(
    const std::vector<std::shared_ptr<PersonInfo>>& persons, int type, GroupDictionary& groups, GroupOrder& order)
{
    groups.clear();
    order.clear();
    if (type == 1) {
        for (const auto& person : persons) {
            if (!person->contact || person->contact->empty()) {
                auto row = std::make_shared<ContactMode>();
                row->lastName = person->name.value_or(std::string());
                row->personInfo = person->copy();
                groupFor(groups, kOtherGroup)->arrayPersons.push_back(row);
                continue;
            }
            for (const auto& contact : *person->contact) {
                auto row = std::make_shared<ContactMode>();
                row->fristName = contact ? contact->first_name.value_or(std::string()) : std::string();
                row->lastName = contact ? contact->last_name.value_or(std::string()) : std::string();
                row->personInfo = person->copy();
                groupFor(groups, initialKey(row->lastName))->arrayPersons.push_back(row);
            }
        }
        orderGroups(groups, order, [](const std::string& a, const std::string& b) { return a < b; });
        return;
    }

    // Keys longer than one character (states) sort by their spelling.
    std::map<std::string, std::string> spelling;
    for (const auto& person : persons) {
        std::string key;
        if (type == 2) {
            const std::string* state = attributeValue(*person, "State/Province/Region");
            key = keyOf(state ? *state : std::string());
        } else if (type == 3) {
            const std::string* phone = attributeValue(*person, "Phone");
            if (!phone || phone->empty() || isBlank(person->name))
                continue;
            key = keyOf(NSString::uppercaseString(firstCharacter(*person->name)));
        } else {
            if (isBlank(person->name))
                continue;
            key = initialKey(*person->name);
        }
        auto group = groupFor(groups, key);
        group->arrayPersons.push_back(person->copy());
        if (group->arrayPersons.size() == 1)
            spelling[key] = characterCount(key) <= 1 ? key : pinyinOf(key);
    }
    orderGroups(groups, order, [&spelling](const std::string& a, const std::string& b) {
        const std::string& sa = spelling.at(a);
        const std::string& sb = spelling.at(b);
        return sa != sb ? sa < sb : a < b;
    });
}

void CustomerTable::RefrashByType(int type)
{
    m_section = m_row = -1;
    m_customerdic.clear();
    m_arraypersons.clear();
    m_customerlist.clear();
    m_arraypersons.reserve(m_allcustomerdic.size());
    for (const auto& [id, row] : m_allcustomerdic)
        m_arraypersons.push_back(makePersonInfo(id, row));
    groupPersonsBy(type);
}

void CustomerTable::groupPersonsBy(int type)
{
    m_section = m_row = -1;
    m_currentSoryByType = type;
    buildGroups(m_arraypersons, type == 1 || type == 2 || type == 3 ? type : 0, m_customerdic, m_customerlist);
    if (m_customerlist.empty() && type != 0)
        buildGroups(m_arraypersons, 0, m_customerdic, m_customerlist);
    if (type == 1) {
        m_selectContactRow = m_selectContactSection = -1;
        tableView()->reloadData();
        return;
    }
    tableView()->reloadData();
    refreshFocus();
}

std::shared_ptr<CustomerInfoList> CustomerTable::groupAt(long section) const
{
    if (section < 0 || section >= static_cast<long>(m_customerlist.size()))
        return nullptr;
    return m_customerlist[static_cast<size_t>(section)];
}

std::shared_ptr<PersonInfo> CustomerTable::personAt(const NSIndexPath& path) const
{
    auto group = groupAt(path.section());
    if (!group || path.row() < 0 || path.row() >= static_cast<long>(group->arrayPersons.size()))
        return nullptr;
    return personOfGroupRow(group->arrayPersons[static_cast<size_t>(path.row())]);
}

long CustomerTable::numberOfSectionsInTableView(UITableView&) { return static_cast<long>(m_customerlist.size()); }

long CustomerTable::tableViewNumberOfRowsInSection(UITableView&, long section)
{
    auto group = groupAt(section);
    return group && group->opened ? static_cast<long>(group->arrayPersons.size()) : 0;
}

std::shared_ptr<UITableViewCell> CustomerTable::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = std::dynamic_pointer_cast<CustomerListCell>(table.dequeueReusableCellWithIdentifier("Cell"));
    if (!cell)
        cell = std::make_shared<CustomerListCell>(UITableViewCellStyleSubtitle, std::string("Cell"));
    auto group = groupAt(path.section());
    if (!group || path.row() >= static_cast<long>(group->arrayPersons.size()))
        return cell;
    const GroupRow& row = group->arrayPersons[static_cast<size_t>(path.row())];
    auto person = personOfGroupRow(row);
    const bool hidden = person && person->hidden;
    auto normal = hidden ? hiddenColor() : CustomerListCell::nameColor();
    if (auto contact = std::get_if<std::shared_ptr<ContactMode>>(&row)) {
        cell->setFristNameWithLastName((*contact)->fristName, (*contact)->lastName);
        const bool chosen = path.row() == m_selectContactRow && path.section() == m_selectContactSection;
        cell->setFristNameLastNameColor(chosen ? UIColor::whiteColor() : normal);
        cell->setNormalColor(normal);
    } else {
        cell->setCellValue(person ? person->name : std::nullopt);
        const bool chosen = person && person->pid == m_selectedPID;
        cell->lbcustomer_name()->setTextColor(chosen ? UIColor::whiteColor() : normal);
        cell->setNormalColor(normal);
    }
    cell->tagLocal()->setTitleForState(Language::stringOrKey("LOCAL"), UIControlStateNormal);
    cell->tagLocal()->setHidden(!(person && person->pid && *person->pid < 0));
    return cell;
}

std::shared_ptr<UIView> CustomerTable::tableViewViewForHeaderInSection(UITableView& table, long section)
{
    auto group = groupAt(section);
    if (!group)
        return nullptr;
    return SectionHeaderView::make(CGRectMake(0, 0, table.bounds().size.width, kHeaderHeight), group->prefex,
        static_cast<int>(section), group->opened,
        std::static_pointer_cast<SectionHeaderViewDelegate>(weakSelf<CustomerTable>().lock()));
}

void CustomerTable::tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path)
{
    auto self = protect<CustomerTable>();
    auto listener = m_delegate.lock();
    if (listener)
        listener->resignSearchBar();
    auto group = groupAt(path.section());
    if (!group || path.row() >= static_cast<long>(group->arrayPersons.size()))
        return;
    const GroupRow& row = group->arrayPersons[static_cast<size_t>(path.row())];
    std::shared_ptr<PersonInfo> person;
    std::optional<std::string> fristName, lastName;
    if (auto contact = std::get_if<std::shared_ptr<ContactMode>>(&row); contact && m_currentSoryByType == 1) {
        person = (*contact)->personInfo;
        m_selectContactRow = static_cast<int>(path.row());
        m_selectContactSection = static_cast<int>(path.section());
        fristName = (*contact)->fristName;
        lastName = (*contact)->lastName;
    } else {
        person = personOfGroupRow(row);
        if (person && person->pid)
            m_selectedPID = *person->pid;
    }
    if (listener && person)
        listener->changedCustomerFirstNameLastName(person, fristName, lastName);
    if (auto cell = std::dynamic_pointer_cast<CustomerListCell>(table.cellForRowAtIndexPath(path))) {
        cell->lbcustomer_name()->setTextColor(UIColor::whiteColor());
        cell->setFristNameLastNameColor(UIColor::whiteColor());
    }
    m_section = static_cast<int>(path.section());
    m_row = static_cast<int>(path.row());
}

void CustomerTable::colourRow(const NSIndexPath& path, bool selected)
{
    auto cell = std::dynamic_pointer_cast<CustomerListCell>(tableView()->cellForRowAtIndexPath(path));
    if (!cell)
        return;
    auto person = personAt(path);
    auto color
        = selected ? UIColor::whiteColor() : (person && person->hidden ? hiddenColor() : CustomerListCell::nameColor());
    cell->lbcustomer_name()->setTextColor(color);
    cell->setFristNameLastNameColor(color);
}

void CustomerTable::tableViewDidDeselectRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    colourRow(path, false);
    m_section = m_row = -1;
}

void CustomerTable::desSelected()
{
    if (m_section < 0 || m_row < 0)
        return;
    const auto path = NSIndexPath::indexPathForRowInSection(m_row, m_section);
    tableView()->deselectRowAtIndexPathAnimated(path, false);
    colourRow(path, false);
}

void CustomerTable::expandGroup(long section)
{
    auto group = groupAt(section);
    if (!group)
        return;
    if (!group->opened) {
        // Rows of a collapsed group are out of the table: put them back first.
        group->opened = true;
        std::vector<NSIndexPath> rows;
        for (size_t i = 0; i < group->arrayPersons.size(); ++i)
            rows.push_back(NSIndexPath::indexPathForRowInSection(static_cast<long>(i), section));
        group->indexPaths.clear();
        if (!rows.empty())
            tableView()->insertRowsAtIndexPathsWithRowAnimation(rows, UITableViewRowAnimationNone);
        if (auto header = std::dynamic_pointer_cast<SectionHeaderView>(tableView()->headerViewForSection(section)))
            header->disclosureButton()->setSelected(true);
    }
}

void CustomerTable::focuseCustomerName(int customerId)
{
    auto self = protect<CustomerTable>();
    auto table = tableView();
    for (size_t s = 0; s < m_customerlist.size(); ++s) {
        auto group = m_customerlist[s];
        for (size_t r = 0; r < group->arrayPersons.size(); ++r) {
            auto person = personOfGroupRow(group->arrayPersons[r]);
            if (!person || person->pid != customerId)
                continue;
            expandGroup(static_cast<long>(s));
            const auto found = NSIndexPath::indexPathForRowInSection(static_cast<long>(r), static_cast<long>(s));
            table->scrollToRowAtIndexPathAtScrollPositionAnimated(
                NSIndexPath::indexPathForRowInSection(0, static_cast<long>(s)), UITableViewScrollPositionTop, false);
            table->selectRowAtIndexPathAnimatedScrollPosition(found, false, UITableViewScrollPositionNone);
            if (auto tableDelegate = table->delegate()) {
                if (m_section >= 0 && m_row >= 0 && !(m_section == static_cast<int>(s) && m_row == static_cast<int>(r)))
                    colourRow(NSIndexPath::indexPathForRowInSection(m_row, m_section), false);
                tableDelegate->tableViewDidSelectRowAtIndexPath(*table, found);
            }
            break;
        }
    }
}

void CustomerTable::selectedCustomerByConatct(const std::shared_ptr<ContactMode>& contact)
{
    if (m_currentSoryByType != 1 || !contact)
        return;
    auto self = protect<CustomerTable>();
    for (size_t s = 0; s < m_customerlist.size(); ++s) {
        auto group = m_customerlist[s];
        for (size_t r = 0; r < group->arrayPersons.size(); ++r) {
            auto row = std::get_if<std::shared_ptr<ContactMode>>(&group->arrayPersons[r]);
            if (!row || (*row)->fristName != contact->fristName || (*row)->lastName != contact->lastName)
                continue;
            expandGroup(static_cast<long>(s));
            const auto found = NSIndexPath::indexPathForRowInSection(static_cast<long>(r), static_cast<long>(s));
            tableView()->selectRowAtIndexPathAnimatedScrollPosition(found, false, UITableViewScrollPositionMiddle);
            m_selectContactRow = static_cast<int>(r);
            m_selectContactSection = static_cast<int>(s);
            m_section = static_cast<int>(s);
            m_row = static_cast<int>(r);
            colourRow(found, true);
            if (auto listener = m_delegate.lock())
                listener->changedCustomerFirstNameLastName((*row)->personInfo, (*row)->fristName, (*row)->lastName);
            return;
        }
    }
}

void CustomerTable::updateCustomerInfoDicWithHidden(int customerId, int hidden)
{
    for (const auto& person : m_arraypersons) {
        if (person->pid == customerId) {
            person->hidden = hidden != 0;
            break;
        }
    }
    if (auto it = m_allcustomerdic.find(customerId); it != m_allcustomerdic.end())
        it->second.hidden = hidden != 0;
}

bool CustomerTable::tableViewCanEditRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    auto person = personAt(path);
    return person && person->pid && *person->pid < 0;
}

void CustomerTable::tableViewWillBeginEditingRowAtIndexPath(UITableView& table, const NSIndexPath& path)
{
    if (m_section >= 0 && m_row >= 0) {
        if (auto selected = std::dynamic_pointer_cast<CustomerListCell>(
                table.cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(m_row, m_section)))) {
            selected->lbcustomer_name()->setTextColor(CustomerListCell::nameColor());
            selected->setFristNameLastNameColor(CustomerListCell::nameColor());
        }
    }
    if (auto cell = std::dynamic_pointer_cast<CustomerListCell>(table.cellForRowAtIndexPath(path))) {
        UIView::beginAnimations("move");
        UIView::setAnimationDuration(0.3);
        UIView::setAnimationCurve(UIViewAnimationCurveEaseOut);
        CGRect frame = cell->tagLocal()->frame();
        frame.origin.x = 180.0;
        cell->tagLocal()->setFrame(frame);
        UIView::commitAnimations();
    }
}

void CustomerTable::tableViewDidEndEditingRowAtIndexPath(UITableView& table, const NSIndexPath& path)
{
    if (auto cell = std::dynamic_pointer_cast<CustomerListCell>(table.cellForRowAtIndexPath(path))) {
        UIView::beginAnimations("move");
        UIView::setAnimationDuration(0.3);
        UIView::setAnimationCurve(UIViewAnimationCurveEaseOut);
        cell->tagLocal()->setFrame(CGRectMake(280.0, 17.0, 68.0, 30.0));
        UIView::commitAnimations();
    }
}

void CustomerTable::tableViewCommitEditingStyleForRowAtIndexPath(
    UITableView& table, UITableViewCellEditingStyle style, const NSIndexPath& path)
{
    if (style != UITableViewCellEditingStyleDelete)
        return;
    auto group = groupAt(path.section());
    if (!group || path.row() < 0 || path.row() >= static_cast<long>(group->arrayPersons.size()))
        return;
    auto self = protect<CustomerTable>();
    auto person = personAt(path);
    const int row = static_cast<int>(path.row());
    const int section = static_cast<int>(path.section());
    // A selection below the deleted row moves up with it.
    if (m_section == section && m_row == row)
        m_section = m_row = -1;
    else if (m_section == section && m_row > row)
        --m_row;
    if (m_currentSoryByType == 1) {
        if (m_selectContactSection == section && m_selectContactRow == row)
            m_selectContactRow = m_selectContactSection = -1;
        else if (m_selectContactSection == section && m_selectContactRow > row)
            --m_selectContactRow;
    }
    group->arrayPersons.erase(group->arrayPersons.begin() + row);
    table.deleteRowsAtIndexPathsWithRowAnimation({ path }, UITableViewRowAnimationFade);
    if (auto listener = m_delegate.lock(); listener && person && person->pid)
        listener->deleteLocalCustomer(*person->pid);
}

void CustomerTable::sectionHeaderViewSectionClosed(SectionHeaderView& header, int section)
{
    auto group = groupAt(section);
    if (!group || !group->opened)
        return;
    auto table = tableView();
    const long n = table->numberOfRowsInSection(section);
    const auto visible = table->indexPathsForVisibleRows();
    long visibleInSection = 0;
    bool firstVisible = false;
    for (const auto& p : visible) {
        if (p.section() == section) {
            ++visibleInSection;
            firstVisible = firstVisible || p.row() == 0;
        }
    }
    const auto first = NSIndexPath::indexPathForRowInSection(0, section);
    bool scrollInstead = n > 0 && !firstVisible && visibleInSection < n;
    if (!scrollInstead && n == 1 && table->contentOffset().y >= table->rectForRowAtIndexPath(first).origin.y)
        scrollInstead = true;
    if (scrollInstead) {
        // The header sits over rows scrolled away: show the section first, a second tap closes it.
        table->scrollToRowAtIndexPathAtScrollPositionAnimated(first, UITableViewScrollPositionTop, true);
        header.disclosureButton()->setSelected(!header.disclosureButton()->isSelected());
        return;
    }
    group->opened = !group->opened;
    if (n >= 1) {
        group->indexPaths.clear();
        for (long r = 0; r < n; ++r)
            group->indexPaths.push_back(NSIndexPath::indexPathForRowInSection(r, section));
        table->deleteRowsAtIndexPathsWithRowAnimation(group->indexPaths, UITableViewRowAnimationFade);
    }
}

void CustomerTable::sectionHeaderViewSectionOpened(SectionHeaderView&, int section)
{
    auto group = groupAt(section);
    if (!group)
        return;
    if (group->opened) {
        group->indexPaths.clear();
        return;
    }
    auto table = tableView();
    group->opened = true;
    // The rows go back as the group holds them now.
    std::vector<NSIndexPath> rows;
    for (size_t i = 0; i < group->arrayPersons.size(); ++i)
        rows.push_back(NSIndexPath::indexPathForRowInSection(static_cast<long>(i), section));
    if (!rows.empty()) {
        table->insertRowsAtIndexPathsWithRowAnimation(rows, UITableViewRowAnimationFade);
        for (const auto& path : rows) {
            const bool selected = path.section() == m_section && path.row() == m_row;
            colourRow(path, selected);
            if (selected)
                table->selectRowAtIndexPathAnimatedScrollPosition(path, false, UITableViewScrollPositionNone);
        }
        table->scrollToRowAtIndexPathAtScrollPositionAnimated(
            NSIndexPath::indexPathForRowInSection(0, section), UITableViewScrollPositionTop, true);
    }
    group->indexPaths.clear();
}
