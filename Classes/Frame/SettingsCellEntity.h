#pragma once

// One row of the settings screen: its kind, its title key and its value (the
// rows of a sub-page, a switch's state, the language names or the version).

#include <memory>
#include <string>
#include <variant>
#include <vector>

class SettingsCellEntity {
public:
    // Row kinds.
    enum CellType {
        CellTypeSubPage = 0,
        CellTypeSwitch = 1,
        CellTypeAction = 2,
        CellTypeLanguage = 3,
        CellTypeHelp = 4,
        CellTypeVersion = 5,
        CellTypeAbout = 6,
        CellTypeLogout = 7,
    };
    using Value = std::variant<std::monostate, bool, std::string, std::vector<std::string>,
        std::vector<std::shared_ptr<SettingsCellEntity>>>;

    SettingsCellEntity(long type, std::string title, Value value = {})
        : cellType(type)
        , cellTitle(std::move(title))
        , cellValue(std::move(value))
    {
    }

    long cellType = 0;
    std::string cellTitle;
    Value cellValue;
};
