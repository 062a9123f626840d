#pragma once

// The reader's record of one PDF file: which file it is, how many pages it
// has, the page last shown, the bookmarked pages and when it was last opened.
// It lives between openings as a small keyed archive in Application Support,
// named after the file without its extension, so that reopening a library
// file returns to where the salesperson left it.
//
// The stored path is relative to the application's home, so that the record
// survives the home folder moving. A record whose stored path names another
// file than the one asked for (a file of the same name in another client's
// folder) belongs to that other file: it is treated as absent and replaced.

#include "Platform/CoreGraphics/CGPDFDocument.h"
#include "Platform/Foundation/NSIndexSet.h"
#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>

// Opens the PDF at a file URL (a plain path or "file://" URL) and unlocks it
// with the empty password, else with the given one when it has at most 125
// UTF-8 bytes. Null when the file cannot be opened or stays locked.
CGPDFDocumentRef PdfDocumentRefCreate(
    const std::optional<std::string>& fileURL, const std::optional<std::string>& password);

class PdfDocument : public std::enable_shared_from_this<PdfDocument> {
public:
    // 2001-01-01 00:00:00 UTC: the last-open date of a document never shown.
    static constexpr double kReferenceDate = 978307200.0;

    static std::string GUID();
    static std::string documentsPath();
    static std::string applicationPath();
    static std::string applicationSupportPath();
    static std::string relativeFilePath(const std::optional<std::string>& fullFilePath);
    static std::string archiveFilePath(const std::optional<std::string>& filename);
    static bool isPDF(const std::optional<std::string>& path);
    static std::shared_ptr<PdfDocument> unarchiveFromFileNamePassword(
        const std::string& filename, const std::optional<std::string>& password);
    // The entry point: the saved record of this very file, else a new one; nil when the file is no PDF.
    static std::shared_ptr<PdfDocument> withDocumentFilePathPassword(
        const std::string& filePath, const std::optional<std::string>& password);
    // A new record, saved at once; nil when the file is not a PDF.
    static std::shared_ptr<PdfDocument> initWithFilePathPassword(
        const std::string& filePath, const std::optional<std::string>& password);
    // A record read back from its archive's values; nil when they are not a record.
    static std::shared_ptr<PdfDocument> initWithCoder(const Value& coder);

    const std::string& guid() const { return m_guid; }
    std::string fileName() const;
    const std::string& relativePath() const { return m_fileName; }
    const std::optional<Date>& fileDate() const { return m_fileDate; }
    const std::optional<long>& pageCount() const { return m_pageCount; }
    long pageNumber() const { return m_pageNumber; }
    void setPageNumber(long page) { m_pageNumber = page; }
    NSIndexSet& bookmarks() { return m_bookmarks; }
    const NSIndexSet& bookmarks() const { return m_bookmarks; }
    const std::optional<uint64_t>& fileSize() const { return m_fileSize; }
    Date lastOpen() const { return m_lastOpen; }
    void setLastOpen(Date date) { m_lastOpen = date; }
    const std::optional<std::string>& password() const { return m_password; }
    void setPassword(std::optional<std::string> password) { m_password = std::move(password); }
    // The absolute path of the PDF, computed once.
    const std::string& fileURL();

    bool archiveWithFileName(const std::string& filename) const;
    void saveReaderDocument() const;
    void updateProperties();
    Value encodeWithCoder() const;

    PdfDocument() = default;

private:
    std::string m_guid;
    std::string m_fileName;  // relative to the application's home
    std::optional<Date> m_fileDate;
    std::optional<long> m_pageCount;
    long m_pageNumber = 1;
    NSIndexSet m_bookmarks;
    std::optional<uint64_t> m_fileSize;
    Date m_lastOpen { kReferenceDate };
    std::optional<std::string> m_password;
    std::optional<std::string> m_fileURL;
};
