#pragma once

#include "photo/views/RetouchSettingsPopover.h"

#include <QPointer>
#include <QWidget>

namespace quavel {

class CapsuleButton;
class LinkedValue;
class OrdersScreen;
class OrdersStore;
class RetouchSettingsBinding;

// The retouch block of the folder column: "Réglages" opens the retouch settings popover on the store's
// preset (each change written into the store at once and the settings file saved), beside the summary
// of the preset. The button cannot be used while a batch retouch runs.
class OrdersRetouchPicker : public QWidget
{
    Q_OBJECT

public:
    OrdersRetouchPicker(OrdersStore& store, OrdersScreen& screen, QWidget* parent = nullptr);
    ~OrdersRetouchPicker() override;

    CapsuleButton* settingsButton() const { return m_button; }
    LinkedValue* value() const { return m_value; }
    // The popover while it is open.
    RetouchSettingsPopover* popover() const { return m_popover; }
    RetouchSettingsBinding* binding() const { return m_binding; }

private:
    void refresh();
    void showPopover(bool shown);

    OrdersStore& m_store;
    OrdersScreen& m_screen;
    CapsuleButton* m_button = nullptr;
    LinkedValue* m_value = nullptr;
    RetouchSettingsBinding* m_binding = nullptr;
    QPointer<RetouchSettingsPopover> m_popover;
};

} // namespace quavel
