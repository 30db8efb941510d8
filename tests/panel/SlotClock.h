#pragma once
// The panel tests' QApplication: it times, from outside, each queued call delivered to a panel (the frame
// slots run as queued and blocking queued calls), as a host's event loop would see them. UI thread only.

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>

#include <vector>

namespace panelsupport {

class SlotClockApplication : public QApplication {
public:
    struct Call {
        qint64 startNs, endNs;  // on clock()
    };

    SlotClockApplication(int& argc, char** argv) : QApplication(argc, argv) { clock_.start(); }

    bool notify(QObject* receiver, QEvent* event) override {
        if (event->type() != QEvent::MetaCall || !receiver->inherits("QPluginPanel"))
            return QApplication::notify(receiver, event);
        const qint64 start = clock_.nsecsElapsed();
        const bool handled = QApplication::notify(receiver, event);
        calls_.push_back(Call{start, clock_.nsecsElapsed()});
        return handled;
    }

    qint64 nowNs() const { return clock_.nsecsElapsed(); }
    // The panel's queued calls so far, in delivery order; clearCalls forgets them.
    const std::vector<Call>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }

private:
    QElapsedTimer clock_;
    std::vector<Call> calls_;
};

}  // namespace panelsupport
