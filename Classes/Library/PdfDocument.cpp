#include "Classes/Library/PdfDocument.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSKeyedArchiver.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

[[noreturn]] void assertionFailure(const char* condition)
{
    NSException::raiseFormat(
        NSInternalInconsistencyException, "Assertion failure in %s: %s", "Classes/Library/PdfDocument", condition);
}

std::string pathOfURL(const std::string& url)
{
    if (url.rfind("file://", 0) == 0)
        return NSString::stringByReplacingPercentEscapes(url.substr(7));
    return url;
}

std::string lastPathComponent(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string deletingPathExtension(const std::string& name)
{
    auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

CGPDFDocumentRef PdfDocumentRefCreate(
    const std::optional<std::string>& fileURL, const std::optional<std::string>& password)
{
    if (!fileURL)
        return nullptr;
    auto document = CGPDFDocumentCreateWithURL(pathOfURL(*fileURL));
    if (!document)
        return nullptr;
    if (!CGPDFDocumentIsEncrypted(document))
        return document;
    if (!CGPDFDocumentUnlockWithPassword(document, "") && password && !password->empty()) {
        // The password travels as a C string in a 128-byte buffer of which 126 may be used.
        char buffer[128] = {};
        if (password->size() + 1 <= 126 && password->find('\0') == std::string::npos) {
            std::memcpy(buffer, password->data(), password->size());
            CGPDFDocumentUnlockWithPassword(document, buffer);
        }
    }
    if (!CGPDFDocumentIsUnlocked(document))
        return nullptr;
    return document;
}

std::string PdfDocument::GUID() { return Hashing::uuidString(); }

std::string PdfDocument::documentsPath()
{
    return NSSearchPathForDirectoriesInDomains(NSDocumentDirectory, NSUserDomainMask, true).front();
}

std::string PdfDocument::applicationPath()
{
    std::string documents = documentsPath();
    auto slash = documents.find_last_of('/');
    return slash == std::string::npos ? std::string() : documents.substr(0, slash);
}

std::string PdfDocument::applicationSupportPath()
{
    std::string path
        = NSSearchPathForDirectoriesInDomains(NSApplicationSupportDirectory, NSUserDomainMask, true).front();
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(path, true);
    return path;
}

std::string PdfDocument::relativeFilePath(const std::optional<std::string>& fullFilePath)
{
    if (!fullFilePath)
        assertionFailure("fullFilePath != nil");
    std::string home = applicationPath();
    auto at = fullFilePath->find(home);
    if (home.empty() || at == std::string::npos)
        assertionFailure("range.location != NSNotFound");
    std::string relative = *fullFilePath;
    relative.erase(at, home.size());
    return relative;
}

std::string PdfDocument::archiveFilePath(const std::optional<std::string>& filename)
{
    if (!filename)
        assertionFailure("filename != nil");
    return applicationSupportPath() + "/" + deletingPathExtension(lastPathComponent(*filename)) + ".plist";
}

bool PdfDocument::isPDF(const std::optional<std::string>& path)
{
    if (!path)
        return false;
    int fd = ::open(path->c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[1024];
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (got <= 0)
        return false;
    // The signature is looked for as in a C string: the search ends at the first zero byte.
    std::string_view text(buffer, static_cast<size_t>(got));
    text = text.substr(0, text.find('\0'));
    return text.find("%PDF") != std::string_view::npos;
}

std::shared_ptr<PdfDocument> PdfDocument::initWithFilePathPassword(
    const std::string& filePath, const std::optional<std::string>& password)
{
    if (!isPDF(filePath))
        return nullptr;
    auto document = std::make_shared<PdfDocument>();
    document->m_guid = GUID();
    document->m_password = password;
    document->m_pageNumber = 1;
    document->m_fileName = relativeFilePath(filePath);
    if (auto pdf = PdfDocumentRefCreate(document->fileURL(), password))
        document->m_pageCount = static_cast<long>(CGPDFDocumentGetNumberOfPages(pdf));
    document->m_lastOpen = Date { kReferenceDate };
    if (auto attributes = NSFileManager::defaultManager().attributesOfItemAtPath(filePath)) {
        document->m_fileDate = attributes->fileModificationDate;
        document->m_fileSize = attributes->fileSize;
    }
    document->saveReaderDocument();
    return document;
}

std::string PdfDocument::fileName() const { return lastPathComponent(m_fileName); }

const std::string& PdfDocument::fileURL()
{
    if (!m_fileURL) {
        // Files moved out of tmp land in Documents; only that leading folder is renamed,
        // never "tmp" inside a folder or file name.
        std::string relative = m_fileName;
        if (relative.rfind("/tmp/", 0) == 0)
            relative = "/Documents/" + relative.substr(5);
        m_fileURL = applicationPath() + relative;
    }
    return *m_fileURL;
}

Value PdfDocument::encodeWithCoder() const
{
    Value archive = Value::dictionary();
    archive.set("FileGUID", Value(m_guid));
    archive.set("FileName", Value(m_fileName));
    if (m_fileDate)
        archive.set("FileDate", Value(*m_fileDate));
    if (m_pageCount)
        archive.set("PageCount", Value::integer(*m_pageCount));
    archive.set("PageNumber", Value::integer(m_pageNumber));
    Value marks = Value::array();
    for (auto index : m_bookmarks.allIndexes())
        marks.append(Value::unsignedInteger(index));
    archive.set("Bookmarks", std::move(marks));
    if (m_fileSize)
        archive.set("FileSize", Value::unsignedInteger(*m_fileSize));
    archive.set("LastOpen", Value(m_lastOpen));
    return archive;
}

std::shared_ptr<PdfDocument> PdfDocument::initWithCoder(const Value& coder)
{
    if (!coder.isDictionary())
        return nullptr;
    auto document = std::make_shared<PdfDocument>();
    const Value& guid = coder["FileGUID"];
    document->m_guid = guid.isString() && !guid.stringValue().empty() ? guid.stringValue() : GUID();
    if (coder["FileName"].isString())
        document->m_fileName = coder["FileName"].stringValue();
    if (coder["FileDate"].isDate())
        document->m_fileDate = coder["FileDate"].dateValue();
    if (coder["PageCount"].isNumber())
        document->m_pageCount = coder["PageCount"].longValue();
    if (coder["PageNumber"].isNumber())
        document->m_pageNumber = coder["PageNumber"].longValue();
    for (const Value& mark : coder["Bookmarks"].arrayValue())
        if (mark.isInteger())
            document->m_bookmarks.addIndex(static_cast<NSUInteger>(mark.unsignedLongLongValue()));
    if (coder["FileSize"].isNumber())
        document->m_fileSize = coder["FileSize"].unsignedLongLongValue();
    if (coder["LastOpen"].isDate())
        document->m_lastOpen = coder["LastOpen"].dateValue();
    return document;
}

bool PdfDocument::archiveWithFileName(const std::string& filename) const
{
    auto data = NSKeyedArchiver::archivedDataWithRootObject(encodeWithCoder());
    return data && NSFileManager::defaultManager().createFileAtPathContents(archiveFilePath(filename), *data);
}

void PdfDocument::saveReaderDocument() const { archiveWithFileName(fileName()); }

std::shared_ptr<PdfDocument> PdfDocument::unarchiveFromFileNamePassword(
    const std::string& filename, const std::optional<std::string>& password)
{
    auto data = NSFileManager::defaultManager().contentsAtPath(archiveFilePath(lastPathComponent(filename)));
    if (!data)
        return nullptr;
    auto document = initWithCoder(NSKeyedUnarchiver::unarchiveObjectWithData(*data));
    if (document && password)
        document->m_password = password;
    return document;
}

std::shared_ptr<PdfDocument> PdfDocument::withDocumentFilePathPassword(
    const std::string& filePath, const std::optional<std::string>& password)
{
    auto document = unarchiveFromFileNamePassword(filePath, password);
    // A saved state of another file with the same name is not this file's.
    if (document && document->relativePath() == relativeFilePath(filePath))
        return document;
    return initWithFilePathPassword(filePath, password);
}

void PdfDocument::updateProperties()
{
    // A document locked by its password counts no pages until unlocked; its
    // count from the opening (with the password) is kept rather than zeroed.
    if (auto pdf = CGPDFDocumentCreateWithURL(fileURL()); pdf && CGPDFDocumentIsUnlocked(pdf))
        m_pageCount = static_cast<long>(CGPDFDocumentGetNumberOfPages(pdf));
    if (auto attributes = NSFileManager::defaultManager().attributesOfItemAtPath(fileURL())) {
        m_fileDate = attributes->fileModificationDate;
        m_fileSize = attributes->fileSize;
    } else {
        m_fileDate.reset();
        m_fileSize.reset();
    }
}
