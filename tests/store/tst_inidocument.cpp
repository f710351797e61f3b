#include "store/inidocument.h"
#include "testregistry.h"

#include <QTest>

namespace {

// The file's lines with their line ends, so a test can point at the one that changed.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        lines.append(bytes.mid(start, end - start));
        start = end;
    }
    return lines;
}

} // namespace

class TestIniDocument : public QObject
{
    Q_OBJECT

private slots:
    void roundTripIsExact_data();
    void roundTripIsExact();
    void secondByteOrderMarkIsText();
    void readsValuesByTheRules_data();
    void readsValuesByTheRules();
    void writingAKeyChangesOnlyItsValueText_data();
    void writingAKeyChangesOnlyItsValueText();
    void newKeysGoAfterTheLastKeyOfTheirSection_data();
    void newKeysGoAfterTheLastKeyOfTheirSection();
    void newLinesFollowTheFilesLineEnd();
    void refusesTextThatWouldBreakTheFile_data();
    void refusesTextThatWouldBreakTheFile();
    void removingEmptyLinesKeepsEveryOtherByte();
};

void TestIniDocument::roundTripIsExact_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("crlf") << QByteArray("[Display]\r\nbFull Screen=1\r\n\r\n; comment\r\n");
    QTest::newRow("lf, no final line end") << QByteArray("[A]\nx = 1 ; note\ny=\"q\"");
    QTest::newRow("bom") << QByteArray("\xEF\xBB\xBF[General]\r\nfDefaultFOV=75\r\n");
    QTest::newRow("latin-1") << QByteArray("[Launcher]\nsName=Jos\xE9 M\xFCller\n");
    QTest::newRow("bom then invalid utf-8") << QByteArray("\xEF\xBB\xBF[A]\nk=\xFF\xFE\n");
    QTest::newRow("mixed ends, lone cr, nul") << QByteArray("a=1\r\nb=2\nc=3\r\r\nd=\0x\n", 19);
    QTest::newRow("utf-8") << QByteArray("[Ü]\nnäme=日本\n");
    QTest::newRow("blank lines only") << QByteArray("\n\r\n\n");
}

void TestIniDocument::roundTripIsExact()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(IniDocument::fromBytes(bytes).toBytes(), bytes);
}

void TestIniDocument::secondByteOrderMarkIsText()
{
    const QByteArray bytes = "\xEF\xBB\xBF\xEF\xBB\xBF[A]\nsName=Ren\xC3\xA9" "e\n";
    IniDocument document = IniDocument::fromBytes(bytes);
    QCOMPARE(document.encoding(), IniDocument::Encoding::Utf8);
    QCOMPARE(document.toBytes(), bytes);
    QVERIFY(document.setValue(QStringLiteral("B"), QStringLiteral("sCity"), QStringLiteral("\u65e5")));
}

void TestIniDocument::readsValuesByTheRules_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected"); // a null string: absent

    const QByteArray file =
        "top=before any header\n"
        "[ Display ]\n"
        "  iSize W = 1280  \n"
        "sD3DDevice=\"Radeon \"X\" ; card\"  ; the adapter\n"
        "sPath=C:\\Games\\Vantor\\\n"
        "sList=a.bsa, b.bsa\n"
        "; bHidden=1\n"
        "# bHidden2=1\n"
        "iDup=first\n"
        "noequals\n"
        "=orphan\n"
        "[display]\n"
        "iDup=second\n"
        "iLater=3\n"
        "[General]\n"
        "fDefaultFOV=75\n"
        "[Empty]\n"
        "sBlank=\n"
        "sQuote=\"\n";
    const auto row = [&](const char *name, const char *section, const char *key, const QString &expected) {
        QTest::newRow(name) << file << QString::fromLatin1(section) << QString::fromLatin1(key) << expected;
    };
    row("key and value trimmed", "Display", "iSize W", QStringLiteral("1280"));
    row("section and key in other case", "DISPLAY", "isize w", QStringLiteral("1280"));
    row("one pair of quotes removed, ; inside quotes kept",
        "Display", "sD3DDevice", QStringLiteral("Radeon \"X\" ; card"));
    row("trailing backslash is plain text", "Display", "sPath", QStringLiteral("C:\\Games\\Vantor\\"));
    row("comma list is plain text", "Display", "sList", QStringLiteral("a.bsa, b.bsa"));
    row("; comment is no key", "Display", "bHidden", QString());
    row("# comment is no key", "Display", "bHidden2", QString());
    row("first occurrence wins", "Display", "iDup", QStringLiteral("first"));
    row("repeated section is one section", "Display", "iLater", QStringLiteral("3"));
    row("key before any header is top level", "", "top", QStringLiteral("before any header"));
    row("[General] is top level", "", "fDefaultFOV", QStringLiteral("75"));
    row("General by name", "general", "FDEFAULTFOV", QStringLiteral("75"));
    row("empty value", "Empty", "sBlank", QStringLiteral(""));
    row("lone quote stays", "Empty", "sQuote", QStringLiteral("\""));
    row("absent key", "Display", "missing", QString());
    row("absent section", "Nowhere", "iSize W", QString());
    row("top-level key is not in a section", "Display", "top", QString());
}

void TestIniDocument::readsValuesByTheRules()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    const std::optional<QString> value = IniDocument::fromBytes(bytes).value(section, key);
    QCOMPARE(value.has_value(), !expected.isNull());
    if (value)
        QCOMPARE(*value, expected);
}

void TestIniDocument::writingAKeyChangesOnlyItsValueText_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("spacing, comment and crlf kept")
        << QByteArray("  iSize W = 800 ; width\r\n") << "isize w" << "1920"
        << QByteArray("  iSize W = 1920 ; width\r\n");
    QTest::newRow("; inside quotes is part of the value")
        << QByteArray("sD3DDevice=\"A\" ; card\r\n") << "sD3DDevice" << "\"A;B\""
        << QByteArray("sD3DDevice=\"A;B\" ; card\r\n");
    QTest::newRow("quoted value replaced whole")
        << QByteArray("sD3DDevice=\"Old\"\r\n") << "sD3DDevice" << "\"New One\""
        << QByteArray("sD3DDevice=\"New One\"\r\n");
    QTest::newRow("empty value filled")
        << QByteArray("fGamma=\n") << "fGamma" << "1" << QByteArray("fGamma=1\n");
    QTest::newRow("key spelling kept")
        << QByteArray("ISIZE h=1\r\n") << "iSize H" << "2" << QByteArray("ISIZE h=2\r\n");
}

void TestIniDocument::writingAKeyChangesOnlyItsValueText()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, expected);
    const QByteArray before = "; keep me \r\n[Display]\r\n" + line + "[Other]\r\n" + line + "x=1";
    IniDocument document = IniDocument::fromBytes(before);
    QVERIFY(document.setValue(QStringLiteral("display"), key, value));
    QCOMPARE(document.toBytes(), "; keep me \r\n[Display]\r\n" + expected + "[Other]\r\n" + line + "x=1");
    QCOMPARE(document.value(QStringLiteral("Display"), key), std::optional<QString>(
                 value.startsWith(u'"') ? value.mid(1, value.size() - 2) : value));
}

void TestIniDocument::newKeysGoAfterTheLastKeyOfTheirSection_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("after the last key, before trailing comments")
        << QByteArray("[Water]\na=1\n; water ends\n[Controls]\nb=2\n") << "water"
        << QByteArray("[Water]\na=1\nnew=v\n; water ends\n[Controls]\nb=2\n");
    QTest::newRow("repeated section: after its last key anywhere")
        << QByteArray("[A]\na=1\n[B]\nb=1\n[A]\nc=1\n") << "A"
        << QByteArray("[A]\na=1\n[B]\nb=1\n[A]\nc=1\nnew=v\n");
    QTest::newRow("section without keys: after its header")
        << QByteArray("[A]\n[B]\nb=1\n") << "A" << QByteArray("[A]\nnew=v\n[B]\nb=1\n");
    QTest::newRow("missing section appended, last line gets its end")
        << QByteArray("[A]\na=1") << "Decals" << QByteArray("[A]\na=1\n[Decals]\nnew=v\n");
    QTest::newRow("top level goes into [General], not before the first header")
        << QByteArray("pre=1\n[A]\na=1\n[General]\ng=1\n[B]\n") << ""
        << QByteArray("pre=1\n[A]\na=1\n[General]\ng=1\nnew=v\n[B]\n");
    QTest::newRow("top level without [General] gets one")
        << QByteArray("pre=1\n[A]\na=1\n") << "" << QByteArray("pre=1\n[A]\na=1\n[General]\nnew=v\n");
}

void TestIniDocument::newKeysGoAfterTheLastKeyOfTheirSection()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, section);
    QFETCH(QByteArray, after);
    IniDocument document = IniDocument::fromBytes(before);
    QVERIFY(document.setValue(section, QStringLiteral("new"), QStringLiteral("v")));
    QCOMPARE(document.toBytes(), after);
    QCOMPARE(document.value(section, QStringLiteral("NEW")), std::optional<QString>(QStringLiteral("v")));

    // A second new key follows the first; index bookkeeping survives the insertions.
    QVERIFY(document.setValue(section, QStringLiteral("second"), QStringLiteral("w")));
    const QByteArray bytes = document.toBytes();
    QVERIFY(bytes.contains("new=v\nsecond=w\n"));
    const IniDocument reread = IniDocument::fromBytes(bytes);
    QCOMPARE(reread.value(section, QStringLiteral("second")), std::optional<QString>(QStringLiteral("w")));
    QCOMPARE(reread.value(section, QStringLiteral("new")), std::optional<QString>(QStringLiteral("v")));
}

void TestIniDocument::newLinesFollowTheFilesLineEnd()
{
    IniDocument crlf = IniDocument::fromBytes("[A]\r\na=1\nb=2");
    crlf.setValue(QStringLiteral("A"), QStringLiteral("c"), QStringLiteral("3"));
    QCOMPARE(crlf.toBytes(), QByteArray("[A]\r\na=1\nb=2\r\nc=3\r\n"));

    IniDocument lf = IniDocument::fromBytes("[A]\na=1\r\n");
    lf.setValue(QStringLiteral("B"), QStringLiteral("c"), QStringLiteral("3"));
    QCOMPARE(lf.toBytes(), QByteArray("[A]\na=1\r\n[B]\nc=3\n"));

    IniDocument empty = IniDocument::fromBytes(QByteArray());
    empty.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("v"));
#ifdef Q_OS_WIN
    QCOMPARE(empty.toBytes(), QByteArray("[A]\r\nk=v\r\n"));
#else
    QCOMPARE(empty.toBytes(), QByteArray("[A]\nk=v\n"));
#endif
}

void TestIniDocument::refusesTextThatWouldBreakTheFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QByteArray file("[A]\nk=1\n");
    QTest::newRow("lf in value") << file << "A" << "k" << "1\n[Evil]";
    QTest::newRow("cr in value") << file << "A" << "k" << "1\r";
    QTest::newRow("nul in value") << file << "A" << "k" << QString(QChar(0));
    QTest::newRow("lf in key") << file << "A" << "k\nx" << "1";
    QTest::newRow("= in key") << file << "A" << "a=b" << "1";
    QTest::newRow("key that reads as a header") << file << "A" << "[B]" << "1";
    QTest::newRow("key that reads as a comment") << file << "A" << ";k" << "1";
    QTest::newRow("empty key") << file << "A" << "" << "1";
    QTest::newRow("] in section") << file << "A]x" << "k" << "1";
    QTest::newRow("lf in section") << file << "A\n" << "k" << "1";
    QTest::newRow("quote left open would take in the comment")
        << QByteArray("[A]\nk=1 ; one\n") << "A" << "k" << "\"x";
    QTest::newRow("; outside quotes would cut the value") << file << "A" << "k" << "a;b";
    QTest::newRow("not latin-1 in a latin-1 file") << QByteArray("[A]\nk=\xE9\n") << "A" << "k" << "\u65e5";
}

void TestIniDocument::refusesTextThatWouldBreakTheFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    IniDocument document = IniDocument::fromBytes(bytes);
    QVERIFY(!document.setValue(section, key, value));
    QCOMPARE(document.toBytes(), bytes);
}

void TestIniDocument::removingEmptyLinesKeepsEveryOtherByte()
{
    IniDocument document = IniDocument::fromBytes("\r\n[A]\r\n\r\n  \r\na=1 \r\n\n;c\r\nb=2");
    document.removeEmptyLines();
    QCOMPARE(document.toBytes(), QByteArray("[A]\r\n  \r\na=1 \r\n;c\r\nb=2\r\n"));
    QCOMPARE(document.value(QStringLiteral("A"), QStringLiteral("b")), std::optional<QString>(QStringLiteral("2")));
    QVERIFY(document.setValue(QStringLiteral("A"), QStringLiteral("c"), QStringLiteral("3")));
    QCOMPARE(linesOf(document.toBytes()).last(), QByteArray("c=3\r\n"));
}

VANTOR_REGISTER_TEST(TestIniDocument)
#include "tst_inidocument.moc"
