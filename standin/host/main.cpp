// maya-standin: the stand-in host application. A main window with a 3D viewport, an outliner, the script
// editor's log and command line, a status bar and the workspace controls plug-ins make; MEL from the command
// line or a script file runs first, as Maya's -command does. Without a display it runs headless on Qt's
// offscreen platform, prints a summary line a second and never waits on a message box.

#include <QtCore/QFile>
#include <QtCore/QTimer>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>
#include <QtGui/QPixmap>
#include <QtGui/QScreen>
#include <QtGui/QWindow>
#include <QtWidgets/QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <maya/MGlobal.h>
#include <maya/MString.h>
#include <mayastandin/Host.h>

#include "HostApplication.h"
#include "HostWindow.h"
#include "LiveStatus.h"
#include "SceneJson.h"
#include "Viewport.h"

namespace {

const char* const kUsage =
    "usage: maya-standin [options]\n"
    "  -c MEL               run MEL (repeatable; runs in order with --script)\n"
    "  --script FILE        run a file of MEL\n"
    "  --seconds N          quit after N seconds (default: when the window closes or on Ctrl-C)\n"
    "  --exit               quit as soon as the commands have run\n"
    "  --exit-command MEL   run MEL when the run ends, before the snapshot and the scene dump (repeatable)\n"
    "  --headless           no window on screen (automatic without a display)\n"
    "  --batch              log and dismiss message boxes instead of waiting (automatic when headless)\n"
    "  --summary            print a summary line every second (automatic when headless)\n"
    "  --watch NODE         the summary also gives NODE's world position (repeatable)\n"
    "  --frame-all          frame everything drawn before the snapshot and the screenshot\n"
    "  --snapshot FILE      at the end, render the viewport offscreen to FILE (PNG)\n"
    "  --snapshot-size WxH  the snapshot's size (default 1280x720)\n"
    "  --screenshot FILE    at the end, capture the main window as it is on screen (PNG)\n"
    "  --dump-scene FILE    at the end, write the current time and every DAG node as JSON to FILE (\"-\": stdout)\n"
    "  --write-cost-us N    each transform write and attribute set costs the UI thread N microseconds (default 0)\n"
    "  --redraw-cost-ms N   each viewport refresh costs the UI thread at least N milliseconds (default 0)\n";

struct Options {
    std::vector<std::string> scripts;
    std::vector<std::string> exitScripts;
    double seconds = 0.0;
    bool exitNow = false;
    bool headless = false;
    bool batch = false;
    bool summary = false;
    bool frameAll = false;
    std::vector<std::string> watched;
    std::string snapshot, screenshot, dumpScene;
    QSize snapshotSize{1280, 720};
    double writeCostUs = 0.0;
    double redrawCostMs = 0.0;
};

// A number in [0, limit] from an option's value; false when it is not one.
bool parseCost(const std::string& v, double limit, double& out) {
    char* end = nullptr;
    out = std::strtod(v.c_str(), &end);
    return !v.empty() && *end == '\0' && out >= 0.0 && out <= limit;
}

// 0 to run, otherwise the exit code (after --help or a bad argument).
int parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        auto value = [&]() { return std::string(argv[++i]); };
        if (a == "--help" || a == "-h") {
            std::printf("%s", kUsage);
            return -1;
        } else if (a == "-c" && hasValue) {
            o.scripts.push_back(value());
        } else if (a == "--script" && hasValue) {
            const std::string file = value();
            std::ifstream in(file);
            if (!in) {
                std::fprintf(stderr, "maya-standin: cannot read %s\n", file.c_str());
                return 2;
            }
            std::stringstream text;
            text << in.rdbuf();
            o.scripts.push_back(text.str());
        } else if ((a == "--seconds" || a == "--exit-after") && hasValue) {
            const std::string v = value();
            char* end = nullptr;
            o.seconds = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || !(o.seconds >= 0.0) || o.seconds > 1e7) {
                std::fprintf(stderr, "maya-standin: --seconds expects a number of seconds, got %s\n", v.c_str());
                return 2;
            }
        } else if (a == "--exit-command" && hasValue) {
            o.exitScripts.push_back(value());
        } else if (a == "--exit") {
            o.exitNow = true;
        } else if (a == "--headless") {
            o.headless = true;
        } else if (a == "--batch") {
            o.batch = true;
        } else if (a == "--summary") {
            o.summary = true;
        } else if (a == "--frame-all") {
            o.frameAll = true;
        } else if (a == "--watch" && hasValue) {
            o.watched.push_back(value());
        } else if (a == "--snapshot" && hasValue) {
            o.snapshot = value();
        } else if (a == "--snapshot-size" && hasValue) {
            const std::string v = value();
            int w = 0, h = 0;
            char tail = 0;
            if (std::sscanf(v.c_str(), "%dx%d%c", &w, &h, &tail) != 2 || w < 16 || h < 16 || w > 8192 || h > 8192) {
                std::fprintf(stderr, "maya-standin: --snapshot-size expects WIDTHxHEIGHT, got %s\n", v.c_str());
                return 2;
            }
            o.snapshotSize = QSize(w, h);
        } else if (a == "--write-cost-us" && hasValue) {
            const std::string v = value();
            if (!parseCost(v, 1e6, o.writeCostUs)) {
                std::fprintf(stderr, "maya-standin: --write-cost-us expects microseconds, got %s\n", v.c_str());
                return 2;
            }
        } else if (a == "--redraw-cost-ms" && hasValue) {
            const std::string v = value();
            if (!parseCost(v, 1e4, o.redrawCostMs)) {
                std::fprintf(stderr, "maya-standin: --redraw-cost-ms expects milliseconds, got %s\n", v.c_str());
                return 2;
            }
        } else if (a == "--screenshot" && hasValue) {
            o.screenshot = value();
        } else if (a == "--dump-scene" && hasValue) {
            o.dumpScene = value();
        } else {
            std::fprintf(stderr, "maya-standin: unknown argument %s (see --help)\n", a.c_str());
            return 2;
        }
    }
    return 0;
}

bool envSet(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0';
}

// Qt's offscreen platform warns about window features it lacks ("This plugin does not support
// propagateSizeHints()"), and Qt about a session without XDG_RUNTIME_DIR (root in a container, a CI job),
// for which it picks a private folder itself; those lines say nothing about the host, so they are dropped,
// and only they.
QtMessageHandler previousHandler = nullptr;
void filterOffscreenWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && (message.startsWith(QLatin1String("This plugin does not support")) ||
                                 message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))))
        return;
    if (previousHandler) previousHandler(type, context, message);
}

volatile std::sig_atomic_t stopRequested = 0;
void onSignal(int) { stopRequested = 1; }

bool writeFile(const std::string& path, const QByteArray& data) {
    if (path == "-") {
        std::fwrite(data.constData(), 1, static_cast<std::size_t>(data.size()), stdout);
        std::fflush(stdout);
        return true;
    }
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

void report(bool ok, const char* what, const std::string& path) {
    if (ok)
        std::printf("%s: %s\n", what, path.c_str());
    else
        std::fprintf(stderr, "maya-standin: could not write the %s to %s\n", what, path.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = parse(argc, argv, options);
    if (parsed != 0) return parsed < 0 ? 0 : parsed;

    // Without a display (and no platform chosen) the host runs on the offscreen platform rather than abort.
    const bool noDisplay = !envSet("DISPLAY") && !envSet("WAYLAND_DISPLAY") && !envSet("QT_QPA_PLATFORM");
    if (options.headless || noDisplay) qputenv("QT_QPA_PLATFORM", "offscreen");
    previousHandler = qInstallMessageHandler(filterOffscreenWarnings);

    HostApplication app(argc, argv);
    const QString platform = QGuiApplication::platformName();
    const bool headless = platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
    mayastandin::setLogStream(1);
    mayastandin::setLogEcho(true);
    mayastandin::setDismissMessageBoxes(options.batch || headless);
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);

    mayastandin::setWriteCostMicroseconds(options.writeCostUs);
    auto window = std::make_unique<HostWindow>();
    window->viewport()->setRedrawCostMs(options.redrawCostMs);
    if (headless) {
        // Nobody sees the windows: nothing of them is painted (a snapshot or screenshot renders on its own),
        // while the widgets are shown as usual and the viewport's modelled refresh still happens.
        app.setPainting(false);
        window->viewport()->setDrawing(false);
    }
    window->show();
    auto live = std::make_unique<LiveStatus>();
    Viewport* view = window->viewport();
    live->countRedraws([view] { return view->redraws(); });
    for (const std::string& name : options.watched) live->watch(name);
    HostWindow* shown = window.get();
    live->onSecond([shown](const LiveSecond& second) { shown->showSecond(second); });
    if (options.summary || headless)
        live->onSecond([](const LiveSecond& second) {
            std::printf("%s\n", LiveStatus::summaryLine(second).c_str());
            std::fflush(stdout);
        });

    int rc = 0;
    auto run = [&rc](const std::vector<std::string>& scripts) {
        for (const std::string& script : scripts) {
            std::string result;
            if (!mayastandin::execute(script, &result))
                rc = 1;
            else if (!result.empty())
                MGlobal::displayInfo(MString(("// Result: " + result + " //").c_str()));
        }
    };
    run(options.scripts);

    if (!options.exitNow && !stopRequested) {
        QTimer interruptWatch;
        QObject::connect(&interruptWatch, &QTimer::timeout, [] {
            if (stopRequested) QCoreApplication::quit();
        });
        interruptWatch.start(100);
        if (options.seconds > 0.0)
            QTimer::singleShot(static_cast<int>(options.seconds * 1000.0), &app, &QCoreApplication::quit);
        app.exec();
    }

    run(options.exitScripts);
    // What the run leaves behind, from the scene as it stands at the end.
    Viewport* viewport = window->viewport();
    if (!options.snapshot.empty()) {
        if (options.frameAll) viewport->frameAll(options.snapshotSize);
        const QImage image = viewport->snapshot(options.snapshotSize);
        const bool ok = image.save(QString::fromStdString(options.snapshot), "PNG");
        report(ok, "snapshot", options.snapshot);
        if (!ok) rc = rc ? rc : 3;
    }
    if (!options.screenshot.empty()) {
        if (options.frameAll) viewport->frameAll();
        viewport->setDrawing(true);  // the picture is wanted now, headless too
        viewport->repaint();
        QCoreApplication::processEvents();
        QPixmap picture;
        if (!headless && window->windowHandle() && window->windowHandle()->screen())
            picture = window->windowHandle()->screen()->grabWindow(window->winId());
        if (picture.isNull()) picture = window->grab();
        const bool ok = picture.save(QString::fromStdString(options.screenshot), "PNG");
        report(ok, "screenshot", options.screenshot);
        if (!ok) rc = rc ? rc : 3;
    }
    if (!options.dumpScene.empty()) {
        const bool ok = writeFile(options.dumpScene, sceneJson());
        if (options.dumpScene != "-") report(ok, "scene", options.dumpScene);
        if (!ok) rc = rc ? rc : 3;
    }

    live.reset();
    mayastandin::shutdown();
    window.reset();
    return rc;
}
