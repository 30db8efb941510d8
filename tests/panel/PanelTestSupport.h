#pragma once
// Shared by the panel tests: one QApplication for the process, bounded event polls, and closing the
// panel's modal error boxes from a timer (the tests run headless).

#include <QtCore/QElapsedTimer>
#include <QtCore/QPointer>
#include <QtCore/QThread>
#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QAbstractButton>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMessageBox>

#include <functional>
#include <string>
#include <vector>

#include "EventSpin.h"
#include "SlotClock.h"
#include "orvane/tracker/Control.h"

namespace panelsupport {

inline SlotClockApplication& app() {
    static int argc = 1;
    static char name[] = "panel_tests";
    static char* argv[] = {name, nullptr};
    static SlotClockApplication* instance = new SlotClockApplication(argc, argv);
    return *instance;
}

// With the stream held: the last frame the SDK counted has reached its data handler and the handler has returned.
// (The SDK counts a frame before it calls the handler, and names it as in delivery only from the call on, so
// "no delivery in progress" alone may come just before the last frame's handler runs.)
inline bool streamSettled() {
    namespace tracker = orvane::tracker;
    const long long last = tracker::lastDeliveredFrameNumber();
    if (last >= 0) {
        const std::vector<tracker::DeliveryRecord> logged = tracker::recentDeliveries(1);
        if (logged.empty() || logged.back().frameNumber != last) return false;
    }
    return !tracker::deliveryInProgress(nullptr);
}

using testsupport::spinFor;
using testsupport::spinUntil;

// A real mouse click on a check box or radio button: on its indicator, which sits at the left edge
// (the middle of a wide button is outside its hit area).
inline void clickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}

// Makes the QApplication before any widget member of a fixture is built.
struct WithApplication {
    WithApplication() { app(); }
};

// The title and text of the next modal message box, which is then closed, or handed to onBox (which must close
// or delete it). Polls for a bounded time; its timers end with it.
struct ModalCatcher {
    QString title, text;
    int seen = 0;
    std::function<void(QMessageBox*)> onBox;
    void arm(int boundMs = 30000) {
        armed_.start();
        bound_ = boundMs;
        QTimer::singleShot(0, &context_, [this] { poll(); });
    }
    void poll() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                title = box->windowTitle();
                text = box->text();
                ++seen;
                if (onBox)
                    onBox(box);
                else
                    box->done(QMessageBox::Ok);
                return;
            }
        }
        if (armed_.elapsed() < bound_) QTimer::singleShot(5, &context_, [this] { poll(); });
    }

private:
    QObject context_;
    QElapsedTimer armed_;
    int bound_ = 0;
};

}  // namespace panelsupport
