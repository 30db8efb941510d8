// A QApplication for the whole test run (widgets need one), ended after the host has shut down. Shared by
// the stand-in host's and the host application's tests.
#include <gtest/gtest.h>
#include <QApplication>
#include <mayastandin/Host.h>

namespace {
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "standin_tests";
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
