#pragma once

// Reading PDF documents: the document, its pages with their boxes and
// rotation, and the objects inside (catalog, name trees, page and annotation
// dictionaries) for following links. Objects are read through qpdf; pages are
// drawn into a context through poppler on cairo.
//
// Every reference keeps its document open, so an object or page stays valid
// as long as it is held. The same PDF object fetched twice while the first
// reference is alive is the same CGPDFObject, so identity can be compared by
// pointer (a destination's page against each page's dictionary).
//
// Damaged, cyclic or hostile files give null, zero or false answers; nothing
// here throws or loops.

#include "Platform/CoreGraphics/CGContext.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

enum CGPDFBox { kCGPDFMediaBox = 0, kCGPDFCropBox, kCGPDFBleedBox, kCGPDFTrimBox, kCGPDFArtBox };

enum CGPDFObjectType {
    kCGPDFObjectTypeNull = 1,
    kCGPDFObjectTypeBoolean,
    kCGPDFObjectTypeInteger,
    kCGPDFObjectTypeReal,
    kCGPDFObjectTypeName,
    kCGPDFObjectTypeString,
    kCGPDFObjectTypeArray,
    kCGPDFObjectTypeDictionary,
    kCGPDFObjectTypeStream,
};

using CGPDFInteger = long;
using CGPDFReal = CGFloat;

class CGPDFObject {
public:
    struct Impl;
    explicit CGPDFObject(std::unique_ptr<Impl> impl);
    ~CGPDFObject();
    Impl& impl() const { return *m_impl; }

private:
    std::unique_ptr<Impl> m_impl;
};

// Typed views of objects, as the platform names them; all are objects.
using CGPDFObjectRef = std::shared_ptr<const CGPDFObject>;
using CGPDFDictionaryRef = CGPDFObjectRef;
using CGPDFArrayRef = CGPDFObjectRef;
using CGPDFStringRef = CGPDFObjectRef;
using CGPDFStreamRef = CGPDFObjectRef;

class CGPDFDocument;
class CGPDFPage;
using CGPDFDocumentRef = std::shared_ptr<CGPDFDocument>;
using CGPDFPageRef = std::shared_ptr<CGPDFPage>;

// Null when the file cannot be read or is not a PDF. An encrypted document
// whose user password is not empty opens locked.
CGPDFDocumentRef CGPDFDocumentCreateWithURL(const std::string& path);
bool CGPDFDocumentIsEncrypted(const CGPDFDocumentRef& document);
bool CGPDFDocumentIsUnlocked(const CGPDFDocumentRef& document);
// Tries the password (user or owner); true when the document is unlocked
// afterwards. An unlocked document stays unlocked whatever is tried.
bool CGPDFDocumentUnlockWithPassword(const CGPDFDocumentRef& document, const char* password);
// 0 while locked.
size_t CGPDFDocumentGetNumberOfPages(const CGPDFDocumentRef& document);
// Pages count from 1; null outside the document or while it is locked.
CGPDFPageRef CGPDFDocumentGetPage(const CGPDFDocumentRef& document, size_t pageNumber);
CGPDFDictionaryRef CGPDFDocumentGetCatalog(const CGPDFDocumentRef& document);

// The box, inherited from the page tree where the page has none (crop from
// media, the others from crop), clipped to the media box.
CGRect CGPDFPageGetBoxRect(const CGPDFPageRef& page, CGPDFBox box);
// 0, 90, 180 or 270: how far the page is turned clockwise when shown.
int CGPDFPageGetRotationAngle(const CGPDFPageRef& page);
size_t CGPDFPageGetPageNumber(const CGPDFPageRef& page);
CGPDFDocumentRef CGPDFPageGetDocument(const CGPDFPageRef& page);
CGPDFDictionaryRef CGPDFPageGetDictionary(const CGPDFPageRef& page);
// The transform that shows the box upright (after the page's rotation and a
// further rotate, a multiple of 90) centred in rect, scaled to fill it, or to
// fit it keeping proportions when preserveAspectRatio is set.
CGAffineTransform CGPDFPageGetDrawingTransform(
    const CGPDFPageRef& page, CGPDFBox box, CGRect rect, int rotate, bool preserveAspectRatio);
// Draws the page's content in the page's own (unrotated, y upward) space
// under the context's current transform, clipped to the crop box.
void CGContextDrawPDFPage(const CGContextRef& context, const CGPDFPageRef& page);

CGPDFObjectType CGPDFObjectGetType(const CGPDFObjectRef& object);
bool CGPDFObjectGetValue(const CGPDFObjectRef& object, bool* value);
bool CGPDFObjectGetValue(const CGPDFObjectRef& object, CGPDFInteger* value);
// Integers count as reals here, as the platform reads numbers.
bool CGPDFObjectGetValue(const CGPDFObjectRef& object, CGPDFReal* value);
// A name, without its leading slash.
bool CGPDFObjectGetName(const CGPDFObjectRef& object, std::string* value);
bool CGPDFObjectIsDictionary(const CGPDFObjectRef& object);

size_t CGPDFDictionaryGetCount(const CGPDFDictionaryRef& dictionary);
bool CGPDFDictionaryGetObject(const CGPDFDictionaryRef& dictionary, const char* key, CGPDFObjectRef* value);
bool CGPDFDictionaryGetBoolean(const CGPDFDictionaryRef& dictionary, const char* key, bool* value);
bool CGPDFDictionaryGetInteger(const CGPDFDictionaryRef& dictionary, const char* key, CGPDFInteger* value);
bool CGPDFDictionaryGetNumber(const CGPDFDictionaryRef& dictionary, const char* key, CGPDFReal* value);
bool CGPDFDictionaryGetName(const CGPDFDictionaryRef& dictionary, const char* key, std::string* value);
bool CGPDFDictionaryGetString(const CGPDFDictionaryRef& dictionary, const char* key, CGPDFStringRef* value);
bool CGPDFDictionaryGetArray(const CGPDFDictionaryRef& dictionary, const char* key, CGPDFArrayRef* value);
bool CGPDFDictionaryGetDictionary(const CGPDFDictionaryRef& dictionary, const char* key, CGPDFDictionaryRef* value);

size_t CGPDFArrayGetCount(const CGPDFArrayRef& array);
bool CGPDFArrayGetObject(const CGPDFArrayRef& array, size_t index, CGPDFObjectRef* value);
bool CGPDFArrayGetBoolean(const CGPDFArrayRef& array, size_t index, bool* value);
bool CGPDFArrayGetInteger(const CGPDFArrayRef& array, size_t index, CGPDFInteger* value);
bool CGPDFArrayGetNumber(const CGPDFArrayRef& array, size_t index, CGPDFReal* value);
bool CGPDFArrayGetName(const CGPDFArrayRef& array, size_t index, std::string* value);
bool CGPDFArrayGetString(const CGPDFArrayRef& array, size_t index, CGPDFStringRef* value);
bool CGPDFArrayGetArray(const CGPDFArrayRef& array, size_t index, CGPDFArrayRef* value);
bool CGPDFArrayGetDictionary(const CGPDFArrayRef& array, size_t index, CGPDFDictionaryRef* value);

// A string's raw bytes, and its text (PDFDocEncoding or UTF-16 made UTF-8).
size_t CGPDFStringGetLength(const CGPDFStringRef& string);
std::string CGPDFStringGetBytes(const CGPDFStringRef& string);
std::optional<std::string> CGPDFStringCopyTextString(const CGPDFStringRef& string);
