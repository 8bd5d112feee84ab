#pragma once

#include <QList>
#include <QString>

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

// What the failures were failures to do.
enum class Work {
    edit, // « 3 photos n’ont pas été modifiées : … »
    print, // « 3 photos n’ont pas été imprimées : … »
};

// The names listed in the message stop before passing this many characters; "…" then stands for the rest.
inline constexpr qsizetype kNamesBudget = 100;

// The text for these failures, in the order given; no message for none. With `goneFolder`, the folder
// that held the photos and can no longer be reached: the message says so instead of naming photos.
Text describe(const QList<Failure>& failures, Work work, const std::optional<QString>& goneFolder = {});

// "DSC_4512.JPG : impossible de lire cette photo.": the file's shown name, then the reason, its first
// letter lowered.
QString line(const QString& photo, const QString& reason);

// « Le dossier « Commande » n’est plus accessible : son disque a peut-être été débranché. »
QString goneFolderMessage(const QString& folder);

// The red line of a watermark's row whose file cannot be found, or is found but cannot be read.
QString watermarkMissing();
QString watermarkUnreadable();

} // namespace quavel::OrdersOutcome
