#pragma once

// The process-wide server settings and the file server's URLs. Plain
// functions without the interface kit; PublicFunction's members of the same
// names forward here.

#include <memory>
#include <optional>
#include <string>

class ServerInfo;

namespace ServerSettings {

// The process-wide server settings, refreshed from the user defaults;
// missing settings take their defaults (and are written back).
std::shared_ptr<ServerInfo> GetServer();
// Writes the six default settings into the user defaults.
void resetUserSetting();
const char* defaultServerHost();
// http://<image server>/images/<client id>/<server folder>/<name>,
// percent-escaped; nothing for an absent name.
std::optional<std::string> fileURLWithNameFiletype(const std::optional<std::string>& name, int fileType);

}  // namespace ServerSettings
