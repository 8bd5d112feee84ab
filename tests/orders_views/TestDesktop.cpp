#include "TestDesktop.h"

#include <QFileDevice>

namespace quavel::test {

namespace {
const bool made = (TestDesktop::shared(), true);
} // namespace

TestDesktop& TestDesktop::shared()
{
    static TestDesktop desktop;
    return desktop;
}

TestDesktop::TestDesktop()
{
    QDir(m_root.path()).mkpath(QStringLiteral("share/applications"));
    QDir(m_root.path()).mkpath(QStringLiteral("config"));
    QFile::link(QStringLiteral("/usr/share/mime"), m_root.filePath(QStringLiteral("share/mime")));
    // The icon theme is looked up in the same folders.
    QFile::link(QStringLiteral("/usr/share/icons"), m_root.filePath(QStringLiteral("share/icons")));
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_root.filePath(QStringLiteral("share"))));
    m_editor = writeApp(QStringLiteral("editeur"), "%F");
    m_viewer = writeApp(QStringLiteral("visionneur"), "%F");
    QFile cache(m_root.filePath(QStringLiteral("share/applications/mimeinfo.cache")));
    if (cache.open(QIODevice::WriteOnly))
        cache.write(
            "[MIME Cache]\nimage/jpeg=editeur.desktop;visionneur.desktop;\n"
            "image/png=editeur.desktop;visionneur.desktop;\nvideo/mp4=editeur.desktop;visionneur.desktop;\n");
    QFile defaults(m_root.filePath(QStringLiteral("share/applications/mimeapps.list")));
    if (defaults.open(QIODevice::WriteOnly))
        defaults.write("[Default Applications]\nimage/jpeg=visionneur.desktop\nimage/png=visionneur.desktop\n"
                       "video/mp4=visionneur.desktop\n");
}

QString TestDesktop::writeApp(const QString& tag, const char* fieldCode)
{
    const QString script = m_root.filePath(tag + QStringLiteral(".sh"));
    QFile s(script);
    if (s.open(QIODevice::WriteOnly))
        s.write(QStringLiteral(
            "#!/bin/sh\nline=%1\nfor a in \"$@\"; do line=\"$line|$a\"; done\necho \"$line\" >> '%2'\n")
                    .arg(tag, m_root.filePath(QStringLiteral("launches.txt")))
                    .toUtf8());
    s.close();
    s.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString entry
        = m_root.filePath(QStringLiteral("share/applications/") + tag + QStringLiteral(".desktop"));
    QFile e(entry);
    if (e.open(QIODevice::WriteOnly))
        e.write(
            QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2 "
                           "%3\nMimeType=image/jpeg;image/png;video/mp4;\n")
                .arg(tag == u"editeur" ? QStringLiteral("Éditeur de photos") : QStringLiteral("Visionneuse"),
                    script, QString::fromLatin1(fieldCode))
                .toUtf8());
    return entry;
}

QStringList TestDesktop::launches() const
{
    QStringList lines = QString::fromUtf8(readFile(m_root.filePath(QStringLiteral("launches.txt"))))
                            .split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

void TestDesktop::clearLaunches() const
{
    QFile::remove(m_root.filePath(QStringLiteral("launches.txt")));
}

} // namespace quavel::test
