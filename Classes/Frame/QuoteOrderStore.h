#pragma once

// The one keeper of the quote order being built on the device: the current
// order that catalogue screens add to and an editor works on, the slot of a
// new order no editor has taken yet, and the module switches of the signed-in
// account. It also stores, copies and lists orders through the data layer,
// uploads orders and fetches the account's order history, signing in again
// first when the session is offline. Main thread only; logout frees it.

#include "Classes/Frame/QuoteOrderStoreDelegate.h"
#include "Database/BaseDataModel.h"
#include "Database/QuoteOrderEntity.h"
#include "Database/SaveResult.h"
#include "Database/corvelle_customer_Entity.h"
#include "Database/corvelle_product_Entity.h"
#include "Network/Protocol/RequestInterfaceBase.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GetOrderHistoryRst;
class LoginRst;
class UploadQuoteOrderRst;

class QuoteOrderStore : public NetworkRecDelegate, public std::enable_shared_from_this<QuoteOrderStore> {
    struct Passkey { };

public:
    static std::shared_ptr<QuoteOrderStore> sharedQuoteOrderStore();
    static void freeInstance();

    // Only sharedQuoteOrderStore makes one.
    explicit QuoteOrderStore(Passkey);
    QuoteOrderStore(const QuoteOrderStore&) = delete;
    QuoteOrderStore& operator=(const QuoteOrderStore&) = delete;

    std::shared_ptr<QuoteOrderEntity> curQuoteOrder;
    std::shared_ptr<QuoteOrderEntity> addQuoteOrder;
    // Written again by the customers tab each time it reads the configuration.
    bool isCustomerOnShow = true;

    bool isOrderOnShow() const { return m_isOrderOnShow; }
    std::shared_ptr<QuoteOrderStoreDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(const std::shared_ptr<QuoteOrderStoreDelegate>& delegate) { m_delegate = delegate; }

    void loadByConfig();
    // The order in the slot, made (in edit mode, rate 100) when the slot is empty.
    std::shared_ptr<QuoteOrderEntity> createNewQuoteOrder();
    // Whether a line of the current order is in another currency than the product's price.
    bool diffItemCYExist(const corvelle_product_Entity& product) const;
    bool addToOrder(const std::shared_ptr<corvelle_product_Entity>& product);
    void getItemNumberInOrder(corvelle_product_Entity& product) const;
    double retriveProductPriceWithProductIDProductCount(int productId, int count) const;
    unsigned getCurrentQuoteOrderItemsCount() const;
    void removeCurrentQuoteOrder();
    // Stores the current order with its lines in one transaction. On success
    // the order leaves the store; on failure nothing is stored and the order
    // stays current so that the user's lines are not lost. Without a current
    // order there is nothing to save.
    SaveResult saveCurrentQuoteOrder();
    // Replaces the stored lines of `order` and stores it with its lines in one
    // transaction; on failure the stored order and the ids in memory are as before.
    [[nodiscard]] bool replaceStoredQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order);
    // Stores a copy of `order` as a new order; nothing to save without one.
    SaveResult copyQuoteOrderEntity(const std::shared_ptr<QuoteOrderEntity>& order);
    void updateOrderTable(const EntityList<corvelle_customer_Entity>& customers);
    EntityList<QuoteOrderEntity> fetchQuoteOrdersCondition(int type, const std::optional<std::string>& condition);
    bool removeQuoteOrder(int orderId);
    void setQuoteOrdersUploaded(int orderId);
    std::optional<std::string> fetchQuoteOrdersDicString(int orderId);
    void updateOrdeIDWithOrderNumberNewOrderID(const std::optional<std::string>& orderNumber, int newOrderID);

    // History stops being fetched once this many submitted orders over this
    // span are on the device.
    static constexpr int kOrdersPerPage = 10;
    static constexpr int kDeepHistoryCount = 60;
    static constexpr double kDeepHistorySpan = 15552000;
    static constexpr const char* kReachEnd = "reachEnd";

    // Order id 0 uploads every order not yet submitted.
    void startUploadQuoteOrder(int orderId);
    void getLastTenOrderHistory();
    void getHistoryOrderFromTime(const std::optional<std::string>& baseTime, int number);
    void requestUploadQuoteOrder(int orderId);
    void requestSyncHistoryQuoteOrderFromTime(const std::optional<std::string>& baseTime, int number);
    void requestLogin();
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override;
    void uploadQuoteOrdersFinished(const UploadQuoteOrderRst& reply);
    void getOrderHistoryFinished(const std::shared_ptr<NetBaseRst>& reply);

    // What to resume after a re-login: 1 history, 2 the upload of currentQuoteOrderId_.
    int needWork_ = 0;
    // The order id of the latest upload (0 all unsubmitted), -1 when none was started.
    int currentQuoteOrderId_ = -1;

private:
    void popDelegateView();
    void reloginFinished(const NetBaseRst& reply);

    // The order numbers each upload request carried, by request tag, so that a
    // reply marks exactly what its own request sent.
    std::map<int, std::vector<std::string>> m_pendingUploads;

    bool m_isOrderOnShow = true;
    std::weak_ptr<QuoteOrderStoreDelegate> m_delegate;
};
