#include "Network/Protocol/SyncCommands.h"

#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/ReplyRecord.h"
#include "Network/Protocol/ReplyFields.h"
#include "Network/Protocol/SyncTables.h"
#include "Network/Protocol/TableReplyText.h"

#include <type_traits>

using namespace ReplyFields;
using namespace ProtocolRecords;

namespace {

void setCommand(RequestInterfaceBase& message, int code, const char* head, const char* method)
{
    message.cmdCode = code;
    message.requestHead = head;
    message.methodName = method;
}

std::optional<std::string> encodeTable(RequestInterfaceBase& message, const std::optional<std::string>& sessionId,
    const std::optional<std::string>& syncType, const std::optional<std::string>& isFull)
{
    auto session = ProtocolServices::session();
    return encode(message,
        {
            { "jsessionId", sessionId },
            { "methodName", message.methodName },
            { "accountId", session.acountID },
            { "clientId", session.clientID },
            { "deviceId", session.deviceID },
            { "syncType", syncType },
            { "isFull", isFull },
        });
}

// The status, and the tables of a "200" reply; a "200" whose content is not of
// the tables' shape becomes the protocol error "115", with no tables, so that
// the engine breaks the run instead of storing (or clearing) anything. The
// reader frees each part of the reply as it reads it.
template <typename Reply>
std::shared_ptr<NetBaseRst> decodeTables(
    std::shared_ptr<Reply> result, std::optional<Value> reply, bool (*read)(Reply&, Value*))
{
    RequestInterfaceBase::DecodeResults(*result, reply);
    if (!isSuccess(*result))
        return result;
    Value* content = reply && reply->isDictionary() ? reply->mutableDictionary().find("content") : nullptr;
    if (!read(*result, content))
        RequestInterfaceBase::DecodeMalformed(*result);
    return result;
}

// The same reply as decodeTables gives for the parsed text, read from the text
// one table element at a time; nothing when the text is left to the tree.
// The records wait aside until the status and the content's shape are known.
template <typename Make, typename Element, typename Reply = typename std::invoke_result_t<Make>::element_type>
std::shared_ptr<NetBaseRst> decodeTablesText(Make make, std::string_view text, size_t tables, Element element,
    bool (*extra)(Reply&, size_t, const Value&) = nullptr)
{
    std::shared_ptr<Reply> staged = make();
    bool extrasFit = true;
    auto read = TableReplyText::read(
        text, tables, [&](size_t table, const Value& value) { element(*staged, table, value); },
        [&](size_t index, const Value& value) { extrasFit = (!extra || extra(*staged, index, value)) && extrasFit; });
    if (!read)
        return nullptr;
    const std::optional<Value> head(std::move(read->head));
    std::shared_ptr<Reply> result = make();
    RequestInterfaceBase::DecodeResults(*result, head);
    if (!isSuccess(*result))
        return result;
    if (!read->tablesShaped || !extrasFit) {
        RequestInterfaceBase::DecodeMalformed(*result);
        return result;
    }
    RequestInterfaceBase::DecodeResults(*staged, head);
    return staged;
}

// Copies of the elements of an array member of an object, of any type.
void copyElements(const Value& object, const char* key, std::vector<Value>& into)
{
    const Value& array = object[key];
    if (!array.isArray())
        return;
    for (const Value& element : array.arrayValue())
        into.push_back(element);
}

// The customer upload's reply sends each record under keys of its own: the
// id the device gave it (negative) as "preId", the server's ids beside it.
using RecordColumns::column;
constexpr auto kUploadedCustomer = std::make_tuple(column("", "customerId", &corvelle_customer_Entity::customer_id),
    column("", "preId", &corvelle_customer_Entity::pid));
constexpr auto kUploadedAddress = std::make_tuple(column("", "preId", &corvelle_customer_address_Entity::pID),
    column("", "customerId", &corvelle_customer_address_Entity::customerId),
    column("", "id", &corvelle_customer_address_Entity::indexId),
    column("", "address", &corvelle_customer_address_Entity::customerAddress),
    column("", "city", &corvelle_customer_address_Entity::customerCity),
    column("", "state", &corvelle_customer_address_Entity::customerState),
    column("", "zip_code", &corvelle_customer_address_Entity::customerZipCode));
constexpr auto kUploadedAttribute = std::make_tuple(column("", "preId", &corvelle_customer_attribute_Entity::pID),
    column("", "attributeId", &corvelle_customer_attribute_Entity::attribute_id),
    column("", "customerId", &corvelle_customer_attribute_Entity::customer_id),
    column("", "attributeFieldsId", &corvelle_customer_attribute_Entity::attribute_fields_id),
    column("", "attributeValue", &corvelle_customer_attribute_Entity::attribute_value));
// A contact comes under the keys the sync sends it under, and its "preId".
constexpr auto kUploadedContact = std::tuple_cat(RecordColumns::Table<corvelle_customer_contact_entity>::columns,
    std::make_tuple(column("", "preId", &corvelle_customer_contact_entity::pID)));

}  // namespace

// Product tables.

RequestSyncAllTable::RequestSyncAllTable()
{
    setCommand(*this, 0x201, "SyncServer;", "syncData");
    sessionId = ProtocolServices::session().sessionId;
}

std::optional<std::string> RequestSyncAllTable::RequestEncode()
{
    return encodeTable(*this, sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::RequestDecode(const std::optional<Value>& reply)
{
    return RequestDecodeTaking(std::optional<Value>(reply));
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::RequestDecodeTaking(std::optional<Value>&& reply)
{
    return decodeTables(std::make_shared<SyncAllTableRst>(), std::move(reply), SyncTables::readProducts);
}

std::shared_ptr<NetBaseRst> RequestSyncAllTable::RequestDecodeText(std::string_view text)
{
    auto make = [] { return std::make_shared<SyncAllTableRst>(); };
    if (!batches || !batches->begin())
        return decodeTablesText(make, text, SyncTables::kProductTables, SyncTables::readProductElement);
    // The product records go to the store a batch at a time as they are made;
    // the other tables are small and wait for the end, where each is stored whole.
    size_t products = 0;
    auto element = [&](SyncAllTableRst& staged, size_t table, const Value& value) {
        SyncTables::readProductElement(staged, table, value);
        if (table == 0 && ++products % kProductBatch == 0)
            batches->store(staged);
    };
    auto result = decodeTablesText(make, text, SyncTables::kProductTables, element);
    // Only a reply that read whole with a good status keeps what was stored;
    // one left to the tree is stored whole by its receiver.
    auto staged = std::dynamic_pointer_cast<SyncAllTableRst>(result);
    batches->end(staged && isSuccess(*staged) ? staged : nullptr);
    return result;
}

// Icons.

RequestSyncIconTable::RequestSyncIconTable() { setCommand(*this, 0x202, "SyncServer;", "syncData"); }

std::optional<std::string> RequestSyncIconTable::RequestEncode()
{
    return encodeTable(*this, ProtocolServices::session().sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncIconTable::RequestDecode(const std::optional<Value>& reply)
{
    return RequestDecodeTaking(std::optional<Value>(reply));
}

std::shared_ptr<NetBaseRst> RequestSyncIconTable::RequestDecodeTaking(std::optional<Value>&& reply)
{
    return decodeTables(std::make_shared<SyncIconTableRst>(), std::move(reply), SyncTables::readIcons);
}

// Library file tables.

RequestSyncFileTable::RequestSyncFileTable()
{
    setCommand(*this, 0x203, "SyncServer;", "syncData");
    sessionId = ProtocolServices::session().sessionId;
}

std::optional<std::string> RequestSyncFileTable::RequestEncode()
{
    return encodeTable(*this, sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncFileTable::RequestDecode(const std::optional<Value>& reply)
{
    return RequestDecodeTaking(std::optional<Value>(reply));
}

std::shared_ptr<NetBaseRst> RequestSyncFileTable::RequestDecodeTaking(std::optional<Value>&& reply)
{
    auto result = std::make_shared<SyncFileTableRst>();
    result->isFull = isFull;
    return decodeTables(std::move(result), std::move(reply), SyncTables::readLibraryFiles);
}

std::shared_ptr<NetBaseRst> RequestSyncFileTable::RequestDecodeText(std::string_view text)
{
    return decodeTablesText(
        [this] {
            auto result = std::make_shared<SyncFileTableRst>();
            result->isFull = isFull;
            return result;
        },
        text, SyncTables::kLibraryFileTables, SyncTables::readLibraryFileElement, SyncTables::readLibraryFileExtra);
}

// Customer tables.

size_t SyncCustomerTableRst::resultCount() const
{
    return customerTable.size() + customerAttributeTable.size() + fieldsAttributeTable.size()
        + customerAddressTable.size();
}

RequestSyncCustomerTable::RequestSyncCustomerTable() { setCommand(*this, 0x204, "SyncServer;", "syncData"); }

std::optional<std::string> RequestSyncCustomerTable::RequestEncode()
{
    return encodeTable(*this, ProtocolServices::session().sessionId, syncType, isFull);
}

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::RequestDecode(const std::optional<Value>& reply)
{
    return RequestDecodeTaking(std::optional<Value>(reply));
}

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::RequestDecodeTaking(std::optional<Value>&& reply)
{
    return decodeTables(std::make_shared<SyncCustomerTableRst>(), std::move(reply), SyncTables::readCustomers);
}

std::shared_ptr<NetBaseRst> RequestSyncCustomerTable::RequestDecodeText(std::string_view text)
{
    return decodeTablesText([] { return std::make_shared<SyncCustomerTableRst>(); }, text, SyncTables::kCustomerTables,
        SyncTables::readCustomerElement);
}

// Finish reports.

RequestSyncDataFinish::RequestSyncDataFinish() { setCommand(*this, 0x205, "SyncServer;", "syncDataFinished"); }

std::optional<std::string> RequestSyncDataFinish::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this,
        {
            { "jsessionId", session.sessionId },
            { "methodName", methodName },
            { "accountId", session.acountID },
            { "clientId", session.clientID },
            { "tableType", tableType },
        });
}

std::shared_ptr<NetBaseRst> RequestSyncDataFinish::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncDataFinishRst>();
    DecodeResults(*result, reply);
    result->tableType = tableType;
    return result;
}

// Quote-order upload.

RequestUploadQuoteOrder::RequestUploadQuoteOrder() { setCommand(*this, 0x206, "SyncClient;", "syncData"); }

std::optional<std::string> RequestUploadQuoteOrder::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this,
        {
            { "jsessionId", session.sessionId },
            { "methodName", methodName },
            { "accountId", session.acountID },
            { "clientId", session.clientID },
            { "syncData", syncData },
        });
}

std::shared_ptr<NetBaseRst> RequestUploadQuoteOrder::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<UploadQuoteOrderRst>();
    DecodeResults(*result, reply);
    if (!isSuccess(*result))
        return result;
    // The orders list is where the server names the ids it gave; a "200"
    // without it would mark the orders sent under ids the server never knew.
    const Value* content = successContent(*result, reply, Value::Type::Dictionary);
    const Value* orders = content ? content->find("orders") : nullptr;
    if (!orders || !orders->isArray()) {
        DecodeMalformed(*result);
        return result;
    }
    for (const Value& order : orders->arrayValue()) {
        if (order.isDictionary())
            result->orderIdUpdateArray.push_back(order);
    }
    return result;
}

// Download-finished report.

RequestDownloadFinish::RequestDownloadFinish() { setCommand(*this, 0x207, "SyncServer;", "syncFileFinished"); }

std::optional<std::string> RequestDownloadFinish::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this,
        {
            { "jsessionId", session.sessionId },
            { "methodName", methodName },
            { "accountId", session.acountID },
            { "clientId", session.clientID },
            { "fileIds", std::to_string(fileId) },
        });
}

std::shared_ptr<NetBaseRst> RequestDownloadFinish::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SyncDataFinishRst>();
    DecodeResults(*result, reply);
    return result;
}

// Customer upload: its content is read whatever the status.

RequestUploadCustomer::RequestUploadCustomer() { setCommand(*this, 0x208, "SyncClient;", "syncData"); }

std::optional<std::string> RequestUploadCustomer::RequestEncode()
{
    auto session = ProtocolServices::session();
    return encode(*this,
        {
            { "jsessionId", session.sessionId },
            { "methodName", methodName },
            { "accountId", session.acountID },
            { "clientId", session.clientID },
            { "syncData", syncData },
        });
}

std::shared_ptr<NetBaseRst> RequestUploadCustomer::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<SubmitCustomerRst>();
    DecodeResults(*result, reply);
    const Value* content = ReplyFields::content(reply, Value::Type::Dictionary);
    if (!content) {
        // A "200" that names no customers would leave them under the
        // device's ids, reported sent.
        if (isSuccess(*result))
            DecodeMalformed(*result);
        return result;
    }
    using RecordColumns::MissingText;
    using RecordColumns::readReplyBy;
    SyncTables::eachObject(&(*content)["corvelle_customer"],
        [&](const Value& c) { readReplyBy(kUploadedCustomer, c, result->customerArry.emplace_back()); });
    SyncTables::eachObject(&(*content)["corvelle_customer_address"], [&](const Value& a) {
        readReplyBy(kUploadedAddress, a, result->customerAddress.emplace_back(), MissingText::Empty);
    });
    SyncTables::eachObject(&(*content)["corvelle_customer_attribute"],
        [&](const Value& a) { readReplyBy(kUploadedAttribute, a, result->customerAttributes.emplace_back()); });
    SyncTables::eachObject(&(*content)["corvelle_customer_contact"],
        [&](const Value& c) { readReplyBy(kUploadedContact, c, result->customerContacts.emplace_back()); });
    return result;
}

// Order history.

RequestGetOrderHistory::RequestGetOrderHistory()
{
    setCommand(*this, 0x109, "SyncServer;", "getorderhistory");
    auto session = ProtocolServices::session();
    userName = session.acountID;
    clientID = session.clientID;
}

std::optional<std::string> RequestGetOrderHistory::RequestEncode()
{
    return encode(*this,
        {
            { "jsessionId", ProtocolServices::session().sessionId },
            { "methodName", methodName },
            { "accountId", userName },
            { "clientId", clientID },
            { "baseTime", ProtocolServices::changeToServerFormatFromLocal(baseTime) },
            { "numberOfOrder", std::to_string(numberOfOrder) },
        });
}

std::shared_ptr<NetBaseRst> RequestGetOrderHistory::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<GetOrderHistoryRst>();
    DecodeResults(*result, reply);
    if (const Value* content = successContent(*result, reply, Value::Type::Dictionary)) {
        copyElements(*content, "orders", result->orderHistoryArray);
        copyElements(*content, "items", result->orderItemHistoryArray);
    }
    return result;
}
