#include "Platform/Foundation/NSRegularExpression.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSLog.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <vector>

// The standard library's regex headers trip this warning in GCC's optimised builds.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <regex>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

struct NSRegularExpression::Compiled {
    std::regex regex;
    // Back-references need the library's depth-first matcher, which recurses
    // once or more per character and may take exponential time.
    bool backtracking = false;
};

namespace {

// The library's compiler recurses per term and per nesting level, and its
// breadth-first matcher per state along a run of optional parts; these keep
// both well inside a thread's stack.
constexpr size_t maximumPatternLength = 1000;
constexpr size_t maximumNesting = 64;
constexpr size_t maximumExpandedSize = 2000;
// What the depth-first matcher may be given: a text short enough for its
// recursion, and a number of steps through the text.
constexpr size_t maximumBacktrackingText = 1000;
constexpr long backtrackingSteps = 1'000'000;
// The library reads the number of a back-reference or a count into a long
// without a check, so a long run of digits there overflows; no sound pattern
// needs more digits than this.
constexpr size_t maximumNumberDigits = 4;

size_t digitsAt(std::string_view p, size_t i)
{
    size_t n = 0;
    while (i + n < p.size() && std::isdigit(static_cast<unsigned char>(p[i + n])))
        ++n;
    return n;
}

// Whether a pattern stays within the limits above once counted repetition
// ("{m,n}", which the library expands into copies) is multiplied out. A
// pattern the library would refuse anyway may pass; it is refused there.
bool withinLimits(std::string_view p)
{
    if (p.size() > maximumPatternLength)
        return false;
    std::vector<size_t> sizes { 0 };  // the size so far of each open group
    size_t last = 0;  // the size of the last atom or group, which a count repeats
    // A count of a count ("a**", "(ab)+*") sends the depth-first matcher round
    // empty loops without a step through the text, for ever; only the lazy
    // mark "?" may follow a count.
    enum { NoCount, AfterCount, AfterLazyMark } repeat = NoCount;
    for (size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        const auto previous = repeat;
        repeat = NoCount;
        if (c == '(') {
            if (sizes.size() > maximumNesting)
                return false;
            sizes.push_back(0);
            last = 0;
            continue;
        }
        if (c == ')') {
            if (sizes.size() > 1) {
                last = sizes.back() + 1;
                sizes.pop_back();
                sizes.back() += last;
            }
        } else if (c == '{') {
            if (digitsAt(p, i + 1) > maximumNumberDigits)
                return false;
            size_t j = i + 1;
            size_t low = 0, high = 0;
            bool digits = false, comma = false, highDigits = false;
            while (j < p.size() && std::isdigit(static_cast<unsigned char>(p[j]))) {
                low = std::min<size_t>(low * 10 + size_t(p[j] - '0'), maximumExpandedSize + 1);
                digits = true;
                ++j;
            }
            if (j < p.size() && p[j] == ',') {
                comma = true;
                ++j;
                if (digitsAt(p, j) > maximumNumberDigits)
                    return false;
                while (j < p.size() && std::isdigit(static_cast<unsigned char>(p[j]))) {
                    high = std::min<size_t>(high * 10 + size_t(p[j] - '0'), maximumExpandedSize + 1);
                    highDigits = true;
                    ++j;
                }
            }
            if (digits && j < p.size() && p[j] == '}') {
                if (previous != NoCount)
                    return false;
                repeat = AfterCount;
                size_t copies = highDigits ? std::max(low, high) : comma ? low + 1 : low;
                if (last && copies > 1) {
                    if (copies > maximumExpandedSize || last > maximumExpandedSize / copies)
                        return false;
                    sizes.back() += last * (copies - 1);
                    last *= copies;
                }
                i = j;
            } else {
                last = 1;
                sizes.back() += 1;
            }
        } else if (c == '|') {
            last = 0;
        } else if (c == '*' || c == '+' || c == '?') {
            // Repeats without copies.
            if (previous == AfterCount && c == '?')
                repeat = AfterLazyMark;
            else if (previous != NoCount)
                return false;
            else
                repeat = AfterCount;
        } else {
            if (c == '\\') {
                ++i;
                if (digitsAt(p, i) > maximumNumberDigits)
                    return false;
            } else if (c == '[') {
                size_t j = i + 1;
                if (j < p.size() && p[j] == '^')
                    ++j;
                if (j < p.size() && p[j] == ']')
                    ++j;
                while (j < p.size() && p[j] != ']') {
                    if (p[j] == '\\' && digitsAt(p, j + 1) > maximumNumberDigits)
                        return false;
                    j += p[j] == '\\' ? 2u : 1u;
                }
                i = j;
            }
            last = 1;
            sizes.back() += 1;
        }
        if (sizes.back() > maximumExpandedSize)
            return false;
    }
    size_t total = 0;
    for (size_t size : sizes)
        total += size;
    return total <= maximumExpandedSize;
}

struct OutOfSteps { };

// A position in the text that counts every move the matcher makes, so the
// depth-first matcher can be stopped after a fixed amount of work.
class CountingIterator {
public:
    using iterator_category = std::bidirectional_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;

    CountingIterator() = default;
    CountingIterator(const char* at, long* stepsLeft)
        : m_at(at)
        , m_stepsLeft(stepsLeft)
    {
    }
    reference operator*() const { return *m_at; }
    CountingIterator& operator++()
    {
        spend();
        ++m_at;
        return *this;
    }
    CountingIterator operator++(int)
    {
        CountingIterator before = *this;
        ++*this;
        return before;
    }
    CountingIterator& operator--()
    {
        spend();
        --m_at;
        return *this;
    }
    CountingIterator operator--(int)
    {
        CountingIterator before = *this;
        --*this;
        return before;
    }
    // The matcher compares positions at every state it passes, also round
    // loops that match nothing and never move: those count as steps too.
    bool operator==(const CountingIterator& other) const
    {
        spend();
        return m_at == other.m_at;
    }
    const char* get() const { return m_at; }

private:
    void spend() const
    {
        if (m_stepsLeft && --*m_stepsLeft < 0)
            throw OutOfSteps {};
    }
    const char* m_at = nullptr;
    long* m_stepsLeft = nullptr;
};

}  // namespace

std::shared_ptr<NSRegularExpression> NSRegularExpression::regularExpressionWithPatternOptionsError(
    std::string_view pattern, unsigned long options, std::shared_ptr<NSError>* error)
{
    // Compiled from our own copy: the library's scanner may look one past the
    // end, which a terminated string holds and a caller's view may not.
    std::string text(pattern);
    auto flags = std::regex::ECMAScript;
    if (options & NSRegularExpressionCaseInsensitive)
        flags |= std::regex::icase;
    if (options & NSRegularExpressionAnchorsMatchLines)
        flags |= std::regex::multiline;
    auto compiled = std::make_unique<Compiled>();
    try {
        if (!withinLimits(text))
            throw std::regex_error(std::regex_constants::error_complexity);
        // The breadth-first matcher keeps the stack flat whatever the text's
        // length; it refuses back-references, which then use the ordinary one.
        try {
            compiled->regex = std::regex(text.c_str(), text.size(), flags | std::regex_constants::__polynomial);
        } catch (const std::regex_error& e) {
            if (e.code() != std::regex_constants::error_complexity && e.code() != std::regex_constants::error_backref)
                throw;
            compiled->regex = std::regex(text.c_str(), text.size(), flags);
            compiled->backtracking = true;
        }
    } catch (const std::regex_error& e) {
        if (error) {
            *error = NSError::errorWithDomainCodeUserInfo(NSCocoaErrorDomain, 2048,
                Value::dictionary({ { "NSInvalidValue", text },
                    { NSLocalizedDescriptionKey, stringWithFormat("The value \u201c%@\u201d is invalid.", text) } }));
        }
        return nullptr;
    }
    return std::make_shared<NSRegularExpression>(std::move(text), options, std::move(compiled));
}

NSRegularExpression::NSRegularExpression(std::string pattern, unsigned long options, std::unique_ptr<Compiled> compiled)
    : m_pattern(std::move(pattern))
    , m_options(options)
    , m_compiled(std::move(compiled))
{
}

NSRegularExpression::~NSRegularExpression() = default;

std::vector<NSRange> NSRegularExpression::matches(
    std::string_view text, unsigned long options, NSRange range, size_t limit) const
{
    std::vector<NSRange> found;
    size_t begin = std::min<size_t>(range.location, text.size());
    size_t end = std::min<size_t>(begin + std::min<size_t>(range.length, text.size() - begin), text.size());
    const char* base = text.data();
    bool backtracking = m_compiled->backtracking;
    if (backtracking && end - begin > maximumBacktrackingText) {
        NSLog("A pattern with back-references is not matched against %zu bytes of text", end - begin);
        return {};
    }
    long stepsLeft = backtrackingSteps;
    size_t at = begin;
    while (at <= end && found.size() < limit) {
        auto flags = std::regex_constants::match_default;
        if (at > begin)
            flags |= std::regex_constants::match_prev_avail;  // so ^ and \b see the character before
        if (options & NSMatchingAnchored)
            flags |= std::regex_constants::match_continuous;
        size_t start = 0, length = 0;
        if (backtracking) {
            std::match_results<CountingIterator> match;
            try {
                if (!std::regex_search(CountingIterator(base + at, &stepsLeft),
                        CountingIterator(base + end, &stepsLeft), match, m_compiled->regex, flags))
                    break;
            } catch (const OutOfSteps&) {
                NSLog("A pattern with back-references took too long to match; taken as no match");
                return {};
            }
            start = static_cast<size_t>(match[0].first.get() - base);
            length = static_cast<size_t>(match[0].second.get() - match[0].first.get());
        } else {
            std::cmatch match;
            if (!std::regex_search(base + at, base + end, match, m_compiled->regex, flags))
                break;
            start = static_cast<size_t>(match[0].first - base);
            length = static_cast<size_t>(match[0].length());
        }
        found.push_back({ start, length });
        // After an empty match the search moves on by one, so it cannot stand still.
        at = start + (length ? length : 1);
    }
    return found;
}

std::vector<NSRange> NSRegularExpression::matchesInStringOptionsRange(
    std::string_view text, unsigned long options, NSRange range) const
{
    return matches(text, options, range, SIZE_MAX);
}

NSUInteger NSRegularExpression::numberOfMatchesInStringOptionsRange(
    std::string_view text, unsigned long options, NSRange range) const
{
    return matches(text, options, range, SIZE_MAX).size();
}

NSRange NSRegularExpression::rangeOfFirstMatchInStringOptionsRange(
    std::string_view text, unsigned long options, NSRange range) const
{
    auto found = matches(text, options, range, 1);
    return found.empty() ? NSRange { NSNotFound, 0 } : found.front();
}
