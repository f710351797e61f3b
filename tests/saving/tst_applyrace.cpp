// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Another program saves the file at the last moment of Apply: after the store's fresh read, just before its swap.
// The save is laid once more on that program's content, which the backup then holds; nothing else is left beside.

#include "diskfile.h"
#include "inifileset.h"
#include "inistore.h"
#include "testsupport.h"

#include <QtTest>

using namespace TestSupport;

class TestApplyRace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }

    void saveLandingBeforeTheSwapIsMerged_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("renamed over") << false;
        QTest::newRow("in place, size and time kept") << true;
    }

    void saveLandingBeforeTheSwapIsMerged()
    {
        QFETCH(bool, inPlace);
        // A plain rename has no old file left to compare after the swap: that one landing is lost there.
        if (plainRename() && inPlace)
            QSKIP("a plain rename cannot see a save that kept the file's size and time");
        const QByteArray before = "[Display]\r\n; the game's comment\r\nfGamma=1.0000\r\n\r\n[Controls]\r\nm=0.0025\r\n";
        const QByteArray gameSave = QByteArray(before).replace("0.0025", "0.0031");
        QTemporaryDir folder;
        const QString path = folder.path() + QStringLiteral("/Vantor.ini");
        const QDateTime lastWrite = QDateTime::fromSecsSinceEpoch(1700000000); // whole seconds: Qt sets them exactly
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(before) == before.size()
                && file.setFileTime(lastWrite, QFileDevice::FileModificationTime));
        file.close();
        IniFileSet files({path}, IniStore::missingValue());
        QVERIFY(files.write(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
        int finished = 0;
        bool landed = false;
        files.setFinishing([&](int, IniDocument &) {
            if (finished++ > 0)
                return;
            const DiskFile read = DiskFiles::read(path);
            if (!inPlace) {
                QSaveFile other(path);
                landed = other.open(QIODevice::WriteOnly) && other.write(gameSave) == gameSave.size() && other.commit();
                return;
            }
            // As on a file system whose clock is too coarse to tell two saves apart: same size, same time, and only
            // the bytes tell this save apart. The swap must catch it, not the look before.
            landed = file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) && file.write(gameSave) == gameSave.size()
                && file.setFileTime(lastWrite, QFileDevice::FileModificationTime);
            file.close();
            landed = landed && DiskFiles::read(path).isSameFile(read);
        });
        QVERIFY(files.save().isEmpty());
        QVERIFY(landed);
        QCOMPARE(finished, 2); // laid once more, on the other program's save
        QCOMPARE(readBytes(path), QByteArray(gameSave).replace("1.0000\r\n\r\n", "1.25\r\n"));
        QCOMPARE(readBytes(path + QStringLiteral(".bak")), gameSave);
        QCOMPARE(entriesOf(folder.path()), QStringList({"Vantor.ini", "Vantor.ini.bak"}));
    }
};

QTEST_GUILESS_MAIN(TestApplyRace)
#include "tst_applyrace.moc"
