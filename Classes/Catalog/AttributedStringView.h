#pragma once

// A plain view that draws one attributed text inside its bounds, first line
// at the top; text that does not fit is cut off.

#include "Platform/UIKit/UIView.h"

#include <memory>

class NSAttributedString;

class AttributedStringView : public UIView {
public:
    AttributedStringView(CGRect frame, std::shared_ptr<NSAttributedString> attributedString);

    const std::shared_ptr<NSAttributedString>& attributedString() const { return m_attributedString; }

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    std::shared_ptr<NSAttributedString> m_attributedString;
};
