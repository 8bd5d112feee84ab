#include "photo/print/PrintSettings.h"

#include "library/QuavelJSON.h"

#include <cmath>

namespace quavel {

namespace {

using Json = QuavelJSON::Json;

constexpr qint64 kVersion = 1;
constexpr double kLargestPaper = 200 * 72.0;
constexpr int kMostCopies = 999;

const char* orientationText(PrintSettings::Orientation o)
{
    return o == PrintSettings::Orientation::landscape ? "landscape" : "portrait";
}

const char* duplexText(PrintSettings::Duplex d)
{
    switch (d) {
    case PrintSettings::Duplex::longSide:
        return "longSide";
    case PrintSettings::Duplex::shortSide:
        return "shortSide";
    case PrintSettings::Duplex::none:
        break;
    }
    return "none";
}

double readLength(const Json& object, const char* key)
{
    const double v = QuavelJSON::asDouble(QuavelJSON::require(object, key));
    if (!std::isfinite(v) || v < 0)
        throw QuavelJSON::DecodingError(QStringLiteral("Longueur invalide"));
    return v;
}

} // namespace

QByteArray PrintSettings::toJson() const
{
    Json o = Json::object();
    o["version"] = kVersion;
    o["printerName"] = QuavelJSON::fromString(printerName);
    o["paper"] = { { "name", QuavelJSON::fromString(paperName) }, { "width", paperSize.width() },
        { "height", paperSize.height() } };
    o["orientation"] = orientationText(orientation);
    o["margins"] = { { "left", margins.left() }, { "top", margins.top() }, { "right", margins.right() },
        { "bottom", margins.bottom() } };
    o["copies"] = copies;
    o["duplex"] = duplexText(duplex);
    o["color"] = color;
    return QuavelJSON::encode(o);
}

std::optional<PrintSettings> PrintSettings::fromJson(const QByteArray& bytes)
{
    try {
        const Json root = QuavelJSON::parse(bytes);
        const Json& o = QuavelJSON::asObject(root);
        if (QuavelJSON::readInt64(o, "version") != kVersion)
            return std::nullopt;
        PrintSettings s;
        s.printerName = QuavelJSON::readString(o, "printerName");
        const Json& paper = QuavelJSON::asObject(QuavelJSON::require(o, "paper"));
        s.paperName = QuavelJSON::readString(paper, "name");
        s.paperSize = QSizeF(readLength(paper, "width"), readLength(paper, "height"));
        const QString orientation = QuavelJSON::readString(o, "orientation");
        if (orientation == QLatin1String("landscape"))
            s.orientation = Orientation::landscape;
        else if (orientation != QLatin1String("portrait"))
            return std::nullopt;
        const Json& m = QuavelJSON::asObject(QuavelJSON::require(o, "margins"));
        s.margins = QMarginsF(
            readLength(m, "left"), readLength(m, "top"), readLength(m, "right"), readLength(m, "bottom"));
        const qint64 copies = QuavelJSON::readInt64(o, "copies");
        const QString duplex = QuavelJSON::readString(o, "duplex");
        if (duplex == QLatin1String("longSide"))
            s.duplex = Duplex::longSide;
        else if (duplex == QLatin1String("shortSide"))
            s.duplex = Duplex::shortSide;
        else if (duplex != QLatin1String("none"))
            return std::nullopt;
        s.color = QuavelJSON::readBool(o, "color");

        const double w = s.paperSize.width();
        const double h = s.paperSize.height();
        if (w <= 0 || h <= 0 || w > kLargestPaper || h > kLargestPaper)
            return std::nullopt;
        // Margins lie on the sheet as printed.
        const bool turned = s.orientation == Orientation::landscape;
        if (s.margins.left() + s.margins.right() >= (turned ? h : w)
            || s.margins.top() + s.margins.bottom() >= (turned ? w : h))
            return std::nullopt;
        if (copies < 1 || copies > kMostCopies)
            return std::nullopt;
        s.copies = int(copies);
        return s;
    } catch (const Error&) {
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace quavel
