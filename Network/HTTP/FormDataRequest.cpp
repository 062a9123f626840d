#include "Network/HTTP/FormDataRequest.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSFileManager.h"

namespace {

std::string charsetName(uint32_t encoding) { return TextEncoding::ianaCharsetName(encoding).value_or("utf-8"); }

std::string lastPathComponent(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::shared_ptr<FormDataRequest> FormDataRequest::requestWithURL(const CFURL& url)
{
    return std::make_shared<FormDataRequest>(url);
}

FormDataRequest::FormDataRequest(const CFURL& url)
    : HTTPRequest(url)
{
    setRequestMethod("POST");
}

void FormDataRequest::addPostValueForKey(const std::string& value, const std::optional<std::string>& key)
{
    if (!key)
        return;
    if (!m_postData)
        m_postData.emplace();
    m_postData->emplace_back(*key, value);
}

void FormDataRequest::setPostValueForKey(const std::string& value, const std::optional<std::string>& key)
{
    if (m_postData && key)
        std::erase_if(*m_postData, [&](auto& e) { return e.first == *key; });
    addPostValueForKey(value, key);
}

void FormDataRequest::addFileEntry(FileEntry entry)
{
    if (!m_fileData)
        m_fileData.emplace();
    if (entry.contentType.empty())
        entry.contentType = "application/octet-stream";
    m_fileData->push_back(std::move(entry));
}

void FormDataRequest::addFileForKey(const std::string& path, const std::string& key)
{
    addFileWithFileNameAndContentTypeForKey(path, std::nullopt, std::nullopt, key);
}

void FormDataRequest::addFileWithFileNameAndContentTypeForKey(const std::string& path,
    std::optional<std::string> fileName, std::optional<std::string> contentType, const std::string& key)
{
    bool isDirectory = false;
    if (!NSFileManager::defaultManager().fileExistsAtPathIsDirectory(path, &isDirectory) || isDirectory)
        failWithError(
            HTTPError::make(HTTPInternalErrorWhileBuildingRequestType, stringWithFormat("No file exists at %@", path)));
    if (!fileName)
        fileName = lastPathComponent(path);
    if (!contentType)
        contentType = mimeTypeForFileAtPath(path);
    FileEntry entry { key, *fileName, contentType.value_or(""), path, {} };
    addFileEntry(std::move(entry));
}

void FormDataRequest::setFileForKey(const std::string& path, const std::string& key)
{
    setFileWithFileNameAndContentTypeForKey(path, std::nullopt, std::nullopt, key);
}

void FormDataRequest::setFileWithFileNameAndContentTypeForKey(const std::string& path,
    std::optional<std::string> fileName, std::optional<std::string> contentType, const std::string& key)
{
    if (m_fileData)
        std::erase_if(*m_fileData, [&](auto& e) { return e.key == key; });
    addFileWithFileNameAndContentTypeForKey(path, std::move(fileName), std::move(contentType), key);
}

void FormDataRequest::addDataForKey(const Data& data, const std::string& key)
{
    addDataWithFileNameAndContentTypeForKey(data, "file", std::nullopt, key);
}

void FormDataRequest::addDataWithFileNameAndContentTypeForKey(
    const Data& data, const std::string& fileName, std::optional<std::string> contentType, const std::string& key)
{
    addFileEntry(FileEntry { key, fileName, contentType.value_or(""), std::nullopt, data });
}

void FormDataRequest::setDataForKey(const Data& data, const std::string& key)
{
    setDataWithFileNameAndContentTypeForKey(data, "file", std::nullopt, key);
}

void FormDataRequest::setDataWithFileNameAndContentTypeForKey(
    const Data& data, const std::string& fileName, std::optional<std::string> contentType, const std::string& key)
{
    if (m_fileData)
        std::erase_if(*m_fileData, [&](auto& e) { return e.key == key; });
    addDataWithFileNameAndContentTypeForKey(data, fileName, std::move(contentType), key);
}

void FormDataRequest::buildPostBody()
{
    if (m_haveBuiltPostBody)
        return;
    if (!m_postData && !m_fileData) {
        HTTPRequest::buildPostBody();
        return;
    }
    if (m_fileData && !m_fileData->empty())
        shouldStreamPostDataFromDisk = true;
    if (postFormat == 1)
        buildURLEncodedPostBody();
    else
        buildMultipartFormDataPostBody();
    HTTPRequest::buildPostBody();
}

void FormDataRequest::appendPostString(const std::string& text)
{
    if (stringEncoding == NSUTF8StringEncoding) {
        appendPostData(Data(text.begin(), text.end()));
        return;
    }
    if (auto bytes = TextEncoding::encode(text, stringEncoding))
        appendPostData(*bytes);
    else
        NSLog("Text cannot be written in the form's encoding: %@", text);
}

std::string FormDataRequest::encodeURL(const std::string& text) const
{
    static const std::string reserved = ":/?#[]@!$ &'()*+,;=\"<>%{}|\\^~`";
    static const char* hex = "0123456789ABCDEF";
    std::string bytes = text;
    if (stringEncoding != NSUTF8StringEncoding) {
        auto encoded = TextEncoding::encode(text, stringEncoding);
        bytes = encoded ? std::string(encoded->begin(), encoded->end()) : std::string();
    }
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        bool plain = c > 0x20 && c < 0x7f && reserved.find(static_cast<char>(c)) == std::string::npos;
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void FormDataRequest::buildURLEncodedPostBody()
{
    if (m_fileData && !m_fileData->empty()) {
        postFormat = 0;
        buildMultipartFormDataPostBody();
        return;
    }
    addRequestHeader(
        "Content-Type", stringWithFormat("application/x-www-form-urlencoded; charset=%@", charsetName(stringEncoding)));
    if (!m_postData)
        return;
    for (size_t i = 0; i < m_postData->size(); ++i) {
        const auto& [key, value] = (*m_postData)[i];
        appendPostString(
            stringWithFormat("%@=%@%@", encodeURL(key), encodeURL(value), i + 1 < m_postData->size() ? "&" : ""));
    }
}

void FormDataRequest::buildMultipartFormDataPostBody()
{
    std::string charset = charsetName(stringEncoding);
    std::string boundary = stringWithFormat("0xKhTmLbOuNdArY-%@", Hashing::uuidString());
    addRequestHeader(
        "Content-Type", stringWithFormat("multipart/form-data; charset=%@; boundary=%@", charset, boundary));
    appendPostString(stringWithFormat("--%@\r\n", boundary));
    std::string separator = stringWithFormat("\r\n--%@\r\n", boundary);
    bool haveFiles = m_fileData && !m_fileData->empty();
    if (m_postData) {
        for (size_t i = 0; i < m_postData->size(); ++i) {
            const auto& [key, value] = (*m_postData)[i];
            appendPostString(stringWithFormat("Content-Disposition: form-data; name=\"%@\"\r\n\r\n", key));
            appendPostString(value);
            if (i + 1 < m_postData->size() || haveFiles)
                appendPostString(separator);
        }
    }
    if (m_fileData) {
        for (size_t i = 0; i < m_fileData->size(); ++i) {
            const auto& entry = (*m_fileData)[i];
            appendPostString(stringWithFormat(
                "Content-Disposition: form-data; name=\"%@\"; filename=\"%@\"\r\n", entry.key, entry.fileName));
            appendPostString(stringWithFormat("Content-Type: %@\r\n\r\n", entry.contentType));
            if (entry.path)
                appendPostDataFromFile(*entry.path);
            else
                appendPostData(entry.data);
            if (i + 1 < m_fileData->size())
                appendPostString(separator);
        }
    }
    appendPostString(stringWithFormat("\r\n--%@--\r\n", boundary));
}

std::shared_ptr<HTTPRequest> FormDataRequest::copy() const
{
    auto c = std::make_shared<FormDataRequest>(url());
    std::lock_guard lock(cancelledLock());
    copyConfigurationInto(*c);
    c->m_postData = m_postData;
    c->m_fileData = m_fileData;
    c->postFormat = postFormat;
    c->stringEncoding = stringEncoding;
    return c;
}
