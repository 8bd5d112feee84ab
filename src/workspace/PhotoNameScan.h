#pragma once

#include "library/PhotoNumber.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reading photo numbers from file names fast enough to plan a shoot of thousands of files while the
// photographer types. Camera names are plain ASCII ("IMG_0042.JPG"), for which a byte scan gives
// exactly what PhotoNumber::parse gives; any other name goes through PhotoNumber::parse itself.
namespace quavel::PhotoNameScan {

// PhotoNumber::parse of the text.
std::optional<PhotoNumber> number(QStringView text);

// A directory entry that is a photo, as planning needs it: its path and the number's value, width
// and prefix. The number's raw text is left out (it only breaks ties): number() of the name gives it.
struct Entry
{
    QString path;
    qsizetype nameStart = 0;
    QString prefix;
    qint64 value = 0;
    int width = 0;

    QStringView name() const { return QStringView(path).mid(nameStart); }
};

// Absent when the name is hidden, its extension (lower-cased, untrimmed name) is not a photo
// extension, or it holds no usable number once trimmed. `folder` ends with "/".
std::optional<Entry> photoEntry(const QString& folder, const char* name, size_t length);

} // namespace quavel::PhotoNameScan
