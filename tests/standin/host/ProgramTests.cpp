// maya-standin as a user or a script runs it, end to end: a scripted run against the simulator streams
// performers into the scene and leaves a snapshot and a scene dump; a failed connection is logged and never
// waits on a box; without a display the program falls back to the offscreen platform on its own and quietly.
// Waits are bounded; nothing here asserts a time.
#include <QtCore/QJsonArray>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>
#include <QtCore/QProcess>
#include <QtCore/QRegularExpression>
#include <QtCore/QTemporaryDir>
#include <QtGui/QImage>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "SceneDrawing.h"

namespace {

struct HostRun {
    bool finished = false;
    int exitCode = -1;
    QString out, err;
};

HostRun runHost(const QStringList& args, const QProcessEnvironment& env) {
    QProcess host;
    host.setProcessEnvironment(env);
    host.start(MAYA_STANDIN, args);
    HostRun run;
    run.finished = host.waitForFinished(60000);
    if (!run.finished) {
        host.kill();
        host.waitForFinished();
    }
    run.exitCode = host.exitCode();
    run.out = QString::fromUtf8(host.readAllStandardOutput());
    run.err = QString::fromUtf8(host.readAllStandardError());
    return run;
}

QProcessEnvironment offscreen() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

QString connectScript() {
    return QString(
               "loadPlugin \"%1\"; OrvanePluginWindow; driveWidget -check on customWorkspaceControl checkboxConnect")
        .arg(ORVANE_PLUGIN_PATH);
}

// The simulator on a free loopback port, stopped (SIGTERM, it says BYE) when this goes.
class Simulator {
public:
    bool start() {
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(TRACKER_SIM, {"--port", "0", "--performers", "2", "--rate", "120"});
        QString seen;
        while (process_.waitForReadyRead(20000)) {
            seen += QString::fromUtf8(process_.readAll());
            const QRegularExpressionMatch m = QRegularExpression("listening on ([0-9.]+:[0-9]+)").match(seen);
            if (m.hasMatch()) {
                address_ = m.captured(1);
                return true;
            }
        }
        return false;
    }
    ~Simulator() {
        process_.terminate();
        if (!process_.waitForFinished(20000)) process_.kill();
        process_.waitForFinished();
    }
    QString address() const { return address_; }

private:
    QProcess process_;
    QString address_;
};

// A loopback UDP port that was free a moment ago and that nothing listens on now.
quint16 closedLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0) ::close(fd);
    return port;
}

int countColour(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) <
                30)
                ++count;
        }
    return count;
}

TEST(Program, ScriptedRunAgainstTheSimulatorMovesPerformersAndLeavesSnapshotAndScene) {
    if (QString(TRACKER_SIM).isEmpty()) GTEST_SKIP() << "tracker-sim is not part of this build";
    Simulator simulator;
    ASSERT_TRUE(simulator.start());
    QTemporaryDir dir;
    const QString snapshot = dir.filePath("run.png"), scene = dir.filePath("scene.json");
    QProcessEnvironment env = offscreen();
    env.insert("ORVANE_TRACKER_SERVER", simulator.address());
    const HostRun run = runHost(
        {"--seconds", "3", "--frame-all", "--snapshot", snapshot, "--dump-scene", scene, "-c", connectScript()}, env);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("// Result: Online //")) << run.out.toStdString();

    // Headless, the summary comes once a second: frames applied, and the probe marker on the move.
    const QRegularExpression line(
        R"(\[\s*\d+s\] applied (\d+) frames, (\d+)/s, skipped \d+, latency median [0-9.]+ ms p99 [0-9.]+ ms \| )"
        R"(delivered \d+/s \| (\d+) nodes \| (\S+) at \(([-0-9.]+), ([-0-9.]+), ([-0-9.]+)\) cm)");
    std::vector<QRegularExpressionMatch> seconds;
    for (auto it = line.globalMatch(run.out); it.hasNext();) seconds.push_back(it.next());
    ASSERT_GE(seconds.size(), 2u) << run.out.toStdString();
    EXPECT_GT(seconds.back().captured(1).toLongLong(), 0);
    EXPECT_GT(seconds.back().captured(2).toInt(), 0);
    bool moved = false;
    for (std::size_t i = 1; i < seconds.size(); ++i)
        for (int k = 5; k <= 7; ++k) moved = moved || seconds[i].captured(k) != seconds[i - 1].captured(k);
    EXPECT_TRUE(moved) << run.out.toStdString();
    // The UI thread's fields come last: the share in frame slots, the viewport's refreshes, a click's wait.
    const QRegularExpression uiFields(R"( \| ui frames \d+% \| redraws \d+/s \| input p99 [0-9.]+ ms\n)");
    EXPECT_GE(run.out.count(uiFields), static_cast<int>(seconds.size())) << run.out.toStdString();

    // The snapshot shows the performers: locators and joints drawn, as the program says where it wrote it.
    EXPECT_TRUE(run.out.contains("snapshot: " + snapshot));
    const QImage image(snapshot);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(1280, 720));
    EXPECT_GT(countColour(image, viewportColors::kLocator), 100);
    EXPECT_GT(countColour(image, viewportColors::kJoint), 20);

    // The scene dump holds every node with its world matrix; the probe marker is where the stream left it.
    QFile file(scene);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray nodes = QJsonDocument::fromJson(file.readAll()).object().value("nodes").toArray();
    EXPECT_EQ(nodes.size(), seconds.back().captured(3).toInt());
    int joints = 0, locators = 0;
    bool probeMoved = false;
    for (const QJsonValue& v : nodes) {
        const QJsonObject node = v.toObject();
        ASSERT_EQ(node.value("worldMatrix").toArray().size(), 16);
        joints += node.value("type").toString() == "joint";
        locators += node.value("type").toString() == "locator";
        if (node.value("path").toString().endsWith("|" + seconds.back().captured(4))) {
            const QJsonArray m = node.value("worldMatrix").toArray();
            probeMoved = m[12].toDouble() != 0.0 || m[13].toDouble() != 0.0 || m[14].toDouble() != 0.0;
        }
    }
    EXPECT_GT(joints, 10);
    EXPECT_GT(locators, 10);
    EXPECT_TRUE(probeMoved);
}

TEST(Program, TheSceneDumpHoldsTheDefaultCamerasHiddenAndTheTime) {
    QTemporaryDir dir;
    const QString scene = dir.filePath("scene.json");
    const HostRun run = runHost(
        {"--exit", "--dump-scene", scene, "-c", "createNode joint -n j; playbackOptions -max 50; currentTime 12.5"},
        offscreen());
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QFile file(scene);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject dump = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(QJsonDocument(dump.value("time").toObject()).toJson(QJsonDocument::Compact).toStdString(),
              R"({"animationEnd":200,"animationStart":1,"current":12.5,"max":50,"min":1,"unit":"film"})");
    QStringList seen;
    for (const QJsonValue& v : dump.value("nodes").toArray()) {
        const QJsonObject node = v.toObject();
        seen << node.value("path").toString() + " " + node.value("type").toString() +
                    (node.value("visibleInWorld").toBool() ? "" : " hidden");
    }
    EXPECT_EQ(seen.join(", ").toStdString(),
              "|persp transform hidden, |persp|perspShape camera hidden, |top transform hidden, "
              "|top|topShape camera hidden, |front transform hidden, |front|frontShape camera hidden, "
              "|side transform hidden, |side|sideShape camera hidden, |j joint");
}

TEST(Program, AFailedConnectionIsLoggedAndTheRunStillEnds) {
    // A loopback port nobody listens on: the connection is refused and the panel shows its error box.
    const quint16 port = closedLoopbackPort();
    ASSERT_NE(port, 0);
    QProcessEnvironment env = offscreen();
    env.insert("ORVANE_TRACKER_SERVER", QString("127.0.0.1:%1").arg(port));
    const HostRun run = runHost({"--seconds", "1", "-c", connectScript()}, env);
    ASSERT_TRUE(run.finished) << "the host waited on the message box";
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.contains("// Error: Init Client: ")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("// Result: Offline //")) << run.out.toStdString();
}

TEST(Program, WithoutADisplayItRunsOffscreenOnItsOwnAndQuietly) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    env.remove("XDG_RUNTIME_DIR");  // as for root in a container
    // Restoring a floating control asks the window system for things the offscreen platform lacks.
    const HostRun run = runHost({"--exit", "-c", "workspaceControl -label Panel -floating true ctl", "-c",
                                 "workspaceControl -e -restore ctl", "-c", "createNode transform -n quiet"},
                                env);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("// Result: quiet //")) << run.out.toStdString();
    EXPECT_FALSE(run.err.contains("This plugin does not support")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("XDG_RUNTIME_DIR")) << run.err.toStdString();
}

}  // namespace
