#pragma once
// How long a click would wait: a thread of its own posts an event to the UI thread every 10 ms, as the window
// system queues input, and the delay from posting to delivery is recorded. Created, read and destroyed on the
// UI thread; its thread is stopped and joined by the destructor.

#include <QtCore/QObject>

#include <atomic>
#include <thread>
#include <vector>

class InputProbe : public QObject {
public:
    enum { kIntervalMs = 10 };

    explicit InputProbe(QObject* parent = nullptr);
    ~InputProbe() override;

    // The 99th percentile of the delays delivered since the last call, in milliseconds (0 for none), and
    // forgets them.
    double takeP99Ms();
    // The delays delivered since the last takeP99Ms, in nanoseconds, in delivery order.
    const std::vector<long long>& delays() const { return delaysNs_; }

protected:
    void customEvent(QEvent* event) override;

private:
    std::atomic<bool> stop_{false};
    std::vector<long long> delaysNs_;
    std::thread poster_;
};
