#pragma once

// The commands that move data: the table synchronisations, the finish reports,
// the order and customer uploads, the download-finished report and the order
// history. Each carries the session id, which the envelope moves into the head.

#include "Network/Protocol/ProtocolRecords.h"
#include "Network/Protocol/RequestInterfaceBase.h"

#include <vector>

class SyncAllTableRst : public NetBaseRst {
public:
    std::vector<ProtocolRecords::corvelle_product_Entity> productTable;
    std::vector<ProtocolRecords::corvelle_product_attribute_Entity> productAttributeTable;
    std::vector<ProtocolRecords::corvelle_fields_product_attribute_Entity> fieldsAttributeTable;
    std::vector<ProtocolRecords::corvelle_product_related_files_Entity> productRelatedFilesTable;
    std::vector<ProtocolRecords::corvelle_product_category_xref_Entity> productCategoryXrefTable;
    std::vector<ProtocolRecords::corvelle_product_price_Entity> productPriceTable;
    std::vector<ProtocolRecords::corvelle_product_related_Entity> productRelatedTable;
    std::vector<ProtocolRecords::corvelle_image_Entity> imagesTable;
    std::vector<ProtocolRecords::corvelle_category_Entity> categoryTable;
    std::vector<ProtocolRecords::corvelle_tag_entity> productTagTable;
    std::vector<ProtocolRecords::corvelle_product_related_tag_Entity> productRelateTagTable;
};

class SyncIconTableRst : public NetBaseRst {
public:
    std::vector<ProtocolRecords::corvelle_icon_Entity> iconTable;
};

class SyncFileTableRst : public NetBaseRst {
public:
    std::vector<ProtocolRecords::corvelle_library_files_Entity> libFileTable;
    std::vector<ProtocolRecords::corvelle_library_category_Entity> libCategoryTable;
    std::vector<std::string> libFileUpdateTable;
    std::optional<std::string> isFull;
};

class SyncCustomerTableRst : public NetBaseRst {
public:
    std::vector<ProtocolRecords::corvelle_customer_Entity> customerTable;
    std::vector<ProtocolRecords::corvelle_customer_attribute_Entity> customerAttributeTable;
    std::vector<ProtocolRecords::corvelle_fields_customer_attribute_Entity> fieldsAttributeTable;
    std::vector<ProtocolRecords::corvelle_customer_address_Entity> customerAddressTable;
    std::vector<ProtocolRecords::corvelle_customer_contact_entity> customerContactTable;
    // Contacts are not counted.
    size_t resultCount() const;
};

class SyncDataFinishRst : public NetBaseRst {
public:
    std::optional<std::string> tableType;
};

class UploadQuoteOrderRst : public NetBaseRst {
public:
    std::vector<Value> orderIdUpdateArray;
};

class SubmitCustomerRst : public NetBaseRst {
public:
    std::vector<ProtocolRecords::corvelle_customer_Entity> customerArry;
    std::vector<ProtocolRecords::corvelle_customer_address_Entity> customerAddress;
    std::vector<ProtocolRecords::corvelle_customer_attribute_Entity> customerAttributes;
    std::vector<ProtocolRecords::corvelle_customer_contact_entity> customerContacts;
};

class GetOrderHistoryRst : public NetBaseRst {
public:
    std::vector<Value> orderHistoryArray;
    std::vector<Value> orderItemHistoryArray;
};

// Stores a product table reply's records while the reply is read, so that a
// large catalogue is never held whole. `begin` opens the reply's one
// transaction, or answers NO when it cannot, and the records then wait for
// the reply's end to be stored whole; `store` saves the product records read so far and empties them; `end` saves
// the rest of a reply that read whole with a good status and commits, or,
// given nothing, undoes every batch of the reply.
class ProductTableStore {
public:
    virtual ~ProductTableStore() = default;
    virtual bool begin() = 0;
    virtual void store(SyncAllTableRst& records) = 0;
    virtual void end(const std::shared_ptr<SyncAllTableRst>& last) = 0;
};

class RequestSyncAllTable : public RequestInterfaceBase {
public:
    // Products read between two batches handed to `batches`.
    static constexpr size_t kProductBatch = 2000;

    RequestSyncAllTable();  // the session id from the session
    std::optional<std::string> sessionId;
    std::optional<std::string> syncType = "product";
    std::optional<std::string> isFull = "true";
    // Where the records of a reply read from its text are stored as they are
    // read; without it they all come with the reply.
    std::shared_ptr<ProductTableStore> batches;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
    std::shared_ptr<NetBaseRst> RequestDecodeTaking(std::optional<Value>&& reply) override;
    std::shared_ptr<NetBaseRst> RequestDecodeText(std::string_view text) override;
};

class RequestSyncIconTable : public RequestInterfaceBase {
public:
    RequestSyncIconTable();
    std::optional<std::string> syncType = "icon";
    std::optional<std::string> isFull = "true";
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
    std::shared_ptr<NetBaseRst> RequestDecodeTaking(std::optional<Value>&& reply) override;
};

class RequestSyncFileTable : public RequestInterfaceBase {
public:
    RequestSyncFileTable();  // the session id from the session
    std::optional<std::string> sessionId;
    std::optional<std::string> syncType = "file";
    std::optional<std::string> isFull = "true";
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
    std::shared_ptr<NetBaseRst> RequestDecodeTaking(std::optional<Value>&& reply) override;
    std::shared_ptr<NetBaseRst> RequestDecodeText(std::string_view text) override;
};

class RequestSyncCustomerTable : public RequestInterfaceBase {
public:
    RequestSyncCustomerTable();
    std::optional<std::string> syncType = "customer";
    std::optional<std::string> isFull = "true";
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
    std::shared_ptr<NetBaseRst> RequestDecodeTaking(std::optional<Value>&& reply) override;
    std::shared_ptr<NetBaseRst> RequestDecodeText(std::string_view text) override;
};

class RequestSyncDataFinish : public RequestInterfaceBase {
public:
    RequestSyncDataFinish();
    // "product", "file", "customer" or "skin".
    std::optional<std::string> tableType = "product";
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestUploadQuoteOrder : public RequestInterfaceBase {
public:
    RequestUploadQuoteOrder();
    std::optional<std::string> syncData;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestDownloadFinish : public RequestInterfaceBase {
public:
    RequestDownloadFinish();
    int fileId = 0;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestUploadCustomer : public RequestInterfaceBase {
public:
    RequestUploadCustomer();
    std::optional<std::string> syncData;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestGetOrderHistory : public RequestInterfaceBase {
public:
    RequestGetOrderHistory();  // the account from the session
    std::optional<std::string> userName, clientID;
    // Local date and time "MM/dd/yyyy HH:mm:ss".
    std::optional<std::string> baseTime;
    int numberOfOrder = 0;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};
