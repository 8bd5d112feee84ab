#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the orders screen's message line says after work on several photos (a batch, an undo, a print):
// nothing when every photo went through; the photo's name and its reason for one failure; the count and
// the names for several, the tooltip listing each name with its reason.
namespace quavel::OrdersOutcome {

// One photo the work could not do, with the French text of why.
struct Failure
{
    QString photo; // the photo's path
    QString reason; // a sentence, capitalised and ending with its full stop
    // False when the reason is not the photo's own (the watermark file cannot be read): a batch whose
    // every failure is such says that reason once.
    bool aboutPhoto = true;
};

// What the message line shows, and its tooltip.
struct Text
{
    std::optional<QString> message;
    QString details;

    bool operator==(const Text&) const = default;
};

// The folder that held the photos, found no longer the one listed while the work ran (its disk pulled,
// another folder put at its path), and the photos left undone from then on.
struct GoneFolder
{
    QString folder; // its path
    QStringList photos; // their paths, in the order of the work

    bool operator==(const GoneFolder&) const = default;
};

// What the failures were failures to do.
enum class Work {
    edit, // « 3 photos n’ont pas été modifiées : … »
    print, // « 3 photos n’ont pas été imprimées : … »
};

// The names listed in the message stop before passing this many characters; "…" then stands for the rest.
inline constexpr qsizetype kNamesBudget = 100;

// The text for these failures, in the order given; no message for none. With `gone`, the message says
// once that the folder can no longer be reached; the tooltip gives the failures before it went, each
// with its reason, then names the photos left undone in one line.
Text describe(const QList<Failure>& failures, Work work, const std::optional<GoneFolder>& gone = {});

// "DSC_4512.JPG : impossible de lire cette photo.": the file's shown name, then the reason, its first
// letter lowered.
QString line(const QString& photo, const QString& reason);

// « Le dossier « Commande » n’est plus accessible : son disque a peut-être été débranché. »
QString goneFolderMessage(const QString& folder);

// The red line of a watermark's row whose file cannot be found, or is found but cannot be read.
QString watermarkMissing();
QString watermarkUnreadable();

} // namespace quavel::OrdersOutcome
