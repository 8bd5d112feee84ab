#pragma once

#include <QWidget>

namespace quavel {

class LinkedValue;
class ProgrammePick;
class RiderFoldersStore;

// The sidebar of the "Paniers" screen: the programme group ("Importer" or "Remplacer", "Site") and the
// destination group ("Choisir"), each beside the value it picks. The screen acts on its requests;
// "Site" posts the web-programme notification itself. Controls at the small size; the column is as
// wide as they need, between the minimum and the maximum, so no title is ever cut. GUI thread.
class RiderFoldersSidebar : public QWidget
{
    Q_OBJECT

public:
    static constexpr int minimumWidth = 240;
    static constexpr int idealWidth = 280;
    static constexpr int maximumWidth = 340;

    explicit RiderFoldersSidebar(QWidget* parent = nullptr);

    // Shows the store's programme and destination.
    void refresh(const RiderFoldersStore& folders);

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

signals:
    void importProgrammeRequested();
    void destinationRequested();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ProgrammePick* m_programme;
    LinkedValue* m_destinationValue;
};

} // namespace quavel
