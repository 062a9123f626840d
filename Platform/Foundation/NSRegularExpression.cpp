#include "Platform/Foundation/NSRegularExpression.h"

#include "Platform/Foundation/Format.h"

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
};

std::shared_ptr<NSRegularExpression> NSRegularExpression::regularExpressionWithPatternOptionsError(std::string_view pattern,
                                                                                                  unsigned long options,
                                                                                                  std::shared_ptr<NSError>* error)
{
    auto flags = std::regex::ECMAScript;
    if (options & NSRegularExpressionCaseInsensitive)
        flags |= std::regex::icase;
    if (options & NSRegularExpressionAnchorsMatchLines)
        flags |= std::regex::multiline;
    auto compiled = std::make_unique<Compiled>();
    try {
        // The breadth-first matcher keeps the stack flat whatever the text's
        // length; it refuses back-references, which then use the ordinary one.
        try {
            compiled->regex = std::regex(pattern.begin(), pattern.end(), flags | std::regex_constants::__polynomial);
        } catch (const std::regex_error& e) {
            if (e.code() != std::regex_constants::error_complexity && e.code() != std::regex_constants::error_backref)
                throw;
            compiled->regex = std::regex(pattern.begin(), pattern.end(), flags);
        }
    } catch (const std::regex_error& e) {
        if (error) {
            *error = NSError::errorWithDomainCodeUserInfo(
                NSCocoaErrorDomain, 2048,
                Value::dictionary({ { "NSInvalidValue", std::string(pattern) },
                                    { NSLocalizedDescriptionKey, stringWithFormat("The value \u201c%@\u201d is invalid.", pattern) } }));
        }
        return nullptr;
    }
    return std::make_shared<NSRegularExpression>(std::string(pattern), options, std::move(compiled));
}

NSRegularExpression::NSRegularExpression(std::string pattern, unsigned long options, std::unique_ptr<Compiled> compiled)
    : m_pattern(std::move(pattern))
    , m_options(options)
    , m_compiled(std::move(compiled))
{
}

NSRegularExpression::~NSRegularExpression() = default;

std::vector<NSRange> NSRegularExpression::matches(std::string_view text, unsigned long options, NSRange range, size_t limit) const
{
    std::vector<NSRange> found;
    size_t begin = std::min<size_t>(range.location, text.size());
    size_t end = std::min<size_t>(begin + std::min<size_t>(range.length, text.size() - begin), text.size());
    const char* base = text.data();
    size_t at = begin;
    while (at <= end && found.size() < limit) {
        auto flags = std::regex_constants::match_default;
        if (at > begin)
            flags |= std::regex_constants::match_prev_avail;  // so ^ and \b see the character before
        if (options & NSMatchingAnchored)
            flags |= std::regex_constants::match_continuous;
        std::cmatch match;
        if (!std::regex_search(base + at, base + end, match, m_compiled->regex, flags))
            break;
        size_t start = static_cast<size_t>(match[0].first - base);
        size_t length = static_cast<size_t>(match[0].length());
        found.push_back({ start, length });
        // After an empty match the search moves on by one, so it cannot stand still.
        at = start + (length ? length : 1);
    }
    return found;
}

std::vector<NSRange> NSRegularExpression::matchesInStringOptionsRange(std::string_view text, unsigned long options, NSRange range) const
{
    return matches(text, options, range, SIZE_MAX);
}

NSUInteger NSRegularExpression::numberOfMatchesInStringOptionsRange(std::string_view text, unsigned long options, NSRange range) const
{
    return matches(text, options, range, SIZE_MAX).size();
}

NSRange NSRegularExpression::rangeOfFirstMatchInStringOptionsRange(std::string_view text, unsigned long options, NSRange range) const
{
    auto found = matches(text, options, range, 1);
    return found.empty() ? NSRange { NSNotFound, 0 } : found.front();
}
