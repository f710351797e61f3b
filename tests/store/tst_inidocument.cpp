// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inidocument.h"

#include <QtTest>

class TestIniDocument : public QObject
{
    Q_OBJECT

private slots:
    // Encodings, line ends, bytes that are no text and untouched lines are the fuzz corpus's
    // (tools/fuzz, replayed as a test); these are the reading and writing rules themselves.
    void readsValuesByTheRules_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected"); // a null string: absent
        QTest::newRow("key and value trimmed") << "Display" << "iSize W" << "1280";
        QTest::newRow("section and key in other case") << "DISPLAY" << "isize w" << "1280";
        QTest::newRow("one pair of quotes off, ; inside quotes kept") << "Display" << "sD3DDevice" << "Radeon \"X\" ; card";
        QTest::newRow("trailing backslash is plain text") << "Display" << "sPath" << "C:\\Games\\Vantor\\";
        QTest::newRow("comma list is plain text") << "Display" << "sList" << "a.bsa, b.bsa";
        QTest::newRow("; comment is no key") << "Display" << "bHidden" << QString();
        QTest::newRow("# comment is no key") << "Display" << "bHidden2" << QString();
        QTest::newRow("first occurrence wins") << "Display" << "iDup" << "first";
        QTest::newRow("repeated section is one section") << "Display" << "iLater" << "3";
        QTest::newRow("key before any header is top level") << "" << "top" << "before any header";
        QTest::newRow("[General] is top level") << "" << "fDefaultFOV" << "75";
        QTest::newRow("General by name") << "general" << "FDEFAULTFOV" << "75";
        QTest::newRow("empty value") << "Empty" << "sBlank" << "";
        QTest::newRow("lone quote stays") << "Empty" << "sQuote" << "\"";
        QTest::newRow("line without '=' is no key") << "Empty" << "noequals" << QString();
        QTest::newRow("absent key") << "Display" << "missing" << QString();
        QTest::newRow("absent section") << "Nowhere" << "iSize W" << QString();
        QTest::newRow("top-level key is not in a section") << "Display" << "top" << QString();
    }

    void readsValuesByTheRules()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const std::optional<QString> value = IniDocument::fromBytes(
            "top=before any header\n[ Display ]\n  iSize W = 1280  \nsD3DDevice=\"Radeon \"X\" ; card\"  ; the adapter\n"
            "sPath=C:\\Games\\Vantor\\\nsList=a.bsa, b.bsa\n; bHidden=1\n# bHidden2=1\niDup=first\n=orphan\n"
            "[display]\niDup=second\niLater=3\n[General]\nfDefaultFOV=75\n[Empty]\nsBlank=\nsQuote=\"\nnoequals\n")
            .value(section, key);
        QCOMPARE(value.has_value(), !expected.isNull());
        QCOMPARE(value.value_or(QString()), expected);
    }

    // Only the section's first occurrence changes: not a repeat, not the same line elsewhere.
    void writingAKeyChangesOnlyItsValueText()
    {
        for (const auto &[line, key, value, expected] : std::initializer_list<std::array<QString, 4>>{
                 {"  iSize = 8 ; w\r\n", "isize", "1", "  iSize = 1 ; w\r\n"}, // spacing, comment, line end kept
                 {"s=\"A\" ; c\r\n", "s", "\"A;B\"", "s=\"A;B\" ; c\r\n"},         // ; inside quotes is value text
                 {"s=\"Old\"\r\n", "S", "\"New One\"", "s=\"New One\"\r\n"},      // quoted value replaced whole
                 {"fGamma=\n", "fGamma", "1", "fGamma=1\n"}, {"ISIZE h=1\r\n", "iSize H", "2", "ISIZE h=2\r\n"}}) {
            IniDocument document = IniDocument::fromBytes(("[Display]\r\n" + line + line + "[B]\r\n" + line).toUtf8());
            QVERIFY(document.setValue(QStringLiteral("display"), key, value));
            QCOMPARE(QString::fromUtf8(document.toBytes()), "[Display]\r\n" + expected + line + "[B]\r\n" + line);
        }
    }

    void newKeysGoAfterTheLastKeyOfTheirSection_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("after");
        QTest::newRow("after the last key, before trailing comments") << "[W]\na=1\n; ends\n[C]\nb=2\n" << "w"
                                                                      << "[W]\na=1\nnew=v\n; ends\n[C]\nb=2\n";
        QTest::newRow("repeated section: its last key") << "[A]\n[B]\n[A]\nc=1\n" << "A" << "[A]\n[B]\n[A]\nc=1\nnew=v\n";
        QTest::newRow("section without keys: after its header") << "[A]\n[B]\nb=1\n" << "A" << "[A]\nnew=v\n[B]\nb=1\n";
        QTest::newRow("missing section appended") << "[A]\na=1\n" << "Decals" << "[A]\na=1\n[Decals]\nnew=v\n";
        QTest::newRow("top level into [General], not above the first header") << "pre=1\n[A]\n[General]\ng=1\n[B]\n" << ""
                                                                              << "pre=1\n[A]\n[General]\ng=1\nnew=v\n[B]\n";
        QTest::newRow("top level without [General] gets one") << "pre=1\n[A]\n" << "" << "pre=1\n[A]\n[General]\nnew=v\n";
        QTest::newRow("first line's end, last line ended") << "[A]\r\na=1\nb=2" << "A" << "[A]\r\na=1\nb=2\r\nnew=v\r\n";
        QTest::newRow("lf first line in a mixed file") << "[A]\na=1\r\n" << "B" << "[A]\na=1\r\n[B]\nnew=v\n";
        const QString end = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows ? "\r\n" : "\n";
        QTest::newRow("empty file: the system's line end") << "" << "A" << "[A]" + end + "new=v" + end;
    }

    // A second new key follows the first, and both read back from the saved bytes.
    void newKeysGoAfterTheLastKeyOfTheirSection()
    {
        QFETCH(QString, before);
        QFETCH(QString, section);
        QFETCH(QString, after);
        IniDocument document = IniDocument::fromBytes(before.toUtf8());
        QVERIFY(document.setValue(section, QStringLiteral("new"), QStringLiteral("v")));
        QCOMPARE(QString::fromUtf8(document.toBytes()), after);
        QVERIFY(document.setValue(section, QStringLiteral("second"), QStringLiteral("w")));
        const QByteArray bytes = document.toBytes();
        after.replace("new=v\r\n", "new=v\r\nsecond=w\r\n").replace("new=v\n", "new=v\nsecond=w\n");
        QCOMPARE(QString::fromUtf8(bytes), after);
        QCOMPARE(IniDocument::fromBytes(bytes).value(section, QStringLiteral("NEW")), QStringLiteral("v"));
        QCOMPARE(IniDocument::fromBytes(bytes).value(section, QStringLiteral("Second")), QStringLiteral("w"));
    }

    void refusesTextThatWouldBreakTheFile()
    {
        for (const auto &[section, key, value] : {std::tuple<QString, QString, QString>{"A", "k", "1\n[Evil]"},
                 {"A", "k", "1\r"}, {"A", "k", QString(QChar(0))}, {"A", "k\nx", "1"}, {"A", "a=b", "1"},
                 {"A", "[B]", "1"}, {"A", ";k", "1"}, {"A", "", "1"}, {"A]x", "k", "1"}, {"A\n", "k", "1"},
                 {"A", "k", "\"x"}, {"A", "k", "a;b"}}) { // an open quote takes in the comment, a ; cuts the value
            IniDocument document = IniDocument::fromBytes("[A]\nk=1 ; one\n");
            QVERIFY2(!document.setValue(section, key, value), qPrintable(section + '/' + key + '=' + value));
            QCOMPARE(document.toBytes(), QByteArray("[A]\nk=1 ; one\n"));
        }
    }
};

QTEST_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
