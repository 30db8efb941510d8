#include <QtGui/QTextCharFormat>
#include <QtGui/QTextCursor>

#include "LogView.h"

#include <mayastandin/Host.h>

LogView::LogView(QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName("logView");
    setReadOnly(true);
    setMaximumBlockCount(20000);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont mono(QStringLiteral("Monospace"));
    mono.setStyleHint(QFont::TypeWriter);
    setFont(mono);
    for (const std::string& line : mayastandin::logLines()) pending_.push_back(line);
    listener_ = mayastandin::addLogListener([this](const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_.push_back(line);
    });
    connect(&flushTimer_, &QTimer::timeout, this, &LogView::flush);
    flushTimer_.start(33);
}

LogView::~LogView() { mayastandin::removeLogListener(listener_); }

void LogView::flush() {
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines.swap(pending_);
    }
    if (lines.empty()) return;
    QTextCharFormat plain, error, warning;
    error.setForeground(QColor(255, 110, 100));
    error.setFontWeight(QFont::Bold);
    warning.setForeground(QColor(240, 200, 80));
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    for (const std::string& line : lines) {
        const bool isError = line.compare(0, 10, "// Error: ") == 0;
        const bool isWarning = line.compare(0, 12, "// Warning: ") == 0;
        if (!document()->isEmpty()) cursor.insertBlock();
        cursor.insertText(QString::fromStdString(line), isError ? error : isWarning ? warning : plain);
    }
    cursor.endEditBlock();
    ensureCursorVisible();
    moveCursor(QTextCursor::End);
}
