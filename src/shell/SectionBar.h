#pragma once

#include "shell/WorkspaceSection.h"

#include <QWidget>

class QActionGroup;
class QMenu;

namespace quavel {

class CapsuleButton;
class LibraryStore;
class RootController;

// The bar above the workspaces: one button per section (the shown one prominent) and the appearance
// menu at the trailing end.
class SectionBar : public QWidget
{
    Q_OBJECT

public:
    SectionBar(RootController& root, LibraryStore& store, QWidget* parent = nullptr);

    CapsuleButton* button(WorkspaceSection section) const;
    QMenu* appearanceMenu() const { return m_appearance; }

private:
    void refresh();

    RootController& m_root;
    LibraryStore& m_store;
    QList<CapsuleButton*> m_buttons;
    QMenu* m_appearance;
    QActionGroup* m_appearanceGroup;
};

} // namespace quavel
