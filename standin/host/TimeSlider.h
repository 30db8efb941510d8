#pragma once
// The time slider under the viewport: the playback range, the current time (a slider and a field) and play/stop.
// It follows MAnimControl by polling it (ten times a second, every frame while playing), so times, ranges and
// playback set by commands or plug-ins show up; moving the slider or editing a field sets MAnimControl, which
// drives the animated channels. Playing moves the time on in real time at the UI unit's rate, dropping frames
// rather than falling behind, over the playback range as the playback mode says (looping by default).
// Main (UI) thread only.

#include <QtCore/QTimer>
#include <QtWidgets/QWidget>

#include <functional>

class QDoubleSpinBox;
class QSlider;
class QToolButton;

class TimeSlider : public QWidget {
public:
    explicit TimeSlider(QWidget* parent = nullptr);

    // The clock playback follows, in nanoseconds (a steady clock by default); tests give their own.
    void setClock(std::function<qint64()> nowNs);
    // Reads MAnimControl and, while it plays, moves the current time on. The widget's timer calls it.
    void refresh();

    QSlider* slider() const { return slider_; }
    QDoubleSpinBox* timeField() const { return timeField_; }
    QDoubleSpinBox* minField() const { return minField_; }
    QDoubleSpinBox* maxField() const { return maxField_; }
    QToolButton* playButton() const { return playButton_; }
    QToolButton* stopButton() const { return stopButton_; }

    // How often the widget reads MAnimControl while nothing plays.
    enum { kIdlePollMs = 100 };

private:
    void startPlaying(double from);
    double playedTime(double minimum, double maximum, bool& ended) const;
    void show(double minimum, double maximum, double now);

    QSlider* slider_;
    QDoubleSpinBox* timeField_;
    QDoubleSpinBox* minField_;
    QDoubleSpinBox* maxField_;
    QToolButton* playButton_;
    QToolButton* stopButton_;
    QTimer poll_;
    std::function<qint64()> clock_;
    bool playing_ = false;   // this widget's playback runs
    qint64 anchorNs_ = 0;    // the clock when playback started or the time was last moved by someone else
    double anchorTime_ = 0;  // the current time then, in the UI unit
    double lastPlayed_ = 0;  // the time playback set last, in the UI unit
};
