#pragma once

// The one rule for turning a client id into a folder. The id comes from the
// sign-in screen, the stored sign-ins and the server, and becomes a path
// component under Documents: an id that could name Documents itself, its
// parent or a folder elsewhere must never be made, opened or removed.

#include <optional>
#include <string>
#include <string_view>

class ClientFolder {
public:
    // False for a blank id, ".", "..", and ids holding "/", "\" or NUL;
    // every place that makes, opens or removes a client folder asks this first.
    static bool isValidClientID(std::string_view clientID);
    // <home>/Documents/<client id in lower case>; nothing for an id refused above.
    static std::optional<std::string> pathForClientID(std::string_view clientID);
};
