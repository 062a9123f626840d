#pragma once

// Recursive-descent JSON parser over UTF-8 text. Objects become dictionaries
// (keys in text order, a later duplicate replacing the earlier value), arrays
// become arrays, numbers keep their kind: a plain integer that fits 64 bits is
// an integer, anything else a double. The text ends at its first zero byte.
// Not safe for concurrent use; one instance serves any number of calls in turn.

#include "Network/Protocol/QDJsonBase.h"
#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QDJsonParser : public QDJsonBase {
public:
    // A dictionary or an array; nothing on failure (or for nil input).
    std::optional<Value> objectWithString(std::optional<std::string_view> text);
    // Any JSON value.
    std::optional<Value> fragmentWithString(std::optional<std::string_view> text);

    // Takes the elements of one array of an object as they are read, so that
    // a large reply is never held whole.
    class ArrayReader {
    public:
        virtual ~ArrayReader() = default;
        // Whether the element at `index`, an array, is read element by element
        // (each handed to `element`) rather than whole (handed to `whole`).
        virtual bool readsElementwise(size_t index) = 0;
        // An element of the array at `index`. False stops the reading.
        virtual bool element(size_t index, const Value& value) = 0;
        // The element at `index`, read whole. False stops the reading.
        virtual bool whole(size_t index, const Value& value) = 0;
        // The array ended after `count` elements.
        virtual void ended(size_t count) = 0;
    };
    // An object whose member `member`, when it is an array, is handed to
    // `reader` as it is read, each element freed once handed over, and left out
    // of the object; any other value of that member stays in the object. The
    // object's other members, nesting and errors are read as objectWithString
    // reads them; the member twice is an error, as its first reading cannot be
    // taken back. Nothing for text that is not an object; the reader may have
    // been called by the time an error is met.
    std::optional<Value> objectReadingArray(
        std::optional<std::string_view> text, std::string_view member, ArrayReader& reader);

private:
    const char* c = nullptr;  // read cursor
    const char* m_end = nullptr;
    // Values gathered on top of each other while a container is read. A
    // finished container takes its part bit for bit, and the part's room is
    // given up without destroying what was taken: each node is written once
    // where it is read and once where it stays.
    template <typename T> class Gathered {
    public:
        Gathered() = default;
        // Nothing is gathered between calls: a copy starts empty.
        Gathered(const Gathered&) noexcept { }
        Gathered& operator=(const Gathered&) noexcept { return *this; }
        ~Gathered()
        {
            clear();
            ::operator delete(m_items);
        }
        template <typename... Args> void emplace(Args&&... args)
        {
            if (m_size == m_capacity) [[unlikely]]
                grow();
            new (m_items + m_size) T(std::forward<Args>(args)...);
            ++m_size;
        }
        size_t size() const { return m_size; }
        T& front() { return m_items[0]; }
        // Moves the top out and destroys its place.
        T takeLast()
        {
            T last = std::move(m_items[m_size - 1]);
            m_items[--m_size].~T();
            return last;
        }
        std::span<T> from(size_t base) { return { m_items + base, m_size - base }; }
        // Gives up the room from `base` up, whose values are taken bit for bit;
        // they stay where they are until the next value is gathered.
        void taken(size_t base) { m_size = base; }
        void clear()
        {
            while (m_size)
                m_items[--m_size].~T();
        }

    private:
        T* m_items = nullptr;
        size_t m_size = 0;
        size_t m_capacity = 0;

        void grow()
        {
            const size_t capacity = m_capacity ? m_capacity * 2 : 64;
            T* items = static_cast<T*>(::operator new(capacity * sizeof(T)));
            // Values hold nothing pointing back into themselves: they move as bits.
            if (m_size)
                std::memcpy(static_cast<void*>(items), static_cast<const void*>(m_items), m_size * sizeof(T));
            ::operator delete(m_items);
            m_items = items;
            m_capacity = capacity;
        }
    };
    // Elements of the arrays and objects being read, nested ones above their
    // parents': each container is made once, at its final size.
    Gathered<Value> m_elements;
    Gathered<ValueDictionary::Entry> m_entries;
    std::string m_text;  // a string with escapes, while it is read
    // Objects of one reply repeat the same keys: a key too long to sit inside
    // the key itself is found once per call among the lasting keys (no count
    // to keep as each object takes and frees it) and shared by every object
    // using it.
    struct SharedKey {
        // The key's first and last eight bytes and its size, compared before
        // the key itself is touched: for keys of up to sixteen bytes they are
        // the whole text.
        uint64_t head = 0;
        uint64_t tail = 0;
        size_t size = 0;
        ValueKey key;
    };
    std::vector<SharedKey> m_keys;

    ValueKey keyFor(std::string_view text);

    // The member read through a reader, while objectReadingArray runs.
    std::string_view m_readMember;
    ArrayReader* m_reader = nullptr;
    bool m_readMemberSeen = false;

    std::optional<Value> parse(std::optional<std::string_view> text);
    bool scanReadArray(ValueKey* key);
    // Reads the elements of an array after its '[', handing each to `take`.
    template <typename Take> bool scanElements(Take take);

    bool atEnd() const { return c >= m_end; }
    void skipWhitespace();
    // Each value read is made in its place: the next of m_elements when `key`
    // is null, else the next of m_entries, under the key (moved from).
    template <typename... Args> void place(ValueKey* key, Args&&... args);
    bool scanValue(ValueKey* key);
    bool scanRestOfArray(ValueKey* key);
    bool scanRestOfDictionary(ValueKey* key);
    // `out` views the text or m_text, until the next string is read.
    bool scanRestOfString(std::string_view& out);
    bool scanUnicodeChar(std::string& out);
    bool scanHexQuad(unsigned& out);
    bool scanNumber(ValueKey* key);
    bool scanLiteral(const char* rest, size_t length, const char* error);
};
