// The table commands read their replies from the text, one table element at a
// time, instead of from a tree of the whole reply. Whatever the text, the
// reply they give must be the one the parsed tree gives: the same status and
// message, the same records with every column, none for a refused reply.
// Text of an unusual form may be left to the tree; text of the form servers
// send must not be, or the large replies would still be held whole.

#include "Network/Protocol/QDJSON.h"
#include "Network/Protocol/SyncCommands.h"
#include "Network/Protocol/TableReplyText.h"
#include "ProtocolTestServices.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

namespace {

// Every column of every record, in order.
template <typename Record> void describeAll(std::ostream& out, const char* name, const std::vector<Record>& records)
{
    out << name << ' ' << records.size() << ':';
    for (const auto& record : records) {
        out << " {";
        RecordColumns::forEach<Record>([&](const auto& c) {
            const auto& value = record.*c.member;
            using Member = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<Member, std::optional<std::string>>)
                out << (value ? "\"" + *value + "\"" : std::string("nil"));
            else if constexpr (std::is_same_v<Member, std::optional<Date>>)
                out << (value ? std::to_string(value->secondsSince1970) : std::string("nil"));
            else if constexpr (std::is_same_v<Member, Date>)
                out << value.secondsSince1970;
            else if constexpr (std::is_same_v<Member, double>)
                out << std::hexfloat << value << std::defaultfloat;
            else
                out << value;
            out << ',';
        });
        out << '}';
    }
    out << '\n';
}

std::string describe(const std::shared_ptr<NetBaseRst>& reply)
{
    if (!reply)
        return "(none)";
    std::ostringstream out;
    out << reply->status.value_or("nil") << '|' << reply->message.value_or("nil") << '|'
        << reply->detail.value_or("nil") << '\n';
    if (auto p = std::dynamic_pointer_cast<SyncAllTableRst>(reply)) {
        describeAll(out, "products", p->productTable);
        describeAll(out, "attributes", p->productAttributeTable);
        describeAll(out, "fields", p->fieldsAttributeTable);
        describeAll(out, "related files", p->productRelatedFilesTable);
        describeAll(out, "links", p->productCategoryXrefTable);
        describeAll(out, "prices", p->productPriceTable);
        describeAll(out, "related", p->productRelatedTable);
        describeAll(out, "images", p->imagesTable);
        describeAll(out, "categories", p->categoryTable);
        describeAll(out, "tags", p->productTagTable);
        describeAll(out, "tag links", p->productRelateTagTable);
    } else if (auto f = std::dynamic_pointer_cast<SyncFileTableRst>(reply)) {
        describeAll(out, "files", f->libFileTable);
        describeAll(out, "categories", f->libCategoryTable);
        out << "replaced:";
        for (const auto& id : f->libFileUpdateTable)
            out << ' ' << id;
        out << "\nfull " << f->isFull.value_or("nil") << '\n';
    } else if (auto c = std::dynamic_pointer_cast<SyncCustomerTableRst>(reply)) {
        describeAll(out, "customers", c->customerTable);
        describeAll(out, "attributes", c->customerAttributeTable);
        describeAll(out, "fields", c->fieldsAttributeTable);
        describeAll(out, "addresses", c->customerAddressTable);
        describeAll(out, "contacts", c->customerContactTable);
    }
    return out.str();
}

// What the front door made of a reply before: the whole text parsed, a tree
// that is not an object taken as no reply.
std::shared_ptr<NetBaseRst> fromTree(RequestInterfaceBase& command, const std::string& text)
{
    std::optional<Value> reply = JSONValue(text);
    if (reply && !reply->isDictionary())
        reply.reset();
    return command.RequestDecodeTaking(std::move(reply));
}

const std::string kResults = R"("results":[{"status":"200","message":"srv","detail":"d"}])";

const std::string kProducts
    = R"([[{"productID":"7","productName":"Chair \"Oak\" \u00e9","productStock":5,"productParentList":[3,"7"],)"
      R"("price":"12.5","discountStartDate":1400000000.5,"relatedSKUList":"A,B",)"
      R"("attributes":[{"attributeId":1,"attributeValue":"red"},"skip"],)"
      R"("images":[{"imageID":4,"fullAddress":"c.jpg","thumbAddress":"c_t.jpg"}]},)"
      R"("not an object",{"productID":8,"productName":"A long product name past any inline text"},)"
      R"({"productID":9,"attributes":[[1,[2,{"x":"]}"}]]],"images":[]}],)"
      R"([{"categoryID":2,"categoryName":"Seats"},"5"],[{"fieldId":3}],[{"productId":7,"fileId":9}],)"
      R"([{"id":1,"tagName":"new"}],[{"tagId":1,"productId":7}]])";

}  // namespace

TEST(TableReplyText, EveryTextGivesTheReplyTheParsedTreeGives)
{
    ProtocolTestServices services;
    RequestSyncAllTable products;
    RequestSyncFileTable files;
    files.isFull = "false";
    RequestSyncCustomerTable customers;
    const std::string customerContent = R"([[{"customerId":5,"customerName":"Acme",)"
                                        R"("attributes":[{"attributeValue":"gold"}]}],[],)"
                                        R"([{"id":1,"customer_id":5,"city":"Lyon"}],)"
                                        R"([{"contactId":2,"customerId":5,"firstName":"Ann"}]])";
    const std::string deep = std::string(600, '[') + std::string(600, ']');
    const std::string nearLimit = std::string(508, '[') + std::string(508, ']');
    const std::string overLimit = std::string(509, '[') + std::string(509, ']');
    struct Case {
        const char* what;
        RequestInterfaceBase& command;
        std::string text;
        // Whether the text is of the form servers send, which must be read from the text.
        bool plain;
    };
    const Case cases[] = {
        { "products", products, R"({"content":)" + kProducts + "," + kResults + "}", true },
        { "status first, spaced out", products,
            " \n{ " + kResults + " ,\t\"content\" :\r\n" + kProducts + " , \"more\":{\"a\":[1]} }\n", true },
        { "a key spelled with an escape", products, R"({"cont\u0065nt":)" + kProducts + "," + kResults + "}", true },
        { "results twice, the later counts", products,
            R"({"results":[{"status":"999"}],"content":)" + kProducts + "," + kResults + "}", true },
        { "status refused", products, R"({"content":)" + kProducts + R"(,"results":[{"status":"402","message":"no"}]})",
            true },
        { "no results", products, R"({"content":)" + kProducts + "}", true },
        { "empty object", products, "{}", true },
        { "too few tables", products, R"({"content":[[{"productID":1}],[]],)" + kResults + "}", true },
        { "a table an object", products, R"({"content":[[{"productID":1}],[],{"a":1},[],[],[]],)" + kResults + "}",
            true },
        { "a table a text", products, R"({"content":[[{"productID":1}],[],"x",[],[],[]],)" + kResults + "}", true },
        { "content an object", products, R"({"content":{"a":[]},)" + kResults + "}", true },
        { "content a text", products, R"({"content":"[]",)" + kResults + "}", true },
        { "content empty", products, R"({"content":[],)" + kResults + "}", true },
        { "elements past the tables", products,
            R"({"content":[[{"productID":1}],[],[],[],[],[],{"x":1},[2]],)" + kResults + "}", true },
        { "nested near the depth limit", products,
            R"({"content":[[{"productID":1,"x":)" + nearLimit + R"(}],[],[],[],[],[]],)" + kResults + "}", true },
        // Forms left to the tree; the reply must still be the tree's.
        { "nested past the depth limit", products,
            R"({"content":[[{"productID":1,"x":)" + overLimit + R"(}],[],[],[],[],[]],)" + kResults + "}", false },
        { "nested far past the limit", products,
            R"({"content":[[{"productID":1,"x":)" + deep + R"(}],[],[],[],[],[]],)" + kResults + "}", false },
        { "a number in a table", products, R"({"content":[[{"productID":1},7],[],[],[],[],[]],)" + kResults + "}",
            false },
        { "a number beside content", products, R"({"content":)" + kProducts + R"(,"n":1,)" + kResults + "}", false },
        { "content twice", products,
            R"({"content":[[{"productID":1}],[],[],[],[],[]],"content":)" + kProducts + "," + kResults + "}", false },
        { "no comma between tables", products, R"({"content":[[{"productID":1}] [],[],[],[],[]],)" + kResults + "}",
            false },
        { "trailing comma in a table", products, R"({"content":[[{"productID":1},],[],[],[],[],[]],)" + kResults + "}",
            false },
        { "cut part of the way", products, R"({"content":)" + kProducts.substr(0, kProducts.size() / 2), false },
        { "cut in a string", products, R"({"content":[[{"productID":"1)", false },
        { "garbage after", products, R"({"content":)" + kProducts + "," + kResults + "}x", false },
        { "a zero byte ends the text", products,
            R"({"content":)" + kProducts + "," + kResults + "}" + std::string(1, '\0') + "garbage", true },
        { "a zero byte inside", products,
            R"({"content":[[{"productID":1}])" + std::string(1, '\0') + "],[],[],[],[],[]]," + kResults + "}", false },
        { "an array", products, "[" + kProducts + "]", false },
        { "bad escape in an element", products, R"({"content":[[{"productID":"\q"}],[],[],[],[],[]],)" + kResults + "}",
            false },
        { "not JSON", products, "<html>", false },
        { "empty", products, "", false },
        { "files", files,
            R"({"content":[[{"id":1,"fileName":"f.pdf"},"3"],[{"cateID":3,"cateName":"Brochures"}],{"keyIDS":"4,5"}],)"
                + kResults + "}",
            true },
        { "files without replaced ones", files, R"({"content":[[{"id":5}],[]],)" + kResults + "}", true },
        { "replaced files a text", files, R"({"content":[[{"id":5}],[],"5,9"],)" + kResults + "}", true },
        { "replaced files then more", files, R"({"content":[[{"id":5}],[],{"keyIDS":"5"},7],)" + kResults + "}",
            false },
        { "customers", customers, R"({"content":)" + customerContent + "," + kResults + "}", true },
        { "customers without contacts", customers, R"({"content":[[{"customerId":4}],[],[]],)" + kResults + "}", true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string expected = describe(fromTree(c.command, c.text));
        auto read = c.command.RequestDecodeText(c.text);
        if (c.plain) {
            EXPECT_TRUE(read) << "left to the tree";
        }
        if (read) {
            EXPECT_EQ(describe(read), expected);
        }
    }
}

// A reply cut part of the way gives no records at all, though the text
// reader had met whole products before the cut.
TEST(TableReplyText, AReplyThatBreaksPartOfTheWayGivesNoRecords)
{
    ProtocolTestServices services;
    size_t seen = 0;
    const std::string cut = R"({"content":)" + kProducts.substr(0, kProducts.rfind("],[")) + "]]";
    auto read = TableReplyText::read(
        cut, 6, [&](size_t, const Value&) { ++seen; }, [](size_t, const Value&) {});
    EXPECT_FALSE(read);
    EXPECT_GT(seen, 0u);

    RequestSyncAllTable products;
    std::shared_ptr<NetBaseRst> reply = products.RequestDecodeText(cut);
    if (!reply)
        reply = fromTree(products, cut);
    auto tables = std::dynamic_pointer_cast<SyncAllTableRst>(reply);
    ASSERT_TRUE(tables);
    EXPECT_EQ(tables->status, "115");
    EXPECT_TRUE(tables->productTable.empty() && tables->imagesTable.empty() && tables->productPriceTable.empty());
}
