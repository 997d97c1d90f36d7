#include "publish/PublishOptions.h"

#include "common/IniDocument.h"

#include <QFile>
#include <QUrl>

namespace kv {

namespace {
const QString kEnabled = QStringLiteral("Enabled");
const QString kBroker = QStringLiteral("Broker");
const QString kPrefix = QStringLiteral("Topic Prefix");
const QString kMeter = QStringLiteral("Meter Name");
const QString kCa = QStringLiteral("CA File");
const QString kCert = QStringLiteral("Certificate File");
const QString kKey = QStringLiteral("Key File");
const QString kUser = QStringLiteral("User");
const QString kPasswordFile = QStringLiteral("Password File");
const QString kRetainState = QStringLiteral("Retain State");

// A password file is one short line; anything longer is not one.
constexpr qint64 kMaxPasswordFile = 64 * 1024;
} // namespace

bool PublishOptions::operator==(const PublishOptions &o) const
{
    return enabled == o.enabled && broker == o.broker && topicPrefix == o.topicPrefix && meterName == o.meterName
        && caFile == o.caFile && certFile == o.certFile && keyFile == o.keyFile && user == o.user
        && passwordFile == o.passwordFile && retainState == o.retainState;
}

QString PublishOptions::section()
{
    return QStringLiteral("Publish");
}

PublishOptions PublishOptions::read(const IniDocument &doc)
{
    PublishOptions p;
    const auto text = [&doc](const QString &key, const QString &def) {
        return doc.value(section(), key).value_or(def);
    };
    p.enabled = text(kEnabled, QStringLiteral("0")).trimmed() == QLatin1String("1");
    p.broker = text(kBroker, p.broker);
    p.topicPrefix = text(kPrefix, p.topicPrefix);
    p.meterName = text(kMeter, p.meterName);
    p.caFile = text(kCa, p.caFile);
    p.certFile = text(kCert, p.certFile);
    p.keyFile = text(kKey, p.keyFile);
    p.user = text(kUser, p.user);
    p.passwordFile = text(kPasswordFile, p.passwordFile);
    p.retainState = text(kRetainState, QStringLiteral("0")).trimmed() == QLatin1String("1");
    return p;
}

void PublishOptions::write(IniDocument &doc) const
{
    doc.setValue(section(), kEnabled, enabled ? QStringLiteral("1") : QStringLiteral("0"));
    doc.setValue(section(), kBroker, broker);
    doc.setValue(section(), kPrefix, topicPrefix);
    doc.setValue(section(), kMeter, meterName);
    doc.setValue(section(), kCa, caFile);
    doc.setValue(section(), kCert, certFile);
    doc.setValue(section(), kKey, keyFile);
    doc.setValue(section(), kUser, user);
    doc.setValue(section(), kPasswordFile, passwordFile);
    // Written only once chosen, so settings files of earlier versions stay
    // as they were.
    if (retainState || doc.value(section(), kRetainState))
        doc.setValue(section(), kRetainState, retainState ? QStringLiteral("1") : QStringLiteral("0"));
}

bool BrokerAddress::parse(const QString &text, BrokerAddress &address, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("mqtt") && scheme != QLatin1String("mqtts")))
        return fail(QStringLiteral("the broker is given as mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not \"%1\"")
                        .arg(text));
    if (url.host().isEmpty())
        return fail(QStringLiteral("the broker address \"%1\" names no host").arg(text));
    if ((!url.path().isEmpty() && url.path() != QLatin1String("/")) || url.hasQuery() || url.hasFragment()
        || !url.userInfo().isEmpty())
        return fail(QStringLiteral("the broker address \"%1\" holds more than a host and a port").arg(text));
    address.tls = scheme == QLatin1String("mqtts");
    address.host = url.host();
    address.port = url.port(address.tls ? 8883 : 1883);
    if (address.port < 1 || address.port > 65535)
        return fail(QStringLiteral("the broker's port must be from 1 to 65535"));
    return true;
}

QString BrokerAddress::text() const
{
    return (host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host) + QLatin1Char(':')
        + QString::number(port);
}

bool readBrokerPassword(const QString &passwordFile, QByteArray &password, QString *error, QString *warning)
{
    password.clear();
    if (passwordFile.isEmpty()) {
        password = qgetenv("KV481_MQTT_PASSWORD");
        return true;
    }
    QFile f(passwordFile);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("the password file %1 cannot be read: %2").arg(passwordFile, f.errorString());
        return false;
    }
    // As ssh does with a key: used, but the user hears that others can read it.
    if (warning && (f.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)))
        *warning = QStringLiteral("the password file %1 can be read by other users (chmod 600 %1)").arg(passwordFile);
    const QByteArray bytes = f.read(kMaxPasswordFile);
    const int end = bytes.indexOf('\n');
    password = end < 0 ? bytes : bytes.left(end);
    if (password.endsWith('\r'))
        password.chop(1);
    return true;
}

} // namespace kv
