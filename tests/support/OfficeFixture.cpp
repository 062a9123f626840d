#include "OfficeFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Recipe {
    const char* extension;
    const char* sourceName;
    std::string source;
    const char* expectedText;
    size_t pages;
};

std::string letterText()
{
    std::string text = "Quotation letter\n\n";
    // Long enough to run onto a second page.
    for (int line = 1; line <= 80; ++line)
        text += "Line " + std::to_string(line) + " of the terms of sale.\n";
    return text;
}

const char* const kDeck = R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.presentation">
<office:automatic-styles><style:style style:name="big" style:family="paragraph"><style:text-properties fo:font-size="60pt"/></style:style></office:automatic-styles>
<office:body><office:presentation>
<draw:page draw:name="one"><draw:frame svg:x="2cm" svg:y="3cm" svg:width="24cm" svg:height="6cm"><draw:text-box><text:p text:style-name="big">Spring range</text:p></draw:text-box></draw:frame></draw:page>
<draw:page draw:name="two"><draw:frame svg:x="2cm" svg:y="3cm" svg:width="24cm" svg:height="6cm"><draw:text-box><text:p text:style-name="big">Autumn prices</text:p></draw:text-box></draw:frame></draw:page>
</office:presentation></office:body></office:document>
)";

const Recipe* recipeFor(const std::string& extension)
{
    static const Recipe recipes[] = {
        { "docx", "letter.txt", letterText(), "Quotation letter", 2 },
        { "xlsx", "prices.csv", "Item,Price\nGarden chair,120\nOak table,340\n", "Garden chair", 1 },
        { "pptx", "deck.fodp", kDeck, "Spring range", 2 },
    };
    for (const auto& r : recipes)
        if (extension == r.extension)
            return &r;
    return nullptr;
}

fs::path fixtureFolder()
{
    std::error_code error;
    auto exe = fs::read_symlink("/proc/self/exe", error);
    fs::path folder
        = error ? fs::temp_directory_path() / "corvelle-office-fixtures" : exe.parent_path() / "office-fixtures";
    fs::create_directories(folder, error);
    return folder;
}

}  // namespace

OfficeTestDocument officeTestDocument(const std::string& extension)
{
    const Recipe* recipe = recipeFor(extension);
    if (!recipe) {
        ADD_FAILURE() << "no recipe for ." << extension;
        return {};
    }
    fs::path folder = fixtureFolder();
    fs::path source = folder / recipe->sourceName;
    fs::path made = fs::path(source).replace_extension(extension);
    OfficeTestDocument document { extension, made.string(), recipe->expectedText, recipe->pages };

    int lock = ::open((folder / ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (lock >= 0)
        ::flock(lock, LOCK_EX);
    std::error_code error;
    if (!fs::exists(made, error) || fs::file_size(made, error) == 0) {
        {
            std::ofstream out(source, std::ios::binary | std::ios::trunc);
            out << recipe->source;
        }
        std::string command = "soffice --headless --norestore --nolockcheck '-env:UserInstallation=file://"
            + (folder / "profile").string() + "' --convert-to " + extension + " --outdir '" + folder.string() + "' '"
            + source.string() + "' > '" + (folder / "make.log").string() + "' 2>&1";
        int status = std::system(command.c_str());
        if (status != 0 || !fs::exists(made, error)) {
            std::ifstream log(folder / "make.log");
            std::string said((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
            ADD_FAILURE() << "the office suite did not make " << made << " (status " << status << "): " << said;
            document.path.clear();
        }
    }
    if (lock >= 0)
        ::close(lock);
    return document;
}
