// Writes the sample company the fake company server serves, and the demo
// archive of the application bundle. Everything is made from fixed rules, so
// two runs give the same bytes.
//
//   corvelle-sample-company --company DIR [--products N] [--client ID]
//       DIR/content/<command>.json   the reply contents (":" in a command is "@")
//       DIR/accounts.json            {"<client>/<account>": "<password>"}
//       DIR/files/<client>/<server folder>/<name>
//   corvelle-sample-company --demo-archive OUT.zip --bundle BUNDLE
//       OUT.zip holds the demo client folders "dostrevik_" and "velloran_",
//       each a full client folder (database, images, library files, skin).

#include "Classes/Frame/ZipWrapper.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/QDJsonWriter.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SyncCommands.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "PDFFixtures.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct File {
    std::string folder;  // the server folder ("product", "library/pdf", ...; "" for the skin)
    std::string name;
    std::string bytes;
};

Value object(std::initializer_list<std::pair<std::string, Value>> items) { return Value::dictionary(items); }

std::string text(int n) { return std::to_string(n); }

std::string padded(int n, int width)
{
    std::string s = std::to_string(n);
    return std::string(s.size() < size_t(width) ? size_t(width) - s.size() : 0, '0') + s;
}

// ---- PNG: a solid picture, with a darker band or plain, written by hand ----

void putBig32(std::string& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xff));
}

void chunk(std::string& out, const char* type, const std::string& data)
{
    putBig32(out, static_cast<uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    putBig32(out,
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

std::string png(int width, int height, uint8_t r, uint8_t g, uint8_t b, bool banded = true)
{
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        bool band = banded && y > height / 3 && y < height * 2 / 3;
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<char>(band ? r / 2 : r));
            raw.push_back(static_cast<char>(band ? g / 2 : g));
            raw.push_back(static_cast<char>(band ? b / 2 : b));
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
        static_cast<uLong>(raw.size()), 9);
    packed.resize(size);
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    putBig32(header, static_cast<uint32_t>(width));
    putBig32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", packed);
    chunk(out, "IEND", "");
    return out;
}

template <typename T> OptionalEntityList<T> listOf(const std::vector<T>& records)
{
    EntityList<T> list;
    for (const auto& record : records)
        list.push_back(std::make_shared<T>(record));
    return list;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool writeFile(const fs::path& path, const std::string& bytes)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

// A zip of (entry name, bytes), through the frame's zip wrapper.
std::string zipOf(const fs::path& scratch, const std::vector<std::pair<std::string, std::string>>& entries)
{
    fs::path folder = scratch / "zip-entries";
    fs::remove_all(folder);
    fs::path archive = scratch / "archive.zip";
    fs::remove(archive);
    ZipWrapper zip;
    zip.CreateZipFile2(archive.string());
    int n = 0;
    for (const auto& [name, bytes] : entries) {
        fs::path file = folder / text(n++);
        writeFile(file, bytes);
        zip.addFileToZipNewname(file.string(), name);
    }
    zip.CloseZipFile2();
    std::string bytes = readFile(archive);
    fs::remove_all(folder);
    fs::remove(archive);
    return bytes;
}

// ---- The company ----

struct Company {
    std::map<std::string, Value> contents;
    std::vector<File> files;
};

constexpr int kCategories = 12;
constexpr double kDay = 86400;
// 2014-05-01 00:00:00 UTC: discounts run from a month before to a month after.
constexpr double kDiscountMiddle = 1398902400;

Value productRecord(int id, bool withImages)
{
    int category = 4 + id % (kCategories - 3);
    bool yuan = id % 2 == 0;
    double price = 10 + (id * 37) % 990 + (id % 4) * 0.25;
    Value product = object({ { "productID", text(id) }, { "productName", "Product " + padded(id, 5) },
        { "productSKU", "SKU-" + padded(id, 5) }, { "productShortDesc", "A sample product" },
        { "productDesc", "Sample product " + text(id) + " of the generated catalogue." },
        { "productStock", text(id % 50) }, { "productOrdering", text(id) }, { "publish", "1" },
        { "productParentList", Value::array({ Value(category) }) }, { "productTag", text(1 + id % 3) },
        { "priceID", text(id) }, { "price", Value(price) }, { "currency", yuan ? "CNY" : "USD" },
        { "relatedSKUList", "SKU-" + padded(id % 7 + 1, 5) },
        { "attributes",
            Value::array({ object({ { "attributeId", text(id * 2) }, { "attributeFieldsId", "1" },
                               { "attributeValue", id % 2 ? "Oak" : "Pine" } }),
                object({ { "attributeId", text(id * 2 + 1) }, { "attributeFieldsId", "2" },
                    { "attributeValue", text(40 + id % 60) + " cm" } }) }) } });
    if (id % 5 == 0) {
        // Every fifth product is on offer for a limited time.
        product.set("discountPrice", Value(price * 0.8));
        product.set("discountIdentifier", "SALE");
        product.set("discountPublish", "1");
        product.set("discount_percentage", "20");
        product.set("discountStartDate", Value(kDiscountMiddle - 30 * kDay));
        product.set("discountEndDate", Value(kDiscountMiddle + (id % 10 == 0 ? 30 * kDay : -10 * kDay)));
    }
    if (withImages) {
        std::string stem = "p" + padded(id, 5);
        product.set("images",
            Value::array({ object({ { "imageID", text(id) }, { "keyID", text(id) }, { "keyType", "product" },
                { "thumbAddress", stem + "_t.png" }, { "fullAddress", stem + ".png" }, { "isDefault", "1" },
                { "imagePublish", "1" }, { "imageOrdering", "1" } }) }));
    }
    return product;
}

Company makeCompany(const std::string& client, int products, const fs::path& scratch)
{
    Company company;
    Value productList = Value::array();
    for (int id = 1; id <= products; ++id)
        productList.append(productRecord(id, true));
    Value categories = Value::array();
    for (int id = 1; id <= kCategories; ++id) {
        categories.append(object(
            { { "categoryID", text(id) }, { "categoryName", id <= 3 ? "Range " + text(id) : "Group " + text(id) },
                { "categoryCode", "C" + text(id) }, { "categoryPublish", "1" }, { "categoryOrdering", text(id) },
                { "categoryParentID", text(id <= 3 ? 0 : 1 + (id - 4) % 3) } }));
    }
    Value fields = Value::array({ object({ { "attributeFieldsId", "1" }, { "attributeName", "Material" },
                                      { "display", "1" }, { "published", "1" } }),
        object({ { "attributeFieldsId", "2" }, { "attributeName", "Width" }, { "display", "1" },
            { "published", "1" } }) });
    Value relatedFiles
        = Value::array({ object({ { "productId", "1" }, { "productSku", "SKU-00001" }, { "fileId", "1" } }),
            object({ { "productId", "2" }, { "productSku", "SKU-00002" }, { "fileId", "3" } }) });
    Value tags = Value::array({ object({ { "id", "1" }, { "tagName", "New" } }),
        object({ { "id", "2" }, { "tagName", "Popular" } }), object({ { "id", "3" }, { "tagName", "Outdoor" } }) });
    Value tagLinks = Value::array();
    for (int id = 1; id <= std::min(products, 60); ++id)
        tagLinks.append(object({ { "tagId", text(1 + id % 3) }, { "productId", text(id) } }));
    Value productContent = Value::array({ productList, categories, fields, relatedFiles, tags, tagLinks });
    company.contents["syncData:product"] = productContent;
    company.contents["syncData:product:changes"]
        = Value::array({ Value::array(), Value::array(), Value::array(), relatedFiles, tags, tagLinks });

    struct LibraryFile {
        int id;
        const char* title;
        const char* name;
        const char* type;
        const char* folder;
        int category;
    };
    const LibraryFile library[] = {
        { 1, "Catalogue", "catalogue.pdf", "PDF", "library/pdf", 1 },
        { 2, "Price list (protected)", "pricelist.pdf", "PDF", "library/pdf", 1 },
        { 3, "Showroom tour", "showroom.mp4", "VEDIO", "library/vedio", 2 },
        { 4, "Order form", "orderform.docx", "WORD", "library/word", 3 },
    };
    Value libraryFiles = Value::array();
    for (const auto& f : library) {
        libraryFiles.append(object({ { "id", text(f.id) }, { "title", f.title }, { "fileName", f.name },
            { "category", text(f.category) }, { "type", f.type }, { "date", "2014-05-0" + text(f.id) + " 09:00:00" },
            { "description", std::string("The ") + f.title }, { "ordering", text(f.id) }, { "publish", "1" },
            { "coverImage", "cover" + text(f.id) + ".png" },
            { "info", std::string(f.type) + (f.id == 3 ? ",00:42" : "") } }));
    }
    Value libraryCategories
        = Value::array({ object({ { "cateID", "1" }, { "cateName", "Brochures" }, { "cateOrdering", "1" },
                             { "catePublished", "1" }, { "parentId", "0" } }),
            object({ { "cateID", "2" }, { "cateName", "Videos" }, { "cateOrdering", "2" }, { "catePublished", "1" },
                { "parentId", "0" } }),
            object({ { "cateID", "3" }, { "cateName", "Forms" }, { "cateOrdering", "3" }, { "catePublished", "1" },
                { "parentId", "1" } }) });
    company.contents["syncData:file"] = Value::array({ libraryFiles, libraryCategories, object({ { "keyIDS", "" } }) });
    company.contents["syncData:file:changes"]
        = Value::array({ Value::array(), Value::array(), object({ { "keyIDS", "" } }) });

    const char* names[] = { "Anna Berg", "Chen Wei", "Lukas Brandt", "Maria Rossi", "Omar Haddad", "Sofia Lind",
        "Tom Hale", "Yuki Sato" };
    Value customers = Value::array();
    Value addresses = Value::array();
    Value contacts = Value::array();
    for (int i = 0; i < 24; ++i) {
        int id = 100 + i;
        std::string name = std::string(names[i % 8]) + (i >= 8 ? " " + text(i / 8 + 1) : "");
        customers.append(object({ { "customerId", text(id) }, { "customerName", name }, { "customerPublish", "1" },
            { "customerOrdering", text(i) }, { "customerDiscount", text(i % 4 * 5) },
            { "attributes",
                Value::array({ object({ { "attributeId", text(id * 10 + 1) }, { "attributeFieldsId", "1" },
                                   { "attributeValue", "555-01" + padded(i, 2) } }),
                    object({ { "attributeId", text(id * 10 + 2) }, { "attributeFieldsId", "5" },
                        { "attributeValue", "Oslo" } }) }) } }));
        addresses.append(
            object({ { "id", text(id) }, { "customer_id", text(id) }, { "address", text(i + 1) + " Main Street" },
                { "city", i % 2 ? "Oslo" : "Bergen" }, { "state", "Norway" }, { "zip_code", text(1000 + i) } }));
        contacts.append(object({ { "customerId", text(id) }, { "contactId", text(id) },
            { "firstName", name.substr(0, name.find(' ')) }, { "lastName", name.substr(name.find(' ') + 1) },
            { "jobTitle", "Buyer" }, { "email", "buyer" + text(i) + "@example.test" } }));
    }
    const char* customerFields[]
        = { "Phone", "Bank Account", "Active", "Address", "City", "State/Province/Region", "Zip Code" };
    Value customerFieldList = Value::array();
    for (int i = 0; i < 7; ++i) {
        customerFieldList.append(object({ { "attributeFieldsId", text(i + 1) }, { "attributeName", customerFields[i] },
            { "data_type", "text" }, { "display", "1" }, { "published", "1" } }));
    }
    company.contents["syncData:customer"] = Value::array({ customers, customerFieldList, addresses, contacts });
    company.contents["syncData:customer:changes"]
        = Value::array({ Value::array(), Value::array(), Value::array(), Value::array() });

    // Files: two pictures per product (a few colours, so the bytes are shared), covers, documents, skin.
    std::vector<std::string> fulls, thumbs;
    for (int c = 0; c < 8; ++c) {
        fulls.push_back(png(320, 220, static_cast<uint8_t>(40 + c * 25), static_cast<uint8_t>(200 - c * 20), 160));
        thumbs.push_back(png(160, 110, static_cast<uint8_t>(40 + c * 25), static_cast<uint8_t>(200 - c * 20), 160));
    }
    for (int id = 1; id <= products; ++id) {
        std::string stem = "p" + padded(id, 5);
        company.files.push_back({ "product", stem + ".png", fulls[size_t(id % 8)] });
        company.files.push_back({ "product", stem + "_t.png", thumbs[size_t(id % 8)] });
    }
    for (const auto& f : library)
        company.files.push_back({ "library/cover_image", "cover" + text(f.id) + ".png",
            png(200, 260, 90, static_cast<uint8_t>(60 * f.id), 200) });
    fs::path pdf = scratch / "catalogue.pdf";
    PDFFixtures::writeReaderDocument(pdf.string());
    company.files.push_back({ "library/pdf", "catalogue.pdf", readFile(pdf) });
    PDFFixtures::writeReaderDocument(pdf.string(), "open", "owner");
    company.files.push_back({ "library/pdf", "pricelist.pdf", readFile(pdf) });
    fs::remove(pdf);
    fs::remove(pdf.string() + ".base.pdf");
    // The leading boxes of an MP4 file; enough to be told from other files by its type.
    std::string movie = std::string("\0\0\0\x18"
                                    "ftypmp42\0\0\0\0mp42isom",
                            24)
        + std::string("\0\0\0\x08"
                      "free",
            8)
        + std::string("\0\0\0\x10"
                      "mdat",
            8)
        + std::string(8, '\x11');
    company.files.push_back({ "library/vedio", "showroom.mp4", movie });
    company.files.push_back({ "library/word", "orderform.docx",
        zipOf(scratch,
            { { "[Content_Types].xml",
                  "<?xml version=\"1.0\"?><Types "
                  "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                  "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>" },
                { "word/document.xml",
                    "<?xml version=\"1.0\"?><w:document "
                    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                    "<w:body><w:p><w:r><w:t>Order form</w:t></w:r></w:p></w:body></w:document>" } }) });
    company.files.push_back({ "", "SkinImages.zip",
        // Bars and backgrounds are plain: they are stretched over whole
        // screens and under titles, where a band would cross the letters.
        zipOf(scratch,
            { { "SkinImages/topbar-bg.png", png(64, 44, 30, 70, 120, false) },
                { "SkinImages/titlebar.png", png(64, 55, 230, 230, 236, false) },
                { "SkinImages/bg-welcome.png", png(256, 188, 24, 52, 92, false) },
                { "SkinImages/homelogo.png", png(180, 60, 200, 120, 30) } }) });
    (void)client;
    return company;
}

bool writeCompany(const fs::path& dir, const std::string& client, const Company& company)
{
    bool ok = true;
    for (const auto& [command, content] : company.contents) {
        std::string name = command;
        for (char& c : name) {
            if (c == ':')
                c = '@';
        }
        ok = writeFile(dir / "content" / (name + ".json"), QDJsonWriter().stringWithObject(content).value_or("")) && ok;
    }
    ok = writeFile(dir / "accounts.json", "{\"" + client + "/sales1\":\"secret\"}") && ok;
    for (const auto& file : company.files)
        ok = writeFile(dir / "files" / client / file.folder / file.name, file.bytes) && ok;
    return ok;
}

// ---- The demo archive ----

const char* localFolder(const std::string& serverFolder)
{
    if (serverFolder == "product")
        return "ProductImages";
    if (serverFolder == "library/cover_image")
        return "LibraryImages";
    if (serverFolder == "library/pdf")
        return "Pdf";
    if (serverFolder == "library/vedio")
        return "Video";
    if (serverFolder == "library/word")
        return "Word";
    return nullptr;
}

bool writeDemoClient(const fs::path& documents, const std::string& client, const fs::path& scratch)
{
    Company company = makeCompany(client, 40, scratch);
    LoginMode::freeInstance();
    auto session = LoginMode::sharedInstance();
    session->setClientID(client);
    session->setAcountID(std::string("DEMO"));
    DataAccessManager::releaseDataModel();
    auto data = DataAccessManager::sharedDataModel();
    SyncModel::sharedInstance()->createAllDirectorys();

    auto envelope = [](const Value& content) {
        return std::optional<Value>(object({ { "content", content },
            { "results", Value::array({ object({ { "status", "200" }, { "message", "" }, { "detail", "" } }) }) } }));
    };
    // The tables go through the same decoders as a synchronisation's replies.
    auto p = std::dynamic_pointer_cast<SyncAllTableRst>(
        RequestSyncAllTable().RequestDecode(envelope(company.contents["syncData:product"])));
    auto f = std::dynamic_pointer_cast<SyncFileTableRst>(
        RequestSyncFileTable().RequestDecode(envelope(company.contents["syncData:file"])));
    auto c = std::dynamic_pointer_cast<SyncCustomerTableRst>(
        RequestSyncCustomerTable().RequestDecode(envelope(company.contents["syncData:customer"])));
    if (!p || !f || !c)
        return false;
    bool saved = data->saveToDatabaseProduct(listOf(p->productTable))
        && data->saveToDatabaseProductAttribute(listOf(p->productAttributeTable))
        && data->saveToDatabaseFieldsProductAttribute(listOf(p->fieldsAttributeTable))
        && data->saveToDatabasePxrefC(listOf(p->productCategoryXrefTable))
        && data->saveToDatabasePrice(listOf(p->productPriceTable))
        && data->saveToDatabaseProductrelated(listOf(p->productRelatedTable))
        && data->saveToDatabaseImage(listOf(p->imagesTable)) && data->saveToDatabaseCategory(listOf(p->categoryTable))
        && data->saveToDatabaseProductRelatedFile(listOf(p->productRelatedFilesTable))
        && data->saveToDatabaseProductTag(listOf(p->productTagTable))
        && data->saveToDatabaseProductRelatedTag(listOf(p->productRelateTagTable))
        && data->saveToDatabaseLibraryFiles(listOf(f->libFileTable))
        && data->saveToDatabaseLibraryCategory(listOf(f->libCategoryTable))
        && data->saveToDatabaseCustomer(listOf(c->customerTable))
        && data->saveToDatabaseCustomerAttribute(listOf(c->customerAttributeTable))
        && data->saveToDatabaseFieldsCustomerAttribute(listOf(c->fieldsAttributeTable))
        && data->saveToDatabaseCustomerAddress(listOf(c->customerAddressTable))
        && data->saveToDatabaseCustomerContact(listOf(c->customerContactTable));
    if (!saved) {
        std::fprintf(stderr, "corvelle-sample-company: the tables of %s were not saved\n", client.c_str());
        return false;
    }

    Value config = object({ { "configuration",
                                object({ { "home", "1" }, { "category", "1" }, { "customer", "1" },
                                    { "inventory", "1" }, { "library", "1" }, { "order", "1" }, { "sync", "0" } }) },
        { "appConfiguration", object({ { "dateformat", "MM/dd/yy" }, { "modifyprice", "1" } }) },
        { "settings", object({ { "view_type", "normal" }, { "order_method", "1" } }) } });
    auto rows = std::dynamic_pointer_cast<ConfigRst>(RequestConfig().RequestDecode(envelope(config)));
    if (!rows)
        return false;
    if (!ConfigManager::sharedInstance()->syncConfigData(OptionalEntityList<ConfigEntity>(rows->configTable))) {
        std::fprintf(stderr, "corvelle-sample-company: the configuration of %s was not saved\n", client.c_str());
        return false;
    }
    auto stored = ConfigManager::sharedInstance()->queryConfig();
    if (!stored || !stored->desc) {
        std::fprintf(stderr, "corvelle-sample-company: no configuration row for %s\n", client.c_str());
        return false;
    }

    fs::path folder = documents / client;
    for (const auto& file : company.files) {
        if (file.name == "SkinImages.zip") {
            fs::path archive = folder / "SkinImages.zip";
            writeFile(archive, file.bytes);
            ZipWrapper zip;
            bool unpacked = zip.UnzipOpenFile(archive.string()) && zip.UnzipFileToOverWrite(folder.string(), true);
            zip.UnzipCloseFile();
            if (!unpacked)
                return false;
            continue;
        }
        if (const char* local = localFolder(file.folder))
            writeFile(folder / local / file.name, file.bytes);
    }
    ConfigManager::freeInstance();
    SyncModel::freeInstance();
    ConfigManager::sharedInstance()->resetUserData();
    ConfigManager::freeInstance();
    return true;
}

bool writeDemoArchive(const fs::path& out, const fs::path& bundle)
{
    fs::path scratch = fs::temp_directory_path() / ("corvelle-demo-" + std::to_string(::getpid()));
    fs::remove_all(scratch);
    fs::path home = scratch / "home";
    fs::create_directories(home / "Documents");
    AppEnvironment::setHomeDirectory(home.string());
    AppEnvironment::setBundleDirectory(bundle.string());
    bool ok = true;
    for (const char* client : { LoginMode::kDemoClientFirst, LoginMode::kDemoClientSecond })
        ok = writeDemoClient(home / "Documents", client, scratch) && ok;
    if (ok) {
        fs::path temporary = out.string() + ".tmp";
        fs::remove(temporary);
        ZipWrapper zip;
        ok = zip.CreateZipFile2(temporary.string());
        std::vector<fs::path> entries;
        for (const auto& entry : fs::recursive_directory_iterator(home / "Documents")) {
            if (entry.is_regular_file())
                entries.push_back(entry.path());
        }
        std::sort(entries.begin(), entries.end());
        for (const auto& path : entries)
            ok = zip.addFileToZipNewname(path.string(), fs::relative(path, home / "Documents").string()) && ok;
        ok = zip.CloseZipFile2() && ok;
        if (ok)
            fs::rename(temporary, out);
    }
    fs::remove_all(scratch);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string company, demo, bundle, client = "ACME";
    int products = 300;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--company")
            company = argv[i + 1];
        else if (option == "--demo-archive")
            demo = argv[i + 1];
        else if (option == "--bundle")
            bundle = argv[i + 1];
        else if (option == "--client")
            client = argv[i + 1];
        else if (option == "--products")
            products = std::atoi(argv[i + 1]);
    }
    if (company.empty() == demo.empty() || (!demo.empty() && bundle.empty())) {
        std::fprintf(stderr,
            "usage: corvelle-sample-company --company DIR [--products N] [--client ID]\n"
            "       corvelle-sample-company --demo-archive OUT.zip --bundle BUNDLE\n");
        return 2;
    }
    if (!company.empty()) {
        fs::path scratch = fs::path(company).parent_path() / (fs::path(company).filename().string() + ".scratch");
        fs::create_directories(scratch);
        fs::remove_all(company);
        bool ok = writeCompany(company, client, makeCompany(client, products, scratch));
        fs::remove_all(scratch);
        return ok ? 0 : 1;
    }
    return writeDemoArchive(demo, bundle) ? 0 : 1;
}
