#include "QPluginPanelUi.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QMetaObject>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QTableWidgetItem>
#include <QtWidgets/QVBoxLayout>

#include "QMarkerTableWidget.h"

namespace {

QString tr(const char* text) { return QCoreApplication::translate("QPluginPanelClass", text, nullptr); }

template <typename Widget>
Widget* addWidget(QWidget* panel, QHBoxLayout* row, const char* objectName) {
    Widget* widget = new Widget(panel);
    widget->setObjectName(QString::fromLatin1(objectName));
    row->addWidget(widget);
    return widget;
}

QHBoxLayout* newRow(const char* objectName) {
    QHBoxLayout* row = new QHBoxLayout();
    row->setObjectName(QString::fromLatin1(objectName));
    return row;
}

}  // namespace

void QPluginPanelUi::setupUi(QWidget* panel) {
    if (panel->objectName().isEmpty()) panel->setObjectName(QString::fromLatin1("QPluginPanelClass"));
    panel->resize(427, 454);

    horizontalLayout_6 = new QHBoxLayout(panel);
    horizontalLayout_6->setObjectName(QString::fromLatin1("horizontalLayout_6"));
    verticalLayout = new QVBoxLayout();
    verticalLayout->setObjectName(QString::fromLatin1("verticalLayout"));

    horizontalLayout_2 = newRow("horizontalLayout_2");
    label_2 = addWidget<QLabel>(panel, horizontalLayout_2, "label_2");
    checkboxConnect = addWidget<QCheckBox>(panel, horizontalLayout_2, "checkboxConnect");
    verticalLayout->addLayout(horizontalLayout_2);

    horizontalLayout = newRow("horizontalLayout");
    label = addWidget<QLabel>(panel, horizontalLayout, "label");
    radioUnicast = addWidget<QRadioButton>(panel, horizontalLayout, "radioUnicast");
    radioMulticast = addWidget<QRadioButton>(panel, horizontalLayout, "radioMulticast");
    verticalLayout->addLayout(horizontalLayout);

    horizontalLayout_3 = newRow("horizontalLayout_3");
    label_3 = addWidget<QLabel>(panel, horizontalLayout_3, "label_3");
    comboBoxSDKVersion = addWidget<QComboBox>(panel, horizontalLayout_3, "comboBoxSDKVersion");
    verticalLayout->addLayout(horizontalLayout_3);

    horizontalLayout_4 = newRow("horizontalLayout_4");
    label_4 = addWidget<QLabel>(panel, horizontalLayout_4, "label_4");
    checkBoxSmooth = addWidget<QCheckBox>(panel, horizontalLayout_4, "checkBoxSmooth");
    verticalLayout->addLayout(horizontalLayout_4);

    horizontalLayout_5 = newRow("horizontalLayout_5");
    label_5 = addWidget<QLabel>(panel, horizontalLayout_5, "label_5");
    checkBoxRefreshUI = addWidget<QCheckBox>(panel, horizontalLayout_5, "checkBoxRefreshUI");
    verticalLayout->addLayout(horizontalLayout_5);

    tableWidget = new QMarkerTableWidget(panel);
    if (tableWidget->columnCount() < 4) tableWidget->setColumnCount(4);
    for (int column = 0; column < 4; ++column) tableWidget->setHorizontalHeaderItem(column, new QTableWidgetItem());
    tableWidget->setObjectName(QString::fromLatin1("tableWidget"));
    verticalLayout->addWidget(tableWidget);

    horizontalLayout_6->addLayout(verticalLayout);

    retranslateUi(panel);
    QMetaObject::connectSlotsByName(panel);
}

void QPluginPanelUi::retranslateUi(QWidget* panel) {
    panel->setWindowTitle(tr("MayaPlugin"));
    label_2->setText(tr("OrvanePlugin(1.1.2226)"));
    checkboxConnect->setText(tr("CheckBox"));
    label->setText(tr("Type:"));
    radioUnicast->setText(tr("Unicast"));
    radioMulticast->setText(tr("Muliticast"));
    label_3->setText(tr("SDK:"));
    comboBoxSDKVersion->clear();
    comboBoxSDKVersion->insertItems(0, QStringList() << tr("V1.6") << tr("V2.0"));
    label_4->setText(tr("Auxiliary:"));
    checkBoxSmooth->setText(tr("Smooth"));
    label_5->setText(tr("RefreshUI:"));
    checkBoxRefreshUI->setText(QString());
    const char* const headers[4] = {"Name", "X", "Y", "Z"};
    for (int column = 0; column < 4; ++column) tableWidget->horizontalHeaderItem(column)->setText(tr(headers[column]));
}
