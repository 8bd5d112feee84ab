// Order folders and edit journals as they stand on disk, written without the code under test.
#include "PhotoFixtures.h"

#include <QDir>
#include <QFileInfo>

namespace quavel::test {

QString writeOrder(
    const QString& root, const QString& order, const QList<SectionFiles>& sections, QSize photoSize)
{
    static const QColor colours[] = { Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta };
    static const QStringList photos { "jpg", "jpeg", "png", "tif", "tiff", "heic", "webp" };
    int made = 0;
    for (const SectionFiles& section : sections) {
        const QString folder = root + u'/' + order + u'/' + section.name;
        QDir().mkpath(folder);
        for (const QString& name : section.files) {
            const QString path = folder + u'/' + name;
            const QString extension = QFileInfo(name).suffix().toLower();
            if (photos.contains(extension)) {
                PhotoRecipe recipe = filled(photoSize.width(), photoSize.height(), colours[made++ % 6]);
                recipe.band = true;
                writePhoto(path, recipe);
            } else if ((extension != "mp4" && extension != "mov") || !writeVideo(path, 64, 48, 0, 3)) {
                writeBytes(path, "data"); // a video's name still lists as a video without an encoder
            }
        }
    }
    return root + u'/' + order;
}

QString writeJournal(const QString& photo, const QByteArray& bytes)
{
    const QFileInfo info(photo);
    return writeBytes(info.absolutePath() + "/.quavel-originals/" + info.fileName() + ".edits.json", bytes);
}

} // namespace quavel::test
