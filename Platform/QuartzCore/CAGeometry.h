#pragma once

// The geometry the interface layer computes with, from the drawing layer.

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGGeometry.h"
