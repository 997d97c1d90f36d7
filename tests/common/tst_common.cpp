// Date-time doubles, BCD, locale texts and the verbatim INI document.

#include "common/Bcd.h"
#include "common/DateTime.h"
#include "common/IniDocument.h"
#include "common/LocaleText.h"
#include "common/Prompt.h"

#include <QLocale>
#include <QtTest>

using namespace kv;

class TestCommon : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void dateTimeScale()
    {
        QCOMPARE(toDateTimeDouble(QDate(1899, 12, 30), QTime(0, 0)), 0.0);
        QCOMPARE(toDateTimeDouble(QDate(1900, 1, 1), QTime(12, 0)), 2.5);
        // A known Delphi value: 2008-02-29 is day 39507.
        QCOMPARE(encodeDate(2008, 2, 29), 39507.0);
        QCOMPARE(encodeTime(6, 0, 0), 0.25);
        QCOMPARE(encodeTime(0, 0, 1) * kSecondsPerDay, 1.0);
    }

    void dateTimeRoundTrip()
    {
        const QDateTime t(QDate(2026, 12, 8), QTime(23, 59, 59, 999), Qt::LocalTime);
        QCOMPARE(fromDateTimeDouble(toDateTimeDouble(t)), t);
        // Accumulated sample steps that land a hair below midnight still
        // give a proper time of day, never 24:00.
        const double nearMidnight = encodeDate(2026, 12, 8) + 1.0 - 1e-10;
        QCOMPARE(datePart(nearMidnight), QDate(2026, 12, 9));
        QCOMPARE(timePart(nearMidnight), QTime(0, 0));
        // Before the epoch "date + time" comes back as built.
        const double early = encodeDate(1899, 12, 20) + encodeTime(18, 0, 0);
        QCOMPARE(datePart(early), QDate(1899, 12, 20));
        QCOMPARE(timePart(early), QTime(18, 0));
        QVERIFY(!datePart(std::numeric_limits<double>::quiet_NaN()).isValid());
        QVERIFY(!datePart(1e300).isValid());
    }

    void calendarChecks()
    {
        QVERIFY(isValidDate(2008, 2, 29));
        QVERIFY(!isValidDate(2008, 2, 30));
        QVERIFY(!isValidDate(1900, 2, 29)); // not a leap year
        QVERIFY(isValidDate(2000, 2, 29));
        QVERIFY(!isValidDate(0, 1, 1));
        QVERIFY(!isValidDate(10000, 1, 1));
        QVERIFY(!isValidDate(2008, 0, 1));
        QVERIFY(!isValidDate(2008, 13, 1));
        QVERIFY(isValidTime(23, 59, 59));
        QVERIFY(!isValidTime(24, 0, 0));
        QVERIFY(!isValidTime(12, 60, 0));
        QVERIFY(!isValidTime(12, 0, 60));
    }

    void bcd()
    {
        QCOMPARE(bcdToInt(0x59), 59);
        QCOMPARE(bcd4ToInt(0x20, 0x08), 2008);
        QCOMPARE(bcdToInt(0xFF), 165); // face value; the caller's range check rejects it
        QCOMPARE(intToBcd(47), std::uint8_t(0x47));
    }

    void timeTexts()
    {
        const double t = encodeDate(2007, 12, 5) + encodeTime(14, 3, 10);
        QCOMPARE(hhmmssText(t), QStringLiteral("14:03:10"));
        QCOMPARE(shortDateText(t), QStringLiteral("12/5/07"));
        QCOMPARE(longTimeText(t), QStringLiteral("2:03:10 PM"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(longTimeText(t), QStringLiteral("14:03:10"));
        QCOMPARE(shortDateText(t), QStringLiteral("05.12.07"));
        QVERIFY(!longTimeFormat().contains(QLatin1Char('t')));
        // Where the time zone stood in brackets or after a comma, nothing of
        // it is left behind; the locale's own words stay.
        const auto timeIn = [t](const char *locale) {
            QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
            return longTimeText(t);
        };
        QCOMPARE(timeIn("es_ES"), QStringLiteral("14:03:10"));
        QCOMPARE(timeIn("hr_HR"), QStringLiteral("14:03:10"));
        QCOMPARE(timeIn("be_BY"), QStringLiteral("14:03:10"));
        QCOMPARE(timeIn("bg_BG"), QStringLiteral("14:03:10 \u0447."));
        QCOMPARE(timeIn("fr_CA"), QStringLiteral("14 h 03 min 10 s"));
        QCOMPARE(timeIn("zh_CN"), QStringLiteral("14:03:10"));
    }

    void fixedNumbers()
    {
        QCOMPARE(fixedText(23.5, 1), QStringLiteral("23.5"));
        QCOMPARE(fixedText(-5, 1), QStringLiteral("-5.0"));
        QCOMPARE(fixedText(1234.5, 1), QStringLiteral("1234.5")); // no thousands separator
        QCOMPARE(fixedText(200, 0), QStringLiteral("200"));
        QCOMPARE(fixedText(-0.04, 1), QStringLiteral("0.0"));
        QVERIFY(fixedText(123456789.0, 1).contains(QLatin1Char('E')));
        QVERIFY(!decimalSeparatorIsComma());
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QVERIFY(decimalSeparatorIsComma());
        QCOMPARE(fixedText(-25.6, 1), QStringLiteral("-25,6"));
        QCOMPARE(fixedText(1234.5, 1), QStringLiteral("1234,5"));
    }

    void parsingNumbers()
    {
        bool ok = false;
        QCOMPARE(parseLocaleDouble(QStringLiteral(" 12.7 "), &ok), 12.7);
        QVERIFY(ok);
        QCOMPARE(parseLocaleDouble(QStringLiteral("-3.9"), &ok), -3.9);
        parseLocaleDouble(QStringLiteral("12,7"), &ok);
        QVERIFY(!ok);
        parseLocaleDouble(QStringLiteral("abc"), &ok);
        QVERIFY(!ok);
        parseLocaleDouble(QStringLiteral(""), &ok);
        QVERIFY(!ok);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(parseLocaleDouble(QStringLiteral("12,7"), &ok), 12.7);
        QVERIFY(ok);
        parseLocaleDouble(QStringLiteral("12.7"), &ok);
        QVERIFY(!ok);

        QCOMPARE(parseInteger(QStringLiteral(" -42 "), &ok), -42);
        QVERIFY(ok);
        parseInteger(QStringLiteral("4.5"), &ok);
        QVERIFY(!ok);
        parseInteger(QStringLiteral("99999999999"), &ok);
        QVERIFY(!ok);
    }

    void iniKeepsNamesAndOtherContent()
    {
        const QByteArray text = "; my notes\r\n[Graph Option]\r\nMax. Scale = 75\r\nColour=blue\r\n\r\n[Other]\r\nx=1\r\n";
        IniDocument doc = IniDocument::parse(text);
        QCOMPARE(doc.value(QStringLiteral("graph option"), QStringLiteral("MAX. SCALE")).value(), QStringLiteral("75"));
        QVERIFY(!doc.value(QStringLiteral("Graph Option"), QStringLiteral("Min. Scale")));
        doc.setValue(QStringLiteral("Graph Option"), QStringLiteral("Max. Scale"), QStringLiteral("60"));
        doc.setValue(QStringLiteral("Graph Option"), QStringLiteral("Min. Scale"), QStringLiteral("-5"));
        doc.setValue(QStringLiteral("New"), QStringLiteral("Key One"), QStringLiteral("v"));
        QCOMPARE(doc.serialize(),
                 QByteArray("; my notes\r\n[Graph Option]\r\nMax. Scale=60\r\nColour=blue\r\nMin. Scale=-5\r\n\r\n"
                            "[Other]\r\nx=1\r\n\r\n[New]\r\nKey One=v\r\n"));
    }

    void iniValuesSurviveRoundTrip()
    {
        const QStringList values = {QStringLiteral("  padded  "), QStringLiteral("\"quoted\""),
                                    QStringLiteral("a = b"), QStringLiteral("Ofen Süd"), QString()};
        IniDocument doc;
        for (int i = 0; i < values.size(); ++i)
            doc.setValue(QStringLiteral("S"), QStringLiteral("K%1").arg(i), values[i]);
        const IniDocument back = IniDocument::parse(doc.serialize());
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(back.value(QStringLiteral("S"), QStringLiteral("K%1").arg(i)).value(), values[i]);
        // Line breaks cannot live in one line; they become blanks.
        doc.setValue(QStringLiteral("S"), QStringLiteral("Multi"), QStringLiteral("a\nb"));
        QCOMPARE(IniDocument::parse(doc.serialize()).value(QStringLiteral("S"), QStringLiteral("Multi")).value(),
                 QStringLiteral("a b"));
    }

    void iniWritesBackWhatItRead_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("mixed line ends") << QByteArray("[A]\r\nk=1\n\r\n;c\r\n");
        QTest::newRow("no final line end") << QByteArray("[A]\nk=1");
        QTest::newRow("final CR only") << QByteArray("[A]\nk=1\r");
        QTest::newRow("lone CR inside") << QByteArray("[A]\nk=a\rb\n");
        QTest::newRow("blank lines only") << QByteArray("\n\n\r\n");
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[A]\nk=1\n");
        QTest::newRow("8-bit and UTF-8 lines") << QByteArray("[A]\nk=Gr\xFC\xDF\nj=Gr\xC3\xBC\xC3\x9F\n");
        QTest::newRow("cut UTF-8 sequence") << QByteArray("[A]\nk=\xC3");
        QTest::newRow("zero bytes") << QByteArray("[A]\nk=\0\0\n\0", 10);
    }
    void iniWritesBackWhatItRead()
    {
        QFETCH(QByteArray, text);
        IniDocument doc = IniDocument::parse(text);
        QCOMPARE(doc.serialize(), text);
        // Setting a key to the value it holds changes nothing either.
        if (const auto v = doc.value(QStringLiteral("a"), QStringLiteral("K"))) {
            doc.setValue(QStringLiteral("A"), QStringLiteral("k"), *v);
            QCOMPARE(doc.serialize(), text);
        }
    }

    void iniDecodesEachLineByItself()
    {
        // One 8-bit line does not turn the UTF-8 lines into 8-bit text.
        IniDocument doc = IniDocument::parse("[A]\nk=Gr\xFC\xDF\nj=Gr\xC3\xBC\xC3\x9F\n[\xC4]\nx=1\n");
        QCOMPARE(doc.value(QStringLiteral("A"), QStringLiteral("k")).value(), QStringLiteral("Gr\u00FC\u00DF"));
        QCOMPARE(doc.value(QStringLiteral("A"), QStringLiteral("j")).value(), QStringLiteral("Gr\u00FC\u00DF"));
        QCOMPARE(doc.value(QStringLiteral("\u00C4"), QStringLiteral("x")).value(), QStringLiteral("1"));
        doc.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("\u00C4"));
        QCOMPARE(doc.serialize(), QByteArray("[A]\nk=\xC3\x84\nj=Gr\xC3\xBC\xC3\x9F\n[\xC4]\nx=1\n"));
    }

    void iniOddInput()
    {
        // A BOM, 8-bit text, a section without its bracket and keys before
        // any section are all read without trouble.
        IniDocument doc = IniDocument::parse("\xEF\xBB\xBF[A]\nk=1\n");
        QCOMPARE(doc.value(QStringLiteral("A"), QStringLiteral("k")).value(), QStringLiteral("1"));
        doc = IniDocument::parse("[T]\nt=Gr\xFC\xDF\n");
        QCOMPARE(doc.value(QStringLiteral("T"), QStringLiteral("t")).value(), QStringLiteral("Grüß"));
        doc = IniDocument::parse("k=0\n[B\nk=2\n[B]\nk=3\n");
        QVERIFY(!doc.value(QString(), QStringLiteral("x")));
        QCOMPARE(doc.value(QStringLiteral("B"), QStringLiteral("k")).value(), QStringLiteral("2"));
    }

    void saveDialogNamesFollowTheChosenType()
    {
        // The patterns are in the last parentheses, whatever the description holds.
        QCOMPARE(filterSuffix(QStringLiteral("TXT file(*.txt,data seperated by tab) (*.TXT *.txt)")), QStringLiteral("TXT"));
        QCOMPARE(filterSuffix(QStringLiteral("Data Sets Collection (*.REC)")), QStringLiteral("REC"));
        QCOMPARE(filterSuffix(QStringLiteral("All files (*.*)")), QString());
        QCOMPARE(filterSuffix(QStringLiteral("Anything (*)")), QString());
        QCOMPARE(filterSuffix(QStringLiteral("No patterns")), QString());
        const QString csv = QStringLiteral("EXCEL file format(*.CSV,seperated by comma) (*.CSV *.csv)");
        QCOMPARE(savedFileName(QStringLiteral("/d/tblx"), csv, QStringLiteral("TXT")), QStringLiteral("/d/tblx.CSV"));
        // A typed extension wins; a dot in a folder name is none.
        QCOMPARE(savedFileName(QStringLiteral("/d/tblx.txt"), csv, QStringLiteral("TXT")), QStringLiteral("/d/tblx.txt"));
        QCOMPARE(savedFileName(QStringLiteral("/d.v2/tblx"), csv, QStringLiteral("TXT")), QStringLiteral("/d.v2/tblx.CSV"));
        QCOMPARE(savedFileName(QStringLiteral("/d/tblx"), QStringLiteral("All files (*.*)"), QStringLiteral("TXT")),
                 QStringLiteral("/d/tblx.TXT"));
        QCOMPARE(savedFileName(QString(), csv, QStringLiteral("TXT")), QString());
    }
};

QTEST_GUILESS_MAIN(TestCommon)
#include "tst_common.moc"
