#include "photo/views/CropEditorToolbar.h"

#include "platform/files/NativeName.h"
#include "ui/CapsuleButton.h"
#include "ui/FusedCapsule.h"
#include "ui/LinkedGroup.h"
#include "ui/Theme.h"
#include "ui/ToneLabel.h"

#include <QFileInfo>
#include <QHBoxLayout>

namespace quavel {

CropEditorToolbar::CropEditorToolbar(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(10);

    m_title = new ToneLabel(QString(), Tone::primary, Fonts::font(Fonts::Style::headline), this);
    // The name gives way to the controls, cut in its middle.
    m_title->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_title->setMinimumWidth(40);
    row->addWidget(m_title, 1);
    row->addSpacing(12);

    auto* formats = new FusedCapsule;
    m_a5 = new CapsuleButton(QStringLiteral("A5"), QString(), CapsuleKind::fused, formats);
    m_a5->setToolTip(QStringLiteral("Format A5"));
    m_a4 = new CapsuleButton(QStringLiteral("A4"), QString(), CapsuleKind::fused, formats);
    m_a4->setToolTip(QStringLiteral("Format A4"));
    formats->addWidget(m_a5);
    formats->addDivider();
    formats->addWidget(m_a4);
    row->addWidget(new LinkedGroup(formats, new LinkedLabel(QStringLiteral("Format")), false, this));

    m_watermark = new CapsuleButton(QStringLiteral("Non"), QString(), CapsuleKind::glass);
    row->addWidget(new LinkedGroup(m_watermark, new LinkedLabel(QStringLiteral("Filigrane")), false, this));

    m_undo = new CapsuleButton(
        QStringLiteral("Annuler"), QStringLiteral("arrow.uturn.backward"), CapsuleKind::glass, this);
    row->addWidget(m_undo);
    m_close = new CapsuleButton(QStringLiteral("Fermer"), QString(), CapsuleKind::glass, this);
    row->addWidget(m_close);
    m_validate = new CapsuleButton(QStringLiteral("Valider"), QString(), CapsuleKind::prominent, this);
    Capsule::setControlSize(m_validate, ControlSize::large);
    m_validate->setToolTip(QStringLiteral("Valider le recadrage (Entrée)"));
    row->addWidget(m_validate);

    connect(m_a5, &QAbstractButton::clicked, this, [this] { emit formatChosen(PrintFormat::a5); });
    connect(m_a4, &QAbstractButton::clicked, this, [this] { emit formatChosen(PrintFormat::a4); });
    connect(m_watermark, &QAbstractButton::clicked, this, &CropEditorToolbar::watermarkToggled);
    connect(m_undo, &QAbstractButton::clicked, this, &CropEditorToolbar::undoRequested);
    connect(m_close, &QAbstractButton::clicked, this, &CropEditorToolbar::closeRequested);
    connect(m_validate, &QAbstractButton::clicked, this, &CropEditorToolbar::validateRequested);

    setPhoto(QString());
    setFormat(PrintFormat::a5);
    setWatermark(false, false);
    setUndo(true, false);
}

void CropEditorToolbar::setPhoto(const QString& path)
{
    const QString name = path.isEmpty() ? QString() : NativeName::displayed(QFileInfo(path).fileName());
    m_fullTitle = name.isEmpty() ? QStringLiteral("Recadrage") : name;
    m_title->setToolTip(m_fullTitle);
    elideTitle();
}

QString CropEditorToolbar::title() const
{
    return m_fullTitle;
}

void CropEditorToolbar::setFormat(PrintFormat format)
{
    m_a5->setSelected(format == PrintFormat::a5);
    m_a4->setSelected(format == PrintFormat::a4);
}

void CropEditorToolbar::setWatermark(bool included, bool fileChosen)
{
    m_watermark->setText(included ? QStringLiteral("Oui") : QStringLiteral("Non"));
    m_watermark->setSelected(included);
    m_watermark->setEnabled(fileChosen);
    m_watermark->setToolTip(fileChosen ? QStringLiteral("Étendre le filigrane depuis le bas, centré")
                                       : QStringLiteral("Choisissez d’abord un fichier filigrane"));
    m_watermark->updateGeometry();
}

void CropEditorToolbar::setUndo(bool historyEmpty, bool hasOriginalBackup)
{
    m_undo->setEnabled(!historyEmpty || hasOriginalBackup);
    // Command-Z is Ctrl+Z here.
    m_undo->setToolTip(historyEmpty && hasOriginalBackup
            ? QStringLiteral("Revenir à la photo d’origine (Ctrl+Z)")
            : QStringLiteral("Annuler la dernière modification (Ctrl+Z)"));
}

CapsuleButton* CropEditorToolbar::formatButton(PrintFormat format) const
{
    return format == PrintFormat::a5 ? m_a5 : m_a4;
}

void CropEditorToolbar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    elideTitle();
}

void CropEditorToolbar::elideTitle()
{
    m_title->setText(m_title->fontMetrics().elidedText(m_fullTitle, Qt::ElideMiddle, m_title->width()));
}

} // namespace quavel
