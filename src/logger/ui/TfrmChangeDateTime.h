#pragma once
// Asks the user to correct an impossible start date or time of a recorded
// data set: six small edits, year to second, and OK.

#include "common/Prompt.h"
#include "logger/DateTimeCorrection.h"

#include <QDialog>

class QLineEdit;

namespace kv {

class TfrmChangeDateTime : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmChangeDateTime(QWidget *parent = nullptr);

    void setFields(const DateTimeFields &fields);
    DateTimeFields fields() const;

    // Shows the dialog modally and returns what the edits hold when it is
    // closed, by OK or by the close box alike.
    static DateTimeFields ask(const DateTimeFields &initial, QWidget *parent = nullptr);

    // The decoder's correction callback answered by this dialog.
    static CorrectStartDateTime correction(QWidget *parent = nullptr);

    QLineEdit *Edityear;
    QLineEdit *Editmonth;
    QLineEdit *Editday;
    QLineEdit *Edithour;
    QLineEdit *Editminute;
    QLineEdit *Editsecond;
};

} // namespace kv
