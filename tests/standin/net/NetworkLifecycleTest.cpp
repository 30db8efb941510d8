// Connecting, failing to connect, and losing the server: in-process servers stopped with and without BYE, and the
// simulator program stopped with SIGTERM and killed with SIGKILL.

#include <orvane/tracker/net/Udp.h>
#include <orvane/tracker/net/WireCodec.h>

#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "NetTestSupport.h"

namespace nettest {
namespace {

namespace wire = orvane::tracker::net;

// A bound loopback socket that never answers: a port nobody else takes while it lives.
struct SilentPort {
    wire::UdpSocket socket;
    SilentPort() { EXPECT_EQ(socket.open(wire::Endpoint{0x7F000001u, 0}), ""); }
    std::string address() const { return socket.local().text(); }
};

sim::ServerOptions onePerformer(double rateHz = 200) {
    sim::ServerOptions o;
    o.rateHz = rateHz;
    return o;
}

class Connect : public NetTest {
protected:
    void prepare(const std::string& hostPort, ConnectionType type = ConnectionType_Unicast) {
        trk::useNetworkSource(hostPort);
        Recorder::install(SDKVER_V2);
        sdk()->setConnectionType(type);
        ASSERT_EQ(sdk()->createClient(), 0);
    }
};

TEST_F(Connect, SilentServerFailsWithWhatAndWhere) {
    SilentPort silent;
    prepare(silent.address());
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_EQ(lastError(), "initClient: no answer from tracking server " + silent.address() + " within 3 s");
    EXPECT_FALSE(sdk()->isConnected());
    EXPECT_NE(sdk()->startClient(), 0) << "no descriptions, no start";
}

TEST_F(Connect, ClosedPortFailsNamingTheServer) {
    std::string address;
    {
        SilentPort closed;
        address = closed.address();
    }
    prepare(address);
    EXPECT_NE(sdk()->initClient(), 0);
    const std::string error = lastError();
    EXPECT_EQ(error.rfind("initClient: ", 0), 0u) << error;
    EXPECT_NE(error.find("tracking server " + address), std::string::npos) << error;
}

TEST_F(Connect, MalformedAddressFails) {
    for (const char* bad : {"", "127.0.0.1", "127.0.0.1:0", "127.0.0.1:70000", "tracker.example:7001", "127.0.0.1:x"}) {
        prepare(bad);
        EXPECT_NE(sdk()->initClient(), 0) << bad;
        EXPECT_NE(lastError().find("tracking server address"), std::string::npos) << lastError();
    }
}

TEST_F(Connect, MulticastWithoutAGroupIsRefusedWithTheServersReason) {
    sim::TrackerServer server(onePerformer());
    server.start();
    prepare(server.address(), ConnectionType_Multicast);
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_NE(lastError().find("refused the connection: multicast is not enabled"), std::string::npos) << lastError();
}

// After stop the handler is quiet; start again goes on with later frames; release says BYE to the server.
TEST_F(Connect, StopStartAndReleaseAgainstARunningServer) {
    sim::TrackerServer server(onePerformer(500));
    server.start();
    connect(server.address(), SDKVER_V2);
    ASSERT_TRUE(waitUntil([] { return framesAtLeast(20); }));
    ASSERT_EQ(sdk()->stopClient(), 0);
    const long long calls = Recorder::get().calls();
    const long long last = Recorder::get().frames().back().frameNumber;
    EXPECT_EQ(Recorder::get().calls(), calls);
    ASSERT_EQ(sdk()->startClient(), 0) << lastError();
    ASSERT_TRUE(waitUntil([&] { return Recorder::get().calls() > calls + 20; }));
    EXPECT_GT(Recorder::get().frames().back().frameNumber, last);
    EXPECT_TRUE(strictlyIncreasing(Recorder::get().frames()));
    EXPECT_EQ(server.stats().clients, 1);
    ASSERT_EQ(sdk()->releaseClient(), 0);
    EXPECT_TRUE(waitUntil([&] { return server.stats().clients == 0; }));
}

// The default source follows ORVANE_TRACKER_SERVER, read when the library loads: these tests run this binary
// again with the variable set, where the child tests below are registered.
constexpr const char* kChildVariable = "ORVANE_NET_TEST_CHILD";

// Runs the named child test in a child process with the variable set to value; true when it passed.
::testing::AssertionResult childPasses(const std::string& test, const std::string& value) {
    ChildProcess child({selfPath(), "--gtest_filter=DefaultSourceChild." + test},
                       {"ORVANE_TRACKER_SERVER=" + value, std::string(kChildVariable) + "=1"});
    const std::string output = child.readAll();
    const int status = child.wait();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && output.find("[  PASSED  ] 1 test") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "ORVANE_TRACKER_SERVER=\"" << value << "\":\n" << output;
}

TEST_F(Connect, EnvironmentVariableSelectsTheServer) {
    Recorder::install(SDKVER_V2);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0);
    ASSERT_EQ(sdk()->startClient(), 0);
    ASSERT_TRUE(waitUntil([] { return Recorder::get().hasMessage("connected to "); }));
    EXPECT_FALSE(Recorder::get().hasMessage("tracking server")) << "unset: the in-process source";
    trk::resetForTests();

    sim::TrackerServer server(onePerformer());
    server.start();
    EXPECT_TRUE(childPasses("ConnectsToTheServerFromTheEnvironment", server.address()));
}

// Set but empty or malformed: initClient fails naming the variable and its value, never streams the in-process
// performers instead.
TEST_F(Connect, EmptyOrMalformedEnvironmentVariableFailsInitClient) {
    for (const char* value : {"", "tracker.example:7001", "127.0.0.1"})
        EXPECT_TRUE(childPasses("FailsNamingTheVariable", value));
}

// Registered only in the child processes that the tests above start, so a normal run neither lists nor skips them.
template <void (*Body)()>
class ChildTest : public ::testing::Test {
    void TestBody() override { Body(); }
};

void connectsToTheServerFromTheEnvironment() {
    const std::string server = std::getenv("ORVANE_TRACKER_SERVER");
    ASSERT_TRUE(onLoopback(server));
    trk::resetForTests();
    Recorder::install(SDKVER_V2);
    sdk()->setConnectionType(ConnectionType_Unicast);
    ASSERT_EQ(sdk()->createClient(), 0);
    ASSERT_EQ(sdk()->initClient(), 0) << lastError();
    ASSERT_EQ(sdk()->startClient(), 0) << lastError();
    ASSERT_TRUE(waitUntil([] { return Recorder::get().frameCount() >= 5; }));
    EXPECT_TRUE(Recorder::get().hasMessage("connected to tracking server " + server));
    EXPECT_EQ(trk::networkStats().server, server);
    trk::resetForTests();
}

void failsNamingTheVariable() {
    const std::string value = std::getenv("ORVANE_TRACKER_SERVER");
    trk::resetForTests();
    Recorder::install(SDKVER_V2);
    sdk()->setConnectionType(ConnectionType_Unicast);
    ASSERT_EQ(sdk()->createClient(), 0);
    EXPECT_NE(sdk()->initClient(), 0);
    EXPECT_EQ(
        lastError().rfind("initClient: ORVANE_TRACKER_SERVER=\"" + value + "\" is not a tracking server address", 0),
        0u)
        << lastError();
    EXPECT_NE(sdk()->startClient(), 0);
    EXPECT_EQ(Recorder::get().calls(), 0);
    EXPECT_EQ(trk::networkStats().server, "") << "no receiver was opened";
    trk::resetForTests();
}

template <void (*Body)()>
void registerChild(const char* name, int line) {
    ::testing::RegisterTest("DefaultSourceChild", name, nullptr, nullptr, __FILE__, line,
                            []() -> ::testing::Test* { return new ChildTest<Body>; });
}

const bool childTestsRegistered = [] {
    if (!std::getenv(kChildVariable)) return false;
    registerChild<&connectsToTheServerFromTheEnvironment>("ConnectsToTheServerFromTheEnvironment", __LINE__);
    registerChild<&failsNamingTheVariable>("FailsNamingTheVariable", __LINE__);
    return true;
}();

// ---------------------------------------------------------------- the server goes away

class ServerGone : public NetTest {};

TEST_F(ServerGone, InProcessServerStoppedWithByeTurnsIsConnectedFalse) {
    sim::TrackerServer server(onePerformer());
    server.start();
    connect(server.address(), SDKVER_V2);
    ASSERT_TRUE(waitUntil([] { return framesAtLeast(5); }));
    server.stop(true);
    ASSERT_TRUE(waitUntil([] { return !sdk()->isConnected(); }));
    EXPECT_TRUE(waitUntil([&] {
        return Recorder::get().hasMessage("connection lost: tracking server " + server.address() +
                                          " closed the connection");
    }));
    EXPECT_EQ(sdk()->stopClient(), 0);
    EXPECT_EQ(sdk()->releaseClient(), 0);
}

TEST_F(ServerGone, InProcessServerFallingSilentTurnsIsConnectedFalse) {
    // The server's socket stays bound (a hung server): only the silence limit can tell.
    wire::UdpSocket hold;
    sim::TrackerServer server(onePerformer());
    server.start();
    const std::string address = server.address();
    connect(address, SDKVER_V1);
    ASSERT_TRUE(waitUntil([] { return framesAtLeast(5); }));
    server.stop(false);
    wire::Endpoint same;
    std::string ignored;
    ASSERT_TRUE(wire::parseEndpoint(address, same, ignored));
    ASSERT_EQ(hold.open(same), "") << "rebinding the server's port";
    ASSERT_TRUE(waitUntil([] { return !sdk()->isConnected(); }));
    EXPECT_TRUE(
        waitUntil([&] { return Recorder::get().hasMessage("no data and no answer from tracking server " + address); }));
}

// The simulator as a program: reads the port from its first line.
struct SimProcess {
    ChildProcess child;
    std::string address;
    explicit SimProcess(const std::vector<std::string>& extra = {})
        : child([&] {
              std::vector<std::string> argv{ORVANE_TRACKER_SIM, "--port", "0", "--bind", "127.0.0.1", "--rate", "300"};
              argv.insert(argv.end(), extra.begin(), extra.end());
              return argv;
          }()) {
        const std::string first = child.readLine();
        const std::string prefix = "listening on ";
        if (first.rfind(prefix, 0) == 0) address = first.substr(prefix.size());
    }
};

TEST_F(ServerGone, SimulatorKilledWithSigkillTurnsIsConnectedFalse) {
    SimProcess sim;
    ASSERT_TRUE(onLoopback(sim.address)) << "first line: " << sim.address;
    connect(sim.address, SDKVER_V2);
    ASSERT_TRUE(waitUntil([] { return framesAtLeast(10); }));
    ASSERT_EQ(::kill(sim.child.pid(), SIGKILL), 0);
    const int status = sim.child.wait();
    EXPECT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(waitUntil([] { return !sdk()->isConnected(); }));
    EXPECT_TRUE(waitUntil([] { return Recorder::get().hasMessage("connection lost: "); }));
    const long long calls = Recorder::get().calls();
    EXPECT_EQ(sdk()->stopClient(), 0);
    EXPECT_EQ(Recorder::get().calls(), calls) << "nothing delivered after the loss";
}

TEST_F(ServerGone, SimulatorStoppedWithSigtermSaysByeAndExitsCleanly) {
    SimProcess sim({"--performers", "2"});
    ASSERT_TRUE(onLoopback(sim.address)) << "first line: " << sim.address;
    connect(sim.address, SDKVER_V1);
    ASSERT_TRUE(waitUntil([] { return framesAtLeast(10); }));
    ASSERT_EQ(::kill(sim.child.pid(), SIGTERM), 0);
    ASSERT_TRUE(waitUntil([] { return !sdk()->isConnected(); }));
    EXPECT_TRUE(waitUntil([] { return Recorder::get().hasMessage("closed the connection: server shutting down"); }));
    const std::string output = sim.child.readAll();
    const int status = sim.child.wait();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    EXPECT_NE(output.find("stopped (SIGTERM)"), std::string::npos) << output;
}

// ---------------------------------------------------------------- the server's side

// A client that says HELLO and then nothing is dropped; the WELCOME it got describes the stream it asked for.
TEST(Server, DropsAClientThatFallsSilent) {
    sim::ServerOptions o = onePerformer();
    o.clientTimeoutSec = 0.5;
    sim::TrackerServer server(o);
    server.start();
    wire::UdpSocket client;
    ASSERT_EQ(client.open(wire::Endpoint{0x7F000001u, 0}), "");
    wire::Endpoint to;
    std::string error;
    ASSERT_TRUE(wire::parseEndpoint(server.address(), to, error)) << error;
    wire::Hello hello;
    hello.sdkVersion = 1;
    const wire::Bytes bytes = wire::encodeHello(hello, wire::Envelope{1, wire::wallClockUs()});
    ASSERT_EQ(client.sendTo(bytes.data(), bytes.size(), to), 0);
    std::vector<std::uint8_t> buffer(wire::kMaxDatagramBytes);
    wire::Welcome welcome;
    ASSERT_TRUE(waitUntil([&] {
        wire::Endpoint from;
        const long n = client.receive(buffer.data(), buffer.size(), from);
        wire::Datagram d;
        return n > 0 && wire::parseDatagram(buffer.data(), static_cast<std::size_t>(n), d) &&
               d.type == wire::MessageType::Welcome && wire::decodeWelcome(d, welcome).ok();
    }));
    EXPECT_TRUE(welcome.accepted);
    EXPECT_EQ(welcome.sdkVersion, 1);
    EXPECT_EQ(server.stats().clients, 1);
    EXPECT_TRUE(waitUntil([&] { return server.stats().clients == 0; }));
}

TEST(Server, RejectsOptionsThatCouldLeaveLoopbackOrMakeNoSense) {
    auto rejects = [](const std::function<void(sim::ServerOptions&)>& change) {
        sim::ServerOptions o;
        change(o);
        try {
            sim::TrackerServer server(o);
        } catch (const sim::ServerError&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(rejects([](sim::ServerOptions& o) { o.multicastGroup = "10.1.2.3"; }));      // not a group
    EXPECT_TRUE(rejects([](sim::ServerOptions& o) { o.bindAddress = "tracker.example"; }));  // no name lookups
    EXPECT_TRUE(rejects([](sim::ServerOptions& o) { o.corrupt = 1.5; }));
    EXPECT_TRUE(rejects([](sim::ServerOptions& o) { o.performers = -1; }));
    EXPECT_FALSE(rejects([](sim::ServerOptions& o) { o.multicastGroup = "239.255.42.99"; }));
    sim::ServerOptions missing;
    missing.replayFile = "/nonexistent.bvh";
    EXPECT_THROW(sim::TrackerServer{missing}, std::runtime_error);
}

// A capture the protocol cannot carry (here more than 512 markers) is refused when the server is made, not with
// an abort of the server thread when the first client connects.
TEST(Server, RefusesAReplayTheProtocolCannotCarry) {
    std::string names, row;
    for (int m = 0; m < 513; ++m) {
        names += "\tM" + std::to_string(m) + "\t\t";
        row += "\t1\t2\t3";
    }
    const std::string path = ::testing::TempDir() + "wide_" + std::to_string(::getpid()) + ".trc";
    std::ofstream(path) << "PathFileType\t4\t(X/Y/Z)\twide.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\n"
                        << "100\t100\t1\t513\tmm\nFrame#\tTime" << names << "\n\n1\t0" << row << "\n";
    sim::ServerOptions o;
    o.replayFile = path;
    // Refused when the server is made (by the reader, or by the server's own check of what the wire carries),
    // naming the file, never when the first client connects.
    try {
        sim::TrackerServer server(o);
        ADD_FAILURE() << "a replay of 513 markers was accepted";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("wide_"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("512 markers"), std::string::npos) << e.what();
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace nettest
