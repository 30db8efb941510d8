#pragma once
// The panel's form: a pointer to every layout and widget, each field named like the object it points to.
// setupUi builds the tree on the panel, which owns everything through Qt's parent-child ownership.

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QRadioButton;
class QVBoxLayout;
class QWidget;
class QMarkerTableWidget;

class QPluginPanelUi {
public:
    QHBoxLayout* horizontalLayout_6;
    QVBoxLayout* verticalLayout;
    QHBoxLayout* horizontalLayout_2;
    QLabel* label_2;
    QCheckBox* checkboxConnect;
    QHBoxLayout* horizontalLayout;
    QLabel* label;
    QRadioButton* radioUnicast;
    QRadioButton* radioMulticast;
    QHBoxLayout* horizontalLayout_3;
    QLabel* label_3;
    QComboBox* comboBoxSDKVersion;
    QHBoxLayout* horizontalLayout_4;
    QLabel* label_4;
    QCheckBox* checkBoxSmooth;
    QHBoxLayout* horizontalLayout_5;
    QLabel* label_5;
    QCheckBox* checkBoxRefreshUI;
    QMarkerTableWidget* tableWidget;

    void setupUi(QWidget* panel);
    void retranslateUi(QWidget* panel);
};
