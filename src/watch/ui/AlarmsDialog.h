#pragma once
// "Alarms…": the limits of each channel, the hysteresis and the delay, the
// watchdog, sound, notification and its reminder, the rate of rise's window
// and limits, and the command run for each event. Shows the options in the
// unit the meter shows and returns them in that unit.

#include "watch/WatchOptions.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;

namespace kv {

class AlarmsDialog : public QDialog
{
    Q_OBJECT
public:
    // unit: "C" or "F", the unit shown; channels: 1 (481) or 2 (482).
    AlarmsDialog(const WatchOptions &options, const QString &unit, int channels, QWidget *parent = nullptr);

    WatchOptions options() const;

    struct Row
    {
        QCheckBox *highOn;
        QDoubleSpinBox *high;
        QCheckBox *lowOn;
        QDoubleSpinBox *low;
    };
    const Row &row(AlarmChannel c) const { return m_rows[static_cast<int>(c)]; }
    // T1 or T2: high "rises faster than", low "falls faster than" (shown
    // as a positive figure).
    const Row &rateRow(AlarmChannel c) const { return m_rateRows[static_cast<int>(c)]; }
    QCheckBox *runCommand() const { return m_runCommand; }
    QLineEdit *command() const { return m_command; }
    QString problem() const;
    QDoubleSpinBox *hysteresis() const { return m_hysteresis; }
    QDoubleSpinBox *delay() const { return m_delay; }
    QCheckBox *watchdog() const { return m_watchdog; }
    QCheckBox *sound() const { return m_sound; }
    QCheckBox *notification() const { return m_notify; }
    QDoubleSpinBox *rateWindow() const { return m_rateWindow; }
    QComboBox *reminder() const { return m_reminder; }

private:
    void checkLimits();
    QWidget *rateBox(int channels);
    QWidget *commandBox();

    WatchOptions m_options;
    std::array<Row, kAlarmChannels> m_rows{};
    std::array<Row, 2> m_rateRows{};
    QCheckBox *m_runCommand = nullptr;
    QLineEdit *m_command = nullptr;
    QDoubleSpinBox *m_hysteresis;
    QDoubleSpinBox *m_delay;
    QCheckBox *m_watchdog;
    QCheckBox *m_sound;
    QCheckBox *m_notify;
    QDoubleSpinBox *m_rateWindow = nullptr;
    QComboBox *m_reminder;
    QLabel *m_problem;
    class QPushButton *m_ok;
};

} // namespace kv
