#include "PDFFixtures.h"

#include "Platform/CoreGraphics/CGPDFContext.h"
#include "Platform/CoreGraphics/TextLayout.h"

#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <fstream>

namespace PDFFixtures {

namespace {

    void drawPages(const std::string& path, int pages, bool manyLines)
    {
        CGRect box = CGRectMake(0, 0, 612, 792);
        auto c = CGPDFContextCreateWithURL(path, &box);
        for (int i = 1; i <= pages; ++i) {
            CGPDFContextBeginPage(c, nullptr);
            CGContextSetRGBFillColor(c, 1, 0, 0, 1);
            CGContextFillRect(c, CGRectMake(50, 600, 100, 100));
            CGContextSetRGBFillColor(c, 0, 0, 0, 1);
            // Text is drawn in a y-downward space, as pages are laid out.
            CGContextSaveGState(c);
            CGContextTranslateCTM(c, 0, 792);
            CGContextScaleCTM(c, 1, -1);
            TextLayout("Page " + std::to_string(i), TextFont::systemFont(24), {}).draw(c, { 300, 100 });
            if (manyLines)
                for (int line = 0; line < 40; ++line)
                    TextLayout("Line " + std::to_string(line) + " of a generated page with some words to draw",
                        TextFont::systemFont(11), {})
                        .draw(c, { 50, CGFloat(200 + line * 14) });
            CGContextRestoreGState(c);
            CGPDFContextEndPage(c);
        }
        CGPDFContextClose(c);
    }

    QPDFObjectHandle parse(const std::string& text) { return QPDFObjectHandle::parse(text); }

    void write(QPDF& pdf, const std::string& path, const std::string& user, const std::string& owner)
    {
        QPDFWriter w(pdf, path.c_str());
        w.setStaticID(true);
        if (!user.empty() || !owner.empty())
            w.setR6EncryptionParameters(
                user.c_str(), owner.c_str(), true, true, true, true, true, true, qpdf_r3p_full, true);
        w.write();
    }

}

void writeReaderDocument(const std::string& path, const std::string& userPassword, const std::string& ownerPassword)
{
    std::string base = path + ".base.pdf";
    drawPages(base, 3, false);
    QPDF pdf;
    pdf.processFile(base.c_str());
    auto pages = pdf.getAllPages();
    auto p1 = pages[0], p2 = pages[1], p3 = pages[2];

    auto link = [&](const std::string& body) {
        return pdf.makeIndirectObject(parse("<< /Type /Annot /Subtype /Link " + body + " >>"));
    };
    auto annots = QPDFObjectHandle::newArray();
    annots.appendItem(link("/Rect [10 10 110 60] /A << /S /URI /URI (http://example.com/a) >>"));
    auto gotoPage3 = link("/Rect [10 100 110 150]");
    auto dest3 = QPDFObjectHandle::newArray();
    dest3.appendItem(p3);
    dest3.appendItem(QPDFObjectHandle::newName("/Fit"));
    auto action = QPDFObjectHandle::newDictionary();
    action.replaceKey("/S", QPDFObjectHandle::newName("/GoTo"));
    action.replaceKey("/D", dest3);
    gotoPage3.replaceKey("/A", action);
    annots.appendItem(gotoPage3);
    annots.appendItem(link("/Rect [10 200 110 250] /Dest (chapter2)"));
    annots.appendItem(pdf.makeIndirectObject(parse("<< /Type /Annot /Subtype /Text /Rect [10 300 110 350] >>")));
    annots.appendItem(link("/Rect [10 400 110 450] /Dest /Named"));
    annots.appendItem(link("/Rect [200 10 300 60] /A << /S /GoTo /D [1 /Fit] >>"));
    annots.appendItem(link("/A << /S /URI /URI (http://example.com/norect) >>"));
    p1.replaceKey("/Annots", annots);

    auto destTo = [](QPDFObjectHandle page) {
        auto d = QPDFObjectHandle::newArray();
        d.appendItem(page);
        d.appendItem(QPDFObjectHandle::newName("/Fit"));
        return d;
    };
    auto kid1 = QPDFObjectHandle::newDictionary();
    kid1.replaceKey("/Limits", parse("[(a) (m)]"));
    auto names1 = QPDFObjectHandle::newArray();
    names1.appendItem(QPDFObjectHandle::newString("chapter1"));
    names1.appendItem(destTo(p1));
    names1.appendItem(QPDFObjectHandle::newString("chapter2"));
    names1.appendItem(destTo(p2));
    kid1.replaceKey("/Names", names1);
    auto kid2 = QPDFObjectHandle::newDictionary();
    kid2.replaceKey("/Limits", parse("[(n) (z)]"));
    auto names2 = QPDFObjectHandle::newArray();
    names2.appendItem(QPDFObjectHandle::newString("zeta"));
    auto wrapped = QPDFObjectHandle::newDictionary();
    wrapped.replaceKey("/D", destTo(p3));
    names2.appendItem(wrapped);
    kid2.replaceKey("/Names", names2);
    auto kids = QPDFObjectHandle::newArray();
    kids.appendItem(pdf.makeIndirectObject(kid1));
    kids.appendItem(pdf.makeIndirectObject(kid2));
    auto destsTree = QPDFObjectHandle::newDictionary();
    destsTree.replaceKey("/Kids", kids);
    auto namesDict = QPDFObjectHandle::newDictionary();
    namesDict.replaceKey("/Dests", destsTree);
    auto root = pdf.getRoot();
    root.replaceKey("/Names", namesDict);
    auto named = QPDFObjectHandle::newDictionary();
    named.replaceKey("/D", destTo(p2));
    auto destsDict = QPDFObjectHandle::newDictionary();
    destsDict.replaceKey("/Named", named);
    root.replaceKey("/Dests", destsDict);

    p2.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
    p3.replaceKey("/CropBox", parse("[0 500 300 792]"));
    write(pdf, path, userPassword, ownerPassword);
    std::remove(base.c_str());
}

void writeCyclicDocument(const std::string& path)
{
    // Object 2 is the page tree and lists itself among its kids; object 5 is a
    // name tree node that lists itself.
    std::string objects[] = {
        "<< /Type /Catalog /Pages 2 0 R /Names << /Dests 5 0 R >> >>",
        "<< /Type /Pages /Kids [3 0 R 2 0 R] /Count 2 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R >>",
        "<< /Length 0 >>\nstream\n\nendstream",
        "<< /Kids [5 0 R] >>",
    };
    std::string out = "%PDF-1.4\n";
    std::vector<size_t> offsets;
    for (size_t i = 0; i < std::size(objects); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    size_t xref = out.size();
    out += "xref\n0 " + std::to_string(std::size(objects) + 1) + "\n0000000000 65535 f \n";
    for (size_t o : offsets) {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", o);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(std::size(objects) + 1) + " /Root 1 0 R >>\nstartxref\n"
        + std::to_string(xref) + "\n%%EOF\n";
    std::ofstream(path, std::ios::binary) << out;
}

void writeTextDocument(const std::string& path, int pages) { drawPages(path, pages, true); }

}
