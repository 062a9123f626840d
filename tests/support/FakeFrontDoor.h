#pragma once

// The company server as screen tests see it, without sockets or real time.
// While it lives, it stands in for the HTTP engine behind
// `NetworkModel::sendRequest`: every message a screen sends is still encoded
// by its own request class, recorded here (command, tag, body as text and as
// JSON), and answered from a canned reply on the main run loop after the
// reply's delay on the manual clock; the reply text then goes through the
// front door's real decoding and delivery (the locked-user diversion
// included). A message of a command with no canned reply waits until the
// test answers or fails it by tag.
//
// The fake company server (FakeCompanyServer.h) stays for end-to-end tests
// of sign-in, synchronisation and downloads over real sockets.

#include "Network/Protocol/RequestInfoBase.h"
#include "Platform/Foundation/Value.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FakeFrontDoor {
public:
    struct Message {
        int tag = 0;
        int cmdCode = -1;
        int requestType = 0;
        std::string body;  // the envelope as sent ("" for downloads)
        Value json;  // the envelope parsed (null when it is not JSON)
        Value parameters;  // the envelope's root.parameters: what the command sent
        std::optional<std::string> fileName;  // downloads
    };
    using ReplyMaker = std::function<std::string(const Message& message)>;

    FakeFrontDoor();
    ~FakeFrontDoor();
    FakeFrontDoor(const FakeFrontDoor&) = delete;
    FakeFrontDoor& operator=(const FakeFrontDoor&) = delete;

    // Every message of `cmdCode` from now on is answered with `reply` (the
    // reply body's text) `delay` seconds after it was sent.
    void replyTo(int cmdCode, std::string reply, double delay = 0);
    void replyTo(int cmdCode, ReplyMaker reply, double delay = 0);
    // The server's common envelope with one result of `status`, and `content`.
    static std::string envelope(const std::string& status, const std::string& content = "\"\"");

    // Answers the waiting message `tag` now (on the next turn of the main loop).
    void answer(int tag, std::string reply);
    // Fails the waiting message `tag` the way the engine reports a lost
    // connection: the network-error reply with the transport's failure code.
    void fail(int tag, int httpRsp = 1);

    const std::vector<Message>& messages() const { return m_messages; }
    std::vector<Message> messagesFor(int cmdCode) const;
    // The tags of messages sent and not yet answered.
    std::vector<int> waiting() const;

private:
    struct Canned {
        ReplyMaker reply;
        double delay = 0;
    };
    int send(const std::shared_ptr<RequestInfoBase>& info);
    void deliverLater(int tag, std::string reply, int httpRsp, double delay);

    std::map<int, Canned> m_canned;
    std::vector<Message> m_messages;
    std::map<int, std::shared_ptr<RequestInfoBase>> m_waiting;
    int m_sequence = 0;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
