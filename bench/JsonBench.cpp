// Decoding and encoding a synthetic 20 MB product-synchronisation reply with
// our codec, and the same text with RapidJSON, simdjson and nlohmann-json for
// comparison. Each benchmark reports bytes per second of JSON text; the
// interleaved ones also the minimum and median of their rounds and the speed
// relative to RapidJSON's, by wall time and by the thread's CPU time, and the
// decoding one the memory each tree holds.

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
#include <memory>
#include <optional>
#include <string>
#include <time.h>
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
    for (auto _ : state) {
        QDJsonParser parser;
        auto value = parser.objectWithString(text);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_QDJsonEncode(benchmark::State& state)
{
    const std::string& text = syncReply();
    Value value = *QDJsonParser().objectWithString(text);
    for (auto _ : state) {
        QDJsonWriter writer;
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

// Rounds per interleaved benchmark: enough for a steady median on a loaded machine.
constexpr int kRounds = 15;

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// The wall time and the thread's CPU time of each round of one side. On a
// loaded machine the CPU time leaves out the time the thread waited for a core,
// so its ratio holds where the wall time's wanders.
struct Rounds {
    std::vector<double> wall;
    std::vector<double> cpu;

    struct Watch {
        std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
        double cpu = threadCpuSeconds();
    };
    // Adds the time since `watch` started, plus `earlier` (another timed part of the same round).
    void add(const Watch& watch, const Rounds* earlier = nullptr)
    {
        wall.push_back(secondsSince(watch.wall) + (earlier ? earlier->wall.back() : 0));
        cpu.push_back(threadCpuSeconds() - watch.cpu + (earlier ? earlier->cpu.back() : 0));
    }
    static double least(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

    void report(benchmark::State& state, const std::string& name) const
    {
        state.counters[name + "_median_ms"] = median(wall) * 1e3;
        state.counters[name + "_min_ms"] = least(wall) * 1e3;
        state.counters[name + "_cpu_median_ms"] = median(cpu) * 1e3;
        state.counters[name + "_cpu_min_ms"] = least(cpu) * 1e3;
    }
    // Speed relative to `peer`'s (1 is as fast), by the median and by the minimum.
    void reportSpeed(benchmark::State& state, const std::string& name, const Rounds& peer) const
    {
        state.counters[name] = median(peer.wall) / median(wall);
        state.counters[name + "_min"] = least(peer.wall) / least(wall);
        state.counters[name + "_cpu"] = median(peer.cpu) / median(cpu);
        state.counters[name + "_cpu_min"] = least(peer.cpu) / least(cpu);
    }
};

// The heap each decoder's tree holds, measured once, outside the timed rounds:
// reading the heap's figures tidies its free lists, which would shape the time
// of the decode that follows.
void measureTrees(const std::string& text, size_t& ourTree, size_t& rapidTree)
{
    size_t before = heapInUse();
    {
        auto value = QDJsonParser().objectWithString(text);
        ourTree = heapInUse() - before;
    }
    before = heapInUse();
    rapidjson::Document document;
    document.Parse(text.c_str(), text.size());
    rapidTree = heapInUse() - before;
}

// Each round decodes the text with each parser in turn and frees the tree,
// so every parser sees the same cache and heap state. Our parser and
// RapidJSON's document are both made afresh in each round, and the release
// of each tree is timed on its own: the speed ratios are given for the decode
// alone and for the decode with the tree's release.
void BM_DecodeBesideRapidJsonAndSimdjson(benchmark::State& state)
{
    const std::string& text = syncReply();
    const simdjson::padded_string padded(text);
    simdjson::dom::parser simd;
    Rounds ours, rapid, simdRounds, oursWithRelease, rapidWithRelease;
    size_t ourTree = 0, rapidTree = 0;
    measureTrees(text, ourTree, rapidTree);
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            Rounds::Watch watch;
            std::optional<Value> value;
            {
                QDJsonParser parser;
                value = parser.objectWithString(text);
            }
            ours.add(watch);
            if (!value) {
                state.SkipWithError("our parser refused the text");
                return;
            }
            watch = {};
            value.reset();
            oursWithRelease.add(watch, &ours);

            watch = {};
            auto document = std::make_unique<rapidjson::Document>();
            document->Parse(text.c_str(), text.size());
            rapid.add(watch);
            if (document->HasParseError()) {
                state.SkipWithError("RapidJSON refused the text");
                return;
            }
            watch = {};
            document.reset();
            rapidWithRelease.add(watch, &rapid);

            watch = {};
            simdjson::dom::element element;
            auto error = simd.parse(padded).get(element);
            simdRounds.add(watch);
            if (error) {
                state.SkipWithError("simdjson refused the text");
                return;
            }
        }
        state.SetIterationTime(median(ours.wall));
    }
    const double megabytes = static_cast<double>(text.size()) / (1024.0 * 1024.0);
    ours.report(state, "ours");
    rapid.report(state, "rapidjson");
    simdRounds.report(state, "simdjson");
    oursWithRelease.report(state, "ours_with_release");
    rapidWithRelease.report(state, "rapidjson_with_release");
    state.counters["ours_MB_per_s"] = megabytes / median(ours.wall);
    ours.reportSpeed(state, "ours_to_rapidjson_speed", rapid);
    oursWithRelease.reportSpeed(state, "ours_to_rapidjson_speed_with_release", rapidWithRelease);
    state.counters["ours_to_simdjson_speed"] = median(simdRounds.wall) / median(ours.wall);
    // Tree memory relative to RapidJSON's tree's.
    state.counters["ours_tree_MB"] = static_cast<double>(ourTree) / (1024.0 * 1024.0);
    state.counters["rapidjson_tree_MB"] = static_cast<double>(rapidTree) / (1024.0 * 1024.0);
    state.counters["ours_to_rapidjson_memory"] = static_cast<double>(ourTree) / static_cast<double>(rapidTree);
}

// Each round writes the same reply from our tree and from RapidJSON's, in
// turn, each writer made afresh and each output a new buffer.
void BM_EncodeBesideRapidJson(benchmark::State& state)
{
    const std::string& text = syncReply();
    const Value value = *QDJsonParser().objectWithString(text);
    rapidjson::Document document;
    document.Parse(text.c_str(), text.size());
    Rounds ours, rapid;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            Rounds::Watch watch;
            {
                QDJsonWriter writer;
                auto out = writer.stringWithObject(value);
                benchmark::DoNotOptimize(out);
                ours.add(watch);
            }
            watch = {};
            {
                rapidjson::StringBuffer buffer;
                rapidjson::Writer<rapidjson::StringBuffer> rapidWriter(buffer);
                document.Accept(rapidWriter);
                benchmark::DoNotOptimize(buffer.GetString());
                rapid.add(watch);
            }
        }
        state.SetIterationTime(median(ours.wall));
    }
    ours.report(state, "ours");
    rapid.report(state, "rapidjson");
    ours.reportSpeed(state, "ours_to_rapidjson_speed", rapid);
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
