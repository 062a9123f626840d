#include "Platform/Foundation/Value.h"

#include "Platform/Foundation/NumberParsing.h"
#include "Platform/Foundation/ValueArena.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
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

template <typename T> T saturate(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<double>(std::numeric_limits<T>::max()))
        return std::numeric_limits<T>::max();
    if (v <= static_cast<double>(std::numeric_limits<T>::min()))
        return std::numeric_limits<T>::min();
    return static_cast<T>(v);
}

// Sizes and counts are kept in 32 bits, which no text or container here nears.
uint32_t checkedSize(size_t n)
{
    if (n > std::numeric_limits<uint32_t>::max())
        throw std::length_error("Value: text or container too large");
    return static_cast<uint32_t>(n);
}

// Set in the owner count of a block whose room came from an arena. Counts never
// come near it, and the bit stays for the block's life.
constexpr uint32_t kInArena = 1u << 31;

// Room for a block from the thread's open arena, or nothing when there is none.
void* arenaMemory(size_t bytes)
{
    ValueArena* arena = ValueArena::current();
    return arena ? arena->allocate(bytes) : nullptr;
}

// Room for a block: the arena's when it has some, else an allocation of its own.
// `references` is set to one owner, marked when the room is the arena's.
template <typename T> T* makeBlock(size_t bytes)
{
    void* memory = arenaMemory(bytes);
    T* block = new (memory ? memory : ::operator new(bytes)) T;
    if (memory)
        block->references.store(1 | kInArena, std::memory_order_relaxed);
    return block;
}

template <typename T> void freeBlock(T* block, uint32_t references, size_t bytes)
{
    block->~T();
    if (references & kInArena)
        ValueArena::release(block, bytes);
    else
        ::operator delete(block);
}

// Whether this is the last owner releasing: a sole owner skips the locked
// decrement, as no one else can take a reference.
bool releasesLast(std::atomic<uint32_t>& references, uint32_t seen)
{
    return (seen & ~kInArena) == 1 || (references.fetch_sub(1, std::memory_order_acq_rel) & ~kInArena) == 1;
}

bool isShared(const std::atomic<uint32_t>& references)
{
    return (references.load(std::memory_order_acquire) & ~kInArena) > 1;
}

}  // namespace

// A reply is held as a tree of these: their size is the tree's memory.
static_assert(sizeof(Value) == 16 && sizeof(ValueKey) == 8 && sizeof(ValueDictionary::Entry) == 24);

const Value& nullValue()
{
    static const Value v;
    return v;
}

// MARK: - Shared text and keys

SharedText* SharedText::make(std::string_view text)
{
    const uint32_t size = checkedSize(text.size());
    auto* shared = makeBlock<SharedText>(sizeof(SharedText) + size);
    shared->size = size;
    if (size)
        std::memcpy(reinterpret_cast<char*>(shared + 1), text.data(), size);
    return shared;
}

void SharedText::release()
{
    // The last owner sees every earlier owner's use before it frees.
    const uint32_t seen = references.load(std::memory_order_acquire);
    if (seen & kLasting)
        return;
    if (!releasesLast(references, seen))
        return;
    freeBlock(this, seen, sizeof(SharedText) + size);
}

ValueKey::ValueKey(std::string_view text)
{
    static_assert(std::endian::native == std::endian::little, "the size tag is the key's first byte");
    if (text.size() > 7) {
        m_bits = reinterpret_cast<uintptr_t>(SharedText::make(text));
        return;
    }
    uint64_t bits = (text.size() << 1) | 1;
    if (!text.empty())
        std::memcpy(reinterpret_cast<char*>(&bits) + 1, text.data(), text.size());
    m_bits = bits;
}

namespace {

// Replies name their members from a small fixed set; these bounds keep a server
// sending endless distinct names from growing the kept ones without end.
constexpr size_t kLastingKeys = 4096;
constexpr size_t kLongestLastingKey = 64;

struct LastingKeys {
    std::mutex lock;
    std::unordered_map<std::string_view, SharedText*> texts;
};

LastingKeys& lastingKeys()
{
    // Never destroyed: keys made from it may be let go by statics at exit.
    static auto* keys = new LastingKeys;
    return *keys;
}

}  // namespace

ValueKey ValueKey::lasting(std::string_view text)
{
    if (text.size() <= 7 || text.size() > kLongestLastingKey)
        return ValueKey(text);
    LastingKeys& keys = lastingKeys();
    std::lock_guard guard(keys.lock);
    auto found = keys.texts.find(text);
    if (found == keys.texts.end()) {
        if (keys.texts.size() >= kLastingKeys)
            return ValueKey(text);
        // Its own allocation, never an open arena's: it outlives every tree.
        auto* shared = new (::operator new(sizeof(SharedText) + text.size())) SharedText;
        shared->references.store(SharedText::kLasting, std::memory_order_relaxed);
        shared->size = static_cast<uint32_t>(text.size());
        std::memcpy(reinterpret_cast<char*>(shared + 1), text.data(), text.size());
        found = keys.texts.emplace(shared->view(), shared).first;
    }
    ValueKey key;
    key.m_bits = reinterpret_cast<uintptr_t>(found->second);
    return key;
}

// MARK: - Value storage

// Data is rare in trees; it keeps its vector, behind a count of its owners.
struct Value::DataBox {
    std::atomic<uint32_t> references { 1 };
    ::Data data;
};

template <typename T> T Value::load() const
{
    T v;
    std::memcpy(&v, m_raw, sizeof v);
    return v;
}

template <typename T> void Value::store(T v) { std::memcpy(m_raw, &v, sizeof v); }

template <typename T> T& Value::object() { return *std::launder(reinterpret_cast<T*>(m_raw)); }

template <typename T> const T& Value::object() const { return *std::launder(reinterpret_cast<const T*>(m_raw)); }

std::string_view Value::text() const
{
    if (m_raw[kInlineText] != kSharedText)
        return { reinterpret_cast<const char*>(m_raw), m_raw[kInlineText] };
    return load<SharedText*>()->view();
}

void Value::setText(std::string_view text)
{
    if (text.size() <= kInlineText) {
        if (!text.empty())
            std::memcpy(m_raw, text.data(), text.size());
        m_raw[kInlineText] = static_cast<unsigned char>(text.size());
    } else {
        store(SharedText::make(text));
        m_raw[kInlineText] = kSharedText;
    }
}

Value::Value(bool b)
    : m_kind(NumberKind::Bool)
    , m_type(Type::Bool)
{
    store(b);
}
Value::Value(int v)
    : m_kind(NumberKind::Int)
    , m_type(Type::Integer)
{
    store<int64_t>(v);
}
Value::Value(long v)
    : m_kind(NumberKind::Long)
    , m_type(Type::Integer)
{
    store<int64_t>(v);
}
Value::Value(long long v)
    : m_kind(NumberKind::LongLong)
    , m_type(Type::Integer)
{
    store<int64_t>(v);
}
Value::Value(unsigned v)
    : m_kind(NumberKind::UnsignedInt)
    , m_type(Type::Integer)
{
    store<uint64_t>(v);
}
Value::Value(unsigned long v)
    : m_kind(NumberKind::UnsignedLong)
    , m_type(Type::Integer)
{
    store<uint64_t>(v);
}
Value::Value(unsigned long long v)
    : m_kind(NumberKind::UnsignedLongLong)
    , m_type(Type::Integer)
{
    store<uint64_t>(v);
}
Value::Value(float v)
    : m_kind(NumberKind::Float)
    , m_type(Type::Real)
{
    store(static_cast<double>(v));
}
Value::Value(double v)
    : m_kind(NumberKind::Double)
    , m_type(Type::Real)
{
    store(v);
}
Value::Value(const char* s)
    : Value(std::string_view(s ? s : ""))
{
}
Value::Value(const std::string& s)
    : Value(std::string_view(s))
{
}
Value::Value(std::string_view s)
    : m_type(Type::String)
{
    setText(s);
}
Value::Value(Date d)
    : m_type(Type::Date)
{
    store(d.secondsSince1970);
}
Value::Value(::Data d)
    : m_type(Type::Data)
{
    auto* box = new DataBox;
    box->data = std::move(d);
    store(box);
}
Value::Value(ValueArray a)
    : m_type(Type::Array)
{
    new (m_raw) ValueArray(std::move(a));
}
Value::Value(ValueDictionary d)
    : m_type(Type::Dictionary)
{
    new (m_raw) ValueDictionary(std::move(d));
}

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
    if (m_type == Type::Array || m_type == Type::Dictionary) {
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

void Value::destroy() noexcept
{
    switch (m_type) {
    case Type::Data: {
        auto* box = load<DataBox*>();
        if (box->references.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete box;
        break;
    }
    case Type::Array:
        object<ValueArray>().~ValueArray();
        break;
    case Type::Dictionary:
        object<ValueDictionary>().~ValueDictionary();
        break;
    default:
        if (holdsText() && m_raw[kInlineText] == kSharedText)
            load<SharedText*>()->release();
        break;
    }
    std::memset(m_raw, 0, sizeof m_raw);
    m_kind = NumberKind::LongLong;
    m_type = Type::Null;
}

void Value::copyFrom(const Value& other) noexcept
{
    switch (other.m_type) {
    case Type::Array:
        new (m_raw) ValueArray(other.object<ValueArray>());
        break;
    case Type::Dictionary:
        new (m_raw) ValueDictionary(other.object<ValueDictionary>());
        break;
    case Type::Data:
        other.load<DataBox*>()->references.fetch_add(1, std::memory_order_relaxed);
        std::memcpy(m_raw, other.m_raw, sizeof m_raw);
        break;
    default:
        if (other.holdsText() && other.m_raw[kInlineText] == kSharedText)
            other.load<SharedText*>()->retain();
        std::memcpy(m_raw, other.m_raw, sizeof m_raw);
        break;
    }
    m_kind = other.m_kind;
    m_type = other.m_type;
}

void Value::moveFrom(Value&& other) noexcept
{
    switch (other.m_type) {
    case Type::Array:
        new (m_raw) ValueArray(std::move(other.object<ValueArray>()));
        other.object<ValueArray>().~ValueArray();
        break;
    case Type::Dictionary:
        new (m_raw) ValueDictionary(std::move(other.object<ValueDictionary>()));
        other.object<ValueDictionary>().~ValueDictionary();
        break;
    default:
        std::memcpy(m_raw, other.m_raw, sizeof m_raw);
        break;
    }
    m_kind = other.m_kind;
    m_type = other.m_type;
    std::memset(other.m_raw, 0, sizeof other.m_raw);
    other.m_kind = NumberKind::LongLong;
    other.m_type = Type::Null;
}

Value Value::integer(int64_t v, NumberKind kind)
{
    if (kind == NumberKind::Bool)
        return Value(v != 0);
    if (kind == NumberKind::Float || kind == NumberKind::Double)
        return real(static_cast<double>(v), kind);
    Value value;
    value.m_type = Type::Integer;
    value.m_kind = kind;
    value.store(v);
    return value;
}

Value Value::unsignedInteger(uint64_t v) { return Value(static_cast<unsigned long long>(v)); }

Value Value::real(double v, NumberKind kind)
{
    Value value;
    value.m_type = Type::Real;
    value.m_kind = kind == NumberKind::Float ? NumberKind::Float : NumberKind::Double;
    value.store(kind == NumberKind::Float ? static_cast<double>(static_cast<float>(v)) : v);
    return value;
}

Value Value::decimal(std::string_view text)
{
    Value value;
    value.m_type = Type::Real;
    value.m_kind = NumberKind::Decimal;
    value.setText(text);
    return value;
}

std::optional<std::string_view> Value::decimalText() const
{
    if (m_type == Type::Real && m_kind == NumberKind::Decimal)
        return text();
    return std::nullopt;
}

double Value::realValue() const
{
    if (m_kind != NumberKind::Decimal)
        return load<double>();
    // Out of range: too small is zero (or the nearest subnormal), too large infinity.
    const std::string_view s = text();
    double d = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (ec == std::errc::result_out_of_range) {
        size_t e = s.find_first_of("eE");
        bool tiny = e != std::string_view::npos && e + 1 < s.size() && s[e + 1] == '-';
        bool negative = !s.empty() && s.front() == '-';
        d = tiny ? (negative ? -0.0 : 0.0) : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return d;
}

Value Value::array(std::initializer_list<Value> items) { return Value(ValueArray(items)); }

Value Value::dictionary(std::initializer_list<std::pair<std::string, Value>> items)
{
    ValueDictionary d;
    d.reserve(items.size());
    for (const auto& [key, value] : items)
        d.set(key, value);
    return Value(std::move(d));
}

bool Value::isUnsigned() const { return m_type == Type::Integer && isUnsignedKind(m_kind); }

bool Value::boolValue() const
{
    switch (m_type) {
    case Type::Bool:
        return load<bool>();
    case Type::Integer:
        return load<int64_t>() != 0;
    case Type::Real:
        return realValue() != 0;
    case Type::String:
        return NumberParsing::boolValue(text());
    default:
        return false;
    }
}

long long Value::longLongValue() const
{
    switch (m_type) {
    case Type::Bool:
        return load<bool>() ? 1 : 0;
    case Type::Integer:
        // An unsigned value past the signed range wraps, as the platform's conversion does.
        return static_cast<long long>(load<int64_t>());
    case Type::Real:
        return saturate<long long>(realValue());
    case Type::String:
        return NumberParsing::longLongValue(text());
    default:
        return 0;
    }
}

unsigned long long Value::unsignedLongLongValue() const
{
    if (m_type == Type::Integer)
        return load<uint64_t>();
    if (m_type == Type::Real)
        return realValue() <= 0 ? 0 : saturate<unsigned long long>(realValue());
    return static_cast<unsigned long long>(longLongValue());
}

int Value::intValue() const
{
    switch (m_type) {
    case Type::Integer:
        return static_cast<int>(load<int64_t>());  // truncates, as a narrowing number conversion does
    case Type::Real:
        return saturate<int>(realValue());
    case Type::String:
        return NumberParsing::intValue(text());
    default:
        return static_cast<int>(longLongValue());
    }
}

long Value::longValue() const { return static_cast<long>(longLongValue()); }

double Value::doubleValue() const
{
    switch (m_type) {
    case Type::Bool:
        return load<bool>() ? 1 : 0;
    case Type::Integer:
        return isUnsignedKind(m_kind) ? static_cast<double>(load<uint64_t>()) : static_cast<double>(load<int64_t>());
    case Type::Real:
        return realValue();
    case Type::Date:
        return load<double>();
    case Type::String:
        return NumberParsing::doubleValue(text());
    default:
        return 0;
    }
}

float Value::floatValue() const { return static_cast<float>(doubleValue()); }

std::string Value::stringValue() const
{
    char buffer[32];
    switch (m_type) {
    case Type::String:
        return std::string(text());
    case Type::Bool:
        return load<bool>() ? "1" : "0";
    case Type::Integer:
        return isUnsignedKind(m_kind) ? std::to_string(load<uint64_t>()) : std::to_string(load<int64_t>());
    case Type::Real:
        if (m_kind == NumberKind::Decimal)
            return std::string(text());
        if (m_kind == NumberKind::Float)
            return std::string(NumberParsing::text(static_cast<float>(load<double>()), buffer));
        return std::string(NumberParsing::text(load<double>(), buffer));
    default:
        return {};
    }
}

std::optional<std::string_view> Value::stringView() const
{
    if (m_type == Type::String)
        return text();
    return std::nullopt;
}

Date Value::dateValue() const
{
    if (m_type == Type::Date)
        return Date { load<double>() };
    return Date {};
}

const Data& Value::dataValue() const { return m_type == Type::Data ? load<DataBox*>()->data : emptyData(); }

size_t Value::count() const
{
    if (m_type == Type::Array)
        return object<ValueArray>().size();
    if (m_type == Type::Dictionary)
        return object<ValueDictionary>().size();
    return 0;
}

const Value& Value::operator[](size_t index) const
{
    if (m_type != Type::Array)
        return nullValue();
    const auto& a = object<ValueArray>();
    return index < a.size() ? a[index] : nullValue();
}

const ValueArray& Value::arrayValue() const { return m_type == Type::Array ? object<ValueArray>() : emptyArray(); }

ValueArray& Value::mutableArray()
{
    // The array copies shared storage itself before its first change.
    if (m_type != Type::Array)
        *this = Value(ValueArray {});
    return object<ValueArray>();
}

void Value::append(Value v) { mutableArray().push_back(std::move(v)); }

const Value& Value::operator[](std::string_view key) const
{
    const Value* v = find(key);
    return v ? *v : nullValue();
}

const Value* Value::find(std::string_view key) const
{
    if (m_type != Type::Dictionary)
        return nullptr;
    return object<ValueDictionary>().find(key);
}

const ValueDictionary& Value::dictionaryValue() const
{
    return m_type == Type::Dictionary ? object<ValueDictionary>() : emptyDictionary();
}

ValueDictionary& Value::mutableDictionary()
{
    if (m_type != Type::Dictionary)
        *this = Value(ValueDictionary {});
    return object<ValueDictionary>();
}

void Value::set(std::string_view key, Value v) { mutableDictionary().set(key, std::move(v)); }

void Value::remove(std::string_view key)
{
    if (m_type == Type::Dictionary)
        object<ValueDictionary>().remove(key);
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
        return text() == other.text();
    case Type::Date:
        return load<double>() == other.load<double>();
    case Type::Data:
        return dataValue() == other.dataValue();
    case Type::Array:
        return object<ValueArray>() == other.object<ValueArray>();
    case Type::Dictionary:
        return object<ValueDictionary>() == other.object<ValueDictionary>();
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
        out += NumberParsing::shortest(load<double>(), buffer);
        return out += ">";
    }
    case Type::Data: {
        std::string out = "<";
        out += std::to_string(dataValue().size());
        return out += " bytes>";
    }
    case Type::Array: {
        std::string out = "(";
        bool first = true;
        for (const auto& v : object<ValueArray>()) {
            out += first ? "" : ", ";
            out += v.description();
            first = false;
        }
        return out + ")";
    }
    case Type::Dictionary: {
        std::string out = "{";
        bool first = true;
        for (const auto& [k, v] : object<ValueDictionary>()) {
            out += first ? "" : "; ";
            out += k.view();
            out += " = ";
            out += v.description();
            first = false;
        }
        return out + "}";
    }
    default:
        return stringValue();
    }
}

// MARK: - Arrays

ValueArray::Block* ValueArray::allocate(size_t capacity)
{
    const uint32_t room = checkedSize(capacity);
    auto* block = makeBlock<Block>(sizeof(Block) + sizeof(Value) * room);
    block->capacity = room;
    return block;
}

void ValueArray::release(Block* block)
{
    if (!block)
        return;
    const uint32_t seen = block->references.load(std::memory_order_acquire);
    if (!releasesLast(block->references, seen))
        return;
    Value* items = block->items();
    for (uint32_t i = 0; i < block->size; ++i)
        items[i].~Value();
    freeBlock(block, seen, sizeof(Block) + sizeof(Value) * block->capacity);
}

ValueArray::ValueArray(std::initializer_list<Value> items)
{
    if (items.size() == 0)
        return;
    m_block = allocate(items.size());
    for (const Value& v : items)
        new (m_block->items() + m_block->size++) Value(v);
}

ValueArray::ValueArray(std::vector<Value> items)
    : ValueArray(movingFrom(items))
{
}

ValueArray ValueArray::movingFrom(std::span<Value> items)
{
    ValueArray array;
    if (items.empty())
        return array;
    array.m_block = allocate(items.size());
    for (Value& v : items)
        new (array.m_block->items() + array.m_block->size++) Value(std::move(v));
    return array;
}

ValueArray ValueArray::relocatingFrom(std::span<Value> items)
{
    ValueArray array;
    if (items.empty())
        return array;
    try {
        array.m_block = allocate(items.size());
    } catch (...) {
        std::destroy(items.begin(), items.end());
        throw;
    }
    // A value holds nothing that points back into itself.
    std::memcpy(static_cast<void*>(array.m_block->items()), items.data(), items.size_bytes());
    array.m_block->size = static_cast<uint32_t>(items.size());
    return array;
}

ValueArray::ValueArray(const ValueArray& other) noexcept
    : m_block(other.m_block)
{
    if (m_block)
        m_block->references.fetch_add(1, std::memory_order_relaxed);
}

ValueArray& ValueArray::operator=(const ValueArray& other) noexcept
{
    ValueArray copy(other);
    std::swap(m_block, copy.m_block);
    return *this;
}

ValueArray& ValueArray::operator=(ValueArray&& other) noexcept
{
    // `other` may live in this array's own storage: take it out before letting go.
    ValueArray moved(std::move(other));
    std::swap(m_block, moved.m_block);
    return *this;
}

ValueArray::~ValueArray() { release(m_block); }

Value* ValueArray::ownedItems(size_t capacity)
{
    if (!m_block) {
        if (!capacity)
            return nullptr;
        m_block = allocate(capacity);
        return m_block->items();
    }
    // Copy on write: storage another value shares is copied before the first change.
    const bool shared = isShared(m_block->references);
    if (!shared && m_block->capacity >= capacity)
        return m_block->items();
    Block* fresh = allocate(std::max<size_t>(capacity, m_block->size));
    Value* from = m_block->items();
    for (uint32_t i = 0; i < m_block->size; ++i) {
        if (shared)
            new (fresh->items() + i) Value(from[i]);
        else
            new (fresh->items() + i) Value(std::move(from[i]));
    }
    fresh->size = m_block->size;
    release(m_block);
    m_block = fresh;
    return fresh->items();
}

Value& ValueArray::operator[](size_t i) { return ownedItems(m_block->capacity)[i]; }

void ValueArray::push_back(Value v)
{
    const size_t n = size();
    const size_t capacity = m_block ? m_block->capacity : 0;
    Value* items = ownedItems(n < capacity ? capacity : std::max<size_t>(4, capacity * 2));
    new (items + n) Value(std::move(v));
    ++m_block->size;
}

void ValueArray::reserve(size_t n)
{
    if (n > (m_block ? m_block->capacity : 0))
        ownedItems(n);
}

void ValueArray::erase(size_t i)
{
    const size_t n = size();
    Value* items = ownedItems(m_block->capacity);
    for (size_t j = i; j + 1 < n; ++j)
        items[j] = std::move(items[j + 1]);
    items[n - 1].~Value();
    --m_block->size;
}

void ValueArray::insert(size_t i, Value v)
{
    const size_t n = size();
    const size_t capacity = m_block ? m_block->capacity : 0;
    Value* items = ownedItems(n < capacity ? capacity : std::max<size_t>(4, capacity * 2));
    new (items + n) Value();
    ++m_block->size;
    for (size_t j = n; j > i; --j)
        items[j] = std::move(items[j - 1]);
    items[i] = std::move(v);
}

void ValueArray::clear() { release(std::exchange(m_block, nullptr)); }

Value* ValueArray::begin() { return m_block ? ownedItems(m_block->capacity) : nullptr; }

Value* ValueArray::end() { return m_block ? ownedItems(m_block->capacity) + m_block->size : nullptr; }

std::vector<Value> ValueArray::items() const { return std::vector<Value>(begin(), end()); }

bool ValueArray::operator==(const ValueArray& other) const
{
    return m_block == other.m_block || std::equal(begin(), end(), other.begin(), other.end());
}

// MARK: - Dictionaries

namespace {

// FNV-1a: keys are short column names, where it beats the library's hash.
size_t hashKey(std::string_view key)
{
    uint64_t h = 14695981039346656037ull;
    for (char c : key)
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 29));
}

// Below this size a linear search beats hashing the key.
constexpr size_t kIndexThreshold = 12;
// A dictionary read in one go is checked for repeated keys once, so a linear
// check pays for longer than the per-lookup search does.
constexpr size_t kLinearDuplicateCheck = 32;

// Equal keys have equal signatures. A short key's is its own eight bytes (its
// size tag, its text, zeros after), which tell every short key apart; a long
// key's is its first eight bytes and its size.
uint64_t keySignature(const ValueKey& key)
{
    const std::string_view text = key.view();
    uint64_t bits;
    if (text.size() <= 7) {
        std::memcpy(&bits, text.data() - 1, 8);
        return bits;
    }
    std::memcpy(&bits, text.data(), 8);
    return (bits << 1) ^ (text.size() << 32);
}

}  // namespace

// Open addressing over positions in the entries, in one allocation; the slots
// hold position + 1, and 0 marks an empty one.
struct ValueDictionary::Index {
    size_t mask = 0;
    uint32_t* slots() { return reinterpret_cast<uint32_t*>(this + 1); }
    const uint32_t* slots() const { return reinterpret_cast<const uint32_t*>(this + 1); }

    // Sized for the dictionary's room, so one built at its final size indexes once.
    static Index* make(size_t room)
    {
        size_t count = 16;
        while (count < room * 2 + 2)
            count <<= 1;
        auto* index = new (::operator new(sizeof(Index) + count * sizeof(uint32_t))) Index;
        index->mask = count - 1;
        std::memset(index->slots(), 0, count * sizeof(uint32_t));
        return index;
    }
    static void destroy(Index* index)
    {
        if (!index)
            return;
        index->~Index();
        ::operator delete(index);
    }
    bool needsGrowth(size_t count) const { return (count + 1) * 2 > mask + 1; }
    void insert(std::string_view key, size_t position)
    {
        size_t slot = hashKey(key) & mask;
        while (slots()[slot] != 0)
            slot = (slot + 1) & mask;
        slots()[slot] = static_cast<uint32_t>(position + 1);
    }
    long lookup(const Entry* entries, std::string_view key) const
    {
        size_t slot = hashKey(key) & mask;
        while (uint32_t position = slots()[slot]) {
            if (entries[position - 1].first == key)
                return static_cast<long>(position - 1);
            slot = (slot + 1) & mask;
        }
        return -1;
    }
};

ValueDictionary::Block* ValueDictionary::allocate(size_t capacity)
{
    const uint32_t room = checkedSize(capacity);
    auto* block = makeBlock<Block>(sizeof(Block) + sizeof(Entry) * room);
    block->capacity = room;
    return block;
}

void ValueDictionary::release(Block* block)
{
    if (!block)
        return;
    const uint32_t seen = block->references.load(std::memory_order_acquire);
    if (!releasesLast(block->references, seen))
        return;
    Entry* entries = block->entries();
    for (uint32_t i = 0; i < block->size; ++i)
        entries[i].~Entry();
    Index::destroy(block->index.load(std::memory_order_acquire));
    freeBlock(block, seen, sizeof(Block) + sizeof(Entry) * block->capacity);
}

ValueDictionary::ValueDictionary(std::initializer_list<Entry> items)
{
    reserve(items.size());
    for (const auto& [key, value] : items)
        set(key, value);
}

ValueDictionary::ValueDictionary(const ValueDictionary& other) noexcept
    : m_block(other.m_block)
{
    if (m_block)
        m_block->references.fetch_add(1, std::memory_order_relaxed);
}

ValueDictionary& ValueDictionary::operator=(const ValueDictionary& other) noexcept
{
    ValueDictionary copy(other);
    std::swap(m_block, copy.m_block);
    return *this;
}

ValueDictionary& ValueDictionary::operator=(ValueDictionary&& other) noexcept
{
    // `other` may live in this dictionary's own storage: take it out before letting go.
    ValueDictionary moved(std::move(other));
    std::swap(m_block, moved.m_block);
    return *this;
}

ValueDictionary::~ValueDictionary() { release(m_block); }

ValueDictionary ValueDictionary::withEntries(std::span<Entry> entries)
{
    ValueDictionary dictionary;
    if (entries.empty())
        return dictionary;
    Block* block = allocate(entries.size());
    for (Entry& entry : entries)
        new (block->entries() + block->size++) Entry(std::move(entry));
    dictionary.m_block = block;
    dictionary.removeDuplicateKeys();
    return dictionary;
}

ValueDictionary ValueDictionary::relocatingEntries(std::span<Entry> entries)
{
    ValueDictionary dictionary;
    if (entries.empty())
        return dictionary;
    Block* block;
    try {
        block = allocate(entries.size());
    } catch (...) {
        std::destroy(entries.begin(), entries.end());
        throw;
    }
    // Neither a key nor a value holds anything that points back into itself.
    std::memcpy(static_cast<void*>(block->entries()), entries.data(), entries.size_bytes());
    block->size = static_cast<uint32_t>(entries.size());
    dictionary.m_block = block;
    dictionary.removeDuplicateKeys();
    return dictionary;
}

void ValueDictionary::removeDuplicateKeys()
{
    Entry* entries = m_block->entries();
    const size_t count = m_block->size;
    if (count < 2)
        return;
    // The first `kept` entries hold distinct keys; each later one either
    // replaces a kept value or joins them.
    size_t kept = 1;
    if (count <= kLinearDuplicateCheck) {
        // Keys are told apart by their size and first bytes, read once each;
        // only keys alike in those are compared whole.
        uint64_t signatures[kLinearDuplicateCheck];
        for (size_t i = 0; i < count; ++i)
            signatures[i] = keySignature(entries[i].first);
        for (size_t i = 1; i < count; ++i) {
            const uint64_t signature = signatures[i];
            size_t j = 0;
            while (j < kept && (signatures[j] != signature || entries[j].first != entries[i].first))
                ++j;
            if (j < kept) {
                entries[j].second = std::move(entries[i].second);
            } else {
                if (kept != i) {
                    entries[kept] = std::move(entries[i]);
                    signatures[kept] = signature;
                }
                ++kept;
            }
        }
    } else {
        // Hashing pays here, and the index serves later lookups too.
        Index* index = Index::make(m_block->capacity);
        index->insert(entries[0].first, 0);
        for (size_t i = 1; i < count; ++i) {
            long j = index->lookup(entries, entries[i].first);
            if (j >= 0 && static_cast<size_t>(j) < kept) {
                entries[static_cast<size_t>(j)].second = std::move(entries[i].second);
                continue;
            }
            if (kept != i)
                entries[kept] = std::move(entries[i]);
            index->insert(entries[kept].first, kept);
            ++kept;
        }
        m_block->index.store(index, std::memory_order_relaxed);
    }
    for (size_t i = kept; i < count; ++i)
        entries[i].~Entry();
    m_block->size = static_cast<uint32_t>(kept);
}

ValueDictionary::Entry* ValueDictionary::ownedEntries(size_t capacity)
{
    if (!m_block) {
        if (!capacity)
            return nullptr;
        m_block = allocate(capacity);
        return m_block->entries();
    }
    // Copy on write: storage another value shares is copied before the first change.
    const bool shared = isShared(m_block->references);
    if (!shared && m_block->capacity >= capacity)
        return m_block->entries();
    Block* fresh = allocate(std::max<size_t>(capacity, m_block->size));
    Entry* from = m_block->entries();
    for (uint32_t i = 0; i < m_block->size; ++i) {
        if (shared)
            new (fresh->entries() + i) Entry(from[i]);
        else
            new (fresh->entries() + i) Entry(std::move(from[i]));
    }
    fresh->size = m_block->size;
    release(m_block);
    m_block = fresh;
    return fresh->entries();
}

long ValueDictionary::indexOf(std::string_view key) const
{
    if (!m_block)
        return -1;
    const Entry* entries = m_block->entries();
    const size_t count = m_block->size;
    if (count < kIndexThreshold) {
        for (size_t i = 0; i < count; ++i) {
            if (entries[i].first == key)
                return static_cast<long>(i);
        }
        return -1;
    }
    // Readers on several threads may share this dictionary: each may build an
    // index, and the first one published is the one every reader uses.
    Index* index = m_block->index.load(std::memory_order_acquire);
    if (!index) {
        Index* built = Index::make(m_block->capacity);
        for (size_t i = 0; i < count; ++i)
            built->insert(entries[i].first, i);
        if (m_block->index.compare_exchange_strong(index, built, std::memory_order_acq_rel, std::memory_order_acquire))
            index = built;
        else
            Index::destroy(built);
    }
    return index->lookup(entries, key);
}

const Value* ValueDictionary::find(std::string_view key) const
{
    long i = indexOf(key);
    return i < 0 ? nullptr : &m_block->entries()[i].second;
}

Value* ValueDictionary::find(std::string_view key)
{
    long i = indexOf(key);
    return i < 0 ? nullptr : &ownedEntries(m_block->capacity)[i].second;
}

const Value& ValueDictionary::operator[](std::string_view key) const
{
    const Value* v = find(key);
    return v ? *v : nullValue();
}

void ValueDictionary::set(std::string_view key, Value v)
{
    long i = indexOf(key);
    if (i >= 0) {
        ownedEntries(m_block->capacity)[i].second = std::move(v);
        return;
    }
    // Made before the storage moves: `key` may be this dictionary's own text.
    ValueKey stored(key);
    const size_t n = size();
    const size_t capacity = m_block ? m_block->capacity : 0;
    Entry* entries = ownedEntries(n < capacity ? capacity : std::max<size_t>(4, capacity * 2));
    new (entries + n) Entry(std::move(stored), std::move(v));
    ++m_block->size;
    if (Index* index = m_block->index.load(std::memory_order_relaxed)) {
        if (index->needsGrowth(m_block->size)) {
            Index::destroy(index);
            m_block->index.store(nullptr, std::memory_order_relaxed);
        } else {
            index->insert(entries[n].first, n);
        }
    }
}

void ValueDictionary::remove(std::string_view key)
{
    long i = indexOf(key);
    if (i < 0)
        return;
    const size_t n = size();
    Entry* entries = ownedEntries(m_block->capacity);
    for (size_t j = static_cast<size_t>(i); j + 1 < n; ++j)
        entries[j] = std::move(entries[j + 1]);
    entries[n - 1].~Entry();
    --m_block->size;
    Index::destroy(m_block->index.exchange(nullptr, std::memory_order_relaxed));
}

void ValueDictionary::clear() { release(std::exchange(m_block, nullptr)); }

void ValueDictionary::reserve(size_t n)
{
    if (n > (m_block ? m_block->capacity : 0))
        ownedEntries(n);
}

std::vector<std::string> ValueDictionary::keys() const
{
    std::vector<std::string> out;
    out.reserve(size());
    for (const auto& e : *this)
        out.emplace_back(e.first.view());
    return out;
}

bool ValueDictionary::operator==(const ValueDictionary& other) const
{
    if (m_block == other.m_block)
        return true;
    if (size() != other.size())
        return false;
    for (const auto& [k, v] : *this) {
        const Value* o = other.find(k);
        if (!o || !(*o == v))
            return false;
    }
    return true;
}
