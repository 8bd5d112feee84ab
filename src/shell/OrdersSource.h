#pragma once

namespace quavel {

// The orders store as far as the application's lifetime uses it: saving, last of the stores.
class OrdersSource
{
public:
    virtual ~OrdersSource() = default;
    // Writes the orders settings file; failures are not reported.
    virtual void persist() = 0;
};

} // namespace quavel
