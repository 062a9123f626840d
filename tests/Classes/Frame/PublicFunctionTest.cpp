#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SharedUDID.h"
#include "Database/QuoteOrderEntity.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Database/corvelle_product_price_Entity.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ServerInfo.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIPasteboard.h"

#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

class FrameHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        temporaryHome.emplace();
        home = temporaryHome->path();
        UIPasteboard::setSharedFolder(home + "/Pasteboards");
        SharedUDID::forgetCachedValue();
        NSLogSetCapture([](const std::string&) {});
        LoginMode::freeInstance();
        LoginMode::sharedInstance()->setClientID(std::string("Acme"));
    }
    void TearDown() override
    {
        LoginMode::freeInstance();
        NSLogSetCapture(nullptr);
        temporaryHome.reset();
    }
    std::optional<TemporaryHome> temporaryHome;
    std::string home;
};

TEST_F(FrameHelpers, NumberAndPriceFormatting)
{
    struct IntCase {
        long value;
        const char* text;
    };
    for (const auto& c :
        { IntCase { 1000, "1,000" }, IntCase { 999, "999" }, IntCase { 1000000, "1,000,000" }, IntCase { -5, "0" } })
        EXPECT_EQ(PublicFunction::intFormate(c.value), c.text);
    struct DoubleCase {
        double value;
        const char* text;
    };
    for (const auto& c : { DoubleCase { 1234.5, "1,234.50" }, DoubleCase { 0.004, "0.00" },
             DoubleCase { -12.3, "0.00" }, DoubleCase { 1234567.891, "1,234,567.89" } })
        EXPECT_EQ(PublicFunction::doubleFormate(c.value), c.text);
    EXPECT_EQ(PublicFunction::flagWithCurrency(std::string("CNY")), "¥");
    EXPECT_EQ(PublicFunction::flagWithCurrency(std::string("cny")), "");
    EXPECT_EQ(PublicFunction::flagWithCurrency(std::nullopt), "");
    EXPECT_EQ(PublicFunction::encryptMD5(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(MD5Addition::stringFromMD5("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(MD5Addition::stringFromMD5(""), std::nullopt);
}

TEST_F(FrameHelpers, DatesFollowTheInterfaceLanguage)
{
    EXPECT_EQ(PublicFunction::formatDate(std::string("2013-05-07 10:00:00")), "05/07/13");
    NSUserDefaults::standardUserDefaults()->setIntegerForKey(2, "language");
    EXPECT_EQ(PublicFunction::formatDate(std::string("2013-05-07 10:00:00")), "13/05/07");
    EXPECT_EQ(PublicFunction::formatDate(std::nullopt), "");
    EXPECT_EQ(PublicFunction::changeToServerFormatFromLocal(std::string("09/30/2014 16:45:00")), "2014-09-30 16:45:00");
}

TEST_F(FrameHelpers, ServerSettingsAndFileURLs)
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setIntegerForKey(0, "Port");
    defaults->setObjectForKey(Value(""), "Path");
    auto server = PublicFunction::GetServer();
    EXPECT_EQ(server->httpPort, 48080);
    EXPECT_EQ(server->websiteServer, "");
    EXPECT_EQ(server->imageHttpPort, 480);
    EXPECT_EQ(server->imageWebsiteServer, "corvelle_saas");
    EXPECT_EQ(defaults->integerForKey("ImagePort"), 480);

    struct Case {
        const char* host;
        long port;
        int type;
        const char* url;
    };
    for (const auto& c :
        { Case { "img.example", 80, 1, "http://img.example/corvelle_saas/images/Acme/product/a%20b.png" },
            Case { "img.example", 8080, 5, "http://img.example:8080/corvelle_saas/images/Acme/library/pdf/a%20b.png" },
            Case { "img.example", 8080, 42, "http://img.example:8080/corvelle_saas/images/Acme/a%20b.png" },
            // The host setting may name the scheme; each scheme leaves out its own port only.
            Case { "https://img.example", 443, 1, "https://img.example/corvelle_saas/images/Acme/product/a%20b.png" },
            Case { "HTTPS://img.example", 80, 5,
                "https://img.example:80/corvelle_saas/images/Acme/library/pdf/a%20b.png" },
            Case { "http://img.example", 443, 42, "http://img.example:443/corvelle_saas/images/Acme/a%20b.png" } }) {
        SCOPED_TRACE(c.url);
        defaults->setObjectForKey(Value(c.host), "ImageIP");
        defaults->setIntegerForKey(c.port, "ImagePort");
        EXPECT_EQ(PublicFunction::fileURLWithNameFiletype(std::string("a b.png"), c.type), c.url);
    }
    defaults->setObjectForKey(Value("https://img.example"), "ImageIP");
    EXPECT_EQ(PublicFunction::forgetPassWordUrl().rfind("https://img.example/corvelle_saas/index.php?", 0), 0u);
    EXPECT_EQ(PublicFunction::editUserUrl().rfind("https://img.example/corvelle_saas/index.php?", 0), 0u);
    EXPECT_EQ(PublicFunction::fileURLWithNameFiletype(std::nullopt, 1), std::nullopt);
    EXPECT_EQ(PublicFunction::getFileType("PDF"), 5);
    EXPECT_EQ(PublicFunction::getFileType("pdf"), 9);
    EXPECT_EQ(PublicFunction::filePathWithNameFiletype("x.png", 4), home + "/Documents/acme/LibraryImages/x.png");
}

// A PNG as wide as the number of points given, so a test can tell images apart.
void writeImage(const std::string& path, int width)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    UIGraphicsBeginImageContextWithOptions(CGSize { static_cast<CGFloat>(width), 1 }, true, 1);
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    auto png = UIImagePNGRepresentation(image);
    ASSERT_TRUE(png);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
}

TEST_F(FrameHelpers, LocalImagesFallBackToTheirBundleImage)
{
    const std::string bundle = home + "/Bundle";
    writeImage(bundle + "/fileDefault.png", 1);
    writeImage(bundle + "/icon-default_pdf.png", 2);
    writeImage(PublicFunction::filePathWithNameFiletype("cover.png", 4), 3);
    writeImage(PublicFunction::filePathWithNameFiletype("shot.png", 1), 4);
    std::ofstream(PublicFunction::filePathWithNameFiletype("broken.png", 4)) << "not an image";
    AppEnvironment::setBundleDirectory(bundle);
    struct Case {
        const char* name;
        int type;
        double width;
    };
    for (const auto& c : { Case { "cover.png", 7, 3 }, Case { "cover.png", 5, 3 }, Case { "missing.png", 7, 1 },
             Case { "missing.png", 5, 2 }, Case { "broken.png", 5, 2 }, Case { "shot.png", 1, 4 },
             Case { "cover.png", 1, 1 }, Case { "shot.png", 42, 1 } }) {
        SCOPED_TRACE(std::string(c.name) + " as " + std::to_string(c.type));
        auto image = PublicFunction::getLocalImageFiletype(c.name, c.type);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->size().width, c.width);
    }
}

TEST_F(FrameHelpers, SafeSizeFollowsTheDeviceCap)
{
    const std::string path = home + "/file";
    std::ofstream(path).close();
    EXPECT_FALSE(PublicFunction::safeSizeOfPath(path));
    std::filesystem::resize_file(path, static_cast<uintmax_t>(PublicFunction::getMaxSizeForDevice()));
    EXPECT_TRUE(PublicFunction::safeSizeOfPath(path));
    std::filesystem::resize_file(path, static_cast<uintmax_t>(PublicFunction::getMaxSizeForDevice()) + 1);
    EXPECT_FALSE(PublicFunction::safeSizeOfPath(path));
    EXPECT_FALSE(PublicFunction::safeSizeOfPath(home + "/missing"));
}

TEST_F(FrameHelpers, SharedIdentifierUsesAndFillsTheSlots)
{
    SharedUDIDError error;
    const std::string first = SharedUDID::valueWithError(&error);
    EXPECT_EQ(first.size(), 40u);
    EXPECT_EQ(error.code, 0);
    EXPECT_EQ(SharedUDID::_getDictFromPasteboard("org.SharedUDID.slot.0")["SharedUDID"].stringValue(), first);
    EXPECT_EQ(NSUserDefaults::standardUserDefaults()->dictionaryForKey("SharedUDID")["SharedUDID_slot"].stringValue(),
        "org.SharedUDID.slot.0");
    EXPECT_EQ(SharedUDID::valueWithError(&error), first);
    EXPECT_EQ(error.description, "SharedUDID in cache from first call");

    SharedUDID::setOptOut(true);
    EXPECT_EQ(SharedUDID::valueWithError(&error), std::string(40, '0'));
    EXPECT_EQ(error.code, 1);
}

TEST_F(FrameHelpers, SharedIdentifierAdoptsTheMostFrequentSlotAndReportsADiscrepancy)
{
    auto slot = [](const char* id, int n) {
        ValueDictionary d(std::initializer_list<ValueDictionary::Entry> {
            { "SharedUDID", Value(id) }, { "SharedUDID_appUID", Value("other-app") } });
        SharedUDID::_setDictForPasteboard(d, "org.SharedUDID.slot." + std::to_string(n));
    };
    slot("aaaa", 0);
    slot("aaaa", 1);
    slot("bbbb", 2);
    EXPECT_EQ(SharedUDID::value(), "aaaa");

    SharedUDID::forgetCachedValue();
    Value record = Value::dictionary({ { "SharedUDID", Value("cccc") } });
    NSUserDefaults::standardUserDefaults()->setObjectForKey(record, "SharedUDID");
    SharedUDIDError error;
    EXPECT_EQ(SharedUDID::valueWithError(&error), "cccc");
    EXPECT_EQ(error.code, 2);
}

TEST_F(FrameHelpers, RecordArithmetic)
{
    LoginMode::sharedInstance()->setAcountID(std::string("sales01"));
    auto order = std::make_shared<QuoteOrderEntity>();
    EXPECT_EQ(order->number->rfind("sales01_", 0), 0u);
    EXPECT_EQ(order->strDiscount(), "0.00");
    auto a = std::make_shared<QuoteOrderItemEntity>();
    a->quantity = 2;
    a->price = 10;
    a->finalPrice = 8;
    auto b = std::make_shared<QuoteOrderItemEntity>();
    b->quantity = 1;
    b->price = -1;
    b->finalPrice = -1;
    order->items = { a, b };
    order->currency = "USD";
    order->discountRat = 90;
    EXPECT_EQ(order->originalTotal(), 20);
    EXPECT_EQ(order->total(), 16);
    EXPECT_DOUBLE_EQ(order->discount(), 14.4);
    EXPECT_EQ(order->strDiscount(), "$14.40");
    order->setDiscount(12.5);
    EXPECT_EQ(order->discount(), 12.5);
    EXPECT_EQ(b->strPrice(), "-");
    EXPECT_EQ(b->discontRat(), -1);
    a->serial = 3;
    b->serial = -7;
    EXPECT_EQ(order->newItemIndex(), 4);
    auto copy = order->duplicateOrder();
    EXPECT_EQ(copy->discount(), 12.5);
    EXPECT_EQ(copy->items.size(), 2u);
    EXPECT_EQ(copy->items[0]->serial, 0);

    struct RateCase {
        double price;
        double finalPrice;
        double expected;
    };
    for (const auto& c : { RateCase { 200, 150, 75 }, RateCase { 0, 0, 0 },
             RateCase { 3, 2.259, static_cast<double>(static_cast<float>(75.3)) } }) {
        QuoteOrderItemEntity item;
        item.price = c.price;
        item.finalPrice = c.finalPrice;
        EXPECT_EQ(item.discontRat(), c.expected) << c.price;
    }
    QuoteOrderItemEntity attributes;
    attributes.attributes = "Colour:Red,Size,Note:a:b";
    ASSERT_EQ(attributes.attributesArray().size(), 1u);
    EXPECT_EQ(attributes.attributesShow(), "Colour:Red\nSize\nNote:a:b\n");

    struct InfoCase {
        const char* info;
        const char* shown;
        const char* duration;
    };
    for (const auto& c : { InfoCase { "Brochure", "Brochure", "" }, InfoCase { "Clip,03:15", "Clip", "03:15" },
             InfoCase { "Clip,5", "Clip", "" } }) {
        corvelle_library_files_Entity file;
        file.info = c.info;
        EXPECT_EQ(file.infoShow(), c.shown);
        EXPECT_EQ(file.duration(), c.duration);
    }
    corvelle_product_price_Entity hidden;
    hidden.price = -1;
    hidden.discount_price = 5;
    EXPECT_TRUE(hidden.isHidden());
    EXPECT_EQ(hidden.strPrice(), "");
    EXPECT_EQ(hidden.strDiscountPrice(), "");
}

}  // namespace
