#pragma once

#include <QSet>
#include <QString>

namespace quavel {

// What counts as a photo and as a video everywhere: the lower-cased extension of the name, no dot.
namespace PhotoFile {
const QSet<QString>& extensions();
bool isPhoto(QStringView fileName);
}

namespace MediaFile {
const QSet<QString>& videoExtensions();
bool isVideo(QStringView fileName);
}

} // namespace quavel
