#pragma once
// The range dialog of saving and printing: all rows (or points), or a
// selection from one to another.

#include "common/Prompt.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;

namespace kv {

class TfrmScope : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmScope(const QString &caption, QWidget *parent = nullptr);

    void setAnswer(const Prompt::RangeAnswer &answer);
    Prompt::RangeAnswer answer() const;

    QRadioButton *radAll;
    QRadioButton *radSelect;
    QLineEdit *edtFrom;
    QLineEdit *edtTo;
};

} // namespace kv
