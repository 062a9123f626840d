#include "Classes/Frame/QuoteOrderStore.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SyncCommands.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/Format.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <mutex>
#include <vector>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<QuoteOrderStore>& slot()
{
    static std::shared_ptr<QuoteOrderStore> instance;
    return instance;
}

// Module positions of the customers and the quote-order tabs in the configuration.
constexpr int kCustomerModule = 2;
constexpr int kQuoteOrderModule = 5;

bool isBlank(const std::optional<std::string>& text)
{
    if (!text)
        return true;
    for (char ch : *text) {
        const auto c = static_cast<unsigned char>(ch);
        if (!std::isspace(c))
            return false;
    }
    return true;
}

std::shared_ptr<corvelle_product_price_Entity> priceOf(int productId)
{
    auto price = DataAccessManager::sharedDataModel()->getPriceEntityByProductId(productId);
    // A product without a price row is priced as an empty record.
    return price ? price : std::make_shared<corvelle_product_price_Entity>();
}

constexpr int kUploadCommand = 518;
constexpr int kHistoryCommand = 265;
constexpr int kLoginCommand = 258;

bool hasStatus(const NetBaseRst& reply, const char* status)
{
    return reply.status == std::optional<std::string>(status);
}

// The server's order id: a whole number, given as a number or as a text of digits.
std::optional<int> serverOrderId(const Value& value)
{
    if (value.isInteger())
        return value.intValue();
    if (value.isReal()) {
        const double d = value.doubleValue();
        if (d == static_cast<double>(static_cast<long>(d)) && d >= INT_MIN && d <= INT_MAX)
            return static_cast<int>(d);
        return std::nullopt;
    }
    if (value.isString()) {
        const std::string text = value.stringValue();
        int id = 0;
        auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
        if (error == std::errc() && end == text.data() + text.size() && !text.empty())
            return id;
    }
    return std::nullopt;
}

// The number one second on: an order number is the account id, "_" and the
// time it was made as "yyMMddHHmmss".
std::string numberOneSecondOn(const std::string& number)
{
    const NSDateFormatter format("yyMMddHHmmss");
    const auto cut = number.rfind('_');
    const std::string prefix = cut == std::string::npos ? number + "_" : number.substr(0, cut + 1);
    const auto made
        = cut == std::string::npos ? std::nullopt : format.dateFromString(std::string_view(number).substr(cut + 1));
    return prefix + format.stringFromDate(NSDate::dateByAddingTimeInterval(made.value_or(Clock::wallNow()), 1));
}

// Upload replies, server ids and history all find an order by its number,
// and two orders made within one second would share it: an order about to
// be stored for the first time steps to the next second no stored order has.
void takeFreeOrderNumber(QuoteOrderEntity& order)
{
    if (order.serial != 0 || !order.number)
        return;
    auto data = DataAccessManager::sharedDataModel();
    while (data->getLocalOrderIdWithOrderNumber(order.number) != 0)
        order.number = numberOneSecondOn(*order.number);
}

}  // namespace

std::shared_ptr<QuoteOrderStore> QuoteOrderStore::sharedQuoteOrderStore()
{
    std::lock_guard<std::mutex> guard(classLock());
    if (!slot())
        slot() = std::make_shared<QuoteOrderStore>(Passkey {});
    return slot();
}

void QuoteOrderStore::freeInstance()
{
    std::shared_ptr<QuoteOrderStore> ending;
    std::lock_guard<std::mutex> guard(classLock());
    ending = std::move(slot());
}

QuoteOrderStore::QuoteOrderStore(Passkey) { loadByConfig(); }

void QuoteOrderStore::loadByConfig()
{
    auto config = ConfigManager::sharedInstance();
    isCustomerOnShow = config->isOnShow(kCustomerModule);
    m_isOrderOnShow = config->isOnShow(kQuoteOrderModule);
}

std::shared_ptr<QuoteOrderEntity> QuoteOrderStore::createNewQuoteOrder()
{
    if (!addQuoteOrder) {
        auto order = std::make_shared<QuoteOrderEntity>();
        order->isInEdit = true;
        order->discountRat = 100;
        addQuoteOrder = order;
    }
    return addQuoteOrder;
}

bool QuoteOrderStore::diffItemCYExist(const corvelle_product_Entity& product) const
{
    if (!curQuoteOrder || curQuoteOrder->items.empty())
        return false;
    const auto currency = priceOf(product.product_id)->currency;
    for (const auto& item : curQuoteOrder->items) {
        if (item && (!item->currency || item->currency != currency))
            return true;
    }
    return false;
}

bool QuoteOrderStore::addToOrder(const std::shared_ptr<corvelle_product_Entity>& product)
{
    if (!product)
        return true;
    if (!curQuoteOrder)
        popDelegateView();
    if (!curQuoteOrder)
        curQuoteOrder = createNewQuoteOrder();
    auto order = curQuoteOrder;

    std::shared_ptr<QuoteOrderItemEntity> same;
    for (const auto& item : order->items) {
        if (item && item->product && item->product->product_id == product->product_id
            && (isBlank(item->attributes) || item->attributes == product->attributes)) {
            same = item;
            break;
        }
    }
    if (same) {
        // A line without attributes takes in the product whatever was chosen.
        same->quantity += product->count;
    } else {
        auto price = priceOf(product->product_id);
        auto item = std::make_shared<QuoteOrderItemEntity>();
        item->product = product;
        item->currency = price->currency;
        order->currency = price->currency;
        item->quantity = product->count;
        item->sku = product->product_sku;
        item->name = product->product_name;
        item->attributes = product->attributes;
        item->price = price->price;
        item->finalPrice = retriveProductPriceWithProductIDProductCount(product->product_id, 1);
        item->setSubtotal(item->subtotal());
        // The line of a stored order keeps its order id; its own id is left
        // for the line save, which keeps ids unique over every order's lines.
        if (order->serial != 0)
            item->orderID = order->serial;
        item->cdate = PublicFunction::currentTime();
        item->mdate = item->cdate;
        order->items.push_back(item);
        if (auto app = CorvelleAppDelegate::sharedAppDelegate()) {
            if (auto tabs = app->tabBarController())
                tabs->setBadgeValueTabBarItemTagAnimated(stringWithFormat("%d", static_cast<int>(order->items.size())),
                    UITabBarControllerExt::TabQuoteOrder, true);
        }
    }
    // Any order discount typed before no longer fits the new total.
    order->setDiscount(-1);
    order->discountRat = PublicFunction::shownDiscountRatFromAbsolute(100);
    return true;
}

void QuoteOrderStore::getItemNumberInOrder(corvelle_product_Entity& product) const
{
    product.itemNumberInOrder = 0;
    if (!curQuoteOrder)
        return;
    for (const auto& item : curQuoteOrder->items) {
        if (item && item->product && item->product->product_id == product.product_id)
            product.itemNumberInOrder += static_cast<unsigned>(item->quantity);
    }
}

double QuoteOrderStore::retriveProductPriceWithProductIDProductCount(int productId, int /*count*/) const
{
    auto price = priceOf(productId);
    return price->discount_flag ? price->discount_price : price->price;
}

unsigned QuoteOrderStore::getCurrentQuoteOrderItemsCount() const
{
    return curQuoteOrder ? static_cast<unsigned>(curQuoteOrder->items.size()) : 0u;
}

void QuoteOrderStore::removeCurrentQuoteOrder()
{
    curQuoteOrder.reset();
    if (addQuoteOrder)
        addQuoteOrder.reset();
    else
        popDelegateView();
}

SaveResult QuoteOrderStore::saveCurrentQuoteOrder()
{
    auto order = curQuoteOrder;
    if (!order)
        return SaveResult::Kind::NothingToSave;
    if (!replaceStoredQuoteOrder(order))
        return SaveResult::Kind::Failed;
    // The lines stay in memory: an editor may still be showing this order.
    removeCurrentQuoteOrder();
    return SaveResult::Kind::Saved;
}

bool QuoteOrderStore::replaceStoredQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order)
{
    if (!order)
        return false;
    // A failed save must not leave the order under a number it never got.
    const auto orderNumber = order->number;
    takeFreeOrderNumber(*order);
    if (DataAccessManager::sharedDataModel()->replaceQuoteOrder(order))
        return true;
    order->number = orderNumber;
    return false;
}

SaveResult QuoteOrderStore::copyQuoteOrderEntity(const std::shared_ptr<QuoteOrderEntity>& order)
{
    if (!order)
        return SaveResult::Kind::NothingToSave;
    auto copy = order->duplicateOrder();
    takeFreeOrderNumber(*copy);
    return SaveResult::of(DataAccessManager::sharedDataModel()->saveQuoteOrder(copy) != 0);
}

void QuoteOrderStore::updateOrderTable(const EntityList<corvelle_customer_Entity>& customers)
{
    DataAccessManager::sharedDataModel()->updateOrderTable(customers);
    for (const auto& customer : customers) {
        if (!customer)
            continue;
        if (addQuoteOrder && addQuoteOrder->customerId == customer->pid)
            addQuoteOrder->customerId = customer->customer_id;
        if (curQuoteOrder && curQuoteOrder->customerId == customer->pid)
            curQuoteOrder->customerId = customer->customer_id;
        if (auto d = delegate())
            d->updateCustomerIdNewId(customer->pid, customer->customer_id);
    }
}

EntityList<QuoteOrderEntity> QuoteOrderStore::fetchQuoteOrdersCondition(
    int type, const std::optional<std::string>& condition)
{
    return DataAccessManager::sharedDataModel()->fetchQuoteOrdersCondition(type, condition);
}

bool QuoteOrderStore::removeQuoteOrder(int orderId)
{
    return DataAccessManager::sharedDataModel()->removeQuoteOrder(orderId);
}

void QuoteOrderStore::setQuoteOrdersUploaded(int orderId)
{
    DataAccessManager::sharedDataModel()->setQuoteOrdersToUploaded(orderId);
}

std::optional<std::string> QuoteOrderStore::fetchQuoteOrdersDicString(int orderId)
{
    return DataAccessManager::sharedDataModel()->fetchQuoteOrdersDicString(orderId);
}

void QuoteOrderStore::updateOrdeIDWithOrderNumberNewOrderID(
    const std::optional<std::string>& orderNumber, int newOrderID)
{
    DataAccessManager::sharedDataModel()->updateOrderIDWithOrderNumberNewOrderID(orderNumber, newOrderID);
}

void QuoteOrderStore::popDelegateView()
{
    if (auto d = delegate())
        d->popSelfView();
}

// ---- Upload, history and re-login ----

void QuoteOrderStore::startUploadQuoteOrder(int orderId)
{
    auto session = LoginMode::sharedInstance();
    if (session->loginType() == LoginMode::kLoginTypeOnline) {
        requestUploadQuoteOrder(orderId);
    } else if (session->loginType() == LoginMode::kLoginTypeOffline) {
        currentQuoteOrderId_ = orderId;
        needWork_ = 2;
        requestLogin();
    }
}

void QuoteOrderStore::requestUploadQuoteOrder(int orderId)
{
    currentQuoteOrderId_ = orderId;
    auto data = DataAccessManager::sharedDataModel();
    std::vector<std::string> numbers;
    const Value sent = data->fetchUnsubmittedQuoteOrdersDic(orderId);
    if (const Value* orders = sent.find("order")) {
        for (const Value& order : orders->arrayValue()) {
            if (const Value* number = order.find("order_number"); number && number->isString())
                numbers.push_back(number->stringValue());
        }
    }
    auto request = std::make_shared<RequestUploadQuoteOrder>();
    request->syncData = fetchQuoteOrdersDicString(orderId);
    request->setReceiveDelegete(shared_from_this());
    const int rst = NetworkModel::sharedInstance()->sendRequest(request);
    NSLog("the rst is %d", rst);
    if (rst >= 0)
        m_pendingUploads[rst] = std::move(numbers);
}

void QuoteOrderStore::getLastTenOrderHistory()
{
    auto data = DataAccessManager::sharedDataModel();
    const int count = data->numberOfAllSubmittedOrder();
    const double span = data->timeDurationOfAllSubmittedOrder();
    if (count >= kDeepHistoryCount && span > kDeepHistorySpan) {
        if (auto d = delegate())
            d->finishedSyncHistoryQuoteOrdersMessage(std::nullopt, std::nullopt);
        return;
    }
    getHistoryOrderFromTime(data->retriveEarliestSubmittedOrderTime(), kOrdersPerPage);
}

void QuoteOrderStore::getHistoryOrderFromTime(const std::optional<std::string>& baseTime, int number)
{
    auto session = LoginMode::sharedInstance();
    if (session->loginType() == LoginMode::kLoginTypeOnline) {
        requestSyncHistoryQuoteOrderFromTime(baseTime, number);
    } else if (session->loginType() == LoginMode::kLoginTypeOffline) {
        needWork_ = 1;
        requestLogin();
    }
}

void QuoteOrderStore::requestSyncHistoryQuoteOrderFromTime(const std::optional<std::string>& baseTime, int number)
{
    auto request = std::make_shared<RequestGetOrderHistory>();
    request->setReceiveDelegete(shared_from_this());
    request->numberOfOrder = number;
    request->baseTime = baseTime.value_or(std::string());
    NSLog("the rst is %d", NetworkModel::sharedInstance()->sendRequest(request));
}

void QuoteOrderStore::requestLogin()
{
    auto info = LoginMode::sharedInstance()->loginInfo();
    auto request = std::make_shared<RequestLogin>();
    if (info) {
        request->userName = info->accountId;
        request->passWord = info->passWord;
        request->clientID = info->clientId;
        request->deviceID = info->deviceId;
    }
    request->setReceiveDelegete(shared_from_this());
    NetworkModel::sharedInstance()->sendRequest(request);
}

void QuoteOrderStore::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply)
{
    if (!reply)
        return;
    if (hasStatus(*reply, "207")) {
        m_pendingUploads.erase(reply->requestCode);
        ProtocolServices::logoutWithLockedUser("207", reply->message);
        return;
    }
    switch (reply->cmdCode) {
    case kUploadCommand:
        if (auto upload = std::dynamic_pointer_cast<UploadQuoteOrderRst>(reply))
            uploadQuoteOrdersFinished(*upload);
        break;
    case kHistoryCommand:
        getOrderHistoryFinished(reply);
        break;
    case kLoginCommand:
        reloginFinished(*reply);
        break;
    default:
        break;
    }
}

void QuoteOrderStore::reloginFinished(const NetBaseRst& reply)
{
    auto session = LoginMode::sharedInstance();
    if (hasStatus(reply, "200")) {
        session->setLoginType(LoginMode::kLoginTypeOnline);
        if (auto login = dynamic_cast<const LoginRst*>(&reply)) {
            // The new session's ids go with the upload or history request
            // that follows, and with every later command; a blank client id
            // in the reply leaves the one the salesperson typed.
            session->setSessionId(login->sessionId);
            session->setVendorId(NSString::intValue(login->vendor_id.value_or(std::string())));
            if (LoginMode::isUsableClientId(login->clientId))
                session->setClientID(login->clientId);
        }
        if (needWork_ == 1)
            getLastTenOrderHistory();
        else if (needWork_ == 2)
            requestUploadQuoteOrder(currentQuoteOrderId_);
        return;
    }
    session->setLoginType(hasStatus(reply, "999") ? LoginMode::kLoginTypeOffline : LoginMode::kLoginTypeNone);
    auto d = delegate();
    if (!d)
        return;
    if (needWork_ == 1)
        d->finishedSyncHistoryQuoteOrdersMessage(reply.status, reply.message);
    else if (needWork_ == 2)
        d->finishedUploadQuoteOrdersMessage(reply.status, reply.message);
}

void QuoteOrderStore::uploadQuoteOrdersFinished(const UploadQuoteOrderRst& reply)
{
    auto pending = m_pendingUploads.find(reply.requestCode);
    // Only a reply to a request still waiting here may mark orders.
    if (pending == m_pendingUploads.end())
        return;
    const std::vector<std::string> sent = std::move(pending->second);
    m_pendingUploads.erase(pending);
    if (hasStatus(reply, "200")) {
        auto data = DataAccessManager::sharedDataModel();
        for (const auto& number : sent)
            data->setQuoteOrdersUploadedWithOrderNumber(number);
        for (const Value& entry : reply.orderIdUpdateArray) {
            if (!entry.isDictionary())
                continue;
            const Value* number = entry.find("id");
            const Value* generated = entry.find("generateId");
            if (!number || !generated || !number->isString())
                continue;
            // Ids of 0 and below are the device's own; a server id is above 0.
            if (auto id = serverOrderId(*generated); id && *id > 0)
                updateOrdeIDWithOrderNumberNewOrderID(number->stringValue(), *id);
        }
    }
    if (m_pendingUploads.empty())
        currentQuoteOrderId_ = -1;
    if (auto d = delegate())
        d->finishedUploadQuoteOrdersMessage(reply.status, reply.message);
}

void QuoteOrderStore::getOrderHistoryFinished(const std::shared_ptr<NetBaseRst>& reply)
{
    auto history = std::dynamic_pointer_cast<GetOrderHistoryRst>(reply);
    if (history && hasStatus(*history, "200")) {
        if (history->orderHistoryArray.empty()) {
            if (auto d = delegate())
                d->finishedSyncHistoryQuoteOrdersMessage(history->status, std::string(kReachEnd));
            return;
        }
        auto data = DataAccessManager::sharedDataModel();
        for (const Value& order : history->orderHistoryArray)
            data->updateLocalHistoryOrderFromServer(order);
        for (const Value& item : history->orderItemHistoryArray)
            data->updateLocalHistoryOrderItemFromServer(item);
    }
    if (auto d = delegate())
        d->finishedSyncHistoryQuoteOrdersMessage(reply->status, reply->message);
}
