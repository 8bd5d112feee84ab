#include "orders/views/OrderMediaCell.h"

#include "orders/OrderMenus.h"
#include "orders/OrderPaths.h"
#include "orders/views/OrderMediaTile.h"
#include "photo/MediaThumbnailer.h"
#include "photo/ThumbnailCache.h"
#include "photo/views/PrintPhotosMenu.h"
#include "ui/CapsuleButton.h"
#include "ui/FusedCapsule.h"
#include "ui/Theme.h"

#include <QCache>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QToolTip>

namespace quavel {

namespace {

constexpr int kCardSpacing = 8;
constexpr int kRowTileWidth = 120;
constexpr int kRowTileHeight = 84;
constexpr int kCapsuleInset = 8;

QFont cardNameFont()
{
    return Fonts::font(Fonts::Style::caption);
}
QFont rowNameFont()
{
    return Fonts::font(Fonts::Style::body, QFont::Medium);
}
QFont rowKindFont()
{
    return Fonts::font(Fonts::Style::caption);
}

// The number of lines a text takes, wrapped at words (anywhere inside a word too long for a line).
int lineCount(const QString& text, const QFont& font, int width)
{
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    int lines = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        ++lines;
    }
    layout.endLayout();
    return lines;
}

} // namespace

int OrderMediaCell::cardHeight()
{
    return cardTileHeight + kCardSpacing + 2 * QFontMetrics(cardNameFont()).lineSpacing();
}

QString OrderMediaCell::elidedName(const QString& name, const QFont& font, int width, int lines)
{
    if (lineCount(name, font, width) <= lines)
        return name;
    // The most characters kept, half from each end, that still fit with the ellipsis between them.
    const QChar ellipsis(0x2026);
    qsizetype low = 0;
    qsizetype high = name.size();
    while (low < high) {
        const qsizetype keep = (low + high + 1) / 2;
        const QString candidate = name.left(keep - keep / 2) + ellipsis + name.right(keep / 2);
        if (lineCount(candidate, font, width) <= lines)
            low = keep;
        else
            high = keep - 1;
    }
    return name.left(low - low / 2) + ellipsis + name.right(low / 2);
}

OrderMediaCell::OrderMediaCell(OrderMediaCellKind kind, QWidget* parent)
    : QWidget(parent)
    , m_kind(kind)
{
    setObjectName(QStringLiteral("mediaCell"));
    const bool card = kind == OrderMediaCellKind::card;
    m_tile = new OrderMediaTile(card ? 16 : 10, card ? 3 : 2, this);
    if (card) {
        m_tile->setGeometry(0, 0, cardWidth, cardTileHeight);
        setFixedSize(cardWidth, cardHeight());
    } else {
        setFixedHeight(rowHeight);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_tile->setGeometry(8, 6, kRowTileWidth, kRowTileHeight);
    }
    buildCapsule();
    connect(&m_watcher, &QFutureWatcher<QImage>::finished, this, [this] {
        const QString key = m_watcher.property("key").toString();
        if (m_watcher.future().isCanceled() || key != m_key)
            return;
        takeThumbnail(key, m_watcher.future().resultCount() > 0 ? m_watcher.result() : QImage());
    });
}

OrderMediaCell::~OrderMediaCell()
{
    m_watcher.disconnect(this);
    // The decode, when it has started, finishes on its worker and lands in the shared cache.
    m_watcher.future().cancel();
}

void OrderMediaCell::buildCapsule()
{
    m_capsule = new FusedCapsule(card() ? static_cast<QWidget*>(m_tile) : this);
    m_capsule->setObjectName(QStringLiteral("actionCapsule"));
    Capsule::setControlSize(m_capsule, ControlSize::extraLarge);
    auto button = [this](const QString& symbol, const QString& help, void (OrderMediaCell::*signal)()) {
        auto* b = new CapsuleButton(QString(), symbol, CapsuleKind::fusedIcon, m_capsule);
        b->setToolTip(help);
        connect(b, &QAbstractButton::clicked, this, signal);
        return b;
    };
    m_crop = button(QStringLiteral("crop"), QStringLiteral("Recadrer"), &OrderMediaCell::cropRequested);
    m_capsule->addWidget(m_crop);
    m_capsule->addDivider();
    m_retouch = button(QStringLiteral("slider.horizontal.3"), OrderMenus::cellRetouchHelp(true),
        &OrderMediaCell::retouchRequested);
    m_capsule->addWidget(m_retouch);
    m_capsule->addDivider();
    m_watermark = button(QStringLiteral("seal"), QStringLiteral("Ajouter le filigrane sélectionné"),
        &OrderMediaCell::watermarkRequested);
    m_capsule->addWidget(m_watermark);
    m_capsule->addDivider();
    m_print = new CapsuleButton(QString(), QStringLiteral("printer"), CapsuleKind::fusedIcon, m_capsule);
    m_print->setToolTip(QStringLiteral("Imprimer en pleine résolution"));
    m_printMenu = new PrintPhotosMenu(QStringLiteral("Imprimer"), m_print);
    m_print->setMenu(m_printMenu);
    connect(m_printMenu->menuAction(), &QAction::changed, m_print,
        [this] { m_print->setEnabled(m_printMenu->menuAction()->isEnabled()); });
    m_capsule->addWidget(m_print);
    m_capsule->addDivider();
    // The last divider is the undo button's: both show only with a backed-up original.
    const auto dividers = m_capsule->findChildren<FusedDivider*>(QString(), Qt::FindDirectChildrenOnly);
    m_undoDivider = dividers.isEmpty() ? nullptr : dividers.last();
    m_undo = button(QStringLiteral("arrow.uturn.backward"), QStringLiteral("Annuler les modifications"),
        &OrderMediaCell::undoRequested);
    m_capsule->addWidget(m_undo);
    m_capsule->hide();
}

bool OrderMediaCell::card() const
{
    return m_kind == OrderMediaCellKind::card;
}

void OrderMediaCell::bind(const State& state)
{
    const bool sameFile = m_bound && m_state.item.url == state.item.url;
    const bool changed = !m_bound || !(m_state == state);
    m_state = state;
    m_bound = true;
    if (!sameFile) {
        // Another file: the picture of the one before must not show for it.
        m_image = QImage();
        m_shownKey.clear();
        m_tile->setPicture(QImage());
        refreshTexts();
    }
    loadThumbnail();
    if (changed) {
        m_tile->setAccessibleDescription(
            state.isDelivered ? QStringLiteral("Transféré ou imprimé") : QString());
        refreshCapsule();
        m_tile->setMarks({ state.item.isVideo, state.isSelected, state.isDelivered });
        update();
    }
}

void OrderMediaCell::unbind()
{
    m_bound = false;
    m_watcher.future().cancel();
    m_key.clear();
    m_pending = false;
    m_requested = false;
}

void OrderMediaCell::refreshCapsule()
{
    const bool photo = !m_state.item.isVideo;
    m_capsule->setVisible(photo);
    if (!photo)
        return;
    m_retouch->setEnabled(m_state.canRetouch);
    m_retouch->setToolTip(OrderMenus::cellRetouchHelp(m_state.canRetouch));
    if (m_printMenu->files() != QStringList { m_state.item.url })
        m_printMenu->setFiles({ m_state.item.url });
    // The capsule is measured again only when its undo button comes or goes.
    const bool resized = m_capsuleUndo != m_state.canUndo;
    if (resized) {
        m_capsuleUndo = m_state.canUndo;
        m_undo->setVisible(m_state.canUndo);
        if (m_undoDivider)
            m_undoDivider->setVisible(m_state.canUndo);
        m_capsule->adjustSize();
    }
    placeCapsule();
}

void OrderMediaCell::placeCapsule()
{
    if (card()) {
        m_capsule->move(kCapsuleInset, kCapsuleInset);
        return;
    }
    const QSize s = m_capsule->size();
    m_capsule->move(width() - 8 - s.width(), (height() - s.height()) / 2);
}

void OrderMediaCell::refreshTexts()
{
    const QString name = OrderPaths::displayedName(m_state.item.url);
    setToolTip(QString());
    if (card()) {
        // The cut of each name is measured once; recycled cells show the same names again and again.
        static QCache<QString, QString> cuts(4000);
        if (QString* cut = cuts.object(name)) {
            m_nameText = *cut;
        } else {
            m_nameText = elidedName(name, cardNameFont(), cardWidth, 2);
            cuts.insert(name, new QString(m_nameText));
        }
    } else {
        m_nameText = name; // cut at painting, to the row's width
    }
}

QString OrderMediaCell::shownName() const
{
    if (card())
        return m_nameText;
    return QFontMetrics(rowNameFont()).elidedText(m_nameText, Qt::ElideMiddle, rowNameRect().width());
}

QRect OrderMediaCell::nameRect() const
{
    if (card())
        return QRect(0, cardTileHeight + kCardSpacing, cardWidth, height() - cardTileHeight - kCardSpacing);
    return rowNameRect();
}

QRect OrderMediaCell::rowNameRect() const
{
    const int left = m_tile->geometry().right() + 1 + 12;
    int right = width() - 8;
    if (m_capsule->isVisible())
        right = m_capsule->geometry().left() - 8;
    const int lineName = QFontMetrics(rowNameFont()).height();
    const int lineKind = QFontMetrics(rowKindFont()).height();
    const int top = (height() - lineName - 4 - lineKind) / 2;
    return QRect(left, top, std::max(0, right - left), lineName);
}

void OrderMediaCell::loadThumbnail()
{
    const QString key = m_state.item.url + u'-' + QString::number(m_state.refreshToken);
    if (key == m_key)
        return;
    m_key = key;
    // What was still loading for an older key is given up (skipped when it has not started).
    m_watcher.future().cancel();
    m_requested = false;
    // A picture in the cache shows at once; a decode waits for requestThumbnail().
    if (const auto cached = MediaThumbnailer::cache().object(MediaThumbnailer::cacheKey(m_state.item.url))) {
        takeThumbnail(key, *cached);
        return;
    }
    m_pending = true;
}

void OrderMediaCell::requestThumbnail()
{
    if (!m_pending || m_requested || !m_bound)
        return;
    m_requested = true;
    const QString key = m_key;
    QFuture<QImage> future
        = MediaThumbnailer::thumbnail(m_state.item.url, m_state.item.isVideo, thumbnailPixels);
    if (future.isFinished()) {
        takeThumbnail(key, future.resultCount() > 0 ? future.result() : QImage());
        return;
    }
    m_watcher.setProperty("key", key);
    m_watcher.setFuture(future);
}

void OrderMediaCell::takeThumbnail(const QString& key, const QImage& image)
{
    // Only the key still shown takes its picture: a late result of an older revision or of the file
    // this recycled cell showed before is dropped.
    if (key != m_key)
        return;
    m_pending = false;
    m_requested = false;
    m_image = image;
    m_shownKey = image.isNull() ? QString() : key;
    m_tile->setPicture(image);
}

void OrderMediaCell::paintEvent(QPaintEvent*)
{
    if (!m_bound)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(this);
    if (card()) {
        p.setFont(cardNameFont());
        p.setPen(Theme::primary(dark));
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        option.setAlignment(Qt::AlignLeft | Qt::AlignTop);
        p.drawText(QRectF(nameRect()), m_nameText, option);
        return;
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 12, 12);
    p.fillPath(shape,
        m_state.isSelected ? Theme::withOpacity(Theme::accent(dark), 0.14)
                           : Theme::withOpacity(Theme::primary(dark), 0.04));
    const QRect name = rowNameRect();
    p.setFont(rowNameFont());
    p.setPen(Theme::primary(dark));
    p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter, shownName());
    p.setFont(rowKindFont());
    p.setPen(Theme::secondary(dark));
    p.drawText(QRect(name.left(), name.bottom() + 1 + 4, name.width(), QFontMetrics(rowKindFont()).height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        m_state.item.isVideo ? QStringLiteral("Vidéo") : QStringLiteral("Photo"));
}

void OrderMediaCell::resizeEvent(QResizeEvent*)
{
    if (!card())
        placeCapsule();
}

bool OrderMediaCell::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (m_bound && nameRect().contains(help->pos()))
            QToolTip::showText(help->globalPos(), OrderPaths::displayedName(m_state.item.url), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

bool OrderMediaCell::takesClickAt(const QPoint& pos) const
{
    if (!card())
        return rect().contains(pos);
    // A card takes clicks on its rounded tile only.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(m_tile->geometry()), 16, 16);
    return shape.contains(QPointF(pos));
}

void OrderMediaCell::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_bound || !takesClickAt(event->position().toPoint())) {
        event->ignore();
        return;
    }
    // The keys held now, as the click is handled (not those recorded in the event).
    const Qt::KeyboardModifiers held = QGuiApplication::keyboardModifiers();
    emit selectRequested({ held.testFlag(Qt::ShiftModifier), held.testFlag(Qt::ControlModifier) });
}

void OrderMediaCell::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_bound || !takesClickAt(event->position().toPoint())) {
        event->ignore();
        return;
    }
    emit doubleClicked();
}

void OrderMediaCell::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_bound)
        return;
    emit contextMenuRequested(event->globalPos());
}

} // namespace quavel
