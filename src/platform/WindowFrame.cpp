#include "platform/WindowFrame.h"

#include "platform/UserDefaults.h"

namespace quavel {

namespace {

constexpr QStringView kNormal = u"normal";
constexpr QStringView kMaximized = u"maximized";

} // namespace

QString WindowFrame::text() const
{
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(normal.x())
        .arg(normal.y())
        .arg(normal.width())
        .arg(normal.height())
        .arg(maximized ? kMaximized : kNormal);
}

std::optional<WindowFrame> WindowFrame::parse(QStringView text)
{
    const QList<QStringView> fields = text.split(u' ');
    if (fields.size() != 5)
        return std::nullopt;
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = fields[i].toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    WindowFrame frame;
    frame.normal = QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
    if (frame.normal.width() <= 0 || frame.normal.height() <= 0)
        return std::nullopt;
    if (fields[4] == kMaximized)
        frame.maximized = true;
    else if (fields[4] != kNormal)
        return std::nullopt;
    return frame;
}

std::optional<WindowFrame> WindowFrame::read(const UserDefaults& defaults)
{
    const std::optional<QString> stored = defaults.string(QString::fromLatin1(defaultsKey));
    return stored ? parse(*stored) : std::nullopt;
}

void WindowFrame::write(UserDefaults& defaults) const
{
    const QString key = QString::fromLatin1(defaultsKey);
    const QString value = text();
    if (defaults.string(key) != value)
        defaults.setString(key, value);
}

bool WindowFrame::fitsOn(const QList<QRect>& screens) const
{
    if (normal.isEmpty())
        return false;
    for (const QRect& screen : screens) {
        if (normal.width() > screen.width() || normal.height() > screen.height())
            continue;
        if (screen.contains(normal.center()) && normal.top() >= screen.top()
            && normal.top() <= screen.bottom())
            return true;
    }
    return false;
}

} // namespace quavel
