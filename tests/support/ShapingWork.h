#pragma once

// How much text the font shaper has been handed in this process, counted in
// characters. Laying out a text shapes it, and a layout that measures the
// same characters again and again shows here as more work than the text has.

#include <cstddef>

size_t ShapingWorkCharacters();
