#include "Classes/Library/PdfDocument.h"
#include "PdfFixture.h"

#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSFileManager.h"
#include "TemporaryHome.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

class PdfDocumentTest : public TemporaryHomeTest {
protected:
    std::string pdfIn(const std::string& relativeFolder, const std::string& name, size_t pages = 3)
    {
        std::string folder = home.path() + "/" + relativeFolder;
        NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(folder, true);
        std::string path = folder + "/" + name;
        EXPECT_TRUE(PdfFixture::withPages(pages).write(path));
        return path;
    }
    static void writeBytes(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
};

TEST_F(PdfDocumentTest, NewDocumentStartsAtPageOneAndIsSavedAtOnce)
{
    std::string path = pdfIn("Documents/acme/Pdf", "Guide.pdf", 5);
    auto document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->pageNumber(), 1);
    EXPECT_EQ(document->pageCount(), 5L);
    EXPECT_EQ(document->bookmarks().count(), 0u);
    EXPECT_EQ(document->lastOpen().secondsSince1970, PdfDocument::kReferenceDate);
    EXPECT_EQ(document->guid().size(), 36u);
    EXPECT_EQ(document->fileName(), "Guide.pdf");
    EXPECT_EQ(document->relativePath(), "/Documents/acme/Pdf/Guide.pdf");
    EXPECT_EQ(document->fileURL(), path);
    EXPECT_TRUE(document->fileSize().has_value());
    EXPECT_TRUE(NSFileManager::defaultManager().fileExistsAtPath(home.library() + "/Application Support/Guide.plist"));
}

TEST_F(PdfDocumentTest, ReopeningReturnsTheSavedPageBookmarksAndGuid)
{
    std::string path = pdfIn("Documents/acme/Pdf", "Guide.pdf", 9);
    auto first = PdfDocument::withDocumentFilePathPassword(path, std::string("secret"));
    first->setPageNumber(7);
    first->bookmarks().addIndex(3);
    first->bookmarks().addIndex(7);
    first->setLastOpen(Date { 1'800'000'000 });
    first->saveReaderDocument();

    auto again = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->guid(), first->guid());
    EXPECT_EQ(again->pageNumber(), 7);
    EXPECT_EQ(again->bookmarks().allIndexes(), (std::vector<NSUInteger> { 3, 7 }));
    EXPECT_EQ(again->lastOpen().secondsSince1970, 1'800'000'000);
    EXPECT_EQ(again->pageCount(), 9L);
    // The password is never stored.
    EXPECT_FALSE(again->password().has_value());
    EXPECT_EQ(PdfDocument::withDocumentFilePathPassword(path, std::string("x"))->password(), std::string("x"));
}

TEST_F(PdfDocumentTest, SavedStateOfAnotherFileWithTheSameNameIsNotTaken)
{
    std::string first = pdfIn("Documents/acme/Pdf", "Guide.pdf", 4);
    std::string other = pdfIn("Documents/globex/Pdf", "Guide.pdf", 2);
    auto a = PdfDocument::withDocumentFilePathPassword(first, std::nullopt);
    a->setPageNumber(3);
    a->saveReaderDocument();

    auto b = PdfDocument::withDocumentFilePathPassword(other, std::nullopt);
    ASSERT_TRUE(b);
    EXPECT_NE(b->guid(), a->guid());
    EXPECT_EQ(b->fileURL(), other);
    EXPECT_EQ(b->pageNumber(), 1);
    EXPECT_EQ(b->pageCount(), 2L);
}

TEST_F(PdfDocumentTest, OnlyALeadingTmpFolderBecomesDocuments)
{
    struct Case {
        std::string folder;
        std::string expected;
    } cases[] = {
        { "tmp/acme", "/Documents/acme/attmpt.pdf" },
        { "Documents/tmpfiles", "/Documents/tmpfiles/attmpt.pdf" },
    };
    for (const auto& c : cases) {
        std::string path = pdfIn(c.folder, "attmpt.pdf");
        auto document = PdfDocument::initWithFilePathPassword(path, std::nullopt);
        ASSERT_TRUE(document) << c.folder;
        EXPECT_EQ(document->fileURL(), home.path() + c.expected) << c.folder;
    }
}

TEST_F(PdfDocumentTest, RecognisesPdfOnlyByTheSignatureBeforeAnyZeroByteInTheFirstKilobyte)
{
    struct Case {
        const char* name;
        std::string bytes;
        bool pdf;
    } cases[] = {
        { "plain", "%PDF-1.4\n", true },
        { "late", std::string(1000, ' ') + "%PDF", true },
        { "zero before", std::string("ab\0%PDF", 7), false },
        { "straddles 1024", std::string(1022, ' ') + "%PDF", false },
        { "empty", "", false },
        { "text", "hello", false },
    };
    for (const auto& c : cases) {
        std::string path = home.tmp() + "/sample";
        writeBytes(path, c.bytes);
        EXPECT_EQ(PdfDocument::isPDF(path), c.pdf) << c.name;
    }
    EXPECT_FALSE(PdfDocument::isPDF(std::nullopt));
    EXPECT_FALSE(PdfDocument::isPDF(home.tmp() + "/missing"));
}

TEST_F(PdfDocumentTest, NotAPdfGivesNoDocumentAndWritesNothing)
{
    std::string path = home.documents() + "/Notes.pdf";
    writeBytes(path, "just words");
    EXPECT_FALSE(PdfDocument::withDocumentFilePathPassword(path, std::nullopt));
    EXPECT_FALSE(NSFileManager::defaultManager().fileExistsAtPath(home.library() + "/Application Support/Notes.plist"));
}

TEST_F(PdfDocumentTest, DamagedArchiveIsReplacedByANewDocument)
{
    std::string path = pdfIn("Documents", "Guide.pdf");
    PdfDocument::applicationSupportPath();
    writeBytes(home.library() + "/Application Support/Guide.plist", "garbage");
    auto document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
    ASSERT_TRUE(document);
    EXPECT_EQ(PdfDocument::unarchiveFromFileNamePassword(path, std::nullopt)->guid(), document->guid());
}

TEST_F(PdfDocumentTest, EncryptedDocumentsOpenWithTheEmptyOrTheRightPasswordOnly)
{
    std::string open = pdfIn("Documents", "Open.pdf", 2);
    ASSERT_TRUE(PdfFixture::encrypt(open, "", "owner"));
    std::string locked = pdfIn("Documents", "Locked.pdf", 3);
    ASSERT_TRUE(PdfFixture::encrypt(locked, "s3cret", "owner"));
    std::string longPassword(126, 'p');
    std::string lockedLong = pdfIn("Documents", "LockedLong.pdf", 3);
    ASSERT_TRUE(PdfFixture::encrypt(lockedLong, longPassword, "owner"));

    EXPECT_TRUE(PdfDocumentRefCreate(open, std::string("wrong")));
    EXPECT_TRUE(PdfDocumentRefCreate(locked, std::string("s3cret")));
    EXPECT_FALSE(PdfDocumentRefCreate(locked, std::string("wrong")));
    EXPECT_FALSE(PdfDocumentRefCreate(locked, std::nullopt));
    EXPECT_FALSE(PdfDocumentRefCreate(lockedLong, longPassword));
    EXPECT_FALSE(PdfDocumentRefCreate(std::nullopt, std::nullopt));

    EXPECT_EQ(PdfDocument::initWithFilePathPassword(open, std::nullopt)->pageCount(), 2L);
    auto refused = PdfDocument::initWithFilePathPassword(locked, std::string("wrong"));
    ASSERT_TRUE(refused);
    EXPECT_FALSE(refused->pageCount().has_value());
    auto unlocked = PdfDocument::initWithFilePathPassword(locked, std::string("s3cret"));
    EXPECT_EQ(unlocked->pageCount(), 3L);
    // Refreshing without the password keeps the count it had.
    unlocked->updateProperties();
    EXPECT_EQ(unlocked->pageCount(), 3L);
}

TEST_F(PdfDocumentTest, UpdatePropertiesFollowsAReplacedOrMissingFile)
{
    std::string path = pdfIn("Documents", "Guide.pdf", 3);
    auto document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
    ASSERT_TRUE(PdfFixture::withPages(8).write(path));
    auto saved = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
    EXPECT_EQ(saved->pageCount(), 3L);
    saved->updateProperties();
    EXPECT_EQ(saved->pageCount(), 8L);
    saved->saveReaderDocument();

    std::remove(path.c_str());
    auto gone = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
    ASSERT_TRUE(gone);
    gone->updateProperties();
    EXPECT_FALSE(gone->fileSize().has_value());
    EXPECT_EQ(gone->pageCount(), 8L);
}

TEST_F(PdfDocumentTest, ProgrammingErrorsStopWithTheirCondition)
{
    try {
        PdfDocument::relativeFilePath("/elsewhere/file.pdf");
        FAIL();
    } catch (const NSException& e) {
        EXPECT_NE(e.reason().find("Classes/Library/PdfDocument"), std::string::npos);
        EXPECT_NE(e.reason().find("range.location != NSNotFound"), std::string::npos);
    }
    EXPECT_THROW(PdfDocument::relativeFilePath(std::nullopt), NSException);
    EXPECT_THROW(PdfDocument::archiveFilePath(std::nullopt), NSException);
}

}  // namespace
