#include "Platform/Foundation/TextEncoding.h"

#include "Platform/Foundation/NSString.h"

#include <cerrno>
#include <iconv.h>

namespace {

constexpr NSStringEncoding kGB18030 = 0x80000000u | kCFStringEncodingGB_18030_2000;
constexpr NSStringEncoding kGBK = 0x80000000u | kCFStringEncodingGBK_95;

const char* iconvName(NSStringEncoding encoding)
{
    switch (encoding) {
    case NSASCIIStringEncoding:
        return "ASCII";
    case NSUTF8StringEncoding:
        return "UTF-8";
    case NSISOLatin1StringEncoding:
        return "ISO-8859-1";
    case NSUTF16StringEncoding:
        return "UTF-16";
    case NSWindowsCP1252StringEncoding:
        return "CP1252";
    case kGB18030:
        return "GB18030";
    case kGBK:
        return "GBK";
    default:
        return nullptr;
    }
}

struct IconvHandle {
    iconv_t handle;
    IconvHandle(const char* to, const char* from)
        : handle(iconv_open(to, from))
    {
    }
    ~IconvHandle()
    {
        if (handle != reinterpret_cast<iconv_t>(-1))
            iconv_close(handle);
    }
    bool valid() const { return handle != reinterpret_cast<iconv_t>(-1); }
};

// Converts all of the input or nothing: an unconvertible or invalid sequence
// fails the whole conversion.
std::optional<std::string> convert(std::string_view input, const char* to, const char* from)
{
    IconvHandle cd(to, from);
    if (!cd.valid())
        return std::nullopt;
    std::string out;
    out.resize(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t used = 0;
    while (true) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        size_t r = inLeft ? iconv(cd.handle, &in, &inLeft, &outPtr, &outLeft)
                          : iconv(cd.handle, nullptr, nullptr, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
                continue;
            }
            return std::nullopt;
        }
        // glibc counts characters it replaced approximately as irreversible; refuse those too.
        if (r != 0)
            return std::nullopt;
        if (inLeft == 0)
            break;
    }
    out.resize(used);
    return out;
}

}  // namespace

NSStringEncoding CFStringConvertEncodingToNSStringEncoding(uint32_t cfEncoding)
{
    switch (cfEncoding) {
    case 0x0600:
        return NSASCIIStringEncoding;
    case 0x08000100:
        return NSUTF8StringEncoding;
    case 0x0201:
        return NSISOLatin1StringEncoding;
    case 0x0100:
        return NSUTF16StringEncoding;
    case 0x0500:
        return NSWindowsCP1252StringEncoding;
    default:
        return 0x80000000u | cfEncoding;
    }
}

namespace TextEncoding {

void appendUTF8(std::string& out, uint32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isValidUTF8(std::string_view s)
{
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::optional<Data> encode(std::string_view utf8, NSStringEncoding encoding)
{
    if (!isValidUTF8(utf8))
        return std::nullopt;
    if (encoding == NSUTF8StringEncoding)
        return Data(utf8.begin(), utf8.end());
    const char* name = iconvName(encoding);
    if (!name)
        return std::nullopt;
    if (encoding == NSUTF16StringEncoding) {
        // A byte-order mark, then the host's (little-endian) order.
        auto out = convert(utf8, "UTF-16LE", "UTF-8");
        if (!out)
            return std::nullopt;
        Data data { 0xFF, 0xFE };
        data.insert(data.end(), out->begin(), out->end());
        return data;
    }
    auto out = convert(utf8, name, "UTF-8");
    if (!out)
        return std::nullopt;
    return Data(out->begin(), out->end());
}

std::optional<std::string> decode(std::string_view bytes, NSStringEncoding encoding)
{
    if (encoding == NSUTF8StringEncoding) {
        if (!isValidUTF8(bytes))
            return std::nullopt;
        return std::string(bytes);
    }
    const char* name = iconvName(encoding);
    if (!name)
        return std::nullopt;
    if (encoding == NSUTF16StringEncoding) {
        // The byte-order mark decides; without one, big-endian as the standard says.
        if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
            && static_cast<unsigned char>(bytes[1]) == 0xFE)
            return convert(bytes.substr(2), "UTF-8", "UTF-16LE");
        if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE
            && static_cast<unsigned char>(bytes[1]) == 0xFF)
            return convert(bytes.substr(2), "UTF-8", "UTF-16BE");
        return convert(bytes, "UTF-8", "UTF-16BE");
    }
    return convert(bytes, "UTF-8", name);
}

namespace {

    struct Charset {
        const char* name;
        NSStringEncoding encoding;
    };

    constexpr Charset kCharsets[] = {
        { "utf-8", NSUTF8StringEncoding },
        { "iso-8859-1", NSISOLatin1StringEncoding },
        { "us-ascii", NSASCIIStringEncoding },
        { "windows-1252", NSWindowsCP1252StringEncoding },
        { "utf-16", NSUTF16StringEncoding },
        { "gb18030", kGB18030 },
        { "gbk", kGBK },
        // Aliases, matched when reading a name only.
        { "utf8", NSUTF8StringEncoding },
        { "latin1", NSISOLatin1StringEncoding },
        { "iso_8859-1", NSISOLatin1StringEncoding },
        { "ascii", NSASCIIStringEncoding },
        { "cp1252", NSWindowsCP1252StringEncoding },
    };

}  // namespace

std::optional<std::string> ianaCharsetName(NSStringEncoding encoding)
{
    for (const auto& c : kCharsets) {
        if (c.encoding == encoding)
            return std::string(c.name);
    }
    return std::nullopt;
}

std::optional<NSStringEncoding> encodingForIANACharsetName(std::string_view name)
{
    for (const auto& c : kCharsets) {
        if (NSString::equalsIgnoringASCIICase(name, c.name))
            return c.encoding;
    }
    return std::nullopt;
}

}  // namespace TextEncoding
