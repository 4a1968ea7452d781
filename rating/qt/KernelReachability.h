#pragma once

#include <functional>
#include <optional>
#include <string>

#include "rating/Reachability.h"

// Reachability on Linux, from the kernel's own view of its routes and interfaces: the IPv4 and
// IPv6 routing tables (/proc/net/route, /proc/net/ipv6_route) and each interface's flags and
// operational state (/sys/class/net/<name>/flags, /operstate). It answers for the default
// route, which is what the zero address asks about; every address gets that answer.
//
// How the kernel's view maps onto the flags:
//   - a default route through an interface that is up and running (operstate "up", or
//     "unknown" as tunnels and other virtual links report): Reachable;
//   - the same through a point-to-point interface (PPP, mobile data, VPN tunnels):
//     Reachable | TransientConnection;
//   - default routes only through interfaces that are down, dormant or without carrier: a route
//     is configured but a link must come up first: Reachable | ConnectionRequired;
//   - no default route at all (only loopback or local networks): no flags;
//   - neither routing table readable: the query fails.
// The best of the default routes decides. Routes that reject traffic and loopback are ignored.

namespace storm::qt {

class KernelReachability : public Reachability {
 public:
  // Reads a file's whole text, or nothing when it cannot be read.
  using FileReader = std::function<std::optional<std::string>(const std::string& path)>;

  explicit KernelReachability(FileReader read = readSystemFile);
  std::unique_ptr<ReachabilityTarget> createWithAddress(const SocketAddressIn& address) override;

  static std::optional<std::string> readSystemFile(const std::string& path);

 private:
  FileReader read_;
};

// The flags of the default route as the files `read` gives describe it; nothing when neither
// routing table can be read.
std::optional<ReachabilityFlags> defaultRouteFlags(const KernelReachability::FileReader& read);

}  // namespace storm::qt
