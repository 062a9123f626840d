#pragma once

// The reader's top bar: back, the page overview, share and the bookmark
// button, and on a tablet the document's name. The bookmark button stays
// disabled and blank until the reader first tells it the state of a page; a
// state set while the bar is hidden shows when the bar comes back.

#include "Classes/Library/GradientToolbarView.h"

#include <climits>
#include <memory>
#include <string>

class PdfDocument;
class PdfMainToolbar;
class UIButton;
class UIImage;
class UILabel;

class PdfMainToolbarDelegate {
public:
    virtual ~PdfMainToolbarDelegate() = default;
    virtual void tappedInToolbarDoneButton(PdfMainToolbar& toolbar, UIButton& button) = 0;
    virtual void tappedInToolbarThumbsButton(PdfMainToolbar& toolbar, UIButton& button) = 0;
    virtual void tappedInToolbarMarkButton(PdfMainToolbar& toolbar, UIButton& button) = 0;
    virtual void tappedInToolbarShareButton(PdfMainToolbar& toolbar, UIButton& button) = 0;
};

class PdfMainToolbar : public GradientToolbarView {
public:
    static constexpr long kUnknownState = LONG_MIN;
    static constexpr double kFadeDuration = 0.25;

    static std::shared_ptr<PdfMainToolbar> initWithFrameDocumentDocumentName(
        CGRect frame, const std::shared_ptr<PdfDocument>& document, const std::string& documentName);
    explicit PdfMainToolbar(CGRect frame);

    void setBookmarkState(bool state);
    void updateBookmarkImage();
    void hideToolbar();
    void showToolbar();
    void updateLanguage();

    void setDelegate(std::weak_ptr<PdfMainToolbarDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<UIButton>& shareButton() const { return m_shareButton; }
    void setShareButton(std::shared_ptr<UIButton> button) { m_shareButton = std::move(button); }

    const std::shared_ptr<UIButton>& backButton() const { return m_backButton; }
    const std::shared_ptr<UIButton>& thumbsButton() const { return m_thumbsButton; }
    const std::shared_ptr<UIButton>& markButton() const { return m_markButton; }
    const std::shared_ptr<UILabel>& titleLabel() const { return m_titleLabel; }

private:
    void build(const std::string& documentName);
    template <typename Call> void tell(UIButton& button, Call call);

    std::shared_ptr<UIButton> m_backButton;
    std::shared_ptr<UIButton> m_thumbsButton;
    std::shared_ptr<UIButton> m_markButton;
    std::shared_ptr<UIButton> m_shareButton;
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UIImage> m_markImageN;
    std::shared_ptr<UIImage> m_markImageY;
    std::weak_ptr<PdfMainToolbarDelegate> m_delegate;
};
