#include "shell/OrdersStoreSource.h"

#include "orders/OrdersStore.h"

namespace quavel {

OrdersStoreSource::OrdersStoreSource(std::unique_ptr<OrdersStore> store)
    : m_store(std::move(store))
{ }

OrdersStoreSource::~OrdersStoreSource() = default;

void OrdersStoreSource::persist()
{
    m_store->persist();
}

} // namespace quavel
