#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class QProgressBar;

namespace quavel {

class ActivitySpinner;
class LinkedValue;
class OrdersFilesPanel;
class OrdersRetouchPicker;
class OrdersScreen;
class OrdersSearchField;
class OrdersStore;
class OrdersWatermarkPicker;
class PickButton;
class ToneLabel;

// The left column of the orders screen: the orders root chooser, the watermark and retouch pickers,
// the files panel, a progress line while a batch retouch runs and one while a watermark batch runs (each
// with a bar and "12 / 50": photos done, failed ones included, out of all), the store's message (its
// tooltip lists each photo that failed with its reason), the search field
// and the list of order folders, whose choice drives the rest of the screen. It keeps no state of its
// own: the search text is the screen's, everything else the store's. Between 240 and 380 points wide.
class OrdersFolderColumn : public QWidget
{
    Q_OBJECT

public:
    static constexpr int minimumWidth = 240;
    static constexpr int idealWidth = 300;
    static constexpr int maximumWidth = 380;

    OrdersFolderColumn(OrdersStore& store, OrdersScreen& screen, QWidget* parent = nullptr);

    PickButton* rootButton() const { return m_rootButton; }
    LinkedValue* rootValue() const { return m_rootValue; }
    OrdersWatermarkPicker* watermarkPicker() const { return m_watermarks; }
    OrdersRetouchPicker* retouchPicker() const { return m_retouch; }
    OrdersFilesPanel* filesPanel() const { return m_files; }
    QWidget* progressLine() const { return m_progress; }
    QWidget* watermarkProgressLine() const { return m_watermarkProgress; }
    // The bars and counts of the two lines.
    QProgressBar* retouchBar() const { return m_retouchBar; }
    QLabel* retouchCount() const { return m_retouchCount; }
    QProgressBar* watermarkBar() const { return m_watermarkBar; }
    QLabel* watermarkCount() const { return m_watermarkCount; }
    QLabel* errorLine() const { return m_error; }
    OrdersSearchField* searchField() const { return m_search; }
    QListWidget* folderList() const { return m_list; }
    // The text shown in place of the list (no root, no folder, no match); hidden while folders show.
    ToneLabel* listMessage() const { return m_message; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The orders root chosen in the folder panel.
    void pickRoot();
    void refreshRoot();
    void refreshList();
    void refreshListSelection();
    void refreshProgress();
    void refreshError();

    OrdersStore& m_store;
    OrdersScreen& m_screen;
    PickButton* m_rootButton = nullptr;
    LinkedValue* m_rootValue = nullptr;
    OrdersWatermarkPicker* m_watermarks = nullptr;
    OrdersRetouchPicker* m_retouch = nullptr;
    OrdersFilesPanel* m_files = nullptr;
    QWidget* m_progress = nullptr;
    QWidget* m_watermarkProgress = nullptr;
    QProgressBar* m_retouchBar = nullptr;
    QLabel* m_retouchCount = nullptr;
    QProgressBar* m_watermarkBar = nullptr;
    QLabel* m_watermarkCount = nullptr;
    QLabel* m_error = nullptr;
    OrdersSearchField* m_search = nullptr;
    QListWidget* m_list = nullptr;
    ToneLabel* m_message = nullptr;
    bool m_filling = false;
};

} // namespace quavel
