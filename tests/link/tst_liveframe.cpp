// Live frame decoding, driven by the case files under data/frames, plus the
// LCD's leading-zero rule.

#include "link/LiveFrame.h"
#include "panel/DigitBlanking.h"
#include "support/BuildPaths.h"
#include "support/CaseFiles.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace kv;

namespace {

QString digitsText(const DisplayDigits &d)
{
    return QStringLiteral("%1 %2 %3 %4").arg(d[0]).arg(d[1]).arg(d[2]).arg(d[3]);
}

// The named field of a reading as text, or a null string for an unknown name.
QString field(const Reading &r, const QString &name)
{
    auto b = [](bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); };
    if (name == QLatin1String("t1"))
        return QString::number(r.t1, 'f', 4);
    if (name == QLatin1String("t2"))
        return QString::number(r.t2, 'f', 4);
    if (name == QLatin1String("unit1"))
        return r.unit1;
    if (name == QLatin1String("unit2"))
        return r.unit2;
    if (name == QLatin1String("statusText"))
        return QLatin1Char('"') + r.statusText + QLatin1Char('"');
    if (name == QLatin1String("maxMinMode"))
        return QString::number(r.maxMinMode);
    if (name == QLatin1String("main"))
        return digitsText(r.mainDigits);
    if (name == QLatin1String("third"))
        return digitsText(r.thirdDigits);
    if (name == QLatin1String("sub"))
        return digitsText(r.subDigits);
    if (name == QLatin1String("panelMain"))
        return digitsText(blankLeadingZeros(r.mainDigits));
    const std::pair<const char *, bool> flags[] = {
        {"meterRecording", r.meterRecording}, {"clockMode", r.clockMode},   {"relative", r.relative},
        {"hold", r.hold},                     {"lowBattery", r.lowBattery}, {"celsius", r.celsius},
        {"t1Overload", r.t1Overload},         {"t1Negative", r.t1Negative}, {"t1Integer", r.t1Integer},
        {"t2Overload", r.t2Overload},         {"t2Negative", r.t2Negative}, {"t2Integer", r.t2Integer},
        {"autoPowerOff", r.autoPowerOff}};
    for (const auto &f : flags)
        if (name == QLatin1String(f.first))
            return b(f.second);
    return QString();
}

QString normalised(const QString &name, const QString &expected)
{
    if (name == QLatin1String("t1") || name == QLatin1String("t2"))
        return QString::number(expected.toDouble(), 'f', 4);
    return expected;
}

} // namespace

class TestLiveFrame : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void caseFiles_data() { test::addCaseFileRows(kv::test::testData(QStringLiteral("frames")), QStringLiteral("*.txt")); }

    void caseFiles()
    {
        QFETCH(QString, path);
        const QList<test::CaseLine> lines = test::caseLines(path);
        QVERIFY2(!lines.isEmpty(), qPrintable(path));
        FrameDecoder decoder;
        int model = 482;
        bool decoded = false;
        for (const test::CaseLine &line : lines) {
            const QString &key = line.key;
            const QString &value = line.value;
            const QString where = QString::fromUtf8(line.where);
            if (key == QLatin1String("model")) {
                model = value.toInt();
            } else if (key == QLatin1String("frame")) {
                const QByteArray bytes = QByteArray::fromHex(value.toLatin1());
                QVERIFY2(bytes.size() == 10, qPrintable(where));
                Frame f;
                std::copy(bytes.begin(), bytes.end(), f.begin());
                decoded = decoder.dispatchFrame(f, model);
            } else if (key == QLatin1String("decoded")) {
                QCOMPARE(decoded ? QStringLiteral("true") : QStringLiteral("false"), value);
            } else {
                const QString actual = field(decoder.reading(), key);
                QVERIFY2(!actual.isNull(), qPrintable(where + QStringLiteral(": unknown field ") + key));
                QVERIFY2(actual == normalised(key, value),
                         qPrintable(QStringLiteral("%1: %2 is %3, expected %4").arg(where, key, actual, value)));
            }
        }
    }

    void previousReadingHandedBack()
    {
        // The panel needs the reading before each decode: the sign of T1-T2
        // compares the new T1 with the T2 of the frame before.
        FrameDecoder d;
        Reading before;
        QVERIFY(d.dispatchFrame({0x02, 0x80, 0x00, 0x02, 0x00, 0, 0, 0x03, 0x00, 0x03}, 482, &before));
        QCOMPARE(before.t2, 0.0);
        QVERIFY(d.dispatchFrame({0x02, 0xA0, 0x00, 0x02, 0x50, 0, 0, 0x01, 0x00, 0x03}, 482, &before));
        QCOMPARE(before.t2, 30.0);
        QVERIFY(!before.hold);
        QCOMPARE(d.reading().t2, 10.0);
        QVERIFY(d.dispatchFrame({0x02, 0xA0, 0x00, 0x02, 0x51, 0, 0, 0x01, 0x00, 0x03}, 482, &before));
        QVERIFY(before.hold);
    }

    void framing()
    {
        QVERIFY(isFramed({0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0x03}));
        QVERIFY(!isFramed({0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0x03}));
        QVERIFY(!isFramed({0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0x02}));
    }

    void leadingZeroBlanking()
    {
        const DisplayDigits B = {kGlyphBlank, kGlyphBlank, 0, 5};
        QCOMPARE(blankLeadingZeros({0, 0, 0, 5}), B);
        QCOMPARE(blankLeadingZeros({0, 0, 0, 0}), (DisplayDigits{kGlyphBlank, kGlyphBlank, 0, 0}));
        QCOMPARE(blankLeadingZeros({1, 0, 0, 5}), (DisplayDigits{1, 0, 0, 5}));
        QCOMPARE(blankLeadingZeros({0, 1, 0, 5}), (DisplayDigits{kGlyphBlank, 1, 0, 5}));
        QCOMPARE(blankLeadingZeros({kGlyphDash, 0, 0, 5}), (DisplayDigits{kGlyphDash, 0, 0, 5}));
    }
};

QTEST_GUILESS_MAIN(TestLiveFrame)
#include "tst_liveframe.moc"
