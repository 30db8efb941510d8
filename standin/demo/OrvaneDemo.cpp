// orvane-demo: the stand-in host with the plug-in, as a user would drive it. Loads the module, runs
// OrvanePluginWindow, ticks "connect" and prints once a second how many frames reached the scene and
// where one locator and one joint stand. Frames come from the tracking server named by
// ORVANE_TRACKER_SERVER (host:port), or from the SDK's in-process performers when it is unset. Headless, a
// failed connection's message box is printed to standard error and closed.
//
//   orvane-demo [--plugin PATH] [--version 1|2] [--smooth] [--performers N] [--seconds N] [--screenshot F]

#include <QtCore/QCommandLineParser>
#include <QtCore/QElapsedTimer>
#include <QtCore/QTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtGui/QPixmap>
#include <QtWidgets/QMainWindow>
#include <QtWidgets/QMessageBox>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <maya/MDagPath.h>
#include <maya/MFnDagNode.h>
#include <maya/MFnTransform.h>
#include <mayastandin/Host.h>

#include "FrameProbe.h"
#include "orvane/tracker/Control.h"

namespace {

namespace host = mayastandin;
namespace tracker = orvane::tracker;

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

bool worldPosition(const std::string& name, MVector& out) {
    MObject node = host::findNode(name);
    if (node.isNull()) return false;
    MDagPath path;
    MFnDagNode(node).getPath(path);
    if (!path.isValid()) return false;
    out = MFnTransform(path).getTranslation(MSpace::kWorld);
    return true;
}

std::string describe(const std::string& name) {
    if (name.empty()) return "-";
    MVector p;
    if (!worldPosition(host::legalNodeName(name), p)) return name + " (not in the scene)";
    char text[256];
    std::snprintf(text, sizeof text, "%s at (%.2f, %.2f, %.2f) cm", name.c_str(), p.x, p.y, p.z);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription("The stand-in host with the mocap plug-in, connected and streaming.");
    options.addHelpOption();
    options.addOption({"plugin", "Plug-in module to load.", "path", ORVANE_DEFAULT_PLUGIN});
    options.addOption({"version", "SDK protocol version: 1 (V1.6) or 2 (V2.0).", "n", "2"});
    options.addOption({"smooth", "Smooth marker points (version 1)."});
    options.addOption({"performers", "In-process performers when no server is set.", "n", "2"});
    options.addOption({"seconds", "Stop after this many seconds (0: run until interrupted).", "n", "0"});
    options.addOption({"screenshot", "After two seconds, save a picture of the panel (PNG).", "file"});
    options.process(app);

    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    QMainWindow mainWindow;
    mainWindow.setWindowTitle("Maya stand-in");
    mainWindow.resize(900, 600);
    mainWindow.show();
    host::setMainWindow(&mainWindow);
    host::setLogStream(1);
    host::setLogEcho(true);

    const char* server = std::getenv("ORVANE_TRACKER_SERVER");
    if (server == nullptr) {  // set but empty or malformed: the SDK's initClient says what is wrong
        tracker::SyntheticOptions synthetic;
        synthetic.performers = options.value("performers").toInt();
        tracker::useSyntheticSource(synthetic);
        std::printf("frames from the SDK's in-process performers (%d)\n", synthetic.performers);
    } else {
        std::printf("frames from the tracking server at %s\n", server);
        std::fflush(stdout);
    }

    if (!host::loadPlugin(options.value("plugin").toStdString())) return 1;
    if (!host::execute("OrvanePluginWindow")) return 1;
    QWidget* layout = host::controlInfo("customWorkspaceControl").layout;
    QWidget* panel = layout ? layout->findChild<QWidget*>("QPluginPanelClass") : nullptr;
    if (panel == nullptr) {
        std::fprintf(stderr, "orvane-demo: the panel did not open\n");
        return 1;
    }
    panel->findChild<QComboBox*>("comboBoxSDKVersion")->setCurrentIndex(options.value("version") == "1" ? 0 : 1);
    if (options.isSet("smooth")) panel->findChild<QCheckBox*>("checkBoxSmooth")->click();
    if (options.isSet("screenshot")) panel->findChild<QCheckBox*>("checkBoxRefreshUI")->click();
    // A failed connection step shows a modal message box, which nobody could close headless: print and close it.
    QTimer modalWatch;
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        QObject::connect(&modalWatch, &QTimer::timeout, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            std::fprintf(stderr, "orvane-demo: %s: %s\n", box->windowTitle().toUtf8().constData(),
                         box->text().toUtf8().constData());
            box->done(QMessageBox::Ok);
        });
        modalWatch.start(50);
    }
    QCheckBox* connectBox = panel->findChild<QCheckBox*>("checkboxConnect");
    connectBox->click();
    if (connectBox->text() != "Online") {
        std::fprintf(stderr, "orvane-demo: not connected\n");
        host::unloadPlugin("workspaceControlCmd");
        return 1;
    }

    const tracker::SceneDef scene = tracker::currentScene();
    std::string locator, joint;
    for (const tracker::SubjectDef& subject : scene.subjects) {
        if (locator.empty() && !subject.markerNames.empty()) locator = subject.markerNames.front();
        if (joint.empty() && subject.bones.size() > 3) joint = subject.bones[3].name;
    }

    QElapsedTimer clock;
    clock.start();
    const int seconds = options.value("seconds").toInt();
    orvane::probe::FrameProbe probe;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        const orvane::probe::IntervalStats s = probe.takeInterval();
        std::printf(
            "[%3llds] %s, frames delivered %lld/s, applied %lld/s, skipped %lld, latency median %.1f ms "
            "p99 %.1f ms | %s | %s\n",
            static_cast<long long>((clock.elapsed() + 500) / 1000), connectBox->text().toUtf8().constData(),
            s.delivered, s.applied, s.skipped, s.latencyMedianMs, s.latencyP99Ms, describe(locator).c_str(),
            describe(joint).c_str());
        std::fflush(stdout);
        if (seconds > 0 && clock.elapsed() >= seconds * 1000LL) app.quit();
    });
    report.setTimerType(Qt::PreciseTimer);
    report.start(1000);
    if (options.isSet("screenshot")) {
        panel->window()->resize(460, 560);  // room for the table's rows
        QTimer::singleShot(2000, [&] {
            const QString file = options.value("screenshot");
            const bool saved = panel->window()->grab().save(file, "PNG");
            std::printf("%s %s\n", saved ? "saved" : "could not save", file.toUtf8().constData());
        });
    }
    QTimer interruptWatch;
    QObject::connect(&interruptWatch, &QTimer::timeout, [&] {
        if (stopRequested) app.quit();
    });
    interruptWatch.start(100);

    app.exec();

    connectBox->click();  // untick: disconnect
    std::printf("disconnected: %s; scene holds %zu nodes\n", connectBox->text().toUtf8().constData(),
                host::dagNodeCount());
    host::shutdown();
    return 0;
}
