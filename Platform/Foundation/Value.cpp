#include "Platform/Foundation/Value.h"

#include "Platform/Foundation/NumberParsing.h"

#include <cmath>
#include <limits>
#include <unordered_map>

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

Value::Value(bool b) : m_type(Type::Bool), m_kind(NumberKind::Bool) { m_num.b = b; }
Value::Value(int v) : m_type(Type::Integer), m_kind(NumberKind::Int) { m_num.i = v; }
Value::Value(long v) : m_type(Type::Integer), m_kind(NumberKind::Long) { m_num.i = v; }
Value::Value(long long v) : m_type(Type::Integer), m_kind(NumberKind::LongLong) { m_num.i = v; }
Value::Value(unsigned v) : m_type(Type::Integer), m_kind(NumberKind::UnsignedInt) { m_num.u = v; }
Value::Value(unsigned long v) : m_type(Type::Integer), m_kind(NumberKind::UnsignedLong) { m_num.u = v; }
Value::Value(unsigned long long v) : m_type(Type::Integer), m_kind(NumberKind::UnsignedLongLong) { m_num.u = v; }
Value::Value(float v) : m_type(Type::Real), m_kind(NumberKind::Float) { m_num.d = static_cast<double>(v); }
Value::Value(double v) : m_type(Type::Real), m_kind(NumberKind::Double) { m_num.d = v; }
Value::Value(const char* s) : Value(std::string(s ? s : "")) {}
Value::Value(std::string s) : m_type(Type::String), m_ref(std::make_shared<std::string>(std::move(s))) {}
Value::Value(std::string_view s) : Value(std::string(s)) {}
Value::Value(Date d) : m_type(Type::Date) { m_num.d = d.secondsSince1970; }
Value::Value(::Data d) : m_type(Type::Data), m_ref(std::make_shared<::Data>(std::move(d))) {}
Value::Value(ValueArray a) : m_type(Type::Array), m_ref(std::make_shared<ValueArray>(std::move(a))) {}
Value::Value(ValueDictionary d) : m_type(Type::Dictionary), m_ref(std::make_shared<ValueDictionary>(std::move(d))) {}

Value Value::integer(int64_t v, NumberKind kind)
{
    Value value;
    if (kind == NumberKind::Bool)
        return Value(v != 0);
    if (kind == NumberKind::Float || kind == NumberKind::Double)
        return real(static_cast<double>(v), kind);
    value.m_type = Type::Integer;
    value.m_kind = kind;
    value.m_num.i = v;
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
    value.m_num.d = kind == NumberKind::Float ? static_cast<double>(static_cast<float>(v)) : v;
    return value;
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
    if (m_ref.use_count() > 1)
        m_ref = std::make_shared<T>(*static_cast<const T*>(m_ref.get()));
    return *static_cast<T*>(m_ref.get());
}

bool Value::isUnsigned() const
{
    return m_type == Type::Integer && isUnsignedKind(m_kind);
}

bool Value::boolValue() const
{
    switch (m_type) {
    case Type::Bool:
        return m_num.b;
    case Type::Integer:
        return m_num.i != 0;
    case Type::Real:
        return m_num.d != 0;
    case Type::String:
        return NumberParsing::boolValue(ref<std::string>());
    default:
        return false;
    }
}

long long Value::longLongValue() const
{
    switch (m_type) {
    case Type::Bool:
        return m_num.b ? 1 : 0;
    case Type::Integer:
        if (isUnsignedKind(m_kind) && m_num.u > static_cast<uint64_t>(std::numeric_limits<long long>::max()))
            return static_cast<long long>(m_num.u);  // wraps, as the platform's conversion does
        return m_num.i;
    case Type::Real:
        return saturate<long long>(m_num.d);
    case Type::String:
        return NumberParsing::longLongValue(ref<std::string>());
    default:
        return 0;
    }
}

unsigned long long Value::unsignedLongLongValue() const
{
    if (m_type == Type::Integer)
        return m_num.u;
    if (m_type == Type::Real)
        return m_num.d <= 0 ? 0 : saturate<unsigned long long>(m_num.d);
    return static_cast<unsigned long long>(longLongValue());
}

int Value::intValue() const
{
    switch (m_type) {
    case Type::Integer:
        return static_cast<int>(m_num.i);  // truncates, as a narrowing number conversion does
    case Type::Real:
        return saturate<int>(m_num.d);
    case Type::String:
        return NumberParsing::intValue(ref<std::string>());
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
        return m_num.b ? 1 : 0;
    case Type::Integer:
        return isUnsignedKind(m_kind) ? static_cast<double>(m_num.u) : static_cast<double>(m_num.i);
    case Type::Real:
    case Type::Date:
        return m_num.d;
    case Type::String:
        return NumberParsing::doubleValue(ref<std::string>());
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
        return ref<std::string>();
    case Type::Bool:
        return m_num.b ? "1" : "0";
    case Type::Integer:
        return isUnsignedKind(m_kind) ? std::to_string(m_num.u) : std::to_string(m_num.i);
    case Type::Real:
        if (m_kind == NumberKind::Float)
            return std::string(NumberParsing::shortest(static_cast<float>(m_num.d), buffer));
        return std::string(NumberParsing::shortest(m_num.d, buffer));
    default:
        return {};
    }
}

const std::string* Value::stringPtr() const
{
    return m_type == Type::String ? &ref<std::string>() : nullptr;
}

Date Value::dateValue() const
{
    if (m_type == Type::Date)
        return Date { m_num.d };
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
        return ref<std::string>() == other.ref<std::string>();
    case Type::Date:
        return m_num.d == other.m_num.d;
    case Type::Data:
        return ref<::Data>() == other.ref<::Data>();
    case Type::Array:
        return m_ref == other.m_ref || ref<ValueArray>() == other.ref<ValueArray>();
    case Type::Dictionary:
        return m_ref == other.m_ref || ref<ValueDictionary>() == other.ref<ValueDictionary>();
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
        return "<date " + std::string(NumberParsing::shortest(m_num.d, buffer)) + ">";
    }
    case Type::Data:
        return "<" + std::to_string(ref<::Data>().size()) + " bytes>";
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

struct ValueDictionary::Index {
    std::unordered_map<std::string_view, size_t> positions;
};

namespace {
constexpr size_t kIndexThreshold = 12;
}

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
        m_index->positions.reserve(m_entries.size() * 2);
        for (size_t i = 0; i < m_entries.size(); ++i)
            m_index->positions.emplace(m_entries[i].first, i);
    }
    auto it = m_index->positions.find(key);
    return it == m_index->positions.end() ? -1 : static_cast<long>(it->second);
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
    // The index holds views into the keys; a reallocation moves short keys, so drop it.
    if (m_entries.size() == m_entries.capacity())
        m_index.reset();
    m_entries.emplace_back(std::move(key), std::move(v));
    if (m_index)
        m_index->positions.emplace(m_entries.back().first, m_entries.size() - 1);
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
