#include "FakeFrontDoor.h"

#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/QDJSON.h"
#include "Platform/Foundation/PerformRequests.h"

#include <gtest/gtest.h>

FakeFrontDoor::FakeFrontDoor()
{
    NetworkModel::setTransportForTesting([this](const std::shared_ptr<RequestInfoBase>& info) { return send(info); });
}

FakeFrontDoor::~FakeFrontDoor()
{
    PerformRequests::cancelPreviousPerformRequests(this);
    NetworkModel::setTransportForTesting(nullptr);
}

void FakeFrontDoor::replyTo(int cmdCode, std::string reply, double delay)
{
    replyTo(
        cmdCode, [reply = std::move(reply)](const Message&) { return reply; }, delay);
}

void FakeFrontDoor::replyTo(int cmdCode, ReplyMaker reply, double delay)
{
    m_canned[cmdCode] = Canned { std::move(reply), delay };
}

std::string FakeFrontDoor::envelope(const std::string& status, const std::string& content)
{
    return R"({"content":)" + content + R"(,"results":[{"detail":"","message":"","status":")" + status + R"("}]})";
}

int FakeFrontDoor::send(const std::shared_ptr<RequestInfoBase>& info)
{
    // Tags as the transport makes them: the command above a 16-bit sequence.
    const int tag = static_cast<int>((static_cast<unsigned>(info->cmdCode) << 16) | (++m_sequence & 0xffff));
    info->requestCode = tag;
    Message message;
    message.tag = tag;
    message.cmdCode = info->cmdCode;
    message.requestType = info->requestType;
    message.body = info->requestUrlBody.value_or(std::string());
    if (!message.body.empty())
        message.json = JSONValue(message.body).value_or(Value());
    message.parameters = message.json["root"]["parameters"];
    if (auto download = std::dynamic_pointer_cast<DownLoadRequestInfo>(info))
        message.fileName = download->fileName;
    m_messages.push_back(message);
    m_waiting[tag] = info;
    if (auto canned = m_canned.find(info->cmdCode); canned != m_canned.end())
        deliverLater(tag, canned->second.reply(message), 0, canned->second.delay);
    return tag;
}

void FakeFrontDoor::answer(int tag, std::string reply)
{
    if (!m_waiting.count(tag)) {
        ADD_FAILURE() << "no message with tag " << tag << " is waiting for a reply";
        return;
    }
    deliverLater(tag, std::move(reply), 0, 0);
}

void FakeFrontDoor::fail(int tag, int httpRsp)
{
    if (!m_waiting.count(tag)) {
        ADD_FAILURE() << "no message with tag " << tag << " is waiting for a reply";
        return;
    }
    deliverLater(tag, HttpNetworkCtrl::kNetworkErrorReply, httpRsp, 0);
}

void FakeFrontDoor::deliverLater(int tag, std::string reply, int httpRsp, double delay)
{
    std::weak_ptr<int> alive = m_alive;
    PerformRequests::performAfterDelay(
        this, "reply:" + std::to_string(tag),
        [this, alive, tag, reply, httpRsp] {
            if (alive.expired())
                return;
            auto found = m_waiting.find(tag);
            if (found == m_waiting.end())
                return;
            auto info = found->second;
            m_waiting.erase(found);
            info->recData = ::Data(reply.begin(), reply.end());
            info->httpRsp = httpRsp;
            if (auto door = info->delegate.lock())
                door->ReciveHttpRespond(info);
        },
        delay);
}

std::vector<FakeFrontDoor::Message> FakeFrontDoor::messagesFor(int cmdCode) const
{
    std::vector<Message> found;
    for (const Message& m : m_messages) {
        if (m.cmdCode == cmdCode)
            found.push_back(m);
    }
    return found;
}

std::vector<int> FakeFrontDoor::waiting() const
{
    std::vector<int> tags;
    for (const auto& [tag, info] : m_waiting)
        tags.push_back(tag);
    return tags;
}
