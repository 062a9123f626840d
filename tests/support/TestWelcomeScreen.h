#pragma once

// The welcome screen of every test program's application unless a test
// installs the sign-in screen itself: a plain page, so that a test about
// launching, the tabs or logging out needs no server for the sign-in
// screen's own requests.

#include "Platform/UIKit/UIViewController.h"

class TestWelcomeScreen : public UIViewController { };

// Puts TestWelcomeScreen back as the application's welcome screen (a test
// that installed another restores it with this).
void installTestWelcomeScreen();
