#pragma once

// The application's window on a desktop: when an X display is available the
// window appears as a real window of its size, redrawn from the view tree
// whenever the main run loop has nothing else to do and something changed
// (at most thirty times a second). Mouse presses, drags and releases of the
// first button arrive as touches of one finger, in window points; keys are
// typed into the first responder (return and backspace as such). Without a
// display nothing is opened and everything runs headless.

#include <cstdint>
#include <memory>
#include <string>

class UIWindow;
class UIImage;
struct UIDesktopWindowConnection;

class UIDesktopWindow {
public:
    // A window on the display named by `display` (DISPLAY when empty); null when none can be opened.
    static std::unique_ptr<UIDesktopWindow> open(
        const std::shared_ptr<UIWindow>& window, const std::string& display = {});
    ~UIDesktopWindow();
    UIDesktopWindow(const UIDesktopWindow&) = delete;
    UIDesktopWindow& operator=(const UIDesktopWindow&) = delete;

    // Draws the view tree into the window now.
    void redraw();
    // Handles the events waiting on the connection; false once the window was closed.
    bool processEvents();
    // Watches the connection from the main run loop and redraws when the view
    // tree changed (a display or layout request, a property, a subview).
    void attachToMainRunLoop();
    // The pictures drawn into the window so far.
    unsigned long framesDrawn() const { return m_framesDrawn; }
    bool isClosed() const { return m_closed; }
    // The X identifier of the window (for tests that talk to the server).
    unsigned long windowId() const;
    // What the window shows now, read back from the server.
    std::shared_ptr<UIImage> captureFromServer() const;

private:
    UIDesktopWindow() = default;
    // Events the connection already read sit in its queue, where watching the
    // socket cannot see them: they are handled on the loop's next turn.
    void handleQueuedEventsLater();

    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::unique_ptr<UIDesktopWindowConnection> m_x;
    std::weak_ptr<UIWindow> m_window;
    bool m_closed = false;
    bool m_pressed = false;
    uint64_t m_drawnGeneration = 0;
    unsigned long m_framesDrawn = 0;
};
