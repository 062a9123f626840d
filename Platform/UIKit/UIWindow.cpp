#include "Platform/UIKit/UIWindow.h"
#include "Platform/UIKit/UIMainThread.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIViewController.h"

#include <algorithm>
#include <cmath>

namespace {
std::vector<UIWindow*> s_windowPointers;
std::weak_ptr<UIWindow> s_keyWindow;
}

CGPoint UITouch::locationInView(const UIView* view) const
{
    return view ? view->convertPointFromView(m_location, nullptr) : m_location;
}

CGPoint UITouch::previousLocationInView(const UIView* view) const
{
    return view ? view->convertPointFromView(m_previous, nullptr) : m_previous;
}

UITouchSet UIEvent::touchesForView(const UIView* view) const
{
    UITouchSet out;
    for (auto& t : m_touches)
        if (auto v = t->view(); v && v->isDescendantOfView(view))
            out.push_back(t);
    return out;
}

UIWindow::UIWindow(CGRect frame)
    : UIView(frame)
{
    s_windowPointers.push_back(this);
}

UIWindow::~UIWindow()
{
    s_windowPointers.erase(std::remove(s_windowPointers.begin(), s_windowPointers.end(), this), s_windowPointers.end());
}

std::shared_ptr<UIWindow> UIWindow::window() const { return const_cast<UIWindow*>(this)->protect<UIWindow>(); }

std::vector<std::shared_ptr<UIWindow>> UIWindow::allWindows()
{
    std::vector<std::shared_ptr<UIWindow>> out;
    for (auto* w : s_windowPointers)
        if (auto s = std::static_pointer_cast<UIWindow>(w->weak_from_this().lock()))
            out.push_back(s);
    return out;
}

void UIWindow::setRootViewController(const std::shared_ptr<UIViewController>& controller)
{
    if (controller == m_rootViewController)
        return;
    auto old = m_rootViewController;
    if (old) {
        old->beginAppearanceTransition(false, false);
        if (old->isViewLoaded())
            old->view()->removeFromSuperview();
        old->endAppearanceTransition();
    }
    m_rootViewController = controller;
    if (controller) {
        auto view = controller->view();
        // The root view starts below the status bar, unless it asks for the whole screen.
        CGRect frame = bounds();
        if (!controller->wantsFullScreenLayout()) {
            CGFloat status = UIApplication::sharedApplication()->statusBarFrame().size.height;
            frame.origin.y += status;
            frame.size.height -= status;
        }
        view->setFrame(frame);
        view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        controller->beginAppearanceTransition(true, false);
        insertSubviewAtIndex(view, 0);
        controller->endAppearanceTransition();
    }
}

void UIWindow::makeKeyAndVisible()
{
    makeKeyWindow();
    setHidden(false);
}

void UIWindow::makeKeyWindow() { s_keyWindow = protect<UIWindow>(); }

bool UIWindow::isKeyWindow() const { return s_keyWindow.lock().get() == this; }

std::shared_ptr<UIWindow> UIWindow::keyWindow() { return s_keyWindow.lock(); }

std::shared_ptr<UIResponder> UIWindow::nextResponder() const { return UIApplication::sharedApplication(); }

void UIWindow::drawOverSubviews(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    CGRect status = UIApplication::sharedApplication()->statusBarFrame();
    if (!c || CGRectIsEmpty(status))
        return;
    UIColor::blackColor()->setFill();
    CGContextFillRect(c, status);
    UIColor::whiteColor()->setFill();
    auto font = UIFont::boldSystemFontOfSize(12);
    CGFloat h = font->lineHeight();
    CGRect text = CGRectMake(8, (status.size.height - h) / 2, status.size.width - 16, h);
    drawInRectWithFontLineBreakModeAlignment(
        UIDevice::currentDevice().model(), text, font, UILineBreakModeClip, UITextAlignmentLeft);
}

void UIWindow::deliver(Tracked& t, UITouchPhase phase, UIEvent& event)
{
    if (t.viewCancelled || !t.view)
        return;
    UITouchSet set { t.touch };
    switch (phase) {
    case UITouchPhaseBegan:
        t.view->touchesBeganWithEvent(set, &event);
        break;
    case UITouchPhaseMoved:
    case UITouchPhaseStationary:
        t.view->touchesMovedWithEvent(set, &event);
        break;
    case UITouchPhaseEnded:
        t.view->touchesEndedWithEvent(set, &event);
        break;
    case UITouchPhaseCancelled:
        t.view->touchesCancelledWithEvent(set, &event);
        break;
    }
}

void UIWindow::settleRecognizers(Tracked& t, UIEvent& event)
{
    // The first recogniser that recognises makes the others fail (unless they
    // may run together) and, when it says so, takes the touch from the view.
    std::shared_ptr<UIGestureRecognizer> winner;
    for (auto& r : t.recognizers) {
        auto s = r->state();
        if (s == UIGestureRecognizerStateBegan || s == UIGestureRecognizerStateChanged
            || s == UIGestureRecognizerStateEnded) {
            winner = r;
            break;
        }
    }
    if (!winner)
        return;
    for (auto& r : t.recognizers) {
        if (r == winner || r->state() != UIGestureRecognizerStatePossible)
            continue;
        auto d1 = winner->delegate();
        auto d2 = r->delegate();
        bool together = (d1 && d1->gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(*winner, *r))
            || (d2 && d2->gestureRecognizerShouldRecognizeSimultaneouslyWithGestureRecognizer(*r, *winner));
        if (!together)
            r->touchesCancelledWithEvent({ t.touch }, &event);
    }
    if (winner->cancelsTouchesInView() && !t.viewCancelled) {
        deliver(t, UITouchPhaseCancelled, event);
        t.viewCancelled = true;
    }
}

void UIWindow::handleTouch(int finger, UITouchPhase phase, CGPoint point)
{
    UIKIT_CHECK_MAIN_THREAD();
    auto keep = shared_from_this();
    double now = Clock::now();
    UIEvent event;
    event.setTimestamp(now);

    if (phase == UITouchPhaseBegan) {
        if (m_tracked.count(finger))
            handleTouch(finger, UITouchPhaseCancelled, point);
        Tracked t;
        t.touch = std::make_shared<UITouch>();
        t.touch->setWindow(protect<UIWindow>());
        t.touch->moveTo(point);
        t.touch->moveTo(point);
        t.touch->setTimestamp(now);
        t.touch->setPhase(UITouchPhaseBegan);
        bool again = now - m_lastTapTime <= kMultipleTapInterval
            && std::hypot(point.x - m_lastTapPoint.x, point.y - m_lastTapPoint.y) <= kMultipleTapDistance;
        t.touch->setTapCount(again ? m_lastTapCount + 1 : 1);
        t.start = point;
        t.view = hitTestWithEvent(point, &event);
        t.touch->setView(t.view);
        for (auto v = t.view; v; v = v->superview()) {
            for (auto& r : v->gestureRecognizers()) {
                if (!r->isEnabled())
                    continue;
                if (auto d = r->delegate(); d && !d->gestureRecognizerShouldReceiveTouch(*r, *t.touch))
                    continue;
                t.recognizers.push_back(r);
                t.touch->mutableRecognizers().push_back(r);
            }
            if (auto sv = std::dynamic_pointer_cast<UIScrollView>(v))
                t.scrollViews.push_back(sv);
        }
        auto& tracked = m_tracked[finger] = std::move(t);
        std::vector<std::shared_ptr<UITouch>> all;
        for (auto& [f, other] : m_tracked)
            all.push_back(other.touch);
        event.setTouches(all);
        for (auto& r : tracked.recognizers)
            r->touchesBeganWithEvent({ tracked.touch }, &event);
        settleRecognizers(tracked, event);
        deliver(tracked, UITouchPhaseBegan, event);
        return;
    }

    auto it = m_tracked.find(finger);
    if (it == m_tracked.end())
        return;
    Tracked& t = it->second;
    t.touch->moveTo(point);
    t.touch->setTimestamp(now);
    t.touch->setPhase(phase);
    std::vector<std::shared_ptr<UITouch>> all;
    for (auto& [f, other] : m_tracked)
        all.push_back(other.touch);
    event.setTouches(all);

    if (phase == UITouchPhaseMoved) {
        for (auto& r : t.recognizers)
            r->touchesMovedWithEvent({ t.touch }, &event);
        settleRecognizers(t, event);
        if (!t.dragging && m_tracked.size() == 1) {
            CGPoint delta { point.x - t.start.x, point.y - t.start.y };
            for (auto& sv : t.scrollViews) {
                if (sv->canBeginDragWithTranslation(delta)) {
                    t.dragging = sv;
                    break;
                }
            }
            if (t.dragging) {
                if (t.dragging->canCancelContentTouches() && !t.viewCancelled) {
                    deliver(t, UITouchPhaseCancelled, event);
                    t.viewCancelled = true;
                }
                // The drag starts from where the finger crossed the threshold.
                t.dragging->beginDragAt(t.start);
            }
        }
        if (t.dragging)
            t.dragging->dragTo(point);
        deliver(t, UITouchPhaseMoved, event);
        return;
    }

    bool ended = phase == UITouchPhaseEnded;
    for (auto& r : t.recognizers) {
        if (ended)
            r->touchesEndedWithEvent({ t.touch }, &event);
        else
            r->touchesCancelledWithEvent({ t.touch }, &event);
    }
    settleRecognizers(t, event);
    if (t.dragging)
        t.dragging->endDragAt(point);
    deliver(t, ended ? UITouchPhaseEnded : UITouchPhaseCancelled, event);
    if (ended && !t.dragging) {
        m_lastTapTime = now;
        m_lastTapPoint = point;
        m_lastTapCount = t.touch->tapCount();
    }
    auto recognizers = t.recognizers;
    m_tracked.erase(it);
    if (m_tracked.empty()) {
        for (auto& r : recognizers) {
            auto s = r->state();
            if (s == UIGestureRecognizerStateEnded || s == UIGestureRecognizerStateCancelled
                || s == UIGestureRecognizerStateFailed)
                r->reset();
        }
    }
}

void UIWindow::handleText(const std::string& text)
{
    UIKIT_CHECK_MAIN_THREAD();
    auto r = UIResponder::currentFirstResponder();
    if (r && r->acceptsTextInput())
        r->insertText(text);
}

void UIWindow::handleBackspace()
{
    auto r = UIResponder::currentFirstResponder();
    if (r && r->acceptsTextInput())
        r->deleteBackward();
}
