#pragma once
// The test executable's one QApplication, made at first use and never destroyed (widgets, timers and the
// host's windows may outlive any test's scope); `name` is its argv[0] and application name.
#include <QtWidgets/QApplication>

#include <string>

namespace testsupport {

inline QApplication& testApplication(const char* name) {
    static std::string stored(name);
    static int argc = 1;
    static char* argv[] = {&stored[0], nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

}  // namespace testsupport
