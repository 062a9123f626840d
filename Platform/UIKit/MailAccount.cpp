#include "Platform/UIKit/MailAccount.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>

namespace {

std::optional<std::string> environment(const char* name)
{
    const char* v = std::getenv(name);
    if (!v || !*v)
        return std::nullopt;
    return std::string(v);
}

std::string trimmed(const std::string& s)
{
    auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::string lowered(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool hasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

struct Reading {
    std::optional<MailAccount> account;
    std::string problem;
};

Reading read()
{
    std::map<std::string, std::string> keys;
    std::ifstream in(MailAccount::settingsPath());
    std::string line;
    while (std::getline(in, line)) {
        line = trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        auto eq = line.find('=');
        if (eq == std::string::npos)
            return { std::nullopt, "a line without \"=\" in " + MailAccount::settingsPath() };
        keys[lowered(trimmed(line.substr(0, eq)))] = trimmed(line.substr(eq + 1));
    }
    const std::pair<const char*, const char*> fromEnvironment[] = {
        { "url", "CORVELLE_SMTP_URL" },
        { "from", "CORVELLE_SMTP_FROM" },
        { "user", "CORVELLE_SMTP_USER" },
        { "password", "CORVELLE_SMTP_PASSWORD" },
        { "starttls", "CORVELLE_SMTP_STARTTLS" },
        { "cafile", "CORVELLE_SMTP_CAFILE" },
        { "timeout", "CORVELLE_SMTP_TIMEOUT" },
    };
    for (auto& [key, variable] : fromEnvironment)
        if (auto v = environment(variable))
            keys[key] = *v;

    MailAccount account;
    account.url = keys["url"];
    account.from = keys["from"];
    account.user = keys["user"];
    account.password = keys["password"];
    account.caFile = keys["cafile"];
    if (account.url.empty() && account.from.empty())
        return { std::nullopt, "no mail account is set" };
    std::string scheme = lowered(account.url.substr(0, account.url.find("://")));
    if (account.url.find("://") == std::string::npos || (scheme != "smtp" && scheme != "smtps"))
        return { std::nullopt, "the mail url \"" + account.url + "\" is not smtp:// or smtps://" };
    // The sender goes into the envelope and a header line as it stands.
    if (account.from.find('@') == std::string::npos || hasLineBreak(account.from)
        || account.from.find_first_of("<>") != std::string::npos)
        return { std::nullopt, "the sender address \"" + account.from + "\" is not an address" };
    std::string tls = lowered(keys["starttls"]);
    if (tls == "yes" || tls == "true" || tls == "1")
        account.startTLS = true;
    else if (!tls.empty() && tls != "no" && tls != "false" && tls != "0")
        return { std::nullopt, "starttls is \"" + keys["starttls"] + "\", not yes or no" };
    if (!keys["timeout"].empty()) {
        char* end = nullptr;
        long seconds = std::strtol(keys["timeout"].c_str(), &end, 10);
        if (!end || *end || seconds <= 0)
            return { std::nullopt, "the timeout \"" + keys["timeout"] + "\" is not a number of seconds" };
        account.timeoutSeconds = seconds;
    }
    return { account, {} };
}

}  // namespace

std::string MailAccount::settingsPath()
{
    if (auto config = environment("XDG_CONFIG_HOME"))
        return *config + "/corvelle/mail.conf";
    return environment("HOME").value_or("") + "/.config/corvelle/mail.conf";
}

std::optional<MailAccount> MailAccount::configured() { return read().account; }

std::string MailAccount::problem() { return read().problem; }
