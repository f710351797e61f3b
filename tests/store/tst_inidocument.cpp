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
    void readsValuesByTheRules()
    {
        const IniDocument document = IniDocument::fromBytes(
            "top=before any header\n[ Display ]\n  iSize W = 1280  \nsD3DDevice=\"Radeon \"X\" ; card\"  ; adapter\n"
            "sPath=C:\\Games\\Vantor\\\nsList=a.bsa, b.bsa\n; bHidden=1\n# bHidden2=1\niDup=first\n=orphan\n"
            "[display]\niDup=second\niLater=3\n[General]\nfDefaultFOV=75\n[Empty]\nsBlank=\nsQuote=\"\nnoequals\n");
        for (const auto &[section, key, expected, rule] : std::initializer_list<std::array<const char *, 4>>{
                 {"Display", "iSize W", "1280", "key and value trimmed"},
                 {"DISPLAY", "isize w", "1280", "section and key in any case"},
                 {"Display", "sD3DDevice", "Radeon \"X\" ; card", "one pair of quotes off, ; inside quotes kept"},
                 {"Display", "sPath", "C:\\Games\\Vantor\\", "trailing backslash is plain text"},
                 {"Display", "sList", "a.bsa, b.bsa", "comma list is plain text"},
                 {"Display", "bHidden", nullptr, "; comment is no key"}, {"Display", "bHidden2", nullptr, "# comment"},
                 {"Display", "iDup", "first", "first occurrence wins"},
                 {"Display", "iLater", "3", "repeated section is one section"},
                 {"", "top", "before any header", "key before any header is top level"},
                 {"", "fDefaultFOV", "75", "[General] is top level"}, {"general", "FDEFAULTFOV", "75", "[General] by name"},
                 {"Empty", "sBlank", "", "empty value"}, {"Empty", "sQuote", "\"", "lone quote stays"},
                 {"Empty", "noequals", nullptr, "line without '=' is no key"}, {"Display", "missing", nullptr, "absent"},
                 {"Nowhere", "iSize W", nullptr, "absent section"},
                 {"Display", "top", nullptr, "top-level key is not in a section"}}) {
            const std::optional<QString> value = document.value(section, key);
            QVERIFY2(value == (expected ? std::optional<QString>(expected) : std::nullopt), rule);
        }
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

    // After the section's last key; a second new key follows the first, and both read back from the saved bytes.
    void newKeysGoAfterTheLastKeyOfTheirSection()
    {
        const QString end = QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows ? "\r\n" : "\n";
        for (auto [before, section, after] : std::initializer_list<std::array<QString, 3>>{
                 {"[W]\na=1\n; ends\n[C]\nb=2\n", "w", "[W]\na=1\nnew=v\n; ends\n[C]\nb=2\n"}, // before comments
                 {"[A]\n[B]\n[A]\nc=1\n", "A", "[A]\n[B]\n[A]\nc=1\nnew=v\n"},             // repeated: its last key
                 {"[A]\n[B]\nb=1\n", "A", "[A]\nnew=v\n[B]\nb=1\n"},                         // without keys: its header
                 {"[A]\na=1\n", "Decals", "[A]\na=1\n[Decals]\nnew=v\n"},                   // missing: appended
                 {"pre=1\n[A]\n[General]\ng=1\n[B]\n", "", "pre=1\n[A]\n[General]\ng=1\nnew=v\n[B]\n"}, // top level
                 {"pre=1\n[A]\n", "", "pre=1\n[A]\n[General]\nnew=v\n"},                    // top level, no [General]
                 {"[A]\r\na=1\nb=2", "A", "[A]\r\na=1\nb=2\r\nnew=v\r\n"},                 // first line's end
                 {"[A]\na=1\r\n", "B", "[A]\na=1\r\n[B]\nnew=v\n"},                         // LF first in a mixed file
                 {"", "A", "[A]" + end + "new=v" + end}}) {                                  // empty: the system's
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
