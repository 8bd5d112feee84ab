#pragma once

#include "photo/views/RetouchPanelBackground.h"

namespace quavel {

class RetouchControls;
class RetouchPanelHeader;
class RetouchScrollArea;
class RetouchSettingsBinding;

// The floating dark panel in which the orders screen's retouch preset is set: the header with its reset
// button over every retouch control, 372 points wide and at most 640 high (taller content scrolls).
// The controls edit the bound value directly; `changed` is emitted once for each change of the value
// (never for the first showing) and once more right after a reset. Build one for each opening.
class RetouchSettingsPopover : public RetouchPanelBackground
{
    Q_OBJECT

public:
    static constexpr int kWidth = 372;
    static constexpr int kMaximumHeight = 640;

    // The binding must outlive the popover.
    explicit RetouchSettingsPopover(RetouchSettingsBinding* settings, QWidget* parent = nullptr);

    // Opens as a popup beside `anchor`, against its trailing edge and centred on it, kept on the anchor's
    // screen; a click outside closes it.
    void popup(QWidget* anchor);

    RetouchPanelHeader* header() const { return m_header; }
    RetouchControls* controls() const { return m_controls; }
    RetouchScrollArea* scrollArea() const { return m_scroll; }

    QSize sizeHint() const override;

signals:
    void changed();
    // The popup was closed (by a click outside, Escape or hide()).
    void closed();

protected:
    void hideEvent(QHideEvent* event) override;
    bool event(QEvent* event) override;

private:
    RetouchPanelHeader* m_header = nullptr;
    RetouchControls* m_controls = nullptr;
    RetouchScrollArea* m_scroll = nullptr;
};

} // namespace quavel
