#pragma once
// The panel tests' QApplication: it times from outside each queued call delivered to a panel (the frame slots run
// as queued and blocking queued calls), as a host's event loop sees them. UI thread only.
#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>

#include <vector>

namespace panelsupport {

class SlotClockApplication : public QApplication {
public:
    struct Call {
        qint64 startNs, endNs;  // on nowNs()'s clock
    };
    SlotClockApplication(int& argc, char** argv) : QApplication(argc, argv) { clock_.start(); }
    bool notify(QObject* receiver, QEvent* event) override {
        if (event->type() != QEvent::MetaCall || !receiver->inherits("QPluginPanel"))
            return QApplication::notify(receiver, event);
        const qint64 start = clock_.nsecsElapsed();
        const bool handled = QApplication::notify(receiver, event);
        calls.push_back(Call{start, clock_.nsecsElapsed()});
        return handled;
    }
    qint64 nowNs() const { return clock_.nsecsElapsed(); }

    std::vector<Call> calls;  // the panel's queued calls, in delivery order

private:
    QElapsedTimer clock_;
};

}  // namespace panelsupport
