#pragma once
// The host's log as Maya's script editor shows it: errors in red, warnings in yellow, the rest plain. Lines may
// be logged on any thread (the SDK's callbacks log on its own); they are queued and appended on the UI thread at
// most about 30 times a second, so a flood of messages cannot stall it.

#include <QtCore/QTimer>
#include <QtWidgets/QPlainTextEdit>

#include <mutex>
#include <string>
#include <vector>

class LogView : public QPlainTextEdit {
public:
    explicit LogView(QWidget* parent = nullptr);
    ~LogView() override;

    // Appends what is queued now (the timer does it otherwise).
    void flush();

private:
    std::mutex mutex_;
    std::vector<std::string> pending_;  // guarded by mutex_
    QTimer flushTimer_;
    int listener_ = 0;
};
