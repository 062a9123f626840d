#pragma once

// The small modal sheet about one library file: cover, title, date, format
// and size, a video's duration and the description, with a button that opens,
// downloads or updates the file, a favourite toggle and delete. The sheet
// keeps the favourite itself; what open and delete do is its delegate's. A
// tap outside the sheet closes it.

#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIViewController.h"

#include <memory>

class UIButton;
class UIImageView;
class UILabel;
class UITextView;
struct corvelle_library_files_Entity;

class FileDescripionDelegate {
public:
    virtual ~FileDescripionDelegate() = default;
    virtual void descriptionViewDeleteButtonPressed(const std::shared_ptr<corvelle_library_files_Entity>& file) = 0;
    virtual void actionButtonPressed(const std::shared_ptr<corvelle_library_files_Entity>& file) = 0;
    virtual void markButtonPressed() = 0;
    // A delegate may decline an operation; the sheet then sends nothing for it.
    virtual bool respondsToDescriptionViewDeleteButtonPressed() const { return true; }
    virtual bool respondsToActionButtonPressed() const { return true; }
    virtual bool respondsToMarkButtonPressed() const { return true; }
};

class FileDescriptionViewController : public UIViewController {
public:
    // The sheet's size as the library grid presents it.
    static constexpr CGFloat kWidth = 619;
    static constexpr CGFloat kHeight = 450;

    static std::shared_ptr<FileDescriptionViewController> initWithNibNameBundle(const std::string& nibName);
    FileDescriptionViewController();
    ~FileDescriptionViewController() override;

    void viewDidLoad() override;
    void viewDidAppear(bool animated) override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    const std::shared_ptr<corvelle_library_files_Entity>& fileEntity() const { return m_fileEntity; }
    void setFileEntity(std::shared_ptr<corvelle_library_files_Entity> file) { m_fileEntity = std::move(file); }
    std::shared_ptr<FileDescripionDelegate> delagate() const { return m_delagate.lock(); }
    void setDelagate(std::weak_ptr<FileDescripionDelegate> d) { m_delagate = std::move(d); }
    bool isMarked() const { return m_isMarked; }

    const std::shared_ptr<UILabel>& nameLabel() const { return m_nameLabel; }
    const std::shared_ptr<UILabel>& dateLabel() const { return m_dateLabel; }
    const std::shared_ptr<UILabel>& formatLabel() const { return m_formatLabel; }
    const std::shared_ptr<UILabel>& videoDurationLabel() const { return m_videoDurationLabel; }
    const std::shared_ptr<UIButton>& favButton() const { return m_favButton; }
    const std::shared_ptr<UIButton>& delButton() const { return m_delButton; }
    const std::shared_ptr<UIButton>& actionButton() const { return m_actionButton; }
    const std::shared_ptr<UITextView>& descTextView() const { return m_descTextView; }
    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }
    const std::shared_ptr<UITapGestureRecognizer>& tapGesture() const { return m_tapGesture; }

    void deleteButtonPressed();
    void markButtonPressed(UIButton& button);
    void actionButtonPressed();
    void handleTapBehind(UIGestureRecognizer& recognizer);

private:
    void buildInterface();
    void closeAndRemoveRecognizer();

    std::shared_ptr<UILabel> m_nameLabel, m_dateLabel, m_formatLabel, m_videoDurationLabel;
    std::shared_ptr<UIButton> m_favButton, m_delButton, m_actionButton;
    std::shared_ptr<UITextView> m_descTextView;
    std::shared_ptr<UIImageView> m_imageView;
    bool m_isMarked = false;
    std::shared_ptr<corvelle_library_files_Entity> m_fileEntity;
    std::weak_ptr<FileDescripionDelegate> m_delagate;
    std::shared_ptr<UITapGestureRecognizer> m_tapGesture;
    std::weak_ptr<UIView> m_tapWindow;
};
