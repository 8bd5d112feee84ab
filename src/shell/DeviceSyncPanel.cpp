#include "shell/DeviceSyncPanel.h"

#include "shell/DevicePresentation.h"
#include "shell/SyncStatusSource.h"
#include "ui/CapsuleButton.h"
#include "ui/SymbolButton.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quavel {

namespace {

// A symbol drawn in the secondary colour at a fixed width.
class SymbolView : public QWidget
{
public:
    SymbolView(const QString& symbol, int width, int pixels, QWidget* parent)
        : QWidget(parent)
        , m_symbol(symbol)
        , m_pixels(pixels)
    {
        setFixedSize(width, pixels + 4);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const QRectF r((width() - m_pixels) / 2.0, 2, m_pixels, m_pixels);
        Symbols::paint(p, r, m_symbol, Theme::secondary(Theme::isDark(this)));
    }

private:
    QString m_symbol;
    int m_pixels;
};

} // namespace

DeviceSyncPanel::DeviceSyncPanel(SyncStatusSource& sync, QWidget* parent)
    : QWidget(parent)
    , m_sync(sync)
    , m_rows(nullptr)
    , m_rowsHost(new QWidget(this))
{
    setFixedWidth(340);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);

    auto* header = new QHBoxLayout;
    header->addWidget(
        new ToneLabel(QStringLiteral("Appareils"), Tone::primary, Fonts::font(Fonts::Style::headline), this));
    header->addStretch(1);
    auto* refresh = new CapsuleButton(
        QStringLiteral("Actualiser"), QStringLiteral("arrow.clockwise"), CapsuleKind::glass, this);
    Capsule::setControlSize(refresh, ControlSize::small);
    refresh->setObjectName(QStringLiteral("refreshPeers"));
    connect(refresh, &QAbstractButton::clicked, this, [this] { m_sync.refreshPeers(); });
    header->addWidget(refresh);
    column->addLayout(header);

    auto* help
        = new ToneLabel(QStringLiteral("Cochez plusieurs appareils pour les synchroniser ensemble. Supprimer "
                                       "retire un appareil mémorisé de la liste."),
            Tone::secondary, Fonts::font(Fonts::Style::caption), this);
    help->setWordWrap(true);
    column->addWidget(help);

    m_rows = new QVBoxLayout(m_rowsHost);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(6);
    column->addWidget(m_rowsHost);

    connect(&sync, &SyncStatusSource::changed, this, &DeviceSyncPanel::rebuild);
    rebuild();
}

QStringList DeviceSyncPanel::shownNames() const
{
    QStringList names;
    for (int i = 0; i < m_rows->count(); ++i)
        if (QWidget* w = m_rows->itemAt(i)->widget(); w && w->property("deviceName").isValid())
            names.append(w->property("deviceName").toString());
    return names;
}

void DeviceSyncPanel::rebuild()
{
    // Old rows may be in the middle of their own signal (the box that was just clicked): they go later,
    // and are hidden and nameless at once.
    while (QLayoutItem* item = m_rows->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->setProperty("deviceName", QVariant());
            w->deleteLater();
        }
        delete item;
    }
    const QStringList listed = m_sync.listedPeerNames();
    if (listed.isEmpty()) {
        auto* none = new ToneLabel(QStringLiteral("Aucun appareil détecté"), Tone::secondary,
            Fonts::font(Fonts::Style::callout), m_rowsHost);
        none->setContentsMargins(0, 8, 0, 8);
        m_rows->addWidget(none);
    } else {
        for (const QString& name : listed)
            m_rows->addWidget(deviceRow(name));
    }
    adjustSize();
    if (QWidget* w = window(); w && w != this && w->windowFlags().testFlag(Qt::Popup))
        w->adjustSize();
}

QWidget* DeviceSyncPanel::deviceRow(const QString& name)
{
    const bool enabled = m_sync.isPreferred(name);
    const bool linked = m_sync.isLinked(name);
    const bool nearby = m_sync.isNearby(name);

    auto* row = new QWidget(m_rowsHost);
    row->setProperty("deviceName", name);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 4, 0, 4);
    line->setSpacing(10);
    line->addWidget(new SymbolView(DevicePresentation::deviceSymbol(name), 18, 16, row));

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* title
        = new ToneLabel(m_sync.friendlyName(name), Tone::primary, Fonts::font(Fonts::Style::body), row);
    title->setObjectName(QStringLiteral("deviceTitle"));
    texts->addWidget(title);
    auto* state = new ToneLabel(DevicePresentation::rowState(linked, nearby, enabled),
        linked ? Tone::green : Tone::secondary, Fonts::font(Fonts::Style::caption), row);
    state->setObjectName(QStringLiteral("deviceState"));
    texts->addWidget(state);
    line->addLayout(texts, 1);

    auto* box = new QCheckBox(row);
    box->setObjectName(QStringLiteral("deviceEnabled"));
    box->setAccessibleName(QStringLiteral("Synchroniser"));
    box->setToolTip(QStringLiteral("Synchroniser cet appareil"));
    box->setChecked(enabled);
    // The box shows the service's answer, never a value of its own: the change goes to the service and
    // the rows are rebuilt from what it then says.
    connect(box, &QCheckBox::toggled, this, [this, name, box](bool on) {
        m_sync.setPeerEnabled(name, on);
        // When the service kept its answer (and so rebuilt nothing), the box goes back to it.
        const QSignalBlocker quiet(box);
        box->setChecked(m_sync.isPreferred(name));
    });
    line->addWidget(box);

    auto* forget = new SymbolButton(QStringLiteral("trash"), 15, row);
    forget->setObjectName(QStringLiteral("deviceForget"));
    forget->setAccessibleName(QStringLiteral("Supprimer"));
    forget->setToolTip(QStringLiteral("Retirer cet appareil de la liste"));
    forget->setSymbolColor(&Theme::red);
    connect(forget, &QAbstractButton::clicked, this, [this, name] { m_sync.forgetPeer(name); });
    line->addWidget(forget);
    return row;
}

NearbyDevicePicker::NearbyDevicePicker(SyncStatusSource& sync, QWidget* parent)
    : QWidget(parent)
    , m_sync(sync)
    , m_button(new CapsuleButton(CapsuleKind::glass, this))
{
    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(m_button);
    line->addStretch(1);
    m_button->setTrailingSymbol(QStringLiteral("chevron.up.chevron.down"), 10, 0.55);
    m_button->setToolTip(QStringLiteral("Choisir un ou plusieurs appareils à synchroniser."));
    connect(m_button, &QAbstractButton::clicked, this, &NearbyDevicePicker::togglePanel);
    connect(&sync, &SyncStatusSource::changed, this, &NearbyDevicePicker::refresh);
    refresh();
}

QString NearbyDevicePicker::title() const
{
    return m_button->text();
}

QString NearbyDevicePicker::symbol() const
{
    return m_button->symbol();
}

void NearbyDevicePicker::refresh()
{
    m_button->setText(DevicePresentation::pickerTitle(m_sync));
    m_button->setSymbol(DevicePresentation::pickerSymbol(m_sync));
    m_button->updateGeometry();
}

bool NearbyDevicePicker::isPanelShown() const
{
    return m_popup && m_popup->isVisible();
}

DeviceSyncPanel* NearbyDevicePicker::panel() const
{
    return m_popup ? m_popup->findChild<DeviceSyncPanel*>() : nullptr;
}

void NearbyDevicePicker::togglePanel()
{
    if (isPanelShown()) {
        m_popup->close();
        return;
    }
    if (!m_popup) {
        auto* frame = new QFrame(this, Qt::Popup);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        // A click on the picker while the popup is open only closes it.
        frame->setAttribute(Qt::WA_NoMouseReplay);
        frame->setFrameShape(QFrame::StyledPanel);
        auto* holder = new QVBoxLayout(frame);
        holder->setContentsMargins(0, 0, 0, 0);
        holder->addWidget(new DeviceSyncPanel(m_sync, frame));
        connect(frame, &QObject::destroyed, this, [this] { m_popup = nullptr; });
        m_popup = frame;
    }
    m_popup->adjustSize();
    // Above the picker, which sits at the foot of the sidebar; below it when the screen has no room
    // above, and never past the screen's sides.
    const QPoint anchor = m_button->mapToGlobal(QPoint(0, 0));
    QPoint at(anchor.x(), anchor.y() - m_popup->height() - 6);
    if (const QScreen* screen = m_button->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.y() < room.top())
            at.setY(anchor.y() + m_button->height() + 6);
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - m_popup->width())));
    }
    m_popup->move(at);
    m_popup->show();
}

} // namespace quavel
