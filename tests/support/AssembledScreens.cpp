// Every test program runs with the screens assembled onto the frame the way
// the program assembles them; the welcome screen stays each test's own choice.

#include "App/Composition.h"

namespace {

[[maybe_unused]] const bool kAssembled = (Composition::installScreens(), true);

}  // namespace
