#pragma once

#include "orders/OrderMedia.h"

#include <QList>
#include <QWidget>

namespace quavel {

class CapsuleButton;
class OrdersScreen;
class OrdersStore;
class PrintPhotosMenu;
class ToneLabel;

// The three batch controls over a list of files, with their count: "Retouche" (the preset on every
// photo), "Filigrane" (the watermark on every photo) and "Imprimer" (a print menu over them). Above the
// list and grid layouts it acts on the whole order; in the sections layout each section's header is
// one, with the section's name and help texts of its own. Videos are handed on with the photos: the
// batches and the printer leave them out.
class OrderBatchRow : public QWidget
{
    Q_OBJECT

public:
    enum class Scope { folder, section };

    OrderBatchRow(OrdersStore& store, OrdersScreen& screen, Scope scope, QWidget* parent = nullptr);

    void setFiles(const QList<OrderMedia>& files, const QString& sectionName = QString());
    const QList<OrderMedia>& files() const { return m_files; }
    // Enabled states and help texts from the store as it is now.
    void refresh();

    CapsuleButton* retouchButton() const { return m_retouch; }
    CapsuleButton* watermarkButton() const { return m_watermark; }
    CapsuleButton* printButton() const { return m_print; }
    PrintPhotosMenu* printMenu() const { return m_printMenu; }
    ToneLabel* countLabel() const { return m_count; }
    ToneLabel* nameLabel() const { return m_name; }

private:
    OrdersStore& m_store;
    OrdersScreen& m_screen;
    Scope m_scope;
    QList<OrderMedia> m_files;
    CapsuleButton* m_retouch = nullptr;
    CapsuleButton* m_watermark = nullptr;
    CapsuleButton* m_print = nullptr;
    PrintPhotosMenu* m_printMenu = nullptr;
    ToneLabel* m_name = nullptr;
    ToneLabel* m_count = nullptr;
};

} // namespace quavel
