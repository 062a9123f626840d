#pragma once

// One page of the web engine, as the web view uses it. The engine is loaded
// from its module and started on the first page a process makes; when it
// cannot start (no display, no module) no page is made and the reason says why.
// Callbacks come on the main thread while the run loop turns.

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/CoreGraphics/CGImage.h"

#include <memory>
#include <string>

struct CorvelleWebPage;
struct CorvelleWebEngine;

class WebEnginePage {
public:
    enum class Failure {
        Other,
        Cancelled,
        HostNotFound,
        CannotConnect,
        UntrustedServer,
        Interrupted,
        BadServerResponse
    };
    // Same order as the view's navigation types.
    enum class Navigation { LinkClicked, FormSubmitted, BackForward, Reload, FormResubmitted, Other };

    class Client {
    public:
        virtual ~Client() = default;
        virtual bool webPageShouldNavigate(const std::string& url, Navigation navigation) = 0;
        virtual void webPageStarted() = 0;
        virtual void webPageFinished() = 0;
        virtual void webPageFailed(const std::string& url, Failure failure, const std::string& message) = 0;
        virtual void webPagePainted(const CGImageRef& picture) = 0;
    };

    // A page of `size` points whose events go to `client` (which outlives it);
    // null, with `reason` set, when the engine cannot run in this process.
    static std::unique_ptr<WebEnginePage> create(CGSize size, Client& client, std::string& reason);
    ~WebEnginePage();
    WebEnginePage(const WebEnginePage&) = delete;
    WebEnginePage& operator=(const WebEnginePage&) = delete;

    void resize(CGSize size);
    void load(const std::string& url);
    void reload();
    void stop();
    void goBack();
    void goForward();
    bool canGoBack() const;
    bool canGoForward() const;
    // Empty before the first load.
    std::string currentURL() const;

    // A finger on the page, in points from its top left.
    void press(CGPoint point);
    void release(CGPoint point);
    // Scrolls the page's content by `delta` (positive y shows what is below).
    void scroll(CGPoint at, CGSize delta);
    void insertText(const std::string& text);
    void pressReturn();
    void pressBackspace();

private:
    WebEnginePage(const CorvelleWebEngine* engine, CorvelleWebPage* page)
        : m_engine(engine)
        , m_page(page)
    {
    }
    const CorvelleWebEngine* m_engine;
    CorvelleWebPage* m_page;
};
