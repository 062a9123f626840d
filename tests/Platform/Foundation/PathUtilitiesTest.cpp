#include "Platform/Foundation/NSPathUtilities.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PathUtilities, OnlyPlainNamesAreSafeComponents)
{
    const struct {
        std::string name;
        bool safe;
    } cases[] = {
        { "chair.png", true },
        { "a b..c", true },
        { "..hidden", true },
        { "Acme", true },
        { ".lproj", true },
        { "x:y.png", true },
        { " padded ", true },
        { "", false },
        { " ", false },
        { "\t\n", false },
        { ".", false },
        { "..", false },
        { "a/b", false },
        { "/etc", false },
        { "dir/", false },
        { "a\\b", false },
        { "..\\x", false },
        { std::string("a\0b", 3), false },
        { std::string(1, '\0'), false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(NSPathIsSafeComponent(c.name), c.safe) << '"' << c.name << '"';
}

TEST(PathUtilities, RelativePathsStayUnderTheirRoot)
{
    const struct {
        std::string path;
        std::optional<std::string> normalised;
    } cases[] = {
        { "SkinImages/a.png", "SkinImages/a.png" },
        { "SkinImages\\deep\\b.png", "SkinImages/deep/b.png" },
        { "./a//b/./c.txt", "a/b/c.txt" },
        { "SkinImages/", "SkinImages" },
        { "a b/..c", "a b/..c" },
        // Climbing is refused even where it would come back down.
        { "a/./b/../c.txt", std::nullopt },
        { "SkinImages/../corvelle_lite.sqlite", std::nullopt },
        { "../evil.txt", std::nullopt },
        { "..\\evil.txt", std::nullopt },
        { "a/..", std::nullopt },
        { "/etc/passwd", std::nullopt },
        { "\\server\\share", std::nullopt },
        { "C:/evil.txt", std::nullopt },
        { "./C:/evil.txt", std::nullopt },
        { "c:evil.txt", std::nullopt },
        { "", std::nullopt },
        { ".", std::nullopt },
        { "./", std::nullopt },
        { "a/ /b", std::nullopt },
        { std::string("a/b\0c", 5), std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(NSPathSafeRelativePath(c.path), c.normalised);
        const auto under = NSPathUnderRoot("/root/docs", c.path);
        if (c.normalised) {
            EXPECT_EQ(under, "/root/docs/" + *c.normalised);
        } else {
            EXPECT_FALSE(under);
        }
    }
    EXPECT_EQ(NSPathUnderRoot("/root/", "a"), "/root/a");
}

}  // namespace
