#include "ui/QuickPreview.h"

#include "platform/apps/Applications.h"
#include "platform/files/NativeName.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QtConcurrent/QtConcurrentRun>

namespace quavel {

namespace {

// The round play badge drawn over a video's frame: a button of its own, so that it takes clicks and,
// once tabbed to, Space and Return.
class PlayBadge : public QAbstractButton
{
public:
    static constexpr int side = 64;

    explicit PlayBadge(QWidget* parent)
        : QAbstractButton(parent)
    {
        setObjectName(QStringLiteral("playVideo"));
        setAccessibleName(QStringLiteral("Lire la vidéo"));
        setFixedSize(side, side);
        setCursor(Qt::PointingHandCursor);
        // Reached with Tab: Space on the window itself still closes the preview.
        setFocusPolicy(Qt::TabFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r(rect());
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, isDown() ? 140 : 90));
        p.drawEllipse(r.adjusted(4, 4, -4, -4));
        Symbols::paint(p, r, QStringLiteral("play.circle.fill"), Qt::white);
        if (hasFocus()) {
            p.setPen(QPen(QColor(255, 255, 255, 200), 2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(r.adjusted(1, 1, -1, -1));
        }
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            click();
            return;
        }
        QAbstractButton::keyPressEvent(event);
    }
};

} // namespace

QuickPreview::QuickPreview(Loader loader, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_loader(std::move(loader))
    , m_play(new PlayBadge(this))
    , m_notice(new QLabel(this))
{
    setObjectName(QStringLiteral("quickPreview"));
    m_play->hide();
    connect(m_play, &QAbstractButton::clicked, this, &QuickPreview::playVideo);
    m_notice->setObjectName(QStringLiteral("previewNotice"));
    m_notice->setAlignment(Qt::AlignCenter);
    m_notice->setWordWrap(true);
    m_notice->setTextFormat(Qt::PlainText);
    m_notice->setFont(Fonts::font(Fonts::Style::body));
    QPalette ink = m_notice->palette();
    ink.setColor(QPalette::WindowText, QColor(255, 255, 255, 210));
    m_notice->setPalette(ink);
    m_notice->hide();
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(900, 680);
    connect(&m_watcher, &QFutureWatcher<QImage>::finished, this, [this] {
        // A result of a file shown earlier is dropped: the watcher carries the newest request only,
        // and its generation tells an earlier one that finished late.
        if (m_watcher.property("generation").toULongLong() != m_generation)
            return;
        m_image = m_watcher.future().resultCount() > 0 ? m_watcher.result() : QImage();
        // A video that gives no frame (damaged, or no video at all under a video's name) is said
        // unreadable under its name, as its gallery cell shows it with the placeholder.
        if (m_isVideo && m_image.isNull()) {
            setNotice(unreadableVideoText());
            return;
        }
        placePlayButton();
        update();
    });
}

QString QuickPreview::noVideoApplicationText()
{
    return QStringLiteral("Aucune application n’est définie pour lire les vidéos.");
}

QString QuickPreview::unreadableVideoText()
{
    return QStringLiteral("Impossible de lire cette vidéo.");
}

QString QuickPreview::videoNotStartedText()
{
    return QStringLiteral("L’application définie pour lire les vidéos n’a pas pu être lancée.");
}

void QuickPreview::playVideo()
{
    if (!m_isVideo)
        return;
    // The desktop's own player, through GIO; when there is none the window says so rather than
    // leaving the click unanswered.
    switch (Applications::openWithDefault(m_path)) {
    case Applications::DefaultOpen::opened:
        setNotice({});
        break;
    case Applications::DefaultOpen::noApplication:
        setNotice(noVideoApplicationText());
        break;
    case Applications::DefaultOpen::failed:
        setNotice(videoNotStartedText());
        break;
    }
}

void QuickPreview::setNotice(const QString& text)
{
    m_notice->setText(text);
    m_notice->setVisible(!text.isEmpty());
    placePlayButton();
    update();
}

QuickPreview::~QuickPreview()
{
    m_watcher.disconnect(this);
    m_watcher.cancel();
    m_watcher.waitForFinished();
}

void QuickPreview::showFile(const QString& path, bool isVideo)
{
    setWindowTitle(NativeName::displayed(QFileInfo(path).fileName()));
    if (path != m_path || isVideo != m_isVideo || m_image.isNull()) {
        m_path = path;
        m_isVideo = isVideo;
        m_image = QImage();
        m_notice->clear();
        m_notice->hide();
        placePlayButton();
        ++m_generation;
        m_watcher.setProperty("generation", QVariant::fromValue<qulonglong>(m_generation));
        Loader loader = m_loader;
        m_watcher.setFuture(QtConcurrent::run(
            [loader, path, isVideo] { return loader ? loader(path, isVideo, maxPixel) : QImage(); }));
    }
    if (!isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            resize(std::min(width(), area.width() * 9 / 10), std::min(height(), area.height() * 9 / 10));
            move(area.center() - rect().center());
        }
    }
    show();
    raise();
    activateWindow();
    update();
}

QRectF QuickPreview::fittedRect(QSizeF picture, QRectF area)
{
    if (picture.isEmpty() || area.isEmpty())
        return {};
    const qreal scale = std::min({ area.width() / picture.width(), area.height() / picture.height(), 2.0 });
    const QSizeF shown = picture * scale;
    return QRectF(area.center() - QPointF(shown.width() / 2, shown.height() / 2), shown);
}

QRectF QuickPreview::pictureArea() const
{
    QRectF area = QRectF(rect()).adjusted(12, 12, -12, -12);
    // The notice takes its lines under the picture, so that it never covers the frame.
    if (m_notice->isVisibleTo(this))
        area.setBottom(area.bottom() - m_notice->heightForWidth(int(area.width())) - 12);
    return area;
}

void QuickPreview::placePlayButton()
{
    if (m_notice->isVisibleTo(this)) {
        const int w = width() - 24;
        const int h = m_notice->heightForWidth(w);
        m_notice->setGeometry(12, height() - 12 - h, w, h);
    }
    // Over the middle of a video's frame, while there is one.
    const bool shown = m_isVideo && !m_image.isNull();
    m_play->move((pictureArea().center() - QPointF(PlayBadge::side / 2.0, PlayBadge::side / 2.0)).toPoint());
    m_play->setVisible(shown);
}

void QuickPreview::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placePlayButton();
}

void QuickPreview::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.fillRect(rect(), QColor(24, 24, 26));
    const QRectF area = pictureArea();
    if (m_image.isNull()) {
        p.setPen(QColor(255, 255, 255, 150));
        p.setFont(Fonts::font(Fonts::Style::body));
        p.drawText(
            area, Qt::AlignCenter | Qt::TextWordWrap, NativeName::displayed(QFileInfo(m_path).fileName()));
        return;
    }
    const QSizeF logical = QSizeF(m_image.size()) / m_image.devicePixelRatio();
    p.drawImage(fittedRect(logical, area), m_image);
}

void QuickPreview::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Space) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void QuickPreview::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace quavel
