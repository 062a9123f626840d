// Pinyin spelling of 100,000 customer names (GBK bytes in, pinyin out, as the
// customer list groups them), beside the floor of the same names' bare iconv
// conversion from UTF-8 to GBK that the list does first. The ratio of the two
// times says what the spelling adds on top of the encoding step.

#include "Classes/Frame/Pinyin.h"

#include <benchmark/benchmark.h>

#include <iconv.h>

#include <string>
#include <vector>

namespace {

// Deterministic names: a common surname, one or two given-name characters,
// and every tenth name a Latin one.
const std::vector<std::string>& names()
{
    static const std::vector<std::string> list = [] {
        const char* surnames[] = { "王", "李", "张", "刘", "陈", "杨", "黄", "赵", "吴", "周", "徐", "孙", "马", "朱",
            "胡", "郭", "何", "高", "林", "罗" };
        const char* given[] = { "伟", "芳", "娜", "敏", "静", "丽", "强", "磊", "军", "洋", "勇", "艳", "杰", "娟",
            "涛", "明", "超", "秀", "霞", "平", "刚", "桂", "英", "华" };
        const char* latin[] = { "Anna Berg", "Tomas Vidal", "Lena Okafor", "Marco Rossi" };
        std::vector<std::string> out;
        out.reserve(100000);
        unsigned seed = 12345;
        auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7fff; };
        for (int i = 0; i < 100000; ++i) {
            if (i % 10 == 9) {
                out.push_back(std::string(latin[next() % 4]) + " " + std::to_string(i));
                continue;
            }
            std::string name = surnames[next() % 20];
            name += given[next() % 24];
            if (next() % 2)
                name += given[next() % 24];
            out.push_back(name);
        }
        return out;
    }();
    return list;
}

std::string toGBK(iconv_t cd, const std::string& utf8)
{
    std::string out(utf8.size() + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.resize(out.size() - outLeft);
    return out;
}

const std::vector<std::string>& gbkNames()
{
    static const std::vector<std::string> list = [] {
        iconv_t cd = iconv_open("GBK", "UTF-8");
        std::vector<std::string> out;
        out.reserve(names().size());
        for (auto& n : names())
            out.push_back(toGBK(cd, n));
        iconv_close(cd);
        return out;
    }();
    return list;
}

// Floor: the encoding step alone.
void BM_IconvNamesToGBK(benchmark::State& state)
{
    const auto& list = names();
    iconv_t cd = iconv_open("GBK", "UTF-8");
    for (auto _ : state) {
        size_t bytes = 0;
        for (auto& n : list)
            bytes += toGBK(cd, n).size();
        benchmark::DoNotOptimize(bytes);
    }
    iconv_close(cd);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(list.size()));
}

void BM_GBKStringToPinyin(benchmark::State& state)
{
    const auto& list = gbkNames();
    for (auto _ : state) {
        size_t bytes = 0;
        for (auto& n : list)
            bytes += GBKStringToPinyin(n).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(list.size()));
}

// What the customer list does per name: encode, spell, take the initial.
void BM_NameInitialThroughGBK(benchmark::State& state)
{
    const auto& list = names();
    iconv_t cd = iconv_open("GBK", "UTF-8");
    for (auto _ : state) {
        unsigned sum = 0;
        for (auto& n : list) {
            std::string pinyin = GBKStringToPinyin(toGBK(cd, n));
            sum += pinyin.empty() ? 0u : static_cast<unsigned char>(pinyin[0]);
        }
        benchmark::DoNotOptimize(sum);
    }
    iconv_close(cd);
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(list.size()));
}

}

BENCHMARK(BM_IconvNamesToGBK)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GBKStringToPinyin)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NameInitialThroughGBK)->Unit(benchmark::kMillisecond);
