#pragma once

// The three kinds of HTTP request the transport makes: a message post, a form
// upload and a file download. Each is filled from a request descriptor and
// carries what the transport needs to turn its outcome into a reply: the tag,
// the command code and who gets the reply.
//
// A download writes into a partial file named from the client, the type code
// and the file name (so that two clients never share one) and, when done, into
// a staging file: only a good status moves the staging file onto the real
// destination, so an error page never replaces a file the device already has.

#include "Network/HTTP/FormDataRequest.h"
#include "Network/Protocol/RequestInfoBase.h"

#include <memory>
#include <optional>
#include <string>

class MsgRequest : public FormDataRequest {
public:
    static constexpr const char* kContentType = "applicatioin/bin;charset=UTF-8";

    static std::shared_ptr<MsgRequest> initWithURL(const CFURL& url);
    explicit MsgRequest(const CFURL& url, double timeOut = 15.0);

    int requestType = 0;
    int requestCode = 0;
    int cmdCode = 0;
    std::weak_ptr<HTTP_REC_RESPOND> modelDelegage;

    // The tag, kept as the engine's tag too.
    void setrequestCode(int code)
    {
        requestCode = code;
        tag = code;
    }

    // The body is the UTF-8 envelope text; it becomes the descriptor's postData as well.
    virtual void setReqInfo(const std::shared_ptr<RequestInfoBase>& info);
    // A retry: same tag, same receiver, same body.
    void setInfoWithRequest(const MsgRequest& earlier);
};

class UploadRequest : public MsgRequest {
public:
    static std::shared_ptr<UploadRequest> init(const CFURL& url);
    explicit UploadRequest(const CFURL& url);

    void setReqInfo(const std::shared_ptr<RequestInfoBase>& info) override;
};

class NetworkRecDelegate;

class DownloadRequest : public MsgRequest {
public:
    static std::shared_ptr<DownloadRequest> initWithURL(const CFURL& url);
    explicit DownloadRequest(const CFURL& url);

    int downloadId = 0;
    std::optional<std::string> fileName;
    int progressType = -1;
    long long receiveLength = 0;
    // Where the file belongs once downloaded (the engine writes to the staging path).
    std::string destinationPath;
    // The receiver of percentages (progressType 1 only).
    std::weak_ptr<NetworkRecDelegate> percentDelegate;
    // Cancelled by name or download id: it ends without a reply.
    bool cancelledQuietly = false;

    void setReqInfo(const std::shared_ptr<RequestInfoBase>& info) override;
    void setInfoWithRequest(const DownloadRequest& earlier);

    // Whether this transfer asked for the rest of a partial file.
    bool askedForRange() const { return requestHeaders().contains("Range"); }
    // Moves the staging file onto the destination; false when that fails.
    bool commitDownload();
    // Removes the staging file (and, with `partialToo`, the partial file as well).
    void discardDownload(bool partialToo);

    // The partial and staging paths of a file of a client and type code.
    static std::string partialPathFor(const std::string& clientId, int type, const std::string& name);
    static std::string stagingPathFor(const std::string& clientId, int type, const std::string& name);
};
