#include "Classes/QuoteOrder/HistoryEditPopController.h"

#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"

void HistoryEditPopController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<HistoryEditPopController>();
    const auto button = [&](CGRect frame, long tag, const char* highlighted) {
        auto b = std::make_shared<UIButton>(frame);
        b->setTag(tag);
        b->setBackgroundImageForState(UIImage::imageNamed("bg_popbutton.png"), UIControlStateNormal);
        b->setBackgroundImageForState(UIImage::imageNamed(highlighted), UIControlStateHighlighted);
        b->setTitleColorForState(UIColor::blackColor(), UIControlStateNormal);
        b->setTitleColorForState(UIColor::whiteColor(), UIControlStateHighlighted);
        b->titleLabel()->setFont(UIFont::boldSystemFontOfSize(15));
        b->addTarget(UIControlEventTouchUpInside, [weak, tag](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->buttonClick(tag);
        });
        view()->addSubview(b);
        return b;
    };
    m_btnCopy = button(CGRectMake(0, 0, 60, 34), kCopyTag, "btn_copy_highlighted.png");
    m_btnDelete = button(CGRectMake(61, 0, 60, 34), kDeleteTag, "btn_delete_highlighted.png");
    updateLanguage(nullptr);
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void HistoryEditPopController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!m_btnCopy)
        return;
    m_btnCopy->setTitleForState(Language::stringOrKey("COPY"), UIControlStateNormal);
    m_btnDelete->setTitleForState(Language::stringOrKey("DELETE"), UIControlStateNormal);
}

void HistoryEditPopController::buttonClick(long tag)
{
    auto keep = protect<HistoryEditPopController>();
    auto d = delegate();
    if (!d)
        return;
    if (tag == kCopyTag)
        d->historyOrderCopy(cellTag);
    else
        d->historyOrderDelete(cellTag);
}
