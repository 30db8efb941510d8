// Batch behaviour: a run without a person must never wait on a modal message box. An application-wide
// event filter sees each QMessageBox as it shows, logs its title and text as an error and rejects it through
// the event queue, which the box's own modal loop processes right after it starts.
#include <QtCore/QCoreApplication>
#include <QtCore/QEvent>
#include <QtCore/QMetaObject>
#include <QtCore/QPointer>
#include <QtCore/QVariant>
#include <QtWidgets/QMessageBox>

#include <mayastandin/Host.h>
#include "Internal.h"

namespace mayastandin {
namespace detail {
namespace {

const char* const kDismissedProperty = "mayastandinDismissed";

class MessageBoxDismisser : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show || !watched->isWidgetType()) return false;
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box == nullptr || (!box->isModal() && box->windowModality() == Qt::NonModal) ||
            box->property(kDismissedProperty).toBool())
            return false;
        box->setProperty(kDismissedProperty, true);
        std::string text = box->windowTitle().toStdString();
        if (!text.empty()) text += ": ";
        text += box->text().toStdString();
        if (!box->informativeText().isEmpty()) text += " " + box->informativeText().toStdString();
        log::error(text);
        QMetaObject::invokeMethod(box, "reject", Qt::QueuedConnection);
        return false;
    }
};

QPointer<MessageBoxDismisser>& dismisser() {
    static QPointer<MessageBoxDismisser> instance;
    return instance;
}

}  // namespace
}  // namespace detail

void setDismissMessageBoxes(bool dismiss) {
    auto& d = detail::dismisser();
    QCoreApplication* app = QCoreApplication::instance();
    if (dismiss && d.isNull() && app != nullptr) {
        d = new detail::MessageBoxDismisser();
        d->setParent(app);
        app->installEventFilter(d.data());
    } else if (!dismiss && !d.isNull()) {
        delete d.data();  // removes its event filter
    }
}

bool dismissesMessageBoxes() { return !detail::dismisser().isNull(); }

}  // namespace mayastandin
