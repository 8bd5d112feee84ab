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

QStringList photos(const QList<Failure>& failures)
{
    QStringList out;
    out.reserve(failures.size());
    for (const Failure& f : failures)
        out.append(f.photo);
    return out;
}

// The names that fit the budget, then "…" for the others; at least the first name.
QString names(const QStringList& photos)
{
    QString out;
    for (qsizetype i = 0; i < photos.size(); ++i) {
        const QString name = shownName(photos[i]);
        if (i > 0 && out.size() + 2 + name.size() > kNamesBudget)
            return out + QStringLiteral(", …");
        if (i > 0)
            out += QStringLiteral(", ");
        out += name;
    }
    return out;
}

// « 3 photos n’ont pas été modifiées : A.JPG, B.JPG, C.JPG »; « A.JPG n’a pas été modifiée. » for one.
QString notDone(const QStringList& photos, Work work)
{
    if (photos.size() == 1)
        return QStringLiteral("%1 n’a pas été %2.")
            .arg(shownName(photos.first()),
                work == Work::edit ? QStringLiteral("modifiée") : QStringLiteral("imprimée"));
    return QStringLiteral("%1 photos n’ont pas été %2 : %3")
        .arg(photos.size())
        .arg(work == Work::edit ? QStringLiteral("modifiées") : QStringLiteral("imprimées"), names(photos));
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

Text describe(const QList<Failure>& failures, Work work, const std::optional<GoneFolder>& gone)
{
    if (failures.isEmpty() && !gone)
        return {};
    QStringList lines;
    lines.reserve(failures.size() + 1);
    bool anyAboutPhoto = false;
    for (const Failure& f : failures) {
        lines.append(line(f.photo, f.reason));
        anyAboutPhoto = anyAboutPhoto || f.aboutPhoto;
    }
    Text text;
    if (gone) {
        // Said once: the photos left undone all share that one reason.
        text.message = goneFolderMessage(gone->folder);
        if (!gone->photos.isEmpty())
            lines.append(notDone(gone->photos, work));
        text.details = lines.join(u'\n');
        return text;
    }
    text.details = lines.join(u'\n');
    if (!anyAboutPhoto) {
        // The watermark's fault, not the photos': said once (it names the file).
        text.message = failures.first().reason;
    } else if (failures.size() == 1) {
        text.message = lines.first();
    } else {
        text.message = notDone(photos(failures), work);
    }
    return text;
}

} // namespace quavel::OrdersOutcome
