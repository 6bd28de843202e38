// What may be stored as a telephone number: the one rule the window's boxes
// and every reader of the tool's end in.

#include "store/telephonenumber.h"

#include <QtTest>

using store::TelephoneNumber;

using Reading = std::optional<qint64>;

class TestTelephoneNumber : public QObject
{
    Q_OBJECT

private slots:
    void value_data();
    void value();
};

void TestTelephoneNumber::value_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<Reading>("value");

    QTest::newRow("plain digits") << "5550101" << Reading(5550101);
    QTest::newRow("one digit") << "1" << Reading(1);
    QTest::newRow("leading zeros") << "0012" << Reading(12);
    QTest::newRow("17 zeros and 1") << (QString(17, u'0') + u'1') << Reading(1);
    // Leading zeros do not count towards the digits.
    QTest::newRow("30 characters, 2 digits") << (QString(28, u'0') + QStringLiteral("42")) << Reading(42);
    QTest::newRow("18 digits") << "999999999999999999" << Reading(999999999999999999);
    QTest::newRow("18 digits after a leading zero") << "0999999999999999999" << Reading(999999999999999999);
    QTest::newRow("19 digits") << "1000000000000000000" << Reading();
    QTest::newRow("19 digits the column could hold") << "9223372036854775807" << Reading();
    QTest::newRow("19 digits past the column") << "9223372036854775808" << Reading();
    QTest::newRow("30 digits") << QString(30, u'7') << Reading();
    QTest::newRow("zero") << "0" << Reading();
    QTest::newRow("18 zeros") << QString(18, u'0') << Reading();
    QTest::newRow("plus") << "+12" << Reading();
    QTest::newRow("minus") << "-12" << Reading();
    QTest::newRow("leading blank") << " 12" << Reading();
    QTest::newRow("trailing blank") << "12 " << Reading();
    QTest::newRow("spaced") << "555 1234" << Reading();
    QTest::newRow("dashed") << "555-1234" << Reading();
    QTest::newRow("letters") << "12ab" << Reading();
    QTest::newRow("decimal point") << "12.5" << Reading();
    QTest::newRow("exponent") << "1e5" << Reading();
    QTest::newRow("hexadecimal") << "0x1F" << Reading();
    QTest::newRow("blanks only") << "   " << Reading();
    QTest::newRow("Arabic-Indic digits") << QStringLiteral("١٢٣") << Reading();
    QTest::newRow("full-width digits") << QStringLiteral("１２３") << Reading();
    QTest::newRow("empty") << "" << Reading();
}

void TestTelephoneNumber::value()
{
    QFETCH(QString, digits);
    QFETCH(Reading, value);
    QCOMPARE(TelephoneNumber::value(digits), value);
}

QTEST_GUILESS_MAIN(TestTelephoneNumber)
#include "tst_telephonenumber.moc"
