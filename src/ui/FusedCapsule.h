#pragma once

#include <QPainterPath>
#include <QWidget>

class QHBoxLayout;

namespace quavel {

// Several controls laid out as one glass capsule: segments are buttons of the fused kinds (they draw
// no capsule of their own), with FusedDivider between them. Only the group has a rim.
class FusedCapsule : public QWidget
{
    Q_OBJECT

public:
    explicit FusedCapsule(QWidget* parent = nullptr);

    void addWidget(QWidget* widget);
    void addDivider();
    QHBoxLayout* layout() const { return m_layout; }

    // The group's outline in its own coordinates; segments clip their tint to it.
    QPainterPath capsulePath() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QHBoxLayout* m_layout = nullptr;
    QWidget* m_rim = nullptr;
};

// The thin white bar between two segments of a fused capsule.
class FusedDivider : public QWidget
{
    Q_OBJECT

public:
    explicit FusedDivider(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace quavel
