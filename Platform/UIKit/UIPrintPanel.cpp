#include "Platform/UIKit/UIPrintPanel.h"

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITextField.h"

namespace {

constexpr CGFloat kWidth = 360;
constexpr CGFloat kRow = 40;

// Dark titles on the white panel, grey while a control cannot be used.
void styleOnWhite(UIButton& button)
{
    button.setTitleColorForState(UIColor::colorWithRedGreenBlueAlpha(0, 0.36f, 0.75f, 1), UIControlStateNormal);
    button.setTitleColorForState(UIColor::lightGrayColor(), UIControlStateDisabled);
}

std::string copiesText(int n) { return n == 1 ? "1 Copy" : std::to_string(n) + " Copies"; }

}  // namespace

UIPrintPanelViewController::UIPrintPanelViewController(
    std::vector<PrintDestination> printers, bool twoSidedAsked, bool showsPageRange, size_t pageCount)
    : m_printers(std::move(printers))
    , m_twoSided(twoSidedAsked)
    , m_showsPageRange(showsPageRange && pageCount > 0)
    , m_pageCount(pageCount)
{
    for (size_t i = 0; i < m_printers.size(); ++i)
        if (m_printers[i].isDefault)
            m_chosen = i;
    CGFloat rows = m_showsPageRange ? 3 : 2;
    CGFloat height = 44 + 32 + kRow * static_cast<CGFloat>(m_printers.size()) + 8 + rows * kRow + 32;
    setContentSizeForViewInPopover(CGSizeMake(kWidth, height));
}

void UIPrintPanelViewController::loadView()
{
    CGSize size = contentSizeForViewInPopover();
    auto view = std::make_shared<UIView>(CGRectMake(0, 0, size.width, size.height));
    view->setBackgroundColor(UIColor::whiteColor());
    auto bar = std::make_shared<UIView>(CGRectMake(0, 0, size.width, 44));
    bar->setBackgroundColor(UIBarBackgroundColor(nullptr, UIBarStyleDefault));
    bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    view->addSubview(bar);
    auto weak = weakSelf<UIPrintPanelViewController>();
    auto on = [weak](const std::shared_ptr<UIControl>& control, UIControlEvents event,
                  std::function<void(UIPrintPanelViewController&)> action) {
        control->addTarget(event, [weak, action](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                action(*self);
        });
    };
    m_cancel = std::make_shared<UIButton>(CGRectMake(8, 7, 70, 30));
    m_cancel->setTitleForState("Cancel", UIControlStateNormal);
    on(m_cancel, UIControlEventTouchUpInside, [](UIPrintPanelViewController& p) { p.cancel(); });
    bar->addSubview(m_cancel);
    auto title = std::make_shared<UILabel>(CGRectMake(86, 7, size.width - 172, 30));
    title->setText("Printer Options");
    title->setFont(UIFont::boldSystemFontOfSize(17));
    title->setTextAlignment(UITextAlignmentCenter);
    title->setBackgroundColor(UIColor::clearColor());
    bar->addSubview(title);
    m_print = std::make_shared<UIButton>(CGRectMake(size.width - 78, 7, 70, 30));
    m_print->setTitleForState("Print", UIControlStateNormal);
    m_print->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
    on(m_print, UIControlEventTouchUpInside, [](UIPrintPanelViewController& p) { p.print(); });
    bar->addSubview(m_print);

    CGFloat y = 52;
    auto caption = std::make_shared<UILabel>(CGRectMake(12, y, size.width - 24, 24));
    caption->setText("Printer");
    // A dark grey: the plain system grey reads too faintly on white.
    caption->setTextColor(UIColor::darkGrayColor());
    view->addSubview(caption);
    y += 24;
    m_printerButtons.clear();
    for (size_t i = 0; i < m_printers.size(); ++i) {
        auto row = std::make_shared<UIButton>(CGRectMake(12, y, size.width - 24, kRow - 4));
        styleOnWhite(*row);
        row->setTitleColorForState(UIColor::blackColor(), UIControlStateNormal);
        row->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentLeft);
        on(row, UIControlEventTouchUpInside, [i](UIPrintPanelViewController& p) { p.choosePrinter(i); });
        view->addSubview(row);
        m_printerButtons.push_back(row);
        y += kRow;
    }
    y += 8;
    m_fewer = std::make_shared<UIButton>(CGRectMake(size.width - 104, y, 44, kRow - 4));
    m_fewer->setTitleForState("−", UIControlStateNormal);
    styleOnWhite(*m_fewer);
    on(m_fewer, UIControlEventTouchUpInside, [](UIPrintPanelViewController& p) {
        p.m_copies = std::max(1, p.m_copies - 1);
        p.update();
    });
    m_more = std::make_shared<UIButton>(CGRectMake(size.width - 56, y, 44, kRow - 4));
    m_more->setTitleForState("+", UIControlStateNormal);
    styleOnWhite(*m_more);
    on(m_more, UIControlEventTouchUpInside, [](UIPrintPanelViewController& p) {
        p.m_copies = std::min(kMaxCopies, p.m_copies + 1);
        p.update();
    });
    m_copiesLabel = std::make_shared<UILabel>(CGRectMake(12, y, size.width - 130, kRow - 4));
    view->addSubview(m_copiesLabel);
    view->addSubview(m_fewer);
    view->addSubview(m_more);
    y += kRow;
    m_twoSidedLabel = std::make_shared<UILabel>(CGRectMake(12, y, size.width - 130, kRow - 4));
    m_twoSidedLabel->setText("Double-sided");
    view->addSubview(m_twoSidedLabel);
    m_twoSidedSwitch = std::make_shared<UISwitch>(CGRectMake(size.width - 91, y + 4, 79, 27));
    m_twoSidedSwitch->setOn(m_twoSided);
    on(m_twoSidedSwitch, UIControlEventValueChanged,
        [](UIPrintPanelViewController& p) { p.m_twoSided = p.m_twoSidedSwitch->isOn(); });
    view->addSubview(m_twoSidedSwitch);
    y += kRow;
    if (m_showsPageRange) {
        auto pages = std::make_shared<UILabel>(CGRectMake(12, y, 70, kRow - 4));
        pages->setText("Pages");
        view->addSubview(pages);
        m_pages = std::make_shared<UITextField>(CGRectMake(86, y + 3, size.width - 98, 30));
        m_pages->setBorderStyle(UITextBorderStyleRoundedRect);
        m_pages->setPlaceholder("All " + std::to_string(m_pageCount) + (m_pageCount == 1 ? " page" : " pages"));
        on(m_pages, UIControlEventEditingChanged, [](UIPrintPanelViewController& p) { p.update(); });
        view->addSubview(m_pages);
        y += kRow;
    }
    m_problem = std::make_shared<UILabel>(CGRectMake(12, y, size.width - 24, 24));
    m_problem->setTextColor(UIColor::redColor());
    view->addSubview(m_problem);
    setView(view);
    update();
}

void UIPrintPanelViewController::choosePrinter(size_t index)
{
    if (index >= m_printers.size())
        return;
    m_chosen = index;
    update();
}

std::optional<std::string> UIPrintPanelViewController::pageRanges() const
{
    if (!m_pages)
        return std::string();
    return PrintService::parsePageRanges(m_pages->text(), m_pageCount);
}

void UIPrintPanelViewController::update()
{
    if (!m_print)
        return;
    for (size_t i = 0; i < m_printerButtons.size(); ++i)
        m_printerButtons[i]->setTitleForState(
            (i == m_chosen ? "✓ " : "    ") + m_printers[i].title(), UIControlStateNormal);
    m_copiesLabel->setText(copiesText(m_copies));
    m_fewer->setEnabled(m_copies > 1);
    m_more->setEnabled(m_copies < kMaxCopies);
    bool twoSided = chosenPrinter().twoSided;
    m_twoSidedLabel->setHidden(!twoSided);
    m_twoSidedSwitch->setHidden(!twoSided);
    std::string problem;
    if (!chosenPrinter().accepting)
        problem = "\"" + chosenPrinter().title() + "\" is not taking jobs";
    else if (!pageRanges())
        problem = "Pages are 1 to " + std::to_string(m_pageCount) + ", as in 1-3, 5";
    m_problem->setText(problem);
    m_print->setEnabled(problem.empty() && !m_finished);
}

std::shared_ptr<UIButton> UIPrintPanelViewController::printButton()
{
    view();
    return m_print;
}

std::shared_ptr<UIButton> UIPrintPanelViewController::cancelButton()
{
    view();
    return m_cancel;
}

std::shared_ptr<UIButton> UIPrintPanelViewController::printerButton(size_t index)
{
    view();
    return index < m_printerButtons.size() ? m_printerButtons[index] : nullptr;
}

std::shared_ptr<UIButton> UIPrintPanelViewController::moreCopiesButton()
{
    view();
    return m_more;
}

std::shared_ptr<UIButton> UIPrintPanelViewController::fewerCopiesButton()
{
    view();
    return m_fewer;
}

std::shared_ptr<UILabel> UIPrintPanelViewController::copiesLabel()
{
    view();
    return m_copiesLabel;
}

std::shared_ptr<UISwitch> UIPrintPanelViewController::twoSidedSwitch()
{
    view();
    return m_twoSidedSwitch->isHidden() ? nullptr : m_twoSidedSwitch;
}

std::shared_ptr<UITextField> UIPrintPanelViewController::pageRangeField()
{
    view();
    return m_pages;
}

std::shared_ptr<UILabel> UIPrintPanelViewController::problemLabel()
{
    view();
    return m_problem;
}

void UIPrintPanelViewController::finish(const std::optional<Choice>& choice)
{
    if (m_finished)
        return;
    m_finished = true;
    auto keep = shared_from_this();
    if (m_finish)
        m_finish(choice);
}

void UIPrintPanelViewController::print()
{
    view();
    update();
    if (m_finished || !m_print->isEnabled())
        return;
    Choice choice;
    choice.printer = chosenPrinter().name;
    choice.copies = m_copies;
    choice.twoSided = chosenPrinter().twoSided && m_twoSided;
    choice.pageRanges = pageRanges().value_or("");
    finish(choice);
}

void UIPrintPanelViewController::cancel() { finish(std::nullopt); }
