// The one rule for window-level views written for the portrait window model:
// upright, centred across the landscape window, at the model's fraction of
// the short side measured down the window's height.

#include "ClockFixture.h"
#include "Platform/UIKit/UIPortraitWindowModel.h"
#include "Platform/UIKit/UIWindow.h"

#include <gtest/gtest.h>

namespace {

TEST(UIPortraitWindowModel, PortraitPlacementsComeOutUprightAndCentredInTheLandscapeWindow)
{
    ScopedManualClock clock;
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    for (auto o :
        { UIInterfaceOrientationLandscapeLeft, UIInterfaceOrientationLandscapeRight, UIInterfaceOrientationPortrait })
        EXPECT_TRUE(CGAffineTransformIsIdentity(UIPortraitWindowModel::orientationTransform(o)));
    EXPECT_EQ(
        UIPortraitWindowModel::frameAtFraction(*window, CGSizeMake(100, 40), 0.25), CGRectMake(462, 172, 100, 40));
    EXPECT_EQ(
        UIPortraitWindowModel::frameAtFraction(*window, CGSizeMake(100, 40), 0.75), CGRectMake(462, 556, 100, 40));
}

}  // namespace
