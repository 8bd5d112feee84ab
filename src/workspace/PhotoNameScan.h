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

// A directory entry's name (file-system bytes) classified as a photo: the decoded name and its number.
struct Entry
{
    QString name;
    PhotoNumber number;
};

// Absent when the name is hidden, its extension (lower-cased, untrimmed name) is not a photo
// extension, or it holds no usable number once trimmed.
std::optional<Entry> photoEntry(const char* name, size_t length);

} // namespace quavel::PhotoNameScan
