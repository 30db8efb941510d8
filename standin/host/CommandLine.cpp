#include <QtGui/QKeyEvent>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QLineEdit>

#include "CommandLine.h"

#include <maya/MGlobal.h>
#include <maya/MString.h>
#include <mayastandin/Host.h>

CommandLine::CommandLine(QWidget* parent) : QWidget(parent) {
    setObjectName("commandLine");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    auto* label = new QLabel(QStringLiteral("MEL"), this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName("commandEdit");
    edit_->setPlaceholderText(QStringLiteral("xform -q -ws -t Performer1_LFHD"));
    response_ = new QLabel(this);
    response_->setObjectName("commandResponse");
    response_->setMinimumWidth(260);
    response_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    row->addWidget(label);
    row->addWidget(edit_, 3);
    row->addWidget(response_, 2);
    edit_->installEventFilter(this);
    connect(edit_, &QLineEdit::returnPressed, this, [this] {
        const QString text = edit_->text();
        if (text.trimmed().isEmpty()) return;
        edit_->clear();
        run(text);
    });
}

bool CommandLine::run(const QString& text) {
    if (history_.empty() || history_.back() != text) history_.push_back(text);
    browsing_ = history_.size();
    const std::string mel = text.toStdString();
    MGlobal::displayInfo(MString(mel.c_str()));
    std::string result;
    const MStatus status = mayastandin::execute(mel, &result);
    if (!status) {
        const std::vector<std::string> lines = mayastandin::logLines();
        response_->setStyleSheet(QStringLiteral("color: rgb(255, 110, 100);"));
        response_->setText(lines.empty() ? QStringLiteral("failed") : QString::fromStdString(lines.back()));
        return false;
    }
    response_->setStyleSheet(QString());
    response_->setText(QString::fromStdString(result));
    if (!result.empty()) MGlobal::displayInfo(MString(("// Result: " + result + " //").c_str()));
    return true;
}

bool CommandLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched != edit_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down) return false;
    if (history_.empty()) return true;
    if (key == Qt::Key_Up && browsing_ > 0) --browsing_;
    if (key == Qt::Key_Down && browsing_ < history_.size()) ++browsing_;
    edit_->setText(browsing_ < history_.size() ? history_[browsing_] : QString());
    return true;
}
