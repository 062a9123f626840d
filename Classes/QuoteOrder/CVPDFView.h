#pragma once

// The on-screen form of a laid-out document: every page one below the other
// in one tall view. It shares the engine's page list, so cells the engine
// places later are drawn too, and it stays drawable after the engine is gone.

#include "Classes/QuoteOrder/CVPDFCreaterBaseCell.h"

#include "Platform/UIKit/UIView.h"

#include <memory>
#include <vector>

using CVPDFCellArray = std::vector<std::shared_ptr<CVPDFCreaterBaseCell>>;
using CVPDFPageList = std::vector<std::shared_ptr<CVPDFCellArray>>;

class CVPDFView : public UIView {
public:
    explicit CVPDFView(CGRect frame);

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

    std::shared_ptr<CVPDFPageList> cellsArray;
};
