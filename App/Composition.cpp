#include "App/Composition.h"

#include "Classes/Catalog/CatalogViewController.h"
#include "Classes/Catalog/InventoryViewController.h"
#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Customer/CustomerViewController.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/SaleslibraryController.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Classes/QuoteOrder/QuoteOrderHistoryController.h"
#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"
#include "Classes/Sync/SyncViewController.h"
#include "Network/Protocol/SessionServices.h"

namespace Composition {

void installScreens()
{
    UITabBarControllerExt::setTabScreenFactory([](long tab) -> std::shared_ptr<UIViewController> {
        switch (tab) {
        case UITabBarControllerExt::TabCatalog:
            return std::make_shared<CatalogViewController>();
        case UITabBarControllerExt::TabCustomer:
            return std::make_shared<CustomerViewController>();
        case UITabBarControllerExt::TabInventory:
            return std::make_shared<InventoryViewController>();
        case UITabBarControllerExt::TabSalesLibrary:
            return std::make_shared<SaleslibraryController>();
        case UITabBarControllerExt::TabQuoteOrder:
            return std::make_shared<QuoteOrderHistoryController>();
        case UITabBarControllerExt::TabSync:
            return std::make_shared<SyncViewController>();
        default:
            return nullptr;
        }
    });

    CorvelleAppDelegate::ClientReleases releases;
    releases.beforeRequestsEnd = [] { SaleslibraryModel::freeInstance(); };
    releases.afterDataEnds = [] {
        CustomerDataModel::freeInstance();
        QuoteOrderThumbnailCache::sharedInstance().forgetImagePaths();
        QuoteOrderThumbnailCache::sharedInstance().removeAllObjects();
        PdfThumbCache::sharedInstance().removeAllObjects();
    };
    CorvelleAppDelegate::setClientReleases(std::move(releases));

    auto& providers = SessionServices::providers();
    providers.unpackSkin = [] { return SkinManager::sharedInstance()->initializeSkinImage(); };
    providers.reloadCustomerData = [] { CustomerDataModel::sharedInstance()->reloadCustomerData(); };
}

}  // namespace Composition
