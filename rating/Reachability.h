#pragma once

#include <array>
#include <cstdint>
#include <memory>

// Whether the device can reach a network address, as flags, answered at once from what the
// system knows of its interfaces and routes; no traffic is sent.

namespace storm {

using ReachabilityFlags = std::uint32_t;

inline constexpr ReachabilityFlags kSCNetworkReachabilityFlagsTransientConnection = 1u << 0;
inline constexpr ReachabilityFlags kSCNetworkReachabilityFlagsReachable = 1u << 1;
inline constexpr ReachabilityFlags kSCNetworkReachabilityFlagsConnectionRequired = 1u << 2;

// An IPv4 socket address in its 16-byte wire layout: length, family, port, address, padding.
struct SocketAddressIn {
  std::uint8_t length = 16;
  std::uint8_t family = 2;  // AF_INET
  std::uint16_t port = 0;
  std::uint32_t address = 0;
  std::array<std::uint8_t, 8> zero{};
};
static_assert(sizeof(SocketAddressIn) == 16);

// One address whose reachability is asked; released when destroyed.
class ReachabilityTarget {
 public:
  virtual ~ReachabilityTarget() = default;
  // The current flags; false when the system could not tell.
  virtual bool getFlags(ReachabilityFlags& flags) = 0;
};

class Reachability {
 public:
  virtual ~Reachability() = default;
  // A target for `address` (0.0.0.0 stands for the default route: general connectivity), or
  // nothing when one cannot be made. Any thread.
  virtual std::unique_ptr<ReachabilityTarget> createWithAddress(const SocketAddressIn& address) = 0;
};

}  // namespace storm
