// Decoding and encoding a synthetic 20 MB product-synchronisation reply with
// our codec, and the same text with RapidJSON, simdjson and nlohmann-json for
// comparison. Each benchmark reports bytes per second of JSON text; the
// interleaved ones also the minimum and median of their rounds and the speed
// relative to RapidJSON's, and the decoding one the memory each tree holds.

#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"
#include "bench/support/Rounds.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>
#include <simdjson.h>

#include <algorithm>
#include <chrono>
#include <malloc.h>
#include <string>
#include <vector>

namespace {

using BenchRounds::median;
using BenchRounds::secondsSince;

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
            s += R"({"productID":")" + n + R"(","productName":"Product \u00e9 )" + n + R"(","productSKU":"SKU-)" + n
                + R"(","productDesc":"A sturdy chair of oak, with a \"curved\" back\/arm rests.",)"
                + R"("productStock":)" + n + R"(,"publish":"1","price":)" + std::to_string(id % 1000)
                + R"(.25,"currency":"USD",)"
                + R"("discountStartDate":1400000000.5,"discount_percentage":0.15,"productParentList":[3,"7",12],)"
                + R"("attributes":[{"attributeId":1,"attributeFieldsId":2,"attributeValue":"red","defaultValue":null},)"
                + R"({"attributeId":2,"attributeFieldsId":3,"attributeValue":"large","defaultValue":"small"}],)"
                + R"("images":[{"imageID":)" + n + R"(,"fullAddress":"img/)" + n
                + R"(.jpg","isDefault":true,"imagePublish":1}]})";
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
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
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
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_RapidJsonDecode(benchmark::State& state)
{
    const std::string& text = syncReply();
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.c_str(), text.size());
        benchmark::DoNotOptimize(document);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
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
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_NlohmannDecode(benchmark::State& state)
{
    const std::string& text = syncReply();
    for (auto _ : state) {
        auto value = nlohmann::ordered_json::parse(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_NlohmannEncode(benchmark::State& state)
{
    const std::string& text = syncReply();
    auto value = nlohmann::ordered_json::parse(text);
    for (auto _ : state) {
        auto out = value.dump();
        benchmark::DoNotOptimize(out);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

size_t heapInUse()
{
    auto info = mallinfo2();
    return info.uordblks + info.hblkhd;  // small blocks and mapped ones
}

// Each round decodes the text with each parser in turn and frees the tree,
// so every parser sees the same cache and heap state.
void BM_DecodeBesideRapidJsonAndSimdjson(benchmark::State& state)
{
    const std::string& text = syncReply();
    const simdjson::padded_string padded(text);
    QDJsonParser parser;
    simdjson::dom::parser simd;
    std::vector<double> ours, rapid, simdTimes;
    size_t ourTree = 0, rapidTree = 0;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            size_t before = heapInUse();
            auto start = std::chrono::steady_clock::now();
            {
                auto value = parser.objectWithString(text);
                ours.push_back(secondsSince(start));
                ourTree = heapInUse() - before;
                if (!value) {
                    state.SkipWithError("our parser refused the text");
                    return;
                }
            }
            before = heapInUse();
            start = std::chrono::steady_clock::now();
            {
                rapidjson::Document document;
                document.Parse(text.c_str(), text.size());
                rapid.push_back(secondsSince(start));
                rapidTree = heapInUse() - before;
                if (document.HasParseError()) {
                    state.SkipWithError("RapidJSON refused the text");
                    return;
                }
            }
            start = std::chrono::steady_clock::now();
            simdjson::dom::element element;
            auto error = simd.parse(padded).get(element);
            simdTimes.push_back(secondsSince(start));
            if (error) {
                state.SkipWithError("simdjson refused the text");
                return;
            }
        }
        state.SetIterationTime(median(ours));
    }
    const double megabytes = static_cast<double>(text.size()) / (1024.0 * 1024.0);
    state.counters["ours_min_ms"] = *std::min_element(ours.begin(), ours.end()) * 1e3;
    state.counters["ours_median_ms"] = median(ours) * 1e3;
    state.counters["rapidjson_min_ms"] = *std::min_element(rapid.begin(), rapid.end()) * 1e3;
    state.counters["rapidjson_median_ms"] = median(rapid) * 1e3;
    state.counters["simdjson_min_ms"] = *std::min_element(simdTimes.begin(), simdTimes.end()) * 1e3;
    state.counters["simdjson_median_ms"] = median(simdTimes) * 1e3;
    state.counters["ours_MB_per_s"] = megabytes / median(ours);
    // Speed relative to RapidJSON's (1 is as fast) and tree memory relative to its tree's.
    state.counters["ours_to_rapidjson_speed"] = median(rapid) / median(ours);
    state.counters["ours_to_simdjson_speed"] = median(simdTimes) / median(ours);
    state.counters["ours_tree_MB"] = static_cast<double>(ourTree) / (1024.0 * 1024.0);
    state.counters["rapidjson_tree_MB"] = static_cast<double>(rapidTree) / (1024.0 * 1024.0);
    state.counters["ours_to_rapidjson_memory"] = static_cast<double>(ourTree) / static_cast<double>(rapidTree);
}

// Each round writes the same reply from our tree and from RapidJSON's, in turn.
void BM_EncodeBesideRapidJson(benchmark::State& state)
{
    const std::string& text = syncReply();
    const Value value = *QDJsonParser().objectWithString(text);
    rapidjson::Document document;
    document.Parse(text.c_str(), text.size());
    QDJsonWriter writer;
    std::vector<double> ours, rapid;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            auto start = std::chrono::steady_clock::now();
            {
                auto out = writer.stringWithObject(value);
                benchmark::DoNotOptimize(out);
                ours.push_back(secondsSince(start));
            }
            start = std::chrono::steady_clock::now();
            {
                rapidjson::StringBuffer buffer;
                rapidjson::Writer<rapidjson::StringBuffer> rapidWriter(buffer);
                document.Accept(rapidWriter);
                benchmark::DoNotOptimize(buffer.GetString());
                rapid.push_back(secondsSince(start));
            }
        }
        state.SetIterationTime(median(ours));
    }
    state.counters["ours_min_ms"] = *std::min_element(ours.begin(), ours.end()) * 1e3;
    state.counters["ours_median_ms"] = median(ours) * 1e3;
    state.counters["rapidjson_min_ms"] = *std::min_element(rapid.begin(), rapid.end()) * 1e3;
    state.counters["rapidjson_median_ms"] = median(rapid) * 1e3;
    state.counters["ours_to_rapidjson_speed"] = median(rapid) / median(ours);
}

}  // namespace

BENCHMARK(BM_DecodeBesideRapidJsonAndSimdjson)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeBesideRapidJson)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QDJsonDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NlohmannDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QDJsonEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RapidJsonEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NlohmannEncode)->Unit(benchmark::kMillisecond);
