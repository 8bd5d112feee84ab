// GIO first: its headers use names that Qt defines as macros.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "platform/apps/Applications.h"

#include "platform/files/NativeName.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

#include <sys/stat.h>

namespace quavel {

namespace {

struct GObjectUnref
{
    void operator()(gpointer p) const
    {
        if (p)
            g_object_unref(p);
    }
};
template <typename T> using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFreeDeleter
{
    void operator()(gpointer p) const { g_free(p); }
};
using GString8 = std::unique_ptr<char, GFreeDeleter>;

QString fromUtf8(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

std::optional<DesktopApplication> describe(GAppInfo* info)
{
    if (!info || !G_IS_DESKTOP_APP_INFO(info))
        return std::nullopt;
    const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info));
    if (!file)
        return std::nullopt;
    DesktopApplication app;
    app.desktopFile = QFileInfo(NativeName::decode(file)).absoluteFilePath();
    app.desktopId = fromUtf8(g_app_info_get_id(info));
    if (app.desktopId.isEmpty())
        app.desktopId = QFileInfo(app.desktopFile).fileName();
    app.name = fromUtf8(g_app_info_get_name(info));
    return app;
}

// The content type GIO gives the file: sniffed from its bytes when the name alone is not conclusive.
GString8 contentType(const QString& path)
{
    const QByteArray local = NativeName::encode(path);
    GPtr<GFile> file(g_file_new_for_path(local.constData()));
    GPtr<GFileInfo> info(g_file_query_info(
        file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (info) {
        if (const char* type = g_file_info_get_content_type(info.get()))
            return GString8(g_strdup(type));
    }
    gboolean uncertain = FALSE;
    return GString8(g_content_type_guess(local.constData(), nullptr, 0, &uncertain));
}

GPtr<GDesktopAppInfo> loadEntry(const QString& path)
{
    const QByteArray local = NativeName::encode(path);
    struct stat st
    {
    };
    if (!path.endsWith(QLatin1String(".desktop")) || ::stat(local.constData(), &st) != 0
        || !S_ISREG(st.st_mode))
        return nullptr;
    return GPtr<GDesktopAppInfo>(g_desktop_app_info_new_from_filename(local.constData()));
}

} // namespace

QList<DesktopApplication> Applications::forFile(const QString& path)
{
    QList<DesktopApplication> apps;
    const GString8 type = contentType(path);
    if (!type)
        return apps;
    GList* list = g_app_info_get_all_for_type(type.get());
    for (GList* l = list; l; l = l->next) {
        if (auto app = describe(G_APP_INFO(l->data)); app && !apps.contains(*app))
            apps.append(*app);
    }
    g_list_free_full(list, g_object_unref);
    return apps;
}

std::optional<DesktopApplication> Applications::fromDesktopFile(const QString& path)
{
    const GPtr<GDesktopAppInfo> info = loadEntry(path);
    return info ? describe(G_APP_INFO(info.get())) : std::nullopt;
}

bool Applications::launch(const QString& desktopFile, const QStringList& files)
{
    const GPtr<GDesktopAppInfo> info = loadEntry(desktopFile);
    if (!info)
        return false;
    GList* gfiles = nullptr;
    for (const QString& f : files)
        gfiles = g_list_append(gfiles, g_file_new_for_path(NativeName::encode(f).constData()));
    GPtr<GAppLaunchContext> context(g_app_launch_context_new());
    GError* error = nullptr;
    const gboolean started = g_app_info_launch(G_APP_INFO(info.get()), gfiles, context.get(), &error);
    g_list_free_full(gfiles, g_object_unref);
    if (error)
        g_error_free(error);
    return started;
}

Applications::DefaultOpen Applications::openWithDefault(const QString& path)
{
    const GString8 type = contentType(path);
    if (!type)
        return DefaultOpen::noApplication;
    GPtr<GAppInfo> info(g_app_info_get_default_for_type(type.get(), FALSE));
    if (!info || !G_IS_DESKTOP_APP_INFO(info.get()))
        return DefaultOpen::noApplication;
    const char* file = g_desktop_app_info_get_filename(G_DESKTOP_APP_INFO(info.get()));
    if (!file)
        return DefaultOpen::noApplication;
    return launch(NativeName::decode(file), { path }) ? DefaultOpen::opened : DefaultOpen::failed;
}

} // namespace quavel
