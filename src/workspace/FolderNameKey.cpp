#include "workspace/FolderNameKey.h"

#include "platform/text/Text.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace quavel::FolderNameKey {

namespace {

bool isAscii(QStringView s)
{
    for (QChar c : s)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

} // namespace

QString key(QStringView name)
{
    const QString trimmed = text::trimWhitespaceAndNewlines(name);
    if (isAscii(trimmed))
        return trimmed.toLower();

    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status))
        return trimmed.toLower();

    // Width folding: only the characters whose compatibility mapping is a <wide> or <narrow> form.
    const icu::UnicodeString input(
        false, reinterpret_cast<const UChar*>(trimmed.utf16()), int32_t(trimmed.size()));
    icu::UnicodeString widthFolded;
    for (int32_t i = 0; i < input.length();) {
        const UChar32 c = input.char32At(i);
        const int type = u_getIntPropertyValue(c, UCHAR_DECOMPOSITION_TYPE);
        icu::UnicodeString mapped;
        if ((type == U_DT_WIDE || type == U_DT_NARROW) && nfkc->getDecomposition(c, mapped))
            widthFolded.append(mapped);
        else
            widthFolded.append(c);
        i += U16_LENGTH(c);
    }
    icu::UnicodeString folded = nfc->normalize(widthFolded, status);
    if (U_FAILURE(status))
        folded = widthFolded;
    folded.foldCase();
    folded = nfc->normalize(folded, status);
    return QString(reinterpret_cast<const QChar*>(folded.getBuffer()), folded.length());
}

} // namespace quavel::FolderNameKey
