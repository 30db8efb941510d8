// What lets a run without a person use the host: the driveWidget command on a workspace control's widgets,
// message boxes that are logged and dismissed instead of waiting, and log lines handed to a listener.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "test_support.h"

#include <maya/MGlobal.h>
#include <maya/MQtUtil.h>

using mayastandin::execute;

namespace {

class WidgetTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        ASSERT_TRUE(execute("workspaceControl -label \"Test\" -retain false drive"));
        QWidget* layout = MQtUtil::getCurrentParent();
        ASSERT_NE(layout, nullptr);
        box = new QCheckBox("Off");
        box->setObjectName("connectBox");
        QObject::connect(box, &QCheckBox::clicked, [this](bool on) {
            ++clicks;
            box->setText(on ? "On" : "Off");
        });
        combo = new QComboBox();
        combo->setObjectName("versions");
        combo->addItems({"V1.6", "V2.0"});
        MQtUtil::addWidgetToMayaLayout(box, layout);
        MQtUtil::addWidgetToMayaLayout(combo, layout);
        mayastandin::clearLog();
    }
    void TearDown() override { execute("workspaceControl -e -deleteLater false -close drive"); }
    static void expectError(const std::string& mel, const std::string& error) {
        mayastandin::clearLog();
        EXPECT_FALSE(execute(mel)) << mel;
        EXPECT_EQ(mayastandin::logText(), "// Error: " + error + "\n") << mel;
    }
    QPointer<QCheckBox> box;
    QPointer<QComboBox> combo;
    int clicks = 0;
};

TEST_F(WidgetTest, ClicksChecksAndChoosesLikeAUser) {
    std::string result;
    ASSERT_TRUE(execute("driveWidget -click drive connectBox", &result));
    EXPECT_EQ(result, "On");
    EXPECT_TRUE(box->isChecked());
    ASSERT_TRUE(execute("driveWidget -check on drive connectBox", &result));
    EXPECT_EQ(clicks, 1);  // already checked: no click
    ASSERT_TRUE(execute("driveWidget -check off drive connectBox", &result));
    EXPECT_EQ(result, "Off");
    EXPECT_EQ(clicks, 2);

    ASSERT_TRUE(execute("driveWidget -select \"V1.6\" drive versions", &result));
    EXPECT_EQ(result, "V1.6");
    EXPECT_EQ(combo->currentIndex(), 0);
    ASSERT_TRUE(execute("driveWidget -index 1 drive versions", &result));
    EXPECT_EQ(result, "V2.0");
    ASSERT_TRUE(execute("driveWidget drive versions", &result));  // no action: only answers
    EXPECT_EQ(result, "V2.0");
}

TEST_F(WidgetTest, RefusesWhatAUserCouldNotDo) {
    expectError("driveWidget -click nosuch connectBox", "driveWidget: Object 'nosuch' not found.");
    expectError("driveWidget -click drive nosuch", "driveWidget: No widget named 'nosuch' in 'drive'");
    expectError("driveWidget -click drive versions", "driveWidget: 'versions' is not a button");
    expectError("driveWidget -select V9 drive versions", "driveWidget: 'versions' has no entry 'V9'");
    expectError("driveWidget -index 2 drive versions", "driveWidget: 'versions' has no entry at index 2");
    expectError("driveWidget -index 99999999999999999999 drive versions",
                "driveWidget: 'versions' has no entry at index 99999999999999999999");
    expectError("driveWidget -click -index 0 drive versions",
                "driveWidget: Use only one of -click, -check, -select and -index");
    expectError("driveWidget -click drive", "driveWidget: Expected a workspace control and a widget name");
    box->setEnabled(false);
    expectError("driveWidget -click drive connectBox", "driveWidget: 'connectBox' is disabled");
    EXPECT_EQ(clicks, 0);
}

TEST(BatchMessages, AModalBoxIsLoggedAndDismissedInsteadOfWaiting) {
    mayastandin::clearLog();
    mayastandin::setDismissMessageBoxes(true);
    // Should dismissal fail, this closes the box a while later (nothing logged) instead of hanging the test.
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
    });
    rescue.start(10000);
    QMessageBox::critical(nullptr, "Init Client", "no answer from the server", QMessageBox::Ok, QMessageBox::NoButton);
    mayastandin::setDismissMessageBoxes(false);
    EXPECT_EQ(mayastandin::logText(), "// Error: Init Client: no answer from the server\n");
}

TEST(LogListener, HearsEveryLineInOrderUntilRemoved) {
    std::vector<std::string> heard;
    const int id = mayastandin::addLogListener([&](const std::string& line) { heard.push_back(line); });
    MGlobal::displayWarning("first");
    execute("nosuchcommand");
    mayastandin::removeLogListener(id);
    MGlobal::displayInfo("unheard");
    EXPECT_EQ(heard,
              (std::vector<std::string>{"// Warning: first", "// Error: Cannot find procedure \"nosuchcommand\"."}));
}

}  // namespace
