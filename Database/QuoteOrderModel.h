#pragma once

// Quote orders and their lines: reading them into records and back, local
// (negative) ids for orders and lines made on the device, the submission
// dictionary and its JSON text, the server's ids once it has taken an order,
// the order history the server sends back, and the statistics that decide how
// much history to fetch. Order and line dates ("MM/dd/yyyy HH:mm:ss") are
// ordered and compared as dates.

#include "Database/BaseDataModel.h"
#include "Database/QuoteOrderEntity.h"
#include "Database/corvelle_customer_Entity.h"
#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>

class QuoteOrderModel : public BaseDataModel {
public:
    bool updateVersion() override;
    bool alterQuoteOrderItemTable();
    bool updateOrderCustomer();
    bool alterQuoteOrderTableAddDiscountRat();
    bool alterQuoteOrderTableAddSignature();
    bool alterQuoteOrderTableAddSnapshotColumns();
    bool createCustomerView();
    bool moveHistoryCustomerInfo();
    bool convertOrderToLocal();

    // type 1 submitted, 2 not submitted, anything else all; a search text that
    // is not blank keeps the orders whose customer name or number contains it.
    EntityList<QuoteOrderEntity> fetchQuoteOrdersCondition(int type, const std::optional<std::string>& condition);
    // Nothing for order id 0.
    std::optional<EntityList<QuoteOrderItemEntity>> fetchQuoteOrderItemsWithQuoteOrder(int orderId);
    // The order's id (non-zero) on success, 0 on failure.
    [[nodiscard]] int saveQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order);
    [[nodiscard]] bool saveQuoteOrderItem(const std::shared_ptr<QuoteOrderItemEntity>& item);
    // Puts the order in place of its stored copy: the stored lines of a saved
    // order go and the order is saved with its lines, in one batch. On failure
    // the file is as it was and the order keeps the ids it came with.
    [[nodiscard]] bool replaceQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order);
    bool removeQuoteOrder(int orderId);
    bool removeQuoteOrderItem(const std::shared_ptr<QuoteOrderItemEntity>& item);
    bool removeQuoteOrderItemsByQuoteOrderID(int orderId);
    bool updateOrderSignatureWithOrderId(const std::optional<std::string>& signature, int orderId);
    // The largest absolute order id and line id (0 for an empty table).
    int retriveMaxOrderID();
    int retriveMaxOrderItemID();
    // Moves the orders of each customer's local id (pid) to its server id.
    bool updateOrderTable(const OptionalEntityList<corvelle_customer_Entity>& customers);

    // {"order": [order dictionaries with their "order_item"]} of the orders not yet uploaded.
    Value fetchUnsubmittedQuoteOrdersDic(int orderId);
    // {"order_items": [...]}; nothing for order id 0.
    std::optional<Value> fetchQuoteOrderItemsDicWithQuoteOrder(int orderId);
    std::optional<std::string> fetchQuoteOrdersDicString(int orderId);
    void setQuoteOrdersToUploaded(int orderId);
    void setQuoteOrdersUploadedWithOrderNumber(const std::optional<std::string>& orderNumber);
    void updateOrderIdWithCmsOrderID(int localOrderId, int serverOrderId);
    bool updateOrderItemIdWithCmsOrderID(int localOrderId, int serverOrderId);
    int getLocalOrderIdWithOrderNumber(const std::optional<std::string>& orderNumber);
    int getOrderIDWithOrderNumber(const std::optional<std::string>& orderNumber);

    bool updateLocalHistoryOrderFromServer(const Value& order);
    bool updateLocalHistoryOrderItemFromServer(const Value& item);
    [[nodiscard]] bool saveQuoteOrderWithDic(const Value& order);
    [[nodiscard]] bool saveQuoteOrderItemWithDic(const Value& item);

    // The signed-in account's submitted orders.
    std::optional<std::string> retriveEarliestSubmittedOrderTime();
    std::optional<std::string> retriveLatestSubmittedOrderTime();
    double timeDurationOfAllSubmittedOrder();
    int numberOfAllSubmittedlOrder();
};
