#pragma once
// What the user chose for publishing live readings to an MQTT broker, as the
// settings file keeps it in a section of its own. The password is never
// among them: it comes from a file or the environment when the connection
// is made.

#include <QString>

namespace kv {

class IniDocument;

struct PublishOptions
{
    bool enabled = false;
    QString broker;                                // mqtt://HOST[:PORT] or mqtts://HOST[:PORT]
    QString topicPrefix = QStringLiteral("kv481");
    QString meterName;                             // empty: named after the port
    QString caFile;                                // mqtts: the authority that signed the broker's certificate
    QString certFile;                              // mqtts: a client certificate, optional
    QString keyFile;                               // and its key
    QString user;
    QString passwordFile;                          // empty: KV481_MQTT_PASSWORD, else none
    bool retainState = false;                      // the broker keeps the last reading for newcomers

    bool operator==(const PublishOptions &o) const;
    bool operator!=(const PublishOptions &o) const { return !(*this == o); }

    // The section's name in the settings file.
    static QString section();
    // Missing keys give the defaults.
    static PublishOptions read(const IniDocument &doc);
    // Sets every key of the section, leaving the rest of the document alone.
    void write(IniDocument &doc) const;
};

// Where the broker is: parsed from mqtt://HOST[:PORT] or mqtts://HOST[:PORT].
struct BrokerAddress
{
    bool tls = false;
    QString host;
    int port = 0;

    // False with a line for the user when the text is not such an address.
    static bool parse(const QString &url, BrokerAddress &address, QString *error);
    QString text() const; // host:port
};

// The password for the broker: the first line of passwordFile when one is
// named, else the environment variable KV481_MQTT_PASSWORD, else none
// (ok stays true with an empty password). False with a line for the user
// when the named file cannot be read. A file others may read is used, with
// a line for the user in warning.
bool readBrokerPassword(const QString &passwordFile, QByteArray &password, QString *error,
                        QString *warning = nullptr);

} // namespace kv
