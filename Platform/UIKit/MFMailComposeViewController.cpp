#include "Platform/UIKit/MFMailComposeViewController.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/MailAccount.h"
#include "Platform/UIKit/MailTransport.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UITextView.h"

namespace {

std::string joined(const std::vector<std::string>& list)
{
    std::string out;
    for (auto& a : list)
        out += (out.empty() ? "" : ", ") + a;
    return out;
}

// Addresses as a person types them: separated by commas or semicolons.
std::vector<std::string> addresses(const std::string& text)
{
    std::vector<std::string> out;
    std::string current;
    auto flush = [&] {
        auto first = current.find_first_not_of(" \t");
        auto last = current.find_last_not_of(" \t");
        if (first != std::string::npos)
            out.push_back(current.substr(first, last - first + 1));
        current.clear();
    };
    for (char c : text) {
        if (c == ',' || c == ';')
            flush();
        else
            current += c;
    }
    flush();
    return out;
}

std::shared_ptr<NSError> mailError(long code, const std::string& description)
{
    return NSError::errorWithDomainCodeUserInfo(
        "MFMailComposeErrorDomain", code, Value::dictionary({ { "NSLocalizedDescription", Value(description) } }));
}

}  // namespace

bool MFMailComposeViewController::canSendMail() { return MailAccount::configured().has_value(); }

void MFMailComposeViewController::setToRecipients(std::vector<std::string> r)
{
    m_message.toRecipients = std::move(r);
    if (m_to)
        m_to->setText(joined(m_message.toRecipients));
    updateButtons();
}

void MFMailComposeViewController::setCcRecipients(std::vector<std::string> r)
{
    m_message.ccRecipients = std::move(r);
    if (m_cc)
        m_cc->setText(joined(m_message.ccRecipients));
}

void MFMailComposeViewController::setSubject(const std::string& s)
{
    m_message.subject = s;
    if (m_subject)
        m_subject->setText(s);
}

void MFMailComposeViewController::setMessageBodyIsHTML(const std::string& body, bool isHTML)
{
    m_message.body = body;
    m_message.bodyIsHTML = isHTML;
    if (m_body)
        m_body->setText(body);
}

void MFMailComposeViewController::addAttachmentDataMimeTypeFileName(
    const Data& data, const std::string& mimeType, const std::string& fileName)
{
    m_message.attachments.push_back({ data, mimeType, fileName });
}

const MailMessage& MFMailComposeViewController::message() const
{
    readFields();
    return m_message;
}

void MFMailComposeViewController::readFields() const
{
    if (m_to)
        m_message.toRecipients = addresses(m_to->text());
    if (m_cc)
        m_message.ccRecipients = addresses(m_cc->text());
    if (m_subject)
        m_message.subject = m_subject->text();
    if (m_body)
        m_message.body = m_body->text();
}

void MFMailComposeViewController::loadView()
{
    const CGFloat width = kFormSheetWidth;
    auto view = std::make_shared<UIView>(CGRectMake(0, 0, width, kFormSheetHeight));
    view->setBackgroundColor(UIColor::whiteColor());
    auto bar = std::make_shared<UIView>(CGRectMake(0, 0, width, 44));
    bar->setBackgroundColor(UIBarBackgroundColor(nullptr, UIBarStyleDefault));
    bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    view->addSubview(bar);
    auto weak = weakSelf<MFMailComposeViewController>();
    m_cancel = std::make_shared<UIButton>(CGRectMake(8, 7, 70, 30));
    m_cancel->setTitleForState("Cancel", UIControlStateNormal);
    m_cancel->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->cancel();
    });
    m_send = std::make_shared<UIButton>(CGRectMake(width - 78, 7, 70, 30));
    m_send->setTitleForState("Send", UIControlStateNormal);
    m_send->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
    m_send->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->send();
    });
    bar->addSubview(m_cancel);
    bar->addSubview(m_send);
    m_status = std::make_shared<UILabel>(CGRectMake(90, 7, width - 180, 30));
    m_status->setTextAlignment(UITextAlignmentCenter);
    m_status->setBackgroundColor(UIColor::clearColor());
    bar->addSubview(m_status);

    CGFloat y = 52;
    auto row = [&](const std::string& caption, const std::string& value) {
        auto label = std::make_shared<UILabel>(CGRectMake(12, y, 70, 30));
        label->setText(caption);
        // A dark grey: the plain system grey reads too faintly on white.
        label->setTextColor(UIColor::darkGrayColor());
        view->addSubview(label);
        auto field = std::make_shared<UITextField>(CGRectMake(86, y, width - 98, 30));
        field->setText(value);
        field->setBorderStyle(UITextBorderStyleNone);
        // Without a border a field keeps its small text at its top, above the
        // caption beside it: give it the caption's font and line.
        field->setFont(label->font());
        field->setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
        field->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        view->addSubview(field);
        y += 38;
        return field;
    };
    m_to = row("To:", joined(m_message.toRecipients));
    m_cc = row("Cc:", joined(m_message.ccRecipients));
    m_subject = row("Subject:", m_message.subject);
    m_to->addTarget(UIControlEventEditingChanged, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->updateButtons();
    });
    std::string attached;
    for (auto& a : m_message.attachments)
        attached += (attached.empty() ? "" : ", ") + a.fileName;
    auto attachments = std::make_shared<UILabel>(CGRectMake(12, y, width - 24, 24));
    attachments->setText(attached);
    attachments->setTextColor(UIColor::darkGrayColor());
    view->addSubview(attachments);
    y += 32;
    m_body = std::make_shared<UITextView>(CGRectMake(12, y, width - 24, kFormSheetHeight - y - 12));
    m_body->setText(m_message.body);
    m_body->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    view->addSubview(m_body);
    setView(view);
    updateButtons();
}

void MFMailComposeViewController::updateButtons()
{
    if (!m_send)
        return;
    // Nothing goes out without somebody to receive it, nor twice while it is on its way.
    bool hasRecipient
        = !addresses(m_to->text()).empty() || !m_message.ccRecipients.empty() || !m_message.bccRecipients.empty();
    m_send->setEnabled(!m_sending && hasRecipient);
    m_cancel->setEnabled(!m_sending);
    for (auto& field : { m_to, m_cc, m_subject })
        field->setEnabled(!m_sending);
    m_body->setEditable(!m_sending);
    m_status->setText(m_sending ? "Sending…" : "");
}

std::shared_ptr<UIButton> MFMailComposeViewController::sendButton()
{
    view();
    return m_send;
}

std::shared_ptr<UIButton> MFMailComposeViewController::cancelButton()
{
    view();
    return m_cancel;
}

std::shared_ptr<UITextField> MFMailComposeViewController::toField()
{
    view();
    return m_to;
}

std::shared_ptr<UITextField> MFMailComposeViewController::ccField()
{
    view();
    return m_cc;
}

std::shared_ptr<UITextField> MFMailComposeViewController::subjectField()
{
    view();
    return m_subject;
}

std::shared_ptr<UITextView> MFMailComposeViewController::bodyView()
{
    view();
    return m_body;
}

void MFMailComposeViewController::finish(MFMailComposeResult result, std::shared_ptr<NSError> error)
{
    auto keep = shared_from_this();
    m_finished = true;
    if (auto d = mailComposeDelegate())
        d->mailComposeControllerDidFinishWithResultError(*this, result, error);
}

void MFMailComposeViewController::send()
{
    if (m_sending || m_finished)
        return;
    readFields();
    std::vector<std::string> envelope = m_message.toRecipients;
    envelope.insert(envelope.end(), m_message.ccRecipients.begin(), m_message.ccRecipients.end());
    envelope.insert(envelope.end(), m_message.bccRecipients.begin(), m_message.bccRecipients.end());
    if (envelope.empty())
        return;
    auto account = MailAccount::configured();
    if (!account) {
        finish(MFMailComposeResultFailed, mailError(1, "No mail account is set up: " + MailAccount::problem()));
        return;
    }
    m_sending = true;
    updateButtons();
    auto self = protect<MFMailComposeViewController>();
    MailTransport::send(*account, m_message.render(account->from), std::move(envelope),
        [self](const std::optional<std::string>& error) {
            self->m_sending = false;
            self->updateButtons();
            if (error) {
                NSLog("mail not sent: %@", *error);
                self->finish(MFMailComposeResultFailed, mailError(2, *error));
            } else {
                self->finish(MFMailComposeResultSent, nullptr);
            }
        });
}

void MFMailComposeViewController::cancel()
{
    if (m_sending || m_finished)
        return;
    finish(MFMailComposeResultCancelled, nullptr);
}
