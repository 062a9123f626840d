#pragma once

// Request descriptors: what passes between the front door and the transport,
// out with the request and back with the reply bytes.

#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>

class RequestInfoBase;
class NetworkRecDelegate;
class HTTPProgressDelegate;

// Who gets a descriptor back from the transport (the front door).
class HTTP_REC_RESPOND {
public:
    virtual ~HTTP_REC_RESPOND() = default;
    virtual void ReciveHttpRespond(const std::shared_ptr<RequestInfoBase>& info) = 0;
};

class RequestInfoBase {
public:
    virtual ~RequestInfoBase() = default;

    int requestType = -1;  // 0 message, 1 upload, 2 download
    int cmdCode = -1;
    int requestCode = 0;  // the tag
    int httpRsp = 0;
    std::weak_ptr<HTTP_REC_RESPOND> delegate;
    std::optional<std::string> requestUrlBody;
    ::Data postData;
    ::Data recData;  // the reply text bytes
    std::optional<std::string> requestHeader;
};

class UploadRequestInfo : public RequestInfoBase {
public:
    Value valueList = Value::dictionary();
    void setPostValueForKey(Value value, const std::string& key) { valueList.set(key, std::move(value)); }
    std::weak_ptr<HTTPProgressDelegate> uploadProgressDelegate;
};

class DownLoadRequestInfo : public RequestInfoBase {
public:
    int fileId = 0;
    int downloadId = 0;
    int imgType = -1;
    int progressType = -1;
    std::optional<std::string> fileName;
    // The receiver of percentages, or of the overall progress.
    std::weak_ptr<NetworkRecDelegate> downloadProgressDelegate;
    float downloadPercent = 0;
};
