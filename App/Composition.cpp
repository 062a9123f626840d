#include "App/Composition.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Frame/SkinManager.h"
#include "Network/Protocol/SessionServices.h"

namespace Composition {

void installScreens()
{
    auto& providers = SessionServices::providers();
    providers.unpackSkin = [] { return SkinManager::sharedInstance()->initializeSkinImage(); };
    providers.reloadCustomerData = [] { CustomerDataModel::sharedInstance()->reloadCustomerData(); };
}

}  // namespace Composition
