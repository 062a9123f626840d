#pragma once

// The screen fixture for the sales library: a signed-in online session of
// client "ACME" on Wi-Fi, and helpers that put library files and categories
// into its database and file bodies into its folders, the way a
// synchronisation and the downloads leave them.

#include "Classes/Frame/PublicFunction.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSFileManager.h"
#include "support/ScreenTest.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

class LibraryFixture : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        auto session = LoginMode::sharedInstance();
        session->setClientID("ACME");
        session->setAcountID("sales1");
        session->setLoginType(LoginMode::kLoginTypeOnline);
        session->setIsNotWifi(false);
    }

    struct FileRow {
        int id;
        std::string title;
        std::string name;
        std::string type = "PDF";
        int category = 0;
        int isNew = 0;
        std::string info = "PDF/2.5 M";
        std::string date = "2026-01-05 10:00:00";
    };

    static std::shared_ptr<corvelle_library_files_Entity> entity(const FileRow& row)
    {
        auto f = std::make_shared<corvelle_library_files_Entity>();
        f->file_id = row.id;
        f->title = row.title;
        f->file_name = row.name;
        f->type = row.type;
        f->category = row.category;
        f->isNew = row.isNew;
        f->info = row.info;
        f->date = row.date;
        f->published = 1;
        f->cover_image = "cover" + std::to_string(row.id) + ".png";
        return f;
    }

    static void addFiles(const std::vector<FileRow>& rows)
    {
        EntityList<corvelle_library_files_Entity> list;
        for (const auto& row : rows)
            list.push_back(entity(row));
        ASSERT_TRUE(DataAccessManager::sharedDataModel()->saveToDatabaseLibraryFiles(list));
    }

    static void addCategory(int id, const std::string& name, int parent)
    {
        auto c = std::make_shared<corvelle_library_category_Entity>();
        c->categoryID = id;
        c->name = name;
        c->parent_id = parent;
        c->published = 1;
        c->ordering = id;
        ASSERT_TRUE(DataAccessManager::sharedDataModel()->saveToDatabaseLibraryCategory(
            EntityList<corvelle_library_category_Entity> { c }));
    }

    static void addPendingUpdate(int id, const std::string& oldName, const std::string& oldType)
    {
        auto u = std::make_shared<corvelle_library_files_update_Entity>();
        u->fileID = id;
        u->oldFileName = oldName;
        u->oldFileType = oldType;
        ASSERT_TRUE(DataAccessManager::sharedDataModel()->saveToDatabaseLibraryUpdate(u));
    }

    static std::string pathOf(const std::string& name, const std::string& type)
    {
        return PublicFunction::filePathWithNameFiletype(name, PublicFunction::getFileType(type));
    }

    static void putOnDisk(const std::string& name, const std::string& type, const std::string& bytes = "bytes")
    {
        const std::string path = pathOf(name, type);
        NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(
            path.substr(0, path.rfind('/')), true);
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static bool onDisk(const std::string& name, const std::string& type)
    {
        return NSFileManager::defaultManager().fileExistsAtPath(pathOf(name, type));
    }

    static std::string readFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    // A one-page PDF that the reader opens.
    static std::string onePagePdf()
    {
        std::ostringstream out;
        std::vector<long> offsets;
        out << "%PDF-1.4\n";
        const char* objects[] = { "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Count 1 /Kids [3 0 R] >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 400] >>" };
        for (int i = 0; i < 3; ++i) {
            offsets.push_back(static_cast<long>(out.tellp()));
            out << i + 1 << " 0 obj\n" << objects[i] << "\nendobj\n";
        }
        const long xref = static_cast<long>(out.tellp());
        out << "xref\n0 4\n0000000000 65535 f \n";
        for (long offset : offsets) {
            char line[32];
            std::snprintf(line, sizeof line, "%010ld 00000 n \n", offset);
            out << line;
        }
        out << "trailer\n<< /Size 4 /Root 1 0 R >>\nstartxref\n" << xref << "\n%%EOF\n";
        return out.str();
    }

    static std::shared_ptr<SaleslibraryModel> manager() { return SaleslibraryModel::sharedInstance(); }

    // Answers the waiting download of `name` as the transport does: the file
    // is written first when it arrived.
    void answerDownload(const std::string& name, const std::string& status)
    {
        for (const auto& m : frontDoor->messagesFor(0x301)) {
            if (m.fileName != name)
                continue;
            for (int tag : frontDoor->waiting()) {
                if (tag != m.tag)
                    continue;
                frontDoor->answer(tag,
                    status == "200"       ? HttpNetworkCtrl::kDownloadSuccessReply
                        : status == "404" ? HttpNetworkCtrl::kFileMissingReply
                                          : HttpNetworkCtrl::kNetworkErrorReply);
                drainMainRunLoop();
                return;
            }
        }
        ADD_FAILURE() << "no download of " << name << " is waiting";
    }
};
