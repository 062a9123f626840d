#include "Platform/Foundation/PropertyList.h"

#include "Platform/Foundation/NSDateTimeZone.h"
#include "Platform/Foundation/NSFileManager.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>
#include <plist/plist.h>

namespace {

// ValueDictionary's default constructor cannot be used outside Value.cpp
// (its index type is incomplete here); copying the empty one can.
ValueDictionary emptyDictionary() { return Value().dictionaryValue(); }

// Dates in property lists count from 2001-01-01 00:00:00 UTC.
constexpr double referenceDate1970 = 978307200.0;
// Deeper nesting than this is taken as hostile input, not data.
constexpr int maximumDepth = 512;

struct NodeDeleter {
    void operator()(void* node) const
    {
        if (node)
            plist_free(node);
    }
};
using Node = std::unique_ptr<void, NodeDeleter>;

bool isValidUTF8(std::string_view text)
{
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c == 0)
            return false;
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        uint32_t codePoint;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            codePoint = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            codePoint = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            codePoint = c & 0x07;
        } else {
            return false;
        }
        if (i + length > n)
            return false;
        for (size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        static const uint32_t smallest[] = { 0, 0, 0x80, 0x800, 0x10000 };
        if (codePoint < smallest[length] || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool failWith(std::string* error, std::string message)
{
    if (error)
        *error = std::move(message);
    return false;
}

// An integer node that the library writes as unsigned: it only makes one when
// it reads an unsigned number too large for a signed one.
Node bigUnsignedNode(uint64_t value)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><integer>"
        + std::to_string(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &node);
    return Node(node);
}

bool isUIDDictionary(const Value& value)
{
    if (!value.isDictionary() || value.count() != 1)
        return false;
    const Value* uid = value.find("CF$UID");
    return uid && uid->isInteger() && (uid->isUnsigned() || uid->longLongValue() >= 0);
}

// The library's date calls take and give 32-bit seconds from 2001 (1933 to
// 2069), though it keeps and encodes 64-bit seconds. Dates beyond that range
// go in and out through the library's XML text of the date, to the second.
constexpr int64_t earliestDateYear = 1;
constexpr int64_t latestDateYear = 9999;

Node farDateNode(double secondsSince1970)
{
    auto seconds = static_cast<int64_t>(std::floor(secondsSince1970));
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int64_t inDay = seconds - days * 86400;
    auto ymd = CivilTime::civilFromDays(days);
    if (ymd.year < earliestDateYear || ymd.year > latestDateYear)
        return nullptr;
    char xml[160];
    int length = std::snprintf(xml, sizeof xml,
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><date>%04" PRId64 "-%02d-%02dT%02d:%02d:%02dZ</date></plist>",
        ymd.year, ymd.month, ymd.day, static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
        static_cast<int>(inDay % 60));
    plist_t node = nullptr;
    plist_from_xml(xml, static_cast<uint32_t>(length), &node);
    if (node && plist_get_node_type(node) != PLIST_DATE) {
        plist_free(node);
        node = nullptr;
    }
    return Node(node);
}

// The seconds since 1970 of a date node the 32-bit call cannot give.
std::optional<double> farDateSeconds(plist_t node)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    std::unique_ptr<char, decltype(&std::free)> owned(xml, &std::free);
    if (!xml)
        return std::nullopt;
    std::string_view text(xml, length);
    size_t at = text.find("<date>");
    if (at == std::string_view::npos)
        return std::nullopt;
    long long year = 0;
    int month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::string field(text.substr(at + 6, 32));
    if (std::sscanf(field.c_str(), "%lld-%d-%dT%d:%d:%dZ", &year, &month, &day, &hour, &minute, &second) != 6
        || year < -1'000'000 || year > 1'000'000 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0
        || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    return static_cast<double>(CivilTime::daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second);
}

// The library writes a real in four bytes whenever its value fits a float and
// reads both sizes back as doubles, so the platform's float and double kinds
// would be lost in the binary form. Writing, every double goes to the library
// as a tagged NaN (always written in eight bytes, never merged with another)
// and its own bits are put back afterwards; reading, the sizes of the reals
// are taken from the file in the order the library's tree gives them.
constexpr uint64_t realPlaceholderTag = 0x7FF8'C0DE'0000'0000ULL;
constexpr uint64_t realPlaceholderMask = 0xFFFF'FFFF'0000'0000ULL;
constexpr uint8_t binaryRealMarker = 0x20;
constexpr size_t binaryTrailerSize = 32;
// More objects visited than this (shared subtrees expand) gives up the kinds.
constexpr size_t maximumRealScanVisits = size_t(1) << 22;

uint64_t readBigEndian(const uint8_t* bytes, size_t size)
{
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

struct BinaryLayout {
    std::span<const uint8_t> bytes;
    size_t offsetSize = 0;
    size_t referenceSize = 0;
    uint64_t objectCount = 0;
    uint64_t topObject = 0;
    uint64_t offsetTable = 0;

    static std::optional<BinaryLayout> of(std::span<const uint8_t> bytes)
    {
        if (bytes.size() < 8 + binaryTrailerSize)
            return std::nullopt;
        const uint8_t* trailer = bytes.data() + bytes.size() - binaryTrailerSize;
        BinaryLayout layout;
        layout.bytes = bytes;
        layout.offsetSize = trailer[6];
        layout.referenceSize = trailer[7];
        layout.objectCount = readBigEndian(trailer + 8, 8);
        layout.topObject = readBigEndian(trailer + 16, 8);
        layout.offsetTable = readBigEndian(trailer + 24, 8);
        const uint64_t tableEnd = bytes.size() - binaryTrailerSize;
        if (layout.offsetSize < 1 || layout.offsetSize > 8 || layout.referenceSize < 1 || layout.referenceSize > 8
            || layout.offsetTable > tableEnd || layout.objectCount > (tableEnd - layout.offsetTable) / layout.offsetSize
            || layout.topObject >= layout.objectCount)
            return std::nullopt;
        return layout;
    }

    // Where an object starts, or nullopt when that is not inside the objects.
    std::optional<size_t> offsetOf(uint64_t object) const
    {
        if (object >= objectCount)
            return std::nullopt;
        uint64_t offset = readBigEndian(bytes.data() + offsetTable + object * offsetSize, offsetSize);
        if (offset < 8 || offset >= offsetTable)
            return std::nullopt;
        return static_cast<size_t>(offset);
    }
};

// Puts each double's own bits where its placeholder was written.
bool restoreDoubles(Data& binary, const std::vector<double>& doubles)
{
    auto layout = BinaryLayout::of(binary);
    if (!layout)
        return doubles.empty();
    size_t restored = 0;
    for (uint64_t object = 0; object < layout->objectCount; ++object) {
        auto offset = layout->offsetOf(object);
        if (!offset || *offset + 9 > layout->offsetTable || binary[*offset] != (binaryRealMarker | 3))
            continue;
        uint8_t* field = binary.data() + *offset + 1;
        uint64_t bits = readBigEndian(field, 8);
        if ((bits & realPlaceholderMask) != realPlaceholderTag || (bits & ~realPlaceholderMask) >= doubles.size())
            continue;
        uint64_t own = 0;
        std::memcpy(&own, &doubles[bits & ~realPlaceholderMask], sizeof own);
        for (int i = 7; i >= 0; --i, own >>= 8)
            field[i] = static_cast<uint8_t>(own);
        ++restored;
    }
    return restored == doubles.size();
}

// The byte size of every real, in the order a depth-first walk of the
// library's tree meets them (array items, then dictionary values, in order).
struct RealSizes {
    std::vector<uint8_t> sizes;
    size_t next = 0;
    bool mismatch = false;

    Value take(double value)
    {
        if (next >= sizes.size()) {
            mismatch = true;
            return Value(value);
        }
        return sizes[next++] == 4 ? Value(static_cast<float>(value)) : Value(value);
    }
};

bool scanReals(const BinaryLayout& layout, uint64_t object, int depth, size_t& visits, std::vector<uint8_t>& sizes)
{
    if (depth > maximumDepth || ++visits > maximumRealScanVisits)
        return false;
    auto offset = layout.offsetOf(object);
    if (!offset)
        return false;
    const uint8_t* bytes = layout.bytes.data();
    const size_t end = layout.offsetTable;
    size_t at = *offset;
    uint8_t marker = bytes[at++];
    uint8_t kind = marker >> 4;
    if (kind == (binaryRealMarker >> 4)) {
        sizes.push_back(static_cast<uint8_t>(1u << (marker & 0x0F)));
        return true;
    }
    bool array = kind == 0xA || kind == 0xC;
    if (!array && kind != 0xD)
        return true;
    uint64_t count = marker & 0x0F;
    if (count == 0x0F) {
        if (at >= end || bytes[at] >> 4 != 0x1 || (bytes[at] & 0x0F) > 3)
            return false;
        size_t width = size_t(1) << (bytes[at] & 0x0F);
        if (at + 1 + width > end)
            return false;
        count = readBigEndian(bytes + at + 1, width);
        at += 1 + width;
    }
    // A dictionary's keys come first; only its values can hold reals.
    if (!array) {
        if (count > (end - at) / layout.referenceSize)
            return false;
        at += count * layout.referenceSize;
    }
    if (count > (end - at) / layout.referenceSize)
        return false;
    for (uint64_t i = 0; i < count; ++i, at += layout.referenceSize)
        if (!scanReals(layout, readBigEndian(bytes + at, layout.referenceSize), depth + 1, visits, sizes))
            return false;
    return true;
}

std::optional<RealSizes> realSizesOf(std::span<const uint8_t> binary)
{
    auto layout = BinaryLayout::of(binary);
    if (!layout)
        return std::nullopt;
    RealSizes reals;
    size_t visits = 0;
    if (!scanReals(*layout, layout->topObject, 0, visits, reals.sizes))
        return std::nullopt;
    return reals;
}

Node nodeOf(const Value& value, int depth, std::string* error, std::vector<double>* doubles)
{
    if (depth > maximumDepth) {
        failWith(error, "the value is nested too deeply for a property list");
        return nullptr;
    }
    switch (value.type()) {
    case Value::Type::Null:
        failWith(error, "null has no property-list form");
        return nullptr;
    case Value::Type::Bool:
        return Node(plist_new_bool(value.boolValue() ? 1 : 0));
    case Value::Type::Integer:
        if (value.isUnsigned()) {
            uint64_t u = value.unsignedLongLongValue();
            if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
                return bigUnsignedNode(u);
            return Node(plist_new_uint(u));
        }
        return Node(plist_new_uint(static_cast<uint64_t>(value.longLongValue())));
    case Value::Type::Real:
        if (doubles && value.numberKind() != Value::NumberKind::Float) {
            uint64_t bits = realPlaceholderTag | doubles->size();
            double placeholder = 0;
            std::memcpy(&placeholder, &bits, sizeof placeholder);
            doubles->push_back(value.doubleValue());
            return Node(plist_new_real(placeholder));
        }
        return Node(plist_new_real(value.doubleValue()));
    case Value::Type::String: {
        const std::string text = value.stringValue();
        if (!isValidUTF8(text)) {
            failWith(error, "a text holds a NUL byte or is not valid UTF-8");
            return nullptr;
        }
        return Node(plist_new_string(text.c_str()));
    }
    case Value::Type::Date: {
        double sinceReference = value.dateValue().secondsSince1970 - referenceDate1970;
        double whole = std::floor(sinceReference);
        if (!std::isfinite(sinceReference)) {
            failWith(error, "a date lies outside the range a property list keeps");
            return nullptr;
        }
        if (whole <= std::numeric_limits<int32_t>::min() || whole >= std::numeric_limits<int32_t>::max()) {
            Node far = std::abs(whole) < 1e15 ? farDateNode(value.dateValue().secondsSince1970) : nullptr;
            if (!far)
                failWith(error, "a date lies outside the range a property list keeps");
            return far;
        }
        auto seconds = static_cast<int32_t>(whole);
        auto micro = static_cast<int32_t>(std::lround((sinceReference - whole) * 1e6));
        if (micro >= 1'000'000) {
            ++seconds;
            micro -= 1'000'000;
        }
        return Node(plist_new_date(seconds, micro));
    }
    case Value::Type::Data: {
        const Data& data = value.dataValue();
        return Node(plist_new_data(reinterpret_cast<const char*>(data.data()), data.size()));
    }
    case Value::Type::Array: {
        Node array(plist_new_array());
        for (const Value& item : value.arrayValue()) {
            Node child = nodeOf(item, depth + 1, error, doubles);
            if (!child)
                return nullptr;
            plist_array_append_item(array.get(), child.release());
        }
        return array;
    }
    case Value::Type::Dictionary: {
        if (isUIDDictionary(value))
            return Node(plist_new_uid(value["CF$UID"].unsignedLongLongValue()));
        Node dictionary(plist_new_dict());
        for (const auto& [key, item] : value.dictionaryValue()) {
            if (!isValidUTF8(key)) {
                failWith(error, "a key holds a NUL byte or is not valid UTF-8");
                return nullptr;
            }
            Node child = nodeOf(item, depth + 1, error, doubles);
            if (!child)
                return nullptr;
            plist_dict_set_item(dictionary.get(), key.str().c_str(), child.release());
        }
        return dictionary;
    }
    }
    return nullptr;
}

// The library keeps signed and unsigned numbers in one 64-bit field and marks
// only the unsigned ones above the signed range; a node made from the same
// bits by plist_new_uint carries the signed mark, so comparing tells them apart.
Value integerOf(plist_t node)
{
    uint64_t bits = 0;
    plist_get_uint_val(node, &bits);
    if (bits <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return Value::integer(static_cast<int64_t>(bits));
    Node signedForm(plist_new_uint(bits));
    if (plist_compare_node_value(node, signedForm.get()))
        return Value::integer(static_cast<int64_t>(bits));
    return Value::unsignedInteger(bits);
}

// The library's text getters abort the process on a text holding a NUL, which
// a binary file can declare (a UTF-16 zero, or a zero byte it later cuts at).
// Such a file is refused before the library parses it: every text object the
// offset table lists is checked for a zero unit.
bool binaryTextsAreSound(const uint8_t* bytes, size_t size)
{
    constexpr size_t trailerSize = 32;
    if (size < 8 + trailerSize)
        return false;
    const uint8_t* trailer = bytes + size - trailerSize;
    auto bigEndian = [](const uint8_t* p, size_t width) {
        uint64_t v = 0;
        for (size_t i = 0; i < width; ++i)
            v = v << 8 | p[i];
        return v;
    };
    size_t offsetSize = trailer[6];
    uint64_t objects = bigEndian(trailer + 8, 8);
    uint64_t tableAt = bigEndian(trailer + 24, 8);
    size_t body = size - trailerSize;
    if (offsetSize < 1 || offsetSize > 8 || tableAt > body || objects > (body - tableAt) / offsetSize)
        return false;
    for (uint64_t i = 0; i < objects; ++i) {
        uint64_t at = bigEndian(bytes + tableAt + i * offsetSize, offsetSize);
        if (at >= body)
            return false;
        uint8_t marker = bytes[at];
        unsigned kind = marker >> 4;
        if (kind != 0x5 && kind != 0x6)
            continue;
        uint64_t count = marker & 0x0F;
        uint64_t start = at + 1;
        if (count == 0x0F) {
            // The length follows as an integer object of 1, 2, 4 or 8 bytes.
            if (start >= body || (bytes[start] & 0xF0) != 0x10 || (bytes[start] & 0x0F) > 3)
                return false;
            size_t width = size_t(1) << (bytes[start] & 0x0F);
            if (width > body - start - 1)
                return false;
            count = bigEndian(bytes + start + 1, width);
            start += 1 + width;
        }
        size_t unit = kind == 0x6 ? 2 : 1;
        if (start > body || count > (body - start) / unit)
            return false;
        for (uint64_t k = 0; k < count; ++k) {
            const uint8_t* p = bytes + start + k * unit;
            if (p[0] == 0 && (unit == 1 || p[1] == 0))
                return false;
        }
    }
    return true;
}

// A dictionary key, validated as texts are; nullopt when it is no sound text.
std::optional<std::string> keyOf(plist_t keyNode)
{
    if (!keyNode || plist_get_node_type(keyNode) != PLIST_KEY)
        return std::nullopt;
    char* text = nullptr;
    plist_get_key_val(keyNode, &text);
    std::unique_ptr<char, decltype(&std::free)> owned(text, &std::free);
    if (!text || !isValidUTF8(text))
        return std::nullopt;
    return std::string(text);
}

bool valueOf(plist_t node, int depth, Value& out, RealSizes* reals)
{
    if (!node || depth > maximumDepth)
        return false;
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        out = Value(b != 0);
        return true;
    }
    case PLIST_UINT:
        out = integerOf(node);
        return true;
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        out = reals ? reals->take(d) : Value(d);
        return true;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        if (!text || std::strlen(text) != length)
            return false;
        std::string_view view(text, static_cast<size_t>(length));
        if (!isValidUTF8(view))
            return false;
        out = Value(std::string(view));
        return true;
    }
    case PLIST_KEY: {
        auto key = keyOf(node);
        if (!key)
            return false;
        out = Value(std::move(*key));
        return true;
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t micro = 0;
        plist_get_date_val(node, &seconds, &micro);
        // The 32-bit call answers its lowest value for every date it cannot hold.
        if (seconds == std::numeric_limits<int32_t>::min()) {
            auto far = farDateSeconds(node);
            if (!far)
                return false;
            out = Value(Date { *far });
            return true;
        }
        out = Value(Date { static_cast<double>(seconds) + static_cast<double>(micro) / 1e6 + referenceDate1970 });
        return true;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        out = Value(Data(
            reinterpret_cast<const uint8_t*>(bytes), reinterpret_cast<const uint8_t*>(bytes) + (bytes ? length : 0)));
        return true;
    }
    case PLIST_UID: {
        uint64_t uid = 0;
        plist_get_uid_val(node, &uid);
        out = Value::dictionary({ { "CF$UID", Value::integer(static_cast<int64_t>(uid)) } });
        return true;
    }
    case PLIST_ARRAY: {
        ValueArray array;
        array.reserve(plist_array_get_size(node));
        plist_array_iter iterator = nullptr;
        plist_array_new_iter(node, &iterator);
        bool ok = true;
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, iterator, &item);
            if (!item)
                break;
            Value child;
            if (!valueOf(item, depth + 1, child, reals)) {
                ok = false;
                break;
            }
            array.push_back(std::move(child));
        }
        std::free(iterator);
        if (ok)
            out = Value(std::move(array));
        return ok;
    }
    case PLIST_DICT: {
        ValueDictionary dictionary = emptyDictionary();
        dictionary.reserve(plist_dict_get_size(node));
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        bool ok = true;
        for (;;) {
            plist_t item = nullptr;
            plist_dict_next_item(node, iterator, nullptr, &item);
            if (!item)
                break;
            auto key = keyOf(plist_dict_item_get_key(item));
            Value child;
            bool good = key && valueOf(item, depth + 1, child, reals);
            if (good)
                dictionary.set(*key, std::move(child));
            if (!good) {
                ok = false;
                break;
            }
        }
        std::free(iterator);
        if (ok)
            out = Value(std::move(dictionary));
        return ok;
    }
    default:
        return false;
    }
}

}  // namespace

namespace PropertyList {

Value propertyListWithData(std::span<const uint8_t> data, Format* format)
{
    if (data.empty() || data.size() > std::numeric_limits<uint32_t>::max())
        return {};
    const char* bytes = reinterpret_cast<const char*>(data.data());
    auto length = static_cast<uint32_t>(data.size());
    plist_t root = nullptr;
    bool binary = plist_is_binary(bytes, length);
    if (binary) {
        if (!binaryTextsAreSound(data.data(), data.size()))
            return {};
        plist_from_bin(bytes, length, &root);
    } else
        plist_from_xml(bytes, length, &root);
    Node owner(root);
    Value value;
    std::optional<RealSizes> reals;
    if (binary && root)
        reals = realSizesOf(data);
    if (!valueOf(root, 0, value, reals ? &*reals : nullptr))
        return {};
    // A file whose reals the walk could not pair keeps them all as doubles.
    if (reals && (reals->mismatch || reals->next != reals->sizes.size()) && !valueOf(root, 0, value, nullptr))
        return {};
    if (format)
        *format = binary ? Format::Binary : Format::XML;
    return value;
}

std::optional<Data> dataWithPropertyList(const Value& plist, Format format, std::string* error)
{
    std::vector<double> doubles;
    Node root = nodeOf(plist, 0, error, format == Format::Binary ? &doubles : nullptr);
    if (!root)
        return std::nullopt;
    char* bytes = nullptr;  // the library writes only into an empty pointer
    uint32_t length = 0;
    if (format == Format::Binary)
        plist_to_bin(root.get(), &bytes, &length);
    else
        plist_to_xml(root.get(), &bytes, &length);
    if (!bytes) {
        failWith(error, "the property list could not be written");
        return std::nullopt;
    }
    Data data(reinterpret_cast<const uint8_t*>(bytes), reinterpret_cast<const uint8_t*>(bytes) + length);
    if (format == Format::Binary)
        plist_to_bin_free(bytes);
    else
        plist_to_xml_free(bytes);
    if (format == Format::Binary && !restoreDoubles(data, doubles)) {
        failWith(error, "the property list could not be written");
        return std::nullopt;
    }
    return data;
}

Value contentsOfFile(const std::string& path)
{
    auto data = NSFileManager::defaultManager().contentsAtPath(path);
    if (!data)
        return {};
    return propertyListWithData(*data);
}

Value dictionaryWithContentsOfFile(const std::string& path)
{
    Value value = contentsOfFile(path);
    return value.isDictionary() ? value : Value();
}

bool writeToFile(const Value& plist, const std::string& path, Format format, std::string* error)
{
    auto data = dataWithPropertyList(plist, format, error);
    if (!data)
        return false;
    return NSFileManager::defaultManager().createFileAtPathContents(path, *data, error);
}

}  // namespace PropertyList
