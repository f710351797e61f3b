#include "inistore.h"
#include "testsupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

using namespace TestSupport;

namespace {

// Every save syncs to disk; in memory the thousands of saves take seconds, not minutes.
const QString scratch = (QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath()) + "/vantor-XXXXXX";
const QByteArrayList byteOrderMarks = {"\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};
const QStringList lineEnds = {"\n", "\r\n", "\r"};

QByteArray byteOrderMarkOf(const QByteArray &bytes)
{
    for (const QByteArray &mark : byteOrderMarks) {
        if (bytes.startsWith(mark))
            return mark;
    }
    return QByteArray();
}

// A file's text; 8-bit text byte for byte, as Latin-1.
QString textOf(const QByteArray &bytes)
{
    const QByteArray mark = byteOrderMarkOf(bytes);
    const QByteArray body = bytes.mid(mark.size());
    if (mark.size() != 2)
        return QString::fromLatin1(body);
    return QStringDecoder(mark == "\xFF\xFE" ? QStringConverter::Utf16LE : QStringConverter::Utf16BE).decode(body);
}

// Lines with their ends.
QStringList linesOf(const QString &text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == u'\n' || (text[at] == u'\r' && (at + 1 == text.size() || text[at + 1] != u'\n'))) {
            lines.append(text.mid(start, at + 1 - start));
            start = at + 1;
        }
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString sectionId(const QString &name)
{
    return name.trimmed().compare(u"general", Qt::CaseInsensitive) ? name.trimmed().toCaseFolded() : QString();
}

QString pick(QRandomGenerator &random, const QStringList &from)
{
    const QString picked = from.at(random.bounded(int(from.size())));
    return random.bounded(4) == 0 ? picked.toUpper() : random.bounded(4) == 0 ? picked.toLower() : picked;
}

// Line kinds and how often each comes in 100 lines; %s, %k, %v, %L: section, key, value, long value.
const struct { int weight; const char *text; } lineKinds[] = {
    {8, ""}, {3, " \t "}, {6, "; Vantor settings, key=value [x]"}, {4, "# C:\\Games\\Vantor\\"},
    {1, "; caf\xE9 \xFF is not UTF-8"}, {3, "just words, and commas"}, {2, "=no key"}, {2, "[unclosed"},
    {10, "[%s]"}, {4, "  [ %s ] ; section"}, {32, "%k=%v"}, {10, " %k = %v ; comment"},
    {6, "\t%k=\"%v\"\t;x=1"}, {4, "%k=\"quoted ; not a comment\""}, {4, "%k="}, {1, "%k=%L"},
};
const QStringList keys = {"iSize W", "fGamma", "sPath", "bFull Screen", "sName"};

// A file's bytes, the non-empty lines a save keeps (with their ends) and the lines writes may change.
struct Generated { QByteArray bytes; QStringList kept; int touched = 0; };

Generated generate(QRandomGenerator &random, const QMap<QString, QStringList> &written, const QString &path)
{
    Generated file;
    const int ends = random.bounded(4), count = random.bounded(40); // ends: one of lineEnds, or mixed
    QString text, section;
    QStringList seen;
    for (int line = 0; line < count; ++line) {
        const auto *kind = lineKinds;
        for (int at = random.bounded(100); at >= kind->weight; at -= (kind++)->weight) {}
        const QString name = pick(random, {"Display", "General", "Water", "Controls"}), key = pick(random, keys);
        QString lineText = QString::fromLatin1(kind->text).replace("%s", name).replace("%k", key);
        lineText.replace("%v", pick(random, {"0", "-7", "NULL", "C:\\Users\\", "a, b", "\"Radeon\""}));
        lineText.replace("%L", QString(random.bounded(5000, 60000), u'v'));
        section = strstr(kind->text, "%s") ? sectionId(name) : section;
        const QString id = strstr(kind->text, "%k") ? section + u'\n' + key.toCaseFolded() : QString();
        QString end = lineEnds.at(ends < 3 ? ends : random.bounded(3));
        if (lineText.isEmpty() && end == "\n" && text.endsWith(u'\r'))
            end = "\r\n"; // else a CR end and the LF of an empty line would make one CR LF
        if (written.contains(id) && !seen.contains(id))
            ++file.touched;
        else if (!lineText.isEmpty())
            file.kept.append(lineText + end);
        seen.append(id);
        text += lineText + end;
    }
    if (ends < 3 && count > 1 && random.bounded(5) == 0)
        text.chop(lineEnds.at(ends).size()); // no final line end: a save ends it as the first line ends

    const int encoding = random.bounded(10); // mostly 8-bit, some with a UTF-8 byte order mark; UTF-16 both ways
    if (encoding < 8)
        file.bytes = (encoding < 2 ? byteOrderMarks[0] : QByteArray()) + text.toLatin1();
    else
        file.bytes = QStringEncoder(encoding == 8 ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                                    QStringEncoder::Flag::WriteBom).encode(text);
    writeBytes(path, file.bytes);
    return file;
}

} // namespace

class TestProperty : public QObject
{
    Q_OBJECT

private slots:
    void savesKeepUntouchedLinesAndReadBackWrites();
    void largeFileKeepsEveryOtherByte();
};

// Generated pairs through the store: untouched non-empty lines stay, written keys read back.
void TestProperty::savesKeepUntouchedLinesAndReadBackWrites()
{
    QRandomGenerator random(20240611);
    QTemporaryDir dir(scratch);
    const QStringList names = {"VantorPrefs.ini", "Vantor.ini"};
    for (int round = 0; round < 2500; ++round) {
        QMap<QString, QStringList> writes; // section and key id -> section, key and value
        for (int i = random.bounded(6); i >= 0; --i) {
            const QString section = pick(random, {"", "General", "Display", "Water", "Controls", "Fresh"});
            const QString key = pick(random, keys + QStringList{"sNew"});
            writes.insert(sectionId(section) + u'\n' + key.toCaseFolded(),
                          {section, key, pick(random, {"1", "-3", "C:\\", "a\"b\"", "x\"y;z\"", "", "Ren\u00e9e"})});
        }
        const Generated files[] = {generate(random, writes, dir.filePath(names[0])),
                                   generate(random, writes, dir.filePath(names[1]))};
        IniStore store(dir.path() + u'/');
        for (const QStringList &write : std::as_const(writes)) {
            QVERIFY(store.writeValue(write[0], write[1], write[2]));
        }
        QVERIFY(store.save().isEmpty());

        for (int f = 0; f < 2; ++f) {
            const QByteArray saved = readBytes(dir.filePath(names[f]));
            QCOMPARE(byteOrderMarkOf(saved), byteOrderMarkOf(files[f].bytes));
            const QString text = textOf(saved);
            QVERIFY(text.isEmpty() || text.endsWith(u'\n') || text.endsWith(u'\r')); // the last line ends too
            const QStringList lines = linesOf(text);
            qsizetype next = 0; // the kept lines in order, only written keys and headers between them
            for (const QString &line : lines)
                next += next < files[f].kept.size() && line == files[f].kept[next];
            QVERIFY2(next == files[f].kept.size(), qPrintable("lost " + files[f].kept.value(next)));
            QVERIFY(lines.size() - next <= files[f].touched + 2 * writes.size() + 2);
        }
        IniStore reread(dir.path() + u'/');
        for (const QStringList &write : std::as_const(writes)) {
            QVERIFY2(reread.readValue(write[0], write[1]) == write[2], qPrintable(write.join(u'/')));
        }
    }
}

// Writes into an 11 MB file with a 200 kB line and 100,000 keys in one section.
void TestProperty::largeFileKeepsEveryOtherByte()
{
    const QByteArray longValue(200 * 1024, 'v');
    QByteArray keyLines;
    for (int key = 0; key < 100000; ++key)
        keyLines += "iKey" + QByteArray::number(key) + '=' + QByteArray::number(key) + QByteArray(96, ',') + "\r\n";
    QTemporaryDir dir(scratch);
    const QString path = dir.filePath(QStringLiteral("Vantor.ini"));
    writeBytes(dir.filePath(QStringLiteral("VantorPrefs.ini")), "[Display]\nsD3DDevice=\"\"\n");
    writeBytes(path, "[Display]\r\nsLong=" + longValue + "\r\n" + keyLines + "[Water]\r\n");
    IniStore store(dir.path() + u'/');
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("sLong"), longValue + 'w'));
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("iKeyNew"), QStringLiteral("new")));
    QVERIFY(store.save().isEmpty());
    QCOMPARE(readBytes(path), "[Display]\r\nsLong=" + longValue + "w\r\n" + keyLines + "iKeyNew=new\r\n[Water]\r\n");
    IniStore reread(dir.path() + u'/');
    QCOMPARE(reread.readValue(QStringLiteral("DISPLAY"), QStringLiteral("SLONG")), QString::fromLatin1(longValue + 'w'));
}

QTEST_MAIN(TestProperty)
#include "tst_property.moc"
