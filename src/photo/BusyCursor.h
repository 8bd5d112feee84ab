#pragma once

// While alive on the GUI thread, the application shows the busy cursor: for work the GUI thread does
// itself, such as the watermark batch of the orders screen. Scopes may nest. Elsewhere (another thread,
// no GUI application) it does nothing.
namespace quavel {

class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    bool m_shown = false;
};

} // namespace quavel
