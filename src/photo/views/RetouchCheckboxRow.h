#pragma once

#include <QWidget>

#include <optional>

class QCheckBox;

namespace quavel {

class RetouchLabel;

// A check box with a title and an optional second line; a click anywhere on the row toggles it. The
// help is the row's hover help.
class RetouchCheckboxRow : public QWidget
{
    Q_OBJECT

public:
    RetouchCheckboxRow(const QString& title, const std::optional<QString>& subtitle, const QString& help,
        QWidget* parent = nullptr);

    bool isOn() const;
    // The owner's value: no signal.
    void setOn(bool on);

    QCheckBox* checkBox() const { return m_box; }
    RetouchLabel* titleLabel() const { return m_title; }
    // Absent when the row has one line.
    RetouchLabel* subtitleLabel() const { return m_subtitle; }

signals:
    // The user ticked or unticked the box.
    void toggled(bool on);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QCheckBox* m_box = nullptr;
    RetouchLabel* m_title = nullptr;
    RetouchLabel* m_subtitle = nullptr;
    bool m_pressed = false;
};

} // namespace quavel
