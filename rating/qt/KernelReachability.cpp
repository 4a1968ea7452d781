#include "rating/qt/KernelReachability.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

namespace storm::qt {

namespace {

constexpr unsigned kRouteUp = 0x0001;      // RTF_UP
constexpr unsigned kRouteReject = 0x0200;  // RTF_REJECT
constexpr unsigned kInterfaceUp = 0x1;     // IFF_UP
constexpr unsigned kInterfaceLoopback = 0x8;
constexpr unsigned kInterfacePointToPoint = 0x10;

std::optional<unsigned> hex(std::string_view text) {
  if (text.substr(0, 2) == "0x") text.remove_prefix(2);
  unsigned value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

std::vector<std::vector<std::string>> rows(const std::string& table) {
  std::vector<std::vector<std::string>> out;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::vector<std::string> row;
    for (std::string field; fields >> field;) row.push_back(field);
    if (!row.empty()) out.push_back(std::move(row));
  }
  return out;
}

// Interfaces that carry a usable IPv4 default route.
void ipv4Defaults(const std::string& table, std::set<std::string>& interfaces) {
  // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; the first line is the header.
  const auto all = rows(table);
  for (size_t i = 1; i < all.size(); ++i) {
    const auto& row = all[i];
    if (row.size() < 8) continue;
    const auto flags = hex(row[3]);
    if (row[1] == "00000000" && row[7] == "00000000" && flags && (*flags & kRouteUp) && !(*flags & kRouteReject))
      interfaces.insert(row[0]);
  }
}

void ipv6Defaults(const std::string& table, std::set<std::string>& interfaces) {
  // Destination, prefix length, source, prefix length, next hop, metric, refs, use, flags, iface.
  for (const auto& row : rows(table)) {
    if (row.size() < 10) continue;
    const auto flags = hex(row[8]);
    if (row[0] == std::string(32, '0') && row[1] == "00" && flags && (*flags & kRouteUp) && !(*flags & kRouteReject))
      interfaces.insert(row[9]);
  }
}

std::string trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

// The flags one default route's interface gives, or 0 for one to ignore.
ReachabilityFlags interfaceFlags(const std::string& name, const KernelReachability::FileReader& read) {
  const std::string base = "/sys/class/net/" + name + "/";
  const auto flagsText = read(base + "flags");
  const auto flags = flagsText ? hex(trimmed(*flagsText)) : std::nullopt;
  const std::string state = trimmed(read(base + "operstate").value_or("unknown"));
  // Without a readable flags file the interface counts as up and of no special kind.
  const unsigned bits = flags.value_or(kInterfaceUp);
  if (bits & kInterfaceLoopback) return 0;
  const bool up = (bits & kInterfaceUp) != 0;
  const bool running = up && (state == "up" || state == "unknown");
  if (!running) return kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsConnectionRequired;
  if (bits & kInterfacePointToPoint)
    return kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsTransientConnection;
  return kSCNetworkReachabilityFlagsReachable;
}

// Direct beats transient beats a connection still to be made.
int rank(ReachabilityFlags flags) {
  if (flags == kSCNetworkReachabilityFlagsReachable) return 3;
  if (flags & kSCNetworkReachabilityFlagsTransientConnection) return 2;
  return flags ? 1 : 0;
}

class KernelTarget : public ReachabilityTarget {
 public:
  explicit KernelTarget(KernelReachability::FileReader read) : read_(std::move(read)) {}
  bool getFlags(ReachabilityFlags& flags) override {
    const auto found = defaultRouteFlags(read_);
    if (!found) return false;
    flags = *found;
    return true;
  }

 private:
  KernelReachability::FileReader read_;
};

}  // namespace

std::optional<ReachabilityFlags> defaultRouteFlags(const KernelReachability::FileReader& read) {
  const auto v4 = read("/proc/net/route");
  const auto v6 = read("/proc/net/ipv6_route");
  if (!v4 && !v6) return std::nullopt;
  std::set<std::string> interfaces;
  if (v4) ipv4Defaults(*v4, interfaces);
  if (v6) ipv6Defaults(*v6, interfaces);
  ReachabilityFlags best = 0;
  for (const auto& name : interfaces) {
    const ReachabilityFlags flags = interfaceFlags(name, read);
    if (rank(flags) > rank(best)) best = flags;
  }
  return best;
}

KernelReachability::KernelReachability(FileReader read) : read_(std::move(read)) {}

std::unique_ptr<ReachabilityTarget> KernelReachability::createWithAddress(const SocketAddressIn&) {
  return std::make_unique<KernelTarget>(read_);
}

std::optional<std::string> KernelReachability::readSystemFile(const std::string& path) {
  std::ifstream file(path);
  if (!file) return std::nullopt;
  std::ostringstream text;
  text << file.rdbuf();
  if (file.bad()) return std::nullopt;
  return text.str();
}

}  // namespace storm::qt
