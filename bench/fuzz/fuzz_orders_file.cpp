// Any bytes as the orders settings file. The file either does not read (a DecodingError: the store then
// keeps its initial values) or reads back equal once written, is written again to the same bytes and
// holds no null. Its delivered paths, once set in the order the store writes them, stand in the order of
// the code points of their composed forms.
#include "FuzzChecks.h"
#include "library/QuavelJSON.h"
#include "orders/OrdersFile.h"
#include "platform/text/Text.h"

#include <QSet>

#include <algorithm>
#include <cstdint>

using namespace quavel;
using fuzz::check;

namespace {

bool holdsNull(const QuavelJSON::Json& value)
{
    if (value.is_null())
        return true;
    if (value.is_array() || value.is_object())
        return std::any_of(value.begin(), value.end(), holdsNull);
    return false;
}

// The order written, worked out apart from the writer's own comparison: UTF-32 code points.
bool inWrittenOrder(const QString& a, const QString& b)
{
    const QList<uint> x = text::composed(a).toUcs4();
    const QList<uint> y = text::composed(b).toUcs4();
    return !std::lexicographical_compare(y.cbegin(), y.cend(), x.cbegin(), x.cend());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    OrdersFile file;
    try {
        file = OrdersFile::decode(bytes);
    } catch (const QuavelJSON::DecodingError& e) {
        check(!e.message().isEmpty(), "a refusal says why");
        return 0;
    }

    const QByteArray text = file.encode();
    check(!holdsNull(QuavelJSON::parse(text)), "no key is written as null");
    const OrdersFile again = OrdersFile::decode(text);
    check(again == file, "a written settings file reads back equal");
    check(again.encode() == text, "a settings file read back is written to the same bytes");

    if (file.deliveredPaths) {
        // The store keeps the composed forms as a set and writes them sorted.
        QSet<QString> marked;
        for (const QString& path : *file.deliveredPaths)
            marked.insert(text::composed(path));
        const QStringList sorted = OrdersFile::sortedPaths(marked);
        check(sorted.size() == marked.size(), "every delivered path is written once");
        for (qsizetype i = 1; i < sorted.size(); ++i)
            check(
                inWrittenOrder(sorted[i - 1], sorted[i]), "delivered paths are written in code-point order");
    }
    return 0;
}
