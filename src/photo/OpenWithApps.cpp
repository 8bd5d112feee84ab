#include "photo/OpenWithApps.h"

#include "library/PhotoNumber.h"
#include "platform/apps/Applications.h"
#include "platform/text/Text.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace quavel {

size_t qHash(const OpenWithApp& app, size_t seed) noexcept
{
    return qHashMulti(seed, app.url, app.name);
}

namespace {

// The photo applications of Linux photographers, in their roles: the main editors, the viewers, then
// other editors. Each text is found in the Debian package's desktop entry: in its id (gimp.desktop,
// org.darktable.darktable.desktop, rawtherapee.desktop, org.gnome.eog.desktop, org.kde.gwenview.desktop,
// shotwell.desktop, org.kde.digikam.desktop, org.kde.krita.desktop and krita_<type>.desktop,
// photoflare.desktop) and, but for the image viewer, in its name.
const char* const kPreferred[]
    = { "gimp", "darktable", "rawtherapee", "eog", "gwenview", "shotwell", "digikam", "krita", "photoflare" };
constexpr int kNotPreferred = 9;

QHash<QString, QList<OpenWithApp>>& cache()
{
    static QHash<QString, QList<OpenWithApp>> table;
    return table;
}

} // namespace

int OpenWithApps::preferredIndex(const QString& name, const QString& desktopId)
{
    for (int i = 0; i < kNotPreferred; ++i) {
        const QLatin1String text(kPreferred[i]);
        if (name.contains(text, Qt::CaseInsensitive) || desktopId.contains(text, Qt::CaseInsensitive))
            return i;
    }
    return kNotPreferred;
}

QString OpenWithApps::cacheKey(const QStringList& files)
{
    QStringList extensions;
    extensions.reserve(files.size());
    for (const QString& f : files)
        extensions.append(pathExtension(f).toLower());
    std::sort(extensions.begin(), extensions.end());
    return extensions.join(QLatin1Char('|'));
}

QList<OpenWithApp> OpenWithApps::apps(const QStringList& files)
{
    if (files.isEmpty())
        return {};
    const QString key = cacheKey(files);
    if (auto it = cache().constFind(key); it != cache().constEnd())
        return *it;

    // The first file's applications, kept when every further file has them too (by desktop id; every
    // file is asked, even when its extension repeats).
    QList<DesktopApplication> candidates = Applications::forFile(files.first());
    for (qsizetype i = 1; i < files.size() && !candidates.isEmpty(); ++i) {
        QSet<QString> ids;
        for (const DesktopApplication& a : Applications::forFile(files[i]))
            ids.insert(a.desktopId);
        candidates.removeIf([&ids](const DesktopApplication& a) { return !ids.contains(a.desktopId); });
    }

    struct Ranked
    {
        OpenWithApp app;
        int rank;
    };
    QList<Ranked> ranked;
    for (const DesktopApplication& a : candidates)
        ranked.append({ OpenWithApp { a.desktopFile, a.name }, preferredIndex(a.name, a.desktopId) });
    std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return text::localizedStandardCompare(a.app.name, b.app.name) < 0;
    });
    QList<OpenWithApp> sorted;
    for (const Ranked& r : ranked)
        sorted.append(r.app);
    cache().insert(key, sorted);
    return sorted;
}

bool OpenWithApps::open(const QStringList& files, const QString& app)
{
    if (files.isEmpty())
        return false;
    return Applications::launch(app, files);
}

void OpenWithApps::openInDefaultApp(const QStringList& files)
{
    for (const QString& f : files)
        Applications::openWithDefault(f);
}

QString OpenWithApps::typeKey(const QString& file)
{
    static const QHash<QString, QString> same { { "jpeg", "jpg" }, { "tiff", "tif" }, { "heif", "heic" },
        { "m4v", "mp4" }, { "m4p", "mp4" }, { "mpeg", "mpg" } };
    const QString extension = pathExtension(file).toLower();
    return same.value(extension, extension);
}

} // namespace quavel
