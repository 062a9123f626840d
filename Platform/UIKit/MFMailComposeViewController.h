#pragma once

// The mail composer: a screen holding a message (recipients, copies,
// subject, body, attachments) that a person may edit, with Cancel and Send
// in its bar. Send hands the message to the user's mail account (see
// MailAccount) and waits on a worker for the server's answer, the screen
// showing that it is sending; the server's acceptance reports "sent", a
// refusal or a lost connection "failed" with the server's reason. Cancel
// reports "cancelled". The delegate dismisses the composer, as on the
// platform. Without a mail account mail cannot be sent at all.

#include "Platform/UIKit/MailMessage.h"
#include "Platform/UIKit/UIViewController.h"

class MFMailComposeViewController;
class NSError;
class UIButton;
class UILabel;
class UITextField;
class UITextView;

enum MFMailComposeResult {
    MFMailComposeResultCancelled,
    MFMailComposeResultSaved,
    MFMailComposeResultSent,
    MFMailComposeResultFailed,
};

class MFMailComposeViewControllerDelegate {
public:
    virtual ~MFMailComposeViewControllerDelegate() = default;
    virtual void mailComposeControllerDidFinishWithResultError(
        MFMailComposeViewController&, MFMailComposeResult, const std::shared_ptr<NSError>& error)
    {
    }
};

class MFMailComposeViewController : public UIViewController {
public:
    static bool canSendMail();

    std::shared_ptr<MFMailComposeViewControllerDelegate> mailComposeDelegate() const { return m_delegate.lock(); }
    void setMailComposeDelegate(std::weak_ptr<MFMailComposeViewControllerDelegate> d) { m_delegate = std::move(d); }

    void setToRecipients(std::vector<std::string> r);
    void setCcRecipients(std::vector<std::string> r);
    void setBccRecipients(std::vector<std::string> r) { m_message.bccRecipients = std::move(r); }
    void setSubject(const std::string& s);
    void setMessageBodyIsHTML(const std::string& body, bool isHTML);
    void addAttachmentDataMimeTypeFileName(const Data& data, const std::string& mimeType, const std::string& fileName);
    // The message as the person has edited it so far.
    const MailMessage& message() const;

    // The bar's buttons, as a person taps them.
    void send();
    void cancel();
    std::shared_ptr<UIButton> sendButton();
    std::shared_ptr<UIButton> cancelButton();
    // The editable fields, for a person (or a test) to type into.
    std::shared_ptr<UITextField> toField();
    std::shared_ptr<UITextField> ccField();
    std::shared_ptr<UITextField> subjectField();
    std::shared_ptr<UITextView> bodyView();
    bool isSending() const { return m_sending; }

    void loadView() override;

private:
    void finish(MFMailComposeResult result, std::shared_ptr<NSError> error);
    void readFields() const;
    void updateButtons();

    mutable MailMessage m_message;
    std::weak_ptr<MFMailComposeViewControllerDelegate> m_delegate;
    std::shared_ptr<UIButton> m_send;
    std::shared_ptr<UIButton> m_cancel;
    std::shared_ptr<UITextField> m_to;
    std::shared_ptr<UITextField> m_cc;
    std::shared_ptr<UITextField> m_subject;
    std::shared_ptr<UITextView> m_body;
    std::shared_ptr<UILabel> m_status;
    bool m_sending = false;
    bool m_finished = false;
};
