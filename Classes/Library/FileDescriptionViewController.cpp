#include "Classes/Library/FileDescriptionViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Library/LibraryText.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>

std::shared_ptr<FileDescriptionViewController> FileDescriptionViewController::initWithNibNameBundle(const std::string&)
{
    return std::make_shared<FileDescriptionViewController>();
}

FileDescriptionViewController::FileDescriptionViewController()
    : m_delButton(UIButton::buttonWithType(UIButtonTypeCustom))
{
}

FileDescriptionViewController::~FileDescriptionViewController()
{
    if (auto window = m_tapWindow.lock(); window && m_tapGesture)
        window->removeGestureRecognizer(m_tapGesture);
}

// The sheet's own layout, standing for its interface file.
void FileDescriptionViewController::buildInterface()
{
    auto root = view();
    root->setFrame(CGRectMake(0, 0, kWidth, kHeight));
    root->setBackgroundColor(UIColor::whiteColor());
    auto label = [&](CGRect frame, const std::shared_ptr<UIFont>& font) {
        auto l = std::make_shared<UILabel>(frame);
        l->setFont(font);
        l->setBackgroundColor(UIColor::clearColor());
        l->setTextColor(UIColor::darkGrayColor());
        root->addSubview(l);
        return l;
    };
    m_imageView = std::make_shared<UIImageView>(CGRectMake(20, 20, 150, 210));
    root->addSubview(m_imageView);
    m_nameLabel = label(CGRectMake(190, 20, 409, 50), UIFont::boldSystemFontOfSize(20));
    m_nameLabel->setNumberOfLines(2);
    m_dateLabel = label(CGRectMake(190, 76, 409, 22), UIFont::systemFontOfSize(15));
    m_formatLabel = label(CGRectMake(190, 100, 409, 22), UIFont::systemFontOfSize(15));
    m_videoDurationLabel = label(CGRectMake(190, 124, 409, 22), UIFont::systemFontOfSize(15));

    auto weak = weakSelf<FileDescriptionViewController>();
    m_actionButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_actionButton->setFrame(CGRectMake(190, 190, 120, 34));
    m_actionButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->actionButtonPressed();
    });
    root->addSubview(m_actionButton);

    m_favButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_favButton->setFrame(CGRectMake(330, 190, 34, 34));
    m_favButton->setBackgroundImageForState(UIImage::imageNamed("btn-addfav"), UIControlStateNormal);
    m_favButton->setBackgroundImageForState(UIImage::imageNamed("btn-favAdded"), UIControlStateSelected);
    m_favButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& control, UIEvent*) {
        if (auto self = weak.lock())
            self->markButtonPressed(static_cast<UIButton&>(control));
    });
    root->addSubview(m_favButton);

    m_delButton->setFrame(CGRectMake(560, 190, 34, 34));
    m_delButton->setImageForState(UIImage::imageNamed("file-del.png"), UIControlStateNormal);
    m_delButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->deleteButtonPressed();
    });
    root->addSubview(m_delButton);

    m_descTextView = std::make_shared<UITextView>(CGRectMake(20, 250, 579, 180));
    root->addSubview(m_descTextView);
}

void FileDescriptionViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    buildInterface();
    if (!m_fileEntity)
        return;
    const auto& f = *m_fileEntity;
    const int type = LibraryText::typeCodeOf(f.type);
    PublicFunction::ImageViewFitImgImg(
        m_imageView, PublicFunction::getLocalImageFiletype(f.cover_image.value_or(std::string()), type));
    m_nameLabel->setText(f.title.value_or(std::string()));
    m_formatLabel->setText(f.infoShow());
    m_videoDurationLabel->setText(f.duration());
    m_dateLabel->setText(PublicFunction::formatDate(f.date));

    m_descTextView->setText(f.description.value_or(std::string()));
    if (m_descTextView->text().empty()) {
        m_descTextView->setText(text("NODESCRIPTION"));
        m_descTextView->setFont(UIFont::italicSystemFontOfSize(14));
    }
    m_descTextView->setTextColor(UIColor::darkGrayColor());
    m_descTextView->setContentInset(UIEdgeInsetsMake(3, 10, 3, 10));
    m_descTextView->setEditable(false);
    m_descTextView->setContentSize(CGSizeMake(550, 180));

    auto data = DataAccessManager::sharedDataModel();
    m_isMarked = data->getLibraryFavoriteByFavoriteId(f.file_id) != nullptr;

    PublicFunction::initializeToButtonHeight34(m_actionButton);
    if (!SaleslibraryModel::sharedInstance()->isExists(f.file_id)) {
        m_actionButton->setTitleForState(text("DOWNLOAD"), UIControlStateNormal);
        return;
    }
    const auto updates = data->getAllLibFileUpdateIDs();
    const bool pending = std::find(updates.begin(), updates.end(), f.file_id) != updates.end();
    m_actionButton->setTitleForState(text(pending ? "UPDATE" : "OPEN"), UIControlStateNormal);
    m_favButton->setBackgroundImageForState(
        UIImage::imageNamed(m_isMarked ? "btn-favAdded" : "btn-addfav"), UIControlStateNormal);
    m_favButton->setBackgroundImageForState(
        UIImage::imageNamed(m_isMarked ? "btn-addfav" : "btn-favAdded"), UIControlStateSelected);
}

void FileDescriptionViewController::viewDidAppear(bool animated)
{
    UIViewController::viewDidAppear(animated);
    auto window = view()->window();
    if (!window || m_tapGesture)
        return;
    auto weak = weakSelf<FileDescriptionViewController>();
    m_tapGesture = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto self = weak.lock())
            self->handleTapBehind(r);
    });
    m_tapGesture->setCancelsTouchesInView(false);
    window->addGestureRecognizer(m_tapGesture);
    m_tapWindow = window;
}

void FileDescriptionViewController::viewDidUnload()
{
    UIViewController::viewDidUnload();
    m_nameLabel.reset();
    m_dateLabel.reset();
    m_formatLabel.reset();
    m_videoDurationLabel.reset();
    m_favButton.reset();
    m_actionButton.reset();
    m_descTextView.reset();
    m_imageView.reset();
    closeAndRemoveRecognizer();
}

void FileDescriptionViewController::closeAndRemoveRecognizer()
{
    if (auto window = m_tapWindow.lock(); window && m_tapGesture)
        window->removeGestureRecognizer(m_tapGesture);
    m_tapGesture.reset();
}

void FileDescriptionViewController::handleTapBehind(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateEnded)
        return;
    auto self = shared_from_this();
    const CGPoint inWindow = recognizer.locationInView(static_cast<const UIView*>(nullptr));
    const CGPoint inSheet = view()->convertPointFromView(inWindow, static_cast<const UIView*>(nullptr));
    if (CGRectContainsPoint(view()->bounds(), inSheet))
        return;
    closeAndRemoveRecognizer();
    dismissViewControllerAnimatedCompletion(true, nullptr);
}

void FileDescriptionViewController::actionButtonPressed()
{
    auto self = shared_from_this();
    auto delegate = delagate();
    if (!delegate || !delegate->respondsToActionButtonPressed())
        return;
    dismissViewControllerAnimatedCompletion(true, nullptr);
    delegate->actionButtonPressed(m_fileEntity);
    closeAndRemoveRecognizer();
}

void FileDescriptionViewController::deleteButtonPressed()
{
    NSLog("delete pressed");
    auto self = shared_from_this();
    auto delegate = delagate();
    if (!delegate || !delegate->respondsToDescriptionViewDeleteButtonPressed())
        return;
    dismissViewControllerAnimatedCompletion(true, nullptr);
    delegate->descriptionViewDeleteButtonPressed(m_fileEntity);
    closeAndRemoveRecognizer();
}

void FileDescriptionViewController::markButtonPressed(UIButton& button)
{
    NSLog("mark pressed");
    auto self = shared_from_this();
    if (!m_fileEntity)
        return;
    auto data = DataAccessManager::sharedDataModel();
    if (m_isMarked) {
        data->deleteLibraryFavoriteByFavoriteId(m_fileEntity->file_id);
        m_isMarked = false;
        button.setSelected(!button.isSelected());
    } else if (data->saveToDatabaseLibraryFavoriteName(m_fileEntity->file_id, m_fileEntity->file_name)) {
        m_isMarked = true;
        button.setSelected(!button.isSelected());
    }
    if (auto delegate = delagate(); delegate && delegate->respondsToMarkButtonPressed())
        delegate->markButtonPressed();
}
