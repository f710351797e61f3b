#include "store/inistore.h"
#include "testregistry.h"
#include "testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <vector>

using TestSupport::readBytes;
using TestSupport::writeBytes;

namespace {

const QByteArray byteOrderMark("\xEF\xBB\xBF");

QString sectionId(const QString &name)
{
    const QString folded = name.trimmed().toCaseFolded();
    return folded == QLatin1String("general") ? QString() : folded;
}

QString unquoted(const QString &raw)
{
    return raw.size() >= 2 && raw.startsWith(u'"') && raw.endsWith(u'"') ? raw.mid(1, raw.size() - 2) : raw;
}

// One generated INI file, kept as the lines it was made of, so that the test
// knows which line holds which key and what a save must give back.
struct GeneratedFile
{
    struct Line
    {
        QString text;
        QByteArray end;
        // Key lines only: ids of section and key, whether it is the key's first
        // line in its section, and the text around the value.
        bool isKey = false;
        bool first = false;
        QString section;
        QString key;
        QString prefix;
        QString suffix;
    };

    bool latin1 = false;
    bool byteOrderMark = false;
    std::vector<Line> lines;
    QSet<QString> headers;                     // ids of the sections with a header
    QHash<QString, QString> addedKeys;         // "section\nkey" id -> the line the store adds
    QHash<QString, QString> addedValues;       // same ids -> value
    QStringList addedHeaders;

    QByteArray encode(const QString &text) const { return latin1 ? text.toLatin1() : text.toUtf8(); }

    QByteArray bytes() const
    {
        QByteArray bytes = byteOrderMark ? ::byteOrderMark : QByteArray();
        for (const Line &line : lines)
            bytes += encode(line.text) + line.end;
        return bytes;
    }

    QByteArray newLine() const
    {
        return !lines.empty() && !lines.front().end.isEmpty() ? lines.front().end : QByteArray("\n");
    }

    Line *firstKeyLine(const QString &section, const QString &key)
    {
        for (Line &line : lines) {
            if (line.isKey && line.first && line.section == section && line.key == key)
                return &line;
        }
        return nullptr;
    }

    std::optional<QString> value(const QString &section, const QString &key)
    {
        if (const Line *line = firstKeyLine(section, key))
            return unquoted(line->text.mid(line->prefix.size(), line->text.size() - line->prefix.size()
                                                                     - line->suffix.size()));
        const auto added = addedValues.constFind(section + u'\n' + key);
        return added == addedValues.cend() ? std::nullopt : std::optional<QString>(*added);
    }

    bool holds(const QString &section, const QString &key)
    {
        const std::optional<QString> text = value(section, key);
        return text && *text != IniStore::missingValue();
    }

    // What the store does with the key when this file receives the write.
    void write(const QString &sectionName, const QString &keyName, const QString &text)
    {
        const QString section = sectionId(sectionName);
        const QString key = keyName.toCaseFolded();
        if (Line *line = firstKeyLine(section, key)) {
            // An empty value stands after all the blanks that follow '='.
            if (line->text.size() == line->prefix.size() + line->suffix.size()) {
                while (!line->suffix.isEmpty() && line->suffix.front().isSpace()) {
                    line->prefix += line->suffix.front();
                    line->suffix.remove(0, 1);
                }
            }
            line->text = line->prefix + text + line->suffix;
            return;
        }
        const QString id = section + u'\n' + key;
        if (!addedKeys.contains(id) && !headers.contains(section)) {
            addedHeaders.append(u'[' + (section.isEmpty() ? QStringLiteral("General") : sectionName) + u']');
            headers.insert(section);
        }
        if (!addedKeys.contains(id))
            addedKeys.insert(id, keyName + u'=' + text);
        else
            addedKeys[id] = addedKeys[id].left(addedKeys[id].indexOf(u'=') + 1) + text;
        addedValues.insert(id, text);
    }
};

QList<QByteArray> splitLines(QByteArray bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', start);
        const qsizetype end = newline < 0 ? bytes.size() : newline + 1;
        lines.append(bytes.mid(start, end - start));
        start = end;
    }
    return lines;
}

// Whether the saved bytes are the file's non-empty lines in their order, each
// with a line end, with the store's own lines anywhere between them.
QString differenceFromSaved(const GeneratedFile &file, QByteArray saved)
{
    if (saved.startsWith(byteOrderMark) != file.byteOrderMark)
        return QStringLiteral("byte order mark added or lost");
    if (file.byteOrderMark)
        saved.remove(0, byteOrderMark.size());

    QList<QByteArray> expected;
    for (const GeneratedFile::Line &line : file.lines) {
        if (!line.text.isEmpty())
            expected.append(file.encode(line.text) + line.end);
    }
    if (!expected.isEmpty() && !expected.last().endsWith('\n'))
        expected.last() += file.newLine();
    QList<QByteArray> added;
    for (const QString &line : file.addedHeaders + file.addedKeys.values())
        added.append(file.encode(line) + file.newLine());

    qsizetype next = 0;
    for (const QByteArray &line : splitLines(saved)) {
        if (next < expected.size() && line == expected.at(next))
            ++next;
        else if (!added.removeOne(line))
            return QStringLiteral("unexpected line %1").arg(QString::fromLatin1(line.left(80).toPercentEncoding(" =[];")));
    }
    if (next < expected.size())
        return QStringLiteral("lost line %1").arg(QString::fromLatin1(expected.at(next).left(80).toPercentEncoding(" =[];")));
    if (!added.isEmpty())
        return QStringLiteral("missing new line %1").arg(QString::fromLatin1(added.first().toPercentEncoding(" =[];")));
    return QString();
}

class Generator
{
public:
    explicit Generator(quint32 seed)
        : random(seed)
    {
    }

    GeneratedFile file()
    {
        GeneratedFile file;
        file.latin1 = chance(6);
        file.byteOrderMark = chance(5);
        const int ends = int(random.bounded(3)); // LF, CRLF, or mixed
        QString section;
        QSet<QString> seen;
        const int count = int(random.bounded(40));
        for (int i = 0; i < count; ++i) {
            GeneratedFile::Line line;
            line.end = ends == 0 ? "\n" : ends == 1 ? "\r\n" : (chance(2) ? "\n" : "\r\n");
            const int kind = int(random.bounded(100));
            if (chance(200)) {
                line.text = u';' + QString(int(random.bounded(5000, 60000)), u'x');
            } else if (kind < 10) {
                // an empty line
            } else if (kind < 13) {
                line.text = pick({" ", "\t", "  \t "});
            } else if (kind < 25) {
                line.text = pick({";", "#", "  ;"}) + pick({" Vantor settings", " key=value [x]", "\"quoted\"",
                                                            " C:\\Games\\Vantor\\", " a, b, c"});
            } else if (kind < 29) {
                line.text = pick({"just words, and commas", "=no key", "[unclosed", "\\\\server\\share"});
            } else if (kind < 44) {
                const QString name = mixedCase(pick(sections));
                line.text = chance(4) ? QStringLiteral("[ %1 ] ; section").arg(name) : u'[' + name + u']';
                section = sectionId(name);
                file.headers.insert(section);
            } else {
                const QString key = mixedCase(pick(keys));
                const QString value = fileValue(file.latin1);
                line.isKey = true;
                line.section = section;
                line.key = key.toCaseFolded();
                line.first = !seen.contains(section + u'\n' + line.key);
                seen.insert(section + u'\n' + line.key);
                line.prefix = pick({"", " ", "\t"}) + key + pick({"", " "}) + u'=' + pick({"", " ", "  "});
                line.suffix = value.isEmpty() ? pick({"", ";empty"}) : pick({"", " ", " ; comment", "\t;x=1"});
                line.text = line.prefix + value + line.suffix;
            }
            file.lines.push_back(line);
        }
        if (file.latin1) { // a comment that is not UTF-8 keeps the file Latin-1
            GeneratedFile::Line comment;
            comment.text = QStringLiteral("; caf\u00e9 cr\u00e8me");
            comment.end = "\n";
            file.lines.insert(file.lines.begin() + random.bounded(int(file.lines.size()) + 1), comment);
        }
        if (!file.lines.empty() && !file.lines.back().text.isEmpty() && chance(5))
            file.lines.back().end.clear();
        return file;
    }

    QString sectionName(const QString &id)
    {
        if (id.isEmpty())
            return pick({"", "General", "GENERAL"});
        return chance(2) ? id : mixedCase(id);
    }

    // Values a write stores and reading returns unchanged.
    QString writtenValue(bool latin1)
    {
        return pick({"0", "1", "-7", "1920", "0.0500", "C:\\Users\\Ana\\Saves\\", "Textures.bsa, Meshes.bsa",
                     "a \"b\" c", "x \"y;z\" w", "%20odd%20", "", latin1 ? "Ren\u00e9e" : "Stra\u00dfe \u2192 \u65e5\u672c"});
    }

    QString pick(const QStringList &from) { return from.at(random.bounded(int(from.size()))); }
    bool chance(int oneIn) { return random.bounded(oneIn) == 0; }
    int below(int bound) { return int(random.bounded(bound)); }

    const QStringList sections = {"Display", "General", "Water", "Controls", "Audio", "Launcher"};
    const QStringList keys = {"iSize W", "iSize H", "fGamma", "sPath", "bFull Screen", "uGridsToLoad", "sName"};

private:
    QString mixedCase(const QString &name)
    {
        QString mixed = name;
        if (chance(2))
            return mixed;
        for (QChar &c : mixed)
            c = chance(2) ? c.toUpper() : c.toLower();
        return mixed;
    }

    QString fileValue(bool latin1)
    {
        if (chance(60))
            return QString(int(random.bounded(1000, 5000)), u'v');
        return pick(QStringList{"NULL", "\"NULL\"", "\"Radeon RX 580\"", "\"quoted ; not a comment\"", "\"\""}
                    + QStringList{writtenValue(latin1)});
    }

    QRandomGenerator random;
};

struct Write
{
    QString section; // as passed to the store
    QString key;
    QString value;
    GeneratedFile *target = nullptr;
    GeneratedFile *other = nullptr;
    std::optional<QString> otherValue;
};

} // namespace

class TestProperty : public QObject
{
    Q_OBJECT

private slots:
    void savesKeepForeignLinesAndReadBackWrites();
    void longLineSurvivesAWrite();
    void tenMegabyteFileSurvivesAWrite();
    void hundredThousandKeysInOneSection();
};

// Generated pairs go through the store: every non-empty line the writes did not
// touch comes out with its bytes and in its place among the others, and every
// written key reads back, through a new store and through the file's document.
void TestProperty::savesKeepForeignLinesAndReadBackWrites()
{
    Generator generate(20240611);
    // Every save syncs to disk; in memory the thousands of saves take seconds, not minutes.
    const QString memory = QStringLiteral("/dev/shm");
    QTemporaryDir dir(QFileInfo(memory).isDir() && QFileInfo(memory).isWritable()
                          ? memory + QStringLiteral("/vantor-property-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/vantor-property-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString folder = dir.path() + u'/';
    for (int round = 0; round < 2500; ++round) {
        GeneratedFile prefs = generate.file();
        GeneratedFile main = generate.file();
        writeBytes(folder + QStringLiteral("VantorPrefs.ini"), prefs.bytes());
        writeBytes(folder + QStringLiteral("Vantor.ini"), main.bytes());

        IniStore store(folder);
        QVERIFY(store.isOpen());
        std::vector<Write> writes;
        const int count = 1 + generate.below(6);
        for (int i = 0; i < count; ++i) {
            Write write;
            GeneratedFile &from = generate.chance(2) ? main : prefs;
            std::vector<const GeneratedFile::Line *> keyLines;
            for (const GeneratedFile::Line &line : from.lines) {
                if (line.isKey)
                    keyLines.push_back(&line);
            }
            const int how = generate.below(4);
            if (how < 2 && !keyLines.empty()) { // a key of the file, maybe not its first line
                const GeneratedFile::Line *line = keyLines[size_t(generate.below(int(keyLines.size())))];
                write.section = generate.sectionName(line->section);
                write.key = how == 0 ? line->key : line->key.toUpper();
            } else if (how == 2) { // a new key in a section of the file, or at the top level
                QStringList ids(from.headers.cbegin(), from.headers.cend());
                ids.append(QString());
                ids.sort(); // the set's order differs from run to run
                write.section = generate.sectionName(generate.pick(ids));
                write.key = QStringLiteral("sNew%1").arg(generate.below(3));
            } else { // a new section
                write.section = QStringLiteral("Fresh%1").arg(generate.below(3));
                write.key = generate.pick(generate.keys);
            }
            write.value = generate.writtenValue(main.latin1 || prefs.latin1);

            const QString section = sectionId(write.section);
            const QString key = write.key.toCaseFolded();
            write.target = main.holds(section, key) || !prefs.holds(section, key) ? &main : &prefs;
            write.other = write.target == &main ? &prefs : &main;
            write.otherValue = write.other->value(section, key);
            write.target->write(write.section, write.key, write.value);

            store.beginSection(write.section);
            QVERIFY(store.writeValue(write.key, write.value));
            store.endSection();
            writes.push_back(write);
        }
        // Every save quotes the device name in the preferences file.
        if (!prefs.holds(QStringLiteral("display"), QStringLiteral("sd3ddevice")))
            prefs.write(QStringLiteral("Display"), QStringLiteral("sD3DDevice"), QStringLiteral("\"\""));

        const QList<SaveFailure> failures = store.save();
        QVERIFY2(failures.isEmpty(), qPrintable(failures.value(0).reason));
        const QByteArray prefsSaved = readBytes(store.prefsPath());
        const QByteArray mainSaved = readBytes(store.mainPath());
        const QString context = QStringLiteral("round %1: ").arg(round);
        QString difference = differenceFromSaved(prefs, prefsSaved);
        QVERIFY2(difference.isEmpty(), qPrintable(context + QStringLiteral("preferences file: ") + difference));
        difference = differenceFromSaved(main, mainSaved);
        QVERIFY2(difference.isEmpty(), qPrintable(context + QStringLiteral("main file: ") + difference));

        IniStore reread(folder);
        const IniDocument prefsDocument = IniDocument::fromBytes(prefsSaved);
        const IniDocument mainDocument = IniDocument::fromBytes(mainSaved);
        for (const Write &write : writes) {
            const QString section = sectionId(write.section);
            const QString key = write.key.toCaseFolded();
            const QString expected = *write.target->value(section, key); // the last write of the key
            const QString where = context + write.section + u'/' + write.key;
            reread.beginSection(write.section);
            QVERIFY2(reread.readValue(write.key) == expected, qPrintable(where));
            reread.endSection();
            const IniDocument &target = write.target == &main ? mainDocument : prefsDocument;
            const IniDocument &other = write.target == &main ? prefsDocument : mainDocument;
            QVERIFY2(target.value(write.section, write.key) == expected, qPrintable(where));
            QVERIFY2(other.value(write.section, write.key) == write.otherValue, qPrintable(where));
        }
    }
}

namespace {

// A pair whose main file is given; the preferences file holds only the device name.
struct LargePair
{
    explicit LargePair(const QByteArray &main)
    {
        writeBytes(folder() + QStringLiteral("VantorPrefs.ini"), "[Display]\nsD3DDevice=\"\"\n");
        writeBytes(folder() + QStringLiteral("Vantor.ini"), main);
    }
    QString folder() const { return dir.path() + u'/'; }
    QByteArray main() const { return readBytes(folder() + QStringLiteral("Vantor.ini")); }

    QTemporaryDir dir;
};

} // namespace

void TestProperty::longLineSurvivesAWrite()
{
    const QString longValue(200 * 1024, u'v');
    const QByteArray longComment = "; " + QByteArray(200 * 1024, 'c');
    const QByteArray before = "[Display]\n" + longComment + "\nsLong=" + longValue.toLatin1() + "\niSize W=800\n";
    LargePair pair(before);

    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    QCOMPARE(store.readValue(QStringLiteral("sLong")), longValue);
    QVERIFY(store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1920")));
    QVERIFY(store.writeValue(QStringLiteral("sOther"), longValue + u'w'));
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), "[Display]\n" + longComment + "\nsLong=" + longValue.toLatin1() + "\niSize W=1920\nsOther="
                              + longValue.toLatin1() + "w\n");

    IniStore reread(pair.folder());
    reread.beginSection(QStringLiteral("Display"));
    QCOMPARE(reread.readValue(QStringLiteral("sLong")), longValue);
    QCOMPARE(reread.readValue(QStringLiteral("sOther")), longValue + u'w');
}

void TestProperty::tenMegabyteFileSurvivesAWrite()
{
    QByteArray before;
    before.reserve(10 * 1024 * 1024 + 4096);
    for (int section = 0; before.size() < 10 * 1024 * 1024; ++section) {
        before += "[Section" + QByteArray::number(section) + "]\r\n; about this section\r\n";
        for (int key = 0; key < 100; ++key)
            before += "sKey" + QByteArray::number(key) + "=Some text, with a comma and \"quotes\"\r\n";
    }
    const QByteArray lastSection = before.mid(before.lastIndexOf("\r\n[") + 2);
    const QByteArray lastHeader = lastSection.left(lastSection.indexOf("\r\n"));
    before += "[Display]\r\niSize W=800\r\n";
    LargePair pair(before);

    IniStore store(pair.folder());
    QVERIFY(store.isOpen());
    store.beginSection(QString::fromLatin1(lastHeader.mid(1, lastHeader.size() - 2)));
    QCOMPARE(store.readValue(QStringLiteral("sKey99")), QStringLiteral("Some text, with a comma and \"quotes\""));
    store.beginSection(QStringLiteral("Section0"));
    QVERIFY(store.writeValue(QStringLiteral("sKey50"), QStringLiteral("changed")));
    store.beginSection(QStringLiteral("Display"));
    QVERIFY(store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1920")));
    QVERIFY(store.save().isEmpty());

    QByteArray expected = before;
    const QByteArray oldLine = "sKey50=Some text, with a comma and \"quotes\"\r\n";
    expected.replace(expected.indexOf(oldLine), oldLine.size(), "sKey50=changed\r\n");
    expected.replace("iSize W=800\r\n", "iSize W=1920\r\n");
    QCOMPARE(pair.main(), expected);

    IniStore reread(pair.folder());
    reread.beginSection(QStringLiteral("section0"));
    QCOMPARE(reread.readValue(QStringLiteral("SKEY50")), QStringLiteral("changed"));
    QCOMPARE(reread.readValue(QStringLiteral("sKey51")), QStringLiteral("Some text, with a comma and \"quotes\""));
}

void TestProperty::hundredThousandKeysInOneSection()
{
    QByteArray before = "[Display]\n";
    for (int key = 0; key < 100000; ++key)
        before += "iKey" + QByteArray::number(key) + '=' + QByteArray::number(key) + '\n';
    before += "[Water]\nbUseWaterShader=1\n";
    LargePair pair(before);

    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    for (int key = 0; key < 100000; key += 997)
        QCOMPARE(store.readValue(QStringLiteral("IKEY%1").arg(key)), QString::number(key));
    QVERIFY(store.writeValue(QStringLiteral("iKey50000"), QStringLiteral("-1")));
    QVERIFY(store.writeValue(QStringLiteral("iKeyNew"), QStringLiteral("new")));
    QVERIFY(store.save().isEmpty());

    QByteArray expected = before;
    expected.replace("\niKey50000=50000\n", "\niKey50000=-1\n");
    expected.replace("\niKey99999=99999\n", "\niKey99999=99999\niKeyNew=new\n");
    QCOMPARE(pair.main(), expected);

    IniStore reread(pair.folder());
    reread.beginSection(QStringLiteral("Display"));
    QCOMPARE(reread.readValue(QStringLiteral("iKey50000")), QStringLiteral("-1"));
    QCOMPARE(reread.readValue(QStringLiteral("iKeyNew")), QStringLiteral("new"));
    QCOMPARE(reread.readValue(QStringLiteral("iKey99999")), QStringLiteral("99999"));
    reread.beginSection(QStringLiteral("Water"));
    QCOMPARE(reread.readValue(QStringLiteral("bUseWaterShader")), QStringLiteral("1"));
}

VANTOR_REGISTER_TEST(TestProperty)
#include "tst_property.moc"
