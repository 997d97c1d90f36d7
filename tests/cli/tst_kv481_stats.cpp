// kv481 sets --stats: each set's figures, in TAB-separated text under the
// process's regional settings and as JSON, against those the data-logger
// window shows.

#include "files/CollectionFile.h"
#include "logger/DataSetDecoder.h"
#include "logger/DataSetStatistics.h"
#include "common/LocaleText.h"

#include "support/ShellRun.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace kv;
using namespace kv::test;

namespace {

// The output lines of a run that succeeded; none when it failed.
QList<QByteArray> run(const QStringList &args, const QString &locale)
{
    const Run r = kv481(args, locale);
    return r.exitCode == 0 ? outputLines(r.out) : QList<QByteArray>();
}

} // namespace

class TestKv481Stats : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void figuresAsTheWindowShowsThem_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("processLocale");
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("482 demo de_DE") << "482" << "demo" << "de_DE.UTF-8" << QLocale(QLocale::German, QLocale::Germany);
        QTest::newRow("481 demo en_US") << "481" << "demo" << "en_US.UTF-8" << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("482 branches en_GB") << "482" << "branches" << "en_GB.UTF-8" << QLocale(QLocale::English, QLocale::UnitedKingdom);
    }
    void figuresAsTheWindowShowsThem()
    {
        QFETCH(QString, model);
        QFETCH(QString, kind);
        QFETCH(QString, processLocale);
        QFETCH(QLocale, locale);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("m.rec"));
        QVERIFY(!writeMemory(file, {"--model", model, "--memory-kind", kind}).isEmpty());
        QLocale::setDefault(locale);
        const CollectionFileResult read = CollectionFile::readFile(file);
        QVERIFY(read.ok);
        const DecodeResult d = decodeImage(read.image, CorrectStartDateTime());
        QCOMPARE(d.outcome, DecodeOutcome::Decoded);
        const DataSetCollection &c = *d.collection;
        const int channels = c.bytesPerSample == 4 ? 2 : 1;
        const QVector<QStringList> rows = dataSetListRows(c);

        QList<QByteArray> text = run({QStringLiteral("sets"), file, QStringLiteral("--stats")}, processLocale);
        QCOMPARE(text.size(), rows.size() + 1);
        // A line names the columns first, as many as every line has.
        const QByteArray names = text.takeFirst();
        QCOMPARE(names, QByteArray("set\tdate\ttime\tinterval\tcount\tunit\tend_date\tend_time\tduration\t"
                                   "t1_mean\tt1_sd\tt1_max\tt1_min")
                            + (channels == 2 ? "\tt2_mean\tt2_sd\tt2_max\tt2_min" : ""));
        for (const QByteArray &line : text)
            QCOMPARE(line.count('\t'), names.count('\t'));
        const QList<QByteArray> json = run({QStringLiteral("sets"), file, QStringLiteral("--stats"),
                                            QStringLiteral("--format"), QStringLiteral("jsonl")},
                                           processLocale);
        QCOMPARE(json.size(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            const DataSetStatistics st = dataSetStatistics(c, i, channels);
            QStringList f = rows.at(i);
            f << QString(c.sets.at(i).unit) << shortDateText(st.end) << longTimeText(st.end)
              << durationText(st.durationSeconds);
            for (int ch = 0; ch < channels; ++ch) {
                const ChannelStatistics &s = st.channel[ch];
                if (s.any())
                    f << fixedText(s.mean, 2) << fixedText(s.stdDev, 2) << fixedText(s.max, 1) << fixedText(s.min, 1);
                else
                    f << QString() << QString() << QString() << QString();
            }
            QCOMPARE(QString::fromUtf8(text.at(i)), f.join(QLatin1Char('\t')));

            const QJsonObject o = QJsonDocument::fromJson(json.at(i)).object();
            QCOMPARE(o.value(QStringLiteral("duration")).toDouble(), st.durationSeconds);
            const QJsonValue t1 = o.value(QStringLiteral("t1"));
            if (st.channel[0].any()) {
                QCOMPARE(t1.toObject().value(QStringLiteral("readings")).toInt(), st.channel[0].count);
                QVERIFY(std::fabs(t1.toObject().value(QStringLiteral("mean")).toDouble() - st.channel[0].mean) <= 0.005);
            } else {
                QVERIFY(t1.isNull());
            }
            QCOMPARE(o.contains(QStringLiteral("t2")), channels == 2);
        }
        QLocale::setDefault(QLocale::c());
    }
};

QTEST_GUILESS_MAIN(TestKv481Stats)
#include "tst_kv481_stats.moc"
