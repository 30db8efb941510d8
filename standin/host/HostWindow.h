#pragma once
// The host's main window: the viewport in the middle with the time slider under it, the outliner on the left,
// the log with the command line at the bottom (Maya's script editor and command line), the status bar, the menus
// plug-ins add to its menu bar and the workspace controls they create, docked on the right or floating. It
// registers itself as the host's main window, named MayaWindow. Closing it ends the session. Main (UI) thread only.

#include <QtWidgets/QMainWindow>

#include "LiveStatus.h"

class QLabel;
class CommandLine;
class LogView;
class Outliner;
class TimeSlider;
class Viewport;

class HostWindow : public QMainWindow {
public:
    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    Viewport* viewport() const { return viewport_; }
    Outliner* outliner() const { return outliner_; }
    LogView* logView() const { return logView_; }
    CommandLine* commandLine() const { return commandLine_; }
    TimeSlider* timeSlider() const { return timeSlider_; }

    // Shows a second's figures in the status bar, and "REC" with the take's figures while one is recorded.
    void showSecond(const LiveSecond& second);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Viewport* viewport_;
    TimeSlider* timeSlider_;
    Outliner* outliner_;
    LogView* logView_;
    CommandLine* commandLine_;
    QLabel* liveLabel_;
    QLabel* nodesLabel_;
    QLabel* recLabel_;
};
