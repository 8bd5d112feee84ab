#include "ui/WindowMoveLock.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quavel::WindowMoveLock {

namespace {

int g_count = 0;
int g_generation = 0;
int g_passes = 0;
const char* const kProperty = "quavelMovableByBackground";

class BackgroundMoveFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseButtonPress)
            return false;
        auto* window = qobject_cast<QWidget*>(watched);
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!window || !window->isWindow() || mouse->button() != Qt::LeftButton)
            return false;
        if (!isMovableByBackground(window) || !window->windowHandle())
            return false;
        // The press came up to the window unclaimed: it was on empty background.
        return window->windowHandle()->startSystemMove();
    }
};

} // namespace

int count()
{
    return g_count;
}

void acquire()
{
    ++g_count;
    apply();
}

void release()
{
    g_count = std::max(g_count - 1, 0);
    apply();
}

void apply()
{
    const int generation = ++g_generation;
    QTimer::singleShot(0, qApp, [generation] {
        if (generation == g_generation)
            applyNow();
    });
}

void applyNow()
{
    ++g_passes;
    const bool movable = g_count < 1;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (isMovableByBackground(window) != movable)
            setMovableByBackground(window, movable);
    }
}

int applyGeneration()
{
    return g_generation;
}

int passCount()
{
    return g_passes;
}

bool isMovableByBackground(const QWidget* window)
{
    return window && window->property(kProperty).toBool();
}

void setMovableByBackground(QWidget* window, bool movable)
{
    window->setProperty(kProperty, movable);
}

void enableBackgroundMove(QWidget* window)
{
    window->installEventFilter(new BackgroundMoveFilter(window));
}

void resetForTesting()
{
    g_count = 0;
    g_passes = 0;
    ++g_generation; // cancels a pending pass
}

} // namespace quavel::WindowMoveLock
