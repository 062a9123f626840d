// Builds the pinyin tables of the GBK character set at build time: for every
// double-byte GBK code, the character it stands for (by iconv) and that
// character's customary Mandarin reading (the first kMandarin value of the
// Unicode Han database), without tone marks. Writes a C++ source holding the
// alphabetical syllable table and the 126 x 191 index table, and refuses to
// write anything when a row the application relies on reads wrongly.
//
// A compatibility ideograph without a reading of its own reads as the unified
// ideograph it is canonically equivalent to (UnicodeData.txt).
//
// Usage: PinyinTableGenerator <Unihan_Readings.txt.bz2> <UnicodeData.txt> <overrides.txt> <output.cpp>

#include <bzlib.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int leadCount = 126;  // 0x81 .. 0xFE
constexpr int trailCount = 191;  // 0x40 .. 0xFE

bool readCompressed(const char* path, std::string& text)
{
    FILE* file = std::fopen(path, "rb");
    if (!file) {
        std::cerr << "cannot open " << path << ": " << std::strerror(errno) << "\n";
        return false;
    }
    int error = BZ_OK;
    BZFILE* bz = BZ2_bzReadOpen(&error, file, 0, 0, nullptr, 0);
    char buffer[65536];
    while (error == BZ_OK) {
        int n = BZ2_bzRead(&error, bz, buffer, sizeof buffer);
        if (n > 0 && (error == BZ_OK || error == BZ_STREAM_END))
            text.append(buffer, size_t(n));
    }
    bool ok = error == BZ_STREAM_END;
    BZ2_bzReadClose(&error, bz);
    std::fclose(file);
    if (!ok)
        std::cerr << "cannot decompress " << path << "\n";
    return ok;
}

// "zhōng" -> "zhong", "lǜ" -> "lv": tone marks dropped, u with diaeresis as v.
bool toneless(const std::string& reading, std::string& out)
{
    static const std::map<std::string, char> marked = {
        { "ā", 'a' },
        { "á", 'a' },
        { "ǎ", 'a' },
        { "à", 'a' },
        { "ē", 'e' },
        { "é", 'e' },
        { "ě", 'e' },
        { "è", 'e' },
        { "ê", 'e' },
        { "ế", 'e' },
        { "ề", 'e' },
        { "ī", 'i' },
        { "í", 'i' },
        { "ǐ", 'i' },
        { "ì", 'i' },
        { "ō", 'o' },
        { "ó", 'o' },
        { "ǒ", 'o' },
        { "ò", 'o' },
        { "ū", 'u' },
        { "ú", 'u' },
        { "ǔ", 'u' },
        { "ù", 'u' },
        { "ü", 'v' },
        { "ǖ", 'v' },
        { "ǘ", 'v' },
        { "ǚ", 'v' },
        { "ǜ", 'v' },
        { "ń", 'n' },
        { "ň", 'n' },
        { "ǹ", 'n' },
        { "ḿ", 'm' },
        { "m̀", 'm' },
    };
    out.clear();
    for (size_t i = 0; i < reading.size();) {
        auto c = static_cast<unsigned char>(reading[i]);
        if (c < 0x80) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<unsigned char>(c - 'A' + 'a');
            if (c < 'a' || c > 'z')
                return false;
            out += char(c);
            ++i;
            continue;
        }
        bool found = false;
        for (auto& [text, letter] : marked) {
            if (reading.compare(i, text.size(), text) == 0) {
                out += letter;
                i += text.size();
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return !out.empty();
}

// Code point -> toneless reading, from the kMandarin lines.
bool readReadings(const std::string& text, std::map<uint32_t, std::string>& readings)
{
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("U+", 0) != 0)
            continue;
        auto tab1 = line.find('\t');
        auto tab2 = tab1 == std::string::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string::npos || line.compare(tab1 + 1, tab2 - tab1 - 1, "kMandarin") != 0)
            continue;
        uint32_t code = uint32_t(std::stoul(line.substr(2, tab1 - 2), nullptr, 16));
        std::string value = line.substr(tab2 + 1);
        // The first value is the customary reading in the mainland.
        value = value.substr(0, value.find(' '));
        std::string plain;
        if (!toneless(value, plain)) {
            std::cerr << "unreadable reading " << value << " of U+" << std::hex << code << std::dec << "\n";
            return false;
        }
        readings[code] = plain;
    }
    return !readings.empty();
}

// Singleton canonical decompositions: compatibility ideograph -> unified ideograph.
bool readEquivalents(const char* path, std::map<uint32_t, uint32_t>& equivalents)
{
    std::ifstream in(path);
    if (!in) {
        std::cerr << "cannot open " << path << "\n";
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        std::string field;
        while (std::getline(split, field, ';'))
            fields.push_back(field);
        if (fields.size() < 6 || fields[5].empty() || fields[5][0] == '<' || fields[5].find(' ') != std::string::npos)
            continue;
        equivalents[uint32_t(std::stoul(fields[0], nullptr, 16))] = uint32_t(std::stoul(fields[5], nullptr, 16));
    }
    return !equivalents.empty();
}

// Lines "U+884C hang": characters whose reading the application fixes.
bool readOverrides(const char* path, std::map<uint32_t, std::string>& readings)
{
    std::ifstream in(path);
    if (!in) {
        std::cerr << "cannot open " << path << "\n";
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string code, reading;
        fields >> code >> reading;
        if (code.rfind("U+", 0) != 0 || reading.empty()) {
            std::cerr << "bad override line: " << line << "\n";
            return false;
        }
        readings[uint32_t(std::stoul(code.substr(2), nullptr, 16))] = reading;
    }
    return true;
}

// The one code point a GBK double-byte code stands for, or 0.
uint32_t codePointOf(iconv_t cd, unsigned char lead, unsigned char trail)
{
    char in[2] = { char(lead), char(trail) };
    uint32_t out[2] = { 0, 0 };
    char* inPtr = in;
    size_t inLeft = 2;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0)
        return 0;
    if (sizeof out - outLeft != 4)
        return 0;
    return out[0];
}

}

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::cerr << "usage: " << argv[0] << " Unihan_Readings.txt.bz2 UnicodeData.txt overrides.txt output.cpp\n";
        return 2;
    }
    const char* outputPath = argv[4];
    std::string text;
    std::map<uint32_t, std::string> readings;
    std::map<uint32_t, uint32_t> equivalents;
    if (!readCompressed(argv[1], text) || !readReadings(text, readings) || !readEquivalents(argv[2], equivalents)
        || !readOverrides(argv[3], readings))
        return 1;

    iconv_t cd = iconv_open("UTF-32LE", "GBK");
    if (cd == iconv_t(-1)) {
        std::cerr << "iconv has no GBK\n";
        return 1;
    }
    std::vector<std::string> cells(leadCount * trailCount);
    std::set<std::string> syllables;
    for (int l = 0; l < leadCount; ++l) {
        for (int t = 0; t < trailCount; ++t) {
            uint32_t code = codePointOf(cd, static_cast<unsigned char>(0x81 + l), static_cast<unsigned char>(0x40 + t));
            auto it = code ? readings.find(code) : readings.end();
            if (it == readings.end()) {
                if (auto e = equivalents.find(code); e != equivalents.end())
                    it = readings.find(e->second);
            }
            if (it == readings.end())
                continue;
            cells[static_cast<size_t>(l * trailCount + t)] = it->second;
            syllables.insert(it->second);
        }
    }
    iconv_close(cd);

    std::vector<std::string> table = { "" };
    table.insert(table.end(), syllables.begin(), syllables.end());
    std::map<std::string, int> position;
    size_t longest = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        position[table[i]] = int(i);
        longest = std::max(longest, table[i].size());
    }
    if (longest > 6) {
        std::cerr << "a reading is longer than the table's 6 letters\n";
        return 1;
    }

    // Rows the application relies on, several of them characters with more
    // than one reading.
    struct Check {
        unsigned char lead, trail;
        const char* reading;
    };
    const Check checks[] = { { 0xD6, 0xD0, "zhong" }, { 0xCE, 0xC4, "wen" }, { 0xC6, 0xB4, "pin" },
        { 0xD2, 0xF4, "yin" }, { 0xB3, 0xA4, "zhang" }, { 0xD0, 0xD0, "hang" }, { 0xD6, 0xD8, "zhong" } };
    for (auto& c : checks) {
        const std::string& got = cells[static_cast<size_t>((c.lead - 0x81) * trailCount + (c.trail - 0x40))];
        if (got != c.reading) {
            std::cerr << std::hex << "0x" << int(c.lead) << " 0x" << int(c.trail) << std::dec << " reads \"" << got
                      << "\", not \"" << c.reading << "\"\n";
            return 1;
        }
    }

    size_t known = 0;
    std::ostringstream out;
    out << "// Generated by tools/pinyin/PinyinTableGenerator from the Unicode Han database; do not edit.\n\n"
        << "#include \"Classes/Frame/PinyinTables.h\"\n\n"
        << "const int GBKPinyinSyllableCount = " << table.size() << ";\n\n"
        << "const char GBKPinyinSyllables[" << table.size() << "][GBKPinyinSyllableSize] = {\n";
    for (size_t i = 0; i < table.size(); ++i)
        out << "    \"" << table[i] << "\",\n";
    out << "};\n\n"
        << "const int16_t GBKPinyinIndex[GBKPinyinLeadCount][GBKPinyinTrailCount] = {\n";
    for (int l = 0; l < leadCount; ++l) {
        out << "    {";
        for (int t = 0; t < trailCount; ++t) {
            const std::string& reading = cells[static_cast<size_t>(l * trailCount + t)];
            int p = reading.empty() ? 0 : position[reading];
            known += p != 0;
            out << p << (t + 1 < trailCount ? "," : "");
        }
        out << "},\n";
    }
    out << "};\n";

    std::string tmp = std::string(outputPath) + ".tmp";
    {
        std::ofstream file(tmp, std::ios::binary | std::ios::trunc);
        file << out.str();
        if (!file) {
            std::cerr << "cannot write " << tmp << "\n";
            return 1;
        }
    }
    if (std::rename(tmp.c_str(), outputPath) != 0) {
        std::cerr << "cannot write " << outputPath << "\n";
        return 1;
    }
    std::cout << "pinyin tables: " << table.size() << " syllables, " << known << " of " << leadCount * trailCount
              << " GBK codes with a reading\n";
    return 0;
}
