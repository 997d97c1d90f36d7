#include "publish/Outbox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <atomic>

namespace kv {

struct Outbox::Statements
{
    explicit Statements(const QSqlDatabase &db)
        : append(db)
        , remove(db)
        , read(db)
        , first(db)
        , count(db)
    {
    }
    QSqlQuery append, remove, read, first, count;
};

Outbox::Outbox() = default;

Outbox::~Outbox()
{
    close();
}

QString Outbox::defaultPath(const QString &broker, const QString &meter)
{
    // A readable name for whoever looks into the folder, and a digest of
    // the exact names so that names that read alike keep outboxes of their own.
    QString readable;
    for (const QChar c : (broker + QLatin1Char('-') + meter).left(60))
        readable += c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('.') ? c : QLatin1Char('_');
    const QByteArray digest = QCryptographicHash::hash((broker + QLatin1Char('\n') + meter).toUtf8(),
                                                       QCryptographicHash::Sha1)
                                  .toHex()
                                  .left(10);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/KV481/outbox/")
        + readable + QLatin1Char('-') + QString::fromLatin1(digest) + QStringLiteral(".sqlite");
}

bool Outbox::fail(const QSqlError &e)
{
    // SQLite's own words ("database or disk is full"), without Qt's.
    m_error = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return false;
}

QString Outbox::prepare(QSqlDatabase &db)
{
    QSqlQuery q(db);
    const auto problem = [&] {
        // A file SQLite cannot read is left as it is: what it holds may
        // still be saved by hand.
        const QSqlError e = q.lastError();
        const bool damaged = e.nativeErrorCode() == QLatin1String("26") || e.nativeErrorCode() == QLatin1String("11");
        const QString text = e.databaseText().isEmpty() ? e.text() : e.databaseText();
        return damaged ? QStringLiteral("the outbox %1 is damaged (%2): move it away to publish again").arg(m_path, text)
                       : QStringLiteral("the outbox %1 cannot be used: %2").arg(m_path, text);
    };
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return problem();
    const int version = q.value(0).toInt();
    if (version > kFormat)
        return QStringLiteral("the outbox %1 was written by a newer version of this program (format %2; this one "
                              "reads %3): publish with that version, or move the file away")
            .arg(m_path)
            .arg(version)
            .arg(kFormat);
    // The write-ahead log keeps every committed reading through a kill;
    // FULL syncs it at each commit, so a power cut loses none either. The
    // outbox is written on the connection's thread, never the window's.
    for (const char *sql : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL",
                            "CREATE TABLE IF NOT EXISTS readings (seq INTEGER PRIMARY KEY AUTOINCREMENT, "
                            "topic BLOB NOT NULL, payload BLOB NOT NULL, retain INTEGER NOT NULL)"})
        if (!q.exec(QString::fromLatin1(sql)))
            return problem();
    if (version < kFormat && !q.exec(QStringLiteral("PRAGMA user_version=%1").arg(kFormat)))
        return problem();
    return QString();
}

bool Outbox::open(const QString &path, QString *error)
{
    close();
    m_path = path;
    const auto refuse = [&](const QString &why) {
        if (error)
            *error = why;
        close();
        return false;
    };
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return refuse(QStringLiteral("the outbox folder %1 cannot be made").arg(QFileInfo(path).absolutePath()));
    // A lock whose program is gone (killed, or the machine went down) is
    // taken over; one whose program still runs is never.
    m_lock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        qint64 pid = 0;
        QString host, app;
        m_lock->getLockInfo(&pid, &host, &app);
        const QLockFile::LockError e = m_lock->error();
        m_lock.reset();
        if (e == QLockFile::LockFailedError)
            return refuse(QStringLiteral("another program (%1, process %2) is publishing this meter to this broker: "
                                         "its outbox %3 is in use")
                              .arg(app.isEmpty() ? QStringLiteral("unknown") : app)
                              .arg(pid)
                              .arg(path));
        return refuse(QStringLiteral("the outbox %1 cannot be locked").arg(path));
    }
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("kv481-outbox-%1").arg(++serial);
    // The connection's handle goes before the connection is removed on a
    // refusal.
    const QString why = [&]() -> QString {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        if (!db.isValid())
            return QStringLiteral("the outbox needs Qt's SQLite driver (libqt6sql6-sqlite), which is missing");
        db.setDatabaseName(path);
        if (!db.open())
            return QStringLiteral("the outbox %1 cannot be opened: %2").arg(path, db.lastError().text());
        if (QString problem = prepare(db); !problem.isEmpty())
            return problem;
        m_sql = std::make_unique<Statements>(db);
        if (!m_sql->append.prepare(QStringLiteral("INSERT INTO readings (topic, payload, retain) VALUES (?, ?, ?)"))
            || !m_sql->remove.prepare(QStringLiteral("DELETE FROM readings WHERE seq = ?"))
            || !m_sql->read.prepare(QStringLiteral("SELECT seq, topic, payload, retain FROM readings WHERE seq > ? "
                                                   "ORDER BY seq LIMIT ?"))
            || !m_sql->first.prepare(QStringLiteral("SELECT MIN(seq) FROM readings WHERE seq > ?"))
            || !m_sql->count.prepare(QStringLiteral("SELECT COUNT(*) FROM readings"))) {
            m_sql.reset();
            return QStringLiteral("the outbox %1 cannot be used: %2").arg(path, db.lastError().text());
        }
        return QString();
    }();
    if (!why.isEmpty())
        return refuse(why);
    m_open = true;
    return true;
}

void Outbox::close()
{
    m_sql.reset();
    m_open = false;
    if (!m_connection.isEmpty()) {
        QSqlDatabase::database(m_connection, false).close();
        QSqlDatabase::removeDatabase(m_connection);
        m_connection.clear();
    }
    m_lock.reset();
}

qint64 Outbox::append(const MqttMessage &m)
{
    if (!m_open)
        return 0;
    QSqlQuery &q = m_sql->append;
    q.bindValue(0, m.topic);
    q.bindValue(1, m.payload);
    q.bindValue(2, m.retain ? 1 : 0);
    if (!q.exec()) {
        fail(q.lastError());
        return 0;
    }
    const qint64 seq = q.lastInsertId().toLongLong();
    q.finish();
    return seq;
}

bool Outbox::remove(const QList<qint64> &seqs)
{
    if (!m_open || seqs.isEmpty())
        return m_open;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // One transaction for a burst of acknowledgements: one write of the log.
    const bool batch = seqs.size() > 1 && db.transaction();
    QSqlQuery &q = m_sql->remove;
    for (const qint64 seq : seqs) {
        q.bindValue(0, seq);
        if (!q.exec()) {
            if (batch)
                db.rollback();
            return fail(q.lastError());
        }
    }
    if (batch && !db.commit())
        return fail(db.lastError());
    return true;
}

QList<Outbox::Row> Outbox::read(qint64 after, int limit)
{
    QList<Row> rows;
    if (!m_open)
        return rows;
    QSqlQuery &q = m_sql->read;
    q.bindValue(0, after);
    q.bindValue(1, limit);
    if (!q.exec()) {
        fail(q.lastError());
        return rows;
    }
    while (q.next())
        rows.append({q.value(0).toLongLong(), {q.value(1).toByteArray(), q.value(2).toByteArray(), q.value(3).toInt() != 0}});
    q.finish();
    return rows;
}

qint64 Outbox::firstAfter(qint64 after)
{
    if (!m_open)
        return 0;
    QSqlQuery &q = m_sql->first;
    q.bindValue(0, after);
    qint64 seq = 0;
    if (q.exec() && q.next())
        seq = q.value(0).toLongLong();
    q.finish();
    return seq;
}

qint64 Outbox::count()
{
    if (!m_open)
        return 0;
    QSqlQuery &q = m_sql->count;
    qint64 n = 0;
    if (q.exec() && q.next())
        n = q.value(0).toLongLong();
    q.finish();
    return n;
}

} // namespace kv
