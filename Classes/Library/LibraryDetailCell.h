#pragma once

// One library file in a grid, drawn as a small book: the book picture behind
// the cover, the title and format, a ribbon for new or updated files, the
// favourite mark, an info button and, while the file downloads or is paused,
// a translucent overlay with a progress bar. In edit mode everything but the
// delete button wiggles. The owner decides the state and sets every view each
// time it fills the cell; the cell only reports taps, long presses and its two
// buttons to its delegate.
//
// The cover file is read off the main thread; a newer cover load cancels an
// older one still waiting, so a reused cell never ends with another file's cover.

#include "Classes/Frame/GridViewCell.h"
#include "Classes/Library/LibraryDetailCellDelegate.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

#include <memory>
#include <optional>
#include <string>

class ImageLoadOperation;
class UIButton;
class UIImage;
class UIImageView;
class UILabel;
class UIProgressView;
struct corvelle_library_files_Entity;

class LibraryDetailCell : public GridViewCell, public UIGestureRecognizerDelegate {
public:
    static constexpr const char* kCellIdentifier = "CellIdentifier";

    static std::shared_ptr<LibraryDetailCell> initWithFrameReuseIdentifier(
        CGRect frame, const std::string& reuseIdentifier);
    LibraryDetailCell(CGRect frame, const std::string& reuseIdentifier);

    std::shared_ptr<LibraryDetailCellDelegate> detailDelegate() const { return m_detailDelegate.lock(); }
    void setDetailDelegate(std::weak_ptr<LibraryDetailCellDelegate> d) { m_detailDelegate = std::move(d); }
    const std::shared_ptr<corvelle_library_files_Entity>& file() const { return m_file; }
    void setFile(std::shared_ptr<corvelle_library_files_Entity> file) { m_file = std::move(file); }
    long cellIndex() const { return m_cellIndex; }
    void setCellIndex(long index) { m_cellIndex = index; }

    const std::shared_ptr<UIView>& shakingView() const { return m_shakingView; }
    const std::shared_ptr<UIImageView>& backGroundImageView() const { return m_backGroundImageView; }
    const std::shared_ptr<UIImageView>& fileImageView() const { return m_fileImageView; }
    const std::shared_ptr<UILabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<UILabel>& formatLabel() const { return m_formatLabel; }
    const std::shared_ptr<UIButton>& infoButton() const { return m_infoButton; }
    const std::shared_ptr<UIImageView>& pauseView() const { return m_pauseView; }
    const std::shared_ptr<UILabel>& downloadingLabel() const { return m_downloadingLabel; }
    const std::shared_ptr<UIProgressView>& progressView() const { return m_progressView; }
    const std::shared_ptr<UIImageView>& markImageView() const { return m_markImageView; }
    const std::shared_ptr<UIImageView>& ribbonView() const { return m_ribbonView; }
    const std::shared_ptr<UIButton>& deleteButton() const { return m_deleteButton; }
    const std::shared_ptr<ImageLoadOperation>& fileImageLoadOperation() const { return m_fileImageLoadOperation; }

    // 2 the update ribbon, 1 the new ribbon, anything else none.
    void setRibbon(long ribbon);
    bool shaking() const { return m_shaking; }
    void setShaking(bool shaking);
    bool isShaking() const { return m_isShaking; }
    void setIsShaking(bool on) { m_isShaking = on; }

    void loadFileImageAsyncWithNameTypeAnimation(const std::optional<std::string>& name, int type, bool animation);
    void loadFileImageWithImageAnimation(const std::shared_ptr<UIImage>& image, bool animation);
    static void setViewShakingShaking(const std::shared_ptr<UIView>& view, bool shaking);

    void infoButtonPress();
    void DelteBtnClicked();
    void handleTap(UIGestureRecognizer& recognizer);
    void longPressed(UIGestureRecognizer& recognizer);
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& recognizer, UITouch& touch) override;

private:
    void setUpViews();

    std::weak_ptr<LibraryDetailCellDelegate> m_detailDelegate;
    std::shared_ptr<corvelle_library_files_Entity> m_file;
    long m_cellIndex = 0;
    std::shared_ptr<UIView> m_shakingView;
    std::shared_ptr<UIImageView> m_backGroundImageView;
    std::shared_ptr<UIImageView> m_fileImageView;
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UILabel> m_formatLabel;
    std::shared_ptr<UIButton> m_infoButton;
    std::shared_ptr<UIImageView> m_pauseView;
    std::shared_ptr<UILabel> m_downloadingLabel;
    std::shared_ptr<UIProgressView> m_progressView;
    std::shared_ptr<UIButton> m_deleteButton;
    std::shared_ptr<UIImageView> m_markImageView;
    std::shared_ptr<UIImageView> m_ribbonView;
    std::shared_ptr<ImageLoadOperation> m_fileImageLoadOperation;
    unsigned m_fileImageRequests = 0;
    bool m_shaking = false;
    bool m_isShaking = false;
};
