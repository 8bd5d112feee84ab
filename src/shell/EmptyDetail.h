#pragma once

#include <QWidget>

namespace quavel {

class RootController;
class SyncBadge;
class SyncStatusSource;

// What the "Tableur" workspace shows while no spreadsheet is selected: an invitation to create one,
// its two buttons and the sync badge.
class EmptyDetail : public QWidget
{
    Q_OBJECT

public:
    EmptyDetail(RootController& root, SyncStatusSource& sync, QWidget* parent = nullptr);
    SyncBadge* badge() const { return m_badge; }

private:
    SyncBadge* m_badge;
};

} // namespace quavel
