#pragma once
// The about box; also shown, without its OK button, while the program
// starts and looks for the meter.

#include <QDialog>

class QLabel;
class QPushButton;

namespace kv {

class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget *parent = nullptr);

    QPushButton *BitBtn1; // OK
    QLabel *Label4;       // what the program is doing at start
};

} // namespace kv
