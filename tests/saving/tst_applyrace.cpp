// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Another program saves the file at the last moment of Apply: after the store's fresh read,
// just before its swap, in each of the ways programs save files. The save is laid once
// more on that program's content, which the backup then holds; nothing else is left beside.

#include "diskfile.h"
#include "inifileset.h"
#include "inistore.h"
#include "testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <array>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace TestSupport;

namespace {

const QByteArray before = "[Display]\r\n; the game's own comment\r\nfGamma=1.0000\r\n\r\n[Controls]\r\nfMouse=0.0025\r\n";
const QByteArray gameSave = QByteArray(before).replace("0.0025", "0.0031");

enum class Way { RenamedOver, InPlaceKeepingSizeAndTime, DeletedAndMade };

bool renameOver(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    return MoveFileExW(nativePath(from).c_str(), nativePath(to).c_str(), MOVEFILE_REPLACE_EXISTING);
#else
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

// Same size, and the time of the last write put back: as on a file system whose clock is
// too coarse to tell two saves apart. Only the content says the file changed.
bool writeKeepingSizeAndTime(const QString &path, const QByteArray &bytes)
{
#ifdef Q_OS_WIN
    const HANDLE file = CreateFileW(nativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME written;
    DWORD count = 0;
    const bool done = file != INVALID_HANDLE_VALUE && GetFileTime(file, nullptr, nullptr, &written)
        && GetFileSize(file, nullptr) == DWORD(bytes.size())
        && WriteFile(file, bytes.constData(), DWORD(bytes.size()), &count, nullptr) && count == DWORD(bytes.size())
        && SetFileTime(file, nullptr, nullptr, &written);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return done;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    struct stat info;
    const bool done = fd >= 0 && ::fstat(fd, &info) == 0 && info.st_size == bytes.size()
        && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size()
        && ::futimens(fd, std::array<timespec, 2>{info.st_atim, info.st_mtim}.data()) == 0;
    return fd >= 0 && ::close(fd) == 0 && done;
#endif
}

bool saveAsAnotherProgram(Way way, const QString &path, const QByteArray &bytes)
{
    switch (way) {
    case Way::RenamedOver:
        writeBytes(path + QStringLiteral(".tmp"), bytes);
        return renameOver(path + QStringLiteral(".tmp"), path);
    case Way::DeletedAndMade:
        if (!QFile::remove(path))
            return false;
        writeBytes(path, bytes);
        return true;
    case Way::InPlaceKeepingSizeAndTime:
        return writeKeepingSizeAndTime(path, bytes);
    }
    return false;
}

} // namespace

class TestApplyRace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }

    void saveLandingBeforeTheSwapIsMerged_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("renamed over") << int(Way::RenamedOver);
        QTest::newRow("in place, size and time kept") << int(Way::InPlaceKeepingSizeAndTime);
        QTest::newRow("deleted and made again") << int(Way::DeletedAndMade);
    }

    void saveLandingBeforeTheSwapIsMerged()
    {
        QFETCH(int, way);
        // A plain rename has no old file left to compare after the swap: that one landing is lost there.
        if (plainRename() && Way(way) == Way::InPlaceKeepingSizeAndTime)
            QSKIP("a plain rename cannot see a save that kept the file's size and time");
        QTemporaryDir folder;
        const QString path = folder.path() + QStringLiteral("/Vantor.ini");
        writeBytes(path, before);
        IniFileSet files({path}, IniStore::missingValue());
        QVERIFY(files.write(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
        int finished = 0;
        bool landed = false;
        files.setFinishing([&](int, IniDocument &) {
            if (finished++ > 0)
                return;
            const DiskFile read = DiskFiles::read(path);
            landed = saveAsAnotherProgram(Way(way), path, gameSave);
            // Only the bytes tell this save apart: the swap must catch it, not the look before.
            if (Way(way) == Way::InPlaceKeepingSizeAndTime)
                landed = landed && DiskFiles::read(path).isSameFile(read);
        });
        QVERIFY(files.save().isEmpty());
        QVERIFY(landed);
        QCOMPARE(finished, 2); // laid once more, on the other program's save
        QCOMPARE(readBytes(path), QByteArray(gameSave).replace("1.0000\r\n\r\n", "1.25\r\n"));
        QCOMPARE(readBytes(path + QStringLiteral(".bak")), gameSave);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("Vantor.ini.bak")}));
    }
};

QTEST_GUILESS_MAIN(TestApplyRace)
#include "tst_applyrace.moc"
