#pragma once

// Writes small PDF files for the reader's tests and benchmarks: pages of any
// size and rotation, each showing its number in large type over a coloured
// band, with link annotations and catalog entries given as PDF source text.
// In that text "{page:N}" stands for a reference to page N and "{obj:K}" for
// the K-th extra object (from 0). Encryption goes through qpdf.

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

struct PdfFixturePage {
    double width = 612;
    double height = 792;
    int rotate = 0;
    // x1 y1 x2 y2 of a crop box, when the page has one.
    std::optional<std::vector<double>> cropBox;
    // Annotation dictionaries, as PDF source.
    std::vector<std::string> annotations;
};

class PdfFixture {
public:
    std::vector<PdfFixturePage> pages;
    // Added inside the catalog dictionary, e.g. "/Dests {obj:0}".
    std::string catalogEntries;
    std::vector<std::string> extraObjects;

    static PdfFixture withPages(size_t count, double width = 612, double height = 792)
    {
        PdfFixture pdf;
        PdfFixturePage page;
        page.width = width;
        page.height = height;
        pdf.pages.resize(count, page);
        return pdf;
    }

    long pageObject(size_t page) const { return 4 + 2 * static_cast<long>(page - 1); }
    long extraObject(size_t k) const { return 4 + 2 * static_cast<long>(pages.size()) + static_cast<long>(k); }

    std::string resolve(std::string text) const
    {
        for (;;) {
            auto open = text.find('{');
            if (open == std::string::npos)
                return text;
            auto close = text.find('}', open);
            std::string what = text.substr(open + 1, close - open - 1);
            auto colon = what.find(':');
            long n = std::stol(what.substr(colon + 1));
            long object = what.substr(0, colon) == "page" ? pageObject(static_cast<size_t>(n))
                                                          : extraObject(static_cast<size_t>(n));
            text.replace(open, close - open + 1, std::to_string(object) + " 0 R");
        }
    }

    bool write(const std::string& path) const
    {
        std::ostringstream out;
        std::vector<long> offsets;
        auto object = [&](long number, const std::string& body) {
            if (offsets.size() < static_cast<size_t>(number + 1))
                offsets.resize(static_cast<size_t>(number + 1), 0);
            offsets[static_cast<size_t>(number)] = static_cast<long>(out.tellp());
            out << number << " 0 obj\n" << body << "\nendobj\n";
        };
        out << "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
        object(1, resolve("<< /Type /Catalog /Pages 2 0 R " + catalogEntries + " >>"));
        std::string kids;
        for (size_t i = 1; i <= pages.size(); ++i)
            kids += std::to_string(pageObject(i)) + " 0 R ";
        object(2, "<< /Type /Pages /Count " + std::to_string(pages.size()) + " /Kids [" + kids + "] >>");
        object(3, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>");
        for (size_t i = 1; i <= pages.size(); ++i) {
            const auto& page = pages[i - 1];
            std::ostringstream dict;
            dict << "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " << page.width << " " << page.height << "]";
            if (page.cropBox)
                dict << " /CropBox [" << (*page.cropBox)[0] << " " << (*page.cropBox)[1] << " " << (*page.cropBox)[2]
                     << " " << (*page.cropBox)[3] << "]";
            if (page.rotate)
                dict << " /Rotate " << page.rotate;
            dict << " /Resources << /Font << /F1 3 0 R >> >> /Contents " << pageObject(i) + 1 << " 0 R";
            if (!page.annotations.empty()) {
                dict << " /Annots [";
                for (const auto& annotation : page.annotations)
                    dict << resolve(annotation) << " ";
                dict << "]";
            }
            dict << " >>";
            object(pageObject(i), dict.str());
            std::ostringstream content;
            double hue = static_cast<double>(i % 7) / 7.0;
            content << "q " << hue << " 0.4 " << 1 - hue << " rg 0 0 " << page.width << " " << page.height / 6
                    << " re f Q BT /F1 " << page.height / 4 << " Tf 0 0 0 rg " << page.width / 6 << " "
                    << page.height / 2 << " Td (" << i << ") Tj ET";
            std::string stream = content.str();
            object(pageObject(i) + 1,
                "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream");
        }
        for (size_t k = 0; k < extraObjects.size(); ++k)
            object(extraObject(k), resolve(extraObjects[k]));
        long xref = static_cast<long>(out.tellp());
        out << "xref\n0 " << offsets.size() << "\n0000000000 65535 f \n";
        for (size_t n = 1; n < offsets.size(); ++n) {
            char line[32];
            std::snprintf(line, sizeof line, "%010ld 00000 n \n", offsets[n]);
            out << line;
        }
        out << "trailer\n<< /Size " << offsets.size() << " /Root 1 0 R >>\nstartxref\n" << xref << "\n%%EOF\n";
        std::ofstream file(path, std::ios::binary);
        file << out.str();
        return static_cast<bool>(file);
    }

    // Rewrites the file at `path` encrypted (AES-256) with the given passwords.
    static bool encrypt(const std::string& path, const std::string& userPassword, const std::string& ownerPassword)
    {
        try {
            QPDF pdf;
            pdf.processFile(path.c_str());
            std::string out = path + ".enc";
            QPDFWriter writer(pdf, out.c_str());
            writer.setR6EncryptionParameters(
                userPassword.c_str(), ownerPassword.c_str(), true, true, true, true, true, true, qpdf_r3p_full, true);
            writer.write();
            return std::rename(out.c_str(), path.c_str()) == 0;
        } catch (...) {
            return false;
        }
    }
};
