#include "Platform/WebEngine/WebEngineModule.h"

#include <webkit2/webkit2.h>

#include <cstring>
#include <string>

// Each page lives in an off-screen window of its own: the engine lays it out
// and paints it there, and the view draws the pictures it is sent.
struct CorvelleWebPage {
    CorvelleWebPageClient client {};
    GtkWidget* window = nullptr;
    WebKitWebView* view = nullptr;
    GCancellable* cancellable = nullptr;
    std::string url;
    // A picture is being taken; another was asked for meanwhile.
    bool snapshotting = false;
    bool dirty = false;
    // The load in progress failed: its end is no finish.
    bool failedThisLoad = false;
    // Callbacks of ours on the stack, and the page's end asked for during one:
    // the page goes when the outermost returns, not from under it.
    int depth = 0;
    bool destroyed = false;
};

namespace {

void freePage(CorvelleWebPage* page)
{
    g_object_unref(page->cancellable);
    delete page;
}

// Counts a callback from the engine; the page is freed at the end of the
// outermost one when it was destroyed meanwhile.
class Entered {
public:
    explicit Entered(CorvelleWebPage* page)
        : m_page(page)
    {
        ++m_page->depth;
    }
    ~Entered()
    {
        if (--m_page->depth == 0 && m_page->destroyed && !m_page->snapshotting)
            freePage(m_page);
    }
    Entered(const Entered&) = delete;
    Entered& operator=(const Entered&) = delete;
    bool live() const { return !m_page->destroyed; }

private:
    CorvelleWebPage* m_page;
};

guint32 eventTime() { return static_cast<guint32>(g_get_monotonic_time() / 1000); }

GdkDevice* pointerDevice() { return gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default())); }

GdkDevice* keyboardDevice() { return gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())); }

// Hands an event made here to the page's widget the way the display would.
void deliver(CorvelleWebPage* page, GdkEvent* event, GdkDevice* device)
{
    if (device)
        gdk_event_set_device(event, device);
    gtk_main_do_event(event);
    gdk_event_free(event);
}

GdkWindow* targetWindow(CorvelleWebPage* page)
{
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(page->view));
    return window ? GDK_WINDOW(g_object_ref(window)) : nullptr;
}

void snapshotTaken(GObject* source, GAsyncResult* result, gpointer data);

void requestSnapshot(CorvelleWebPage* page)
{
    if (page->destroyed)
        return;
    if (page->snapshotting) {
        page->dirty = true;
        return;
    }
    page->snapshotting = true;
    page->dirty = false;
    webkit_web_view_get_snapshot(page->view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE,
        page->cancellable, snapshotTaken, page);
}

void snapshotTaken(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* page = static_cast<CorvelleWebPage*>(data);
    GError* error = nullptr;
    cairo_surface_t* surface = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (error)
        g_error_free(error);
    page->snapshotting = false;
    {
        Entered entered(page);
        if (surface && entered.live()) {
            // The engine may answer with a surface of another kind: copy it into plain pixels.
            int width = 0;
            int height = 0;
            if (cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_IMAGE) {
                width = cairo_image_surface_get_width(surface);
                height = cairo_image_surface_get_height(surface);
            } else {
                gtk_widget_get_size_request(GTK_WIDGET(page->view), &width, &height);
            }
            cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
            cairo_t* cr = cairo_create(image);
            cairo_set_source_surface(cr, surface, 0, 0);
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_paint(cr);
            cairo_destroy(cr);
            cairo_surface_flush(image);
            if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS && page->client.painted)
                page->client.painted(page->client.context, cairo_image_surface_get_data(image), width, height,
                    cairo_image_surface_get_stride(image));
            cairo_surface_destroy(image);
        }
        if (entered.live() && page->dirty)
            requestSnapshot(page);
    }
    if (surface)
        cairo_surface_destroy(surface);
}

CorvelleWebNavigation navigationOf(WebKitNavigationType type)
{
    switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
        return CorvelleWebNavigationLinkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
        return CorvelleWebNavigationFormSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
        return CorvelleWebNavigationBackForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
        return CorvelleWebNavigationReload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
        return CorvelleWebNavigationFormResubmitted;
    case WEBKIT_NAVIGATION_TYPE_OTHER:
        break;
    }
    return CorvelleWebNavigationOther;
}

CorvelleWebLoadFailure failureOf(const GError* error)
{
    if (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED)
        return CorvelleWebLoadFailureCancelled;
    if (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED)
        return CorvelleWebLoadFailureCancelled;
    if (error->domain == G_RESOLVER_ERROR || (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_HOST_NOT_FOUND))
        return CorvelleWebLoadFailureHostNotFound;
    if (error->domain == G_IO_ERROR || error->domain == WEBKIT_NETWORK_ERROR)
        return CorvelleWebLoadFailureCannotConnect;
    // The answer was no HTTP the network library could read.
    if (error->domain == g_quark_try_string("soup-session-error-quark"))
        return CorvelleWebLoadFailureBadServerResponse;
    if (error->domain == G_TLS_ERROR)
        return CorvelleWebLoadFailureUntrustedServer;
    if (error->domain == WEBKIT_POLICY_ERROR)
        return CorvelleWebLoadFailureInterrupted;
    return CorvelleWebLoadFailureOther;
}

gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type, gpointer data)
{
    auto* page = static_cast<CorvelleWebPage*>(data);
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION)
        return FALSE;
    WebKitNavigationAction* action
        = webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* url = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    g_object_ref(decision);
    bool allowed = true;
    {
        Entered entered(page);
        if (page->client.shouldNavigate)
            allowed = page->client.shouldNavigate(page->client.context, url ? url : "",
                navigationOf(webkit_navigation_action_get_navigation_type(action)));
        if (!entered.live())
            allowed = false;
    }
    if (allowed)
        webkit_policy_decision_use(decision);
    else
        webkit_policy_decision_ignore(decision);
    g_object_unref(decision);
    return TRUE;
}

void loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data)
{
    auto* page = static_cast<CorvelleWebPage*>(data);
    Entered entered(page);
    if (event == WEBKIT_LOAD_STARTED) {
        page->failedThisLoad = false;
        if (page->client.started)
            page->client.started(page->client.context);
    } else if (event == WEBKIT_LOAD_FINISHED) {
        if (!page->failedThisLoad) {
            // The picture comes before the finish is told, so that a page that
            // has finished is drawn as it now is.
            requestSnapshot(page);
            if (page->client.finished)
                page->client.finished(page->client.context);
        }
    }
}

void reportFailure(CorvelleWebPage* page, const char* url, int failure, const char* message)
{
    page->failedThisLoad = true;
    Entered entered(page);
    if (page->client.failed)
        page->client.failed(page->client.context, url ? url : "", failure, message ? message : "");
}

gboolean loadFailed(WebKitWebView*, WebKitLoadEvent, gchar* url, GError* error, gpointer data)
{
    reportFailure(static_cast<CorvelleWebPage*>(data), url, failureOf(error), error->message);
    // The page keeps what it showed: no error page of the engine's own.
    return TRUE;
}

gboolean loadFailedWithTLSErrors(WebKitWebView*, gchar* url, GTlsCertificate*, GTlsCertificateFlags, gpointer data)
{
    reportFailure(static_cast<CorvelleWebPage*>(data), url, CorvelleWebLoadFailureUntrustedServer,
        "The server's certificate is not trusted");
    return TRUE;
}

gboolean damaged(GtkWidget*, GdkEvent*, gpointer data)
{
    requestSnapshot(static_cast<CorvelleWebPage*>(data));
    return FALSE;
}

int start(char* error, size_t errorSize)
{
    if (!gtk_init_check(nullptr, nullptr)) {
        const char* display = g_getenv("DISPLAY");
        std::string reason = display && *display ? std::string("The web engine cannot open the display ") + display
                                                 : std::string("The web engine has no display to run on");
        g_strlcpy(error, reason.c_str(), errorSize);
        return 0;
    }
    return 1;
}

CorvelleWebPage* createPage(int width, int height, const CorvelleWebPageClient* client)
{
    auto* page = new CorvelleWebPage;
    page->client = *client;
    page->cancellable = g_cancellable_new();
    page->window = gtk_offscreen_window_new();
    gtk_window_set_default_size(GTK_WINDOW(page->window), width, height);
    page->view = WEBKIT_WEB_VIEW(webkit_web_view_new());
    gtk_widget_set_size_request(GTK_WIDGET(page->view), width, height);
    gtk_container_add(GTK_CONTAINER(page->window), GTK_WIDGET(page->view));
    g_signal_connect(page->view, "decide-policy", G_CALLBACK(decidePolicy), page);
    g_signal_connect(page->view, "load-changed", G_CALLBACK(loadChanged), page);
    g_signal_connect(page->view, "load-failed", G_CALLBACK(loadFailed), page);
    g_signal_connect(page->view, "load-failed-with-tls-errors", G_CALLBACK(loadFailedWithTLSErrors), page);
    g_signal_connect(page->window, "damage-event", G_CALLBACK(damaged), page);
    gtk_widget_show_all(page->window);
    gtk_widget_grab_focus(GTK_WIDGET(page->view));
    return page;
}

void destroyPage(CorvelleWebPage* page)
{
    if (!page || page->destroyed)
        return;
    page->destroyed = true;
    g_cancellable_cancel(page->cancellable);
    g_signal_handlers_disconnect_by_data(page->view, page);
    g_signal_handlers_disconnect_by_data(page->window, page);
    webkit_web_view_stop_loading(page->view);
    gtk_widget_destroy(page->window);
    // A picture in flight still calls back with the page: it goes then.
    if (page->depth == 0 && !page->snapshotting)
        freePage(page);
}

void resize(CorvelleWebPage* page, int width, int height)
{
    gtk_widget_set_size_request(GTK_WIDGET(page->view), width, height);
    gtk_window_resize(GTK_WINDOW(page->window), width, height);
}

void load(CorvelleWebPage* page, const char* url) { webkit_web_view_load_uri(page->view, url); }

void reload(CorvelleWebPage* page) { webkit_web_view_reload(page->view); }

void stop(CorvelleWebPage* page) { webkit_web_view_stop_loading(page->view); }

void goBack(CorvelleWebPage* page) { webkit_web_view_go_back(page->view); }

void goForward(CorvelleWebPage* page) { webkit_web_view_go_forward(page->view); }

int canGoBack(CorvelleWebPage* page) { return webkit_web_view_can_go_back(page->view); }

int canGoForward(CorvelleWebPage* page) { return webkit_web_view_can_go_forward(page->view); }

const char* currentURL(CorvelleWebPage* page)
{
    const char* uri = webkit_web_view_get_uri(page->view);
    if (!uri)
        return nullptr;
    page->url = uri;
    return page->url.c_str();
}

void pointer(CorvelleWebPage* page, int what, double x, double y)
{
    GdkWindow* window = targetWindow(page);
    if (!window)
        return;
    if (what == CorvelleWebPointerMove) {
        GdkEvent* event = gdk_event_new(GDK_MOTION_NOTIFY);
        event->motion.window = window;
        event->motion.send_event = TRUE;
        event->motion.time = eventTime();
        event->motion.x = x;
        event->motion.y = y;
        event->motion.x_root = x;
        event->motion.y_root = y;
        deliver(page, event, pointerDevice());
        return;
    }
    bool press = what == CorvelleWebPointerPress;
    GdkEvent* event = gdk_event_new(press ? GDK_BUTTON_PRESS : GDK_BUTTON_RELEASE);
    event->button.window = window;
    event->button.send_event = TRUE;
    event->button.time = eventTime();
    event->button.x = x;
    event->button.y = y;
    event->button.x_root = x;
    event->button.y_root = y;
    event->button.button = 1;
    event->button.state = press ? 0 : GDK_BUTTON1_MASK;
    deliver(page, event, pointerDevice());
}

void scroll(CorvelleWebPage* page, double x, double y, double dx, double dy)
{
    GdkWindow* window = targetWindow(page);
    if (!window)
        return;
    // The engine moves a wheel step of one unit by this many pixels.
    constexpr double kPixelsPerStep = 40;
    GdkEvent* event = gdk_event_new(GDK_SCROLL);
    event->scroll.window = window;
    event->scroll.send_event = TRUE;
    event->scroll.time = eventTime();
    event->scroll.x = x;
    event->scroll.y = y;
    event->scroll.x_root = x;
    event->scroll.y_root = y;
    event->scroll.direction = GDK_SCROLL_SMOOTH;
    event->scroll.delta_x = dx / kPixelsPerStep;
    event->scroll.delta_y = dy / kPixelsPerStep;
    deliver(page, event, pointerDevice());
}

void sendKey(CorvelleWebPage* page, guint keyval, const char* text)
{
    guint16 keycode = 0;
    GdkKeymapKey* keys = nullptr;
    gint count = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(gdk_display_get_default()), keyval, &keys, &count)
        && count > 0)
        keycode = static_cast<guint16>(keys[0].keycode);
    g_free(keys);
    for (GdkEventType type : { GDK_KEY_PRESS, GDK_KEY_RELEASE }) {
        GdkWindow* window = targetWindow(page);
        if (!window)
            return;
        GdkEvent* event = gdk_event_new(type);
        event->key.window = window;
        event->key.send_event = TRUE;
        event->key.time = eventTime();
        event->key.keyval = keyval;
        event->key.hardware_keycode = keycode;
        event->key.string = g_strdup(text);
        event->key.length = static_cast<gint>(strlen(text));
        deliver(page, event, keyboardDevice());
    }
}

// Typed as keys, one character after another, so that the text reaches the
// page in order with the taps before it and the page hears each key.
void insertText(CorvelleWebPage* page, const char* utf8)
{
    if (!g_utf8_validate(utf8, -1, nullptr))
        return;
    for (const char* p = utf8; *p; p = g_utf8_next_char(p)) {
        gunichar character = g_utf8_get_char(p);
        char text[8] = {};
        g_unichar_to_utf8(character, text);
        sendKey(page, gdk_unicode_to_keyval(character), text);
    }
}

void key(CorvelleWebPage* page, int which)
{
    sendKey(page, which == CorvelleWebKeyReturn ? GDK_KEY_Return : GDK_KEY_BackSpace, "");
}

const CorvelleWebEngine kEngine = {
    start,
    createPage,
    destroyPage,
    resize,
    load,
    reload,
    stop,
    goBack,
    goForward,
    canGoBack,
    canGoForward,
    currentURL,
    pointer,
    scroll,
    insertText,
    key,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const CorvelleWebEngine* corvelle_web_engine(void)
{
    return &kEngine;
}
