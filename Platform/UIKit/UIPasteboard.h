#pragma once

// Pasteboards shared between the applications of a user. A named pasteboard
// is a folder named after it in the shared folder (the folder the
// CORVELLE_PASTEBOARD_DIR environment variable names, else
// ~/.local/share/Corvelle/Pasteboards); each of its types is one file holding
// that type's bytes, so another process reads what this one wrote. A name or
// type that is not a plain file name ("..", or holding "/") is escaped
// rather than used as a path. The general pasteboard is the one named
// "general".

#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

inline const std::string UIPasteboardNameGeneral = "general";
inline const std::string UIPasteboardTypeText = "public.utf8-plain-text";

class UIPasteboard {
public:
    static std::shared_ptr<UIPasteboard> generalPasteboard();
    // The named pasteboard; nothing when it does not exist and `create` is false.
    static std::shared_ptr<UIPasteboard> pasteboardWithNameCreate(const std::string& name, bool create);
    static std::shared_ptr<UIPasteboard> pasteboardWithUniqueName();
    static void removePasteboardWithName(const std::string& name);
    // The shared folder; tests may point it elsewhere (empty: back to the default).
    static std::string sharedFolder();
    static void setSharedFolder(const std::string& folder);

    const std::string& name() const { return m_name; }
    bool isPersistent() const { return m_persistent; }
    void setPersistent(bool on) { m_persistent = on; }

    std::optional<std::string> string() const;
    void setString(const std::string& text);
    std::optional<Data> dataForPasteboardType(const std::string& type) const;
    void setDataForPasteboardType(const Data& data, const std::string& type);
    std::vector<std::string> pasteboardTypes() const;
    bool containsPasteboardTypes(const std::vector<std::string>& types) const;

    explicit UIPasteboard(std::string name)
        : m_name(std::move(name))
    {
    }

private:
    std::string folder() const;
    std::string m_name;
    bool m_persistent = false;
};
