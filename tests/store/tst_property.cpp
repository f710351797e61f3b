#include "inistore.h"
#include "testsupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

using namespace TestSupport;

namespace {

// Every save syncs to disk; in memory the thousands of saves take seconds, not minutes.
const QString scratch = (QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath()) + "/vantor-XXXXXX";
const QByteArray bom = "\xEF\xBB\xBF";

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

// A file's bytes, the non-empty lines a save keeps (a CRLF end as "\r") and the lines writes may change.
struct Generated { QByteArray bytes; QList<QByteArray> kept; int touched = 0; };

Generated generate(QRandomGenerator &random, const QMap<QString, QStringList> &written, const QString &path)
{
    Generated file;
    const int ends = random.bounded(3), count = random.bounded(40); // ends: LF, CRLF or mixed
    QString section;
    QStringList seen;
    for (int line = 0; line < count; ++line) {
        const auto *kind = lineKinds;
        for (int at = random.bounded(100); at >= kind->weight; at -= (kind++)->weight) {}
        const QString name = pick(random, {"Display", "General", "Water", "Controls"}), key = pick(random, keys);
        QByteArray text = QByteArray(kind->text).replace("%s", name.toUtf8()).replace("%k", key.toUtf8());
        text.replace("%v", pick(random, {"0", "-7", "NULL", "C:\\Users\\", "a, b", "\"Radeon\""}).toUtf8());
        text.replace("%L", QByteArray(random.bounded(5000, 60000), 'v'));
        section = strstr(kind->text, "%s") ? sectionId(name) : section;
        const QString id = strstr(kind->text, "%k") ? section + u'\n' + key.toCaseFolded() : QString();
        const bool crlf = ends == 1 || (ends == 2 && random.bounded(2));
        if (written.contains(id) && !seen.contains(id))
            ++file.touched;
        else if (!text.isEmpty())
            file.kept.append(text + (crlf ? "\r" : ""));
        seen.append(id);
        file.bytes += text + (crlf ? "\r\n" : "\n");
    }
    if (ends < 2 && count > ends && random.bounded(5) == 0) {
        file.bytes.chop(ends + 1); // no final line end: a save ends it as the first line ends
#ifdef Q_OS_WIN
        if (count == 1 && !file.kept.isEmpty()) // or, with none at all, as new files end theirs
            file.kept.last() += '\r';
#endif
    }
    file.bytes.prepend(random.bounded(5) ? QByteArray() : bom);
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
            QCOMPARE(saved.startsWith(bom), files[f].bytes.startsWith(bom));
            QList<QByteArray> lines = saved.mid(saved.startsWith(bom) ? bom.size() : 0).split('\n');
            QCOMPARE(lines.takeLast(), QByteArray()); // the last line ends too
            qsizetype next = 0; // the kept lines in order, only written keys and headers between them
            for (const QByteArray &line : std::as_const(lines))
                next += next < files[f].kept.size() && line == files[f].kept[next];
            QVERIFY2(next == files[f].kept.size(), ("lost " + files[f].kept.value(next)).constData());
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
