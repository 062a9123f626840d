#pragma once

// Catalogue rows written straight into the open client database, the way the
// synchronisation leaves them (products, images, prices, attributes, tags,
// related products), and small PNG files in the client's image folder.

#include "Classes/Frame/PublicFunction.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ProductSeed {

inline std::shared_ptr<SQLDatabase> db()
{
    DataAccessManager::sharedDataModel();
    return SQLDatabase::sharedDataBase();
}

inline void product(int id, const std::string& sku, const std::string& name, int stock = 0,
    const std::string& shortDesc = "", const std::string& longDesc = "", int publish = 1)
{
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_product(product_id,product_sku,product_name,product_s_desc,product_l_desc,"
        "product_publish,product_ordering,product_stock) VALUES(?,?,?,?,?,?,0,?)",
        id, sku, name, shortDesc, longDesc, publish, stock));
}

inline void image(int imageId, int productId, const std::string& thumb, const std::string& full, bool isDefault)
{
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_image(image_id,key_id,key_type,image_thumb_address,image_full_address,"
        "image_isdault,image_publis,image_ordering) VALUES(?,?,'product',?,?,?,1,?)",
        imageId, productId, thumb, full, isDefault ? 1 : 0, imageId));
}

inline void price(
    int productId, double amount, const std::string& currency, double discount = 0, bool discounted = false)
{
    const double now = 1.0e10;
    ASSERT_TRUE(
        db()->executeUpdate("INSERT INTO corvelle_product_price(price_id,product_id,price,currency,discount_price,"
                            "discount_start_date,discount_end_date,discount_publish) VALUES(?,?,?,?,?,?,?,1)",
            productId, productId, amount, currency, discount, discounted ? 0.0 : now, discounted ? now : 0.0));
}

inline std::string imagePath(const std::string& name) { return PublicFunction::filePathWithNameFiletype(name, 1); }

// A PNG of one colour in the client's product-image folder.
inline void imageFile(const std::string& name, CGSize size, const std::shared_ptr<UIColor>& color)
{
    const std::string path = imagePath(name);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    UIGraphicsBeginImageContext(size);
    color->setFill();
    UIRectFill(CGRectMake(0, 0, size.width, size.height));
    auto png = UIImagePNGRepresentation(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
    ASSERT_TRUE(png);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
}

}  // namespace ProductSeed
