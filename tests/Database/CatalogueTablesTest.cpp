#include "DatabaseFixture.h"

#include "Classes/Frame/PublicFunction.h"

#include <functional>

namespace {

std::shared_ptr<corvelle_product_Entity> product(
    int id, const char* sku, const char* name, int publish = 1, const char* tags = nullptr)
{
    auto p = std::make_shared<corvelle_product_Entity>();
    p->product_id = id;
    p->product_sku = sku ? std::optional<std::string>(sku) : std::nullopt;
    p->product_name = name;
    p->product_publish = publish;
    p->product_tags = tags ? std::optional<std::string>(tags) : std::nullopt;
    return p;
}

template <typename T, typename... Args> std::shared_ptr<T> make(Args... args)
{
    return std::make_shared<T>(T { args... });
}

std::shared_ptr<corvelle_tag_entity> tag(int id, const char* name)
{
    auto t = std::make_shared<corvelle_tag_entity>();
    t->tag_id = id;
    t->tag_name = name;
    return t;
}

class CatalogueTables : public DatabaseFixture {
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        ASSERT_TRUE(dam()->saveToDatabaseProduct(EntityList<corvelle_product_Entity> {
            product(1, "A", "beta", 1, "red,,blue,"),
            product(2, "B", "Alpha"),
            product(3, "Acme_3", "gamma"),
            product(4, "D", "hidden", 0),
            product(5, "E", "gone", -1),
            product(6, "F", "no tags"),
        }));
    }
    std::vector<int> ids(const EntityList<corvelle_product_Entity>& products)
    {
        std::vector<int> out;
        for (const auto& p : products)
            out.push_back(p->product_id);
        return out;
    }
};

TEST_F(CatalogueTables, ProductReadsAndThePlaceholderSku)
{
    auto m = dam();
    EXPECT_EQ(m->getProductByProductId(3)->product_sku, "");
    EXPECT_EQ(m->getProductByProductSKU(std::string("Acme_3"))->product_sku, "Acme_3");
    EXPECT_EQ(m->getProductByProductId(4), nullptr);
    EXPECT_EQ(m->productmodel()->getAllProductByProductId(4)->product_id, 4);
    EXPECT_EQ(ids(m->getAllProducts()).size(), 4u);

    struct Case {
        int productId;
        std::vector<std::string> tags;
    };
    for (const auto& c : { Case { 1, { "red", "", "blue", "" } }, Case { 4, { "" } }, Case { 6, {} } })
        EXPECT_EQ(m->getAllTagsByProductID(c.productId), c.tags) << c.productId;
}

TEST_F(CatalogueTables, SearchBindsItsTextAndKeepsContainsMeaning)
{
    auto m = dam();
    struct Case {
        std::string text;
        std::vector<int> found;
    };
    const Case cases[] = {
        { "a", { 2, 1, 3, 6 } },  // by name: Alpha, beta, gamma, no tags
        { "BLU", { 1 } },
        { "' or 1=1 --", {} },
        { "x' union select * from corvelle_product --", {} },
        { "", { 2, 1, 3, 6 } },
        // Typed "%", "_" and "\\" are characters to find, not patterns.
        { "%", {} },
        { "a_p", {} },  // not "Alpha"
        { "a%", {} },
        { "\\", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ids(m->getProductsBySearchString(c.text)), c.found) << c.text;
}

TEST_F(CatalogueTables, CategoryLinksAndUncategorisedProducts)
{
    auto m = dam();
    using X = corvelle_product_category_xref_Entity;
    ASSERT_TRUE(m->saveToDatabasePxrefC(EntityList<X> { make<X>(9, 1), make<X>(0, 2) }));
    ASSERT_TRUE(m->saveToDatabasePxrefC(EntityList<X> { make<X>(1, 1), make<X>(2, 1) }));
    EXPECT_EQ(m->getCategoryIDsByProductid(1), (std::vector<std::string> { "1", "2" }));
    EXPECT_EQ(ids(m->getProductsByCategory_id(-1)), (std::vector<int> { 2 }));
    EXPECT_TRUE(m->getProductsByCategory_id(0).empty());
    EXPECT_EQ(ids(m->getProductsByCategory_id(2)), (std::vector<int> { 1 }));
}

TEST_F(CatalogueTables, SavingAProductClearsItsAttributes)
{
    auto m = dam();
    using A = corvelle_product_attribute_Entity;
    using F = corvelle_fields_product_attribute_Entity;
    ASSERT_TRUE(m->saveToDatabaseFieldsProductAttribute(
        EntityList<F> { make<F>(7, std::string("Colour"), std::nullopt, std::nullopt, 1, 1) }));
    ASSERT_TRUE(m->saveToDatabaseProductAttribute(
        EntityList<A> { make<A>(1, 1, 7, std::string("Red|Blue"), std::string("Red")) }));
    EXPECT_EQ(
        scalar("select attribute_value || '/' || selection_list from corvelle_product_attribute"), "Red/Red|Blue");
    auto cells = m->getProductAttributeByProductId(1);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0]->fieldName, "Colour");
    EXPECT_EQ(cells[0]->attributeList, "Red|Blue");
    ASSERT_TRUE(m->saveToDatabaseProduct(EntityList<corvelle_product_Entity> { product(1, "A", "beta") }));
    EXPECT_TRUE(m->getProductAttributeByProductId(1).empty());
    EXPECT_FALSE(m->saveToDatabaseProduct(std::nullopt));
}

TEST_F(CatalogueTables, TagsGroupTheirPublishedProducts)
{
    auto m = dam();
    using T = corvelle_tag_entity;
    using L = corvelle_product_related_tag_Entity;
    ASSERT_TRUE(m->saveToDatabaseProductTag(EntityList<T> { tag(1, "red"), tag(2, "lonely") }));
    ASSERT_TRUE(m->saveToDatabaseProductRelatedTag(EntityList<L> { make<L>(1, 1), make<L>(2, 1), make<L>(4, 1) }));
    auto tags = m->getAllProductTags();
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(tags[0]->products, (std::vector<int> { 1, 2 }));
    EXPECT_TRUE(tags[1]->products.empty());
    EXPECT_EQ(m->getTagsByProductID(4).size(), 1u);
    ASSERT_TRUE(m->saveToDatabaseProductTag(EntityList<T> {}));
    EXPECT_TRUE(m->getAllProductTags().empty());
}

TEST_F(CatalogueTables, RelatedProductsAreBoundAsAList)
{
    auto m = dam();
    using R = corvelle_product_related_Entity;
    ASSERT_TRUE(m->saveToDatabaseProductrelated(EntityList<R> {
        make<R>(1, std::string("A,B,D")), make<R>(2, std::string("A")), make<R>(6, std::string("x') or ('1'='1")) }));
    auto related = m->getrelatedProductIDsByProductid(1);
    ASSERT_TRUE(related);
    EXPECT_EQ(ids(*related), (std::vector<int> { 2, 1 }));
    EXPECT_FALSE(m->getrelatedProductIDsByProductid(2));
    EXPECT_FALSE(m->getrelatedProductIDsByProductid(9));
    ASSERT_TRUE(m->getrelatedProductIDsByProductid(6));
    EXPECT_TRUE(m->getrelatedProductIDsByProductid(6)->empty());
}

TEST_F(CatalogueTables, DiscountIsInForceOnlyBetweenItsDates)
{
    auto clock = ManualClock::install(1'800'000'000.0);
    const double now = 1'800'000'000.0;
    struct Case {
        double price;
        std::optional<double> start;
        std::optional<double> end;
        bool inForce;
    };
    const Case cases[] = {
        { 10, now - 3600, now + 3600, true },
        { 10, now - 3600, now - 1, false },
        { 10, now + 1, now + 3600, false },
        { 10, std::nullopt, std::nullopt, false },
        { -1, now - 3600, now + 3600, false },
    };
    auto m = dam();
    for (const auto& c : cases) {
        auto p = std::make_shared<corvelle_product_price_Entity>();
        p->price_id = 1;
        p->product_id = 1;
        p->price = c.price;
        p->discount_price = 8;
        p->currency = "USD";
        if (c.start)
            p->discount_start_date = Date { *c.start };
        if (c.end)
            p->discount_end_date = Date { *c.end };
        ASSERT_TRUE(m->saveToDatabasePrice(EntityList<corvelle_product_price_Entity> { p }));
        auto read = m->getPriceEntityByProductId(1);
        EXPECT_EQ(read->discount_flag, c.inForce) << c.price;
        EXPECT_EQ(read->strDiscountPrice(), c.price < 0 ? "" : "$8.00");
    }
    auto none = m->getPriceEntityByProductId(99);
    EXPECT_FALSE(none->discount_flag);
    EXPECT_FALSE(none->currency);
}

// The prices of a whole list in one read give each product the record its
// own read gives: of several rows the one with the highest id, a discount in
// force only inside its dates, and an empty record without any row.
TEST_F(CatalogueTables, PricesOfAListReadAsEachProductsOwnRead)
{
    const double now = PublicFunction::currentTimeInterval();
    auto price = [&](int priceId, int productId, double amount, double start, double end, const char* currency) {
        auto p = std::make_shared<corvelle_product_price_Entity>();
        p->price_id = priceId;
        p->product_id = productId;
        p->price = amount;
        p->discount_price = amount / 2;
        p->currency = currency;
        p->discount_start_date = Date { start };
        p->discount_end_date = Date { end };
        p->tier_quantity_price = std::string("10:") + std::to_string(priceId);
        return p;
    };
    auto m = dam();
    // Product 2's rows are saved highest id first, so neither the order of
    // saving nor of reading can pass for "the last row". Twenty more products
    // make the table big enough that a short list is looked up by its ids and
    // a list of most of the table is read by going through the table.
    EntityList<corvelle_product_price_Entity> rows {
        price(1, 1, 10, now - 60, now + 60, "USD"),
        price(9, 2, 30, now - 60, now - 1, "EUR"),
        price(4, 2, 20, now - 60, now + 60, "CNY"),
        price(7, 3, -1, now - 60, now + 60, "USD"),
    };
    std::vector<int> most { 3, 1, 2, 99, 1 };
    for (int product = 100; product < 120; ++product) {
        rows.push_back(price(product, product, product, now - 60, now + 60, "USD"));
        most.push_back(product);
    }
    ASSERT_TRUE(m->saveToDatabasePrice(rows));
    std::vector<int> few { 3, 1, 2, 99, 1 };
    for (const auto* ids : { &few, &most }) {
        SCOPED_TRACE(ids->size());
        auto all = m->getPriceEntitiesByProductIds(*ids);
        EXPECT_EQ(all.size(), ids->size() - 1);
        for (int id : *ids) {
            SCOPED_TRACE(id);
            auto own = m->getPriceEntityByProductId(id);
            ASSERT_TRUE(all[id]);
            const auto& listed = *all[id];
            EXPECT_EQ(listed.price_id, own->price_id);
            EXPECT_EQ(listed.product_id, own->product_id);
            EXPECT_EQ(listed.price, own->price);
            EXPECT_EQ(listed.discount_price, own->discount_price);
            EXPECT_EQ(listed.currency, own->currency);
            EXPECT_EQ(listed.tier_quantity_price, own->tier_quantity_price);
            EXPECT_EQ(listed.discount_flag, own->discount_flag);
            EXPECT_EQ(listed.strPrice(), own->strPrice());
        }
        EXPECT_EQ(all[2]->price_id, 9);
        EXPECT_FALSE(all[2]->discount_flag) << "the standing row's discount has ended";
        EXPECT_TRUE(all[1]->discount_flag);
        EXPECT_FALSE(all[99]->currency);
    }
    EXPECT_TRUE(m->getPriceEntitiesByProductIds({}).empty());
}

TEST_F(CatalogueTables, CategoryTreeReadsAndCyclesEnd)
{
    auto m = dam();
    auto category = [](int id, const char* name, int parent, int publish = 1) {
        auto c = std::make_shared<corvelle_category_Entity>();
        c->category_id = id;
        c->category_name = name;
        c->category_parent_id = parent;
        c->category_publish = publish;
        return c;
    };
    ASSERT_TRUE(m->saveToDatabaseCategory(EntityList<corvelle_category_Entity> { category(1, "Bikes", 0),
        category(2, "apparel", 0), category(3, "hidden", 1, 0), category(4, "Road", 1),
        // A cycle from the server: 10 -> 11 -> 10, and 12 its own parent.
        category(10, "Loop A", 11), category(11, "Loop B", 10), category(12, "Self", 12),
        category(13, "Under loop", 10) }));
    auto names = [](const EntityList<corvelle_category_Entity>& list) {
        std::vector<std::string> out;
        for (const auto& c : list)
            out.push_back(c->category_name.value_or(""));
        return out;
    };
    EXPECT_EQ(names(m->getCategoryWithParentCategoryid(0)),
        (std::vector<std::string> { "apparel", "Bikes", "Loop A", "Loop B", "Self" }));
    EXPECT_EQ(names(m->getCategoryWithParentCategoryid(1)), (std::vector<std::string> { "Road" }));
    EXPECT_EQ(m->getParentCategoryId(3), 1);
    EXPECT_EQ(m->getCategoryWithCategoryid(3)->category_id, 0);

    // Every walk up and down ends.
    for (int start : { 10, 11, 12, 13, 4 }) {
        int id = start;
        int steps = 0;
        while (id != 0 && steps < 50) {
            id = m->getParentCategoryId(id);
            ++steps;
        }
        EXPECT_LT(steps, 50) << start;
    }
    std::function<int(int, int)> walkDown = [&](int id, int depth) {
        if (depth > 50)
            return depth;
        int deepest = depth;
        for (const auto& child : m->getCategoryWithParentCategoryid(id))
            deepest = std::max(deepest, walkDown(child->category_id, depth + 1));
        return deepest;
    };
    EXPECT_LT(walkDown(0, 0), 50);
    EXPECT_EQ(names(m->getCategoryWithParentCategoryid(10)), (std::vector<std::string> { "Under loop" }));
    // A category on a loop reads as top level; one hanging below a loop keeps its parent.
    for (auto [id, parent] :
        std::vector<std::pair<int, int>> { { 4, 1 }, { 1, 0 }, { 10, 0 }, { 11, 0 }, { 12, 0 }, { 13, 10 }, { 99, 0 } })
        EXPECT_EQ(m->getParentCategoryId(id), parent) << id;
}

TEST_F(CatalogueTables, LibraryCategoryParentsEndOnLoops)
{
    auto m = dam();
    auto category = [](int id, int parent) {
        auto c = std::make_shared<corvelle_library_category_Entity>();
        c->categoryID = id;
        c->name = "C" + std::to_string(id);
        c->published = id != 3;
        c->parent_id = parent;
        return c;
    };
    ASSERT_TRUE(m->saveToDatabaseLibraryCategory(EntityList<corvelle_library_category_Entity> { category(1, 0),
        category(2, 1), category(3, 2), category(10, 11), category(11, 10), category(12, 12), category(13, 10) }));
    // An unpublished category still links its children upwards.
    for (auto [id, parent] : std::vector<std::pair<int, int>> {
             { 1, 0 }, { 2, 1 }, { 3, 2 }, { 10, 0 }, { 11, 0 }, { 12, 0 }, { 13, 10 }, { 99, 0 } })
        EXPECT_EQ(m->getLibParentCategoryIDByCategoryID(id), parent) << id;
}

TEST_F(CatalogueTables, ImagesAndTheTopBarIcon)
{
    auto m = dam();
    auto image = [](int id, int key, int isDefault, int publish, const char* thumb) {
        auto i = std::make_shared<corvelle_image_Entity>();
        i->image_id = id;
        i->key_id = key;
        i->image_isdault = isDefault;
        i->image_publis = publish;
        i->image_thumb_address = thumb ? std::optional<std::string>(thumb) : std::nullopt;
        i->image_full_address = "full.png";
        return i;
    };
    ASSERT_TRUE(m->saveToDatabaseImage(EntityList<corvelle_image_Entity> {
        image(1, 1, 0, 1, "a.png"), image(2, 1, 0, 1, nullptr), image(3, 2, 1, 0, "c.png") }));
    ASSERT_TRUE(m->saveToDatabaseImage(EntityList<corvelle_image_Entity> { image(1, 1, 0, 1, "a2.png") }));
    EXPECT_EQ(m->getImageByKeyId(1), nullptr);
    EXPECT_EQ(m->getManyImageByKeyId(1).size(), 2u);
    EXPECT_EQ(m->getImageByKeyId(2), nullptr);
    auto published = m->getPublishImages(true);
    ASSERT_EQ(published.size(), 2u);
    EXPECT_EQ(published[0]["imageThumb"].stringValue(), "a2.png");
    EXPECT_FALSE(published[1].contains("imageThumb"));

    auto icon = std::make_shared<corvelle_icon_Entity>();
    icon->_id = 1;
    icon->title = "top bar";
    icon->name = "topbar.png";
    icon->publish = 1;
    ASSERT_TRUE(m->saveToDatabaseIcon(EntityList<corvelle_icon_Entity> { icon }));
    EXPECT_EQ(m->getFullImagePathByTitle(std::string("top bar")), "topbar.png");
    EXPECT_EQ(m->getFullImagePathByTitle(std::string("")), std::nullopt);
    EXPECT_EQ(m->getAllIconAddress(), (std::vector<std::string> { "topbar.png" }));
}

TEST_F(CatalogueTables, FavouritesAndCompareHoldAProductOnce)
{
    auto m = dam();
    EXPECT_TRUE(m->saveToDatabaseFavoriteSkuName(3, std::string("Acme_3"), std::string("gamma")));
    EXPECT_FALSE(m->saveToDatabaseFavoriteSkuName(3, std::string("Acme_3"), std::string("gamma")));
    EXPECT_TRUE(m->saveToDatabaseFavoriteSkuName(5, std::string("E"), std::string("gone")));
    EXPECT_TRUE(m->saveToDatabaseFavoriteSkuName(77, std::string("M"), std::string("missing")));
    auto favorites = m->getFavorites();
    ASSERT_EQ(favorites.size(), 1u);
    EXPECT_EQ(favorites[0]->product_sku, "");
    EXPECT_EQ(m->getFavoriteByFavoriteId(3)->product_sku, "Acme_3");

    for (int id : { 3, 5, 77 })
        EXPECT_TRUE(m->saveToDatabaseCompareSkuName(id, std::string("s"), std::string("n")));
    EXPECT_FALSE(m->saveToDatabaseCompareSkuName(3, std::string("s"), std::string("n")));
    std::vector<int> compared;
    for (const auto& c : m->getCompares())
        compared.push_back(c->product_id);
    EXPECT_EQ(compared, (std::vector<int> { 3, 77 }));
    m->deleteSingleCompareByCompareId(1000);
    m->deleteSingleFavoriteByFavoriteId(3);
    EXPECT_EQ(m->getFavoriteByFavoriteId(3), nullptr);
}

TEST_F(CatalogueTables, LibraryFilesSearchOnlyKnownOrderingsAndRelatedFiles)
{
    auto m = dam();
    auto file = [](int id, const char* title, int category, int published) {
        auto f = std::make_shared<corvelle_library_files_Entity>();
        f->file_id = id;
        f->title = title;
        f->file_name = std::string(title) + ".pdf";
        f->category = category;
        f->published = published;
        return f;
    };
    ASSERT_TRUE(m->saveToDatabaseLibraryFiles(EntityList<corvelle_library_files_Entity> {
        file(1, "beta", 0, 1), file(2, "Alpha", 5, 1), file(3, "gamma's", 5, 0) }));
    auto category = std::make_shared<corvelle_library_category_Entity>();
    category->categoryID = 5;
    category->name = "Docs";
    category->published = 0;
    ASSERT_TRUE(m->saveToDatabaseLibraryCategory(EntityList<corvelle_library_category_Entity> { category }));
    EXPECT_EQ(m->getLibFilesBysearchNameOrderBy(std::string(""), std::string("title")).size(), 2u);
    EXPECT_EQ(m->getLibFilesBysearchNameOrderBy(std::string("'"), std::string("title")).size(), 0u);
    EXPECT_EQ(m->getLibFilesBysearchNameOrderBy(std::string("%"), std::string("title")).size(), 0u);
    EXPECT_EQ(m->getLibFilesBysearchNameOrderBy(std::string("_eta"), std::string("title")).size(), 0u);
    EXPECT_TRUE(
        m->getLibFilesBysearchNameOrderBy(std::string(""), std::string("title; drop table corvelle_library_files"))
            .empty());
    EXPECT_EQ(m->getAllLibFiles().size(), 2u);
    EXPECT_TRUE(m->getLibraryFilesByCategory_id(5).empty());
    EXPECT_EQ(m->getLibFilesBycatalogId(5).size(), 1u);
    EXPECT_EQ(m->getTitleByFileName(std::string("beta.pdf")), "beta");

    using L = corvelle_product_related_files_Entity;
    ASSERT_TRUE(m->saveToDatabaseProductRelatedFile(
        EntityList<L> { make<L>(1, std::string("A"), 1), make<L>(1, std::string("A"), 2) }));
    EXPECT_FALSE(m->saveToDatabaseProductRelatedFile(EntityList<L> {}));
    EXPECT_EQ(m->getProductRelatedFilesByProductId(1).size(), 2u);
}

TEST_F(CatalogueTables, LibraryFavouritesHoldAFileOnce)
{
    auto m = dam();
    EXPECT_EQ(m->getLibraryFavoriteByFavoriteId(4), nullptr) << "nothing before any file was marked";
    m->deleteLibraryFavoriteByFavoriteId(4);
    ASSERT_TRUE(m->saveToDatabaseLibraryFavoriteName(4, std::string("a.pdf")));
    ASSERT_TRUE(m->saveToDatabaseLibraryFavoriteName(4, std::string("b.pdf")));
    auto favourite = m->getLibraryFavoriteByFavoriteId(4);
    ASSERT_NE(favourite, nullptr);
    EXPECT_EQ(favourite->file_name, "b.pdf");
    EXPECT_EQ(scalar("select count(*) from corvelle_library_favorite"), "1");
    m->deleteLibraryFavoriteByFavoriteId(4);
    EXPECT_EQ(m->getLibraryFavoriteByFavoriteId(4), nullptr);
}

}  // namespace
