// kv481 run as a shell runs it, against the meter emulator on a
// pseudo-terminal and against collection files the emulator writes; what it
// writes is compared byte for byte with the window program's own writers.

#include "cli/CollectionSets.h"
#include "cli/PortLines.h"
#include "common/Clock.h"
#include "common/DateTime.h"
#include "common/LocaleText.h"
#include "common/SafeFile.h"
#include "files/CollectionFile.h"
#include "files/TextDataSet.h"
#include "link/PortProblem.h"
#include "link/QtSerialPort.h"
#include "logger/DataSetDecoder.h"
#include "logger/LoggerDownload.h"
#include "logger/ui/SampleTable.h"
#include "support/BuildPaths.h"

#include <QBuffer>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include "support/FileBytes.h"
#include "support/ShellRun.h"
#include "support/SmallDisk.h"

#include <cerrno>

using namespace kv;
using namespace kv::test;

class TestKv481 : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_demo482, m_demo481, m_badDate, m_branches;

    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_demo482 = path("demo482.rec");
        m_demo481 = path("demo481.rec");
        m_badDate = path("bad.rec");
        m_branches = path("branches.rec");
        QVERIFY(!writeMemory(m_demo482, {QStringLiteral("--model"), QStringLiteral("482")}).isEmpty());
        QVERIFY(!writeMemory(m_demo481, {QStringLiteral("--model"), QStringLiteral("481")}).isEmpty());
        QVERIFY(!writeMemory(m_badDate, {QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--memory-kind"),
                                         QStringLiteral("bad-date")})
                     .isEmpty());
        QVERIFY(!writeMemory(m_branches, {QStringLiteral("--model"), QStringLiteral("482"),
                                          QStringLiteral("--memory-kind"), QStringLiteral("branches")})
                     .isEmpty());
    }

    void helpForEveryCommand()
    {
        const Run top = kv481({QStringLiteral("--help")});
        QCOMPARE(top.exitCode, 0);
        for (const char *c : {"ports", "identify", "read", "download", "sets", "export"}) {
            QVERIFY2(top.out.contains(c), c);
            const Run r = kv481({QString::fromLatin1(c), QStringLiteral("--help")});
            QCOMPARE(r.exitCode, 0);
            QVERIFY2(r.out.startsWith(QByteArray("Usage: kv481 ") + c), r.out.constData());
            QVERIFY(r.err.isEmpty());
        }
        QCOMPARE(kv481({QStringLiteral("--version")}).out, QByteArray("kv481 " KV481_VERSION "\n"));
    }

    void mistakesGiveOneErrorLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, QStringList args, const char *expected) {
            QTest::newRow(name) << args << QString::fromLatin1(expected);
        };
        const QString missing = QDir::temp().filePath(QStringLiteral("kv481-no-such-file.rec"));
        row("no command", {}, "which command");
        row("unknown command", {QStringLiteral("fly")}, "unknown command \"fly\"");
        row("unknown option", {QStringLiteral("ports"), QStringLiteral("--fast")}, "fast");
        row("interval 0", {QStringLiteral("read"), QStringLiteral("--interval"), QStringLiteral("0")}, "--interval");
        row("interval above 61 min", {QStringLiteral("read"), QStringLiteral("--interval"), QStringLiteral("3661")},
            "--interval");
        row("interval not a number", {QStringLiteral("read"), QStringLiteral("--interval"), QStringLiteral("1s")},
            "--interval");
        row("count 0", {QStringLiteral("read"), QStringLiteral("--count"), QStringLiteral("0")}, "--count");
        row("read format", {QStringLiteral("read"), QStringLiteral("--format"), QStringLiteral("xml")}, "--format");
        row("download without output", {QStringLiteral("download")}, "--output");
        row("read output without a name", {QStringLiteral("read"), QStringLiteral("--output"), QString()},
            "--output needs a file name");
        row("export output without a name", {QStringLiteral("export"), missing, QStringLiteral("--output"), QString()},
            "--output needs a file name");
        row("sets without file", {QStringLiteral("sets")}, "needs one collection file");
        row("sets missing file", {QStringLiteral("sets"), missing}, "kv481-no-such-file.rec");
        row("export missing file", {QStringLiteral("export"), missing}, "kv481-no-such-file.rec");
        row("export set and all", {QStringLiteral("export"), missing, QStringLiteral("--set"), QStringLiteral("1"),
                                   QStringLiteral("--all")},
            "not both");
        row("export layout", {QStringLiteral("export"), missing, QStringLiteral("--layout"), QStringLiteral("pie")},
            "--layout");
        row("export format", {QStringLiteral("export"), missing, QStringLiteral("--format"), QStringLiteral("xls")},
            "--format");
        row("identify vanished port", {QStringLiteral("identify"), QStringLiteral("--port"),
                                       QStringLiteral("/dev/kv481-unplugged")},
            "/dev/kv481-unplugged is not there");
    }
    void mistakesGiveOneErrorLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, expected);
        verifyOneErrorLine(kv481(args), expected);
    }

    void damagedAndWrongFiles()
    {
        // A broken end marker in a record: the read error, in one line.
        const QByteArray bytes = fileBytes(m_demo481);
        QVERIFY(!bytes.isEmpty());
        QByteArray broken = bytes;
        broken[CollectionFile::lastAddress(bytes)] = 0x5A;
        const QString brokenFile = path("broken.rec");
        writeFileBytes(brokenFile, broken);
        verifyOneErrorLine(kv481({QStringLiteral("export"), brokenFile}), "There was error when reading data");
        verifyOneErrorLine(kv481({QStringLiteral("sets"), brokenFile}), "broken.rec");

        // Too short for its own header.
        const QString shortFile = path("short.rec");
        writeFileBytes(shortFile, bytes.left(100));
        verifyOneErrorLine(kv481({QStringLiteral("sets"), shortFile}), "short.rec");

        // A set that is not there.
        verifyOneErrorLine(kv481({QStringLiteral("export"), m_demo481, QStringLiteral("--set"), QStringLiteral("99")}),
                           "there is no set 99");
    }

    void impossibleStartsAreReportedAndSkipped()
    {
        CollectionSets decoded = readCollectionSets(m_badDate);
        QVERIFY(decoded.ok);
        QList<int> good, bad;
        for (int i = 0; i < decoded.collection->sets.size(); ++i)
            (decoded.usable(i) ? good : bad) << i + 1;
        QVERIFY(!good.isEmpty());
        QVERIFY(!bad.isEmpty());

        const Run sets = kv481({QStringLiteral("sets"), m_badDate});
        QCOMPARE(sets.exitCode, 0);
        const QList<QByteArray> lines = dataLines(sets.out);
        QCOMPARE(lines.size(), good.size());
        for (int i = 0; i < good.size(); ++i)
            QVERIFY(lines.at(i).startsWith(QByteArray::number(good.at(i)) + '\t'));
        QCOMPARE(sets.err.count(QLatin1String("impossible date")), bad.size());
        QVERIFY2(sets.err.contains(QLatin1String("2008-2-30")), qPrintable(sets.err));

        // Asked for by number: an error, never a guessed date.
        verifyOneErrorLine(kv481({QStringLiteral("export"), m_badDate, QStringLiteral("--set"),
                                  QString::number(bad.first())}),
                           "impossible date");
        const Run all = kv481({QStringLiteral("export"), m_badDate, QStringLiteral("--all"), QStringLiteral("--format"),
                               QStringLiteral("csv-iso")});
        QCOMPARE(all.exitCode, 0);
        for (const QByteArray &l : dataLines(all.out).mid(1))
            QVERIFY2(good.contains(l.left(l.indexOf(',')).toInt()), l.constData());
        QVERIFY(!all.out.contains("1899"));
    }

    // The table and graph layouts are what the window program writes for the
    // same set: its sample table through the table writer, its chart cells
    // through the graph writer; in a point and a comma locale.
    void exportMatchesTheWindowWriters_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("processLocale");
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("482 en_GB") << m_demo482 << QStringLiteral("en_GB.UTF-8") << QLocale(QLocale::English, QLocale::UnitedKingdom);
        QTest::newRow("481 en_US") << m_demo481 << QStringLiteral("en_US.UTF-8") << QLocale(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("branches de_DE") << m_branches << QStringLiteral("de_DE.UTF-8") << QLocale(QLocale::German, QLocale::Germany);
    }
    void exportMatchesTheWindowWriters()
    {
        QFETCH(QString, file);
        QFETCH(QString, processLocale);
        QFETCH(QLocale, locale);
        QLocale::setDefault(locale);
        const CollectionFileResult read = CollectionFile::readFile(file);
        QVERIFY(read.ok);
        DecodeResult d = decodeImage(read.image, CorrectStartDateTime());
        QCOMPARE(d.outcome, DecodeOutcome::Decoded);
        std::unique_ptr<DataSetCollection> slot = std::move(d.collection);
        const int channels = slot->bytesPerSample == 4 ? 2 : 1;
        SampleTable table(slot);

        QByteArray allTable;
        for (int i = 0; i < slot->sets.size(); ++i) {
            table.setDataSet(i, channels);
            for (QChar sep : {TextDataSet::Tab, TextDataSet::Comma}) {
                QBuffer expected;
                expected.open(QIODevice::WriteOnly);
                QVERIFY(TextDataSet::writeGrid(expected, table, 1, table.RowCount() - 1, sep).ok);
                const QString format = sep == TextDataSet::Tab ? QStringLiteral("txt") : QStringLiteral("csv");
                const Run r = kv481({QStringLiteral("export"), file, QStringLiteral("--set"), QString::number(i + 1),
                                     QStringLiteral("--format"), format},
                                    processLocale);
                QCOMPARE(r.exitCode, 0);
                QCOMPARE(r.out, expected.data());
                if (sep == TextDataSet::Tab)
                    allTable += expected.data();
            }

            // The graph layout from the cells the window's chart holds.
            const DataSet &set = slot->sets.at(i);
            std::vector<double> x;
            std::vector<float> y0, y1;
            for (int k = 0; k < set.sampleCount; ++k) {
                x.push_back(table.rowTime(k + 1));
                const QString a = table.cell(3, k + 1), b = table.cell(5, k + 1);
                y0.push_back(a == QLatin1String("OL") ? 9999.0f : static_cast<float>(parseLocaleDouble(a, nullptr)));
                y1.push_back(b == QLatin1String("OL") ? 9999.0f : static_cast<float>(parseLocaleDouble(b, nullptr)));
            }
            GraphCells cells{channels, set.sampleCount, x.data(), y0.data(), y1.data()};
            QBuffer expected;
            expected.open(QIODevice::WriteOnly);
            QVERIFY(TextDataSet::writeGraph(expected, cells, 1, set.sampleCount, QString(set.unit), TextDataSet::Tab).ok);
            const Run r = kv481({QStringLiteral("export"), file, QStringLiteral("--set"), QString::number(i + 1),
                                 QStringLiteral("--layout"), QStringLiteral("graph")},
                                processLocale);
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.out, expected.data());
        }
        // --all is every set one after the other; into a file as well.
        const QString target = path("all.txt");
        const Run r = kv481({QStringLiteral("export"), file, QStringLiteral("--all"), QStringLiteral("--output"), target},
                            processLocale);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(fileBytes(target), allTable);

        // The set list as the window fills it, with the unit.
        const Run sets = kv481({QStringLiteral("sets"), file}, processLocale);
        QByteArray list;
        const QVector<QStringList> rows = dataSetListRows(*slot);
        for (int i = 0; i < rows.size(); ++i)
            list += (rows.at(i).join(QLatin1Char('\t')) + QLatin1Char('\t') + slot->sets.at(i).unit + QLatin1Char('\n')).toUtf8();
        QCOMPARE(sets.out, list);

        QLocale::setDefault(QLocale::c());
    }

    void aReaderThatLeavesEarlyGetsNoErrorLine()
    {
        // A full memory writes far more than a pipe holds.
        const QString full = path("full.rec");
        QVERIFY(!writeMemory(full, {QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--memory-kind"),
                                    QStringLiteral("full")})
                     .isEmpty());
        const QString err = path("err.txt");
        QProcess sh;
        sh.start(QStringLiteral("bash"),
                 {QStringLiteral("-c"),
                  QStringLiteral("'%1' export --all '%2' 2>'%3' | head -c 100 >/dev/null; echo ${PIPESTATUS[0]}")
                      .arg(kv::test::builtFile(QStringLiteral("kv481")), full, err)});
        QVERIFY(sh.waitForFinished(60000));
        QCOMPARE(sh.readAllStandardOutput().trimmed(), QByteArray("1"));
        QFile e(err);
        QVERIFY(e.open(QIODevice::ReadOnly));
        QCOMPARE(e.readAll(), QByteArray());
        // A real write error still says so.
        const Run r = kv481({QStringLiteral("export"), full, QStringLiteral("--output"),
                             QStringLiteral("/proc/version/x.txt")});
        verifyOneErrorLine(r);
    }

    // The standard output on a full device: a failure that says why.
    void aFullStandardOutputSaysWhy()
    {
        const QString noSpace = SafeFile::systemText(ENOSPC);
        for (const QStringList &args :
             {QStringList{QStringLiteral("export"), m_demo482, QStringLiteral("--all")},
              QStringList{QStringLiteral("export"), m_demo482, QStringLiteral("--format"), QStringLiteral("csv-iso")},
              QStringList{QStringLiteral("sets"), m_demo482}}) {
            QProcess p;
            p.setStandardOutputFile(QStringLiteral("/dev/full"));
            p.start(kv::test::builtFile(QStringLiteral("kv481")), args);
            QVERIFY(p.waitForFinished(60000));
            const QString err = QString::fromLocal8Bit(p.readAllStandardError());
            QVERIFY2(p.exitCode() != 0, qPrintable(args.join(QLatin1Char(' '))));
            QCOMPARE(err, QStringLiteral("kv481: the standard output cannot be written: %1\n").arg(noSpace));
        }
    }

    void csvIsoAndJsonlSets()
    {
        const Run csv = kv481({QStringLiteral("export"), m_branches, QStringLiteral("--all"), QStringLiteral("--format"),
                               QStringLiteral("csv-iso")},
                              QStringLiteral("de_DE.UTF-8"));
        QCOMPARE(csv.exitCode, 0);
        const QList<QByteArray> lines = dataLines(csv.out);
        // Several sets: a set column first.
        QCOMPARE(lines.first(), QByteArray("set,time,t1,t1_unit,t1_flag,t2,t2_unit,t2_flag"));
        bool sawOverload = false;
        for (const QByteArray &l : lines.mid(1)) {
            const QList<QByteArray> f = l.split(',');
            QCOMPARE(f.size(), 8);
            QVERIFY2(QDateTime::fromString(QString::fromLatin1(f.at(1)), Qt::ISODate).isValid(), l.constData());
            QVERIFY2(f.at(1).contains('+') || f.at(1).lastIndexOf('-') > 10, l.constData()); // an offset
            for (int v : {2, 5}) {
                QVERIFY(f.at(v + 1) == "C" || f.at(v + 1) == "F");
                if (f.at(v + 2) == "OL") {
                    sawOverload = true;
                    QVERIFY(f.at(v).isEmpty());
                } else {
                    bool ok = false;
                    f.at(v).toDouble(&ok); // a point whatever the locale
                    QVERIFY2(ok, l.constData());
                }
            }
        }
        QVERIFY(sawOverload);

        const Run jsonl = kv481({QStringLiteral("sets"), m_demo482, QStringLiteral("--format"), QStringLiteral("jsonl")});
        QCOMPARE(jsonl.exitCode, 0);
        const QList<QByteArray> sets = dataLines(jsonl.out);
        QVERIFY(!sets.isEmpty());
        for (int i = 0; i < sets.size(); ++i) {
            const QJsonObject o = QJsonDocument::fromJson(sets.at(i)).object();
            QCOMPARE(o.value(QStringLiteral("set")).toInt(), i + 1);
            QVERIFY(o.value(QStringLiteral("count")).toInt() > 0);
            QVERIFY(QDateTime::fromString(o.value(QStringLiteral("start")).toString(), Qt::ISODate).isValid());
        }
    }

    void portsAndIdentify()
    {
        const Run ports = kv481({QStringLiteral("ports")});
        QCOMPARE(ports.exitCode, 0);
        for (const QByteArray &l : dataLines(ports.out))
            QVERIFY2(l.startsWith('/') || l.startsWith("COM"), l.constData());

        for (const char *model : {"481", "482"}) {
            Emulator meter({QStringLiteral("--model"), QString::fromLatin1(model)});
            QVERIFY(!meter.device.isEmpty());
            const Run r = kv481({QStringLiteral("identify"), QStringLiteral("--port"), meter.device});
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.out, (meter.device + QLatin1Char('\t') + QLatin1String(model) + QLatin1Char('\n')).toUtf8());
        }
        Emulator silent({QStringLiteral("--silent")});
        verifyOneErrorLine(kv481({QStringLiteral("identify"), QStringLiteral("--port"), silent.device}),
                           "no meter answered");
    }

    void portsAsJsonLinesAndTheFolderSearched()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyEMU0"));
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--link"), link,
                        QStringLiteral("--usb-serial"), QStringLiteral("EMU0042")});
        QVERIFY(!meter.device.isEmpty());
        const QStringList folder{QStringLiteral("--port-folder"), dir.path()};
        const Run r = kv481(QStringList{QStringLiteral("ports"), QStringLiteral("--format"), QStringLiteral("jsonl")}
                            + folder);
        QCOMPARE(r.exitCode, 0);
        QJsonObject emulated;
        for (const QByteArray &l : dataLines(r.out)) {
            QJsonParseError e;
            const QJsonObject o = QJsonDocument::fromJson(l, &e).object();
            QVERIFY2(e.error == QJsonParseError::NoError, l.constData());
            for (const char *key : {"device", "by_id", "description", "vendor_id", "product_id", "serial_number"})
                QVERIFY2(o.contains(QLatin1String(key)), key);
            QVERIFY(!o.value(QStringLiteral("device")).toString().isEmpty());
            if (o.value(QStringLiteral("device")).toString() == link)
                emulated = o;
        }
        QCOMPARE(emulated.value(QStringLiteral("by_id")).toString(),
                 QStringLiteral("usb-KV481_Meter_Emulator_EMU0042-if00-port0"));
        QCOMPARE(emulated.value(QStringLiteral("description")).toString(), QStringLiteral("KV481 Meter Emulator"));
        QCOMPARE(emulated.value(QStringLiteral("serial_number")).toString(), QStringLiteral("EMU0042"));
        QVERIFY(emulated.value(QStringLiteral("vendor_id")).isNull());
        verifyOneErrorLine(kv481({QStringLiteral("ports"), QStringLiteral("--format"), QStringLiteral("xml")}),
                           "--format takes tsv or jsonl");

        // Without --port the folder's devices are searched with the system's.
        const Run id = kv481(QStringList{QStringLiteral("identify")} + folder);
        QCOMPARE(id.exitCode, 0);
        QCOMPARE(id.out, (link + QStringLiteral("\t481\n")).toUtf8());
    }

    void oddPortTextsKeepOnePortToALine()
    {
        // What a device says of itself comes from the device: tabs, line
        // breaks and quotes in it must not break either format.
        PortInfo p;
        p.entry = QStringLiteral("ttyUSB0");
        p.description = QStringLiteral("Ma\"ker\\\tMo\ndel \u00e9\x01");
        p.manufacturer = QStringLiteral("A\r\nB");
        p.serialNumber = QStringLiteral("S\t1");
        p.vendorId = 0x0403;
        p.productId = 0x6001;
        const QByteArray tsv = portLine(PortsFormat::Tsv, p);
        QCOMPARE(tsv.count('\n'), 1);
        QVERIFY(tsv.endsWith('\n'));
        QCOMPARE(tsv.count('\t'), 4);
        QCOMPARE(tsv.split('\t').at(1), QStringLiteral("Ma\"ker\\ Mo del \u00e9 ").toUtf8());
        const QByteArray json = portLine(PortsFormat::Jsonl, p);
        QCOMPARE(json.count('\n'), 1);
        QJsonParseError e;
        const QJsonObject o = QJsonDocument::fromJson(json, &e).object();
        QCOMPARE(e.error, QJsonParseError::NoError);
        QCOMPARE(o.value(QStringLiteral("description")).toString(), p.description);
        QCOMPARE(o.value(QStringLiteral("serial_number")).toString(), p.serialNumber);
    }

    void busyPortIsNamed()
    {
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481")});
        QtSerialPort holder;
        holder.setDeviceName(meter.device);
        QVERIFY(holder.open());
        verifyOneErrorLine(kv481({QStringLiteral("identify"), QStringLiteral("--port"), meter.device}),
                           "is busy: another program is using it");
    }

    void portProblemsInPlainWords()
    {
        PortOpenFacts f;
        f.device = QStringLiteral("/dev/ttyUSB0");
        f.reported = PortProblemKind::Permission;
        f.accessDenied = true;
        f.group = QStringLiteral("dialout");
        PortProblem p = describePortProblem(f);
        QCOMPARE(p.kind, PortProblemKind::Permission);
#ifdef Q_OS_LINUX
        QVERIFY2(p.text.contains(QLatin1String("sudo usermod -aG dialout $USER")), qPrintable(p.text));
        f.userListedInGroup = true;
        QVERIFY2(describePortProblem(f).text.contains(QLatin1String("log out and in again")), "");
        QVERIFY(!describePortProblem(f).text.contains(QLatin1String("usermod")));
#endif
        // In the group already: no group advice.
        f.inGroup = true;
        QVERIFY(!describePortProblem(f).text.contains(QLatin1String("dialout group")));
        // The library's "permission" on a device we may use is someone holding it.
        f.accessDenied = false;
        QCOMPARE(describePortProblem(f).kind, PortProblemKind::Busy);
        f.exists = false;
        QCOMPARE(describePortProblem(f).kind, PortProblemKind::Vanished);
        f.exists = true;
        f.reported = PortProblemKind::Other;
        f.systemText = QStringLiteral("Input/output error");
        p = describePortProblem(f);
        QCOMPARE(p.kind, PortProblemKind::Other);
        QVERIFY(p.text.contains(QLatin1String("Input/output error")));
    }

    void readInEachFormat_data() { addFormatRows(); }
    void readInEachFormat()
    {
        QFETCH(QString, format);
        // T1 beyond the probe's range is an overload on the meter's display.
        Emulator meter({QStringLiteral("--model"), QStringLiteral("482"), QStringLiteral("--steady"),
                        QStringLiteral("2600,-21.5")});
        const Run r = kv481({QStringLiteral("read"), QStringLiteral("--port"), meter.device, QStringLiteral("--count"),
                             QStringLiteral("3"), QStringLiteral("--format"), format});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
        QList<QByteArray> lines = dataLines(r.out);
        if (format != QLatin1String("jsonl")) {
            QVERIFY(r.out.startsWith("# kv481 " KV481_VERSION "\n# model 482\n# port " + meter.device.toUtf8() + "\n"));
            QCOMPARE(r.out.count("\n#"), 2);
            const char sep = format == QLatin1String("csv") ? ',' : '\t';
            QCOMPARE(lines.takeFirst(), QByteArray("time,T1,T1 flag,T2,T2 flag,unit,annunciators").replace(',', sep));
            for (QByteArray &l : lines)
                l.replace(sep, '|');
        }
        QCOMPARE(lines.size(), 3);
        QDateTime previous;
        for (const QByteArray &l : lines) {
            QString time, t1, t1Flag, t2, unit;
            if (format == QLatin1String("jsonl")) {
                const QJsonObject o = QJsonDocument::fromJson(l).object();
                time = o.value(QStringLiteral("time")).toString();
                QVERIFY(o.value(QStringLiteral("t1")).isNull());
                t1Flag = o.value(QStringLiteral("t1_flag")).toString();
                t2 = QString::number(o.value(QStringLiteral("t2")).toDouble());
                unit = o.value(QStringLiteral("unit")).toString();
                QVERIFY(o.value(QStringLiteral("annunciators")).isArray());
            } else {
                const QList<QByteArray> f = l.split('|');
                QCOMPARE(f.size(), 7);
                time = QString::fromLatin1(f.at(0));
                t1 = QString::fromLatin1(f.at(1));
                t1Flag = QString::fromLatin1(f.at(2));
                t2 = QString::fromLatin1(f.at(3));
                unit = QString::fromLatin1(f.at(5));
            }
            QVERIFY(t1.isEmpty());
            QCOMPARE(t1Flag, QStringLiteral("OL"));
            QCOMPARE(t2.toDouble(), -21.5);
            QCOMPARE(unit, QStringLiteral("C"));
            const QDateTime when = QDateTime::fromString(time, Qt::ISODate);
            QVERIFY2(when.isValid() && time.size() == 29, qPrintable(time)); // milliseconds and the offset
            if (previous.isValid())
                QVERIFY2(when > previous, qPrintable(time));
            previous = when;
        }
    }

    void readOneChannelToFileAndInterrupt()
    {
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--steady"),
                        QStringLiteral("23.4")});
        const QString target = path("live.csv");
        Kv481Process p({QStringLiteral("read"), QStringLiteral("--port"), meter.device, QStringLiteral("--output"), target});
        QVERIFY(p.started());
        // Records appear in the file one by one, while it runs.
        QElapsedTimer t;
        t.start();
        QList<QByteArray> lines;
        while (t.elapsed() < 15000 && lines.size() < 3) {
            QTest::qWait(200);
            lines = dataLines(fileBytes(target));
        }
        QVERIFY2(lines.size() >= 3, "records are flushed one by one");
        p.signal(SIGINT);
        QVERIFY(p.finished(5000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        const QByteArray all = fileBytes(target);
        QVERIFY(all.endsWith('\n'));
        lines = dataLines(all);
        QCOMPARE(lines.takeFirst(), QByteArray("time,T1,T1 flag,unit,annunciators"));
        for (const QByteArray &l : lines) {
            const QList<QByteArray> fields = l.split(',');
            QCOMPARE(fields.size(), 5);
            QCOMPARE(fields.at(1), QByteArray("23.4"));
            QVERIFY(fields.at(2).isEmpty());
        }
    }

    // No meter answers: a file named with --output is not touched, and a
    // download writes no file at all.
    void withoutAMeterTheEarlierFileStays()
    {
        const QByteArray earlier = "yesterday's records\n";
        const QString absent = QStringLiteral("/dev/kv481-unplugged");
        const QString live = path("kept.csv");
        writeFileBytes(live, earlier);
        verifyOneErrorLine(
            kv481({QStringLiteral("read"), QStringLiteral("--port"), absent, QStringLiteral("--output"), live}),
            "/dev/kv481-unplugged");
        QCOMPARE(fileBytes(live), earlier);
        const QString rec = path("kept.rec");
        writeFileBytes(rec, earlier);
        verifyOneErrorLine(
            kv481({QStringLiteral("download"), QStringLiteral("--port"), absent, QStringLiteral("--output"), rec}),
            "/dev/kv481-unplugged");
        QCOMPARE(fileBytes(rec), earlier);
    }

    void downloadIsWhatTheWindowProgramSaves()
    {
        Emulator meter({QStringLiteral("--model"), QStringLiteral("482")});
        const QString target = path("download.rec");
        const Run r = kv481({QStringLiteral("download"), QStringLiteral("--port"), meter.device, QStringLiteral("--output"),
                             target});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.isEmpty(), qPrintable(r.err)); // no progress line when stderr is not a terminal
        const QByteArray written = fileBytes(target);
        QVERIFY(!written.isEmpty());

        // The same memory downloaded here and written by the collection writer.
        QtSerialPort port;
        port.setDeviceName(meter.device);
        QVERIFY(port.open());
        port.purgeInput();
        LoggerDownload job(port, SystemClock::instance());
        QCOMPARE(job.run(482), LoggerDownload::Outcome::Downloaded);
        const QString mine = path("window.rec");
        QVERIFY(CollectionFile::writeFile(mine, job.takeImage()).ok);
        QCOMPARE(written, fileBytes(mine));
        QCOMPARE(written.size(), CollectionFile::lastAddress(written) + 257);
    }

    // A full disk: kv481 fails naming the file and the system's reason, and
    // the earlier file stays byte for byte.
    void aFullDiskFailsAndKeepsTheEarlierFile()
    {
        SmallDisk disk;
        KV_REQUIRE_SMALL_DISK(disk);
        const QByteArray earlier = "the earlier file\n";
        const QString noSpace = SafeFile::systemText(ENOSPC);
        const QString text = disk.path("keep.txt");
        const QString rec = disk.path("keep.rec");
        writeFileBytes(text, earlier);
        writeFileBytes(rec, earlier);
        // Room for a page: the export is larger, the download too.
        QVERIFY(disk.fill(4096));

        Run r = kv481({QStringLiteral("export"), m_demo482, QStringLiteral("--all"), QStringLiteral("--output"), text});
        verifyOneErrorLine(r);
        QCOMPARE(r.err.trimmed(), QStringLiteral("kv481: %1: %2").arg(text, noSpace));
        QCOMPARE(fileBytes(text), earlier);

        Emulator meter({QStringLiteral("--model"), QStringLiteral("482")});
        r = kv481(
            {QStringLiteral("download"), QStringLiteral("--port"), meter.device, QStringLiteral("--output"), rec});
        verifyOneErrorLine(r);
        QCOMPARE(r.err.trimmed(), QStringLiteral("kv481: The file %1 could not be written: %2.").arg(rec, noSpace));
        QCOMPARE(fileBytes(rec), earlier);
        QCOMPARE(disk.names(), (QStringList{QStringLiteral("keep.rec"), QStringLiteral("keep.txt")}));

        // Live records go into their file as they come, until the disk
        // refuses one.
        QVERIFY(disk.fill());
        const QString live = disk.path("live.csv");
        r = kv481({QStringLiteral("read"), QStringLiteral("--port"), meter.device, QStringLiteral("--count"),
                   QStringLiteral("2"), QStringLiteral("--output"), live});
        verifyOneErrorLine(r);
        QCOMPARE(r.err.trimmed(), QStringLiteral("kv481: %1: %2").arg(live, noSpace));
    }

    void downloadOfAnEmptyMemory()
    {
        Emulator meter({QStringLiteral("--model"), QStringLiteral("481"), QStringLiteral("--empty-memory")});
        const QString target = path("empty.rec");
        verifyOneErrorLine(kv481({QStringLiteral("download"), QStringLiteral("--port"), meter.device,
                                  QStringLiteral("--output"), target}),
                           "There was not any data recorded in momery of meter !");
        QVERIFY(!QFile::exists(target));
    }
};

QTEST_GUILESS_MAIN(TestKv481)
#include "tst_kv481.moc"
