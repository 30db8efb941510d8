// maya-standin: a minimal host. Runs MEL from the command line or a script file, prints the log to
// stdout, then exits or runs the event loop.
#include <QApplication>
#include <QMainWindow>
#include <QTimer>

#include <mayastandin/Host.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> scripts;
    bool withMainWindow = true;
    bool exitNow = false;
    double exitAfter = -1.0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-c" && i + 1 < argc) {
            scripts.push_back(argv[++i]);
        } else if (a == "--script" && i + 1 < argc) {
            std::ifstream in(argv[++i]);
            if (!in) {
                std::fprintf(stderr, "maya-standin: cannot read %s\n", argv[i]);
                return 2;
            }
            std::stringstream text;
            text << in.rdbuf();
            scripts.push_back(text.str());
        } else if (a == "--no-main-window") {
            withMainWindow = false;
        } else if (a == "--exit") {
            exitNow = true;
        } else if (a == "--exit-after" && i + 1 < argc) {
            exitAfter = std::atof(argv[++i]);
        } else if (a == "--help" || a == "-h") {
            std::printf(
                "usage: maya-standin [-c MEL]... [--script FILE] [--no-main-window] [--exit | --exit-after SECONDS]\n");
            return 0;
        } else {
            std::fprintf(stderr, "maya-standin: unknown argument %s\n", a.c_str());
            return 2;
        }
    }

    QApplication app(argc, argv);
    mayastandin::setLogStream(1);
    mayastandin::setLogEcho(true);
    QMainWindow* mainWindow = nullptr;
    if (withMainWindow) {
        mainWindow = new QMainWindow();
        mainWindow->setWindowTitle("maya-standin");
        mainWindow->resize(1024, 640);
        mainWindow->show();
        mayastandin::setMainWindow(mainWindow);
    }

    // Results are shown the way the host's script editor shows them.
    int rc = 0;
    for (const auto& s : scripts) {
        std::string result;
        if (!mayastandin::execute(s, &result)) {
            rc = 1;
        } else if (!result.empty()) {
            std::printf("// Result: %s //\n", result.c_str());
            std::fflush(stdout);
        }
    }

    if (!exitNow) {
        if (exitAfter >= 0.0) QTimer::singleShot(static_cast<int>(exitAfter * 1000.0), &app, &QApplication::quit);
        app.exec();
    }
    mayastandin::shutdown();
    delete mainWindow;
    return rc;
}
