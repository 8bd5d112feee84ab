#include "workspace/views/RiderFoldersSidebar.h"

#include "ui/LinkedGroup.h"
#include "ui/PickButton.h"
#include "ui/Theme.h"
#include "workspace/RiderFoldersStore.h"
#include "workspace/views/ProgrammePick.h"

#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace quavel {

namespace {

// A horizontal divider line.
class Hairline : public QWidget
{
public:
    explicit Hairline(QWidget* parent)
        : QWidget(parent)
    {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter(this).fillRect(
            rect(), Theme::isDark(this) ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 26));
    }
};

} // namespace

RiderFoldersSidebar::RiderFoldersSidebar(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("riderFoldersSidebar"));
    // Small controls, as in the other workspaces' sidebars.
    Capsule::setControlSize(this, ControlSize::small);
    setMaximumWidth(maximumWidth);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(14, 12, 14, 8);
    stack->setSpacing(12);

    m_programme = new ProgrammePick(std::nullopt, true, this);
    connect(
        m_programme, &ProgrammePick::importRequested, this, &RiderFoldersSidebar::importProgrammeRequested);
    stack->addWidget(m_programme);

    stack->addWidget(new Hairline(this));

    auto* choose = new PickButton(QStringLiteral("Choisir"), QStringLiteral("folder"), false);
    choose->setObjectName(QStringLiteral("chooseDestination"));
    connect(choose, &QAbstractButton::clicked, this, &RiderFoldersSidebar::destinationRequested);
    m_destinationValue = new LinkedValue(QStringLiteral("Destination"), QString());
    m_destinationValue->setObjectName(QStringLiteral("destinationValue"));
    stack->addWidget(new LinkedGroup(choose, m_destinationValue, true, this));
    stack->addStretch(1);
}

void RiderFoldersSidebar::refresh(const RiderFoldersStore& folders)
{
    m_programme->showProgramme(folders.programme().has_value(),
        folders.programmeName().value_or(QStringLiteral("PDF, Excel ou page internet")));
    m_destinationValue->setValue(
        folders.destinationName().value_or(QStringLiteral("Dossier des dossiers NOM PRENOM")));
}

QSize RiderFoldersSidebar::minimumSizeHint() const
{
    const QSize content = QWidget::minimumSizeHint();
    return QSize(std::clamp(content.width(), minimumWidth, maximumWidth), content.height());
}

QSize RiderFoldersSidebar::sizeHint() const
{
    // When the controls need more than the ideal width, the names beside them get all there is.
    const int width = minimumSizeHint().width() > idealWidth ? maximumWidth : idealWidth;
    return QSize(width, QWidget::sizeHint().height());
}

void RiderFoldersSidebar::paintEvent(QPaintEvent*)
{
    // A thin material over the backdrop, with a hairline towards the detail, as in "Tableur".
    QPainter p(this);
    const bool dark = Theme::isDark(this);
    p.fillRect(rect(), dark ? QColor(0, 0, 0, 46) : QColor(255, 255, 255, 84));
    p.fillRect(QRect(width() - 1, 0, 1, height()), dark ? QColor(255, 255, 255, 22) : QColor(0, 0, 0, 22));
}

} // namespace quavel
