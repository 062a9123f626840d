#pragma once

// Regular expressions with the platform's options. Patterns use the common
// syntax (classes, groups, alternation, counted repetition); matching runs in
// time linear in the text, so a long input cannot exhaust the stack. Ranges are
// byte ranges of the UTF-8 text.
//
// Patterns longer than 1000 bytes, nested more than 64 deep, or whose counted
// repetition multiplies out to more than 2000 parts do not compile. A pattern
// with back-references is matched only against texts of up to 1000 bytes and
// for a bounded amount of work; beyond either it finds no match (and logs).

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSRange.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

enum NSRegularExpressionOptions : unsigned long {
    NSRegularExpressionCaseInsensitive = 1 << 0,
    NSRegularExpressionAnchorsMatchLines = 1 << 4,  // ^ and $ also match at line breaks
};

enum NSMatchingOptions : unsigned long {
    NSMatchingAnchored = 1 << 2,  // every match must begin where the search stands
};

class NSRegularExpression {
public:
    // Nothing, and an error of NSCocoaErrorDomain code 2048 when asked for,
    // for a pattern that does not compile.
    static std::shared_ptr<NSRegularExpression> regularExpressionWithPatternOptionsError(
        std::string_view pattern, unsigned long options, std::shared_ptr<NSError>* error);
    ~NSRegularExpression();

    const std::string& pattern() const { return m_pattern; }
    unsigned long options() const { return m_options; }

    // Whole-match ranges in order, searching the given range of the text.
    std::vector<NSRange> matchesInStringOptionsRange(std::string_view text, unsigned long options, NSRange range) const;
    NSUInteger numberOfMatchesInStringOptionsRange(std::string_view text, unsigned long options, NSRange range) const;
    // {NSNotFound, 0} when there is none.
    NSRange rangeOfFirstMatchInStringOptionsRange(std::string_view text, unsigned long options, NSRange range) const;

    struct Compiled;
    NSRegularExpression(std::string pattern, unsigned long options, std::unique_ptr<Compiled> compiled);

private:
    std::vector<NSRange> matches(std::string_view text, unsigned long options, NSRange range, size_t limit) const;

    std::string m_pattern;
    unsigned long m_options;
    std::unique_ptr<Compiled> m_compiled;
};
