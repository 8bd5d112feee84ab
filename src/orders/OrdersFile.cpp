#include "orders/OrdersFile.h"

#include "library/QuavelJSON.h"
#include "platform/text/Text.h"

#include <algorithm>

namespace quavel {

using namespace QuavelJSON;

namespace {

OrderWatermark readWatermark(const Json& json)
{
    asObject(json);
    OrderWatermark w;
    w.id = readString(json, "id");
    w.name = readString(json, "name");
    w.bookmark = asData(require(json, "bookmark"));
    return w;
}

Json writeWatermark(const OrderWatermark& w)
{
    Json o = Json::object();
    o["id"] = fromString(w.id);
    o["name"] = fromString(w.name);
    o["bookmark"] = fromData(w.bookmark);
    return o;
}

// Code-point order of UTF-16 texts: a surrogate pair (beyond U+FFFF) sorts after U+E000…U+FFFF,
// which plain code-unit order would put after it.
bool codePointLess(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[i].unicode();
        if (x == y)
            continue;
        auto rank
            = [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF ? char32_t(c) + 0x10000 : char32_t(c); };
        return rank(x) < rank(y);
    }
    return a.size() < b.size();
}

} // namespace

OrdersFile OrdersFile::decode(const QByteArray& bytes)
{
    const Json json = parse(bytes);
    asObject(json);
    OrdersFile f;
    f.rootBookmark = readOptionalData(json, "rootBookmark");
    f.rootName = readOptionalString(json, "rootName");
    f.selectedFolderPath = readOptionalString(json, "selectedFolderPath");
    f.watermarkBookmark = readOptionalData(json, "watermarkBookmark");
    f.watermarkName = readOptionalString(json, "watermarkName");
    if (const Json* list = find(json, "watermarks")) {
        QList<OrderWatermark> watermarks;
        for (const Json& entry : asArray(*list))
            watermarks.append(readWatermark(entry));
        f.watermarks = watermarks;
    }
    f.selectedWatermarkID = readOptionalString(json, "selectedWatermarkID");
    if (const Json* retouch = find(json, "retouch"))
        f.retouch = PhotoRetouchSettings::fromJson(*retouch);
    if (const Json* apps = find(json, "openWithApps")) {
        QMap<QString, QString> map;
        for (auto it = asObject(*apps).cbegin(); it != apps->cend(); ++it)
            map.insert(QString::fromStdString(it.key()), asString(it.value()));
        f.openWithApps = map;
    }
    if (const Json* paths = find(json, "deliveredPaths"))
        f.deliveredPaths = asStrings(*paths);
    return f;
}

QByteArray OrdersFile::encode() const
{
    Json o = Json::object();
    if (rootBookmark)
        o["rootBookmark"] = fromData(*rootBookmark);
    if (rootName)
        o["rootName"] = fromString(*rootName);
    if (selectedFolderPath)
        o["selectedFolderPath"] = fromString(*selectedFolderPath);
    if (watermarkBookmark)
        o["watermarkBookmark"] = fromData(*watermarkBookmark);
    if (watermarkName)
        o["watermarkName"] = fromString(*watermarkName);
    if (watermarks) {
        Json list = Json::array();
        for (const OrderWatermark& w : *watermarks)
            list.push_back(writeWatermark(w));
        o["watermarks"] = std::move(list);
    }
    if (selectedWatermarkID)
        o["selectedWatermarkID"] = fromString(*selectedWatermarkID);
    if (retouch)
        o["retouch"] = retouch->toJson();
    if (openWithApps) {
        Json map = Json::object();
        // Keys through the shared text form too: Qt's own conversion writes "?" for a lone surrogate.
        for (auto it = openWithApps->cbegin(); it != openWithApps->cend(); ++it)
            map[fromString(it.key()).get<std::string>()] = fromString(it.value());
        o["openWithApps"] = std::move(map);
    }
    if (deliveredPaths)
        o["deliveredPaths"] = fromStrings(*deliveredPaths);
    return QuavelJSON::encode(o);
}

QStringList OrdersFile::sortedPaths(const QSet<QString>& paths)
{
    struct Keyed
    {
        QString composed;
        QString path;
    };
    QList<Keyed> keyed;
    keyed.reserve(paths.size());
    for (const QString& p : paths)
        keyed.append(Keyed { text::composed(p), p });
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.composed != b.composed)
            return codePointLess(a.composed, b.composed);
        return codePointLess(a.path, b.path); // equivalent forms: any fixed order
    });
    QStringList out;
    out.reserve(keyed.size());
    for (const Keyed& k : keyed)
        out.append(k.path);
    return out;
}

} // namespace quavel
