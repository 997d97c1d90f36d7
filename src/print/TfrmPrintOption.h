#pragma once
// "Print Option": asks whether to print a window's graph or its table. A
// picture of each stands above its button.

#include <QDialog>

class QLabel;
class QPushButton;

namespace kv {

// The dialog's answers, numbered as its buttons' results.
enum class PrintChoice { Graph = 1, Cancel = 2, Text = 3 };

class TfrmPrintOption : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmPrintOption(QWidget *parent = nullptr);

    // The answer so far: Cancel until a print button is pressed.
    PrintChoice choice() const { return m_choice; }

    // Shows the dialog modally and returns the answer.
    static PrintChoice ask(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void choose(PrintChoice choice);

    PrintChoice m_choice = PrintChoice::Cancel;
    QLabel *m_image1;
    QLabel *m_image2;
    QPushButton *m_button1;
    QPushButton *m_button2;
    QPushButton *m_button3;
};

} // namespace kv
