#pragma once
// Turns a hang of the user-interface thread into a failure. A test whose UI thread could end up waiting on a
// thread that waits on it (a blocking queued call) arms one: still armed after its bound, it runs `rescue` on a
// thread of its own every 100 ms until disarmed (typically dropping the posted event the other thread waits
// for), and fired() tells the test to fail.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

class HangRescue {
public:
    HangRescue(int boundMs, std::function<void()> rescue)
        : thread_([this, boundMs, rescue] {
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
              for (; armed_.load(); std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
                  if (std::chrono::steady_clock::now() < deadline) continue;
                  fired_.store(true);
                  rescue();
              }
          }) {}
    ~HangRescue() {
        disarm();
        thread_.join();
    }
    void disarm() { armed_.store(false); }
    bool fired() const { return fired_.load(); }

private:
    std::atomic<bool> armed_{true}, fired_{false};
    std::thread thread_;
};

}  // namespace testsupport
