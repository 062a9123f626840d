// Every test program runs with the screens assembled onto the frame the way
// the program assembles them, and with a test-made welcome screen that a test
// may replace with the sign-in screen.

#include "App/Composition.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "support/TestWelcomeScreen.h"

void installTestWelcomeScreen()
{
    CorvelleAppDelegate::setWelcomeScreenFactory([] { return std::make_shared<TestWelcomeScreen>(); });
}

namespace {

[[maybe_unused]] const bool kAssembled = (Composition::installScreens(), installTestWelcomeScreen(), true);

}  // namespace
