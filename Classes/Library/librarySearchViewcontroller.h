#pragma once

// A list of library files found by a search, one row per file with its
// cover, title, info text, date and, for videos, duration; choosing a row
// hands the file to the delegate. A list without files shows one row saying
// there is no result.

#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UITableViewController.h"

#include <memory>
#include <vector>

struct corvelle_library_files_Entity;

class LibrarySearchDelegate {
public:
    virtual ~LibrarySearchDelegate() = default;
    virtual void didselectSearchResult(const std::shared_ptr<corvelle_library_files_Entity>& file) = 0;
};

class librarySearchViewcontroller : public UITableViewController, public UISearchBarDelegate {
public:
    using FileList = std::vector<std::shared_ptr<corvelle_library_files_Entity>>;

    librarySearchViewcontroller() = default;

    void viewDidLoad() override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    long tableViewNumberOfRowsInSection(UITableView& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& tableView, const NSIndexPath& path) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override { return 130; }
    void tableViewDidSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& path) override;

    std::shared_ptr<LibrarySearchDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<LibrarySearchDelegate> d) { m_delegate = std::move(d); }
    const FileList& searchFilestArray() const { return m_searchFilestArray; }
    void setSearchFilestArray(FileList files) { m_searchFilestArray = std::move(files); }

    // The date text as the row shows it: read with the language's date format
    // and a time, written with the date format alone; empty when it does not match.
    static std::string shownDate(const std::optional<std::string>& date);

private:
    FileList m_searchFilestArray;
    std::weak_ptr<LibrarySearchDelegate> m_delegate;
    bool m_bViewHasLoad = false;
};
