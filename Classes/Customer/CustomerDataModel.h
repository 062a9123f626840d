#pragma once

// The customer cache of the signed-in client: every customer row with its
// attributes, addresses and contacts, a summary (PersonInfo) per row for the
// searches, and the published customer attribute fields. The customers tab and
// the quote-order editor list, search and save customers through it; it
// uploads local customers (negative ids) and applies the server's new ids to
// the database, the cache and the stored quote orders.
//
// Everything runs on the main thread; only the creation of the shared
// instance takes a lock. The synchronisation reloads it after it wrote the
// customer tables; logout frees it.

#include "Database/ContactMode.h"
#include "Database/PersonInfo.h"
#include "Database/CustomerModel.h"
#include "Network/Protocol/RequestInterfaceBase.h"
#include "Platform/UIKit/UIAlertView.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

// The customer rows by customer id.
using CustomerInfoDic = std::map<int, CustomerDictionary>;

class CustomerDataModel : public NetworkRecDelegate,
                          public UIAlertViewDelegate,
                          public std::enable_shared_from_this<CustomerDataModel> {
    struct Passkey { };

public:
    static std::shared_ptr<CustomerDataModel> sharedInstance();
    static void freeInstance();

    // Loads the cache; only sharedInstance makes one.
    explicit CustomerDataModel(Passkey);

    void reloadCustomerData();

    // Keeps the rows and makes one summary per row.
    void setCustomerInfoDic(CustomerInfoDic rows);
    const CustomerInfoDic& customerInfoDic() const { return m_customerInfoDic; }
    const std::vector<std::shared_ptr<PersonInfo>>& allSearchPersonList() const { return m_allSearchPersonList; }
    void setAllSearchPersonList(std::vector<std::shared_ptr<PersonInfo>> list)
    {
        m_allSearchPersonList = std::move(list);
    }
    const EntityList<customer_attribute_cell_Entity>& allAttributes() const { return m_allAttributes; }
    void setAllAttributes(EntityList<customer_attribute_cell_Entity> attributes)
    {
        m_allAttributes = std::move(attributes);
    }

    // The rows that are not hidden, as copies.
    CustomerInfoDic getNoHiddenCustomerData(bool reload);

    std::vector<std::shared_ptr<PersonInfo>> customerSearch(const std::optional<std::string>& text) const;
    std::vector<std::shared_ptr<ContactMode>> customerSearchByContact(const std::optional<std::string>& text) const;

    // Sets "hidden" of the cached row; the summaries keep theirs.
    void updateCustomerInfoDicWithHidden(int customerId, int hidden);

    // "Address", "City", "State/Province/Region", "Zip Code" from the default
    // address (or the attributes when there is none), and "Phone",
    // "Bank Account", "Active" from the attributes; a key without a value is left out.
    std::map<std::string, std::string> getDefaultAddressByCustomer(int customerId) const;

    // Stores a new local customer and answers its (negative) id, or 0 when it
    // could not be stored, in which case nothing of it remains.
    [[nodiscard]] int saveCustomerWithNameStreetCityStateZipCode(const std::optional<std::string>& name,
        const std::optional<std::string>& street, const std::optional<std::string>& city,
        const std::optional<std::string>& state, const std::optional<std::string>& zipCode);

    void submitCustomer(int customerId);
    void submitAllLocalCustomer();
    // The upload document of those customers (an id without a row is skipped).
    std::optional<std::string> getCustomerInfoById(const std::vector<int>& customerIds);
    void submitCustomerInfo(const std::optional<std::string>& syncData);

    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override;
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

private:
    // The local ids an upload sent, table by table: only these may be renumbered by its reply.
    struct SentIds {
        std::set<int> customers, addresses, attributes, contacts;
    };
    void applyUploadReply(const NetBaseRst& reply);
    void showUploadFailure(const NetBaseRst& reply);

    CustomerInfoDic m_customerInfoDic;
    std::vector<std::shared_ptr<PersonInfo>> m_allSearchPersonList;
    EntityList<customer_attribute_cell_Entity> m_allAttributes;
    std::map<int, SentIds> m_sentUploads;
};

// The summary of one cached row.
std::shared_ptr<PersonInfo> makePersonInfo(int customerId, const CustomerDictionary& row);
