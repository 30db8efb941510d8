// Input of the Qt 5.6 API check: code that compiles with a newer Qt only.
#include <QtWidgets/QComboBox>

void newerQtApi(QComboBox* box, const QStringList& names) {
    for (const QString& name : qAsConst(names)) box->addItem(name);  // qAsConst: Qt 5.7
    QObject::connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), [](int) {});
}
