#include "Platform/CoreGraphics/CGPDFDocument.h"

#include <cairo.h>
#include <poppler.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>
#include <vector>

// Everything one open file needs, shared by the document, its pages and every
// object read from it.
struct PDFStore {
    std::recursive_mutex lock;  // qpdf's objects are not safe across threads
    std::string path;
    std::unique_ptr<QPDF> qpdf;  // null while locked
    bool encrypted = false;
    std::string password;
    bool pagesRead = false;
    std::vector<QPDFObjectHandle> pages;
    std::map<QPDFObjGen, std::weak_ptr<const CGPDFObject>> indirect;
    std::map<const void*, std::weak_ptr<const CGPDFObject>> direct;

    std::mutex renderLock;  // poppler renders one page of a document at a time
    PopplerDocument* poppler = nullptr;
    bool popplerFailed = false;

    ~PDFStore()
    {
        if (poppler)
            g_object_unref(poppler);
    }
};

struct CGPDFObject::Impl {
    std::shared_ptr<PDFStore> store;
    QPDFObjectHandle handle;
};

CGPDFObject::CGPDFObject(std::unique_ptr<Impl> impl)
    : m_impl(std::move(impl))
{
}
CGPDFObject::~CGPDFObject() = default;

class CGPDFDocument {
public:
    std::shared_ptr<PDFStore> store;
    std::mutex pagesLock;
    std::map<size_t, CGPDFPageRef> pages;
};

class CGPDFPage {
public:
    ~CGPDFPage()
    {
        if (poppler)
            g_object_unref(poppler);
    }

    std::shared_ptr<PDFStore> store;
    std::weak_ptr<CGPDFDocument> document;
    size_t number = 0;
    QPDFObjectHandle handle;
    CGPDFDictionaryRef dictionary;
    // Kept from the first drawing on, under the store's render lock, so that
    // drawing the page again does not look it up again.
    PopplerPage* poppler = nullptr;
    // The boxes and rotation every drawing asks for, read once under the store's lock.
    std::optional<CGRect> mediaBox;
    std::optional<CGRect> cropBox;
    std::optional<int> angle;
};

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// The one wrapper of an object while it is referenced anywhere.
CGPDFObjectRef wrap(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle handle)
{
    Lock guard(store->lock);
    auto make = [&] {
        return std::make_shared<const CGPDFObject>(
            std::make_unique<CGPDFObject::Impl>(CGPDFObject::Impl { store, handle }));
    };
    if (handle.isIndirect()) {
        auto& slot = store->indirect[handle.getObjGen()];
        if (auto existing = slot.lock())
            return existing;
        auto object = make();
        slot = object;
        return object;
    }
    if (store->direct.size() > 4096)
        std::erase_if(store->direct, [](auto& entry) { return entry.second.expired(); });
    auto& slot = store->direct[handle.getObjectPtr()];
    if (auto existing = slot.lock())
        return existing;
    auto object = make();
    slot = object;
    return object;
}

// Runs a read of qpdf's objects under the document's lock; anything qpdf
// throws (a damaged object, a broken stream) counts as "not there".
template <typename F> auto guarded(const std::shared_ptr<PDFStore>& store, F read) -> decltype(read())
{
    Lock guard(store->lock);
    try {
        return read();
    } catch (...) {
        return decltype(read()) {};
    }
}

bool open(PDFStore& store, const char* password)
{
    auto q = std::make_unique<QPDF>();
    q->setSuppressWarnings(true);
    try {
        q->processFile(store.path.c_str(), password);
        store.encrypted = q->isEncrypted();
        store.qpdf = std::move(q);
        store.password = password;
        return true;
    } catch (QPDFExc& e) {
        if (e.getErrorCode() == qpdf_e_password)
            store.encrypted = true;
        return false;
    } catch (...) {
        return false;
    }
}

const std::vector<QPDFObjectHandle>& pagesOf(PDFStore& store)
{
    if (!store.pagesRead && store.qpdf) {
        store.pagesRead = true;
        try {
            store.pages = store.qpdf->getAllPages();
        } catch (...) {
            store.pages.clear();
        }
    }
    return store.pages;
}

std::optional<CGRect> rectOf(QPDFObjectHandle box)
{
    if (!box.isArray() || box.getArrayNItems() != 4)
        return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        auto item = box.getArrayItem(i);
        if (!item.isNumber())
            return std::nullopt;
        v[i] = item.getNumericValue();
        if (!std::isfinite(v[i]))
            return std::nullopt;
    }
    return CGRectStandardize(CGRectMake(CGFloat(v[0]), CGFloat(v[1]), CGFloat(v[2] - v[0]), CGFloat(v[3] - v[1])));
}

std::optional<CGRect> inheritedBox(QPDFObjectHandle page, const char* key)
{
    QPDFPageObjectHelper helper(page);
    return rectOf(helper.getAttribute(key, false));
}

QPDFObjectHandle handleOf(const CGPDFObjectRef& object) { return object->impl().handle; }

bool dictionaryValue(const CGPDFDictionaryRef& d, const char* key, QPDFObjectHandle* out)
{
    if (!d || !key)
        return false;
    return guarded(d->impl().store, [&] {
        QPDFObjectHandle h = handleOf(d);
        if (!h.isDictionary() || !h.hasKey(std::string("/") + key))
            return false;
        *out = h.getKey(std::string("/") + key);
        return !out->isNull();
    });
}

bool arrayValue(const CGPDFArrayRef& a, size_t index, QPDFObjectHandle* out)
{
    if (!a)
        return false;
    return guarded(a->impl().store, [&] {
        QPDFObjectHandle h = handleOf(a);
        if (!h.isArray() || index >= size_t(h.getArrayNItems()))
            return false;
        *out = h.getArrayItem(int(index));
        return true;
    });
}

template <typename T> bool readAs(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle h, T* value);

template <> bool readAs(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle h, bool* value)
{
    return guarded(store, [&] {
        if (!h.isBool())
            return false;
        if (value)
            *value = h.getBoolValue();
        return true;
    });
}

template <> bool readAs(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle h, CGPDFInteger* value)
{
    return guarded(store, [&] {
        if (!h.isInteger())
            return false;
        if (value)
            *value = CGPDFInteger(h.getIntValue());
        return true;
    });
}

template <> bool readAs(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle h, CGPDFReal* value)
{
    return guarded(store, [&] {
        if (!h.isNumber())
            return false;
        if (value)
            *value = CGPDFReal(h.getNumericValue());
        return true;
    });
}

template <> bool readAs(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle h, std::string* value)
{
    return guarded(store, [&] {
        if (!h.isName())
            return false;
        if (value)
            *value = h.getName().substr(1);
        return true;
    });
}

bool wrapIf(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle h, bool ok, CGPDFObjectRef* value)
{
    if (!ok)
        return false;
    if (value)
        *value = wrap(store, h);
    return true;
}

bool isKind(const std::shared_ptr<PDFStore>& store, QPDFObjectHandle h, CGPDFObjectType type)
{
    return guarded(store, [&] {
        switch (type) {
        case kCGPDFObjectTypeString:
            return h.isString();
        case kCGPDFObjectTypeArray:
            return h.isArray();
        case kCGPDFObjectTypeDictionary:
            return h.isDictionary();
        default:
            return false;
        }
    });
}

}

CGPDFDocumentRef CGPDFDocumentCreateWithURL(const std::string& path)
{
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return nullptr;
    auto store = std::make_shared<PDFStore>();
    store->path = path;
    if (!open(*store, "") && !store->encrypted)
        return nullptr;
    auto document = std::make_shared<CGPDFDocument>();
    document->store = store;
    return document;
}

bool CGPDFDocumentIsEncrypted(const CGPDFDocumentRef& document)
{
    if (!document)
        return false;
    Lock guard(document->store->lock);
    return document->store->encrypted;
}

bool CGPDFDocumentIsUnlocked(const CGPDFDocumentRef& document)
{
    if (!document)
        return false;
    Lock guard(document->store->lock);
    return document->store->qpdf != nullptr;
}

bool CGPDFDocumentUnlockWithPassword(const CGPDFDocumentRef& document, const char* password)
{
    if (!document || !password)
        return false;
    auto& store = *document->store;
    Lock guard(store.lock);
    if (store.qpdf)
        return true;
    return open(store, password);
}

size_t CGPDFDocumentGetNumberOfPages(const CGPDFDocumentRef& document)
{
    if (!document)
        return 0;
    Lock guard(document->store->lock);
    return pagesOf(*document->store).size();
}

CGPDFPageRef CGPDFDocumentGetPage(const CGPDFDocumentRef& document, size_t pageNumber)
{
    if (!document || pageNumber == 0)
        return nullptr;
    auto& store = document->store;
    Lock guard(store->lock);
    auto& pages = pagesOf(*store);
    if (pageNumber > pages.size())
        return nullptr;
    std::lock_guard pagesGuard(document->pagesLock);
    auto& slot = document->pages[pageNumber];
    if (!slot) {
        auto page = std::make_shared<CGPDFPage>();
        page->store = store;
        page->document = document;
        page->number = pageNumber;
        page->handle = pages[pageNumber - 1];
        page->dictionary = wrap(store, page->handle);
        slot = page;
    }
    return slot;
}

CGPDFDictionaryRef CGPDFDocumentGetCatalog(const CGPDFDocumentRef& document)
{
    if (!document)
        return nullptr;
    auto& store = document->store;
    return guarded(store, [&]() -> CGPDFDictionaryRef {
        if (!store->qpdf)
            return nullptr;
        QPDFObjectHandle root = store->qpdf->getRoot();
        return root.isDictionary() ? wrap(store, root) : nullptr;
    });
}

CGRect CGPDFPageGetBoxRect(const CGPDFPageRef& page, CGPDFBox box)
{
    if (!page)
        return CGRectNull;
    return guarded(page->store, [&]() -> CGRect {
        if (!page->mediaBox)
            page->mediaBox = inheritedBox(page->handle, "/MediaBox").value_or(CGRectMake(0, 0, 612, 792));
        CGRect media = *page->mediaBox;
        if (box == kCGPDFMediaBox)
            return media;
        if (!page->cropBox)
            page->cropBox = inheritedBox(page->handle, "/CropBox").value_or(media);
        CGRect crop = *page->cropBox;
        CGRect result = crop;
        if (box != kCGPDFCropBox) {
            const char* key = box == kCGPDFBleedBox ? "/BleedBox" : box == kCGPDFTrimBox ? "/TrimBox" : "/ArtBox";
            result = rectOf(page->handle.getKey(key)).value_or(crop);
        }
        CGRect clipped = CGRectIntersection(result, media);
        return CGRectIsNull(clipped) ? media : clipped;
    });
}

int CGPDFPageGetRotationAngle(const CGPDFPageRef& page)
{
    if (!page)
        return 0;
    return guarded(page->store, [&] {
        if (!page->angle) {
            QPDFObjectHandle r = QPDFPageObjectHelper(page->handle).getAttribute("/Rotate", false);
            long long v = r.isInteger() ? r.getIntValue() : 0;
            page->angle = v % 90 != 0 ? 0 : int(((v % 360) + 360) % 360);
        }
        return *page->angle;
    });
}

size_t CGPDFPageGetPageNumber(const CGPDFPageRef& page) { return page ? page->number : 0; }
CGPDFDocumentRef CGPDFPageGetDocument(const CGPDFPageRef& page) { return page ? page->document.lock() : nullptr; }
CGPDFDictionaryRef CGPDFPageGetDictionary(const CGPDFPageRef& page) { return page ? page->dictionary : nullptr; }

CGAffineTransform CGPDFPageGetDrawingTransform(
    const CGPDFPageRef& page, CGPDFBox box, CGRect rect, int rotate, bool preserveAspectRatio)
{
    if (!page)
        return CGAffineTransformIdentity;
    CGRect b = CGPDFPageGetBoxRect(page, box);
    rect = CGRectStandardize(rect);
    if (CGRectIsEmpty(b) || CGRectIsEmpty(rect))
        return CGAffineTransformIdentity;
    int angle = CGPDFPageGetRotationAngle(page) + (rotate % 90 == 0 ? rotate : 0);
    angle = ((angle % 360) + 360) % 360;
    bool sideways = angle == 90 || angle == 270;
    double w = sideways ? b.size.height : b.size.width, h = sideways ? b.size.width : b.size.height;
    double sx = rect.size.width / w, sy = rect.size.height / h;
    if (preserveAspectRatio)
        sx = sy = std::min(sx, sy);
    // Centre the box on the origin, turn it clockwise, scale, centre it on the rectangle.
    CGAffineTransform t = CGAffineTransformMakeTranslation(-CGRectGetMidX(b), -CGRectGetMidY(b));
    t = CGAffineTransformConcat(t, CGAffineTransformMakeRotation(CGFloat(-angle * M_PI / 180)));
    // Exact quarter turns, without sine and cosine rounding.
    t.a = std::round(t.a);
    t.b = std::round(t.b);
    t.c = std::round(t.c);
    t.d = std::round(t.d);
    t = CGAffineTransformConcat(t, CGAffineTransformMakeScale(CGFloat(sx), CGFloat(sy)));
    return CGAffineTransformConcat(t, CGAffineTransformMakeTranslation(CGRectGetMidX(rect), CGRectGetMidY(rect)));
}

void CGContextDrawPDFPage(const CGContextRef& context, const CGPDFPageRef& page)
{
    if (!context || !page)
        return;
    auto& store = *page->store;
    CGRect crop = CGPDFPageGetBoxRect(page, kCGPDFCropBox);
    int angle = CGPDFPageGetRotationAngle(page);
    std::lock_guard guard(store.renderLock);
    if (!store.poppler && !store.popplerFailed) {
        gchar* uri = g_filename_to_uri(std::filesystem::absolute(store.path).c_str(), nullptr, nullptr);
        std::string password;
        {
            Lock objectGuard(store.lock);
            password = store.password;
        }
        if (uri)
            store.poppler = poppler_document_new_from_file(uri, password.c_str(), nullptr);
        g_free(uri);
        store.popplerFailed = store.poppler == nullptr;
    }
    if (!store.poppler || int(page->number) > poppler_document_get_n_pages(store.poppler))
        return;
    if (!page->poppler)
        page->poppler = poppler_document_get_page(store.poppler, int(page->number) - 1);
    PopplerPage* pp = page->poppler;
    if (!pp)
        return;
    // Poppler draws the page turned by its rotation, y downward from the crop
    // box's top left; this maps that back onto the page's own space.
    double x0 = crop.origin.x, y0 = crop.origin.y, x1 = x0 + crop.size.width, y1 = y0 + crop.size.height;
    cairo_matrix_t m;
    switch (angle) {
    case 90:
        cairo_matrix_init(&m, 0, 1, 1, 0, x0, y0);
        break;
    case 180:
        cairo_matrix_init(&m, -1, 0, 0, 1, x1, y0);
        break;
    case 270:
        cairo_matrix_init(&m, 0, -1, -1, 0, x1, y1);
        break;
    default:
        cairo_matrix_init(&m, 1, 0, 0, -1, x0, y1);
    }
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, x0, y0, crop.size.width, crop.size.height);
    cairo_clip(cr);
    cairo_transform(cr, &m);
    poppler_page_render(pp, cr);
    cairo_restore(cr);
    context->didDraw();
}

CGPDFObjectType CGPDFObjectGetType(const CGPDFObjectRef& object)
{
    if (!object)
        return kCGPDFObjectTypeNull;
    return guarded(object->impl().store, [&] {
        QPDFObjectHandle h = handleOf(object);
        if (h.isBool())
            return kCGPDFObjectTypeBoolean;
        if (h.isInteger())
            return kCGPDFObjectTypeInteger;
        if (h.isReal())
            return kCGPDFObjectTypeReal;
        if (h.isName())
            return kCGPDFObjectTypeName;
        if (h.isString())
            return kCGPDFObjectTypeString;
        if (h.isArray())
            return kCGPDFObjectTypeArray;
        if (h.isStream())
            return kCGPDFObjectTypeStream;
        if (h.isDictionary())
            return kCGPDFObjectTypeDictionary;
        return kCGPDFObjectTypeNull;
    });
}

bool CGPDFObjectGetValue(const CGPDFObjectRef& o, bool* v) { return o && readAs(o->impl().store, handleOf(o), v); }
bool CGPDFObjectGetValue(const CGPDFObjectRef& o, CGPDFInteger* v)
{
    return o && readAs(o->impl().store, handleOf(o), v);
}
bool CGPDFObjectGetValue(const CGPDFObjectRef& o, CGPDFReal* v) { return o && readAs(o->impl().store, handleOf(o), v); }
bool CGPDFObjectGetName(const CGPDFObjectRef& o, std::string* v)
{
    return o && readAs(o->impl().store, handleOf(o), v);
}
bool CGPDFObjectIsDictionary(const CGPDFObjectRef& o) { return CGPDFObjectGetType(o) == kCGPDFObjectTypeDictionary; }

size_t CGPDFDictionaryGetCount(const CGPDFDictionaryRef& d)
{
    if (!d)
        return 0;
    return guarded(d->impl().store, [&]() -> size_t {
        QPDFObjectHandle h = handleOf(d);
        return h.isDictionary() ? h.getKeys().size() : 0;
    });
}

bool CGPDFDictionaryGetObject(const CGPDFDictionaryRef& d, const char* key, CGPDFObjectRef* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h) && wrapIf(d->impl().store, h, true, value);
}

bool CGPDFDictionaryGetBoolean(const CGPDFDictionaryRef& d, const char* key, bool* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h) && readAs(d->impl().store, h, value);
}

bool CGPDFDictionaryGetInteger(const CGPDFDictionaryRef& d, const char* key, CGPDFInteger* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h) && readAs(d->impl().store, h, value);
}

bool CGPDFDictionaryGetNumber(const CGPDFDictionaryRef& d, const char* key, CGPDFReal* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h) && readAs(d->impl().store, h, value);
}

bool CGPDFDictionaryGetName(const CGPDFDictionaryRef& d, const char* key, std::string* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h) && readAs(d->impl().store, h, value);
}

bool CGPDFDictionaryGetString(const CGPDFDictionaryRef& d, const char* key, CGPDFStringRef* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h)
        && wrapIf(d->impl().store, h, isKind(d->impl().store, h, kCGPDFObjectTypeString), value);
}

bool CGPDFDictionaryGetArray(const CGPDFDictionaryRef& d, const char* key, CGPDFArrayRef* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h)
        && wrapIf(d->impl().store, h, isKind(d->impl().store, h, kCGPDFObjectTypeArray), value);
}

bool CGPDFDictionaryGetDictionary(const CGPDFDictionaryRef& d, const char* key, CGPDFDictionaryRef* value)
{
    QPDFObjectHandle h;
    return dictionaryValue(d, key, &h)
        && wrapIf(d->impl().store, h, isKind(d->impl().store, h, kCGPDFObjectTypeDictionary), value);
}

size_t CGPDFArrayGetCount(const CGPDFArrayRef& a)
{
    if (!a)
        return 0;
    return guarded(a->impl().store, [&]() -> size_t {
        QPDFObjectHandle h = handleOf(a);
        return h.isArray() ? size_t(h.getArrayNItems()) : 0;
    });
}

bool CGPDFArrayGetObject(const CGPDFArrayRef& a, size_t i, CGPDFObjectRef* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h) && wrapIf(a->impl().store, h, true, value);
}

bool CGPDFArrayGetBoolean(const CGPDFArrayRef& a, size_t i, bool* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h) && readAs(a->impl().store, h, value);
}

bool CGPDFArrayGetInteger(const CGPDFArrayRef& a, size_t i, CGPDFInteger* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h) && readAs(a->impl().store, h, value);
}

bool CGPDFArrayGetNumber(const CGPDFArrayRef& a, size_t i, CGPDFReal* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h) && readAs(a->impl().store, h, value);
}

bool CGPDFArrayGetName(const CGPDFArrayRef& a, size_t i, std::string* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h) && readAs(a->impl().store, h, value);
}

bool CGPDFArrayGetString(const CGPDFArrayRef& a, size_t i, CGPDFStringRef* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h)
        && wrapIf(a->impl().store, h, isKind(a->impl().store, h, kCGPDFObjectTypeString), value);
}

bool CGPDFArrayGetArray(const CGPDFArrayRef& a, size_t i, CGPDFArrayRef* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h) && wrapIf(a->impl().store, h, isKind(a->impl().store, h, kCGPDFObjectTypeArray), value);
}

bool CGPDFArrayGetDictionary(const CGPDFArrayRef& a, size_t i, CGPDFDictionaryRef* value)
{
    QPDFObjectHandle h;
    return arrayValue(a, i, &h)
        && wrapIf(a->impl().store, h, isKind(a->impl().store, h, kCGPDFObjectTypeDictionary), value);
}

size_t CGPDFStringGetLength(const CGPDFStringRef& s) { return CGPDFStringGetBytes(s).size(); }

std::string CGPDFStringGetBytes(const CGPDFStringRef& s)
{
    if (!s)
        return {};
    return guarded(s->impl().store, [&]() -> std::string {
        QPDFObjectHandle h = handleOf(s);
        return h.isString() ? h.getStringValue() : std::string();
    });
}

std::optional<std::string> CGPDFStringCopyTextString(const CGPDFStringRef& s)
{
    if (!s)
        return std::nullopt;
    return guarded(s->impl().store, [&]() -> std::optional<std::string> {
        QPDFObjectHandle h = handleOf(s);
        if (!h.isString())
            return std::nullopt;
        return h.getUTF8Value();
    });
}
