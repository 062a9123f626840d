#pragma once

// Plays one video file on the device inside the application's frame: a top
// bar with back, the title and a loop toggle over the movie player. Opening
// starts playback at once with looping off; back stops the player and posts
// "stopViewVideo", on which the opener removes the screen. A file that cannot
// be opened or shows no picture stops, with a message in the player's area.

#include "Classes/Frame/BaseViewController.h"

#include <memory>
#include <string>

class MPMoviePlayerController;
class UIButton;
class UIImageView;
class UILabel;

inline const std::string kStopViewVideoNotification = "stopViewVideo";

class VideoViewController : public BaseViewController {
public:
    void createWithFilenameAndFilePath(const std::string& title, const std::string& filePath);
    void btnbackClicked();
    void btnLoopPlayTapped();
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    const std::shared_ptr<MPMoviePlayerController>& moviePlayer() const { return m_moviePlayer; }
    const std::shared_ptr<UIButton>& btnback() const { return m_btnback; }
    const std::shared_ptr<UIButton>& btnLoopPlay() const { return m_btnLoopPlay; }
    const std::shared_ptr<UILabel>& lbtitle() const { return m_lbtitle; }
    // The message over the player's area once the file proved unplayable.
    const std::shared_ptr<UILabel>& lblFailure() const { return m_lblFailure; }

private:
    std::shared_ptr<UIImageView> m_topbarview;
    std::shared_ptr<UIButton> m_btnback;
    std::shared_ptr<UILabel> m_lbtitle;
    std::shared_ptr<MPMoviePlayerController> m_moviePlayer;
    std::shared_ptr<UIButton> m_btnLoopPlay;
    std::shared_ptr<UILabel> m_lblFailure;

    void showFailure();
};
