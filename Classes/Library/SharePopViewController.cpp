#include "Classes/Library/SharePopViewController.h"

#include "Classes/Frame/PublicFunction.h"
#include "Classes/Library/LibraryFileActions.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"

std::shared_ptr<UIButton> SharePopViewController::makeButton(
    CGFloat y, void (SharePopViewControllerDelegate::*action)())
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(0, y, 200, 34));
    PublicFunction::initializeToButtonHeight34(button);
    auto weak = weakSelf<SharePopViewController>();
    button->addTarget(UIControlEventTouchUpInside, [weak, action](UIControl&, UIEvent*) {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto target = self->delegate())
            ((*target).*action)();
    });
    view()->addSubview(button);
    return button;
}

void SharePopViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    view()->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(29 / 255.0f, 32 / 255.0f, 40 / 255.0f, 1));
    view()->setOpaque(true);
    m_emailButton = makeButton(0, &SharePopViewControllerDelegate::emailAction);
    m_printButton = makeButton(41, &SharePopViewControllerDelegate::printAction);
    m_thirdButton = makeButton(82, &SharePopViewControllerDelegate::thirdAction);
    updateLanguage(nullptr);
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void SharePopViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!m_emailButton)
        return;
    const auto titles = LibraryFileActions::shareChoiceTitles();
    m_emailButton->setTitleForState(
        titles[static_cast<size_t>(LibraryFileActions::ShareChoice::Email)], UIControlStateNormal);
    m_printButton->setTitleForState(
        titles[static_cast<size_t>(LibraryFileActions::ShareChoice::Print)], UIControlStateNormal);
    m_thirdButton->setTitleForState(
        titles[static_cast<size_t>(LibraryFileActions::ShareChoice::OpenIn)], UIControlStateNormal);
}
