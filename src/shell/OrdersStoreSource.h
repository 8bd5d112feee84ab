#pragma once

#include "shell/OrdersSource.h"

#include <memory>

namespace quavel {

class OrdersStore;

// The orders store as the application holds it. Owns the store, which the orders screen reads through
// store(). GUI thread only.
class OrdersStoreSource : public OrdersSource
{
public:
    explicit OrdersStoreSource(std::unique_ptr<OrdersStore> store);
    ~OrdersStoreSource() override;

    OrdersStore& store() const { return *m_store; }
    void persist() override;

private:
    std::unique_ptr<OrdersStore> m_store;
};

} // namespace quavel
