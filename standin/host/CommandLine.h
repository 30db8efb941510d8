#pragma once
// Maya's command line: one MEL statement list at a time, run on Enter, with the history on Up and Down. The
// command is echoed to the log, a result is logged as "// Result: ... //" and shown at the right, an error there
// in red. Main (UI) thread only.

#include <QtWidgets/QWidget>

#include <string>
#include <vector>

class QLabel;
class QLineEdit;

class CommandLine : public QWidget {
public:
    explicit CommandLine(QWidget* parent = nullptr);

    // Runs a command as if typed and entered; false when it failed.
    bool run(const QString& text);
    const std::vector<QString>& history() const { return history_; }
    QLineEdit* edit() const { return edit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QLabel* response_;
    std::vector<QString> history_;
    std::size_t browsing_ = 0;  // history_.size() when not browsing
};
