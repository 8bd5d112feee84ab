#pragma once

// A shown, active window for the retouch controls, with somewhere to send the focus, and the keyboard
// and pointer as a photographer uses them.
#include "photo/views/RetouchValueField.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace quavel::test {

class TestWindow : public QWidget
{
public:
    TestWindow()
    {
        m_layout = new QVBoxLayout(this);
        m_elsewhere = new QLineEdit(this);
        m_elsewhere->setObjectName(QStringLiteral("elsewhere"));
        m_layout->addWidget(m_elsewhere);
        resize(360, 200);
    }

    template <class W> W* hold(W* widget)
    {
        m_layout->addWidget(widget);
        return widget;
    }

    void open()
    {
        show();
        QApplication::setActiveWindow(this);
        EXPECT_TRUE(QTest::qWaitForWindowActive(this));
    }

    // Where the focus goes when the user leaves a field.
    QLineEdit* elsewhere() const { return m_elsewhere; }
    void focusElsewhere()
    {
        m_elsewhere->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }

private:
    QVBoxLayout* m_layout;
    QLineEdit* m_elsewhere;
};

// Replaces the field's text by typing, as a user who selected it all.
inline void typeInto(QLineEdit* field, const QString& text)
{
    field->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    for (const QChar c : text) {
        // The test keyboard knows Latin-1 only: other characters arrive as input, as from a compose key.
        if (c.unicode() < 0x80)
            QTest::keyClick(field, c.toLatin1());
        else
            field->insert(QString(c));
    }
}

} // namespace quavel::test
