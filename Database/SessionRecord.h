#pragma once

// Who is signed in, as far as the data layer needs to know: the client id
// names the database's folder, the account prefixes order numbers, the vendor
// goes into order uploads. The session lives above this layer and hands its
// record down through the source it installs; without one, nobody is signed in.

#include <functional>
#include <optional>
#include <string>

struct SessionRecord {
    std::optional<std::string> clientID;
    std::optional<std::string> acountID;
    int vendorId = 0;
};

namespace CurrentSession {

void setSource(std::function<SessionRecord()> source);
SessionRecord record();

}  // namespace CurrentSession
