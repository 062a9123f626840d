#pragma once

// The platform's loose data in one type: null, boolean, integer, real, string,
// date, data, array and dictionary. JSON, property lists, user defaults and the
// table models all speak it.
//
// Numbers keep the kind they were made with (the platform's type codes 'c',
// 'i', 'l', 'q', 'Q', 'f', 'd' and the boolean kind), because a single-precision
// real and a double, or a boolean and an integer, are written differently.
//
// Arrays and dictionaries have value semantics with copy-on-write storage: a
// copy is cheap and a write to one copy never shows in another. Dictionaries
// keep their keys in insertion order so that encodings are stable.
//
// A value is sixteen bytes: a whole synchronisation reply is held as a tree of
// them, so short texts live in the value itself, longer texts are shared by
// every copy, and each array or dictionary is one allocation.

#include <atomic>
#include <compare>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Value;

using Data = std::vector<uint8_t>;

// A point in time, in seconds since 1970-01-01 00:00:00 UTC.
struct Date {
    double secondsSince1970 = 0;
    bool operator==(const Date&) const = default;
    auto operator<=>(const Date&) const = default;
};

// Text that never changes once made, shared by the values and keys holding it;
// the characters follow the header in the same allocation.
struct SharedText {
    // Set in the owner count of a text kept for the program's life: taking and
    // letting go of it count nothing.
    static constexpr uint32_t kLasting = 1u << 30;

    std::atomic<uint32_t> references { 1 };
    uint32_t size = 0;

    static SharedText* make(std::string_view text);
    const char* data() const { return reinterpret_cast<const char*>(this + 1); }
    std::string_view view() const { return { data(), size }; }
    void retain()
    {
        if (!(references.load(std::memory_order_relaxed) & kLasting))
            references.fetch_add(1, std::memory_order_relaxed);
    }
    void release();
};

// A dictionary key in eight bytes: up to seven bytes of text held inline,
// longer text shared with every copy of the key.
class ValueKey {
public:
    ValueKey() noexcept = default;
    ValueKey(std::string_view text);
    ValueKey(const std::string& text)
        : ValueKey(std::string_view(text))
    {
    }
    ValueKey(const char* text)
        : ValueKey(std::string_view(text ? text : ""))
    {
    }
    // A key for a name used over and over for the program's life, such as a
    // reply's member names: the text is made once and kept, and its copies
    // cost no counting. Only a bounded number of names of bounded length are
    // kept; any other is an ordinary key.
    static ValueKey lasting(std::string_view text);
    ValueKey(const ValueKey& other) noexcept
        : m_bits(other.m_bits)
    {
        if (!isInline())
            shared()->retain();
    }
    ValueKey(ValueKey&& other) noexcept
        : m_bits(other.m_bits)
    {
        other.m_bits = kEmpty;
    }
    ValueKey& operator=(const ValueKey& other) noexcept
    {
        ValueKey copy(other);
        std::swap(m_bits, copy.m_bits);
        return *this;
    }
    ValueKey& operator=(ValueKey&& other) noexcept
    {
        std::swap(m_bits, other.m_bits);
        return *this;
    }
    ~ValueKey()
    {
        if (!isInline())
            shared()->release();
    }

    std::string_view view() const noexcept
    {
        if (isInline())
            return { reinterpret_cast<const char*>(&m_bits) + 1, static_cast<size_t>((m_bits & 0xFF) >> 1) };
        return shared()->view();
    }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(view()); }
    size_t size() const noexcept { return view().size(); }
    bool empty() const noexcept { return view().empty(); }

    friend bool operator==(const ValueKey& a, const ValueKey& b) noexcept
    {
        return a.m_bits == b.m_bits || a.view() == b.view();
    }
    friend bool operator==(const ValueKey& a, std::string_view b) noexcept { return a.view() == b; }
    friend bool operator==(const ValueKey& a, const std::string& b) noexcept { return a.view() == b; }
    friend bool operator==(const ValueKey& a, const char* b) noexcept
    {
        return a.view() == std::string_view(b ? b : "");
    }
    friend std::strong_ordering operator<=>(const ValueKey& a, const ValueKey& b) noexcept
    {
        return a.view() <=> b.view();
    }

private:
    // Inline text: the low byte is (size << 1) | 1 and the text follows it;
    // otherwise the bits are a SharedText pointer, whose low bit is clear.
    static constexpr uint64_t kEmpty = 1;
    uint64_t m_bits = kEmpty;
    bool isInline() const noexcept { return m_bits & 1; }
    SharedText* shared() const noexcept { return reinterpret_cast<SharedText*>(static_cast<uintptr_t>(m_bits)); }
};

// An array of values: one allocation holding its count and its elements, shared
// by copies until one of them changes.
class ValueArray {
public:
    ValueArray() noexcept = default;
    ValueArray(std::initializer_list<Value> items);
    explicit ValueArray(std::vector<Value> items);
    ValueArray(const ValueArray& other) noexcept;
    ValueArray(ValueArray&& other) noexcept
        : m_block(std::exchange(other.m_block, nullptr))
    {
    }
    ValueArray& operator=(const ValueArray& other) noexcept;
    ValueArray& operator=(ValueArray&& other) noexcept;
    ~ValueArray();

    // The values in `items`, moved into an array made at their exact size.
    static ValueArray movingFrom(std::span<Value> items);
    // As movingFrom, but the values are taken bit for bit, also when making
    // the array fails: the caller gives up their room without destroying them.
    static ValueArray relocatingFrom(std::span<Value> items);

    size_t size() const { return m_block ? m_block->size : 0; }
    bool empty() const { return size() == 0; }
    const Value& operator[](size_t i) const;
    Value& operator[](size_t i);
    void push_back(Value v);
    void reserve(size_t n);
    void erase(size_t i);
    void insert(size_t i, Value v);
    void clear();
    const Value* begin() const;
    const Value* end() const;
    Value* begin();
    Value* end();
    // A copy of the elements.
    std::vector<Value> items() const;
    bool operator==(const ValueArray& other) const;

private:
    struct alignas(8) Block {
        std::atomic<uint32_t> references { 1 };
        uint32_t size = 0;
        uint32_t capacity = 0;
        Value* items() { return reinterpret_cast<Value*>(this + 1); }
    };
    Block* m_block = nullptr;

    static Block* allocate(size_t capacity);
    static void release(Block* block);
    // Makes this array the only owner of room for `capacity` elements.
    Value* ownedItems(size_t capacity);
};

// Insertion-ordered map from text keys to values, in one allocation. Small
// dictionaries are searched linearly; larger ones keep a hash index, made on
// the first lookup and safe to make from several readers at once.
class ValueDictionary {
public:
    using Entry = std::pair<ValueKey, Value>;

    ValueDictionary() noexcept = default;
    ValueDictionary(std::initializer_list<Entry> items);
    ValueDictionary(const ValueDictionary& other) noexcept;
    ValueDictionary& operator=(const ValueDictionary& other) noexcept;
    ValueDictionary(ValueDictionary&& other) noexcept
        : m_block(std::exchange(other.m_block, nullptr))
    {
    }
    ValueDictionary& operator=(ValueDictionary&& other) noexcept;
    ~ValueDictionary();

    // Takes the entries (moving them out) in their order, as a run of `set`
    // calls would: a later entry with an earlier one's key replaces its value
    // in the earlier place. Builds a large dictionary in one pass instead of a
    // search per key.
    static ValueDictionary withEntries(std::span<Entry> entries);
    // As withEntries, but the entries are taken bit for bit, also when making
    // the dictionary fails: the caller gives up their room without destroying
    // them.
    static ValueDictionary relocatingEntries(std::span<Entry> entries);

    size_t size() const { return m_block ? m_block->size : 0; }
    bool empty() const { return size() == 0; }
    const Value* find(std::string_view key) const;
    Value* find(std::string_view key);
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    const Value& operator[](std::string_view key) const;  // null value when absent
    // Sets or replaces; a replaced key keeps its place.
    void set(std::string_view key, Value v);
    void remove(std::string_view key);
    void clear();
    std::vector<std::string> keys() const;
    void reserve(size_t n);
    const Entry* begin() const;
    const Entry* end() const;
    std::span<const Entry> entries() const;
    bool operator==(const ValueDictionary& other) const;

private:
    struct Index;
    struct alignas(8) Block {
        std::atomic<uint32_t> references { 1 };
        uint32_t size = 0;
        uint32_t capacity = 0;
        // Built once the dictionary is large enough to need it.
        std::atomic<Index*> index { nullptr };
        Entry* entries() { return reinterpret_cast<Entry*>(this + 1); }
    };
    Block* m_block = nullptr;

    static Block* allocate(size_t capacity);
    static void release(Block* block);
    Entry* ownedEntries(size_t capacity);
    long indexOf(std::string_view key) const;
    void removeDuplicateKeys();
};

class Value {
public:
    // A scoped enumerator cannot hide the global `Data`, but GCC 12's -Wshadow
    // says it does; the kinds keep the names every caller reads.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
    enum class Type : uint8_t { Null, Bool, Integer, Real, String, Date, Data, Array, Dictionary };
#pragma GCC diagnostic pop

    // The number kinds of the platform, by their type codes.
    enum class NumberKind : char {
        Char = 'c',
        Int = 'i',
        Long = 'l',
        LongLong = 'q',
        UnsignedInt = 'I',
        UnsignedLong = 'L',
        UnsignedLongLong = 'Q',
        Float = 'f',
        Double = 'd',
        Bool = 'B',
        // A decimal number kept as the text it was read from (JSON numbers),
        // so that it is written back with every digit it had.
        Decimal = 'D',
    };

    Value() = default;
    Value(std::nullptr_t) { }
    Value(const Value& other);
    Value(Value&& other) noexcept;
    Value& operator=(const Value& other);
    Value& operator=(Value&& other) noexcept;
    ~Value();
    Value(bool b);
    Value(int v);
    Value(long v);
    Value(long long v);
    Value(unsigned v);
    Value(unsigned long v);
    Value(unsigned long long v);
    Value(float v);
    Value(double v);
    Value(const char* s);
    Value(const std::string& s);
    Value(std::string_view s);
    Value(Date d);
    Value(::Data d);
    Value(ValueArray a);
    Value(ValueDictionary d);

    // A number of an explicit kind (for example a 'c' boolean-ish char).
    static Value integer(int64_t v, NumberKind kind = NumberKind::LongLong);
    static Value unsignedInteger(uint64_t v);
    static Value real(double v, NumberKind kind = NumberKind::Double);
    // A real held as its decimal text, which must be a valid JSON number
    // ("-12.50", "1e-400"); it reads as the nearest double.
    static Value decimal(std::string_view text);
    // The decimal text of a number made by `decimal`, else nothing.
    std::optional<std::string_view> decimalText() const;
    static Value array(std::initializer_list<Value> items = {});
    static Value dictionary(std::initializer_list<std::pair<std::string, Value>> items = {});

    Type type() const { return m_type; }
    NumberKind numberKind() const { return m_type == Type::String ? NumberKind::LongLong : m_kind; }
    bool isNull() const { return m_type == Type::Null; }
    bool isBool() const { return m_type == Type::Bool; }
    bool isInteger() const { return m_type == Type::Integer; }
    bool isReal() const { return m_type == Type::Real; }
    bool isNumber() const { return m_type == Type::Bool || m_type == Type::Integer || m_type == Type::Real; }
    bool isString() const { return m_type == Type::String; }
    bool isDate() const { return m_type == Type::Date; }
    bool isData() const { return m_type == Type::Data; }
    bool isArray() const { return m_type == Type::Array; }
    bool isDictionary() const { return m_type == Type::Dictionary; }
    bool isUnsigned() const;

    // The platform's conversions: numbers convert among themselves, texts are
    // read by their longest numeric prefix, anything else gives 0 / false.
    bool boolValue() const;
    int intValue() const;
    long longValue() const;
    long integerValue() const { return longValue(); }
    long long longLongValue() const;
    unsigned long long unsignedLongLongValue() const;
    float floatValue() const;
    double doubleValue() const;
    // Text of a string; the description of a number ("12", "1.5", "1" for YES);
    // empty for everything else.
    std::string stringValue() const;
    // A string's own text, or nothing for any other type. The view lasts as
    // long as this value is neither changed nor destroyed.
    std::optional<std::string_view> stringView() const;
    Date dateValue() const;
    const ::Data& dataValue() const;

    // Arrays.
    size_t count() const;  // elements of an array or entries of a dictionary, else 0
    const Value& operator[](size_t index) const;  // null value when out of range or not an array
    const ValueArray& arrayValue() const;  // empty array when not an array
    ValueArray& mutableArray();  // makes this an array if it is not one
    void append(Value v);

    // Dictionaries.
    const Value& operator[](std::string_view key) const;  // null value when absent
    const Value& operator[](const char* key) const { return (*this)[std::string_view(key)]; }
    const Value* find(std::string_view key) const;  // nullptr when absent
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    const ValueDictionary& dictionaryValue() const;  // empty when not a dictionary
    ValueDictionary& mutableDictionary();  // makes this a dictionary if it is not one
    void set(std::string_view key, Value v);
    void remove(std::string_view key);

    // Deep equality; numbers compare by value across kinds (1 == 1.0 == YES),
    // as the platform's isEqual: does.
    bool operator==(const Value& other) const;
    bool operator!=(const Value& other) const { return !(*this == other); }

    // A readable rendering for log lines (the platform's description).
    std::string description() const;

private:
    // Fourteen bytes of payload, then the kind and the type. The payload is a
    // number; a text of up to kInlineText bytes with its size in the last
    // payload byte; a SharedText (that byte kSharedText); a data box; or an
    // array or dictionary handle.
    static constexpr size_t kInlineText = 13;
    static constexpr unsigned char kSharedText = 0xFF;
    struct DataBox;

    alignas(8) unsigned char m_raw[14] {};
    NumberKind m_kind = NumberKind::LongLong;
    Type m_type = Type::Null;

    template <typename T> T load() const;
    template <typename T> void store(T v);
    template <typename T> T& object();
    template <typename T> const T& object() const;
    bool holdsText() const { return m_type == Type::String || (m_type == Type::Real && m_kind == NumberKind::Decimal); }
    std::string_view text() const;
    void setText(std::string_view text);
    double realValue() const;
    void destroy() noexcept;
    void copyFrom(const Value& other) noexcept;
    void moveFrom(Value&& other) noexcept;
};

// The shared null value, for references that must point somewhere.
const Value& nullValue();

inline const Value& ValueArray::operator[](size_t i) const { return m_block->items()[i]; }
inline const Value* ValueArray::begin() const { return m_block ? m_block->items() : nullptr; }
inline const Value* ValueArray::end() const { return m_block ? m_block->items() + m_block->size : nullptr; }
inline const ValueDictionary::Entry* ValueDictionary::begin() const { return m_block ? m_block->entries() : nullptr; }
inline const ValueDictionary::Entry* ValueDictionary::end() const
{
    return m_block ? m_block->entries() + m_block->size : nullptr;
}
inline std::span<const ValueDictionary::Entry> ValueDictionary::entries() const { return { begin(), end() }; }
