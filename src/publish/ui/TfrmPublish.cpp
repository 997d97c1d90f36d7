#include "publish/ui/TfrmPublish.h"

#include "publish/MqttPublisher.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kv {

TfrmPublish::TfrmPublish(const PublishOptions &o, std::function<QString(const QString &)> browse, QWidget *parent)
    : QDialog(parent)
    , m_browse(std::move(browse))
{
    setObjectName(QStringLiteral("TfrmPublish"));
    setWindowTitle(QStringLiteral("Publish Readings"));
    auto *top = new QVBoxLayout(this);
    chkEnabled = new QCheckBox(QStringLiteral("&Publish live readings to an MQTT broker"), this);
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    chkEnabled->setAccessibleName(QStringLiteral("Publish live readings"));
    chkEnabled->setChecked(o.enabled);
    top->addWidget(chkEnabled);

    auto *form = new QFormLayout;
    top->addLayout(form);
    auto edit = [&](const char *name, const QString &label, const QString &accessible, const QString &value,
                    const QString &placeholder, bool file) {
        auto *e = new QLineEdit(value, this);
        e->setObjectName(QLatin1String(name));
        e->setAccessibleName(accessible);
        e->setPlaceholderText(placeholder);
        e->setMinimumWidth(320);
        QWidget *field = e;
        if (file) {
            field = new QWidget(this);
            auto *row = new QHBoxLayout(field);
            row->setContentsMargins(0, 0, 0, 0);
            row->addWidget(e, 1);
            auto *b = new QPushButton(QStringLiteral("Browse…"), field);
            b->setObjectName(QLatin1String(name) + QStringLiteral("Browse"));
            b->setAccessibleName(QStringLiteral("Browse for the %1").arg(accessible.toLower()));
            b->setAutoDefault(false);
            connect(b, &QPushButton::clicked, this, [this, e, accessible] {
                const QString chosen = m_browse ? m_browse(accessible) : QString();
                if (!chosen.isEmpty())
                    e->setText(chosen);
            });
            row->addWidget(b);
        }
        auto *l = new QLabel(label, this);
        l->setBuddy(e);
        form->addRow(l, field);
        m_fields << l << field;
        return e;
    };
    edtBroker = edit("edtBroker", QStringLiteral("&Broker:"), QStringLiteral("Broker"), o.broker,
                     QStringLiteral("mqtt://host:1883 or mqtts://host:8883"), false);
    edtPrefix = edit("edtPrefix", QStringLiteral("&Topic prefix:"), QStringLiteral("Topic prefix"), o.topicPrefix,
                     QStringLiteral("kv481"), false);
    edtMeter = edit("edtMeter", QStringLiteral("&Meter name:"), QStringLiteral("Meter name"), o.meterName,
                    QStringLiteral("named after the serial port"), false);
    edtCa = edit("edtCa", QStringLiteral("&CA file:"), QStringLiteral("CA file"), o.caFile,
                 QStringLiteral("mqtts: the broker's certificate authority"), true);
    edtCert = edit("edtCert", QStringLiteral("Client c&ertificate:"), QStringLiteral("Client certificate"), o.certFile,
                   QStringLiteral("optional"), true);
    edtKey = edit("edtKey", QStringLiteral("Client &key:"), QStringLiteral("Client key"), o.keyFile,
                  QStringLiteral("optional"), true);
    edtUser = edit("edtUser", QStringLiteral("&User:"), QStringLiteral("User"), o.user, QStringLiteral("optional"), false);
    edtPasswordFile = edit("edtPasswordFile", QStringLiteral("Pass&word file:"), QStringLiteral("Password file"),
                           o.passwordFile, QStringLiteral("else KV481_MQTT_PASSWORD"), true);

    chkRetainState = new QCheckBox(QStringLiteral("&Retain the last reading at the broker"), this);
    chkRetainState->setObjectName(QStringLiteral("chkRetainState"));
    chkRetainState->setAccessibleName(QStringLiteral("Retain the last reading"));
    chkRetainState->setToolTip(QStringLiteral("Home Assistant then shows the last reading after its own restart "
                                              "instead of \"unknown\"."));
    chkRetainState->setChecked(o.retainState);
    form->addRow(QString(), chkRetainState);

    auto *note = new QLabel(QStringLiteral("Readings go out at the tool bar's sampling rate while the meter is "
                                           "connected and wait in an outbox on disk until the broker has them, "
                                           "through outages and restarts. The password is read from the password "
                                           "file (or the environment variable KV481_MQTT_PASSWORD) and never kept "
                                           "in the settings."),
                            this);
    note->setWordWrap(true);
    top->addWidget(note);
    lblProblem = new QLabel(this);
    lblProblem->setObjectName(QStringLiteral("lblProblem"));
    lblProblem->setAccessibleName(QStringLiteral("Problem"));
    lblProblem->setWordWrap(true);
    lblProblem->setStyleSheet(QStringLiteral("color: #b00000"));
    lblProblem->hide();
    top->addWidget(lblProblem);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmPublish::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(buttons);
    connect(chkEnabled, &QCheckBox::toggled, this, &TfrmPublish::updateEnabled);
    updateEnabled();
    chkEnabled->setFocus();
}

void TfrmPublish::updateEnabled()
{
    // The fields stay editable while publishing is off, so they can be
    // prepared; only the problem of the last try goes.
    lblProblem->hide();
}

PublishOptions TfrmPublish::options() const
{
    PublishOptions o;
    o.enabled = chkEnabled->isChecked();
    o.broker = edtBroker->text().trimmed();
    o.topicPrefix = edtPrefix->text().trimmed().isEmpty() ? PublishOptions().topicPrefix : edtPrefix->text().trimmed();
    o.meterName = edtMeter->text().trimmed();
    o.caFile = edtCa->text().trimmed();
    o.certFile = edtCert->text().trimmed();
    o.keyFile = edtKey->text().trimmed();
    o.user = edtUser->text().trimmed();
    o.passwordFile = edtPasswordFile->text().trimmed();
    o.retainState = chkRetainState->isChecked();
    return o;
}

void TfrmPublish::accept()
{
    const PublishOptions o = options();
    if (o.enabled) {
        PublisherConfig config;
        QString error;
        if (!makePublisherConfig(o, QStringLiteral("meter"), QString(), config, &error)) {
            lblProblem->setText(error.left(1).toUpper() + error.mid(1) + QLatin1Char('.'));
            lblProblem->show();
            return;
        }
    }
    QDialog::accept();
}

} // namespace kv
