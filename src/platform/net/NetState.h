#pragma once

namespace quavel {

// The life of a listener, a browser or a connection. waiting and failed come with an error.
enum class NetState { setup, preparing, waiting, ready, failed, cancelled };

} // namespace quavel
