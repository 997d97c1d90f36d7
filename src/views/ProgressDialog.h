#pragma once
// The small window a long job shows while it runs: a caption, one line of
// text, a bar and Cancel. Saving shows it as "Saving Progress" with
// "saving.....", printing as "Print Progress" with "printing". It stays on
// top, centred on the screen, and blocks input to the other windows while it
// is shown, so nothing the job reads can be closed under it. Cancel does not
// close it: the job reads cancelled() after each step and ends itself.

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kv {

class ProgressDialog : public QDialog
{
    Q_OBJECT
public:
    ProgressDialog(const QString &caption, const QString &text, QWidget *parent = nullptr);

    // The bar runs from 0 to maximum and starts at 0; Cancel is cleared.
    void start(int maximum);
    void setValue(int value);
    int value() const;
    int maximum() const;
    QString text() const;

    // True once Cancel was pressed (or the window was closed).
    bool cancelled() const { return m_cancelled; }

    // For a job's progress callback: moves the bar, lets waiting window
    // events through at most every eventInterval milliseconds (so Cancel
    // and repaints get through) and returns false once cancelled.
    bool step(int value, int eventIntervalMs = 50);

Q_SIGNALS:
    void cancelRequested();

public Q_SLOTS:
    void cancel();
    // Closing the window asks to cancel, as the button does.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLabel *m_text;
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    bool m_cancelled = false;
    QElapsedTimer m_sinceEvents;
};

} // namespace kv
