#pragma once

// Configuration icons.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_icon_Entity.h"

#include <optional>
#include <string>
#include <vector>

class IconModel : public BaseDataModel {
public:
    // Every icon's name (the files the synchronisation downloads); null names left out.
    std::vector<std::string> getAllIconAddress();
    [[nodiscard]] bool saveToDatabaseIcon(const OptionalEntityList<corvelle_icon_Entity>& icons);
    // Always a record; empty when there is none.
    std::shared_ptr<corvelle_icon_Entity> getIconByIconId(int iconId);
    std::shared_ptr<corvelle_icon_Entity> getPublishedIconByIconName(const std::optional<std::string>& name);
};
