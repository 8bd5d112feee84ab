#pragma once

#include "ui/ToneLabel.h"

#include <QLabel>
#include <QWidget>

#include <optional>

class QHBoxLayout;
class QLayout;

namespace quavel {

// A control joined to its detail in one dark pill (a pick button and the picked value, say). A group
// that fills the width puts its detail under the control when it does not fit beside it.
class LinkedGroup : public QWidget
{
    Q_OBJECT

public:
    LinkedGroup(QWidget* control, QWidget* detail, bool fillsWidth, QWidget* parent = nullptr);
    bool fillsWidth() const { return m_fillsWidth; }
    // Whether the detail stands under the control at the current width.
    bool isWrapped() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_fillsWidth;
    QLayout* m_layout;
};

// A caption beside a linked control.
class LinkedLabel : public ToneLabel
{
    Q_OBJECT

public:
    explicit LinkedLabel(const QString& title, QWidget* parent = nullptr);
};

// A title over a value cut in the middle when too long; the tooltip holds the whole value.
class LinkedValue : public QWidget
{
    Q_OBJECT

public:
    LinkedValue(const QString& title, const QString& value, std::optional<int> maxWidth = std::nullopt,
        QWidget* parent = nullptr);

    void setValue(const QString& value);
    QString value() const { return m_value; }
    QString shownValue() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();

    ToneLabel* m_title;
    ToneLabel* m_valueLabel;
    QString m_value;
    std::optional<int> m_maxWidth;
};

} // namespace quavel
