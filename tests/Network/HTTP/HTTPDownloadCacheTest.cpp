#include "HttpTestServer.h"
#include "RunLoopPump.h"
#include "TemporaryHome.h"
#include "Network/HTTP/HTTPDownloadCache.h"
#include "Network/HTTP/HTTPRequest.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/PropertyList.h"

#include <gtest/gtest.h>

namespace {

std::string text(const std::optional<Data>& d) { return d ? std::string(d->begin(), d->end()) : "<none>"; }

class HTTPDownloadCacheTest : public TemporaryHomeTest {
protected:
    void SetUp() override
    {
        cache = std::make_shared<HTTPDownloadCache>();
        ASSERT_TRUE(cache->setStoragePath(home.caches() + "/HTTPRequestCache"));
    }

    std::shared_ptr<HTTPRequest> request(const std::string& path, int policy)
    {
        auto r = HTTPRequest::requestWithURL(*CFURL::URLWithString(server.url(path)));
        r->downloadCache = cache;
        r->cachePolicy = policy;
        return r;
    }

    // Runs a request to its end; true when it finished without error.
    bool run(const std::shared_ptr<HTTPRequest>& r)
    {
        bool done = false;
        r->setCompletionBlock([&] { done = true; });
        r->setFailedBlock([&] { done = true; });
        r->startAsynchronous();
        EXPECT_TRUE(pumpMainRunLoopUntil([&] { return done; }, 10));
        return !r->error();
    }

    // Moves the stored expiry of a URL into the past.
    void expire(const CFURL& url)
    {
        auto path = cache->pathToCachedResponseHeadersForURL(url);
        ASSERT_TRUE(path);
        Value headers = PropertyList::dictionaryWithContentsOfFile(*path);
        headers.set("X-HTTPRequest-Expires", Value(Clock::wallNow().secondsSince1970 - 10));
        ASSERT_TRUE(PropertyList::writeToFile(headers, *path));
    }

    HttpTestServer server;
    std::shared_ptr<HTTPDownloadCache> cache;
};

}  // namespace

TEST(HTTPDownloadCacheNames, KeysAndBodyExtensions)
{
    std::string key = Hashing::md5HexUpper("http://h/a/doc");
    EXPECT_EQ(HTTPDownloadCache::keyForURL(*CFURL::URLWithString("http://h/a/doc")), key);
    EXPECT_EQ(HTTPDownloadCache::keyForURL(*CFURL::URLWithString("http://h/a/doc/")), key);

    HTTPDownloadCache cache;
    cache.setDefaultCachePolicy(0);
    EXPECT_EQ(cache.defaultCachePolicy(), HTTPAskServerIfModifiedWhenStaleCachePolicy);
}

TEST_F(HTTPDownloadCacheTest, StoresByKeyWithTheBodyExtension)
{
    server.route("/page.php", [](auto&, auto& c) { c.respond(200, "php"); });
    server.route("/File.PDF", [](auto&, auto& c) { c.respond(200, "pdf"); });
    server.route("/plain", [](auto&, auto& c) { c.respond(200, "plain"); });
    server.route("/missing", [](auto&, auto& c) { c.respond(404, "not here"); });
    struct Case {
        const char* path;
        const char* extension;
    };
    for (const auto& c : { Case { "/page.php", "html" }, Case { "/File.PDF", "PDF" }, Case { "/plain", "html" } }) {
        auto r = request(c.path, HTTPAskServerIfModifiedWhenStaleCachePolicy);
        ASSERT_TRUE(run(r)) << c.path;
        auto url = *CFURL::URLWithString(server.url(c.path));
        auto stored = cache->pathToCachedResponseDataForURL(url);
        ASSERT_TRUE(stored) << c.path;
        EXPECT_EQ(*stored,
            home.caches() + "/HTTPRequestCache/SessionStore/" + *HTTPDownloadCache::keyForURL(url) + "." + c.extension);
        EXPECT_EQ(cache->cachedResponseHeadersForURL(url)->value("X-HTTPRequest-Response-Status-Code"), "200");
    }
    run(request("/missing", HTTPAskServerIfModifiedWhenStaleCachePolicy));
    EXPECT_FALSE(cache->pathToCachedResponseHeadersForURL(*CFURL::URLWithString(server.url("/missing"))));

    // Only the exact forbidding values keep a response out.
    server.route("/nocache", [](auto&, auto& c) { c.respond(200, "x", { { "Cache-Control", "no-cache" } }); });
    server.route("/listed", [](auto&, auto& c) {
        c.respond(200, "x", { { "Cache-Control", "max-age=5, no-cache" } });
    });
    run(request("/nocache", HTTPAskServerIfModifiedWhenStaleCachePolicy));
    run(request("/listed", HTTPAskServerIfModifiedWhenStaleCachePolicy));
    EXPECT_FALSE(cache->pathToCachedResponseDataForURL(*CFURL::URLWithString(server.url("/nocache"))));
    EXPECT_TRUE(cache->pathToCachedResponseDataForURL(*CFURL::URLWithString(server.url("/listed"))));

    // A new session starts without the session's responses.
    HTTPRequest::setDefaultCache(cache);
    HTTPRequest::clearSession();
    HTTPRequest::setDefaultCache(nullptr);
    EXPECT_FALSE(cache->pathToCachedResponseDataForURL(*CFURL::URLWithString(server.url("/plain"))));
}

TEST_F(HTTPDownloadCacheTest, FreshDataIsUsedStaleDataIsRevalidated)
{
    int served = 0;
    const std::string maxAge = "max-age=60";
    server.route("/doc", [&](const HttpTestRequest& req, auto& c) {
        ++served;
        if (req.header("If-None-Match") == "\"v1\"") {
            c.respond(304, "", { { "Etag", "\"v1\"" }, { "Cache-Control", maxAge } });
            return;
        }
        c.respond(200, "document body", { { "Etag", "\"v1\"" }, { "Cache-Control", maxAge } });
    });
    ASSERT_TRUE(run(request("/doc", HTTPAskServerIfModifiedWhenStaleCachePolicy)));
    EXPECT_EQ(served, 1);

    auto fresh = request("/doc", HTTPAskServerIfModifiedWhenStaleCachePolicy);
    ASSERT_TRUE(run(fresh));
    EXPECT_EQ(served, 1);  // current data: no network
    EXPECT_TRUE(fresh->didUseCachedResponse());
    EXPECT_EQ(text(fresh->responseData()), "document body");

    // Expired: a conditional request, answered "not modified", completes from the cache.
    auto url = *CFURL::URLWithString(server.url("/doc"));
    expire(url);
    auto stale = request("/doc", HTTPAskServerIfModifiedWhenStaleCachePolicy);
    ASSERT_TRUE(run(stale));
    EXPECT_EQ(served, 2);
    EXPECT_EQ(server.requests().back().header("If-None-Match"), "\"v1\"");
    EXPECT_TRUE(stale->didUseCachedResponse());
    EXPECT_EQ(text(stale->responseData()), "document body");

    // Without respect for cache-control headers, stored data is always current.
    expire(url);
    cache->shouldRespectCacheControlHeaders = false;
    auto relaxed = request("/doc", HTTPAskServerIfModifiedWhenStaleCachePolicy);
    ASSERT_TRUE(run(relaxed));
    EXPECT_EQ(served, 2);
}

// A response that names only its date of change is revalidated by that date:
// "not modified" keeps the stored body, a newer answer replaces it.
TEST_F(HTTPDownloadCacheTest, StaleDataIsRevalidatedByItsDateOfChange)
{
    const std::string first = "Tue, 01 Dec 2026 08:00:00 GMT", second = "Wed, 02 Dec 2026 08:00:00 GMT";
    std::string current = first;
    server.route("/dated", [&](const HttpTestRequest& req, auto& c) {
        HttpHeaderList headers { { "Last-Modified", current }, { "Cache-Control", "max-age=60" } };
        if (req.header("If-Modified-Since") == current)
            c.respond(304, "", headers);
        else
            c.respond(200, "edition of " + current, headers);
    });
    ASSERT_TRUE(run(request("/dated", HTTPAskServerIfModifiedWhenStaleCachePolicy)));
    auto url = *CFURL::URLWithString(server.url("/dated"));

    struct Case {
        const char* name;
        std::string serverDate;
        bool fromCache;
        std::string body;
    };
    const Case cases[] = {
        { "unchanged", first, true, "edition of " + first },
        { "changed", second, false, "edition of " + second },
        { "unchanged since the change", second, true, "edition of " + second },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string stored = *cache->cachedResponseHeadersForURL(url)->value("Last-Modified");
        current = c.serverDate;
        expire(url);
        auto r = request("/dated", HTTPAskServerIfModifiedWhenStaleCachePolicy);
        ASSERT_TRUE(run(r));
        EXPECT_EQ(server.requests().back().header("If-Modified-Since"), stored);
        EXPECT_FALSE(server.requests().back().hasHeader("If-None-Match"));
        EXPECT_EQ(r->didUseCachedResponse(), c.fromCache);
        EXPECT_EQ(text(r->responseData()), c.body);
        EXPECT_EQ(text(cache->cachedResponseDataForURL(url)), c.body);
    }
}

TEST_F(HTTPDownloadCacheTest, FallsBackOnFailureAndFillsTheDownloadFile)
{
    bool up = true;
    server.route("/file", [&](auto&, auto& c) {
        if (up)
            c.respond(200, "stored file", { { "Cache-Control", "max-age=60" } });
        else
            c.close();
    });
    ASSERT_TRUE(run(request("/file", HTTPAskServerIfModifiedWhenStaleCachePolicy)));

    up = false;
    auto fallback = request("/file", HTTPAskServerIfModifiedCachePolicy | HTTPFallbackToCacheIfLoadFailsCachePolicy);
    ASSERT_TRUE(run(fallback));
    EXPECT_TRUE(fallback->didUseCachedResponse());
    EXPECT_EQ(text(fallback->responseData()), "stored file");

    auto toFile = request("/file", HTTPOnlyLoadIfNotCachedCachePolicy);
    std::string destination = home.scratch() + "/copy.bin";
    toFile->downloadDestinationPath = destination;
    ASSERT_TRUE(run(toFile));
    EXPECT_EQ(text(NSFileManager::defaultManager().contentsAtPath(destination)), "stored file");
    EXPECT_EQ(toFile->downloadDestinationPath, destination);

    // Never reading from the cache goes to the (now failing) network.
    auto direct = request("/file", HTTPDoNotReadFromCacheCachePolicy);
    EXPECT_FALSE(run(direct));
    EXPECT_EQ(direct->error()->code, HTTPConnectionFailureErrorType);
}
