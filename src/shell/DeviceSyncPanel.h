#pragma once

#include <QWidget>

class QVBoxLayout;

namespace quavel {

class SyncStatusSource;

// The list of known devices with their state, an enable box and a forget button, and a refresh button.
class DeviceSyncPanel : public QWidget
{
    Q_OBJECT

public:
    explicit DeviceSyncPanel(SyncStatusSource& sync, QWidget* parent = nullptr);

    // The names shown, in order (tests).
    QStringList shownNames() const;

private:
    void rebuild();
    QWidget* deviceRow(const QString& name);

    SyncStatusSource& m_sync;
    QVBoxLayout* m_rows;
    QWidget* m_rowsHost;
};

// The capsule button naming the enabled device(s); it opens the device panel in a popup.
class NearbyDevicePicker : public QWidget
{
    Q_OBJECT

public:
    explicit NearbyDevicePicker(SyncStatusSource& sync, QWidget* parent = nullptr);

    QString title() const;
    QString symbol() const;
    bool isPanelShown() const;
    // The popup while it is shown.
    DeviceSyncPanel* panel() const;
    void togglePanel();

private:
    void refresh();

    SyncStatusSource& m_sync;
    class CapsuleButton* m_button;
    QWidget* m_popup = nullptr;
};

} // namespace quavel
