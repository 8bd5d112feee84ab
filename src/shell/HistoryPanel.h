#pragma once

#include "shell/WorkspaceSource.h"

#include <QWidget>

class QScrollArea;
class QVBoxLayout;

namespace quavel {

class LibraryStore;
class UserDefaults;
class ToneLabel;

// The log of past photo-sorting runs at the foot of the sidebar, grouped by spreadsheet, foldable to
// its header; the folded state is kept under "tableurHistoryExpanded". It only reads.
class HistoryPanel : public QWidget
{
    Q_OBJECT

public:
    // `workspace` may be absent: the panel then shows no run.
    HistoryPanel(
        WorkspaceSource* workspace, LibraryStore& store, UserDefaults& defaults, QWidget* parent = nullptr);

    bool isExpanded() const { return m_expanded; }
    void toggle();
    // The sections shown: the store's, each titled by its spreadsheet's current title when it exists.
    QList<WorkspaceSource::HistorySection> sections() const;
    static QString dateText(const QDateTime& date);
    QWidget* header() const { return m_header; }
    QScrollArea* list() const { return m_scroll; }
    QWidget* placeholder() const;

private:
    void rebuild();

    WorkspaceSource* m_workspace;
    LibraryStore& m_store;
    UserDefaults& m_defaults;
    bool m_expanded = true;
    QWidget* m_header;
    QWidget* m_placeholder;
    QScrollArea* m_scroll;
    QWidget* m_content;
};

} // namespace quavel
