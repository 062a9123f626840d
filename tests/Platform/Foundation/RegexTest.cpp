#include "Platform/Foundation/NSRegularExpression.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The validators' use: lines anchors, anchored matching, at least one match.
bool accepts(const char* pattern, std::string_view text)
{
    auto re = NSRegularExpression::regularExpressionWithPatternOptionsError(
        pattern, NSRegularExpressionAnchorsMatchLines, nullptr);
    EXPECT_TRUE(re);
    return re->numberOfMatchesInStringOptionsRange(text, NSMatchingAnchored, NSMakeRange(0, text.size())) > 0;
}

constexpr const char* kNumeric = "^([0-9]{1}[0-9]*(\\.[0-9]{2})?)$";
constexpr const char* kLetters = "^[a-zA-Z]*$";

}  // namespace

TEST(NSRegularExpression, ValidatorPatterns)
{
    struct Case {
        const char* pattern;
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        { kNumeric, "0", true },
        { kNumeric, "12", true },
        { kNumeric, "007", true },
        { kNumeric, "12.50", true },
        { kNumeric, "", false },
        { kNumeric, "12.5", false },
        { kNumeric, "12.505", false },
        { kNumeric, ".50", false },
        { kNumeric, "-3", false },
        { kNumeric, "1000.0", false },
        { kNumeric, "1,000", false },
        { kNumeric, "12.", false },
        { kNumeric, " 12", false },
        // Anchors match at line breaks and only the first line must match from the start.
        { kNumeric, "12\nabc", true },
        { kNumeric, "abc\n12", false },
        { kLetters, "", true },
        { kLetters, "abc", true },
        { kLetters, "ABCdef", true },
        { kLetters, "abc1", false },
        { kLetters, "two words", false },
        { kLetters, "caf\xc3\xa9", false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.accepted, accepts(c.pattern, c.text)) << c.pattern << " [" << c.text << "]";
}

TEST(NSRegularExpression, CountsAndFirstMatch)
{
    auto digits = NSRegularExpression::regularExpressionWithPatternOptionsError("[0-9]+", 0, nullptr);
    ASSERT_TRUE(digits);
    std::string_view text = "a1 b22 c333";
    EXPECT_EQ(3u, digits->numberOfMatchesInStringOptionsRange(text, 0, NSMakeRange(0, text.size())));
    EXPECT_EQ(NSMakeRange(1, 1), digits->rangeOfFirstMatchInStringOptionsRange(text, 0, NSMakeRange(0, text.size())));
    EXPECT_EQ(NSMakeRange(4, 2), digits->rangeOfFirstMatchInStringOptionsRange(text, 0, NSMakeRange(3, 8)));
    EXPECT_EQ((std::vector<NSRange> { { 1, 1 }, { 4, 2 }, { 8, 3 } }),
        digits->matchesInStringOptionsRange(text, 0, NSMakeRange(0, 100)));
    // Anchored: the matches must follow one another from the start.
    EXPECT_EQ(0u, digits->numberOfMatchesInStringOptionsRange(text, NSMatchingAnchored, NSMakeRange(0, text.size())));
    EXPECT_EQ(NSNotFound, digits->rangeOfFirstMatchInStringOptionsRange("abc", 0, NSMakeRange(0, 3)).location);

    auto lines = NSRegularExpression::regularExpressionWithPatternOptionsError(
        "^x$", NSRegularExpressionAnchorsMatchLines, nullptr);
    auto whole = NSRegularExpression::regularExpressionWithPatternOptionsError("^x$", 0, nullptr);
    EXPECT_EQ(2u, lines->numberOfMatchesInStringOptionsRange("x\ny\nx", 0, NSMakeRange(0, 5)));
    EXPECT_EQ(0u, whole->numberOfMatchesInStringOptionsRange("x\ny\nx", 0, NSMakeRange(0, 5)));

    auto caseless = NSRegularExpression::regularExpressionWithPatternOptionsError(
        "^abc$", NSRegularExpressionCaseInsensitive, nullptr);
    EXPECT_EQ(1u, caseless->numberOfMatchesInStringOptionsRange("AbC", 0, NSMakeRange(0, 3)));

    // Empty matches do not loop forever.
    auto empty = NSRegularExpression::regularExpressionWithPatternOptionsError("x*", 0, nullptr);
    EXPECT_EQ(3u, empty->numberOfMatchesInStringOptionsRange("ab", 0, NSMakeRange(0, 2)));
}

TEST(NSRegularExpression, BadPatternAndLongInput)
{
    std::shared_ptr<NSError> error;
    EXPECT_EQ(nullptr, NSRegularExpression::regularExpressionWithPatternOptionsError("([0-9]", 0, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(NSCocoaErrorDomain, error->domain());
    EXPECT_EQ(2048, error->code());
    EXPECT_EQ(nullptr, NSRegularExpression::regularExpressionWithPatternOptionsError("[", 0, nullptr));

    // A pasted wall of digits must not exhaust the stack.
    std::string big(100000, '7');
    EXPECT_TRUE(accepts(kNumeric, big));
    EXPECT_FALSE(accepts(kNumeric, big + "x"));
}

TEST(NSRegularExpression, HostilePatternsAreRefusedNotRun)
{
    // A pattern that ends in "(" and has no terminator after it in memory.
    std::vector<char> open { 'a', 'b', '(' };
    EXPECT_EQ(nullptr,
        NSRegularExpression::regularExpressionWithPatternOptionsError(
            std::string_view(open.data(), open.size()), 0, nullptr));

    const std::string cases[] = {
        std::string(20000, '(') + "a" + std::string(20000, ')'),  // nesting
        std::string(100000, 'a'),  // length
        "((((a?){10}){10}){10}){10}",  // counted repetition that multiplies out
        "(a?){100000}",
        "(\\444444444444444444444",  // numbers that overflow a long
        "a{4444444444444444444444}",
        "a{1,4444444444444444444444}",
        "[\\444444444444444444444]",
        "(ab)****************\\1@",  // a count of a count: empty loops for ever
        "(ab)+*\\1",
        "a{2}*\\1",
        "a*??",
    };
    for (const auto& pattern : cases) {
        std::shared_ptr<NSError> error;
        EXPECT_EQ(nullptr, NSRegularExpression::regularExpressionWithPatternOptionsError(pattern, 0, &error))
            << pattern.substr(0, 40);
        ASSERT_TRUE(error);
        EXPECT_EQ(2048, error->code());
    }
    // Nesting within reason, with a back-reference, still matches.
    auto nested = NSRegularExpression::regularExpressionWithPatternOptionsError("(((ab)*)+)?\\3", 0, nullptr);
    ASSERT_TRUE(nested);
    EXPECT_EQ(NSMakeRange(2, 4), nested->rangeOfFirstMatchInStringOptionsRange("xxababx", 0, NSMakeRange(0, 7)));
    // A lazy count is one count, not two.
    auto lazy = NSRegularExpression::regularExpressionWithPatternOptionsError("<(.+?)>", 0, nullptr);
    ASSERT_TRUE(lazy);
    EXPECT_EQ(NSMakeRange(0, 3), lazy->rangeOfFirstMatchInStringOptionsRange("<a><b>", 0, NSMakeRange(0, 6)));
    // Counted repetition within reason still compiles.
    auto re = NSRegularExpression::regularExpressionWithPatternOptionsError("^(\\d{3}-){2}\\d{4}$", 0, nullptr);
    ASSERT_TRUE(re);
    EXPECT_EQ(1u, re->numberOfMatchesInStringOptionsRange("555-123-4567", 0, NSMakeRange(0, 12)));
}

TEST(NSRegularExpression, BackReferencesNeverRecurseOverLongText)
{
    auto repeated = NSRegularExpression::regularExpressionWithPatternOptionsError("(ab)\\1", 0, nullptr);
    ASSERT_TRUE(repeated);
    EXPECT_EQ(NSMakeRange(2, 4), repeated->rangeOfFirstMatchInStringOptionsRange("xxababx", 0, NSMakeRange(0, 7)));

    // Long text, and a short one that would take exponential time: both give up
    // with no match instead of exhausting the stack or the clock.
    auto greedy = NSRegularExpression::regularExpressionWithPatternOptionsError("(a)\\1*b", 0, nullptr);
    ASSERT_TRUE(greedy);
    std::string wall(100000, 'a');
    EXPECT_EQ(0u, greedy->numberOfMatchesInStringOptionsRange(wall, 0, NSMakeRange(0, wall.size())));
    auto explosive = NSRegularExpression::regularExpressionWithPatternOptionsError("(a|a)*\\1b", 0, nullptr);
    ASSERT_TRUE(explosive);
    std::string thirty(30, 'a');
    EXPECT_EQ(0u, explosive->numberOfMatchesInStringOptionsRange(thirty, 0, NSMakeRange(0, thirty.size())));
    // Counted groups nested deep go round loops that match nothing and never
    // move through the text; that work is bounded too.
    std::string deep = "(ab)";
    for (int level = 0; level < 16; ++level)
        deep = "(" + deep + "*)";
    auto looping = NSRegularExpression::regularExpressionWithPatternOptionsError(deep + "\\1@", 0, nullptr);
    ASSERT_TRUE(looping);
    EXPECT_EQ(0u, looping->numberOfMatchesInStringOptionsRange("xxababx", 0, NSMakeRange(0, 7)));
}
