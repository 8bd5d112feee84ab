#pragma once

#include "shell/SyncStatusSource.h"

#include <QWidget>

#include <functional>
#include <optional>

namespace quavel {

// A glass capsule with a coloured dot and the one-line sync status. A click asks for a sync restart
// unless sync is established.
class SyncBadge : public QWidget
{
    Q_OBJECT

public:
    explicit SyncBadge(QWidget* parent = nullptr);

    void setStatus(const SyncStatusSource::Status& status, const std::optional<QString>& title);
    void setOnRetry(std::function<void()> onRetry) { m_onRetry = std::move(onRetry); }
    // Follows a sync source: its status, its status line and restart() as the retry.
    void follow(SyncStatusSource* sync);

    SyncStatusSource::Status status() const { return m_status; }
    QString shownText() const;
    QColor dotColor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    SyncStatusSource::Status m_status;
    std::optional<QString> m_title;
    std::function<void()> m_onRetry;
};

} // namespace quavel
