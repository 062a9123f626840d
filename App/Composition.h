#pragma once

// The composition root: the frame and the session declare what they need from
// the screens above them (the tabs' screens, what log-out releases, the skin
// unpacking, the customer cache reload) and this fills it in. The program does
// it once at start, before the application launches.

namespace Composition {

void installScreens();

}  // namespace Composition
