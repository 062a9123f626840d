#include "Database/SavedPasswords.h"

#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/SecretStore.h"

namespace SavedPasswords {

namespace {

    // Client ids and account names are matched without regard to case, as the
    // sign-in does.
    SecretStore::Attributes attributes(Use use, const std::string& client, const std::string& account)
    {
        return { { "kind", use == Use::OfflineSignIn ? "sign-in" : "shortcut" },
            { "client", NSString::lowercaseString(client) }, { "user", NSString::lowercaseString(account) } };
    }

}  // namespace

bool keep(Use use, const std::string& client, const std::string& account, const std::string& password)
{
    const std::string label = std::string("Corvelle ") + (use == Use::OfflineSignIn ? "sign-in" : "shortcut") + " for "
        + account + " at " + client;
    return SecretStore::store(attributes(use, client, account), label, password) == SecretStore::Result::Done;
}

std::optional<std::string> find(Use use, const std::string& client, const std::string& account)
{
    std::string password;
    if (SecretStore::lookup(attributes(use, client, account), password) != SecretStore::Result::Done)
        return std::nullopt;
    return password;
}

void forget(Use use, const std::string& client, const std::string& account)
{
    SecretStore::remove(attributes(use, client, account));
}

}  // namespace SavedPasswords
