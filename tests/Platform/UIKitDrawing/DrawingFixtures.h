#pragma once

// Small helpers the drawing tests share: a scratch folder, and the text a PDF
// reader extracts from a document.

#include "Platform/Foundation/Value.h"
#include "support/TemporaryHome.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

class ScratchFolder {
public:
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    TemporaryHome m_home;
    std::string m_path = m_home.scratch();
};

inline void writeFile(const std::string& path, const Data& data)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline std::string runCommand(const std::string& command)
{
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        pclose(p);
    }
    return out;
}

// The text of a PDF as pdftotext reads it, and its page count as pdfinfo says.
inline std::string pdfText(const std::string& path)
{
    return runCommand("pdftotext -enc UTF-8 '" + path + "' - 2>/dev/null");
}

inline int pdfPageCount(const std::string& path)
{
    std::string info = runCommand("pdfinfo '" + path + "' 2>/dev/null");
    auto at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}
