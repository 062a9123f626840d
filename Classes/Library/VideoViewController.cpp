#include "Classes/Library/VideoViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UIToast.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/MPMoviePlayerController.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

void VideoViewController::createWithFilenameAndFilePath(const std::string& title, const std::string& filePath)
{
    auto root = view();
    root->setFrame(CGRectMake(0, 20, 1024, 748));

    auto background = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 748));
    background->setImage(UIImage::imageNamed("video-bg.png"));
    root->addSubview(background);

    m_moviePlayer = std::make_shared<MPMoviePlayerController>("file://" + filePath);
    auto picture = m_moviePlayer->view();
    picture->setFrame(CGRectMake(50, 94, 924, 604));
    picture->setBackgroundColor(UIColor::lightGrayColor());
    root->addSubview(picture);

    m_topbarview = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 44));
    m_topbarview->setUserInteractionEnabled(true);
    m_topbarview->setContentMode(UIViewContentModeScaleAspectFill);
    // A skin's bar picture of another shape than the bar is filled past the
    // bar's height; it must not lie over the film.
    m_topbarview->setClipsToBounds(true);
    m_topbarview->setBackgroundColor(UIColor::whiteColor());
    m_topbarview->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    root->addSubview(m_topbarview);

    auto weak = weakSelf<VideoViewController>();
    m_btnback = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnback->setFrame(CGRectMake(8, 5, 60, 34));
    PublicFunction::initializeToBackButtonHeight34(m_btnback);
    m_btnback->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
    m_btnback->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnbackClicked();
    });
    m_topbarview->addSubview(m_btnback);

    m_btnLoopPlay = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnLoopPlay->setFrame(CGRectMake(959, 5, 50, 34));
    PublicFunction::initializeToButtonHeight34(m_btnLoopPlay);
    m_btnLoopPlay->setImageForState(UIImage::imageNamed("icon_loop_play_off.png"), UIControlStateNormal);
    m_btnLoopPlay->setImageForState(UIImage::imageNamed("icon_loop_play.png"), UIControlStateSelected);
    m_btnLoopPlay->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnLoopPlayTapped();
    });
    m_btnLoopPlay->setSelected(false);
    m_topbarview->addSubview(m_btnLoopPlay);

    m_lbtitle = std::make_shared<UILabel>(CGRectMake(312, 2, 400, 40));
    m_lbtitle->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_lbtitle->setBackgroundColor(UIColor::clearColor());
    m_lbtitle->setTextAlignment(UITextAlignmentCenter);
    m_lbtitle->setTextColor(UIColor::whiteColor());
    m_lbtitle->setText(title);
    m_topbarview->addSubview(m_lbtitle);

    // A file the player cannot show is said so in its area, rather than left
    // looking as if it played.
    NSNotificationCenter::defaultCenter().addObserver(
        std::weak_ptr<void>(weak.lock()), MPMoviePlayerPlaybackDidFinishNotification,
        [weak](const NSNotification& note) {
            auto self = weak.lock();
            if (self
                && note.userInfo[MPMoviePlayerPlaybackDidFinishReasonUserInfoKey].intValue()
                    == MPMovieFinishReasonPlaybackError)
                self->showFailure();
        },
        m_moviePlayer.get());
    m_moviePlayer->play();
    if (m_moviePlayer->isPreparedToPlay() && !m_moviePlayer->currentPicture())
        showFailure();
}

void VideoViewController::showFailure()
{
    if (!m_moviePlayer || m_lblFailure)
        return;
    m_moviePlayer->stop();
    auto picture = m_moviePlayer->view();
    m_lblFailure = std::make_shared<UILabel>(picture->bounds());
    m_lblFailure->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_lblFailure->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.08f, 1));
    m_lblFailure->setTextColor(UIColor::whiteColor());
    m_lblFailure->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_lblFailure->setTextAlignment(UITextAlignmentCenter);
    m_lblFailure->setNumberOfLines(0);
    m_lblFailure->setText(Language::stringOrKey("THEFILEISCORRUPTED"));
    picture->addSubview(m_lblFailure);
}

void VideoViewController::btnLoopPlayTapped()
{
    bool loop = !m_btnLoopPlay->isSelected();
    m_btnLoopPlay->setSelected(loop);
    m_moviePlayer->repeatMode = loop ? MPMovieRepeatModeOne : MPMovieRepeatModeNone;
    auto toast = std::make_shared<UIToast>();
    toast->show(Language::stringWithName(loop ? "LOOPPLAYENABLED" : "LOOPPLAYDISABLED"));
}

void VideoViewController::btnbackClicked()
{
    auto keep = shared_from_this();
    // A second tap before the opener removed the screen must not ask it to go twice.
    if (!m_moviePlayer)
        return;
    NSNotificationCenter::defaultCenter().removeObserver(this, MPMoviePlayerPlaybackDidFinishNotification);
    m_moviePlayer->stop();
    m_moviePlayer->view()->removeFromSuperview();
    m_moviePlayer.reset();
    NSNotificationCenter::defaultCenter().postNotificationName(kStopViewVideoNotification);
}

void VideoViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_btnback)
        m_btnback->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
}
