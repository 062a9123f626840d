#include "Classes/QuoteOrder/CVPDFCreater.h"

#include "Classes/QuoteOrder/CVPDFCreaterStringCell.h"

#include "Platform/Foundation/Format.h"
#include "Platform/UIKit/UIGraphics.h"

#include <algorithm>

CVPDFCreater::CVPDFCreater(CGSize pageSize)
    : pageNumberFont(UIFont::fontWithNameSize("Didot-Italic", 15))
    , pageNumberColor(UIColor::blackColor())
    , m_pageSize(pageSize)
{
    m_currentContentHeight = topMargin;
}

void CVPDFCreater::setPageSize(CGSize size)
{
    m_pageSize = size;
    relayoutAllCell();
}

void CVPDFCreater::finishPendingLine()
{
    if (!currentLineArray.empty())
        beginNewLine();
}

void CVPDFCreater::beginNewPage()
{
    finishPendingLine();
    changeToNewPage();
}

void CVPDFCreater::addCell(const std::shared_ptr<CVPDFCreaterBaseCell>& cell)
{
    if (m_currentPage == 0)
        beginNewPage();
    if (cell)
        saveCellToLineArray(cell);
}

void CVPDFCreater::saveCellToLineArray(const std::shared_ptr<CVPDFCreaterBaseCell>& cell)
{
    currentLineArray.push_back(cell);
}

void CVPDFCreater::beginNewLine()
{
    // The break test runs per cell, so a later cell is tested against the page
    // an earlier one may already have opened.
    if (autoPage) {
        for (const auto& cell : currentLineArray)
            computeChangePageForHeight(static_cast<float>(cell->frameInLine.origin.y + cell->frameInLine.size.height));
    }
    float lineHeight = 0;
    for (const auto& cell : currentLineArray) {
        const CGRect& inLine = cell->frameInLine;
        cell->frameInContainer = CGRectMake(leftMargin + inLine.origin.x, m_currentContentHeight + inLine.origin.y,
            inLine.size.width, inLine.size.height);
        saveCellToPageArray(cell);
        lineHeight = std::max(lineHeight, static_cast<float>(inLine.origin.y + inLine.size.height));
    }
    m_currentContentHeight += lineHeight;
    m_currentContentHeight += lineSpacing;
    currentLineArray.clear();
}

void CVPDFCreater::addSpacing(float spacing)
{
    finishPendingLine();
    if (autoPage && computeChangePageForHeight(spacing))
        return;
    m_currentContentHeight += spacing;
}

bool CVPDFCreater::computeChangePageForHeight(float height)
{
    float spaceLeft = static_cast<float>(m_currentPage * m_pageSize.height) - m_currentContentHeight;
    if (!(spaceLeft < height + bottomMargin))
        return false;
    addAdditionalFooter(additionalFooterInPage(m_currentPage));
    changeToNewPage();
    return true;
}

void CVPDFCreater::changeToNewPage()
{
    m_currentPage += 1;
    addAdditionalHeader(additionalHeaderInPage(m_currentPage));
    m_currentContentHeight = static_cast<float>((m_currentPage - 1) * m_pageSize.height) + topMargin;
    if (showPageNumber)
        addPageNumber();
}

void CVPDFCreater::addPageNumber()
{
    float width = static_cast<float>(m_pageSize.width) - leftMargin - rightMargin;
    auto cell = std::make_shared<CVPDFCreaterStringCell>(CGRectMake(0, 0, width, bottomMargin),
        stringWithFormat(pageNumberFormat, m_currentPage), pageNumberFont, pageNumberColor, 1);
    cell->frameInContainer
        = CGRectMake(leftMargin, m_currentPage * m_pageSize.height - bottomMargin, width, bottomMargin);
    saveCellToPageArray(cell);
}

void CVPDFCreater::saveCellToPageArray(const std::shared_ptr<CVPDFCreaterBaseCell>& cell)
{
    if (m_currentPage >= 1 && cellsPageArray->size() >= static_cast<size_t>(m_currentPage)) {
        (*cellsPageArray)[static_cast<size_t>(m_currentPage - 1)]->push_back(cell);
        return;
    }
    auto page = std::make_shared<CVPDFCellArray>();
    page->push_back(cell);
    cellsPageArray->push_back(page);
}

void CVPDFCreater::addAdditionalHeader(const std::shared_ptr<CVPDFCellArray>& cells)
{
    if (!cells)
        return;
    for (const auto& cell : *cells)
        if (cell)
            saveCellToPageArray(cell);
}

void CVPDFCreater::addAdditionalFooter(const std::shared_ptr<CVPDFCellArray>& cells) { addAdditionalHeader(cells); }

std::shared_ptr<CVPDFCellArray> CVPDFCreater::additionalHeaderInPage(int) { return nullptr; }

std::shared_ptr<CVPDFCellArray> CVPDFCreater::additionalFooterInPage(int) { return nullptr; }

std::shared_ptr<Data> CVPDFCreater::generatePDFToData()
{
    finishPendingLine();
    auto data = std::make_shared<Data>();
    if (cellsPageArray->empty())
        return data;
    UIGraphicsBeginPDFContextToData(data, CGRectMake(0, 0, m_pageSize.width, m_pageSize.height));
    for (size_t k = 0; k < cellsPageArray->size(); ++k) {
        UIGraphicsBeginPDFPage();
        CGFloat shift = static_cast<CGFloat>(k) * m_pageSize.height;
        for (const auto& cell : *(*cellsPageArray)[k]) {
            CGRect frame = cell->frameInContainer;
            frame.origin.y -= shift;
            cell->drawInRect(frame);
        }
    }
    UIGraphicsEndPDFContext();
    return data;
}

std::shared_ptr<CVPDFView> CVPDFCreater::generatePDFToView()
{
    finishPendingLine();
    auto view = std::make_shared<CVPDFView>(CGRectMake(0, 0, m_pageSize.width, m_pageSize.height * m_currentPage));
    view->cellsArray = cellsPageArray;
    return view;
}

void CVPDFCreater::clearAllCell()
{
    currentLineArray.clear();
    cellsPageArray->clear();
    relayoutAllCell();
}

std::shared_ptr<CVPDFCreaterBaseCell> CVPDFCreater::cellWithTag(int tag) const
{
    for (const auto& page : *cellsPageArray)
        for (const auto& cell : *page)
            if (cell->tagOfCell == tag)
                return cell;
    return nullptr;
}

void CVPDFCreater::removeCellByTag(int tag)
{
    for (const auto& page : *cellsPageArray) {
        auto found
            = std::find_if(page->begin(), page->end(), [tag](const auto& cell) { return cell->tagOfCell == tag; });
        if (found != page->end()) {
            page->erase(found);
            relayoutAllCell();
            return;
        }
    }
}

bool CVPDFCreater::holdsPlacedCells() const
{
    return std::any_of(cellsPageArray->begin(), cellsPageArray->end(), [](const auto& page) { return !page->empty(); });
}

void CVPDFCreater::relayoutAllCell()
{
    finishPendingLine();
    // Placed cells keep no record of their lines, so they cannot be laid out
    // again; a document that still holds cells keeps its placement (a removed
    // cell leaves its gap) instead of losing everything that was added.
    if (holdsPlacedCells())
        return;
    cellsPageArray->clear();
    m_currentPage = 0;
    m_currentContentHeight = topMargin;
}
