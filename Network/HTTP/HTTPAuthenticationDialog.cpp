#include "Network/HTTP/HTTPAuthenticationDialog.h"

#include "Network/HTTP/HTTPRequest.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>

namespace {
struct DialogState {
    std::shared_ptr<HTTPAuthenticationDialog> current;
    std::vector<std::shared_ptr<HTTPRequest>> waiting;
};
// Main thread only, like the sheet itself.
DialogState& state()
{
    static DialogState s;
    return s;
}

bool isTablet() { return UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad; }

bool isPortrait()
{
    auto o = UIApplication::sharedApplication()->statusBarOrientation();
    return o == UIInterfaceOrientationPortrait || o == UIInterfaceOrientationPortraitUpsideDown;
}
}  // namespace

bool HTTPAutorotatingViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}

// The phone's keyboard-inset and rotation handling is not needed: the device
// is a tablet, where the sheet is a form sheet that the platform places.
HTTPAuthenticationDialog::HTTPAuthenticationDialog() = default;
HTTPAuthenticationDialog::~HTTPAuthenticationDialog() = default;

void HTTPAuthenticationDialog::resetClassState() { state() = DialogState(); }

void HTTPAuthenticationDialog::presentAuthenticationDialogForRequest(const std::shared_ptr<HTTPRequest>& request)
{
    auto& s = state();
    if (s.current) {
        s.waiting.push_back(request);
        return;
    }
    auto dialog = std::make_shared<HTTPAuthenticationDialog>();
    dialog->m_request = request;
    dialog->m_type
        = request->authenticationNeeded() == HTTPProxyAuthenticationNeeded ? ProxyCredentials : ServerCredentials;
    s.current = dialog;
    dialog->show();
}

std::shared_ptr<HTTPAuthenticationDialog> HTTPAuthenticationDialog::currentDialog() { return state().current; }

size_t HTTPAuthenticationDialog::waitingRequestCount() { return state().waiting.size(); }

std::shared_ptr<UIViewController> HTTPAuthenticationDialog::presentingController()
{
    if (auto known = m_presentingController.lock())
        return known;
    auto windows = UIApplication::sharedApplication()->windows();
    std::shared_ptr<UIWindow> window = windows.empty() ? UIWindow::keyWindow() : windows.front();
    std::shared_ptr<UIViewController> presenter;
    if (window) {
        presenter = window->rootViewController();
        if (!presenter) {
            presenter = std::make_shared<HTTPAutorotatingViewController>();
            window->setRootViewController(presenter);
        }
    }
    m_presentingController = presenter;
    return presenter;
}

void HTTPAuthenticationDialog::viewDidLoad()
{
    HTTPAutorotatingViewController::viewDidLoad();
    auto weakMe = weakSelf<HTTPAuthenticationDialog>();
    auto sheetView = view();

    m_bar
        = std::make_shared<UINavigationBar>(CGRectMake(0, 0, sheetView->bounds().size.width, UINavigationBar::kHeight));
    m_bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    auto item = std::make_shared<UINavigationItem>(
        m_type == ProxyCredentials ? m_request->proxyHost : m_request->url().host());
    item->leftBarButtonItem
        = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemCancel, [weakMe](UIBarButtonItem&) {
              if (auto dialog = weakMe.lock())
                  dialog->cancelAuthenticationFromDialog();
          });
    item->rightBarButtonItem
        = std::make_shared<UIBarButtonItem>("Login", UIBarButtonItemStyleDone, [weakMe](UIBarButtonItem&) {
              if (auto dialog = weakMe.lock())
                  dialog->loginWithCredentialsFromDialog();
          });
    m_bar->setItems({ item });
    sheetView->addSubview(m_bar);

    m_tableView = std::make_shared<UITableView>(CGRectZero, UITableViewStyleGrouped);
    m_tableView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_tableView->setDelegate(weakSelf<HTTPAuthenticationDialog>());
    m_tableView->setDataSource(weakSelf<HTTPAuthenticationDialog>());
    sheetView->addSubview(m_tableView);
    showTitle();
}

void HTTPAuthenticationDialog::show()
{
    auto me = protect<HTTPAuthenticationDialog>();
    if (isTablet())
        setModalPresentationStyle(UIModalPresentationFormSheet);
    auto presenter = presentingController();
    if (!presenter)
        return;
    presenter->presentViewControllerAnimatedCompletion(me, true, nullptr);
    // The field takes the keyboard once the sheet is in the window.
    showTitle();
    m_tableView->reloadData();
    m_tableView->layoutIfNeeded();
    if (auto field = usernameField())
        field->becomeFirstResponder();
}

void HTTPAuthenticationDialog::showTitle()
{
    if (!m_bar || m_bar->items().empty())
        return;
    m_bar->items().front()->prompt = !isPortrait() ? std::string()
        : m_type == ProxyCredentials               ? "Login to this secure proxy server."
                                                   : "Login to this secure server.";
    CGRect bounds = view()->bounds();
    m_bar->setFrame(CGRectMake(0, 0, bounds.size.width, UINavigationBar::kHeight));
    CGFloat top = m_bar->frame().size.height;
    if (m_tableView)
        m_tableView->setFrame(CGRectMake(0, top, bounds.size.width, std::max<CGFloat>(0, bounds.size.height - top)));
}

std::shared_ptr<UITextField> HTTPAuthenticationDialog::fieldAt(long section, long row)
{
    if (!m_tableView)
        return nullptr;
    auto cell = m_tableView->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, section));
    if (!cell)
        return nullptr;
    // The cell's own labels sit in its content view too; the field is the one we added.
    for (auto& subview : cell->contentView()->subviews())
        if (auto field = std::dynamic_pointer_cast<UITextField>(subview))
            return field;
    return nullptr;
}

std::shared_ptr<UITextField> HTTPAuthenticationDialog::usernameField() { return fieldAt(0, 0); }
std::shared_ptr<UITextField> HTTPAuthenticationDialog::passwordField() { return fieldAt(0, 1); }
std::shared_ptr<UITextField> HTTPAuthenticationDialog::domainField() { return fieldAt(1, 0); }

bool HTTPAuthenticationDialog::isNTLM() const
{
    const std::string& scheme
        = m_type == ProxyCredentials ? m_request->proxyAuthenticationScheme : m_request->authenticationScheme;
    return scheme == kCFHTTPAuthenticationSchemeNTLM;
}

std::vector<std::shared_ptr<HTTPRequest>> HTTPAuthenticationDialog::requestsRequiringTheseCredentials() const
{
    std::vector<std::shared_ptr<HTTPRequest>> found;
    CFURL mine = m_request->url();
    for (auto& other : state().waiting) {
        CFURL theirs = other->url();
        if (other->authenticationNeeded() == m_request->authenticationNeeded() && theirs.host() == mine.host()
            && theirs.port() == mine.port() && theirs.scheme() == mine.scheme()
            && other->authenticationRealm == m_request->authenticationRealm)
            found.push_back(other);
    }
    found.push_back(m_request);
    return found;
}

void HTTPAuthenticationDialog::loginWithCredentialsFromDialog()
{
    auto keep = sharedController();
    auto textOf = [](const std::shared_ptr<UITextField>& field) { return field ? field->text() : std::string(); };
    std::string user = textOf(usernameField()), password = textOf(passwordField());
    std::string domain = isNTLM() ? textOf(domainField()) : std::string();
    for (auto& request : requestsRequiringTheseCredentials()) {
        if (m_type == ProxyCredentials) {
            request->proxyUsername = user;
            request->proxyPassword = password;
            if (isNTLM())
                request->proxyDomain = domain;
        } else {
            request->username = user;
            request->password = password;
            if (isNTLM())
                request->domain = domain;
        }
        request->retryUsingSuppliedCredentials();
        std::erase(state().waiting, request);
    }
    dismissSheet();
}

void HTTPAuthenticationDialog::cancelAuthenticationFromDialog()
{
    auto keep = sharedController();
    for (auto& request : requestsRequiringTheseCredentials()) {
        request->cancelAuthentication();
        std::erase(state().waiting, request);
    }
    dismissSheet();
}

void HTTPAuthenticationDialog::dismissSheet()
{
    if (state().current.get() == this) {
        dismiss();
        return;
    }
    if (auto presenter = presentingViewController())
        presenter->dismissViewControllerAnimatedCompletion(true, nullptr);
}

void HTTPAuthenticationDialog::dismiss()
{
    auto current = state().current;
    if (!current)
        return;
    if (auto presenter = current->presentingViewController())
        presenter->dismissViewControllerAnimatedCompletion(true, nullptr);
}

void HTTPAuthenticationDialog::viewDidDisappear(bool animated)
{
    auto keep = sharedController();
    HTTPAutorotatingViewController::viewDidDisappear(animated);
    if (state().current.get() == this)
        state().current.reset();
    NSRunLoop::mainRunLoop()->performBlock([] { presentNextDialog(); });
}

void HTTPAuthenticationDialog::presentNextDialog()
{
    auto& s = state();
    if (s.waiting.empty() || s.current)
        return;
    auto next = s.waiting.front();
    s.waiting.erase(s.waiting.begin());
    presentAuthenticationDialogForRequest(next);
}

long HTTPAuthenticationDialog::numberOfSectionsInTableView(UITableView&) { return isNTLM() ? 2 : 1; }

long HTTPAuthenticationDialog::tableViewNumberOfRowsInSection(UITableView&, long section)
{
    return section == 0 ? 2 : 1;
}

std::shared_ptr<UITableViewCell> HTTPAuthenticationDialog::tableViewCellForRowAtIndexPath(
    UITableView&, const NSIndexPath& path)
{
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::nullopt);
    cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
    auto content = cell->contentView();
    auto field = std::make_shared<UITextField>(CGRectInset(content->bounds(), 10, 10));
    field->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    field->autocapitalizationType = UITextAutocapitalizationTypeNone;
    field->autocorrectionType = UITextAutocorrectionTypeNo;
    if (path.section() == 0 && path.row() == 0) {
        field->setPlaceholder("User");
    } else if (path.section() == 0) {
        field->setPlaceholder("Password");
        field->setSecureTextEntry(true);
    } else {
        field->setPlaceholder("Domain");
    }
    content->addSubview(field);
    return cell;
}

std::optional<std::string> HTTPAuthenticationDialog::tableViewTitleForHeaderInSection(UITableView&, long section)
{
    return section == 0 ? m_request->authenticationRealm : std::nullopt;
}

std::optional<CGFloat> HTTPAuthenticationDialog::tableViewHeightForHeaderInSection(UITableView&, long section)
{
    return section == 0 ? (isTablet() ? 54 : 30) : 0;
}

std::optional<std::string> HTTPAuthenticationDialog::tableViewTitleForFooterInSection(UITableView& table, long section)
{
    if (section != numberOfSectionsInTableView(table) - 1)
        return std::nullopt;
    if (m_request->authenticationScheme == kCFHTTPAuthenticationSchemeBasic && m_request->url().scheme() != "https")
        return "Password will be sent in the clear.";
    return "Password will be sent securely.";
}

std::optional<CGFloat> HTTPAuthenticationDialog::tableViewHeightForFooterInSection(UITableView& table, long section)
{
    return section == numberOfSectionsInTableView(table) - 1 ? 30 : 0;
}
