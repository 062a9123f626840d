#pragma once

// A row of titled segments of equal width. A tap on a segment selects it and
// sends value-changed when the selection changed (a momentary control sends
// it each time and keeps no selection). Selecting by code sends nothing.

#include "Platform/UIKit/UIControl.h"

#include <string>
#include <vector>

enum UISegmentedControlStyle {
    UISegmentedControlStylePlain,
    UISegmentedControlStyleBordered,
    UISegmentedControlStyleBar,
    UISegmentedControlStyleBezeled,
};

class UISegmentedControl : public UIControl {
public:
    static constexpr long UISegmentedControlNoSegment = -1;

    explicit UISegmentedControl(std::vector<std::string> items = {});

    long numberOfSegments() const { return static_cast<long>(m_titles.size()); }
    long selectedSegmentIndex() const { return m_selected; }
    void setSelectedSegmentIndex(long index);
    std::string titleForSegmentAtIndex(long index) const;
    void setTitleForSegmentAtIndex(const std::string& title, long index);
    void insertSegmentWithTitleAtIndexAnimated(const std::string& title, long index, bool animated);
    void removeSegmentAtIndexAnimated(long index, bool animated);
    void removeAllSegments();
    bool isEnabledForSegmentAtIndex(long index) const;
    void setEnabledForSegmentAtIndex(bool enabled, long index);
    bool isMomentary() const { return m_momentary; }
    void setMomentary(bool on) { m_momentary = on; }
    UISegmentedControlStyle segmentedControlStyle = UISegmentedControlStylePlain;
    std::shared_ptr<UIColor> tintColor;

    // The segment under a point of the bounds, or no segment.
    long segmentAtPoint(CGPoint point) const;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

protected:
    void didTapAt(CGPoint point, UIEvent* event) override;

private:
    std::vector<std::string> m_titles;
    std::vector<bool> m_enabled;
    long m_selected = UISegmentedControlNoSegment;
    bool m_momentary = false;
};
