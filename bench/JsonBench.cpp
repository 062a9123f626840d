// Decoding and encoding a synthetic 20 MB product-synchronisation reply with
// our codec, and the same text with RapidJSON and nlohmann-json for comparison.
// Each benchmark reports bytes per second of JSON text.

#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <string>

namespace {

// A reply shaped like the product tables: products with prices, attributes and
// images, as a server sends them (numbers mostly as texts, some as numbers).
const std::string& syncReply()
{
    static const std::string text = [] {
        std::string s = R"({"content":[[)";
        int id = 0;
        while (s.size() < 20u * 1024 * 1024) {
            if (id)
                s += ',';
            ++id;
            std::string n = std::to_string(id);
            s += R"({"productID":")" + n + R"(","productName":"Product \u00e9 )" + n
                + R"(","productSKU":"SKU-)" + n + R"(","productDesc":"A sturdy chair of oak, with a \"curved\" back\/arm rests.",)"
                + R"("productStock":)" + n + R"(,"publish":"1","price":)" + std::to_string(id % 1000) + R"(.25,"currency":"USD",)"
                + R"("discountStartDate":1400000000.5,"discount_percentage":0.15,"productParentList":[3,"7",12],)"
                + R"("attributes":[{"attributeId":1,"attributeFieldsId":2,"attributeValue":"red","defaultValue":null},)"
                + R"({"attributeId":2,"attributeFieldsId":3,"attributeValue":"large","defaultValue":"small"}],)"
                + R"("images":[{"imageID":)" + n + R"(,"fullAddress":"img/)" + n + R"(.jpg","isDefault":true,"imagePublish":1}]})";
        }
        s += R"(]],"results":[{"detail":"","message":"ok","status":"200"}]})";
        return s;
    }();
    return text;
}

void BM_QDJsonDecode(benchmark::State& state)
{
    const std::string& text = syncReply();
    QDJsonParser parser;
    for (auto _ : state) {
        auto value = parser.objectWithString(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_QDJsonEncode(benchmark::State& state)
{
    const std::string& text = syncReply();
    Value value = *QDJsonParser().objectWithString(text);
    QDJsonWriter writer;
    for (auto _ : state) {
        auto out = writer.stringWithObject(value);
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_RapidJsonDecode(benchmark::State& state)
{
    const std::string& text = syncReply();
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.c_str(), text.size());
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_RapidJsonEncode(benchmark::State& state)
{
    const std::string& text = syncReply();
    rapidjson::Document document;
    document.Parse(text.c_str(), text.size());
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        document.Accept(writer);
        benchmark::DoNotOptimize(buffer.GetString());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_NlohmannDecode(benchmark::State& state)
{
    const std::string& text = syncReply();
    for (auto _ : state) {
        auto value = nlohmann::ordered_json::parse(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_NlohmannEncode(benchmark::State& state)
{
    const std::string& text = syncReply();
    auto value = nlohmann::ordered_json::parse(text);
    for (auto _ : state) {
        auto out = value.dump();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

}  // namespace

BENCHMARK(BM_QDJsonDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NlohmannDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QDJsonEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NlohmannEncode)->Unit(benchmark::kMillisecond);
