#pragma once

// The print panel the print controller shows in a pop-over: Cancel and Print
// in its bar, the printers the print system offers (the default one chosen,
// else the first), the number of copies, two-sided printing when the chosen
// printer can do it, and, when asked for, the pages to print. Print is only
// enabled while the choice can be printed: a printer that takes jobs and
// pages that lie in the document.

#include "Platform/UIKit/PrintService.h"
#include "Platform/UIKit/UIViewController.h"

#include <functional>
#include <optional>

class UIButton;
class UILabel;
class UISwitch;
class UITextField;

class UIPrintPanelViewController : public UIViewController {
public:
    struct Choice {
        std::string printer;
        int copies = 1;
        bool twoSided = false;  // only when the printer can
        std::string pageRanges;  // IPP ranges; empty for every page
    };
    // Nothing when the person cancelled.
    using Finish = std::function<void(const std::optional<Choice>&)>;

    static constexpr int kMaxCopies = 99;

    // `pageCount` 0 hides the page range whatever `showsPageRange` says.
    UIPrintPanelViewController(
        std::vector<PrintDestination> printers, bool twoSidedAsked, bool showsPageRange, size_t pageCount);
    void setFinish(Finish f) { m_finish = std::move(f); }

    const std::vector<PrintDestination>& printers() const { return m_printers; }
    const PrintDestination& chosenPrinter() const { return m_printers[m_chosen]; }
    void choosePrinter(size_t index);
    int copies() const { return m_copies; }

    // What a person taps or types into.
    std::shared_ptr<UIButton> printButton();
    std::shared_ptr<UIButton> cancelButton();
    std::shared_ptr<UIButton> printerButton(size_t index);
    std::shared_ptr<UIButton> moreCopiesButton();
    std::shared_ptr<UIButton> fewerCopiesButton();
    std::shared_ptr<UILabel> copiesLabel();
    // Null while the chosen printer prints on one side only.
    std::shared_ptr<UISwitch> twoSidedSwitch();
    // Null when no page range is offered.
    std::shared_ptr<UITextField> pageRangeField();
    std::shared_ptr<UILabel> problemLabel();

    void print();
    void cancel();
    void loadView() override;

private:
    std::optional<std::string> pageRanges() const;
    void update();
    void finish(const std::optional<Choice>& choice);

    std::vector<PrintDestination> m_printers;
    size_t m_chosen = 0;
    int m_copies = 1;
    bool m_twoSided;
    bool m_showsPageRange;
    size_t m_pageCount;
    bool m_finished = false;
    Finish m_finish;
    std::shared_ptr<UIButton> m_print;
    std::shared_ptr<UIButton> m_cancel;
    std::vector<std::shared_ptr<UIButton>> m_printerButtons;
    std::shared_ptr<UIButton> m_more;
    std::shared_ptr<UIButton> m_fewer;
    std::shared_ptr<UILabel> m_copiesLabel;
    std::shared_ptr<UILabel> m_twoSidedLabel;
    std::shared_ptr<UISwitch> m_twoSidedSwitch;
    std::shared_ptr<UITextField> m_pages;
    std::shared_ptr<UILabel> m_problem;
};
