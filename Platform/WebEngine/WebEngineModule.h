#pragma once

// The web engine runs in a module of its own, loaded by the web view when a
// process first opens a web page: the engine's libraries take a good part of
// a second to load, which no program that never shows a page should pay.
// The module speaks plain C so that nothing of ours is linked into it twice.
//
// Everything here is called on the main thread, and the module's callbacks
// come on it too, from the GLib main context the run loop services.

#include <stddef.h>

extern "C" {

struct CorvelleWebPage;

// Why a load failed, as the view reports it.
enum CorvelleWebLoadFailure {
    CorvelleWebLoadFailureOther = 0,
    CorvelleWebLoadFailureCancelled = 1,
    CorvelleWebLoadFailureHostNotFound = 2,
    CorvelleWebLoadFailureCannotConnect = 3,
    CorvelleWebLoadFailureUntrustedServer = 4,
    CorvelleWebLoadFailureInterrupted = 5,
    CorvelleWebLoadFailureBadServerResponse = 6,
};

// How a navigation came about; the same order as the view's navigation types.
enum CorvelleWebNavigation {
    CorvelleWebNavigationLinkClicked = 0,
    CorvelleWebNavigationFormSubmitted = 1,
    CorvelleWebNavigationBackForward = 2,
    CorvelleWebNavigationReload = 3,
    CorvelleWebNavigationFormResubmitted = 4,
    CorvelleWebNavigationOther = 5,
};

enum CorvelleWebPointer {
    CorvelleWebPointerPress = 0,
    CorvelleWebPointerMove = 1,
    CorvelleWebPointerRelease = 2,
};

enum CorvelleWebKey {
    CorvelleWebKeyReturn = 0,
    CorvelleWebKeyBackspace = 1,
};

struct CorvelleWebPageClient {
    void* context;
    // Non-zero lets the navigation go ahead.
    int (*shouldNavigate)(void* context, const char* url, int navigation);
    void (*started)(void* context);
    void (*finished)(void* context);
    void (*failed)(void* context, const char* url, int failure, const char* message);
    // A picture of what the page shows now: 32-bit native-endian premultiplied
    // ARGB rows, valid during the call only.
    void (*painted)(void* context, const unsigned char* pixels, int width, int height, int stride);
};

struct CorvelleWebEngine {
    // Starts the engine in this process; zero with the reason in `error` when
    // it cannot (no display, for one). Called once.
    int (*start)(char* error, size_t errorSize);
    // The client is copied; its callbacks stop once the page is destroyed.
    CorvelleWebPage* (*createPage)(int width, int height, const CorvelleWebPageClient* client);
    void (*destroyPage)(CorvelleWebPage* page);
    void (*resize)(CorvelleWebPage* page, int width, int height);
    void (*load)(CorvelleWebPage* page, const char* url);
    void (*reload)(CorvelleWebPage* page);
    void (*stop)(CorvelleWebPage* page);
    void (*goBack)(CorvelleWebPage* page);
    void (*goForward)(CorvelleWebPage* page);
    int (*canGoBack)(CorvelleWebPage* page);
    int (*canGoForward)(CorvelleWebPage* page);
    // The address shown, or null; valid until the next call into the module.
    const char* (*currentURL)(CorvelleWebPage* page);
    // A pointer at (x, y) in page pixels.
    void (*pointer)(CorvelleWebPage* page, int what, double x, double y);
    // Scrolls the page by (dx, dy) pixels as a wheel at (x, y) would.
    void (*scroll)(CorvelleWebPage* page, double x, double y, double dx, double dy);
    // Text typed into the focused field of the page.
    void (*insertText)(CorvelleWebPage* page, const char* utf8);
    void (*key)(CorvelleWebPage* page, int key);
};

// The module's one exported entry.
const CorvelleWebEngine* corvelle_web_engine(void);
typedef const CorvelleWebEngine* (*CorvelleWebEngineEntry)(void);
}
