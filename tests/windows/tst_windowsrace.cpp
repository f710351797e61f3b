// Apply while another program saves the same file, on Windows file semantics.
// A second writer, standing in for the game, saves Vantor.ini once per round at
// a random moment of the store's save, the ways Windows programs save files.
// Every outcome must hold that writer's save whole, no fragment line, and the
// player's change unless the writer replaced the file with a copy it read
// before the change was on disk; no temporary file may stay behind.
//
// Windows lets no program write a file that another has open without sharing
// writing, nor rename or delete one opened without sharing deletion, and
// ReplaceFileW leaves the name without a file for a moment between its two
// renames: the writer, like a careful game, tries again while it is refused or
// finds no file, and the rounds in which it did are counted.
//
// VANTOR_RACE_SEED replays a run; VANTOR_RACE_SECONDS changes the time per way.

#include "inistore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <thread>

#include <qt_windows.h>

using Clock = std::chrono::steady_clock;

namespace {

enum class Way { RenamedOver, TruncatedAndWritten, DeletedAndMade };

const QByteArray prefsFile = "[Display]\r\nsD3DDevice=\"Radeon\"\r\nbFull Screen=0\r\n";
const QByteArray mainLines[] = {
    "; Vantor.ini - engine settings.", "[General]", "sLocalSavePath=Saves\\", "iSaveCount=0",
    "[Archive]", "sResourceArchiveList=Vantor - Misc.bsa, Vantor - Shaders.bsa, Vantor - Textures.bsa",
    "[Display]", "fShadowLOD1=400.0000", "iShadowMode=3 ; 1 = hard, 3 = soft", "bDeferredShadows=1",
    "[Audio]", "fMusicDuckingSeconds=6.0", "fMenuModeFadeOutTime=3.0",
};
const QByteArray playerLine = "iShadowMode=1 ; 1 = hard, 3 = soft";
const QByteArray counterKey = "iSaveCount=";

QByteArray mainFile()
{
    QByteArray bytes;
    for (const QByteArray &line : mainLines)
        bytes += line + "\r\n";
    return bytes;
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool refusedForNow(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

bool runningUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

bool writeAll(HANDLE file, const char *data, qsizetype size)
{
    DWORD written = 0;
    return WriteFile(file, data, DWORD(size), &written, nullptr) && written == DWORD(size);
}

// One save of the other writer: read the file, count up, write it back.
struct OtherSave
{
    Clock::time_point readAt;
    Clock::time_point landingFrom; // the file on disk starts to change
    bool sawPlayerChange = false;
    bool refused = false; // Windows refused one of its steps for a moment
    bool foundNone = false; // it found no file to read for a moment
    QByteArray marker;
    bool ok = false;

    // Repeats a step while Windows refuses it because the store has the file open (or, when
    // reading, while there is no file), for up to two seconds.
    template<typename Step>
    bool retried(Step step, bool reading = false)
    {
        const Clock::time_point until = Clock::now() + std::chrono::seconds(2);
        for (;;) {
            if (step())
                return true;
            const DWORD error = GetLastError();
            const bool none = reading && error == ERROR_FILE_NOT_FOUND;
            if (!(refusedForNow(error) || none) || Clock::now() > until)
                return false;
            (none ? foundNone : refused) = true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    void run(const QString &path, Way way, int round)
    {
        readAt = Clock::now();
        const std::wstring name = native(path);
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        if (!retried([&] {
                const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                DWORD got = 0;
                const bool read = file != INVALID_HANDLE_VALUE
                    && ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr);
                const DWORD error = GetLastError();
                if (file != INVALID_HANDLE_VALUE)
                    CloseHandle(file);
                SetLastError(error);
                bytes.resize(read ? qsizetype(got) : bytes.size());
                return read;
            }, true))
            return;
        sawPlayerChange = bytes.contains(playerLine);
        const qsizetype at = bytes.indexOf(counterKey);
        if (at < 0)
            return;
        marker = counterKey + QByteArray::number(round + 1);
        bytes.replace(at, bytes.indexOf('\r', at) - at, marker);
        if (way == Way::RenamedOver) {
            const std::wstring temporary = native(path + QStringLiteral(".game"));
            ok = writeBytes(path + QStringLiteral(".game"), bytes);
            landingFrom = Clock::now();
            ok = ok && retried([&] { return MoveFileExW(temporary.c_str(), name.c_str(), MOVEFILE_REPLACE_EXISTING); });
            return;
        }
        landingFrom = Clock::now();
        if (way == Way::DeletedAndMade)
            retried([&] { return DeleteFileW(name.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; });
        // As the C library's fopen(..., "w") opens: sharing reading and writing, not deletion.
        HANDLE file = INVALID_HANDLE_VALUE;
        if (!retried([&] {
                file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
                return file != INVALID_HANDLE_VALUE;
            }))
            return;
        // Two pieces with a pause between, as a program that flushes its buffer twice.
        const qsizetype half = bytes.size() / 2;
        ok = writeAll(file, bytes.constData(), half);
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        ok = ok && writeAll(file, bytes.constData() + half, bytes.size() - half);
        ok = CloseHandle(file) && ok;
    }
};

struct Tally
{
    int rounds = 0;
    int lostOtherSaves = 0;
    int fragments = 0;
    int lostPlayerChanges = 0;
    int reported = 0;
    int merged = 0;          // both changes in the outcome
    int replacedByOther = 0; // the writer's copy of before the change landed last
    int writerRefused = 0;   // rounds in which Windows refused the writer a step for a moment
    int writerFoundNone = 0; // rounds in which the writer found no file for a moment
};

} // namespace

class TestWindowsRace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void otherSavesSurviveApply_data();
    void otherSavesSurviveApply();

private:
    quint32 seed = 0;
};

void TestWindowsRace::initTestCase()
{
    seed = qEnvironmentVariableIsSet("VANTOR_RACE_SEED") ? qgetenv("VANTOR_RACE_SEED").toUInt()
                                                         : QRandomGenerator::global()->generate();
    std::printf("seed %u (replay with VANTOR_RACE_SEED=%u)\n", seed, seed);
}

void TestWindowsRace::otherSavesSurviveApply_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("renamed over") << int(Way::RenamedOver);
    QTest::newRow("truncated and written") << int(Way::TruncatedAndWritten);
    QTest::newRow("deleted and made") << int(Way::DeletedAndMade);
}

void TestWindowsRace::otherSavesSurviveApply()
{
    QFETCH(int, way);
    // Wine removes a file made again after DeleteFileW whenever another handle to the old
    // one was open, even with no store running; Windows refuses the new file until then.
    if (Way(way) == Way::DeletedAndMade && runningUnderWine())
        QSKIP("Wine loses a file made again while the deleted one is still open");
    const int seconds = qEnvironmentVariableIsSet("VANTOR_RACE_SECONDS") ? qEnvironmentVariableIntValue("VANTOR_RACE_SECONDS") : 2;
    QRandomGenerator random(seed + quint32(way));

    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const QString mainPath = folder + QStringLiteral("Vantor.ini");
    QSet<QByteArray> knownLines;
    for (const QByteArray &line : mainLines)
        knownLines.insert(line);
    knownLines.insert(playerLine);

    // How long a save takes here, so that the writer's moments spread over it.
    qint64 applyNs = 0;
    for (int i = 0; i < 5; ++i) {
        QVERIFY(writeBytes(folder + QStringLiteral("VantorPrefs.ini"), prefsFile) && writeBytes(mainPath, mainFile()));
        IniStore store(folder);
        store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 1);
        QElapsedTimer timer;
        timer.start();
        store.save();
        applyNs = i == 0 ? timer.nsecsElapsed() : std::min(applyNs, timer.nsecsElapsed());
    }

    Tally tally;
    QElapsedTimer budget;
    budget.start();
    for (int round = 0; round < 400 && (round < 30 || budget.elapsed() < seconds * 1000); ++round) {
        QVERIFY(writeBytes(folder + QStringLiteral("VantorPrefs.ini"), prefsFile) && writeBytes(mainPath, mainFile()));
        IniStore store(folder);
        QVERIFY(store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 1));

        const auto delay = std::chrono::nanoseconds(random.bounded(qint64(applyNs * 3 / 2) + 1));
        const Clock::time_point start = Clock::now() + std::chrono::microseconds(200);
        OtherSave other;
        std::thread writer([&] {
            std::this_thread::sleep_until(start + delay);
            other.run(mainPath, Way(way), round);
        });
        std::this_thread::sleep_until(start);
        const Clock::time_point applyFrom = Clock::now();
        const QList<SaveFailure> failures = store.save();
        const Clock::time_point applyTo = Clock::now();
        writer.join();
        QVERIFY2(other.ok, qPrintable(QStringLiteral("the writer's save failed in round %1").arg(round)));

        ++tally.rounds;
        const QByteArray outcome = readBytes(mainPath);
        const QList<QByteArray> lines = outcome.split('\n');
        QSet<QByteArray> seen;
        bool fragment = !outcome.endsWith('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
            const QByteArray kind = line.startsWith(counterKey) ? counterKey : line;
            fragment = fragment || !(knownLines.contains(line) || line.startsWith(counterKey)) || seen.contains(kind);
            seen.insert(kind);
        }
        const bool hasOther = outcome.contains(other.marker + "\r\n");
        const bool hasPlayer = outcome.contains(playerLine);
        const bool replacedByOther = !other.sawPlayerChange && other.landingFrom > applyFrom && !hasPlayer;
        const bool lostPlayerChange = failures.isEmpty() && !hasPlayer && (!replacedByOther || other.readAt > applyTo);
        tally.fragments += fragment;
        tally.lostOtherSaves += !hasOther;
        tally.reported += !failures.isEmpty();
        tally.merged += hasOther && hasPlayer;
        tally.replacedByOther += replacedByOther;
        tally.lostPlayerChanges += lostPlayerChange;
        tally.writerRefused += other.refused;
        tally.writerFoundNone += other.foundNone;
        if (fragment || !hasOther || lostPlayerChange || !failures.isEmpty())
            std::printf("round %d, writer after %.3f ms, %lld failures: %s\n", round, double(delay.count()) / 1e6,
                        qlonglong(failures.size()), outcome.constData());

        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString &name : left)
            QVERIFY2(QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("Vantor.ini.bak"),
                                  QStringLiteral("VantorPrefs.ini")})
                         .contains(name),
                     qPrintable(name));
    }

    std::printf("%d rounds in %.1f s, a save took %.3f ms: lost other saves %d, fragment outcomes %d, "
                "lost player changes %d, failures reported %d; both changes kept %d, the writer's older copy "
                "landed last %d, the writer refused for a moment in %d, found no file for a moment in %d\n",
                tally.rounds, double(budget.elapsed()) / 1000, double(applyNs) / 1e6, tally.lostOtherSaves,
                tally.fragments, tally.lostPlayerChanges, tally.reported, tally.merged, tally.replacedByOther,
                tally.writerRefused, tally.writerFoundNone);
    QCOMPARE(tally.lostOtherSaves + tally.fragments + tally.lostPlayerChanges + tally.reported, 0);
}

QTEST_GUILESS_MAIN(TestWindowsRace)
#include "tst_windowsrace.moc"
