#include "support/SmtpSink.h"

#include "Network/Protocol/QDJsonParser.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string makeFolder(const char* what)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(what) + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        return {};
    return pattern;
}

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

SmtpSink::SmtpSink(Mode mode)
{
    m_folder = makeFolder("corvelle-smtp");
    if (m_folder.empty()) {
        m_error = "no temporary folder";
        return;
    }
    std::vector<std::string> argv { "/usr/bin/python3",
        std::string(CORVELLE_SOURCE_DIR) + "/tests/support/smtp_sink.py", m_folder };
    if (mode == Mode::StartTLS) {
        ChildProcess openssl(
            { "openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=127.0.0.1",
                "-addext", "subjectAltName=IP:127.0.0.1", "-keyout", m_folder + "/key.pem", "-out", certificate() });
        std::string line;
        while (openssl.readLine(line, 30)) { }
        openssl.stop();
        if (!std::filesystem::exists(certificate())) {
            m_error = "openssl made no certificate";
            return;
        }
        argv.insert(argv.end(), { "starttls", certificate(), m_folder + "/key.pem" });
    } else {
        argv.push_back(mode == Mode::Refuse ? "refuse" : "accept");
    }
    m_server = std::make_unique<ChildProcess>(argv);
    std::string line;
    if (!m_server->started() || !m_server->readLine(line, 30)) {
        m_error = "the mail server (python3 with aiosmtpd) did not start";
        m_server.reset();
        return;
    }
    m_port = std::atoi(line.c_str());
    if (m_port <= 0)
        m_error = "the mail server said \"" + line + "\" instead of its port";
}

SmtpSink::~SmtpSink()
{
    m_server.reset();
    std::error_code ec;
    if (!m_folder.empty())
        std::filesystem::remove_all(m_folder, ec);
}

std::vector<SmtpSink::Received> SmtpSink::received() const
{
    std::vector<Received> out;
    for (int n = 1;; ++n) {
        std::string record = m_folder + "/" + std::to_string(n) + ".json";
        if (!std::filesystem::exists(record))
            break;
        QDJsonParser parser;
        auto json = parser.objectWithString(slurp(record));
        if (!json)
            break;
        const Value& v = *json;
        Received r;
        r.mailFrom = v["mail_from"].stringValue();
        for (auto& to : v["rcpt_tos"].arrayValue())
            r.recipients.push_back(to.stringValue());
        r.from = v["from"].stringValue();
        r.to = v["to"].stringValue();
        r.cc = v["cc"].stringValue();
        r.bcc = v["bcc"].stringValue();
        r.subject = v["subject"].stringValue();
        r.body = v["body"].stringValue();
        r.overTLS = v["tls"].boolValue();
        for (auto& a : v["attachments"].arrayValue()) {
            std::string bytes = slurp(m_folder + "/" + a["file"].stringValue());
            r.attachments.push_back(
                { a["filename"].stringValue(), a["type"].stringValue(), Data(bytes.begin(), bytes.end()) });
        }
        out.push_back(std::move(r));
    }
    return out;
}

namespace {
const char* const kMailVariables[]
    = { "XDG_CONFIG_HOME", "CORVELLE_SMTP_URL", "CORVELLE_SMTP_FROM", "CORVELLE_SMTP_USER", "CORVELLE_SMTP_PASSWORD",
          "CORVELLE_SMTP_STARTTLS", "CORVELLE_SMTP_CAFILE", "CORVELLE_SMTP_TIMEOUT" };
}

ScopedMailAccount::ScopedMailAccount()
{
    for (auto* name : kMailVariables) {
        const char* v = std::getenv(name);
        m_saved.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
        unsetenv(name);
    }
    m_config = makeFolder("corvelle-config");
    set("XDG_CONFIG_HOME", m_config);
}

ScopedMailAccount::ScopedMailAccount(const Settings& settings)
    : ScopedMailAccount()
{
    set("CORVELLE_SMTP_URL", settings.url);
    set("CORVELLE_SMTP_FROM", settings.from);
    set("CORVELLE_SMTP_STARTTLS", settings.startTLS);
    set("CORVELLE_SMTP_CAFILE", settings.caFile);
    set("CORVELLE_SMTP_TIMEOUT", settings.timeout);
}

ScopedMailAccount::~ScopedMailAccount()
{
    for (auto& [name, value] : m_saved) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    std::error_code ec;
    if (!m_config.empty())
        std::filesystem::remove_all(m_config, ec);
}

void ScopedMailAccount::set(const std::string& name, const std::string& value)
{
    if (!value.empty())
        setenv(name.c_str(), value.c_str(), 1);
}
