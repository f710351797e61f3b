// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inidocument.h"

#include <QOperatingSystemVersion>
#include <QStringEncoder>
#include <QTest>

class TestIniDocument : public QObject
{
    Q_OBJECT

private slots:
    // What cannot be read as lines is left as it is: no key, no write, the same bytes.
    void bytesComeBackAsTheyWere_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding"); // -1: no lines of text
        const auto row = [](const char *name, const QByteArray &bytes, int encoding) {
            QTest::newRow(name) << bytes << encoding;
        };
        const int utf8 = int(IniDocument::Encoding::Utf8), latin1 = int(IniDocument::Encoding::Latin1), none = -1;
        const int utf16 = int(IniDocument::Encoding::Utf16LE), utf16be = int(IniDocument::Encoding::Utf16BE);
        row("empty", QByteArray(), utf8);
        row("crlf", "[Display]\r\nbFull Screen=1\r\n\r\n; comment\r\n", utf8);
        row("lf, no final line end", "[A]\nx = 1 ; note\ny=\"q\"", utf8);
        row("bom", "\xEF\xBB\xBF[General]\r\nfDefaultFOV=75\r\n", utf8);
        row("second bom is text", "\xEF\xBB\xBF\xEF\xBB\xBF[A]\nsName=Ren\xC3\xA9" "e\n", utf8);
        row("latin-1", "[Launcher]\nsName=Jos\xE9 M\xFCller\n", latin1);
        row("bom then invalid utf-8", "\xEF\xBB\xBF[A]\nk=\xFF\xFE\n", latin1);
        row("mixed ends, lone cr, nul", QByteArray("a=1\r\nb=2\nc=3\r\r\nd=\0x\n", 19), utf8);
        row("utf-8", "[Ü]\nnäme=日本\n", utf8);
        row("blank lines only", "\n\r\n\n", utf8);
        row("nul later in 8-bit text", QByteArray("k=\0\n", 4), utf8);
        row("utf-8 byte order mark, then a nul", QByteArray("\xEF\xBB\xBF\0=\n", 6), utf8);
        row("utf-16 with a lone surrogate", QByteArray("\xFF\xFEk\0=\0\x00\xD8\n\0", 10), utf16);
        row("utf-16 byte order mark alone", "\xFE\xFF", utf16be);
        row("utf-16 le cut inside a unit", QByteArray("\xFF\xFE[\0A\0]\0\n", 9), none);
        row("utf-16 be cut inside a unit", QByteArray("\xFE\xFF\0[\0A\0", 7), none);
        row("utf-32 le", QByteArray("\xFF\xFE\0\0[\0\0\0", 8), none);
        row("utf-32 be", QByteArray("\0\0\xFE\xFF\0\0\0[", 8), none);
        row("utf-16 le without a byte order mark", QByteArray("[\0A\0]\0\n\0", 8), none);
        row("utf-16 be without a byte order mark", QByteArray("\0[\0A\0]\0\n", 8), none);
        row("utf-16 le without a mark, first character not latin-1", QByteArray("\x16\x04[\0A\0]\0\n\0", 10), none);
    }

    void bytesComeBackAsTheyWere()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        const int latin1 = int(IniDocument::Encoding::Latin1);
        IniDocument document = IniDocument::fromBytes(bytes);
        QCOMPARE(document.isValid(), encoding >= 0);
        QCOMPARE(document.toBytes(), bytes);
        if (encoding >= 0)
            QCOMPARE(int(document.encoding()), encoding);
        // Latin-1 takes no text beyond Latin-1.
        QCOMPARE(document.setValue("B", "sCity", "\u65e5"), encoding >= 0 && encoding != latin1);
        QCOMPARE(document.setValue("A", "k", "1"), encoding >= 0);
        document.removeEmptyLines();
        if (encoding < 0)
            QCOMPARE(document.toBytes(), bytes);
        else
            QCOMPARE(IniDocument::fromBytes(document.toBytes()).value("A", "k"), "1");
    }

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

    void writingAKeyChangesOnlyItsValueText_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("spacing, comment, crlf kept") << "  iSize = 8 ; w\r\n" << "isize" << "1" << "  iSize = 1 ; w\r\n";
        QTest::newRow("; inside quotes is value text") << "s=\"A\" ; c\r\n" << "s" << "\"A;B\"" << "s=\"A;B\" ; c\r\n";
        QTest::newRow("quoted value replaced whole") << "s=\"Old\"\r\n" << "S" << "\"New One\"" << "s=\"New One\"\r\n";
        QTest::newRow("empty value filled") << "fGamma=\n" << "fGamma" << "1" << "fGamma=1\n";
        QTest::newRow("key spelling kept") << "ISIZE h=1\r\n" << "iSize H" << "2" << "ISIZE h=2\r\n";
    }

    // Only the section's first occurrence changes: not a repeat, not the same line elsewhere.
    void writingAKeyChangesOnlyItsValueText()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, expected);
        IniDocument document = IniDocument::fromBytes(("[Display]\r\n" + line + line + "[B]\r\n" + line).toUtf8());
        QVERIFY(document.setValue(QStringLiteral("display"), key, value));
        QCOMPARE(QString::fromUtf8(document.toBytes()), "[Display]\r\n" + expected + line + "[B]\r\n" + line);
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

    void removingEmptyLinesKeepsEveryOtherByte()
    {
        IniDocument document = IniDocument::fromBytes("\r\n[A]\r\n\r\n  \r\na=1 \r\n\n;c\r\nb=2");
        document.removeEmptyLines();
        QCOMPARE(document.toBytes(), QByteArray("[A]\r\n  \r\na=1 \r\n;c\r\nb=2\r\n"));
        QVERIFY(document.setValue(QStringLiteral("A"), QStringLiteral("c"), QStringLiteral("3")));
        QCOMPARE(document.toBytes(), QByteArray("[A]\r\n  \r\na=1 \r\n;c\r\nb=2\r\nc=3\r\n"));
    }

    void keepsEncodingAndLineEnds_data()
    {
        QTest::addColumn<QByteArray>("codec"); // with a byte order mark, except for "ISO-8859-1"
        QTest::addColumn<QStringList>("ends"); // after each of the five lines
        QTest::addColumn<QString>("newEnd");   // of added lines, and of the last line once it has a successor
        const QStringList crlf = {"\r\n", "\r\n", "\r\n", "\r\n", "\r\n"}, cr = {"\r", "\r", "\r", "\r", ""};
        QTest::newRow("utf-16 le, crlf") << QByteArray("UTF-16LE") << crlf << "\r\n";
        QTest::newRow("utf-16 be, crlf") << QByteArray("UTF-16BE") << crlf << "\r\n";
        QTest::newRow("utf-16 be, cr, no final end") << QByteArray("UTF-16BE") << cr << "\r";
        QTest::newRow("utf-16 le, mixed: cr lf, as a lone cr would join an lf")
            << QByteArray("UTF-16LE") << QStringList{"\r", "\n", "\r\n", "\r", "\r\n"} << "\r\n";
        QTest::newRow("utf-8, cr, no final end") << QByteArray("UTF-8") << cr << "\r";
        QTest::newRow("utf-8, cr and cr lf")
            << QByteArray("UTF-8") << QStringList{"\r", "\r\n", "\r", "\r\n", "\r"} << "\r";
        QTest::newRow("latin-1, lf then cr")
            << QByteArray("ISO-8859-1") << QStringList{"\n", "\r", "\r", "\r", "\r"} << "\n";
    }

    // Values are found; a change alters that key's text only, an added key line is
    // encoded like the rest and ends like the first line, and the result reads back.
    void keepsEncodingAndLineEnds()
    {
        QFETCH(QByteArray, codec);
        QFETCH(QStringList, ends);
        QFETCH(QString, newEnd);
        const auto encode = [&](const QStringList &lines, const QStringList &lineEnds) {
            QString text;
            for (qsizetype i = 0; i < lines.size(); ++i)
                text += lines[i] + lineEnds.value(i, newEnd);
            const bool bom = codec != "ISO-8859-1";
            QStringEncoder encoder(codec.constData(), bom ? QStringEncoder::Flag::WriteBom : QStringEncoder::Flag::Default);
            return QByteArray(encoder.encode(text));
        };
        const QMap<QByteArray, IniDocument::Encoding> encodings = {{"UTF-16LE", IniDocument::Encoding::Utf16LE},
            {"UTF-16BE", IniDocument::Encoding::Utf16BE}, {"UTF-8", IniDocument::Encoding::Utf8}};
        const IniDocument::Encoding encoding = encodings.value(codec, IniDocument::Encoding::Latin1);
        const QStringList lines = {"[Display]", "iSize W = 1280 ; width", "sName=Ren\u00e9e", "[Water]", "bUse=1"};
        const QByteArray bytes = encode(lines, ends);
        IniDocument document = IniDocument::fromBytes(bytes);
        QVERIFY(document.isValid());
        QCOMPARE(document.encoding(), encoding);
        QCOMPARE(document.hasByteOrderMark(), codec != "ISO-8859-1");
        QCOMPARE(document.endsWithLineEnd(), !ends.last().isEmpty());
        QCOMPARE(document.value("display", "isize w"), "1280");
        QCOMPARE(document.value("Display", "sName"), "Ren\u00e9e");
        QCOMPARE(document.value("Water", "bUse"), "1");
        QCOMPARE(document.toBytes(), bytes);

        QVERIFY(document.setValue("Display", "iSize W", "1920"));
        QStringList changed = lines;
        changed[1] = "iSize W = 1920 ; width";
        QCOMPARE(document.toBytes(), encode(changed, ends));

        QVERIFY(document.setValue("Water", "sCity", "\u65e5\u672c") == (encoding != IniDocument::Encoding::Latin1));
        QVERIFY(document.setValue("Water", "fLevel", "0.5"));
        const QByteArray saved = document.toBytes();
        changed.append("fLevel=0.5");
        if (encoding != IniDocument::Encoding::Latin1)
            changed.insert(5, "sCity=\u65e5\u672c");
        QStringList endsAfter = ends;
        endsAfter.last() = ends.last().isEmpty() ? newEnd : ends.last();
        QCOMPARE(saved, encode(changed, endsAfter));
        QVERIFY(document.endsWithLineEnd());

        const IniDocument reread = IniDocument::fromBytes(saved);
        QCOMPARE(reread.encoding(), encoding);
        QCOMPARE(reread.value("Water", "fLevel"), "0.5");
        QCOMPARE(reread.value("Display", "iSize W"), "1920");
    }
};

QTEST_MAIN(TestIniDocument)
#include "tst_inidocument.moc"
