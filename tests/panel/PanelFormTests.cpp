// The panel's form: the widget tree, its order, object names and texts.

#include <QtTest/QTest>
#include <QtWidgets/QCheckBox>
#include <QtWidgets/QComboBox>
#include <QtWidgets/QHBoxLayout>
#include <QtWidgets/QLabel>
#include <QtWidgets/QRadioButton>
#include <QtWidgets/QVBoxLayout>

#include <gtest/gtest.h>

#include "PanelTestSupport.h"
#include "QMarkerTableWidget.h"
#include "QPluginPanelUi.h"

namespace {

struct Form : panelsupport::WithApplication, testing::Test {
    void SetUp() override {
        panelsupport::app();
        ui.setupUi(&panel);
    }
    QWidget panel;
    QPluginPanelUi ui;
};

QString widgetName(QLayout* layout, int index) {
    QLayoutItem* item = layout->itemAt(index);
    if (item == nullptr) return "<none>";
    if (item->widget()) return item->widget()->objectName();
    if (item->layout()) return item->layout()->objectName();
    return "<spacer>";
}

TEST_F(Form, TreeOrderAndObjectNames) {
    EXPECT_EQ(panel.objectName(), "QPluginPanelClass");
    EXPECT_EQ(panel.size(), QSize(427, 454));
    ASSERT_EQ(panel.layout(), ui.horizontalLayout_6);
    EXPECT_EQ(ui.horizontalLayout_6->objectName(), "horizontalLayout_6");
    ASSERT_EQ(ui.horizontalLayout_6->count(), 1);
    EXPECT_EQ(widgetName(ui.horizontalLayout_6, 0), "verticalLayout");

    const QStringList rows = {"horizontalLayout_2", "horizontalLayout",   "horizontalLayout_3",
                              "horizontalLayout_4", "horizontalLayout_5", "tableWidget"};
    ASSERT_EQ(ui.verticalLayout->count(), rows.size());
    for (int i = 0; i < rows.size(); ++i) EXPECT_EQ(widgetName(ui.verticalLayout, i), rows[i]);

    const QList<QStringList> rowWidgets = {{"label_2", "checkboxConnect"},
                                           {"label", "radioUnicast", "radioMulticast"},
                                           {"label_3", "comboBoxSDKVersion"},
                                           {"label_4", "checkBoxSmooth"},
                                           {"label_5", "checkBoxRefreshUI"}};
    for (int r = 0; r < rowWidgets.size(); ++r) {
        QLayout* row = ui.verticalLayout->itemAt(r)->layout();
        ASSERT_EQ(row->count(), rowWidgets[r].size());
        for (int i = 0; i < rowWidgets[r].size(); ++i) {
            EXPECT_EQ(widgetName(row, i), rowWidgets[r][i]);
            EXPECT_EQ(row->itemAt(i)->widget()->parentWidget(), &panel);
        }
    }
    EXPECT_EQ(panel.findChild<QMarkerTableWidget*>("tableWidget"), ui.tableWidget);
}

TEST_F(Form, Texts) {
    EXPECT_EQ(panel.windowTitle(), "MayaPlugin");
    EXPECT_EQ(ui.label_2->text(), "OrvanePlugin(1.1.2226)");
    EXPECT_EQ(ui.checkboxConnect->text(), "CheckBox");
    EXPECT_EQ(ui.label->text(), "Type:");
    EXPECT_EQ(ui.radioUnicast->text(), "Unicast");
    EXPECT_EQ(ui.radioMulticast->text(), "Muliticast");
    EXPECT_EQ(ui.label_3->text(), "SDK:");
    ASSERT_EQ(ui.comboBoxSDKVersion->count(), 2);
    EXPECT_EQ(ui.comboBoxSDKVersion->itemText(0), "V1.6");
    EXPECT_EQ(ui.comboBoxSDKVersion->itemText(1), "V2.0");
    EXPECT_EQ(ui.comboBoxSDKVersion->currentIndex(), 0);
    EXPECT_EQ(ui.label_4->text(), "Auxiliary:");
    EXPECT_EQ(ui.checkBoxSmooth->text(), "Smooth");
    EXPECT_EQ(ui.label_5->text(), "RefreshUI:");
    EXPECT_EQ(ui.checkBoxRefreshUI->text(), "");
    ASSERT_EQ(ui.tableWidget->columnCount(), 4);
    const char* headers[] = {"Name", "X", "Y", "Z"};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(ui.tableWidget->horizontalHeaderItem(c)->text(), headers[c]);
    EXPECT_EQ(ui.tableWidget->rowCount(), 0);
    for (QAbstractButton* b : panel.findChildren<QAbstractButton*>()) EXPECT_FALSE(b->isChecked());
}

TEST_F(Form, RadioButtonsAreOneExclusivePair) {
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    panelsupport::clickIndicator(ui.radioMulticast);
    EXPECT_TRUE(ui.radioMulticast->isChecked());
    panelsupport::clickIndicator(ui.radioUnicast);
    EXPECT_TRUE(ui.radioUnicast->isChecked());
    EXPECT_FALSE(ui.radioMulticast->isChecked());
}

}  // namespace
