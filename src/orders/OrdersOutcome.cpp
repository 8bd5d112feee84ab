#include "orders/OrdersOutcome.h"

#include "platform/files/NativeName.h"

#include <QStringList>

namespace quavel::OrdersOutcome {

namespace {

QString shownName(const QString& path)
{
    return NativeName::displayed(path.mid(path.lastIndexOf(u'/') + 1));
}

QString lowerFirst(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

// The names that fit the budget, then "…" for the others; at least the first name.
QString names(const QList<Failure>& failures)
{
    QString out;
    for (qsizetype i = 0; i < failures.size(); ++i) {
        const QString name = shownName(failures[i].photo);
        if (i > 0 && out.size() + 2 + name.size() > kNamesBudget)
            return out + QStringLiteral(", …");
        if (i > 0)
            out += QStringLiteral(", ");
        out += name;
    }
    return out;
}

} // namespace

QString line(const QString& photo, const QString& reason)
{
    return shownName(photo) + QStringLiteral(" : ") + lowerFirst(reason);
}

QString goneFolderMessage(const QString& folder)
{
    return QStringLiteral("Le dossier « %1 » n’est plus accessible : son disque a peut-être été débranché.")
        .arg(shownName(folder));
}

QString watermarkMissing()
{
    return QStringLiteral("Fichier introuvable");
}

QString watermarkUnreadable()
{
    return QStringLiteral("Fichier illisible");
}

Text describe(const QList<Failure>& failures, Work work, const std::optional<QString>& goneFolder)
{
    if (failures.isEmpty())
        return {};
    QStringList lines;
    lines.reserve(failures.size());
    bool anyAboutPhoto = false;
    for (const Failure& f : failures) {
        lines.append(line(f.photo, f.reason));
        anyAboutPhoto = anyAboutPhoto || f.aboutPhoto;
    }
    Text text;
    text.details = lines.join(u'\n');
    if (goneFolder) {
        text.message = goneFolderMessage(*goneFolder);
    } else if (!anyAboutPhoto) {
        // The watermark's fault, not the photos': said once (it names the file).
        text.message = failures.first().reason;
    } else if (failures.size() == 1) {
        text.message = lines.first();
    } else {
        const QString done = work == Work::edit ? QStringLiteral("modifiées") : QStringLiteral("imprimées");
        text.message = QStringLiteral("%1 photos n’ont pas été %2 : %3")
                           .arg(failures.size())
                           .arg(done, names(failures));
    }
    return text;
}

} // namespace quavel::OrdersOutcome
