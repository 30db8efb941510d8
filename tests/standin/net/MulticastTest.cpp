// Multicast, only inside a private network namespace: the test runs itself again under `unshare -rn`, where
// loopback is the only interface and the group is routed to it. Skipped where user namespaces are not allowed.

#include <net/if.h>

#include <cstdlib>

#include "NetTestSupport.h"

namespace nettest {
namespace {

constexpr const char* kGroup = "239.255.42.99";
constexpr const char* kInsideVariable = "ORVANE_NET_TEST_IN_NAMESPACE";

// Inside the namespace: nothing but "lo" exists, so no datagram can leave the machine.
bool onlyLoopbackInterface(std::string& found) {
    struct if_nameindex* list = ::if_nameindex();
    if (!list) return false;
    bool onlyLo = true;
    for (struct if_nameindex* i = list; i->if_index != 0; ++i) {
        found += std::string(i->if_name) + " ";
        onlyLo = onlyLo && std::string(i->if_name) == "lo";
    }
    if_freenameindex(list);
    return onlyLo;
}

void streamOverTheGroup(SDKVER version) {
    sim::ServerOptions o;
    o.performers = 2;
    o.rateHz = 500;
    o.seed = 3;
    o.multicastGroup = kGroup;
    sim::TrackerServer server(o);
    server.start();
    trk::resetForTests();
    trk::useNetworkSource(server.address());
    Recorder::install(version);
    sdk()->setVersion(version);
    sdk()->setConnectionType(ConnectionType_Multicast);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    ASSERT_EQ(sdk()->startClient(), 0) << lastError();
    EXPECT_EQ(trk::networkStats().multicastGroup, std::string(kGroup) + ":" + std::to_string(server.port()));
    ASSERT_TRUE(waitUntil([] { return Recorder::get().frameCount() >= 200; }));

    trk::SyntheticOptions s;
    s.performers = o.performers;
    s.rateHz = o.rateHz;
    s.seed = o.seed;
    const trk::SyntheticPerformers truth(s);
    const std::vector<Captured> frames = Recorder::get().frames();
    EXPECT_TRUE(strictlyIncreasing(frames));
    for (const Captured& c : frames) ASSERT_TRUE(sameFrame(c, truth.sample(c.frameNumber), truth.scene(), version));
    EXPECT_TRUE(Recorder::get().hasMessage("multicast " + std::string(kGroup)));
    trk::resetForTests();
}

TEST(Multicast, BothVersionsStreamToTheGroupInAPrivateNamespace) {
    if (std::getenv(kInsideVariable)) {
        std::string interfaces;
        ASSERT_TRUE(onlyLoopbackInterface(interfaces)) << "not a private network namespace: " << interfaces;
        ASSERT_EQ(std::system("ip link set lo up && ip link set lo multicast on && ip route add 224.0.0.0/4 dev lo"),
                  0);
        streamOverTheGroup(SDKVER_V2);
        streamOverTheGroup(SDKVER_V1);
        return;
    }
    if (std::system("unshare -rn true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "multicast is tested only in a private network namespace, and `unshare -rn` is not "
                        "permitted here";
    ChildProcess child(
        {"/usr/bin/env", std::string(kInsideVariable) + "=1", "unshare", "-rn", selfPath(), currentTestFilter()});
    const std::string output = child.readAll();
    const int status = child.wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace
}  // namespace nettest
