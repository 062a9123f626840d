#pragma once

// The base of every request message: one class per command, each turning itself
// into the JSON envelope (RequestEncode) and the parsed reply into its reply
// object (RequestDecode). DecodeResults fills the status part that every reply
// shares.

#include "Network/Protocol/NetBaseRst.h"
#include "Network/Protocol/RequestInfoBase.h"
#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The receiver of replies. Both members do nothing unless overridden, so a
// receiver that does not answer one is simply not told.
class NetworkRecDelegate {
public:
    virtual ~NetworkRecDelegate() = default;
    virtual void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) { }
    virtual void ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info) { }
    // The overall progress of a batch of downloads (progressType 2); false
    // when the receiver does not follow it.
    virtual bool setProgress(float progress) { return false; }
};

class RequestInterfaceBase {
public:
    RequestInterfaceBase() = default;
    virtual ~RequestInterfaceBase() = default;

    int requestType = 0;  // 0 message, 1 form upload, 2 file download
    int cmdCode = -1;
    int requestCode = 0;
    std::string requestHead;
    std::string methodName;
    std::weak_ptr<NetworkRecDelegate> receiveDelegete;

    void setReceiveDelegete(const std::shared_ptr<NetworkRecDelegate>& receiver) { receiveDelegete = receiver; }

    // The envelope text; nothing for a message that has no body.
    virtual std::optional<std::string> RequestEncode() { return std::nullopt; }
    // `reply` is the parsed reply, or nothing when the text did not parse.
    virtual std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply);
    // The same, for a caller done with the parsed reply: a command whose reply
    // runs to megabytes frees each part of the tree as soon as it has read it.
    virtual std::shared_ptr<NetBaseRst> RequestDecodeTaking(std::optional<Value>&& reply)
    {
        return RequestDecode(reply);
    }
    // The reply made straight from its text, for a command whose reply runs to
    // megabytes and is read without a tree of the whole; nothing leaves the
    // text to be parsed and handed to RequestDecodeTaking (the default).
    virtual std::shared_ptr<NetBaseRst> RequestDecodeText(std::string_view text) { return nullptr; }

    static void DecodeResults(NetBaseRst& result, const std::optional<Value>& reply);
    // A reply that says "200" but whose content is not of its command's shape
    // is a protocol error: status "115" with its text, so that no receiver
    // takes it for success.
    static void DecodeMalformed(NetBaseRst& result);
};

// The status "200" of a reply.
inline bool isSuccess(const NetBaseRst& reply) { return reply.status && *reply.status == "200"; }
