#include "Platform/Foundation/Value.h"

#include "Platform/Foundation/NumberParsing.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <functional>

namespace {

const Data& emptyData()
{
    static const Data d;
    return d;
}

const ValueArray& emptyArray()
{
    static const ValueArray a;
    return a;
}

const ValueDictionary& emptyDictionary()
{
    static const ValueDictionary d;
    return d;
}

bool isUnsignedKind(Value::NumberKind k)
{
    return k == Value::NumberKind::UnsignedInt || k == Value::NumberKind::UnsignedLong
        || k == Value::NumberKind::UnsignedLongLong;
}

template<typename T>
T saturate(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    if (v <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    return static_cast<T>(v);
}

}  // namespace

const Value& nullValue()
{
    static const Value v;
    return v;
}

Value::Value(bool b) : m_type(Type::Bool), m_kind(NumberKind::Bool) { m.b = b; }
Value::Value(int v) : m_type(Type::Integer), m_kind(NumberKind::Int) { m.i = v; }
Value::Value(long v) : m_type(Type::Integer), m_kind(NumberKind::Long) { m.i = v; }
Value::Value(long long v) : m_type(Type::Integer), m_kind(NumberKind::LongLong) { m.i = v; }
Value::Value(unsigned v) : m_type(Type::Integer), m_kind(NumberKind::UnsignedInt) { m.u = v; }
Value::Value(unsigned long v) : m_type(Type::Integer), m_kind(NumberKind::UnsignedLong) { m.u = v; }
Value::Value(unsigned long long v) : m_type(Type::Integer), m_kind(NumberKind::UnsignedLongLong) { m.u = v; }
Value::Value(float v) : m_type(Type::Real), m_kind(NumberKind::Float) { m.d = static_cast<double>(v); }
Value::Value(double v) : m_type(Type::Real), m_kind(NumberKind::Double) { m.d = v; }
Value::Value(const char* s) : Value(std::string(s ? s : "")) {}
Value::Value(std::string s) : m_type(Type::String) { new (&m.s) std::string(std::move(s)); }
Value::Value(std::string_view s) : Value(std::string(s)) {}
Value::Value(Date d) : m_type(Type::Date) { m.d = d.secondsSince1970; }

// The value that drops the last count frees the box: values are the owners,
// so a box needs no count of weak owners nor a deleter of its own.
struct Value::BoxBase {
    std::atomic<uint32_t> references { 1 };
};

template<typename T>
struct Value::Box : BoxBase {
    explicit Box(T&& o) : object(std::move(o)) {}
    T object;
};

template<typename T>
void Value::makeBox(T&& object)
{
    m.box = new Box<T>(std::move(object));
}

template<typename T>
const T& Value::ref() const
{
    return static_cast<const Box<T>*>(m.box)->object;
}

void Value::releaseBox()
{
    // The last owner sees every earlier owner's writes before it frees.
    if (m.box->references.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    switch (m_type) {
    case Type::Data:
        delete static_cast<Box<::Data>*>(m.box);
        break;
    case Type::Array:
        delete static_cast<Box<ValueArray>*>(m.box);
        break;
    default:
        delete static_cast<Box<ValueDictionary>*>(m.box);
        break;
    }
}

Value::Value(::Data d) : m_type(Type::Data) { makeBox(std::move(d)); }
Value::Value(ValueArray a) : m_type(Type::Array) { makeBox(std::move(a)); }
Value::Value(ValueDictionary d) : m_type(Type::Dictionary) { makeBox(std::move(d)); }

Value::Value(const Value& other) { copyFrom(other); }
Value::Value(Value&& other) noexcept { moveFrom(std::move(other)); }
Value::~Value() { destroy(); }

Value& Value::operator=(const Value& other)
{
    if (this != &other) {
        // Copy first: `other` may live inside this value's own storage.
        Value copy(other);
        destroy();
        moveFrom(std::move(copy));
    }
    return *this;
}

Value& Value::operator=(Value&& other) noexcept
{
    if (this == &other)
        return *this;
    if (usesRef()) {
        // `other` may be an element of the container this value holds.
        Value moved(std::move(other));
        destroy();
        moveFrom(std::move(moved));
    } else {
        destroy();
        moveFrom(std::move(other));
    }
    return *this;
}

void Value::destroy()
{
    if (usesString())
        m.s.~basic_string();
    else if (usesRef())
        releaseBox();
    m_type = Type::Null;
    m.i = 0;
}

void Value::copyFrom(const Value& other)
{
    m_type = other.m_type;
    m_kind = other.m_kind;
    if (other.usesString())
        new (&m.s) std::string(other.m.s);
    else if (other.usesRef()) {
        m.box = other.m.box;
        m.box->references.fetch_add(1, std::memory_order_relaxed);
    }
    else
        m.u = other.m.u;
}

void Value::moveFrom(Value&& other) noexcept
{
    m_type = other.m_type;
    m_kind = other.m_kind;
    if (other.usesString()) {
        new (&m.s) std::string(std::move(other.m.s));
        other.m.s.~basic_string();
    } else if (other.usesRef()) {
        m.box = other.m.box;
    } else {
        m.u = other.m.u;
    }
    other.m_type = Type::Null;
    other.m.i = 0;
}

Value Value::integer(int64_t v, NumberKind kind)
{
    Value value;
    if (kind == NumberKind::Bool)
        return Value(v != 0);
    if (kind == NumberKind::Float || kind == NumberKind::Double)
        return real(static_cast<double>(v), kind);
    value.m_type = Type::Integer;
    value.m_kind = kind;
    value.m.i = v;
    return value;
}

Value Value::unsignedInteger(uint64_t v)
{
    return Value(static_cast<unsigned long long>(v));
}

Value Value::real(double v, NumberKind kind)
{
    Value value;
    value.m_type = Type::Real;
    value.m_kind = kind == NumberKind::Float ? NumberKind::Float : NumberKind::Double;
    value.m.d = kind == NumberKind::Float ? static_cast<double>(static_cast<float>(v)) : v;
    return value;
}

Value Value::decimal(std::string_view text)
{
    Value value;
    value.m_type = Type::Real;
    value.m_kind = NumberKind::Decimal;
    new (&value.m.s) std::string(text);
    return value;
}

const std::string* Value::decimalText() const
{
    return m_type == Type::Real && m_kind == NumberKind::Decimal ? &m.s : nullptr;
}

double Value::realValue() const
{
    if (m_kind != NumberKind::Decimal)
        return m.d;
    // Out of range: too small is zero (or the nearest subnormal), too large infinity.
    double d = 0;
    auto [end, ec] = std::from_chars(m.s.data(), m.s.data() + m.s.size(), d);
    if (ec == std::errc::result_out_of_range) {
        size_t e = m.s.find_first_of("eE");
        bool tiny = e != std::string::npos && m.s[e + 1] == '-';
        bool negative = !m.s.empty() && m.s.front() == '-';
        d = tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return d;
}

Value Value::array(std::initializer_list<Value> items)
{
    return Value(ValueArray(items));
}

Value Value::dictionary(std::initializer_list<std::pair<std::string, Value>> items)
{
    return Value(ValueDictionary(items));
}

template<typename T>
T& Value::mutableRef()
{
    // Copy on write: detach shared storage before the first change.
    auto* box = static_cast<Box<T>*>(m.box);
    if (box->references.load(std::memory_order_acquire) > 1) {
        T copy(box->object);
        releaseBox();
        makeBox(std::move(copy));
        box = static_cast<Box<T>*>(m.box);
    }
    return box->object;
}

bool Value::isUnsigned() const
{
    return m_type == Type::Integer && isUnsignedKind(m_kind);
}

bool Value::boolValue() const
{
    switch (m_type) {
    case Type::Bool:
        return m.b;
    case Type::Integer:
        return m.i != 0;
    case Type::Real:
        return realValue() != 0;
    case Type::String:
        return NumberParsing::boolValue(m.s);
    default:
        return false;
    }
}

long long Value::longLongValue() const
{
    switch (m_type) {
    case Type::Bool:
        return m.b ? 1 : 0;
    case Type::Integer:
        if (isUnsignedKind(m_kind) && m.u > static_cast<uint64_t>(std::numeric_limits<long long>::max()))
            return static_cast<long long>(m.u);  // wraps, as the platform's conversion does
        return m.i;
    case Type::Real:
        return saturate<long long>(realValue());
    case Type::String:
        return NumberParsing::longLongValue(m.s);
    default:
        return 0;
    }
}

unsigned long long Value::unsignedLongLongValue() const
{
    if (m_type == Type::Integer)
        return m.u;
    if (m_type == Type::Real)
        return realValue() <= 0 ? 0 : saturate<unsigned long long>(realValue());
    return static_cast<unsigned long long>(longLongValue());
}

int Value::intValue() const
{
    switch (m_type) {
    case Type::Integer:
        return static_cast<int>(m.i);  // truncates, as a narrowing number conversion does
    case Type::Real:
        return saturate<int>(realValue());
    case Type::String:
        return NumberParsing::intValue(m.s);
    default:
        return static_cast<int>(longLongValue());
    }
}

long Value::longValue() const
{
    return static_cast<long>(longLongValue());
}

double Value::doubleValue() const
{
    switch (m_type) {
    case Type::Bool:
        return m.b ? 1 : 0;
    case Type::Integer:
        return isUnsignedKind(m_kind) ? static_cast<double>(m.u) : static_cast<double>(m.i);
    case Type::Real:
        return realValue();
    case Type::Date:
        return m.d;
    case Type::String:
        return NumberParsing::doubleValue(m.s);
    default:
        return 0;
    }
}

float Value::floatValue() const
{
    return static_cast<float>(doubleValue());
}

std::string Value::stringValue() const
{
    char buffer[32];
    switch (m_type) {
    case Type::String:
        return m.s;
    case Type::Bool:
        return m.b ? "1" : "0";
    case Type::Integer:
        return isUnsignedKind(m_kind) ? std::to_string(m.u) : std::to_string(m.i);
    case Type::Real:
        if (m_kind == NumberKind::Decimal)
            return m.s;
        if (m_kind == NumberKind::Float)
            return std::string(NumberParsing::text(static_cast<float>(m.d), buffer));
        return std::string(NumberParsing::text(m.d, buffer));
    default:
        return {};
    }
}

const std::string* Value::stringPtr() const
{
    return m_type == Type::String ? &m.s : nullptr;
}

Date Value::dateValue() const
{
    if (m_type == Type::Date)
        return Date { m.d };
    return Date {};
}

const Data& Value::dataValue() const
{
    return m_type == Type::Data ? ref<::Data>() : emptyData();
}

size_t Value::count() const
{
    if (m_type == Type::Array)
        return ref<ValueArray>().size();
    if (m_type == Type::Dictionary)
        return ref<ValueDictionary>().size();
    return 0;
}

const Value& Value::operator[](size_t index) const
{
    if (m_type != Type::Array)
        return nullValue();
    const auto& a = ref<ValueArray>();
    return index < a.size() ? a[index] : nullValue();
}

const ValueArray& Value::arrayValue() const
{
    return m_type == Type::Array ? ref<ValueArray>() : emptyArray();
}

ValueArray& Value::mutableArray()
{
    if (m_type != Type::Array)
        *this = Value(ValueArray {});
    return mutableRef<ValueArray>();
}

void Value::append(Value v)
{
    mutableArray().push_back(std::move(v));
}

const Value& Value::operator[](std::string_view key) const
{
    const Value* v = find(key);
    return v ? *v : nullValue();
}

const Value* Value::find(std::string_view key) const
{
    if (m_type != Type::Dictionary)
        return nullptr;
    return ref<ValueDictionary>().find(key);
}

const ValueDictionary& Value::dictionaryValue() const
{
    return m_type == Type::Dictionary ? ref<ValueDictionary>() : emptyDictionary();
}

ValueDictionary& Value::mutableDictionary()
{
    if (m_type != Type::Dictionary)
        *this = Value(ValueDictionary {});
    return mutableRef<ValueDictionary>();
}

void Value::set(std::string key, Value v)
{
    mutableDictionary().set(std::move(key), std::move(v));
}

void Value::remove(std::string_view key)
{
    if (m_type == Type::Dictionary)
        mutableRef<ValueDictionary>().remove(key);
}

bool Value::operator==(const Value& other) const
{
    if (isNumber() && other.isNumber()) {
        if (m_type == Type::Real || other.m_type == Type::Real)
            return doubleValue() == other.doubleValue();
        if (isUnsigned() || other.isUnsigned())
            return unsignedLongLongValue() == other.unsignedLongLongValue()
                && (longLongValue() < 0) == (other.longLongValue() < 0);
        return longLongValue() == other.longLongValue();
    }
    if (m_type != other.m_type)
        return false;
    switch (m_type) {
    case Type::Null:
        return true;
    case Type::String:
        return m.s == other.m.s;
    case Type::Date:
        return m.d == other.m.d;
    case Type::Data:
        return ref<::Data>() == other.ref<::Data>();
    case Type::Array:
        return m.box == other.m.box || ref<ValueArray>() == other.ref<ValueArray>();
    case Type::Dictionary:
        return m.box == other.m.box || ref<ValueDictionary>() == other.ref<ValueDictionary>();
    default:
        return false;
    }
}

std::string Value::description() const
{
    switch (m_type) {
    case Type::Null:
        return "<null>";
    case Type::Date: {
        char buffer[32];
        std::string out = "<date ";
        out += NumberParsing::shortest(m.d, buffer);
        return out += ">";
    }
    case Type::Data: {
        std::string out = "<";
        out += std::to_string(ref<::Data>().size());
        return out += " bytes>";
    }
    case Type::Array: {
        std::string out = "(";
        bool first = true;
        for (const auto& v : ref<ValueArray>()) {
            out += first ? "" : ", ";
            out += v.description();
            first = false;
        }
        return out + ")";
    }
    case Type::Dictionary: {
        std::string out = "{";
        bool first = true;
        for (const auto& [k, v] : ref<ValueDictionary>()) {
            out += first ? "" : "; ";
            out += k + " = " + v.description();
            first = false;
        }
        return out + "}";
    }
    default:
        return stringValue();
    }
}

bool ValueArray::operator==(const ValueArray& other) const
{
    return m_items == other.m_items;
}

namespace {

// FNV-1a: keys are short column names, where it beats the library's hash.
size_t hashKey(std::string_view key)
{
    uint64_t h = 14695981039346656037ull;
    for (unsigned char c : key)
        h = (h ^ c) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 29));
}

}  // namespace

void ValueDictionary::Index::rebuild(const std::vector<Entry>& entries)
{
    // Sized for the reserved capacity, so a dictionary built at its final size indexes once.
    size_t wanted = std::max(entries.size(), entries.capacity()) * 2 + 2;
    size_t capacity = 16;
    while (capacity < wanted)
        capacity <<= 1;
    slots.assign(capacity, 0);
    mask = capacity - 1;
    for (size_t i = 0; i < entries.size(); ++i)
        insert(entries[i].first, i);
}

void ValueDictionary::Index::insert(std::string_view key, size_t position)
{
    size_t slot = hashKey(key) & mask;
    while (slots[slot] != 0)
        slot = (slot + 1) & mask;
    slots[slot] = static_cast<uint32_t>(position + 1);
}

long ValueDictionary::Index::lookup(const std::vector<Entry>& entries, std::string_view key) const
{
    size_t slot = hashKey(key) & mask;
    while (uint32_t position = slots[slot]) {
        if (entries[position - 1].first == key)
            return static_cast<long>(position - 1);
        slot = (slot + 1) & mask;
    }
    return -1;
}

namespace {
// Below this size a linear search beats hashing the key.
constexpr size_t kIndexThreshold = 12;
// A dictionary read in one go is checked for repeated keys once, so a linear
// check pays for longer than the per-lookup search does.
constexpr size_t kLinearDuplicateCheck = 32;
}  // namespace

ValueDictionary::ValueDictionary() = default;

ValueDictionary::ValueDictionary(std::initializer_list<Entry> items)
{
    m_entries.reserve(items.size());
    for (const auto& e : items)
        set(e.first, e.second);
}

ValueDictionary::ValueDictionary(const ValueDictionary& other) : m_entries(other.m_entries) {}

ValueDictionary& ValueDictionary::operator=(const ValueDictionary& other)
{
    if (this != &other) {
        m_entries = other.m_entries;
        m_index.reset();
    }
    return *this;
}

ValueDictionary::ValueDictionary(ValueDictionary&&) noexcept = default;
ValueDictionary& ValueDictionary::operator=(ValueDictionary&&) noexcept = default;
ValueDictionary::~ValueDictionary() = default;

ValueDictionary ValueDictionary::withEntries(std::vector<Entry> entries)
{
    ValueDictionary dictionary;
    dictionary.m_entries = std::move(entries);
    dictionary.removeDuplicateKeys();
    return dictionary;
}

void ValueDictionary::removeDuplicateKeys()
{
    const size_t count = m_entries.size();
    if (count < 2)
        return;
    // The first `kept` entries hold distinct keys; each later one either
    // replaces a kept value or joins them.
    size_t kept = 1;
    if (count <= kLinearDuplicateCheck) {
        for (size_t i = 1; i < count; ++i) {
            size_t j = 0;
            while (j < kept && m_entries[j].first != m_entries[i].first)
                ++j;
            if (j < kept)
                m_entries[j].second = std::move(m_entries[i].second);
            else if (kept++ != i)
                m_entries[kept - 1] = std::move(m_entries[i]);
        }
    } else {
        // Hashing pays here, and the index serves later lookups too.
        auto index = std::make_unique<Index>();
        size_t capacity = 16;
        while (capacity < count * 2 + 2)
            capacity <<= 1;
        index->slots.assign(capacity, 0);
        index->mask = capacity - 1;
        index->insert(m_entries[0].first, 0);
        for (size_t i = 1; i < count; ++i) {
            long j = index->lookup(m_entries, m_entries[i].first);
            if (j >= 0 && static_cast<size_t>(j) < kept) {
                m_entries[static_cast<size_t>(j)].second = std::move(m_entries[i].second);
                continue;
            }
            if (kept != i)
                m_entries[kept] = std::move(m_entries[i]);
            index->insert(m_entries[kept].first, kept);
            ++kept;
        }
        m_index = std::move(index);
    }
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(kept), m_entries.end());
}

long ValueDictionary::indexOf(std::string_view key) const
{
    if (m_entries.size() < kIndexThreshold) {
        for (size_t i = 0; i < m_entries.size(); ++i) {
            if (m_entries[i].first == key)
                return static_cast<long>(i);
        }
        return -1;
    }
    if (!m_index) {
        m_index = std::make_unique<Index>();
        m_index->rebuild(m_entries);
    }
    return m_index->lookup(m_entries, key);
}

const Value* ValueDictionary::find(std::string_view key) const
{
    long i = indexOf(key);
    return i < 0 ? nullptr : &m_entries[static_cast<size_t>(i)].second;
}

Value* ValueDictionary::find(std::string_view key)
{
    long i = indexOf(key);
    return i < 0 ? nullptr : &m_entries[static_cast<size_t>(i)].second;
}

const Value& ValueDictionary::operator[](std::string_view key) const
{
    const Value* v = find(key);
    return v ? *v : nullValue();
}

void ValueDictionary::set(std::string key, Value v)
{
    long i = indexOf(key);
    if (i >= 0) {
        m_entries[static_cast<size_t>(i)].second = std::move(v);
        return;
    }
    m_entries.emplace_back(std::move(key), std::move(v));
    if (m_index) {
        if (m_index->needsGrowth(m_entries.size()))
            m_index->rebuild(m_entries);
        else
            m_index->insert(m_entries.back().first, m_entries.size() - 1);
    }
}

void ValueDictionary::remove(std::string_view key)
{
    long i = indexOf(key);
    if (i < 0)
        return;
    m_entries.erase(m_entries.begin() + i);
    m_index.reset();
}

void ValueDictionary::clear()
{
    m_entries.clear();
    m_index.reset();
}

std::vector<std::string> ValueDictionary::keys() const
{
    std::vector<std::string> out;
    out.reserve(m_entries.size());
    for (const auto& e : m_entries)
        out.push_back(e.first);
    return out;
}

bool ValueDictionary::operator==(const ValueDictionary& other) const
{
    if (size() != other.size())
        return false;
    for (const auto& [k, v] : m_entries) {
        const Value* o = other.find(k);
        if (!o || !(*o == v))
            return false;
    }
    return true;
}
