#pragma once

class QWidget;

// Windows can be moved by dragging their background, except while a holder (a crop editor, whose canvas
// needs the drags) is on screen. The lock keeps the count of holders and sets each window's
// move-by-background flag to (count < 1). GUI thread only.
namespace quavel::WindowMoveLock {

int count();
// A holder coming on screen: count + 1, then apply().
void acquire();
// A holder leaving the screen: count = max(count - 1, 0), then apply().
void release();

// Schedules one pass over the windows on a later turn of the event loop; of several calls before that
// turn only the newest runs.
void apply();
// The pass itself: every top-level window whose flag differs from (count < 1) gets that value.
void applyNow();
int applyGeneration();
// Passes run so far (the deferred pass of apply() and applyNow() alike).
int passCount();

bool isMovableByBackground(const QWidget* window);
void setMovableByBackground(QWidget* window, bool movable);

// A left press that reaches the window itself (no control took it) starts a system move while the
// window's flag is set.
void enableBackgroundMove(QWidget* window);

// Back to no holder and no pass (tests).
void resetForTesting();

} // namespace quavel::WindowMoveLock
