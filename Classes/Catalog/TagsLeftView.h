#pragma once

// The tag list of the catalogue's master pane: every tag name once, sorted,
// with the number of products that carry it. Choosing a tag (here, or in a
// product detail, which reaches this list through "didSelectToFromNotification")
// tells the master pane which products to show; choosing the chosen tag
// again tells it nothing.

#include "Classes/Catalog/TagsLeftDelegate.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/UIKit/UITableView.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class TagsLeftView : public UIView, public UITableViewDelegate, public UITableViewDataSource {
public:
    static constexpr CGFloat kRowHeight = 60;

    static std::shared_ptr<TagsLeftView> initWithFrame(CGRect frame);
    explicit TagsLeftView(CGRect frame);
    ~TagsLeftView() override;

    const std::shared_ptr<UITableView>& tableView() const { return m_tableView; }
    const std::vector<std::shared_ptr<corvelle_tag_entity>>& dataArray() const { return m_dataArray; }
    void setDataArray(std::vector<std::shared_ptr<corvelle_tag_entity>> tags);
    const std::map<std::string, std::shared_ptr<corvelle_tag_entity>>& sortDict() const { return m_sortDict; }
    const std::vector<std::string>& sortedNames() const { return m_sortedNames; }
    int selectRow() const { return m_selectRow; }
    void setSelectRow(int row) { m_selectRow = row; }
    std::shared_ptr<TagsLeftDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<TagsLeftDelegate> d) { m_delegate = std::move(d); }
    void resetData();

    long tableViewNumberOfRowsInSection(UITableView&, long) override { return static_cast<long>(m_sortedNames.size()); }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return kRowHeight;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path) override;

private:
    void setUp();
    void sortDataWithTags();
    void didSelectToFromNotification(const std::string& name);
    void tellDelegate(int row);

    std::shared_ptr<UITableView> m_tableView;
    std::vector<std::shared_ptr<corvelle_tag_entity>> m_dataArray;
    std::map<std::string, std::shared_ptr<corvelle_tag_entity>> m_sortDict;
    std::vector<std::string> m_sortedNames;
    int m_selectRow = -1;
    std::weak_ptr<TagsLeftDelegate> m_delegate;
};
