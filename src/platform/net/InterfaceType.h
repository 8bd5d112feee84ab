#pragma once

namespace quavel {

// The kind of a network interface, as far as choosing between two paths to one peer cares.
enum class InterfaceType { wifi, wiredEthernet, cellular, loopback, other };

// The kind of the interface with this index (from /sys/class/net); other when it cannot be told.
InterfaceType interfaceTypeOf(int interfaceIndex);

} // namespace quavel
