#pragma once

// A small page-layout engine. The caller adds cells line by line; each
// finished line is placed below the previous one in a canvas where the pages
// are stacked without gaps (page k covers y from (k - 1) x H to k x H). A line
// that does not fit above the bottom margin opens a new page. Every page gets
// its page number, and subclasses add cells of their own through the header
// and footer hooks. The result is PDF data (each page shifted to its own
// origin) or one tall view of all pages. The engine knows nothing of orders.

#include "Classes/QuoteOrder/CVPDFCreaterBaseCell.h"
#include "Classes/QuoteOrder/CVPDFView.h"

#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

#include <memory>
#include <string>

class CVPDFCreater {
public:
    // initWithPageSize:; the default constructor is init (1024 x 1448).
    explicit CVPDFCreater(CGSize pageSize = CGSizeMake(1024, 1448));
    virtual ~CVPDFCreater() = default;

    CGSize pageSize() const { return m_pageSize; }
    void setPageSize(CGSize size);

    float leftMargin = 60;
    float rightMargin = 60;
    float topMargin = 60;
    float bottomMargin = 60;
    float lineSpacing = 0;
    bool autoPage = true;
    bool showPageNumber = true;
    std::string pageNumberFormat = "- Page %d -";
    std::shared_ptr<UIFont> pageNumberFont;
    std::shared_ptr<UIColor> pageNumberColor;

    int currentPage() const { return m_currentPage; }
    float currentContentHeight() const { return m_currentContentHeight; }

    CVPDFCellArray currentLineArray;
    // Shared with the views made by generatePDFToView.
    std::shared_ptr<CVPDFPageList> cellsPageArray = std::make_shared<CVPDFPageList>();

    void beginNewPage();
    // A null cell is ignored.
    void addCell(const std::shared_ptr<CVPDFCreaterBaseCell>& cell);
    void beginNewLine();
    void addSpacing(float spacing);
    // Empty data (no document at all) when nothing was laid out.
    virtual std::shared_ptr<Data> generatePDFToData();
    std::shared_ptr<CVPDFView> generatePDFToView();
    void clearAllCell();
    std::shared_ptr<CVPDFCreaterBaseCell> cellWithTag(int tag) const;
    void removeCellByTag(int tag);

    // Hooks for subclasses: cells for a page's top and for the bottom of a page
    // left by an automatic break. They set frameInContainer themselves.
    virtual std::shared_ptr<CVPDFCellArray> additionalHeaderInPage(int page);
    virtual std::shared_ptr<CVPDFCellArray> additionalFooterInPage(int page);

    // Steps a subclass may also call.
    bool computeChangePageForHeight(float height);
    void changeToNewPage();
    void addPageNumber();
    void saveCellToPageArray(const std::shared_ptr<CVPDFCreaterBaseCell>& cell);
    void saveCellToLineArray(const std::shared_ptr<CVPDFCreaterBaseCell>& cell);
    void addAdditionalHeader(const std::shared_ptr<CVPDFCellArray>& cells);
    void addAdditionalFooter(const std::shared_ptr<CVPDFCellArray>& cells);
    void relayoutAllCell();

private:
    void finishPendingLine();
    bool holdsPlacedCells() const;

    CGSize m_pageSize;
    int m_currentPage = 0;
    float m_currentContentHeight = 60;
};
