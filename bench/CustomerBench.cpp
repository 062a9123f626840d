// The customer list's bulk paths for 1,000 to 10,000 customers with three
// contacts each: grouping by name (pinyin initials), by contact, by state and
// by phone, and both searches. Beside them runs the floor of the same size:
// copying every summary and sorting the names, the least any grouping that
// files copies of the summaries under sorted keys must do. The complexity
// fits report how each grows with the number of customers.

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Customer/CustomerTable.h"
#include "Network/Protocol/LoginMode.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::shared_ptr<customer_attribute_cell_Entity> attribute(const char* field, std::string value)
{
    auto a = std::make_shared<customer_attribute_cell_Entity>();
    a->fieldName = std::string(field);
    a->attributeValue = std::move(value);
    return a;
}

// Deterministic customers: Chinese and Latin names, a state of twelve, a phone
// for two in three, an address and three contacts each.
std::vector<std::shared_ptr<PersonInfo>> makeCustomers(int count)
{
    const char* surnames[] = { "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙" };
    const char* given[] = { "伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳" };
    const char* latin[] = { "Anna", "Tomas", "Lena", "Marco", "Olga", "Pieter", "Ruth", "Sven" };
    const char* states[]
        = { "New York", "Texas", "Ohio", "Utah", "北京", "上海", "广东", "浙江", "Bavaria", "Lazio", "Kent", "" };
    std::vector<std::shared_ptr<PersonInfo>> persons;
    persons.reserve(static_cast<size_t>(count));
    unsigned seed = 20261210;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
    for (int i = 0; i < count; ++i) {
        auto p = std::make_shared<PersonInfo>();
        p->pid = i % 50 == 0 ? -(i + 1) : i + 1;
        if (i % 3 == 0)
            p->name = std::string(latin[next() % 8]) + " Trading " + std::to_string(i);
        else
            p->name = std::string(surnames[next() % 12]) + given[next() % 12] + "贸易公司" + std::to_string(i);
        p->attribute = std::make_shared<EntityList<customer_attribute_cell_Entity>>();
        if (i % 3 != 2)
            p->attribute->push_back(attribute("Phone", "555-" + std::to_string(1000 + i)));
        p->attribute->push_back(attribute("Active", "YES"));
        p->attribute->push_back(attribute("State/Province/Region", states[next() % 12]));
        p->address = std::make_shared<EntityList<corvelle_customer_address_Entity>>();
        auto address = std::make_shared<corvelle_customer_address_Entity>();
        address->customerAddress = std::to_string(i) + " Market Street";
        address->customerCity = "Springfield";
        p->address->push_back(address);
        p->contact = std::make_shared<EntityList<corvelle_customer_contact_entity>>();
        for (int c = 0; c < 3; ++c) {
            auto contact = std::make_shared<corvelle_customer_contact_entity>();
            contact->first_name = std::string(latin[next() % 8]);
            contact->last_name = c == 2 ? std::string(surnames[next() % 12]) : std::string(latin[next() % 8]) + "son";
            contact->email = "c" + std::to_string(i) + "_" + std::to_string(c) + "@example.test";
            p->contact->push_back(contact);
        }
        persons.push_back(std::move(p));
    }
    return persons;
}

void Grouping(benchmark::State& state, int type)
{
    const auto persons = makeCustomers(static_cast<int>(state.range(0)));
    CustomerTable::GroupDictionary groups;
    CustomerTable::GroupOrder order;
    for (auto _ : state) {
        CustomerTable::buildGroups(persons, type, groups, order);
        benchmark::DoNotOptimize(order.data());
    }
    state.SetComplexityN(state.range(0));
}

void BM_GroupByName(benchmark::State& state) { Grouping(state, 0); }
void BM_GroupByContact(benchmark::State& state) { Grouping(state, 1); }
void BM_GroupByState(benchmark::State& state) { Grouping(state, 2); }
void BM_GroupByPhone(benchmark::State& state) { Grouping(state, 3); }

// The floor: a copy of every summary and a sort of their names.
void BM_FloorCopyAndSortNames(benchmark::State& state)
{
    const auto persons = makeCustomers(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::vector<std::shared_ptr<PersonInfo>> copies;
        copies.reserve(persons.size());
        for (const auto& p : persons)
            copies.push_back(p->copy());
        std::sort(copies.begin(), copies.end(), [](const auto& a, const auto& b) { return *a->name < *b->name; });
        benchmark::DoNotOptimize(copies.data());
    }
    state.SetComplexityN(state.range(0));
}

// The searches run over the cache of a signed-in client with an empty database.
struct SearchSetUp {
    TemporaryHome home;
    SearchSetUp()
    {
        auto session = LoginMode::sharedInstance();
        session->setClientID("Bench");
        session->setAcountID("bench01");
    }
};

std::shared_ptr<CustomerDataModel> modelWith(int count)
{
    static SearchSetUp setUp;
    auto model = CustomerDataModel::sharedInstance();
    model->setAllSearchPersonList(makeCustomers(count));
    return model;
}

void BM_SearchByCustomer(benchmark::State& state)
{
    auto model = modelWith(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(model->customerSearch(std::string("trading 12")));
    state.SetComplexityN(state.range(0));
}

void BM_SearchByContact(benchmark::State& state)
{
    auto model = modelWith(static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(model->customerSearchByContact(std::string("anna son")));
    state.SetComplexityN(state.range(0));
}

#define CUSTOMER_SIZES ->Arg(1000)->Arg(2000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity()

BENCHMARK(BM_FloorCopyAndSortNames) CUSTOMER_SIZES;
BENCHMARK(BM_GroupByName) CUSTOMER_SIZES;
BENCHMARK(BM_GroupByContact) CUSTOMER_SIZES;
BENCHMARK(BM_GroupByState) CUSTOMER_SIZES;
BENCHMARK(BM_GroupByPhone) CUSTOMER_SIZES;
BENCHMARK(BM_SearchByCustomer) CUSTOMER_SIZES;
BENCHMARK(BM_SearchByContact) CUSTOMER_SIZES;

}  // namespace
