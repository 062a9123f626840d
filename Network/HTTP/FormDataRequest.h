#pragma once

// A request that posts a form: named text values and named files or blocks of
// bytes, written as an URL-encoded body, or as multipart form data as soon as
// there is a file. The body is built once, when the request is about to run.

#include "Network/HTTP/HTTPRequest.h"

class FormDataRequest : public HTTPRequest {
public:
    struct FileEntry {
        std::string key;
        std::string fileName;
        std::string contentType;
        std::optional<std::string> path;  // a file whose bytes are sent, or
        Data data;  // the bytes themselves
    };

    static std::shared_ptr<FormDataRequest> requestWithURL(const CFURL& url);
    explicit FormDataRequest(const CFURL& url);

    void addPostValueForKey(const std::string& value, const std::optional<std::string>& key);
    void setPostValueForKey(const std::string& value, const std::optional<std::string>& key);
    void addFileForKey(const std::string& path, const std::string& key);
    void addFileWithFileNameAndContentTypeForKey(const std::string& path, std::optional<std::string> fileName,
        std::optional<std::string> contentType, const std::string& key);
    void setFileForKey(const std::string& path, const std::string& key);
    void setFileWithFileNameAndContentTypeForKey(const std::string& path, std::optional<std::string> fileName,
        std::optional<std::string> contentType, const std::string& key);
    void addDataForKey(const Data& data, const std::string& key);
    void addDataWithFileNameAndContentTypeForKey(
        const Data& data, const std::string& fileName, std::optional<std::string> contentType, const std::string& key);
    void setDataForKey(const Data& data, const std::string& key);
    void setDataWithFileNameAndContentTypeForKey(
        const Data& data, const std::string& fileName, std::optional<std::string> contentType, const std::string& key);

    void buildPostBody() override;
    std::shared_ptr<HTTPRequest> copy() const override;

    // 0 multipart form data, 1 URL-encoded.
    int postFormat = 1;
    uint32_t stringEncoding = NSUTF8StringEncoding;
    const std::optional<std::vector<std::pair<std::string, std::string>>>& postData() const { return m_postData; }
    const std::optional<std::vector<FileEntry>>& fileData() const { return m_fileData; }

    std::string encodeURL(const std::string& text) const;

private:
    void buildMultipartFormDataPostBody();
    void buildURLEncodedPostBody();
    void appendPostString(const std::string& text);
    void addFileEntry(FileEntry entry);

    std::optional<std::vector<std::pair<std::string, std::string>>> m_postData;
    std::optional<std::vector<FileEntry>> m_fileData;
};
