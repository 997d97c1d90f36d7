#pragma once
// The vertical scale dialog: maximum and minimum of the temperature axis.

#include <QDialog>

class QLineEdit;

namespace kv {

class TfrmSetupScale : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSetupScale(QWidget *parent = nullptr);
    QLineEdit *edtMaxScale;
    QLineEdit *edtMinScale;
};

} // namespace kv
