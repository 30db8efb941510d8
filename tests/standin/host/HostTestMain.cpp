// A QApplication for the in-process tests (widgets need one), ended after the host has shut down.
#include <QtWidgets/QApplication>

#include <gtest/gtest.h>

#include <mayastandin/Host.h>

namespace {
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "host_tests";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    void TearDown() override {
        mayastandin::shutdown();
        delete app;
        app = nullptr;
    }
    QApplication* app = nullptr;
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment());
}  // namespace
