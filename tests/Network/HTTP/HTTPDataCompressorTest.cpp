#include "HttpTestServer.h"
#include "TemporaryHome.h"
#include "Network/HTTP/HTTPDataCompressor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace {

std::string scratch(const TemporaryHome& home, const std::string& name) { return home.scratch() + "/" + name; }

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

Data bytesOf(const std::string& s) { return Data(s.begin(), s.end()); }

}  // namespace

TEST(HTTPDataCompressor, RoundTripsInMemoryAndInOneByteChunks)
{
    auto packed = HTTPDataCompressor::compressDataError(bytesOf("abc"), nullptr);
    ASSERT_TRUE(packed && packed->size() > 2);
    EXPECT_EQ((*packed)[0], 0x1F);
    EXPECT_EQ((*packed)[1], 0x8B);
    EXPECT_EQ(HTTPDataDecompressor::uncompressDataError(*packed, nullptr), bytesOf("abc"));

    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += std::to_string(i * 7919 % 10007) + ",";
    Data gz = bytesOf(HttpTestServer::gzip(text));
    auto inflater = HTTPDataDecompressor::decompressor();
    Data joined;
    for (uint8_t byte : gz) {
        HTTPErrorRef error;
        auto piece = inflater->uncompressBytesLengthError(&byte, 1, &error);
        ASSERT_FALSE(error);
        if (piece)
            joined.insert(joined.end(), piece->begin(), piece->end());
    }
    EXPECT_EQ(joined, bytesOf(text));
}

TEST(HTTPDataCompressor, FileToFileRoundTripAndFailures)
{
    TemporaryHome home;
    std::string source = scratch(home, "source"), packed = scratch(home, "packed"), back = scratch(home, "back");
    std::string content(262144, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>((i * 31 + i / 977) & 0xFF);
    writeFile(source, content);

    HTTPErrorRef error;
    ASSERT_TRUE(HTTPDataCompressor::compressDataFromFileToFileError(source, packed, &error));
    ASSERT_TRUE(HTTPDataDecompressor::uncompressDataFromFileToFileError(packed, back, &error));
    EXPECT_TRUE(readFile(back) == content);

    struct Case {
        std::string input;
        const char* why;
    };
    std::string whole = readFile(packed);
    const Case broken[] = {
        { whole.substr(0, whole.size() / 2), "cut short" },
        { "plain text, not gzip", "not compressed" },
    };
    for (const auto& c : broken) {
        writeFile(packed, c.input);
        error = nullptr;
        EXPECT_FALSE(HTTPDataDecompressor::uncompressDataFromFileToFileError(packed, back, &error)) << c.why;
        ASSERT_TRUE(error) << c.why;
        EXPECT_EQ(error->code, HTTPCompressionError) << c.why;
    }

    unlink(source.c_str());
    error = nullptr;
    EXPECT_FALSE(HTTPDataCompressor::compressDataFromFileToFileError(source, packed, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription, "Compression of " + source + " failed the file does not exist");
    EXPECT_FALSE(HTTPDataCompressor::compressDataError(Data {}, &error));
}
