#include "Platform/UIKit/UIPasteboard.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSString.h"

#include <atomic>
#include <cctype>
#include <cstdlib>
#include <random>

namespace {

std::optional<std::string>& folderOverride()
{
    static std::optional<std::string> folder;
    return folder;
}

// A plain name stays as it is; anything that could leave the folder is escaped.
std::string fileNameFor(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return "%" + std::string(name.size() == 2 ? "2E%2E" : name.size() == 1 ? "2E" : "00");
    std::string out;
    for (char c : name) {
        if (c == '/' || c == '%' || c == '\0' || c == '\\') {
            static const char* hex = "0123456789ABCDEF";
            out += '%';
            out += hex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            out += hex[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

std::string nameForFile(const std::string& file)
{
    std::string out;
    for (size_t i = 0; i < file.size(); ++i) {
        if (file[i] == '%' && i + 2 < file.size() && std::isxdigit(static_cast<unsigned char>(file[i + 1]))
            && std::isxdigit(static_cast<unsigned char>(file[i + 2]))) {
            out += static_cast<char>(std::stoi(file.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += file[i];
        }
    }
    return out;
}

}  // namespace

std::string UIPasteboard::sharedFolder()
{
    if (folderOverride())
        return *folderOverride();
    if (const char* env = std::getenv("CORVELLE_PASTEBOARD_DIR"); env && *env)
        return env;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "/tmp") + "/.local/share/Corvelle/Pasteboards";
}

void UIPasteboard::setSharedFolder(const std::string& folder)
{
    if (folder.empty())
        folderOverride().reset();
    else
        folderOverride() = folder;
}

std::string UIPasteboard::folder() const
{
    return NSString::stringByAppendingPathComponent(sharedFolder(), fileNameFor(m_name));
}

std::shared_ptr<UIPasteboard> UIPasteboard::generalPasteboard()
{
    return pasteboardWithNameCreate(UIPasteboardNameGeneral, true);
}

std::shared_ptr<UIPasteboard> UIPasteboard::pasteboardWithNameCreate(const std::string& name, bool create)
{
    auto board = std::make_shared<UIPasteboard>(name);
    auto& fm = NSFileManager::defaultManager();
    bool isDirectory = false;
    if (fm.fileExistsAtPathIsDirectory(board->folder(), &isDirectory) && isDirectory)
        return board;
    if (!create || !fm.createDirectoryAtPathWithIntermediateDirectories(board->folder(), true))
        return nullptr;
    return board;
}

std::shared_ptr<UIPasteboard> UIPasteboard::pasteboardWithUniqueName()
{
    static std::atomic<unsigned> sequence { 0 };
    std::random_device random;
    std::string name = "com.corvelle.pboard." + std::to_string(random()) + "." + std::to_string(++sequence);
    return pasteboardWithNameCreate(name, true);
}

void UIPasteboard::removePasteboardWithName(const std::string& name)
{
    NSFileManager::defaultManager().removeItemAtPath(UIPasteboard(name).folder());
}

std::optional<Data> UIPasteboard::dataForPasteboardType(const std::string& type) const
{
    return NSFileManager::defaultManager().contentsAtPath(
        NSString::stringByAppendingPathComponent(folder(), fileNameFor(type)));
}

void UIPasteboard::setDataForPasteboardType(const Data& data, const std::string& type)
{
    auto& fm = NSFileManager::defaultManager();
    fm.createDirectoryAtPathWithIntermediateDirectories(folder(), true);
    fm.createFileAtPathContents(NSString::stringByAppendingPathComponent(folder(), fileNameFor(type)), data);
}

std::optional<std::string> UIPasteboard::string() const
{
    auto data = dataForPasteboardType(UIPasteboardTypeText);
    if (!data)
        return std::nullopt;
    return std::string(data->begin(), data->end());
}

void UIPasteboard::setString(const std::string& text)
{
    setDataForPasteboardType(Data(text.begin(), text.end()), UIPasteboardTypeText);
}

std::vector<std::string> UIPasteboard::pasteboardTypes() const
{
    std::vector<std::string> out;
    if (auto files = NSFileManager::defaultManager().contentsOfDirectoryAtPath(folder()))
        for (auto& f : *files)
            out.push_back(nameForFile(f));
    return out;
}

bool UIPasteboard::containsPasteboardTypes(const std::vector<std::string>& types) const
{
    for (auto& t : types)
        if (dataForPasteboardType(t))
            return true;
    return false;
}
