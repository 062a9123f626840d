#include "Classes/QuoteOrder/CVPDFCreaterImageCell.h"
#include "Classes/QuoteOrder/CVPDFCreaterStringCell.h"
#include "Classes/QuoteOrder/OrderPDFCreater.h"

#include "Classes/Frame/SkinManager.h"
#include "Network/Protocol/LoginMode.h"

#include "PdfReadBack.h"
#include "ScreenTest.h"
#include "ShapingWork.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <fstream>

namespace {

std::shared_ptr<QuoteOrderItemEntity> line(const std::string& name, int quantity, double price, double finalPrice,
    std::optional<std::string> attributes = std::nullopt)
{
    auto item = std::make_shared<QuoteOrderItemEntity>();
    item->name = name;
    item->sku = "SKU-" + name.substr(0, std::min<size_t>(name.size(), 6));
    item->quantity = quantity;
    item->price = price;
    item->finalPrice = finalPrice;
    item->currency = "USD";
    item->attributes = std::move(attributes);
    return item;
}

std::shared_ptr<QuoteOrderEntity> sampleOrder(int lines = 3)
{
    auto order = std::make_shared<QuoteOrderEntity>();
    order->number = "A-1001";
    order->mdate = "2026-12-10 09:30:00";
    order->currency = "USD";
    order->discountRat = 90;
    order->customerName = "Harbour Lights Trading";
    order->customerAddress = "12 Quay Street";
    order->city = "Portsmouth";
    order->state = "NH";
    order->zip_code = "03801";
    order->phoneNumber = "603-555-0101";
    order->bankAccount = "GB29 NWBK 6016 1331 9268 19";
    order->setCustomerNote(std::string("Deliver before noon"));
    for (int i = 0; i < lines; ++i)
        order->items.push_back(line("Lamp " + std::to_string(i + 1), 2 + i, 120, 102, "colour:red,size:L"));
    return order;
}

std::shared_ptr<CVPDFCreaterStringCell> stringCell(
    const CVPDFCreater& creater, const std::string& text, size_t occurrence = 0)
{
    for (const auto& page : *creater.cellsPageArray)
        for (const auto& cell : *page)
            if (auto s = std::dynamic_pointer_cast<CVPDFCreaterStringCell>(cell); s && s->text == text)
                if (occurrence-- == 0)
                    return s;
    return nullptr;
}

struct Built {
    std::shared_ptr<OrderPDFCreater> creater;
    std::shared_ptr<UIScrollView> scroll;
};

Built build(std::shared_ptr<QuoteOrderEntity> order)
{
    Built built;
    built.creater = std::make_shared<OrderPDFCreater>(
        std::move(order), CGSizeMake(1024, 1448), std::weak_ptr<UIViewController>());
    built.scroll = std::make_shared<UIScrollView>(CGRectMake(0, 44, 1024, 724));
    built.creater->generatePdfInScrollView(built.scroll);
    return built;
}

void expectValid(const Data& pdf, int pages)
{
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(PdfReadBack::qpdfProblems(pdf), "");
    EXPECT_EQ(PdfReadBack::popplerPageCount(pdf), pages);
}

std::shared_ptr<UIImage> scribble(CGSize size)
{
    UIGraphicsBeginImageContextWithOptions(size, true, 1);
    auto c = UIGraphicsGetCurrentContext();
    CGContextSetRGBFillColor(c, 1, 1, 1, 1);
    UIRectFill(CGRectMake(0, 0, size.width, size.height));
    CGContextSetRGBFillColor(c, 0, 0, 0, 1);
    UIRectFill(CGRectMake(0, 0, size.width, size.height * 0.8));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

}

class OrderPDFCreaterTest : public ScreenTest { };

TEST_F(OrderPDFCreaterTest, SampleOrderMakesAValidPdfForAPersonToLookAt)
{
    auto built = build(sampleOrder());
    auto pdf = built.creater->generatePDFToData();
    expectValid(*pdf, 1);
    auto size = PdfReadBack::pageSize(*pdf, 1);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->first, 1024);
    EXPECT_EQ(size->second, 1448);
    std::string text = PdfReadBack::pageText(*pdf, 1);
    for (const char* shown : { "Harbour Lights Trading", "Lamp 3", "A-1001", "Deliver before noon", "- Page 1 -" })
        EXPECT_NE(text.find(shown), std::string::npos) << shown;
    EXPECT_TRUE(PdfReadBack::renderPageToPNG(*pdf, 1, 1024, UIDriver::snapshotPath("order-pdf-sample.png")));

    // The preview: the engine's view and the signature's image view, one page high.
    ASSERT_EQ(built.scroll->subviews().size(), 2u);
    EXPECT_EQ(built.scroll->contentSize().height, 1448);
    EXPECT_EQ(built.scroll->subviews()[1], built.creater->signatureValue);
}

TEST_F(OrderPDFCreaterTest, BlocksStartBelowTheLogoSpaceOrTheLogo)
{
    // Without a client logo: 60 margin + 120 spacing + 10 spacing, the title 10 into its line.
    auto plain = build(sampleOrder());
    EXPECT_EQ(stringCell(*plain.creater, "Customer Information")->frameInContainer.origin.y, 200);

    LoginMode::sharedInstance()->setClientID(std::string("harbour"));
    auto folder = SkinManager::skinFolderForClientId(std::string("harbour"));
    ASSERT_TRUE(folder);
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(*folder, true);
    auto png = UIImagePNGRepresentation(scribble(CGSizeMake(222, 51)));
    ASSERT_TRUE(png);
    std::ofstream(NSString::stringByAppendingPathComponent(*folder, "homelogo.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));

    auto logo = build(sampleOrder());
    auto first = (*logo.creater->cellsPageArray)[0];
    auto logoCell = std::dynamic_pointer_cast<CVPDFCreaterImageCell>((*first)[1]);
    ASSERT_TRUE(logoCell && logoCell->image);
    EXPECT_EQ(logoCell->frameInContainer.size.width, 222);
    EXPECT_EQ(logoCell->frameInContainer.size.height, 51);
    EXPECT_EQ(stringCell(*logo.creater, "Customer Information")->frameInContainer.origin.y, 60 + 51 + 10 + 10);
}

TEST_F(OrderPDFCreaterTest, CustomerRowsGrowWithTheirValues)
{
    auto order = sampleOrder();
    order->customerAddress = std::string(
        "Unit 4, The Old Chandlery, 112 Harbour Approach Road, Eastern Docks Industrial Estate, behind the "
        "ferry terminal car park, Portsmouth Harbour, Hampshire, near the lifeboat station");
    auto built = build(order);
    auto name = stringCell(*built.creater, "Harbour Lights Trading");
    auto address = stringCell(*built.creater, *order->customerAddress);
    ASSERT_TRUE(name && address);
    EXPECT_EQ(name->frameInContainer.size.height, 40);
    EXPECT_EQ(name->frameInContainer.size.width, 904.0f * 2 / 3);
    EXPECT_GT(address->frameInContainer.size.height, 40);
    // The next row starts below the tall one: never drawn over it.
    auto city = stringCell(*built.creater, "Portsmouth");
    EXPECT_GE(
        city->frameInContainer.origin.y, address->frameInContainer.origin.y + address->frameInContainer.size.height);
    EXPECT_EQ(city->frameInContainer.size.width, 904.0f * 7 / 30);
    EXPECT_EQ(stringCell(*built.creater, "NH")->frameInContainer.size.width, 904.0f * 23 / 180);
    // A short row is 40 high between bars 51 long: the next row starts 51 + 1 (thin rule) below.
    EXPECT_EQ(address->frameInContainer.origin.y - name->frameInContainer.origin.y, 52);
}

TEST_F(OrderPDFCreaterTest, LineRowsShowTheirColumnsAndTotals)
{
    auto order = sampleOrder(0);
    order->items.push_back(line("Hidden price lamp", 1, -1, -1));
    order->items.push_back(line("Shade", 4, 50, 40,
        std::string(
            "colour:midnight blue,fabric:linen blend,trim:brass,fitting:E27,shape:drum,size:extra large,finish:matt,"
            "cord:braided silk in charcoal grey")));
    auto built = build(order);
    auto& c = *built.creater;
    ASSERT_TRUE(stringCell(c, "-   "));
    auto rate = stringCell(c, "80.00%");
    ASSERT_TRUE(rate);
    EXPECT_NEAR(rate->frameInContainer.origin.x, 60 + 592.6222, 0.01);
    EXPECT_NEAR(rate->frameInContainer.size.width, 75.3333, 0.01);
    auto number = stringCell(c, "2");
    ASSERT_TRUE(number);
    EXPECT_GT(number->frameInContainer.size.height, 80);  // long attributes make the row taller
    auto first = stringCell(c, "1");
    EXPECT_EQ(first->frameInContainer.size.height, 80);
    auto subtotal = stringCell(c, order->items[1]->strSubtotal());
    ASSERT_TRUE(subtotal);
    EXPECT_NEAR(subtotal->frameInContainer.size.width, 100.4444, 0.01);
    EXPECT_NEAR(subtotal->frameInContainer.origin.x, 60 + 768.4, 0.01);

    for (std::string shown :
        { order->strOriginalTotal(), order->strTotal(), std::string("90.00%"), order->strDiscount() })
        EXPECT_TRUE(stringCell(c, shown)) << shown;

    auto pdf = c.generatePDFToData();
    expectValid(*pdf, 1);
    EXPECT_NE(PdfReadBack::pageText(*pdf, 1).find("Hidden"), std::string::npos);
}

TEST_F(OrderPDFCreaterTest, TableRunsOnToTheNextPageWithAFooterRule)
{
    auto built = build(sampleOrder(30));
    auto& c = *built.creater;
    ASSERT_GE(c.currentPage(), 2);
    auto page1 = (*c.cellsPageArray)[0];
    auto footer = std::dynamic_pointer_cast<CVPDFCreaterImageCell>(page1->back());
    ASSERT_TRUE(footer);
    EXPECT_EQ(footer->frameInContainer.origin.x, 60);
    EXPECT_EQ(footer->frameInContainer.size.width, 904);
    EXPECT_EQ(footer->frameInContainer.size.height, 1);
    EXPECT_LE(footer->frameInContainer.origin.y, 1448 - 60);

    // Page 2 holds its page number, then the moved row's top rule at the top margin.
    auto page2 = (*c.cellsPageArray)[1];
    EXPECT_EQ((*page2)[1]->frameInContainer.origin.y, 1448 + 60);
    EXPECT_EQ((*page2)[1]->frameInContainer.size.width, 905);
    // Column headers are not repeated.
    EXPECT_FALSE(stringCell(c, "Qty", 1));

    auto pdf = c.generatePDFToData();
    expectValid(*pdf, c.currentPage());
    EXPECT_NE(PdfReadBack::pageText(*pdf, 2).find("- Page 2 -"), std::string::npos);
}

TEST_F(OrderPDFCreaterTest, SignatureIsOneCellInThePdfAndFollowsTheLatestDrawing)
{
    auto order = sampleOrder(1);
    auto built = build(order);
    auto& c = *built.creater;
    auto frame = c.signatureValue->frame();
    EXPECT_NEAR(frame.origin.x, 722.9333, 0.01);
    EXPECT_EQ(frame.size.width, 192);
    EXPECT_EQ(frame.size.height, 132);

    auto unsigned_ = c.generatePDFToData();
    expectValid(*unsigned_, 1);
    // The signature area's middle is blank before signing.
    double x = frame.origin.x + 96, y = frame.origin.y + 40;
    EXPECT_EQ(PdfReadBack::pixelAt(*unsigned_, 1, x, y), 0xFFFFFFu);

    c.signatureBlock(nullptr);
    EXPECT_FALSE(c.hasEditsignature);
    EXPECT_FALSE(order->signature);

    c.signatureBlock(scribble(CGSizeMake(400, 200)));
    EXPECT_TRUE(c.hasEditsignature);
    ASSERT_TRUE(order->signature);
    auto shown = c.signatureValue->image();
    ASSERT_TRUE(shown);
    EXPECT_LE(shown->size().width, 192);
    EXPECT_LE(shown->size().height, 132);
    EXPECT_TRUE(SkinManager::string2Image(order->signature));

    auto signed_ = c.generatePDFToData();
    expectValid(*signed_, 1);
    auto pixel = PdfReadBack::pixelAt(*signed_, 1, x, y);
    ASSERT_TRUE(pixel);
    EXPECT_LT(*pixel & 0xFF, 0x40u);

    int cells = 0;
    for (const auto& page : *c.cellsPageArray)
        for (const auto& cell : *page)
            cells += cell->tagOfCell == OrderPDFCreater::kSignatureCellTag;
    EXPECT_EQ(cells, 1);
}

TEST_F(OrderPDFCreaterTest, StoredSignatureShowsInTheNextPreview)
{
    auto order = sampleOrder(1);
    order->signature = SkinManager::image2String(scribble(CGSizeMake(192, 132)));
    auto built = build(order);
    EXPECT_TRUE(built.creater->signatureValue->image());

    order->signature = std::string("not base64 at all");
    auto broken = build(order);
    EXPECT_FALSE(broken.creater->signatureValue->image());
    expectValid(*broken.creater->generatePDFToData(), 1);
}

TEST_F(OrderPDFCreaterTest, NoOrderLeavesThePreviewEmptyAndThePdfOnePage)
{
    OrderPDFCreater creater(nullptr, CGSizeMake(1024, 1448), {});
    auto scroll = std::make_shared<UIScrollView>(CGRectMake(0, 0, 100, 100));
    creater.generatePdfInScrollView(scroll);
    EXPECT_TRUE(scroll->subviews().empty());
    auto pdf = creater.generatePDFToData();
    expectValid(*pdf, 1);
}

TEST_F(OrderPDFCreaterTest, HardInputStillMakesAValidPdf)
{
    auto order = sampleOrder(0);
    order->customerName = std::string(600, 'W');
    order->setCustomerNote(std::string(2000, 'n'));
    order->number = std::nullopt;
    order->mdate = std::nullopt;
    order->city = std::string("深圳市南山区科技园高新南一道飞亚达大厦十八楼");
    order->items.push_back(line(std::string(500, 'x') + " 中文产品名称", 1, -5, -5));
    order->items.push_back(line("灯具", 3, 99.5, 80, std::string("颜色:红色,尺寸:大")));
    auto missingProduct = line("No image", 1, 10, 10);
    missingProduct->product = std::make_shared<corvelle_product_Entity>();
    missingProduct->product->product_id = 987654;
    order->items.push_back(missingProduct);
    for (int i = 0; i < 1000; ++i)
        order->items.push_back(line("Bulk " + std::to_string(i), 1, 1, 1));
    auto built = build(order);
    auto pdf = built.creater->generatePDFToData();
    expectValid(*pdf, built.creater->currentPage());
    EXPECT_GT(built.creater->currentPage(), 60);
    EXPECT_NE(PdfReadBack::pageText(*pdf, 1).find("深圳市"), std::string::npos);
    EXPECT_TRUE(stringCell(*built.creater, "Order No.: "));
}

TEST_F(OrderPDFCreaterTest, AnUnbrokenNoteCostsWorkInProportionToItsLength)
{
    // The shaper's work for the whole document, preview and PDF: four times
    // the note is about four times the work of the note. Measuring the rest
    // of the word again for every line would make it sixteen.
    auto workFor = [](size_t length) {
        auto order = sampleOrder(1);
        order->setCustomerNote(std::string(length, 'W'));
        const size_t before = ShapingWorkCharacters();
        auto built = build(order);
        auto pdf = built.creater->generatePDFToData();
        EXPECT_FALSE(pdf->empty());
        // The whole note is there, wrapped to about a line per fifty letters.
        std::shared_ptr<CVPDFCreaterStringCell> note;
        for (const auto& page : *built.creater->cellsPageArray)
            for (const auto& cell : *page)
                if (auto s = std::dynamic_pointer_cast<CVPDFCreaterStringCell>(cell);
                    s && s->text && s->text->find(std::string(length, 'W')) != std::string::npos)
                    note = s;
        EXPECT_TRUE(note) << length;
        if (note) {
            EXPECT_GT(note->textHeightForWidth(note->frameInLine.size.width), CGFloat(length) / 100 * 10) << length;
        }
        return ShapingWorkCharacters() - before;
    };
    const size_t shortNote = workFor(5000);
    const size_t longNote = workFor(20000);
    EXPECT_GT(shortNote, 5000u);
    EXPECT_GT(longNote, 20000u);
    EXPECT_LT(longNote, 5 * shortNote) << "5,000 characters: " << shortNote << ", 20,000: " << longNote;
}

TEST_F(OrderPDFCreaterTest, EachTextIsLaidOutOnceHoweverLongAndHoweverOftenItIsDrawn)
{
    // An unbroken text in the note: measuring it for its row, drawing the
    // preview and writing the PDF use one layout of it, as every other text
    // of the document has one; drawing both again lays out nothing.
    auto order = sampleOrder(1);
    order->setCustomerNote(std::string(20000, 'W'));
    const size_t before = CVPDFCreaterStringCell::layoutsMade();
    auto built = build(order);
    ASSERT_TRUE(UIViewRenderToImage(*built.scroll));
    auto pdf = built.creater->generatePDFToData();
    ASSERT_FALSE(pdf->empty());
    const size_t made = CVPDFCreaterStringCell::layoutsMade() - before;
    size_t texts = 0;
    bool noteFound = false;
    for (const auto& page : *built.creater->cellsPageArray)
        for (const auto& cell : *page)
            if (auto s = std::dynamic_pointer_cast<CVPDFCreaterStringCell>(cell); s && s->text && s->textFont) {
                ++texts;
                noteFound = noteFound || s->text->size() > 20000;
            }
    EXPECT_TRUE(noteFound);
    EXPECT_EQ(made, texts);

    ASSERT_TRUE(UIViewRenderToImage(*built.scroll));
    built.creater->generatePDFToData();
    EXPECT_EQ(CVPDFCreaterStringCell::layoutsMade() - before, made);
}
