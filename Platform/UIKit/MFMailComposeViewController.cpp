#include "Platform/UIKit/MFMailComposeViewController.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"

#include <filesystem>
#include <unistd.h>

namespace {
std::optional<bool> s_canSendOverride;
}

bool MFMailComposeViewController::canSendMail()
{
    if (s_canSendOverride)
        return *s_canSendOverride;
    std::error_code ec;
    std::filesystem::create_directories(MailOutbox::outboxDirectory(), ec);
    return !ec && access(MailOutbox::outboxDirectory().c_str(), W_OK) == 0;
}

void MFMailComposeViewController::setCanSendMailOverride(std::optional<bool> answer)
{
    s_canSendOverride = answer;
}

void MFMailComposeViewController::setMessageBodyIsHTML(const std::string& body, bool isHTML)
{
    m_message.body = body;
    m_message.bodyIsHTML = isHTML;
}

void MFMailComposeViewController::addAttachmentDataMimeTypeFileName(const Data& data, const std::string& mimeType,
                                                                    const std::string& fileName)
{
    m_message.attachments.push_back({ data, mimeType, fileName });
}

void MFMailComposeViewController::loadView()
{
    auto view = std::make_shared<UIView>(CGRectMake(0, 0, kFormSheetWidth, kFormSheetHeight));
    view->setBackgroundColor(UIColor::whiteColor());
    auto bar = std::make_shared<UIView>(CGRectMake(0, 0, kFormSheetWidth, 44));
    bar->setBackgroundColor(UIBarBackgroundColor(nullptr, UIBarStyleDefault));
    bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    view->addSubview(bar);
    std::weak_ptr<MFMailComposeViewController> weak = std::static_pointer_cast<MFMailComposeViewController>(shared_from_this());
    m_cancel = std::make_shared<UIButton>(CGRectMake(8, 7, 70, 30));
    m_cancel->setTitleForState("Cancel", UIControlStateNormal);
    m_cancel->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->cancel();
    });
    m_send = std::make_shared<UIButton>(CGRectMake(kFormSheetWidth - 78, 7, 70, 30));
    m_send->setTitleForState("Send", UIControlStateNormal);
    m_send->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
    m_send->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->send();
    });
    bar->addSubview(m_cancel);
    bar->addSubview(m_send);
    auto subject = std::make_shared<UILabel>(CGRectMake(12, 52, kFormSheetWidth - 24, 24));
    subject->setText("Subject: " + m_message.subject);
    view->addSubview(subject);
    std::string attached;
    for (auto& a : m_message.attachments)
        attached += (attached.empty() ? "" : ", ") + a.fileName;
    auto attachments = std::make_shared<UILabel>(CGRectMake(12, 80, kFormSheetWidth - 24, 24));
    attachments->setText(attached);
    attachments->setTextColor(UIColor::grayColor());
    view->addSubview(attachments);
    setView(view);
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

void MFMailComposeViewController::finish(MFMailComposeResult result, std::shared_ptr<NSError> error)
{
    auto keep = shared_from_this();
    if (auto d = mailComposeDelegate())
        d->mailComposeControllerDidFinishWithResultError(*this, result, error);
}

void MFMailComposeViewController::send()
{
    if (auto path = MailOutbox::write(m_message)) {
        m_written = *path;
        finish(MFMailComposeResultSent, nullptr);
    } else {
        Value info = Value::dictionary({ { "NSLocalizedDescription", Value("The message could not be written to the outbox") } });
        finish(MFMailComposeResultFailed, NSError::errorWithDomainCodeUserInfo("MFMailComposeErrorDomain", 1, info));
    }
}

void MFMailComposeViewController::cancel()
{
    finish(MFMailComposeResultCancelled, nullptr);
}
