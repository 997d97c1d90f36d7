#pragma once
// The readings on their way to one broker under one meter name, kept on disk
// from the moment they are taken until the broker has acknowledged them, so
// that a stop, a crash or a kill loses nothing: the next start sends them
// first, in order. An SQLite database in write-ahead-log mode, locked by its
// one user: a second program publishing the same meter to the same broker is
// refused instead of sending the readings twice or out of order.
//
// Used from one thread only (the publisher's connection thread).

#include "publish/PublishMessages.h"

#include <QList>
#include <QString>

#include <memory>

class QLockFile;
class QSqlDatabase;
class QSqlError;

namespace kv {

class Outbox
{
public:
    // A week of readings at one a second.
    static constexpr qint64 kDefaultCapacity = 7 * 24 * 60 * 60;
    // The layout of the file this version writes; a newer one is refused.
    static constexpr int kFormat = 1;

    struct Row
    {
        qint64 seq = 0;
        MqttMessage message;
    };

    Outbox();
    ~Outbox();
    Outbox(const Outbox &) = delete;
    Outbox &operator=(const Outbox &) = delete;

    // The outbox of meter at broker (host:port) in the program's data folder.
    static QString defaultPath(const QString &broker, const QString &meter);

    // Locks and opens (or creates) the outbox at path. False with a line for
    // the user when another program holds it or it cannot be opened.
    bool open(const QString &path, QString *error);
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }

    // Stores message at the end; its number (> 0), or 0 when the disk
    // refused it (lastError() says why).
    qint64 append(const MqttMessage &message);
    // Removes the acknowledged readings, in one transaction.
    bool remove(const QList<qint64> &seqs);
    // At most limit readings after number after, oldest first.
    QList<Row> read(qint64 after, int limit);
    // The oldest reading after number after (0 when there is none).
    qint64 firstAfter(qint64 after);
    qint64 count();
    QString lastError() const { return m_error; }

private:
    struct Statements;
    void close();
    // Checks the file's format and sets it up; empty, or why it cannot be used.
    QString prepare(QSqlDatabase &db);
    bool fail(const QSqlError &e);

    QString m_path;
    QString m_connection;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<Statements> m_sql;
    bool m_open = false;
    QString m_error;
};

} // namespace kv
