// The batch edits of order photos, and the note that a file changed.
#include "orders/OrdersStore.h"

#include "orders/OrderPaths.h"

namespace quavel {

void OrdersStore::noteEdited(const QString& path)
{
    const QString key = OrderPaths::key(path);
    m_fileRevisions[key] += 1;
    emit fileRevisionsChanged();
}

} // namespace quavel
