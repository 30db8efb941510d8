#include <QtCore/QElapsedTimer>
#include <QtCore/QSignalBlocker>
#include <QtWidgets/QDoubleSpinBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QSlider>
#include <QtWidgets/QStyle>
#include <QtWidgets/QToolButton>

#include "TimeSlider.h"

#include <maya/MAnimControl.h>
#include <maya/MTime.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Times read back from MAnimControl carry the rounding of a unit conversion.
bool sameTime(double a, double b) { return std::fabs(a - b) < 1e-6; }

double uiSeconds() { return MTime(1.0, MTime::uiUnit()).as(MTime::kSeconds); }

QDoubleSpinBox* timeBox(QWidget* parent, const char* name) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setRange(-1e7, 1e7);
    box->setDecimals(2);
    box->setKeyboardTracking(false);  // a typed time applies on Enter or when the field loses focus
    box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    box->setMinimumWidth(64);
    return box;
}

QToolButton* button(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(tip);
    return b;
}

}  // namespace

TimeSlider::TimeSlider(QWidget* parent) : QWidget(parent) {
    setObjectName("timeSlider");
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    clock_ = [clock] { return clock->nsecsElapsed(); };

    minField_ = timeBox(this, "playbackStart");
    maxField_ = timeBox(this, "playbackEnd");
    timeField_ = timeBox(this, "currentTime");
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName("timeSliderBar");
    slider_->setTickPosition(QSlider::TicksBelow);
    playButton_ = button(this, "playForward", QStyle::SP_MediaPlay, QStringLiteral("Play forwards"));
    stopButton_ = button(this, "stopPlayback", QStyle::SP_MediaStop, QStringLiteral("Stop playback"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(minField_);
    row->addWidget(slider_, 1);
    row->addWidget(maxField_);
    row->addSpacing(12);
    row->addWidget(timeField_);
    row->addWidget(playButton_);
    row->addWidget(stopButton_);

    auto setTime = [this](double value) {
        MAnimControl::setCurrentTime(MTime(value, MTime::uiUnit()));
        refresh();
    };
    connect(slider_, &QSlider::valueChanged, this, [setTime](int frame) { setTime(frame); });
    connect(timeField_, static_cast<void (QDoubleSpinBox::*)(double)>(&QDoubleSpinBox::valueChanged), this, setTime);
    auto setRange = [this](double) {
        // A start after the end is refused by MAnimControl; the fields then show the range as it stays.
        MAnimControl::setMinMaxTime(MTime(minField_->value(), MTime::uiUnit()),
                                    MTime(maxField_->value(), MTime::uiUnit()));
        refresh();
    };
    connect(minField_, static_cast<void (QDoubleSpinBox::*)(double)>(&QDoubleSpinBox::valueChanged), this, setRange);
    connect(maxField_, static_cast<void (QDoubleSpinBox::*)(double)>(&QDoubleSpinBox::valueChanged), this, setRange);
    connect(playButton_, &QToolButton::clicked, this, [this] {
        MAnimControl::playForward();
        refresh();
    });
    connect(stopButton_, &QToolButton::clicked, this, [this] {
        MAnimControl::stop();
        refresh();
    });

    poll_.setTimerType(Qt::PreciseTimer);
    connect(&poll_, &QTimer::timeout, this, &TimeSlider::refresh);
    poll_.start(kIdlePollMs);
    refresh();
}

void TimeSlider::setClock(std::function<qint64()> nowNs) { clock_ = std::move(nowNs); }

void TimeSlider::startPlaying(double from) {
    playing_ = true;
    anchorNs_ = clock_();
    anchorTime_ = from;
    lastPlayed_ = from;
    poll_.start(std::max(1, static_cast<int>(std::lround(1000.0 * uiSeconds()))));
}

// The time playback shows now: whole steps of playbackBy since the anchor, the steps the clock has passed (the
// ones in between are dropped), folded into the playback range by the playback mode. A clock a hair short of a
// step (rounded nanoseconds) counts as having reached it.
double TimeSlider::playedTime(double minimum, double maximum, bool& ended) const {
    ended = false;
    const double by = std::max(1e-6, MAnimControl::playbackBy());
    const double frames = static_cast<double>(clock_() - anchorNs_) * 1e-9 / uiSeconds();
    const double t = anchorTime_ + std::floor(frames / by + 1e-6) * by;
    if (t <= maximum) return t;
    const double length = maximum - minimum;
    switch (MAnimControl::playbackMode()) {
        case MAnimControl::kPlaybackOnce: ended = true; return maximum;
        case MAnimControl::kPlaybackOscillate: {
            if (length <= 0) return minimum;
            const double q = std::fmod(t - minimum, 2 * length);
            return q <= length ? minimum + q : maximum - (q - length);
        }
        case MAnimControl::kPlaybackLoop: break;
    }
    // From the end the next step is the start.
    return std::min(maximum, minimum + std::fmod(t - minimum, length + by));
}

void TimeSlider::refresh() {
    const MTime::Unit unit = MTime::uiUnit();
    const double minimum = MAnimControl::minTime().as(unit), maximum = MAnimControl::maxTime().as(unit);
    double now = MAnimControl::currentTime().as(unit);
    const bool wanted = MAnimControl::isPlaying();
    if (wanted && !playing_) {
        startPlaying(now < minimum || now > maximum ? minimum : now);
        if (!sameTime(now, anchorTime_)) {
            MAnimControl::setCurrentTime(MTime(anchorTime_, unit));
            now = lastPlayed_ = MAnimControl::currentTime().as(unit);
        }
    } else if (!wanted && playing_) {
        playing_ = false;
        poll_.start(kIdlePollMs);
    } else if (playing_) {
        // Someone else moved the time (the slider, a command): playback goes on from there.
        if (!sameTime(now, lastPlayed_)) {
            anchorNs_ = clock_();
            anchorTime_ = now;
        }
        bool ended = false;
        const double t = playedTime(minimum, maximum, ended);
        if (!sameTime(t, now)) {
            MAnimControl::setCurrentTime(MTime(t, unit));
            now = MAnimControl::currentTime().as(unit);
        }
        lastPlayed_ = now;
        if (ended) {
            MAnimControl::stop();
            playing_ = false;
            poll_.start(kIdlePollMs);
        } else {
            // The next tick just after the next step is due: a fixed interval would drift against the frame
            // grid and drop a frame now and then.
            const double step = std::max(1e-6, MAnimControl::playbackBy()) * uiSeconds() * 1e9;
            const double elapsed = static_cast<double>(clock_() - anchorNs_);
            const double due = (std::floor(elapsed / step + 1e-6) + 1) * step - elapsed;
            poll_.start(std::max(1, static_cast<int>(std::ceil(due * 1e-6))));
        }
    }
    show(minimum, maximum, now);
}

void TimeSlider::show(double minimum, double maximum, double now) {
    // What the artist is typing into or dragging is left alone until it is done.
    const QSignalBlocker a(slider_), b(timeField_), c(minField_), d(maxField_);
    slider_->setRange(static_cast<int>(std::floor(minimum)), static_cast<int>(std::ceil(maximum)));
    if (!slider_->isSliderDown()) slider_->setValue(static_cast<int>(std::lround(now)));
    if (!minField_->hasFocus()) minField_->setValue(minimum);
    if (!maxField_->hasFocus()) maxField_->setValue(maximum);
    if (!timeField_->hasFocus()) timeField_->setValue(now);
    playButton_->setEnabled(!playing_);
    stopButton_->setEnabled(playing_);
}
