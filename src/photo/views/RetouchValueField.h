#pragma once

#include <QLineEdit>

namespace quavel {

// The small value field of a retouch slider row. Return commits the field and goes no further (it must
// not also trigger a default action around it, such as validating a crop); losing the focus commits too,
// also when nothing was typed.
class RetouchValueField : public QLineEdit
{
    Q_OBJECT

public:
    explicit RetouchValueField(QWidget* parent = nullptr);

signals:
    void commitRequested();
    void focusChanged(bool focused);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

} // namespace quavel
