#pragma once

// The photo screens' picture tests: the window's backdrop behind what is shown, in the chosen scheme, and
// PNG files written to the shared screenshot folder (grabScreenshot), with what each must show checked.
#include "common/Screenshots.h"
#include "common/TestSupport.h"

#include "ui/Backdrop.h"
#include "ui/QuavelStyle.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace quavel::test {

class Stage : public QWidget
{
public:
    explicit Stage(QSize size) { resize(size); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        Backdrop::paint(p, rect(), Theme::isDark(this));
    }
};

inline QString schemeName(bool dark)
{
    return dark ? QStringLiteral("dark") : QStringLiteral("light");
}

class ScreenshotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Symbols::installIconTheme();
        // The application's own style, as the appearance controller installs it.
        QApplication::setStyle(new QuavelStyle);
    }
    void TearDown() override { QApplication::setPalette(Theme::palette(false)); }
};

} // namespace quavel::test
