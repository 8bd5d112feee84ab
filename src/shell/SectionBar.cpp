#include "shell/SectionBar.h"

#include "library/LibraryStore.h"
#include "shell/RootController.h"
#include "ui/CapsuleButton.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QMenu>

namespace quavel {

SectionBar::SectionBar(RootController& root, LibraryStore& store, QWidget* parent)
    : QWidget(parent)
    , m_root(root)
    , m_store(store)
    , m_appearance(new QMenu(this))
    , m_appearanceGroup(new QActionGroup(this))
{
    auto* row = new QHBoxLayout(this);
    // The window manager draws its own title bar here, so the leading end needs only the usual margin.
    row->setContentsMargins(12, 8, 12, 6);
    row->setSpacing(6);
    for (WorkspaceSection section : Section::allCases()) {
        auto* b = new CapsuleButton(
            Section::title(section), Section::symbolName(section), CapsuleKind::glass, this);
        b->setObjectName(QStringLiteral("section-") + Section::rawValue(section));
        b->setToolTip(Section::title(section));
        connect(b, &QAbstractButton::clicked, this, [this, section] { m_root.showSection(section); });
        row->addWidget(b);
        m_buttons.append(b);
    }
    row->addStretch(1);
    row->addSpacing(8);

    auto* appearance
        = new CapsuleButton(QString(), QStringLiteral("circle.lefthalf.filled"), CapsuleKind::icon, this);
    appearance->setObjectName(QStringLiteral("appearanceMenu"));
    appearance->setToolTip(QStringLiteral("Apparence"));
    appearance->setMenu(m_appearance);
    m_appearance->addSection(QStringLiteral("Apparence"));
    m_appearanceGroup->setExclusive(true);
    for (AppearancePreference p : Appearance::allCases()) {
        QAction* a = m_appearance->addAction(Appearance::title(p));
        a->setCheckable(true);
        a->setData(Appearance::rawValue(p));
        m_appearanceGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, p] { m_store.setAppearance(p); });
    }
    row->addWidget(appearance);

    connect(&root, &RootController::sectionChanged, this, &SectionBar::refresh);
    connect(&store, &LibraryStore::appearanceChanged, this, &SectionBar::refresh);
    refresh();
}

CapsuleButton* SectionBar::button(WorkspaceSection section) const
{
    return m_buttons.value(Section::allCases().indexOf(section));
}

void SectionBar::refresh()
{
    const WorkspaceSection shown = m_root.shownSection();
    for (WorkspaceSection section : Section::allCases())
        button(section)->setKind(section == shown ? CapsuleKind::prominent : CapsuleKind::glass);
    const QString raw = Appearance::rawValue(m_store.appearance());
    for (QAction* a : m_appearanceGroup->actions())
        a->setChecked(a->data().toString() == raw);
}

} // namespace quavel
