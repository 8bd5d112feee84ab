#pragma once

#include "orders/OrderMedia.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace quavel {

// The modifier keys a click on a media cell looks at (Command is Ctrl here).
struct ClickModifiers
{
    bool shift = false;
    bool command = false;
};

// The selected files of the orders screen, by the plain path of each file, and the anchor of range
// selection. Paths whose file is no longer listed stay selected and simply match nothing, so the
// selection survives every re-listing. Lists of files are given in gallery order (sections in order,
// files in order within each).
class OrderSelection
{
public:
    enum class ClickOutcome {
        selected, // the selection changed by the click rules
        openCrop, // a plain click on a photo while the crop editor is open: open it there
    };

    const QSet<QString>& selectedIDs() const { return m_selectedIDs; }
    const std::optional<QString>& lastClickedID() const { return m_lastClickedID; }
    bool contains(const QString& path) const { return m_selectedIDs.contains(path); }
    bool isEmpty() const { return m_selectedIDs.isEmpty(); }
    // Paths selected, files listed or not.
    qsizetype count() const { return m_selectedIDs.size(); }

    // A click on a file; `all` is every listed file. With openCrop the caller opens the photo in the
    // editor (which selects it alone, see selectOnly); the selection is then unchanged here.
    ClickOutcome click(
        const OrderMedia& file, ClickModifiers modifiers, bool editorOpen, const QList<OrderMedia>& all);
    // The paths from the anchor to the file, both included, replace the selection; the anchor stays.
    // Either not listed: the file alone, which becomes the anchor.
    void selectRange(const QString& anchor, const OrderMedia& file, const QList<OrderMedia>& all);
    // A double click: the files to open, in gallery order. A file of the selection opens the whole
    // selection; any other is selected alone and opened alone. The click that began the double click
    // is taken back first, so a double click on a file of a multiple selection opens all of them.
    QList<OrderMedia> doubleClick(const OrderMedia& file, const QList<OrderMedia>& all);

    // The file alone, as the anchor (a crop opened on it, a double click).
    void selectOnly(const QString& path);
    // Every listed file; the anchor is kept.
    void selectAll(const QList<OrderMedia>& all);
    // Nothing selected, no anchor.
    void clear();

    // The listed files that are selected, in gallery order.
    QList<OrderMedia> selectedMedia(const QList<OrderMedia>& all) const;
    // What an action started on one file hands on: the whole selection when the file is part of it,
    // else the file alone.
    QList<OrderMedia> targets(const OrderMedia& file, const QList<OrderMedia>& all) const;

    bool operator==(const OrderSelection& other) const
    {
        return m_selectedIDs == other.m_selectedIDs && m_lastClickedID == other.m_lastClickedID;
    }

private:
    struct Before
    {
        QString path;
        QSet<QString> selected;
        std::optional<QString> anchor;
    };

    QSet<QString> m_selectedIDs;
    std::optional<QString> m_lastClickedID;
    // The state before the last click, for the double click that it may begin.
    std::optional<Before> m_beforeClick;
};

} // namespace quavel
