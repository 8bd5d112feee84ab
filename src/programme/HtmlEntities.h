#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The character entities of HTML 4 (its Latin-1, symbol and special sets, 252 names) and the numeric
// character references, as results pages use them.
namespace quavel::HtmlEntities {

// The character a name stands for ("eacute" for "é"), case-sensitive; none for any other name.
std::optional<char32_t> named(QStringView name);

// One pass over the text, left to right: every "&name;" of the HTML 4 sets, every "&#digits;" and
// every "&#xhex;" replaced by its character; what a replacement gives is not read again. "&#0;" gives
// U+FFFD; a reference to a surrogate or past U+10FFFF, an unknown name and the names in `kept` stay
// as written.
QString decoded(const QString& text, const QStringList& kept = {});

} // namespace quavel::HtmlEntities
