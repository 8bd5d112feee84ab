#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// File names as the kernel has them: bytes, which older cameras and other systems do not always write
// as UTF-8. A path in a QString reaches its file only through this codec.
//
// decode() is lossless: valid UTF-8 gives the text QFile::decodeName gives (but for a leading
// byte-order mark, which Qt drops and this keeps), and each byte of an invalid sequence becomes the lone
// surrogate U+DC00 + that byte, which no valid UTF-8 can give; encode() gives the bytes back. Qt's own
// file classes (QFile, QFileInfo::exists, QDir) encode such a text lossily and never reach the file:
// paths of listed files go to POSIX calls and to the libraries through encode().
//
// Nothing stored may carry the escapes (one invalid byte makes a UTF-8 file unreadable): files, keys and
// the names shown take displayed(), where each escaped byte is U+FFFD, as Qt decodes that byte.
//
// Thread-safe (pure functions).
namespace quavel::NativeName {

// The text of a name or path from its bytes.
QString decode(const char* bytes, qsizetype size);
inline QString decode(const char* bytes)
{
    return decode(bytes, qsizetype(qstrlen(bytes)));
}
inline QString decode(const QByteArray& bytes)
{
    return decode(bytes.constData(), bytes.size());
}

// The bytes of a text made by decode(). A lone surrogate that is no escape (it cannot come from a name)
// is written as U+FFFD.
QByteArray encode(QStringView text);

// Whether the text holds an escaped byte (or any lone surrogate).
bool hasEscapes(QStringView text);

// The path made absolute from the current folder and cleaned ("." and ".." components, doubled and
// trailing slashes removed; links are not resolved), by text alone: QFileInfo's absoluteFilePath() and
// absolutePath() go through the lossy encoding whenever the path is relative or not clean, and lose the
// escapes. A path that is already so is returned as it is, without a copy.
QString absolute(const QString& path);

// The form that is shown and stored: each escaped byte (each lone surrogate) as U+FFFD. The text itself
// when it holds none.
QString displayed(const QString& text);

} // namespace quavel::NativeName
