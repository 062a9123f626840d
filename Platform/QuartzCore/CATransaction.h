#pragma once

// Groups of layer changes. Layers here have no implicit animations, so a
// transaction keeps its settings (read by code that asks) and runs its
// completion block from the run loop once it is committed and every layer
// animation added while it was open (in it or in a transaction inside it) has
// ended, at once on the next turn when nothing is animating. Settings made
// outside any begin/commit belong to an implicit transaction that ends on the
// next turn.

#include <functional>
#include <memory>

class CATransaction {
public:
    static void begin();
    static void commit();
    static void flush() { }
    static bool disableActions();
    static void setDisableActions(bool disable);
    static double animationDuration();
    static void setAnimationDuration(double duration);
    static void setCompletionBlock(std::function<void()> block);
    // Taken by an animation as it is added, released when it ends: the open
    // transactions' completions wait for it.
    static std::shared_ptr<void> holdForAnimation();
};
