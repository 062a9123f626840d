#include "Classes/Customer/CustomerDataModel.h"

#include "Database/DataAccessManager.h"

#include <mutex>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<CustomerDataModel>& slot()
{
    static std::shared_ptr<CustomerDataModel> instance;
    return instance;
}

}  // namespace

std::shared_ptr<CustomerDataModel> CustomerDataModel::sharedInstance()
{
    std::lock_guard<std::mutex> guard(classLock());
    if (!slot())
        slot() = std::make_shared<CustomerDataModel>();
    return slot();
}

void CustomerDataModel::freeInstance()
{
    std::shared_ptr<CustomerDataModel> ending;
    std::lock_guard<std::mutex> guard(classLock());
    ending = std::move(slot());
}

void CustomerDataModel::reloadCustomerData()
{
    auto data = DataAccessManager::sharedDataModel();
    m_customers = data->getAllCustomers(true);
    m_attributes = data->getAllAttributes();
}
