#include "Classes/Library/LibraryDetailCell.h"

#include "Classes/Frame/ImageLoadOperation.h"
#include "Classes/Frame/ImageLoadQueueManager.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UITouch.h"

std::shared_ptr<LibraryDetailCell> LibraryDetailCell::initWithFrameReuseIdentifier(
    CGRect frame, const std::string& reuseIdentifier)
{
    auto cell = std::make_shared<LibraryDetailCell>(frame, reuseIdentifier);
    cell->setUpViews();
    return cell;
}

LibraryDetailCell::LibraryDetailCell(CGRect frame, const std::string& reuseIdentifier)
    : GridViewCell(frame, reuseIdentifier)
{
}

void LibraryDetailCell::setUpViews()
{
    const CGFloat W = bounds().size.width;
    const CGFloat H = bounds().size.height;
    auto content = contentView();
    std::weak_ptr<LibraryDetailCell> weak = std::static_pointer_cast<LibraryDetailCell>(sharedCell());
    auto clearLabel = [](CGRect frame, CGFloat size, const std::shared_ptr<UIColor>& color) {
        auto label = std::make_shared<UILabel>(frame);
        label->setFont(UIFont::fontWithNameSize("HelveticaNeue-Bold", size));
        label->setTextColor(color);
        label->setBackgroundColor(UIColor::clearColor());
        return label;
    };

    m_shakingView = std::make_shared<UIView>(content->bounds());
    content->addSubview(m_shakingView);

    m_backGroundImageView = std::make_shared<UIImageView>(bounds());
    m_shakingView->addSubview(m_backGroundImageView);

    m_fileImageView = std::make_shared<UIImageView>(CGRectMake(35, 20, 110, 154));
    m_fileImageView->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleRightMargin);
    m_shakingView->addSubview(m_fileImageView);

    m_titleLabel = clearLabel(CGRectMake(20, 170, 140, 40), 15, UIColor::grayColor());
    m_titleLabel->setNumberOfLines(2);
    m_titleLabel->setLineBreakMode(UILineBreakModeTailTruncation);
    m_shakingView->addSubview(m_titleLabel);

    // Dark grey, not light grey: light grey on the picture's pale band (or on
    // white) cannot be read, and the band must stay pale for the grey title.
    m_formatLabel = clearLabel(CGRectMake(20, H - 30, 100, 20), 13, UIColor::darkGrayColor());
    m_shakingView->addSubview(m_formatLabel);

    m_infoButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_infoButton->setFrame(CGRectMake(W - 50, H - 50, 50, 50));
    m_infoButton->setBackgroundColor(UIColor::clearColor());
    m_infoButton->setImageForState(UIImage::imageNamed("icon_i.png"), UIControlStateNormal);
    m_infoButton->setImageForState(UIImage::imageNamed("icon_i_on.png"), UIControlStateHighlighted);
    m_infoButton->imageEdgeInsets = UIEdgeInsetsMake(13, 13, 14, 14);
    m_infoButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->infoButtonPress();
    });
    m_shakingView->addSubview(m_infoButton);

    m_pauseView = std::make_shared<UIImageView>(bounds());
    m_pauseView->setHidden(true);
    m_pauseView->setAlpha(0.8);
    m_downloadingLabel = clearLabel(CGRectMake(10, H - 30, W - 20, 20), 13, UIColor::whiteColor());
    m_downloadingLabel->setTextAlignment(UITextAlignmentCenter);
    m_pauseView->addSubview(m_downloadingLabel);
    m_shakingView->addSubview(m_pauseView);

    m_progressView = std::make_shared<UIProgressView>(UIProgressViewStyleBar);
    m_progressView->setFrame(CGRectMake(20, 170, W - 40, 20));
    m_shakingView->addSubview(m_progressView);

    // On the content view itself, half outside the corner, so it stays still while the rest wiggles.
    m_deleteButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_deleteButton->setFrame(CGRectMake(-20, -20, 60, 60));
    m_deleteButton->imageEdgeInsets = UIEdgeInsetsMake(15, 15, 15, 15);
    m_deleteButton->setImageForState(UIImage::imageNamed("file-del.png"), UIControlStateNormal);
    m_deleteButton->setHidden(true);
    m_deleteButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->DelteBtnClicked();
    });
    content->addSubview(m_deleteButton);

    m_markImageView = std::make_shared<UIImageView>(CGRectMake(W - 30, 20, 20, 20));
    m_shakingView->addSubview(m_markImageView);

    m_ribbonView = std::make_shared<UIImageView>(CGRectMake(4, 1, 83, 72));
    m_shakingView->addSubview(m_ribbonView);

    content->setOpaque(false);
    setOpaque(false);
    if (auto background = backgroundView())
        background->setHidden(true);
    content->setBackgroundColor(UIColor::clearColor());
    setBackgroundColor(UIColor::clearColor());
    setSelectionStyle(GridViewCellSelectionStyleNone);

    auto press = std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto self = weak.lock())
            self->longPressed(r);
    });
    press->minimumPressDuration = 0.7;
    m_shakingView->addGestureRecognizer(press);
    auto tap = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto self = weak.lock())
            self->handleTap(r);
    });
    tap->setDelegate(std::static_pointer_cast<LibraryDetailCell>(sharedCell()));
    content->addGestureRecognizer(tap);
}

void LibraryDetailCell::setRibbon(long ribbon)
{
    const bool chinese = LanguageManager::sharedInstance()->currentLanguage() == 2;
    if (ribbon == 2)
        m_ribbonView->setImage(UIImage::imageNamed(chinese ? "ribbon_update_cn.png" : "ribbon_update_en.png"));
    else if (ribbon == 1)
        m_ribbonView->setImage(UIImage::imageNamed(chinese ? "ribbon_new_cn.png" : "ribbon_new_en.png"));
    else
        m_ribbonView->setImage(nullptr);
}

void LibraryDetailCell::setShaking(bool shaking)
{
    if (shaking == m_shaking)
        return;
    m_shaking = shaking;
    setViewShakingShaking(m_shakingView, shaking);
}

void LibraryDetailCell::setViewShakingShaking(const std::shared_ptr<UIView>& view, bool shaking)
{
    PublicFunction::setViewShakingShaking(view, shaking);
}

void LibraryDetailCell::loadFileImageAsyncWithNameTypeAnimation(
    const std::optional<std::string>& name, int type, bool animation)
{
    m_fileImageView->setAlpha(0);
    const std::string path = PublicFunction::localImagePathFiletype(name.value_or(std::string()), type);
    // Only the latest cover asked for is shown: the cell may have been reused meanwhile.
    const unsigned request = ++m_fileImageRequests;
    BackgroundWork::run(
        std::static_pointer_cast<LibraryDetailCell>(sharedCell()),
        [path, type] { return PublicFunction::localImageAtPathFiletype(path, type); },
        [request](const LibraryDetailCell& cell) { return cell.m_fileImageRequests == request; },
        [animation](const std::shared_ptr<LibraryDetailCell>& cell, const std::shared_ptr<UIImage>& image) {
            cell->loadFileImageWithImageAnimation(image, animation);
        });
}

void LibraryDetailCell::loadFileImageWithImageAnimation(const std::shared_ptr<UIImage>& image, bool animation)
{
    auto operation = std::make_shared<ImageLoadOperation>(image, m_fileImageView, animation);
    if (m_fileImageLoadOperation && (m_fileImageLoadOperation->isReady() || m_fileImageLoadOperation->isExecuting()))
        m_fileImageLoadOperation->cancel();
    m_fileImageLoadOperation = operation;
    ImageLoadQueueManager::sharedInstance()->loadImageWithOperationUnique(operation, false);
}

void LibraryDetailCell::infoButtonPress()
{
    auto self = sharedCell();
    if (auto delegate = detailDelegate())
        delegate->didSelectedInfoButton(m_file);
}

void LibraryDetailCell::DelteBtnClicked()
{
    auto self = sharedCell();
    if (auto delegate = detailDelegate(); delegate && delegate->respondsToDidSelectedDeleteButton())
        delegate->didSelectedDeleteButton(m_file);
}

void LibraryDetailCell::handleTap(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateRecognized)
        return;
    auto self = sharedCell();
    if (auto delegate = detailDelegate())
        delegate->didSelectedCellCellIndex(m_file, m_cellIndex);
}

void LibraryDetailCell::longPressed(UIGestureRecognizer& recognizer)
{
    // Once per press, however long it is held.
    if (recognizer.state() != UIGestureRecognizerStateBegan)
        return;
    auto self = sharedCell();
    if (auto delegate = detailDelegate(); delegate && delegate->respondsToDidCellLongPressed())
        delegate->didCellLongPressed();
}

bool LibraryDetailCell::gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, UITouch& touch)
{
    return !std::dynamic_pointer_cast<UIButton>(touch.view());
}
