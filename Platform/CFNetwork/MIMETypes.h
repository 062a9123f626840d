#pragma once

// The MIME type of a file name extension, from a small table of the types
// the system meets and, beyond it, the system's mime.types file when present.

#include <optional>
#include <string>

namespace MIMETypes {
std::optional<std::string> preferredMIMETypeForExtension(const std::string& extension);
}
