#pragma once
// Turns a hang of the user-interface thread into a failure. A test whose UI thread could end up waiting on a
// thread that waits on it (a blocking queued call) arms one: if it is still armed after its bound, `rescue` runs
// on a thread of its own, every 100 ms until disarmed, to break the wait (typically by dropping the posted event
// the other thread waits for), and fired() tells the test to fail. The bound only turns a hang into a failure.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace testsupport {

class HangRescue {
public:
    HangRescue(int boundMs, std::function<void()> rescue)
        : rescue_(std::move(rescue)), thread_([this, boundMs] { run(boundMs); }) {}
    ~HangRescue() {
        disarm();
        thread_.join();
    }
    void disarm() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            armed_ = false;
        }
        wake_.notify_all();
    }
    bool fired() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return fired_;
    }

private:
    void run(int boundMs) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::milliseconds(boundMs), [this] { return !armed_; })) return;
        fired_ = true;
        while (armed_) {
            lock.unlock();
            rescue_();
            lock.lock();
            wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return !armed_; });
        }
    }

    std::function<void()> rescue_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool armed_ = true;
    bool fired_ = false;
    std::thread thread_;
};

}  // namespace testsupport
