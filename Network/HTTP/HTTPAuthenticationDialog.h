#pragma once

// The credentials sheet: a modal form asking for a user name and password
// (and a domain for NTLM) when a server or a proxy challenges a request that
// may show it. One sheet at a time; further requests wait in a class-level
// list, and one answer goes to every waiting request for the same server (or
// proxy) and realm. Main thread only.
//
// The sheet builds its bar and table when its view loads and is presented
// from the first window's root screen (over whatever that screen already
// presents); a window without a root screen takes the invisible landscape
// screen as its root. The class-level sheet and list are cleared by
// resetClassState, which the test fixtures' process reset calls.

#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIViewController.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class HTTPRequest;
class UINavigationBar;
class UITextField;

// The invisible screen the sheet is presented from; it turns to landscape only.
class HTTPAutorotatingViewController : public UIViewController {
public:
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;
};

class HTTPAuthenticationDialog : public HTTPAutorotatingViewController,
                                 public UITableViewDataSource,
                                 public UITableViewDelegate {
public:
    enum Type { ServerCredentials = 0, ProxyCredentials = 1 };

    HTTPAuthenticationDialog();
    ~HTTPAuthenticationDialog() override;

    static void presentAuthenticationDialogForRequest(const std::shared_ptr<HTTPRequest>& request);
    // Dismisses the sheet on screen, if any.
    static void dismiss();
    // The sheet on screen, if any.
    static std::shared_ptr<HTTPAuthenticationDialog> currentDialog();
    static size_t waitingRequestCount();
    // Forgets the current sheet and the waiting requests (a fresh process).
    static void resetClassState();

    const std::shared_ptr<HTTPRequest>& request() const { return m_request; }
    Type type() const { return m_type; }
    const std::shared_ptr<UITableView>& tableView() const { return m_tableView; }
    const std::shared_ptr<UINavigationBar>& navigationBar() const { return m_bar; }
    std::shared_ptr<UIViewController> presentingController();

    void viewDidLoad() override;
    void show();
    // The prompt (only while the device is upright) and the table under the bar.
    void showTitle();

    std::shared_ptr<UITextField> usernameField();
    std::shared_ptr<UITextField> passwordField();
    std::shared_ptr<UITextField> domainField();

    // The two buttons.
    void loginWithCredentialsFromDialog();
    void cancelAuthenticationFromDialog();
    std::vector<std::shared_ptr<HTTPRequest>> requestsRequiringTheseCredentials() const;

    void dismissSheet();
    void viewDidDisappear(bool animated) override;
    static void presentNextDialog();

    long numberOfSectionsInTableView(UITableView&) override;
    long tableViewNumberOfRowsInSection(UITableView&, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath& path) override;
    std::optional<std::string> tableViewTitleForHeaderInSection(UITableView&, long section) override;
    std::optional<std::string> tableViewTitleForFooterInSection(UITableView&, long section) override;
    std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView&, long section) override;
    std::optional<CGFloat> tableViewHeightForFooterInSection(UITableView&, long section) override;

private:
    bool isNTLM() const;
    std::shared_ptr<UITextField> fieldAt(long section, long row);

    std::shared_ptr<HTTPRequest> m_request;
    Type m_type = ServerCredentials;
    std::shared_ptr<UITableView> m_tableView;
    std::shared_ptr<UINavigationBar> m_bar;
    std::weak_ptr<UIViewController> m_presentingController;
};
