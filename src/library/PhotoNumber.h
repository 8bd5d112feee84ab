#pragma once

#include <QString>

#include <optional>

namespace quavel {

// The number in a photo's file name, or the same number typed in a cell: the last run of ASCII digits
// that fits in 64 bits, with the text before it as prefix. Ordered by value, prefix, width, raw.
struct PhotoNumber
{
    QString prefix;
    qint64 value = 0;
    int width = 0;
    QString raw;

    static std::optional<PhotoNumber> parse(QStringView text);

    // The prefix followed by the value zero-padded to the width: "DSC0042".
    QString formatted() const;

    // Texts compare under canonical equivalence (a precomposed "É" equals "E" + combining acute), so
    // that == and < agree: two numbers are equal exactly when neither orders before the other.
    bool operator==(const PhotoNumber& other) const;
    bool operator<(const PhotoNumber& other) const;
};

size_t qHash(const PhotoNumber& n, size_t seed = 0) noexcept;

// The name without its path extension: the last "." of the last path component and what follows.
QString deletingPathExtension(QStringView name);
// The extension after that ".", without the dot; "" when there is none.
QString pathExtension(QStringView name);

} // namespace quavel
