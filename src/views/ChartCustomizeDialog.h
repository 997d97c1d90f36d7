#pragma once
// The chart's own customization dialog: titles, each subset's colour and
// line style, the plotting method, the grid and the background.

#include "views/ChartState.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace kv {

class ChartCustomizeDialog : public QDialog
{
    Q_OBJECT
public:
    ChartCustomizeDialog(const ChartLook &look, int subsets, QWidget *parent = nullptr);
    ChartLook look() const;

    QLineEdit *edtMainTitle;
    QLineEdit *edtSubTitle;
    QVector<QPushButton *> colorButtons;
    QVector<QComboBox *> lineTypes;
    QComboBox *cmbPlotting;
    QComboBox *cmbGrid;
    QComboBox *cmbBackground;

private:
    void showColor(int subset);
    ChartLook m_look;
};

} // namespace kv
