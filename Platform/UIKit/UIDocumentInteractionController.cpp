#include "Platform/UIKit/UIDocumentInteractionController.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/DocumentPreviewController.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <fstream>

namespace {

std::string pathOf(const std::string& url) { return url.rfind("file://", 0) == 0 ? url.substr(7) : url; }

// The type identifiers callers give, as MIME types.
std::string mimeTypeOfIdentifier(const std::string& uti)
{
    static const std::pair<const char*, const char*> known[] = {
        { "com.adobe.pdf", "application/pdf" },
        { "public.plain-text", "text/plain" },
        { "public.html", "text/html" },
        { "public.jpeg", "image/jpeg" },
        { "public.png", "image/png" },
        { "com.apple.keynote.key", "application/x-iwork-keynote-sffkey" },
    };
    for (auto& [identifier, mime] : known)
        if (uti == identifier)
            return mime;
    return {};
}

template <class T> struct GObjectRef {
    T* object;
    ~GObjectRef()
    {
        if (object)
            g_object_unref(object);
    }
};

}  // namespace

class UIDocumentInteractionController::MenuDelegate : public UIActionSheetDelegate {
public:
    explicit MenuDelegate(UIDocumentInteractionController* owner)
        : m_owner(owner)
    {
    }
    void actionSheetClickedButtonAtIndex(UIActionSheet&, long index) override
    {
        if (index >= 0 && index < static_cast<long>(m_owner->m_offered.size()))
            m_owner->send(m_owner->m_offered[static_cast<size_t>(index)]);
    }
    void actionSheetDidDismissWithButtonIndex(UIActionSheet&, long) override
    {
        if (auto d = m_owner->delegate())
            d->documentInteractionControllerDidDismissOpenInMenu(*m_owner);
    }

private:
    UIDocumentInteractionController* m_owner;  // owns this delegate
};

std::shared_ptr<UIDocumentInteractionController> UIDocumentInteractionController::interactionControllerWithURL(
    const std::string& fileURL)
{
    auto c = std::make_shared<UIDocumentInteractionController>(fileURL);
    c->name = NSString::lastPathComponent(pathOf(fileURL));
    return c;
}

std::string UIDocumentInteractionController::contentType() const
{
    if (auto mime = mimeTypeOfIdentifier(UTI); !mime.empty())
        return mime;
    std::string path = pathOf(URL);
    // The name decides where it can; the first bytes settle a name that says nothing.
    char head[4096];
    std::ifstream in(path, std::ios::binary);
    in.read(head, sizeof head);
    auto length = static_cast<gsize>(in.gcount());
    gchar* type = g_content_type_guess(path.c_str(), reinterpret_cast<const guchar*>(head), length, nullptr);
    gchar* mime = type ? g_content_type_get_mime_type(type) : nullptr;
    std::string out = mime ? mime : "application/octet-stream";
    g_free(mime);
    g_free(type);
    return out;
}

std::vector<UIDocumentInteractionController::Application> UIDocumentInteractionController::applications() const
{
    std::vector<Application> out;
    GList* all = g_app_info_get_all_for_type(contentType().c_str());
    for (GList* i = all; i; i = i->next) {
        auto* info = G_APP_INFO(i->data);
        const char* id = g_app_info_get_id(info);
        if (!id || !g_app_info_should_show(info))
            continue;
        out.push_back({ id, g_app_info_get_display_name(info) });
    }
    g_list_free_full(all, g_object_unref);
    return out;
}

bool UIDocumentInteractionController::present(CGRect rect, const std::shared_ptr<UIView>& view)
{
    m_offered = applications();
    if (m_offered.empty() || !view)
        return false;
    if (!m_menuDelegate)
        m_menuDelegate = std::make_shared<MenuDelegate>(this);
    std::vector<std::string> titles;
    for (auto& a : m_offered)
        titles.push_back(a.name);
    m_menu = std::make_shared<UIActionSheet>(std::nullopt, m_menuDelegate, std::nullopt, std::nullopt, titles);
    m_menu->showFromRectInViewAnimated(rect, view, true);
    return true;
}

bool UIDocumentInteractionController::presentOpenInMenuFromRectInViewAnimated(
    CGRect rect, const std::shared_ptr<UIView>& view, bool)
{
    return present(rect, view);
}

bool UIDocumentInteractionController::presentOpenInMenuFromBarButtonItemAnimated(
    const std::shared_ptr<UIBarButtonItem>& item, bool)
{
    return item && present(item->shownFrame(), item->shownInView());
}

bool UIDocumentInteractionController::presentPreviewAnimated(bool animated)
{
    return DocumentPreviewController::present(shared_from_this(), animated);
}

void UIDocumentInteractionController::dismissMenuAnimated(bool animated)
{
    if (m_menu)
        m_menu->dismissWithClickedButtonIndexAnimated(-1, animated);
}

void UIDocumentInteractionController::send(const Application& application)
{
    auto keep = shared_from_this();
    GObjectRef<GDesktopAppInfo> info { g_desktop_app_info_new(application.identifier.c_str()) };
    if (!info.object) {
        NSLog("cannot open %@ in %@: the application is gone", pathOf(URL), application.name);
        return;
    }
    if (auto d = delegate())
        d->documentInteractionControllerWillBeginSendingToApplication(*this, application.identifier);
    GObjectRef<GFile> file { g_file_new_for_path(pathOf(URL).c_str()) };
    GList files { file.object, nullptr, nullptr };
    GError* error = nullptr;
    if (!g_app_info_launch(G_APP_INFO(info.object), &files, nullptr, &error)) {
        NSLog("cannot open %@ in %@: %@", pathOf(URL), application.name, std::string(error ? error->message : "?"));
        g_clear_error(&error);
        return;
    }
    if (auto d = delegate())
        d->documentInteractionControllerDidEndSendingToApplication(*this, application.identifier);
}
