#pragma once

#include <QList>
#include <QRect>
#include <QString>

#include <optional>

namespace quavel {

class UserDefaults;

// The main window's frame kept across launches: its normal (not maximised) geometry and whether it was
// maximised, stored as one text under the user-defaults key "windowGeometry", for example
// "120 80 1180 760 normal". A text of any other shape reads as no frame.
struct WindowFrame
{
    static constexpr const char* defaultsKey = "windowGeometry";

    QRect normal;
    bool maximized = false;

    bool operator==(const WindowFrame&) const = default;

    QString text() const;
    static std::optional<WindowFrame> parse(QStringView text);

    // The stored frame; none when there is none, or when it is not a frame.
    static std::optional<WindowFrame> read(const UserDefaults& defaults);
    // Stores the frame; a frame equal to the stored one is not written again.
    void write(UserDefaults& defaults) const;

    // Whether the frame can be shown as it is on one of these screens (their available areas): as large
    // as the screen at most, its middle on it, and its top edge on it so that the title bar can be
    // grabbed. A frame from a screen that is no longer attached fits none.
    bool fitsOn(const QList<QRect>& screens) const;
};

} // namespace quavel
