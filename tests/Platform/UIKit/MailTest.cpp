#include "WindowFixture.h"

#include "support/LoopbackListener.h"
#include "support/SmtpSink.h"
#include "support/TemporaryHome.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/MFMailComposeViewController.h"
#include "Platform/UIKit/MailAccount.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UITextField.h"

#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

class MailLog : public MFMailComposeViewControllerDelegate {
public:
    std::vector<MFMailComposeResult> results;
    std::vector<std::string> errors;
    void mailComposeControllerDidFinishWithResultError(
        MFMailComposeViewController& c, MFMailComposeResult r, const std::shared_ptr<NSError>& e) override
    {
        results.push_back(r);
        errors.push_back(e ? e->localizedDescription() : "");
        c.dismissViewControllerAnimatedCompletion(true, nullptr);
    }
};

// A quote's PDF as the composer gets it: bytes that base64 and line
// wrapping must carry through untouched, every byte value included.
Data samplePdf()
{
    Data pdf { '%', 'P', 'D', 'F', '-', '1', '.', '4', '\n' };
    for (int round = 0; round < 40; ++round)
        for (int b = 0; b < 256; ++b)
            pdf.push_back(static_cast<uint8_t>(b));
    return pdf;
}

class MailTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        root = std::make_shared<UIViewController>();
        window->setRootViewController(root);
        log = std::make_shared<MailLog>();
    }

    void requireRunning(const SmtpSink& sink)
    {
        // A missing mail server is a failure, never a silent pass.
        ASSERT_TRUE(sink.running()) << sink.error();
    }

    std::shared_ptr<MFMailComposeViewController> present(const std::string& subject = "[Order-Harbour Lights]")
    {
        auto mail = std::make_shared<MFMailComposeViewController>();
        mail->setMailComposeDelegate(log);
        mail->setToRecipients({});
        mail->setSubject(subject);
        mail->setMessageBodyIsHTML("Dear customer,\n.\nyour quote is attached.", false);
        mail->addAttachmentDataMimeTypeFileName(samplePdf(), "pdf", "Order.pdf");
        mail->setModalPresentationStyle(UIModalPresentationFormSheet);
        root->presentViewControllerAnimatedCompletion(mail, true, nullptr);
        driver->advance(1);
        return mail;
    }

    // Types into a field as a person does: a tap, then keys.
    void type(const std::shared_ptr<UITextField>& field, const std::string& text)
    {
        driver->tap(field);
        field->setText("");
        driver->typeText(text);
    }

    bool waitForResult()
    {
        return pumpMainRunLoopUntil([&] { return !log->results.empty(); }, 30);
    }

    std::shared_ptr<UIViewController> root;
    std::shared_ptr<MailLog> log;
};

TEST_F(MailTest, ComposerSendsThroughTheAccountAndTheRecipientGetsTheVeryBytes)
{
    TemporaryHome home;
    SmtpSink sink;
    requireRunning(sink);
    ScopedMailAccount account(sink.url());
    ASSERT_TRUE(MFMailComposeViewController::canSendMail());
    auto mail = present();
    // Without a recipient there is nobody to send to.
    EXPECT_FALSE(mail->sendButton()->isEnabled());
    type(mail->toField(), "buyer@harbour.test; boss@harbour.test");
    type(mail->ccField(), "sales-lead@corvelle.test");
    mail->setBccRecipients({ "archive@corvelle.test" });
    ASSERT_TRUE(mail->sendButton()->isEnabled());
    driver->tap(mail->sendButton());
    // Sending is under way and cannot be started twice or cancelled midway.
    EXPECT_TRUE(mail->isSending() || !log->results.empty());
    ASSERT_TRUE(waitForResult());
    ASSERT_EQ(log->results, (std::vector<MFMailComposeResult> { MFMailComposeResultSent }));
    driver->advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);

    auto received = sink.received();
    ASSERT_EQ(received.size(), 1u);
    const auto& m = received[0];
    EXPECT_EQ(m.mailFrom, "sales01@corvelle.test");
    EXPECT_EQ(m.recipients,
        (std::vector<std::string> {
            "buyer@harbour.test", "boss@harbour.test", "sales-lead@corvelle.test", "archive@corvelle.test" }));
    EXPECT_EQ(m.from, "sales01@corvelle.test");
    EXPECT_EQ(m.to, "buyer@harbour.test, boss@harbour.test");
    EXPECT_EQ(m.cc, "sales-lead@corvelle.test");
    // Blind copies travel in the envelope only.
    EXPECT_EQ(m.bcc, "");
    EXPECT_EQ(m.subject, "[Order-Harbour Lights]");
    EXPECT_EQ(m.body, "Dear customer,\n.\nyour quote is attached.");
    ASSERT_EQ(m.attachments.size(), 1u);
    EXPECT_EQ(m.attachments[0].fileName, "Order.pdf");
    // "pdf" is no MIME type; the recipient gets the one the file name says.
    EXPECT_EQ(m.attachments[0].contentType, "application/pdf");
    EXPECT_EQ(m.attachments[0].data, samplePdf());
}

// Every way the server may let the message down ends in "failed" with the
// server's reason, and nothing is reported sent.
TEST_F(MailTest, AServerThatRefusesStallsDropsOrLacksTlsGivesFailed)
{
    TemporaryHome home;
    SmtpSink refusing(SmtpSink::Mode::Refuse);
    SmtpSink plain;
    SmtpSink tlsOnly(SmtpSink::Mode::StartTLS);
    for (auto* sink : { &refusing, &plain, &tlsOnly })
        requireRunning(*sink);
    LoopbackListener stalling([](int fd, int) {
        // Takes the connection and never greets: the client must give up by itself.
        char c;
        while (recv(fd, &c, 1, 0) > 0) { }
    });
    LoopbackListener dropping([](int, int) {});
    int closedPort;
    {
        LoopbackListener closed([](int, int) {});
        closedPort = closed.port();
    }
    struct Case {
        std::string name;
        ScopedMailAccount::Settings settings;
        const SmtpSink* sink;  // whose mailbox must stay empty
        std::string reason;  // part of the error the delegate gets
    };
    const std::vector<Case> cases {
        { "refused recipient", ScopedMailAccount::Settings::at(refusing.url()), &refusing, "550" },
        { "stalled server",
            ScopedMailAccount::Settings::at("smtp://127.0.0.1:" + std::to_string(stalling.port())).withTimeout("1"),
            nullptr, "" },
        { "dropped connection", ScopedMailAccount::Settings::at("smtp://127.0.0.1:" + std::to_string(dropping.port())),
            nullptr, "" },
        { "nobody listening", ScopedMailAccount::Settings::at("smtp://127.0.0.1:" + std::to_string(closedPort)),
            nullptr, "" },
        { "tls asked of a plain server", ScopedMailAccount::Settings::at(plain.url()).withStartTLS("yes"), &plain, "" },
        { "server wants tls, account does not", ScopedMailAccount::Settings::at(tlsOnly.url()), &tlsOnly, "530" },
        { "untrusted certificate", ScopedMailAccount::Settings::at(tlsOnly.url()).withStartTLS("yes"), &tlsOnly, "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedMailAccount account(c.settings);
        log->results.clear();
        log->errors.clear();
        auto mail = present();
        type(mail->toField(), "buyer@harbour.test");
        driver->tap(mail->sendButton());
        ASSERT_TRUE(waitForResult());
        EXPECT_EQ(log->results, (std::vector<MFMailComposeResult> { MFMailComposeResultFailed }));
        ASSERT_EQ(log->errors.size(), 1u);
        EXPECT_NE(log->errors[0].find(c.reason), std::string::npos) << log->errors[0];
        if (c.sink) {
            EXPECT_TRUE(c.sink->received().empty());
        }
        driver->advance(1);
        EXPECT_EQ(root->presentedViewController(), nullptr);
    }
}

TEST_F(MailTest, StartTlsCarriesTheMessageWhenTheAccountTrustsTheServer)
{
    TemporaryHome home;
    SmtpSink sink(SmtpSink::Mode::StartTLS);
    requireRunning(sink);
    ScopedMailAccount account(
        ScopedMailAccount::Settings::at(sink.url()).withStartTLS("yes").withCaFile(sink.certificate()));
    auto mail = present("Order.pdf");
    type(mail->toField(), "buyer@harbour.test");
    driver->tap(mail->sendButton());
    ASSERT_TRUE(waitForResult());
    EXPECT_EQ(log->results, (std::vector<MFMailComposeResult> { MFMailComposeResultSent })) << log->errors[0];
    auto received = sink.received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_TRUE(received[0].overTLS);
    EXPECT_EQ(received[0].subject, "Order.pdf");
    ASSERT_EQ(received[0].attachments.size(), 1u);
    EXPECT_EQ(received[0].attachments[0].data, samplePdf());
}

TEST_F(MailTest, CancelSendsNothing)
{
    TemporaryHome home;
    SmtpSink sink;
    requireRunning(sink);
    ScopedMailAccount account(sink.url());
    auto mail = present();
    type(mail->toField(), "buyer@harbour.test");
    driver->tap(mail->cancelButton());
    EXPECT_EQ(log->results, (std::vector<MFMailComposeResult> { MFMailComposeResultCancelled }));
    driver->advance(1);
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_TRUE(sink.received().empty());
}

TEST_F(MailTest, EachFieldsTextStandsOnItsCaptionsLineInTheCaptionsSize)
{
    auto mail = present();
    mail->toField()->setText("BUYER@HARBOUR.TEST");
    mail->ccField()->setText("OFFICE@HARBOUR.TEST");
    const std::pair<const char*, std::shared_ptr<UITextField>> rows[] = {
        { "To:", mail->toField() },
        { "Cc:", mail->ccField() },
    };
    for (const auto& [caption, field] : rows)
        EXPECT_EQ(driver->valueBesideCaption(caption, *field), "") << caption;
}

// The account comes from the settings file, the environment overriding it key
// by key; anything unusable means no account, and so no mail at all.
TEST(MailAccountTest, SettingsFileAndEnvironmentMakeTheAccount)
{
    struct Case {
        std::string name;
        std::string file;  // the settings file's text; empty: no file
        std::vector<std::pair<std::string, std::string>> environment;
        bool configured;
        std::string url, from;
        bool startTLS;
        long timeout;
        std::string problem;
    };
    const std::vector<Case> cases {
        { "nothing", "", {}, false, "", "", false, 60, "no mail account" },
        { "file", "# mine\nurl = smtps://mail.example.test:465\nfrom = me@example.test\nstarttls = no\n", {}, true,
            "smtps://mail.example.test:465", "me@example.test", false, 60, "" },
        { "environment wins", "url = smtp://a.test\nfrom = me@example.test\n",
            { { "CORVELLE_SMTP_URL", "smtp://b.test:587" }, { "CORVELLE_SMTP_STARTTLS", "yes" },
                { "CORVELLE_SMTP_TIMEOUT", "9" } },
            true, "smtp://b.test:587", "me@example.test", true, 9, "" },
        { "no sender", "url = smtp://a.test\n", {}, false, "", "", false, 60, "sender" },
        { "other scheme", "url = http://a.test\nfrom = me@example.test\n", {}, false, "", "", false, 60, "not smtp" },
        { "header in sender", "",
            { { "CORVELLE_SMTP_URL", "smtp://a.test" }, { "CORVELLE_SMTP_FROM", "me@x.test>\r\nBcc: y" } }, false, "",
            "", false, 60, "sender" },
        { "bad starttls", "url = smtp://a.test\nfrom = me@example.test\nstarttls = perhaps\n", {}, false, "", "", false,
            60, "starttls" },
        { "bad timeout", "url = smtp://a.test\nfrom = me@example.test\ntimeout = soon\n", {}, false, "", "", false, 60,
            "timeout" },
        { "broken line", "url smtp://a.test\n", {}, false, "", "", false, 60, "without" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedMailAccount scope;
        if (!c.file.empty()) {
            std::filesystem::create_directories(scope.configFolder() + "/corvelle");
            std::ofstream(scope.configFolder() + "/corvelle/mail.conf") << c.file;
            EXPECT_EQ(MailAccount::settingsPath(), scope.configFolder() + "/corvelle/mail.conf");
        }
        for (auto& [name, value] : c.environment)
            setenv(name.c_str(), value.c_str(), 1);
        auto account = MailAccount::configured();
        EXPECT_EQ(account.has_value(), c.configured);
        EXPECT_EQ(MFMailComposeViewController::canSendMail(), c.configured);
        EXPECT_NE(MailAccount::problem().find(c.problem), std::string::npos) << MailAccount::problem();
        if (account) {
            EXPECT_EQ(account->url, c.url);
            EXPECT_EQ(account->from, c.from);
            EXPECT_EQ(account->startTLS, c.startTLS);
            EXPECT_EQ(account->timeoutSeconds, c.timeout);
        }
    }
}

}  // namespace
