#include "InputProbe.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "SanitizerAnnotations.h"

namespace {

const QEvent::Type kProbeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct ProbeEvent : QEvent {
    explicit ProbeEvent(long long posted) : QEvent(kProbeEvent), postedNs(posted) {}
    long long postedNs;
};

}  // namespace

InputProbe::InputProbe(QObject* parent) : QObject(parent) {
    poster_ = std::thread([this] {
        auto next = std::chrono::steady_clock::now();
        while (!stop_.load()) {
            // Posted under Qt's own lock, which the thread sanitizer does not see; the UI thread takes it there.
            const orvane::sanitizer::QtHandOver handOver;
            QCoreApplication::postEvent(this, new ProbeEvent(nowNs()));
            next += std::chrono::milliseconds(kIntervalMs);
            std::this_thread::sleep_until(next);
        }
    });
}

InputProbe::~InputProbe() {
    stop_.store(true);
    poster_.join();
    QCoreApplication::removePostedEvents(this, kProbeEvent);
}

void InputProbe::customEvent(QEvent* event) {
    if (event->type() != kProbeEvent) return;
    delaysNs_.push_back(nowNs() - static_cast<ProbeEvent*>(event)->postedNs);
}

double InputProbe::takeP99Ms() {
    if (delaysNs_.empty()) return 0.0;
    std::vector<long long> sorted;
    sorted.swap(delaysNs_);
    std::sort(sorted.begin(), sorted.end());
    const std::size_t index = static_cast<std::size_t>(std::lround(0.99 * static_cast<double>(sorted.size() - 1)));
    return static_cast<double>(sorted[index]) / 1e6;
}
