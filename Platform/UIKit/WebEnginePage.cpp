#include "Platform/UIKit/WebEnginePage.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/GLibMainContextPump.h"
#include "Platform/UIKit/UIMainThread.h"
#include "Platform/WebEngine/WebEngineModule.h"

#include <cmath>
#include <cstring>
#include <dlfcn.h>

namespace {

// Loads the module and starts the engine; null with the reason when either fails.
// A success is kept for the process; a failure is tried again on the next page
// (a display may have come since).
const CorvelleWebEngine* startedEngine(std::string& reason)
{
    static const CorvelleWebEngine* started = nullptr;
    if (started)
        return started;
    static void* module = nullptr;
    if (!module) {
        // Kept loaded to the end of the process: the engine's libraries cannot be unloaded.
        module = dlopen(CORVELLE_WEB_ENGINE_MODULE, RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* error = dlerror();
            reason = std::string("The web engine could not be loaded: ") + (error ? error : CORVELLE_WEB_ENGINE_MODULE);
            return nullptr;
        }
    }
    auto entry = reinterpret_cast<CorvelleWebEngineEntry>(dlsym(module, "corvelle_web_engine"));
    const CorvelleWebEngine* engine = entry ? entry() : nullptr;
    if (!engine) {
        reason = "The web engine module has no entry point";
        return nullptr;
    }
    char error[512] = {};
    if (!engine->start(error, sizeof error)) {
        reason = error;
        return nullptr;
    }
    GLibMainContextPump::attach();
    started = engine;
    return started;
}

int pixels(CGFloat points) { return std::max(1, static_cast<int>(std::lround(points))); }

WebEnginePage::Client& clientOf(void* context) { return *static_cast<WebEnginePage::Client*>(context); }

}  // namespace

std::unique_ptr<WebEnginePage> WebEnginePage::create(CGSize size, Client& client, std::string& reason)
{
    UIKIT_CHECK_MAIN_THREAD();
    const CorvelleWebEngine* engine = startedEngine(reason);
    if (!engine) {
        NSLog("Web pages cannot be shown: %@", reason);
        return nullptr;
    }
    CorvelleWebPageClient callbacks {};
    callbacks.context = &client;
    callbacks.shouldNavigate = [](void* context, const char* url, int navigation) -> int {
        return clientOf(context).webPageShouldNavigate(url, static_cast<Navigation>(navigation));
    };
    callbacks.started = [](void* context) { clientOf(context).webPageStarted(); };
    callbacks.finished = [](void* context) { clientOf(context).webPageFinished(); };
    callbacks.failed = [](void* context, const char* url, int failure, const char* message) {
        clientOf(context).webPageFailed(url, static_cast<Failure>(failure), message);
    };
    callbacks.painted = [](void* context, const unsigned char* data, int width, int height, int stride) {
        if (width <= 0 || height <= 0 || stride < width * 4)
            return;
        Data copy(data, data + static_cast<size_t>(stride) * static_cast<size_t>(height));
        clientOf(context).webPagePainted(std::make_shared<const CGImage>(static_cast<size_t>(width),
            static_cast<size_t>(height), true, std::move(copy), static_cast<size_t>(stride)));
    };
    CorvelleWebPage* page = engine->createPage(pixels(size.width), pixels(size.height), &callbacks);
    return std::unique_ptr<WebEnginePage>(new WebEnginePage(engine, page));
}

WebEnginePage::~WebEnginePage() { m_engine->destroyPage(m_page); }

void WebEnginePage::resize(CGSize size) { m_engine->resize(m_page, pixels(size.width), pixels(size.height)); }

void WebEnginePage::load(const std::string& url) { m_engine->load(m_page, url.c_str()); }

void WebEnginePage::reload() { m_engine->reload(m_page); }

void WebEnginePage::stop() { m_engine->stop(m_page); }

void WebEnginePage::goBack() { m_engine->goBack(m_page); }

void WebEnginePage::goForward() { m_engine->goForward(m_page); }

bool WebEnginePage::canGoBack() const { return m_engine->canGoBack(m_page); }

bool WebEnginePage::canGoForward() const { return m_engine->canGoForward(m_page); }

std::string WebEnginePage::currentURL() const
{
    const char* url = m_engine->currentURL(m_page);
    return url ? url : "";
}

void WebEnginePage::press(CGPoint point)
{
    // No move to the place first: the engine holds each pointer event until the
    // page took the one before, while keys go at once, so the keys typed after
    // a tap would reach the page before the press that focuses their field.
    m_engine->pointer(m_page, CorvelleWebPointerPress, point.x, point.y);
}

void WebEnginePage::release(CGPoint point) { m_engine->pointer(m_page, CorvelleWebPointerRelease, point.x, point.y); }

void WebEnginePage::scroll(CGPoint at, CGSize delta)
{
    m_engine->scroll(m_page, at.x, at.y, delta.width, delta.height);
}

void WebEnginePage::insertText(const std::string& text) { m_engine->insertText(m_page, text.c_str()); }

void WebEnginePage::pressReturn() { m_engine->key(m_page, CorvelleWebKeyReturn); }

void WebEnginePage::pressBackspace() { m_engine->key(m_page, CorvelleWebKeyBackspace); }
