// What the host window adds around the scene: menus made with MEL in its menu bar, the time slider that follows
// and drives MAnimControl, and "REC" in the status bar while a module records a take.
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtWidgets/QAction>
#include <QtWidgets/QDoubleSpinBox>
#include <QtWidgets/QLabel>
#include <QtWidgets/QMenu>
#include <QtWidgets/QMenuBar>
#include <QtWidgets/QSlider>
#include <QtWidgets/QToolButton>

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <maya/MAnimControl.h>
#include <maya/MTime.h>
#include <mayastandin/Host.h>

#include "HostWindow.h"
#include "LiveStatus.h"
#include "TimeSlider.h"

namespace {

// The result of a command (array elements joined by spaces), or "error: " and the error it logged.
std::string mel(const std::string& command) {
    mayastandin::clearLog();
    std::string result;
    if (mayastandin::execute(command, &result)) return result;
    return "error: " + mayastandin::logText();
}

QMenu* menuTitled(HostWindow& window, const QString& title) {
    for (QAction* action : window.menuBar()->actions())
        if (action->menu() != nullptr && action->text() == title) return action->menu();
    return nullptr;
}

TEST(HostMenus, MelMenusLiveInTheMenuBarAndRunTheirItems) {
    mayastandin::resetScene();
    HostWindow window;
    struct Case {
        const char* command;
        const char* want;  // the result, or the start of the logged error
    } cases[] = {
        {"menu -parent MayaWindow -label \"Orvane Mocap\" -tearOff true orvaneMocapMenu", "MayaWindow|orvaneMocapMenu"},
        {"menuItem -parent orvaneMocapMenu -label \"Live Panel\" -command \"createNode transform -n fromMenu\" live",
         "MayaWindow|orvaneMocapMenu|live"},
        {"menuItem -divider true gap", "MayaWindow|orvaneMocapMenu|gap"},  // into the menu made last
        {"menuItem -p orvaneMocapMenu -l Broken -c \"noSuchCommand\" broken", "MayaWindow|orvaneMocapMenu|broken"},
        {"menuItem -p MayaWindow|orvaneMocapMenu last", "MayaWindow|orvaneMocapMenu|last"},
        {"menu -exists orvaneMocapMenu", "1"},
        {"menu -exists MayaWindow|orvaneMocapMenu", "1"},
        {"menu -q -itemArray orvaneMocapMenu", "live gap broken last"},
        {"deleteUI -menuItem last", ""},
        {"menu -q -numberOfItems orvaneMocapMenu", "3"},
        {"menu -parent MayaWindow orvaneMocapMenu", "error: // Error: menu: Object's name 'orvaneMocapMenu' is not"},
        {"menu -parent otherWindow elsewhere", "error: // Error: menu: Object 'otherWindow' not found."},
        {"menuItem -parent nowhere -label X", "error: // Error: menuItem: Object 'nowhere' not found."},
        {"menu -q -label nowhere", "error: // Error: menu: Object 'nowhere' not found."},
        {"deleteUI -menu live", "error: // Error: deleteUI: Object 'live' not found."},  // an item, not a menu
        {"deleteUI -menuItem broken nowhere", "error: // Error: deleteUI: Object 'nowhere' not found."},
        {"menuItem -exists broken", "1"},  // nothing deleted when one name is wrong
        {"menu -label Closing closing; menuItem -label Close -command \"deleteUI -menu closing\" closeIt", ""},
    };
    for (const Case& c : cases) {
        const std::string got = mel(c.command);
        EXPECT_EQ(got.substr(0, std::string(c.want).size()), c.want) << c.command << "\n" << got;
    }

    QMenu* menu = menuTitled(window, QStringLiteral("Orvane Mocap"));
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isTearOffEnabled());
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions()[1]->isSeparator());
    // Triggered items run their command; a failing one logs its error like any command.
    menu->actions()[0]->trigger();
    EXPECT_FALSE(mayastandin::findNode("fromMenu").isNull());
    mayastandin::clearLog();
    menu->actions()[2]->trigger();
    EXPECT_NE(mayastandin::logText().find("Cannot find procedure \"noSuchCommand\""), std::string::npos);

    // An item whose command deletes its own menu.
    QMenu* closing = menuTitled(window, QStringLiteral("Closing"));
    ASSERT_NE(closing, nullptr);
    closing->actions()[0]->trigger();
    EXPECT_EQ(mel("menu -exists closing"), "0");
    EXPECT_EQ(mel("menuItem -exists closeIt"), "0");

    EXPECT_EQ(mel("deleteUI -menu orvaneMocapMenu"), "");
    EXPECT_EQ(mel("menuItem -exists live"), "0");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window.menuBar()->actions().size(), 0);

    // Without a main window (a batch host) a menu is kept, shown nowhere, and joins the menu bar of a main window
    // that comes later.
    mayastandin::setMainWindow(nullptr);
    EXPECT_EQ(mel("menu -label Batch batchMenu; menuItem -label Run batchItem"), "MayaWindow|batchMenu|batchItem");
    EXPECT_EQ(mel("menu -exists batchMenu"), "1");
    mayastandin::setMainWindow(&window);
    EXPECT_NE(menuTitled(window, QStringLiteral("Batch")), nullptr);
    EXPECT_EQ(mel("deleteUI batchMenu"), "");
}

TEST(HostTimeSlider, FollowsAndDrivesTheTimeAndPlaysInRealTime) {
    mayastandin::resetScene();  // film, stopped
    // A keyed channel, so that a new time changes the scene.
    ASSERT_TRUE(mayastandin::execute(
        "createNode locator -n keyed; setKeyframe -t 1 -v 0 keyed.tx; setKeyframe -t 10 -v 90 keyed.tx"));

    TimeSlider slider;
    double frames = 0;  // a steady clock, in film frames
    slider.setClock([&frames] { return static_cast<qint64>(std::llround(frames * 1e9 / 24.0)); });
    auto timeAfter = [&](double more) {  // the clock advanced by more frames
        frames += more;
        slider.refresh();
        return MAnimControl::currentTime().as(MTime::kFilm);
    };
    // The range and the time set from code show up.
    MAnimControl::setMinMaxTime(MTime(1, MTime::kFilm), MTime(10, MTime::kFilm));
    MAnimControl::setCurrentTime(MTime(2, MTime::kFilm));
    slider.refresh();
    EXPECT_EQ(slider.slider()->minimum(), 1);
    EXPECT_EQ(slider.slider()->maximum(), 10);
    EXPECT_EQ(slider.slider()->value(), 2);
    EXPECT_DOUBLE_EQ(slider.maxField()->value(), 10);

    // Moving the slider sets the time, and the viewport sees the scene change.
    const std::uint64_t revision = mayastandin::sceneRevision();
    slider.slider()->setValue(4);
    EXPECT_NE(mayastandin::sceneRevision(), revision);
    EXPECT_NEAR(MAnimControl::currentTime().as(MTime::kFilm), 4, 1e-9);
    EXPECT_NEAR(slider.timeField()->value(), 4, 1e-9);

    // Play: whole frames as the clock passes them, the ones in between dropped, then back to the start.
    slider.playButton()->click();
    EXPECT_TRUE(MAnimControl::isPlaying());
    struct Step {
        double advance;  // frames
        double time;     // the time shown after it
    } steps[] = {{0.5, 4}, {0.5, 5}, {2.9, 7}, {0.1, 8}, {2, 10}, {1, 1}, {12, 3}};
    for (const Step& s : steps) {
        EXPECT_NEAR(timeAfter(s.advance), s.time, 1e-9) << frames;
        EXPECT_EQ(slider.slider()->value(), static_cast<int>(s.time));
    }

    // The slider moved while playing: playback goes on from there.
    slider.slider()->setValue(8);
    EXPECT_NEAR(timeAfter(1), 9, 1e-9);

    // Stopped from code, the time stays; played from code, the window plays again.
    MAnimControl::stop();
    slider.refresh();
    EXPECT_NEAR(timeAfter(3), 9, 1e-9);
    EXPECT_TRUE(slider.playButton()->isEnabled());
    MAnimControl::playForward();
    slider.refresh();
    EXPECT_NEAR(timeAfter(1), 10, 1e-9);
    slider.stopButton()->click();
    EXPECT_FALSE(MAnimControl::isPlaying());
}

TEST(HostStatus, RecShowsWhileTheModuleRecords) {
    HostWindow window;
    auto* rec = window.findChild<QLabel*>("recordingStatus");
    ASSERT_NE(rec, nullptr);
    auto tick = [&window, rec] {
        LiveSecond second;
        second.recording = LiveStatus::recording();
        window.showSecond(second);
        return rec->text().toStdString();
    };
    // Without the command: nothing shown, nothing logged.
    mayastandin::clearLog();
    EXPECT_EQ(tick(), "");
    EXPECT_EQ(mayastandin::logText(), "");

    ASSERT_TRUE(mayastandin::loadPlugin(RECORDING_TEST_PLUGIN));
    ASSERT_TRUE(mayastandin::execute("orvaneRecord -start"));
    EXPECT_EQ(tick(), "REC 12.5 s 4500 frames");
    ASSERT_TRUE(mayastandin::execute("orvaneRecord -stop"));
    EXPECT_EQ(tick(), "");
    ASSERT_TRUE(mayastandin::execute("orvaneRecord -start"));
    ASSERT_TRUE(mayastandin::unloadPlugin("hostRecordingTestPlugin"));
    EXPECT_EQ(tick(), "");
    EXPECT_EQ(mayastandin::logText().find("Error"), std::string::npos) << mayastandin::logText();
}

}  // namespace
