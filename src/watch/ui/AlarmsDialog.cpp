#include "watch/ui/AlarmsDialog.h"

#include "watch/AlarmCommand.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kv {

namespace {

QDoubleSpinBox *degreesBox(QWidget *parent, const QString &unit, const QString &name)
{
    auto *b = new QDoubleSpinBox(parent);
    b->setRange(-9999.0, 9999.0);
    b->setDecimals(1);
    b->setSingleStep(1.0);
    b->setSuffix(QStringLiteral(" \u00B0%1").arg(unit));
    b->setAccessibleName(name);
    b->setObjectName(name);
    return b;
}

} // namespace

AlarmsDialog::AlarmsDialog(const WatchOptions &options, const QString &unit, int channels, QWidget *parent)
    : QDialog(parent)
    , m_options(options)
{
    setObjectName(QStringLiteral("AlarmsDialog"));
    setWindowTitle(QStringLiteral("Alarms"));
    m_options.alarms = options.alarms.inUnit(unit);
    const AlarmSettings &a = m_options.alarms;

    auto *limits = new QGroupBox(QStringLiteral("Limits"), this);
    auto *grid = new QGridLayout(limits);
    grid->addWidget(new QLabel(QStringLiteral("High limit"), limits), 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Low limit"), limits), 0, 3, 1, 2);
    const char *captions[kAlarmChannels] = {"T&1", "T&2", "T1-T2 (&difference)"};
    for (int c = 0; c < kAlarmChannels; ++c) {
        const QString name = alarmChannelName(static_cast<AlarmChannel>(c));
        Row &r = m_rows[c];
        auto *caption = new QLabel(QString::fromLatin1(captions[c]), limits);
        r.highOn = new QCheckBox(QStringLiteral("on"), limits);
        r.highOn->setObjectName(name + QStringLiteral(" high on"));
        r.highOn->setAccessibleName(name + QStringLiteral(" high limit on"));
        caption->setBuddy(r.highOn);
        r.high = degreesBox(limits, a.unit, name + QStringLiteral(" high limit"));
        r.lowOn = new QCheckBox(QStringLiteral("on"), limits);
        r.lowOn->setObjectName(name + QStringLiteral(" low on"));
        r.lowOn->setAccessibleName(name + QStringLiteral(" low limit on"));
        r.low = degreesBox(limits, a.unit, name + QStringLiteral(" low limit"));
        grid->addWidget(caption, c + 1, 0);
        const ChannelLimits &l = a.channels[c];
        r.highOn->setChecked(l.high.on);
        r.high->setValue(l.high.value);
        r.lowOn->setChecked(l.low.on);
        r.low->setValue(l.low.value);
        r.high->setEnabled(l.high.on);
        r.low->setEnabled(l.low.on);
        connect(r.highOn, &QCheckBox::toggled, r.high, &QWidget::setEnabled);
        connect(r.lowOn, &QCheckBox::toggled, r.low, &QWidget::setEnabled);
        for (QCheckBox *box : {r.highOn, r.lowOn})
            connect(box, &QCheckBox::toggled, this, &AlarmsDialog::checkLimits);
        for (QDoubleSpinBox *box : {r.high, r.low})
            connect(box, &QDoubleSpinBox::valueChanged, this, &AlarmsDialog::checkLimits);
        // The one-channel meter has T1 only.
        const bool there = c == 0 || channels >= 2;
        for (QWidget *w : {static_cast<QWidget *>(r.highOn), static_cast<QWidget *>(r.high),
                           static_cast<QWidget *>(r.lowOn), static_cast<QWidget *>(r.low)})
            if (!there)
                w->setEnabled(false);
        if (!there)
            caption->setEnabled(false);
        grid->addWidget(r.highOn, c + 1, 1);
        grid->addWidget(r.high, c + 1, 2);
        grid->addWidget(r.lowOn, c + 1, 3);
        grid->addWidget(r.low, c + 1, 4);
    }

    auto *more = new QGroupBox(QStringLiteral("When an alarm fires"), this);
    auto *form = new QFormLayout(more);
    m_hysteresis = new QDoubleSpinBox(more);
    m_hysteresis->setObjectName(QStringLiteral("Hysteresis"));
    m_hysteresis->setRange(0.0, 100.0);
    m_hysteresis->setDecimals(1);
    m_hysteresis->setSuffix(QStringLiteral(" \u00B0%1").arg(a.unit));
    m_hysteresis->setValue(a.hysteresis);
    m_hysteresis->setAccessibleName(QStringLiteral("Hysteresis"));
    m_hysteresis->setToolTip(QStringLiteral("How far back inside its limit a reading must come to clear the alarm"));
    form->addRow(QStringLiteral("&Hysteresis"), m_hysteresis);
    m_delay = new QDoubleSpinBox(more);
    m_delay->setObjectName(QStringLiteral("Delay"));
    m_delay->setRange(0.0, 3600.0);
    m_delay->setDecimals(0);
    m_delay->setSuffix(QStringLiteral(" s"));
    m_delay->setValue(a.delaySeconds);
    m_delay->setAccessibleName(QStringLiteral("Delay"));
    m_delay->setToolTip(QStringLiteral("How long a reading must stay past its limit before the alarm fires"));
    form->addRow(QStringLiteral("D&elay"), m_delay);
    m_watchdog = new QCheckBox(QStringLiteral("Alarm when the meter stops &answering"), more);
    m_watchdog->setObjectName(QStringLiteral("Watchdog"));
    m_watchdog->setAccessibleName(m_watchdog->text().remove(QLatin1Char('&')));
    m_watchdog->setChecked(a.watchdog);
    form->addRow(m_watchdog);
    m_notify = new QCheckBox(QStringLiteral("Desktop &notification"), more);
    m_notify->setObjectName(QStringLiteral("Notification"));
    m_notify->setAccessibleName(QStringLiteral("Desktop notification"));
    m_notify->setChecked(a.notify);
    form->addRow(m_notify);
    m_sound = new QCheckBox(QStringLiteral("&Sound"), more);
    m_sound->setObjectName(QStringLiteral("Sound"));
    m_sound->setAccessibleName(QStringLiteral("Sound"));
    m_sound->setChecked(a.sound);
    form->addRow(m_sound);
    m_reminder = new QComboBox(more);
    m_reminder->setObjectName(QStringLiteral("Reminder"));
    m_reminder->setAccessibleName(QStringLiteral("Remind every"));
    m_reminder->setToolTip(QStringLiteral("While an alarm lasts and nobody acknowledged it, beep and notify again"));
    for (int minutes : {0, 1, 5, 15})
        m_reminder->addItem(minutes == 0 ? QStringLiteral("Never") : minutes == 1 ? QStringLiteral("1 minute")
                                                                               : QStringLiteral("%1 minutes").arg(minutes),
                            minutes);
    m_reminder->setCurrentIndex(std::max(0, m_reminder->findData(m_options.reminderMinutes)));
    form->addRow(QStringLiteral("Re&mind every"), m_reminder);

    QWidget *rate = rateBox(channels);
    QWidget *command = commandBox();

    m_problem = new QLabel(this);
    m_problem->setObjectName(QStringLiteral("Problem"));
    m_problem->setStyleSheet(QStringLiteral("color: #b00000"));
    m_problem->setWordWrap(true);
    m_problem->hide();

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(limits);
    layout->addWidget(more);
    layout->addWidget(rate);
    layout->addWidget(command);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    checkLimits();
}

QWidget *AlarmsDialog::rateBox(int channels)
{
    const QString unit = m_options.alarms.unit;
    auto *rate = new QGroupBox(QStringLiteral("Rate of rise"), this);
    auto *grid = new QGridLayout(rate);
    m_rateWindow = new QDoubleSpinBox(rate);
    m_rateWindow->setObjectName(QStringLiteral("Rate window"));
    m_rateWindow->setRange(2.0, 3600.0);
    m_rateWindow->setDecimals(0);
    m_rateWindow->setSuffix(QStringLiteral(" s"));
    m_rateWindow->setValue(m_options.rateWindowSeconds);
    m_rateWindow->setAccessibleName(QStringLiteral("Rate of rise window"));
    m_rateWindow->setToolTip(QStringLiteral("The slope is taken over the samples of this many seconds"));
    auto *windowLabel = new QLabel(QStringLiteral("&Window"), rate);
    windowLabel->setBuddy(m_rateWindow);
    grid->addWidget(windowLabel, 0, 0);
    grid->addWidget(m_rateWindow, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Rises faster than"), rate), 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Falls faster than"), rate), 1, 3, 1, 2);
    for (int c = 0; c < 2; ++c) {
        const QString name = alarmChannelName(static_cast<AlarmChannel>(c));
        const ChannelLimits &l = m_options.alarms.rates[c];
        Row &r = m_rateRows[c];
        auto box = [&](const QString &what, double value) {
            QDoubleSpinBox *b = degreesBox(rate, unit, name + what);
            b->setRange(0.1, 9999.0);
            b->setSuffix(QStringLiteral(" \u00B0%1/min").arg(unit));
            b->setValue(value);
            return b;
        };
        r.highOn = new QCheckBox(QStringLiteral("on"), rate);
        r.highOn->setObjectName(name + QStringLiteral(" rise on"));
        r.highOn->setAccessibleName(name + QStringLiteral(" rises faster than on"));
        r.high = box(QStringLiteral(" rises faster than"), l.high.on ? l.high.value : 10.0);
        r.lowOn = new QCheckBox(QStringLiteral("on"), rate);
        r.lowOn->setObjectName(name + QStringLiteral(" fall on"));
        r.lowOn->setAccessibleName(name + QStringLiteral(" falls faster than on"));
        r.low = box(QStringLiteral(" falls faster than"), l.low.on ? -l.low.value : 10.0);
        r.highOn->setChecked(l.high.on);
        r.lowOn->setChecked(l.low.on);
        r.high->setEnabled(l.high.on);
        r.low->setEnabled(l.low.on);
        connect(r.highOn, &QCheckBox::toggled, r.high, &QWidget::setEnabled);
        connect(r.lowOn, &QCheckBox::toggled, r.low, &QWidget::setEnabled);
        for (QDoubleSpinBox *b : {r.high, r.low})
            connect(b, &QDoubleSpinBox::valueChanged, this, &AlarmsDialog::checkLimits);
        for (QCheckBox *b : {r.highOn, r.lowOn})
            connect(b, &QCheckBox::toggled, this, &AlarmsDialog::checkLimits);
        auto *caption = new QLabel(name, rate);
        grid->addWidget(caption, c + 2, 0);
        grid->addWidget(r.highOn, c + 2, 1);
        grid->addWidget(r.high, c + 2, 2);
        grid->addWidget(r.lowOn, c + 2, 3);
        grid->addWidget(r.low, c + 2, 4);
        if (c > 0 && channels < 2)
            for (QWidget *w : {static_cast<QWidget *>(caption), static_cast<QWidget *>(r.highOn),
                               static_cast<QWidget *>(r.high), static_cast<QWidget *>(r.lowOn),
                               static_cast<QWidget *>(r.low)})
                w->setEnabled(false);
    }
    return rate;
}

QWidget *AlarmsDialog::commandBox()
{
    auto *group = new QGroupBox(QStringLiteral("Command"), this);
    auto *layout = new QVBoxLayout(group);
    m_runCommand = new QCheckBox(QStringLiteral("&Run a command on each event"), group);
    m_runCommand->setObjectName(QStringLiteral("Run command"));
    m_runCommand->setAccessibleName(QStringLiteral("Run a command on each event"));
    m_runCommand->setChecked(m_options.runCommand);
    m_command = new QLineEdit(m_options.command, group);
    m_command->setObjectName(QStringLiteral("Command"));
    m_command->setAccessibleName(QStringLiteral("Command"));
    m_command->setPlaceholderText(QStringLiteral("e.g. notify-send \"$KV481_CHANNEL $KV481_EVENT\""));
    m_command->setToolTip(QStringLiteral(
        "Run by /bin/sh for each event, one at a time, for at most %1 s. The event is in KV481_EVENT, "
        "KV481_CHANNEL, KV481_CAUSE, KV481_VALUE, KV481_LIMIT, KV481_UNIT and KV481_TIME.")
                              .arg(AlarmCommand::kDefaultLimitMs / 1000));
    m_command->setEnabled(m_runCommand->isChecked());
    connect(m_runCommand, &QCheckBox::toggled, m_command, &QWidget::setEnabled);
    connect(m_runCommand, &QCheckBox::toggled, this, &AlarmsDialog::checkLimits);
    connect(m_command, &QLineEdit::textChanged, this, &AlarmsDialog::checkLimits);
    layout->addWidget(m_runCommand);
    layout->addWidget(m_command);
    return group;
}

// A low limit at or above the high one could never clear, one beyond the
// meter never fire: OK waits until the limits make sense.
QString AlarmsDialog::problem() const
{
    QStringList wrong;
    for (int c = 0; c < kAlarmChannels; ++c) {
        const Row &r = m_rows[c];
        if (r.highOn->isChecked() && r.lowOn->isChecked() && r.low->value() >= r.high->value())
            wrong << alarmChannelName(static_cast<AlarmChannel>(c));
    }
    if (!wrong.isEmpty())
        return QStringLiteral("The low limit must be below the high limit (%1).").arg(wrong.join(QStringLiteral(", ")));
    QString range = options().alarms.outOfRange();
    if (!range.isEmpty()) {
        range[0] = range[0].toUpper();
        return range + QLatin1Char('.');
    }
    if (m_runCommand->isChecked() && m_command->text().trimmed().isEmpty())
        return QStringLiteral("Write the command to run, or turn it off.");
    return QString();
}

void AlarmsDialog::checkLimits()
{
    if (!m_command)
        return; // still being built
    const QString text = problem();
    m_problem->setText(text);
    m_problem->setVisible(!text.isEmpty());
    m_ok->setEnabled(text.isEmpty());
}

namespace {

// What a box holds: the exact figure it was opened with while it still
// shows that figure rounded, so that limits set in the other unit come back
// unchanged when nobody touched them.
double boxValue(const QDoubleSpinBox *box, double exact)
{
    const double shown = QString::number(exact, 'f', box->decimals()).toDouble();
    return box->value() == shown ? exact : box->value();
}

} // namespace

WatchOptions AlarmsDialog::options() const
{
    WatchOptions o = m_options;
    AlarmSettings &a = o.alarms;
    for (int c = 0; c < kAlarmChannels; ++c) {
        const Row &r = m_rows[c];
        ChannelLimits &l = a.channels[c];
        const ChannelLimits &opened = m_options.alarms.channels[c];
        l.high = {r.highOn->isChecked() && r.highOn->isEnabled(), boxValue(r.high, opened.high.value)};
        l.low = {r.lowOn->isChecked() && r.lowOn->isEnabled(), boxValue(r.low, opened.low.value)};
        // Kept as set on a meter with both channels, while a 481 is on the line.
        if (!r.highOn->isEnabled() && c > 0) {
            l.high.on = m_options.alarms.channels[c].high.on;
            l.low.on = m_options.alarms.channels[c].low.on;
        }
    }
    a.hysteresis = boxValue(m_hysteresis, m_options.alarms.hysteresis);
    a.delaySeconds = boxValue(m_delay, m_options.alarms.delaySeconds);
    a.watchdog = m_watchdog->isChecked();
    a.sound = m_sound->isChecked();
    a.notify = m_notify->isChecked();
    o.rateWindowSeconds = boxValue(m_rateWindow, m_options.rateWindowSeconds);
    o.reminderMinutes = m_reminder->currentData().toInt();
    for (int c = 0; c < 2; ++c) {
        const Row &r = m_rateRows[c];
        const ChannelLimits &opened = m_options.alarms.rates[c];
        ChannelLimits &l = a.rates[c];
        l.high = {r.highOn->isChecked(), boxValue(r.high, opened.high.value)};
        l.low = {r.lowOn->isChecked(), -boxValue(r.low, -opened.low.value)};
        if (!r.highOn->isEnabled()) // T2's, kept while a 481 is on the line
            l = opened;
    }
    o.runCommand = m_runCommand->isChecked();
    o.command = m_command->text().trimmed();
    return o;
}

} // namespace kv
