#pragma once

#include <QString>
#include <QUrl>

namespace quavel {

// One class of a contest page, with the address of its start list.
struct WebProgrammeEventLink
{
    // The French weekday of the day heading above the class ("Samedi"), or "Programme".
    QString dayName;
    // The class number printed on the page, or its position where none is printed; decimal digits.
    QString eventNumber;
    // The class title in plain text, as read.
    QString title;
    // Absolute.
    QUrl startlistURL;

    bool operator==(const WebProgrammeEventLink&) const = default;
};

} // namespace quavel
