#include "Platform/UIKit/UIDesktopWindow.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/UIKit/UIWindow.h"

#include <cstdlib>
#include <cstring>

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#define CORVELLE_HAS_X11 1
#endif

#ifdef CORVELLE_HAS_X11

struct UIDesktopWindowConnection {
    Display* display = nullptr;
    ::Window window = 0;
    GC gc = nullptr;
    Atom deleteMessage = 0;
    int width = 0;
    int height = 0;
    RunLoopSourceRef source;
    std::shared_ptr<NSTimer> timer;
    ~UIDesktopWindowConnection()
    {
        if (source)
            NSRunLoop::mainRunLoop()->removeSource(source);
        if (timer)
            timer->invalidate();
        if (display) {
            if (gc)
                XFreeGC(display, gc);
            if (window)
                XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
    }
};

std::unique_ptr<UIDesktopWindow> UIDesktopWindow::open(const std::shared_ptr<UIWindow>& window, const std::string& name)
{
    const char* env = std::getenv("DISPLAY");
    std::string displayName = name.empty() ? (env ? env : "") : name;
    if (!window || displayName.empty())
        return nullptr;
    auto x = std::make_unique<UIDesktopWindowConnection>();
    x->display = XOpenDisplay(displayName.c_str());
    if (!x->display) {
        NSLog("Cannot open display %s; running without a window", displayName.c_str());
        return nullptr;
    }
    CGRect b = window->bounds();
    x->width = static_cast<int>(b.size.width);
    x->height = static_cast<int>(b.size.height);
    int screen = DefaultScreen(x->display);
    x->window = XCreateSimpleWindow(x->display, RootWindow(x->display, screen), 0, 0, static_cast<unsigned>(x->width),
        static_cast<unsigned>(x->height), 0, BlackPixel(x->display, screen), WhitePixel(x->display, screen));
    XStoreName(x->display, x->window, "Corvelle");
    // A fixed size: the screens are laid out for 1024 x 768 points.
    XSizeHints hints {};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = x->width;
    hints.min_height = hints.max_height = x->height;
    XSetWMNormalHints(x->display, x->window, &hints);
    XSelectInput(x->display, x->window,
        ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask | KeyPressMask | StructureNotifyMask);
    x->deleteMessage = XInternAtom(x->display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(x->display, x->window, &x->deleteMessage, 1);
    x->gc = XCreateGC(x->display, x->window, 0, nullptr);
    XMapWindow(x->display, x->window);
    XSync(x->display, False);
    std::unique_ptr<UIDesktopWindow> out(new UIDesktopWindow);
    out->m_x = std::move(x);
    out->m_window = window;
    return out;
}

UIDesktopWindow::~UIDesktopWindow() = default;

unsigned long UIDesktopWindow::windowId() const { return m_x ? m_x->window : 0; }

void UIDesktopWindow::redraw()
{
    auto window = m_window.lock();
    if (!window || m_closed)
        return;
    auto image = UIViewRenderToImage(*window);
    // Read after rendering: the layout that rendering runs is part of this picture.
    m_drawnGeneration = CALayer::displayGeneration();
    if (!image || !image->CGImage())
        return;
    ++m_framesDrawn;
    const auto& cg = *image->CGImage();
    Visual* visual = DefaultVisual(m_x->display, DefaultScreen(m_x->display));
    int depth = DefaultDepth(m_x->display, DefaultScreen(m_x->display));
    // The drawing engine's pixels are 32-bit native-order words, as a 24-bit true-colour X image expects.
    Data pixels = cg.pixels();
    XImage* ximage = XCreateImage(m_x->display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
        reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(cg.width()), static_cast<unsigned>(cg.height()),
        32, static_cast<int>(cg.stride()));
    if (!ximage)
        return;
    XPutImage(m_x->display, m_x->window, m_x->gc, ximage, 0, 0, 0, 0, static_cast<unsigned>(cg.width()),
        static_cast<unsigned>(cg.height()));
    ximage->data = nullptr;  // owned by `pixels`
    XDestroyImage(ximage);
    XSync(m_x->display, False);
    handleQueuedEventsLater();
}

void UIDesktopWindow::handleQueuedEventsLater()
{
    if (!m_x->source || XQLength(m_x->display) == 0)
        return;
    std::weak_ptr<bool> alive = m_alive;
    NSRunLoop::mainRunLoop()->performBlock([this, alive] {
        if (alive.lock())
            processEvents();
    });
}

bool UIDesktopWindow::processEvents()
{
    auto window = m_window.lock();
    if (!window || m_closed)
        return false;
    bool expose = false;
    while (XPending(m_x->display)) {
        XEvent e;
        XNextEvent(m_x->display, &e);
        switch (e.type) {
        case Expose:
            expose = true;
            break;
        case ButtonPress:
            if (e.xbutton.button == Button1) {
                m_pressed = true;
                window->handleTouch(1, UITouchPhaseBegan, CGPointMake(e.xbutton.x, e.xbutton.y));
            }
            break;
        case MotionNotify:
            if (m_pressed)
                window->handleTouch(1, UITouchPhaseMoved, CGPointMake(e.xmotion.x, e.xmotion.y));
            break;
        case ButtonRelease:
            if (e.xbutton.button == Button1 && m_pressed) {
                m_pressed = false;
                window->handleTouch(1, UITouchPhaseEnded, CGPointMake(e.xbutton.x, e.xbutton.y));
            }
            break;
        case KeyPress: {
            char text[32] = {};
            KeySym key = 0;
            int n = XLookupString(&e.xkey, text, sizeof text - 1, &key, nullptr);
            if (key == XK_Return || key == XK_KP_Enter)
                window->handleReturnKey();
            else if (key == XK_BackSpace)
                window->handleBackspace();
            else if (n > 0 && static_cast<unsigned char>(text[0]) >= 0x20)
                window->handleText(std::string(text, static_cast<size_t>(n)));
            break;
        }
        case ClientMessage:
            if (static_cast<Atom>(e.xclient.data.l[0]) == m_x->deleteMessage)
                m_closed = true;
            break;
        default:
            break;
        }
    }
    if (expose && !m_closed)
        redraw();
    return !m_closed;
}

void UIDesktopWindow::attachToMainRunLoop()
{
    auto loop = NSRunLoop::mainRunLoop();
    m_x->source = loop->addFileDescriptor(
        ConnectionNumber(m_x->display), RunLoopFileReadable, [this](int, unsigned) { processEvents(); });
    // At most thirty pictures a second, and none while the tree shows what it showed.
    m_x->timer = NSTimer::timerWithTimeInterval(1.0 / 30, true, [this](NSTimer&) {
        processEvents();
        if (CALayer::displayGeneration() != m_drawnGeneration)
            redraw();
    });
    loop->addTimer(m_x->timer, NSRunLoopCommonModes);
    redraw();
    handleQueuedEventsLater();
}

std::shared_ptr<UIImage> UIDesktopWindow::captureFromServer() const
{
    if (!m_x)
        return nullptr;
    XImage* ximage = XGetImage(m_x->display, m_x->window, 0, 0, static_cast<unsigned>(m_x->width),
        static_cast<unsigned>(m_x->height), AllPlanes, ZPixmap);
    if (!ximage)
        return nullptr;
    size_t stride = static_cast<size_t>(m_x->width) * 4;
    Data pixels(stride * static_cast<size_t>(m_x->height));
    for (int y = 0; y < m_x->height; ++y)
        for (int x = 0; x < m_x->width; ++x) {
            uint32_t p = static_cast<uint32_t>(XGetPixel(ximage, x, y)) | 0xFF000000u;
            std::memcpy(pixels.data() + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 4, &p, 4);
        }
    XDestroyImage(ximage);
    auto cg = std::make_shared<const CGImage>(
        static_cast<size_t>(m_x->width), static_cast<size_t>(m_x->height), false, std::move(pixels), stride);
    return UIImage::imageWithCGImage(cg);
}

#else

struct UIDesktopWindowConnection { };

std::unique_ptr<UIDesktopWindow> UIDesktopWindow::open(const std::shared_ptr<UIWindow>&, const std::string&)
{
    return nullptr;
}
UIDesktopWindow::~UIDesktopWindow() = default;
unsigned long UIDesktopWindow::windowId() const { return 0; }
void UIDesktopWindow::redraw() { }
bool UIDesktopWindow::processEvents() { return false; }
void UIDesktopWindow::attachToMainRunLoop() { }
void UIDesktopWindow::handleQueuedEventsLater() { }
std::shared_ptr<UIImage> UIDesktopWindow::captureFromServer() const { return nullptr; }

#endif
