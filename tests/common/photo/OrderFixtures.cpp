// Order folders and edit journals as they stand on disk, written without the code under test.
#include "PhotoFixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace quavel::test {

QColor orderPhotoColour(int index)
{
    static const QColor colours[] = { Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta,
        QColor(180, 90, 60), QColor(60, 120, 180) };
    return colours[index % int(std::size(colours))];
}

QString writeOrder(
    const QString& root, const QString& order, const QList<SectionFiles>& sections, QSize photoSize)
{
    const QString folder = root + u'/' + order;
    QDir().mkpath(folder);
    int photos = 0;
    for (const SectionFiles& section : sections) {
        const QString sectionFolder = folder + u'/' + section.name;
        QDir().mkpath(sectionFolder);
        for (const QString& name : section.files) {
            const QString path = sectionFolder + u'/' + name;
            const QString extension = QFileInfo(name).suffix().toLower();
            if (extension == QLatin1String("mp4") || extension == QLatin1String("mov")) {
                if (writeVideo(path, 64, 48, 0, 3))
                    continue;
                // No MPEG-4 encoder here: a file of a video's name still lists as a video.
            } else if (QStringList { "jpg", "jpeg", "png", "tif", "tiff", "heic", "webp" }.contains(
                           extension)) {
                PhotoRecipe recipe = filled(orderPhotoColour(photos++), photoSize);
                recipe.band = true;
                writePhoto(path, recipe);
                continue;
            }
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly) || file.write("data") != 4)
                ADD_FAILURE() << "cannot write " << path.toStdString();
        }
    }
    return folder;
}

QString writeJournal(const QString& photo, const QByteArray& bytes)
{
    const QFileInfo info(photo);
    const QString folder = info.absolutePath() + QStringLiteral("/.quavel-originals");
    QDir().mkpath(folder);
    const QString path = folder + u'/' + info.fileName() + QStringLiteral(".edits.json");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
    return path;
}

} // namespace quavel::test
