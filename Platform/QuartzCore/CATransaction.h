#pragma once

// Groups of layer changes. Layers here have no implicit animations, so a
// transaction only keeps its settings (read by code that asks) and runs its
// completion block after its commit, on the next turn of the run loop, as the
// platform does when nothing is animating. Settings made outside any
// begin/commit belong to an implicit transaction that ends on the next turn.

#include <functional>

class CATransaction {
public:
    static void begin();
    static void commit();
    static void flush() {}
    static bool disableActions();
    static void setDisableActions(bool disable);
    static double animationDuration();
    static void setAnimationDuration(double duration);
    static void setCompletionBlock(std::function<void()> block);
};
