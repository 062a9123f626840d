#pragma once

// Small text helpers the catalogue screens share: the blank test the screens
// apply to names and values, and the split of a comma-separated value list.

#include <optional>
#include <string>
#include <vector>

namespace CatalogText {

// Trimmed of white space and line ends.
std::string trimmed(const std::optional<std::string>& value);
bool isBlank(const std::optional<std::string>& value);
// "a,b" -> {"a", "b"}; "" -> {""}; an absent list -> {}.
std::vector<std::string> splitList(const std::optional<std::string>& list);

}  // namespace CatalogText
