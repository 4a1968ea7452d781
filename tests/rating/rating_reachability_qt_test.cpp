#include <gtest/gtest.h>

#include <map>

#include "rating/qt/KernelReachability.h"

// Reachability flags from the kernel's routing tables and interface states.

namespace storm::qt {
namespace {

constexpr char kRouteHeader[] = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
constexpr char kNoV6Default[] =
    "fe800000000000000000000000000000 40 00000000000000000000000000000000 00 00000000000000000000000000000000 "
    "00000100 00000001 00000000 00000001     eth0\n";

std::string v4Route(const std::string& iface, const char* destination, const char* flags, const char* mask) {
  return iface + "\t" + destination + "\t010200C0\t" + flags + "\t0\t0\t0\t" + mask + "\t0\t0\t0\n";
}
std::string v4Default(const std::string& iface, const char* flags = "0003") {
  return v4Route(iface, "00000000", flags, "00000000");
}
std::string v6Default(const std::string& iface, const char* flags = "00000003") {
  return "00000000000000000000000000000000 00 00000000000000000000000000000000 00 fd000000000000000000000000000001 "
         "00000400 00000002 00000000 " +
         std::string(flags) + "     " + iface + "\n";
}

struct Link {
  const char* flags;
  const char* operstate;
};

struct RouteCase {
  const char* name;
  std::optional<std::string> v4;
  std::optional<std::string> v6;
  std::map<std::string, Link> links;
  std::optional<ReachabilityFlags> expected;
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.name; }

constexpr Link kEthernetUp{"0x1003\n", "up\n"};
constexpr Link kEthernetDown{"0x1003\n", "down\n"};
constexpr Link kPppUp{"0x10d1\n", "unknown\n"};

const std::string kLocalOnly = std::string(kRouteHeader) + v4Route("eth0", "000200C0", "0001", "00FFFFFF");

const RouteCase kRouteCases[] = {
    {"EthernetDefaultRoute",
     kRouteHeader + v4Default("eth0") + v4Route("eth0", "000200C0", "0001", "00FFFFFF"),
     kNoV6Default,
     {{"eth0", kEthernetUp}},
     kSCNetworkReachabilityFlagsReachable},
    {"OnlyALocalNetwork", kLocalOnly, kNoV6Default, {{"eth0", kEthernetUp}}, 0},
    {"DefaultRouteOverALinkThatIsDown",
     kRouteHeader + v4Default("wlan0"),
     kNoV6Default,
     {{"wlan0", kEthernetDown}},
     kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsConnectionRequired},
    {"DefaultRouteOverADormantLink",
     kRouteHeader + v4Default("wlan0"),
     kNoV6Default,
     {{"wlan0", {"0x1003", "dormant"}}},
     kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsConnectionRequired},
    {"DefaultRouteOverAnInterfaceNotUp",
     kRouteHeader + v4Default("eth0"),
     kNoV6Default,
     {{"eth0", {"0x1002", "up"}}},
     kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsConnectionRequired},
    {"PointToPointLink",
     kRouteHeader + v4Default("ppp0"),
     kNoV6Default,
     {{"ppp0", kPppUp}},
     kSCNetworkReachabilityFlagsReachable | kSCNetworkReachabilityFlagsTransientConnection},
    {"DirectLinkBeatsPointToPoint",
     kRouteHeader + v4Default("ppp0") + v4Default("eth0"),
     kNoV6Default,
     {{"ppp0", kPppUp}, {"eth0", kEthernetUp}},
     kSCNetworkReachabilityFlagsReachable},
    {"RunningLinkBeatsADownOne",
     kRouteHeader + v4Default("wlan0") + v4Default("eth0"),
     kNoV6Default,
     {{"wlan0", kEthernetDown}, {"eth0", kEthernetUp}},
     kSCNetworkReachabilityFlagsReachable},
    {"IPv6DefaultRouteOnly",
     kLocalOnly,
     v6Default("eth0"),
     {{"eth0", kEthernetUp}},
     kSCNetworkReachabilityFlagsReachable},
    {"IPv6RejectRouteOnLoopbackIgnored", kLocalOnly, v6Default("lo", "00200200"), {{"lo", {"0x9", "unknown"}}}, 0},
    {"RouteThatIsNotUpIgnored", kRouteHeader + v4Default("eth0", "0002"), kNoV6Default, {{"eth0", kEthernetUp}}, 0},
    {"UnknownInterfaceStateCountsAsRunning",
     kRouteHeader + v4Default("tun0"),
     kNoV6Default,
     {},
     kSCNetworkReachabilityFlagsReachable},
    {"OnlyTheIPv6TableReadable",
     std::nullopt,
     v6Default("eth0"),
     {{"eth0", kEthernetUp}},
     kSCNetworkReachabilityFlagsReachable},
    {"NeitherTableReadable", std::nullopt, std::nullopt, {{"eth0", kEthernetUp}}, std::nullopt},
};

class KernelRoutes : public ::testing::TestWithParam<RouteCase> {};

TEST_P(KernelRoutes, MapOntoReachabilityFlags) {
  const RouteCase& c = GetParam();
  auto read = [&c](const std::string& path) -> std::optional<std::string> {
    if (path == "/proc/net/route") return c.v4;
    if (path == "/proc/net/ipv6_route") return c.v6;
    for (const auto& [name, link] : c.links) {
      if (path == "/sys/class/net/" + name + "/flags") return link.flags;
      if (path == "/sys/class/net/" + name + "/operstate") return link.operstate;
    }
    return std::nullopt;
  };
  EXPECT_EQ(defaultRouteFlags(read), c.expected);

  KernelReachability reachability(read);
  auto target = reachability.createWithAddress(SocketAddressIn{});
  ASSERT_TRUE(target);
  ReachabilityFlags flags = 0xdead;
  EXPECT_EQ(target->getFlags(flags), c.expected.has_value());
  if (c.expected) {
    EXPECT_EQ(flags, *c.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Rating, KernelRoutes, ::testing::ValuesIn(kRouteCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KernelReachabilityOnThisMachine, AnswersFromTheRealTables) {
  KernelReachability reachability;
  ReachabilityFlags flags = 0;
  EXPECT_TRUE(reachability.createWithAddress(SocketAddressIn{})->getFlags(flags));
}

}  // namespace
}  // namespace storm::qt
