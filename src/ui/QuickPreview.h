#pragma once

#include <QAbstractButton>
#include <QFutureWatcher>
#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;

namespace quavel {

// The quick preview of one file in a window of its own: a photo fitted to the window, a video's first
// frame with a play badge over it, which opens the video in the desktop's default application (a
// click, or Space or Return while the badge has the focus); when the desktop names no application for
// videos, or the one it names does not start, a line under the frame says so. The picture is decoded off the
// GUI thread by the loader given; while it loads, and when it cannot be read, the window shows the file's
// name, with a line under it that says a video cannot be read. Closing the window (its close button, Escape
// or Space) reports `closed`. GUI thread only.
class QuickPreview : public QWidget
{
    Q_OBJECT

public:
    // (path, isVideo, longest side) -> the picture upright, null when it cannot be made; any thread.
    using Loader = std::function<QImage(const QString& path, bool isVideo, int maxPixel)>;

    // The longest side asked of the loader: enough for a large window on a high-density screen.
    static constexpr int maxPixel = 2400;

    explicit QuickPreview(Loader loader, QWidget* parent = nullptr);
    ~QuickPreview() override;

    // Shows the file (the window comes up, or stays up with the new file).
    void showFile(const QString& path, bool isVideo);
    const QString& path() const { return m_path; }
    bool isVideo() const { return m_isVideo; }
    // The picture shown; null while loading or when the file cannot be read.
    const QImage& image() const { return m_image; }
    bool isLoading() const { return m_watcher.isRunning(); }
    // The play badge over a video's frame (hidden otherwise).
    QAbstractButton* playButton() const { return m_play; }
    // The line under the picture that tells why the video did not open or cannot be read (hidden
    // otherwise).
    QLabel* notice() const { return m_notice; }

    static QString noVideoApplicationText();
    static QString unreadableVideoText();
    static QString videoNotStartedText();

    // Where the picture is drawn in a window of that size: fitted, centred, never enlarged past twice.
    static QRectF fittedRect(QSizeF picture, QRectF area);

signals:
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Where the picture may be drawn: the window less its margin.
    QRectF pictureArea() const;
    void placePlayButton();
    void playVideo();
    void setNotice(const QString& text);

    Loader m_loader;
    QString m_path;
    bool m_isVideo = false;
    QImage m_image;
    quint64 m_generation = 0;
    QFutureWatcher<QImage> m_watcher;
    QAbstractButton* m_play = nullptr;
    QLabel* m_notice = nullptr;
};

} // namespace quavel
