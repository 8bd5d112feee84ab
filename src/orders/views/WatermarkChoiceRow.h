#pragma once

#include <QAbstractButton>
#include <QFutureWatcher>
#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>

namespace quavel {

class CapsuleButton;

// One line of the watermark list: a choice button (check mark, a 28 × 28 thumbnail of the image and its
// name, with a red line under the name while the file cannot be found or read) that makes the watermark
// the one used, and a button that removes it from the list. The row
// loads its own thumbnail, keyed by the image's path: a row whose image becomes known later loads it
// then, and a result for a path the row no longer shows is dropped. GUI thread only.
class WatermarkChoiceRow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int thumbnailPixels = 72;
    // The list shows 46 points per row.
    static constexpr int rowPitch = 46;

    WatermarkChoiceRow(const QString& name, const std::optional<QString>& url, bool isSelected,
        std::function<void()> onSelect, std::function<void()> onRemove, QWidget* parent = nullptr);
    ~WatermarkChoiceRow() override;

    const QString& name() const { return m_name; }
    const std::optional<QString>& url() const { return m_url; }
    bool isSelected() const { return m_selected; }
    void setUrl(const std::optional<QString>& url);
    void setSelected(bool selected);
    // The red line under the name; none while the file reads.
    const std::optional<QString>& problem() const { return m_problem; }
    void setProblem(const std::optional<QString>& problem);
    const QImage& image() const { return m_image; }
    bool isLoadingThumbnail() const { return m_watcher.isRunning(); }

    QAbstractButton* choiceButton() const { return m_choice; }
    CapsuleButton* removeButton() const { return m_remove; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void loadThumbnail();

    QString m_name;
    std::optional<QString> m_url;
    bool m_selected = false;
    std::optional<QString> m_problem;
    QImage m_image;
    QString m_loadingKey;
    QFutureWatcher<QImage> m_watcher;
    QAbstractButton* m_choice = nullptr;
    CapsuleButton* m_remove = nullptr;
};

} // namespace quavel
