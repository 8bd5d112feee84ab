#include "platform/share/ShareService.h"

namespace quavel {

std::shared_ptr<ShareService> ShareService::nearbyDevice()
{
    return nullptr;
}

} // namespace quavel
