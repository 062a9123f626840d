#pragma once

// The mail composer: a screen holding a message (recipients, subject, body,
// attachments) with Cancel and Send buttons in its bar. Send writes the
// message into the mail outbox and reports "sent" (or "failed" with an error
// when it cannot be written); Cancel reports "cancelled". The delegate
// dismisses the composer, as on the platform. Mail can be sent when the
// outbox can be written; tests may say otherwise.

#include "Platform/UIKit/MailOutbox.h"
#include "Platform/UIKit/UIViewController.h"

class MFMailComposeViewController;
class NSError;
class UIButton;

enum MFMailComposeResult {
    MFMailComposeResultCancelled,
    MFMailComposeResultSaved,
    MFMailComposeResultSent,
    MFMailComposeResultFailed,
};

class MFMailComposeViewControllerDelegate {
public:
    virtual ~MFMailComposeViewControllerDelegate() = default;
    virtual void mailComposeControllerDidFinishWithResultError(MFMailComposeViewController&, MFMailComposeResult,
                                                               const std::shared_ptr<NSError>& error) {}
};

class MFMailComposeViewController : public UIViewController {
public:
    static bool canSendMail();
    // Overrides the answer of canSendMail (nullopt: the outbox decides).
    static void setCanSendMailOverride(std::optional<bool> answer);

    std::shared_ptr<MFMailComposeViewControllerDelegate> mailComposeDelegate() const { return m_delegate.lock(); }
    void setMailComposeDelegate(std::weak_ptr<MFMailComposeViewControllerDelegate> d) { m_delegate = std::move(d); }

    void setToRecipients(std::vector<std::string> r) { m_message.toRecipients = std::move(r); }
    void setCcRecipients(std::vector<std::string> r) { m_message.ccRecipients = std::move(r); }
    void setBccRecipients(std::vector<std::string> r) { m_message.bccRecipients = std::move(r); }
    void setSubject(const std::string& s) { m_message.subject = s; }
    void setMessageBodyIsHTML(const std::string& body, bool isHTML);
    void addAttachmentDataMimeTypeFileName(const Data& data, const std::string& mimeType, const std::string& fileName);
    const MailMessage& message() const { return m_message; }

    // The bar's buttons, as a person taps them.
    void send();
    void cancel();
    std::shared_ptr<UIButton> sendButton();
    std::shared_ptr<UIButton> cancelButton();
    // Where the last sent message was written.
    const std::string& writtenPath() const { return m_written; }

    void loadView() override;

private:
    void finish(MFMailComposeResult result, std::shared_ptr<NSError> error);

    MailMessage m_message;
    std::weak_ptr<MFMailComposeViewControllerDelegate> m_delegate;
    std::shared_ptr<UIButton> m_send;
    std::shared_ptr<UIButton> m_cancel;
    std::string m_written;
};
