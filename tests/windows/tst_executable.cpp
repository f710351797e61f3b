// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What Windows reads from the built vantor-configurator.exe before it runs a line of it:
// the one manifest, the version information and the icon.

#include <QtTest>

#include <qt_windows.h>

class TestExecutable : public QObject
{
    Q_OBJECT
    const std::wstring path = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()
                                                       + QStringLiteral("/" VANTOR_PROGRAM_FROM_TEST)).toStdWString();
    HMODULE program = nullptr;

    // The resources of a type: their names, and the first one's bytes.
    std::pair<QStringList, QByteArray> resources(LPCWSTR type) const
    {
        QStringList names;
        EnumResourceNamesW(program, type, [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
            reinterpret_cast<QStringList *>(names)->append(
                IS_INTRESOURCE(name) ? QStringLiteral("#%1").arg(quintptr(name)) : QString::fromWCharArray(name));
            return TRUE;
        }, reinterpret_cast<LONG_PTR>(&names));
        const std::wstring first = names.value(0).toStdWString();
        const HRSRC found = FindResourceW(program, first.c_str(), type); // "#1" names the number 1
        const HGLOBAL loaded = found ? LoadResource(program, found) : nullptr;
        return {names, loaded ? QByteArray(static_cast<const char *>(LockResource(loaded)),
                                           int(SizeofResource(program, found))) : QByteArray()};
    }

private slots:
    void initTestCase()
    {
        program = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        QVERIFY(program);
    }
    void cleanupTestCase() { FreeLibrary(program); }

    void hasExactlyOneManifest()
    {
        // A second one (a toolchain's default manifest) would make Windows refuse to start it.
        const auto [names, manifest] = resources(RT_MANIFEST);
        QCOMPARE(names, QStringList{QStringLiteral("#1")});
        for (const char *setting : {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                                    ">PerMonitorV2", ">true/pm<", "<longPathAware", ">true</longPathAware>"})
            QVERIFY2(manifest.simplified().contains(setting), setting);
    }

    void versionAndIconComeFromTheProject()
    {
        QByteArray info(int(GetFileVersionInfoSizeW(path.c_str(), nullptr)), '\0');
        QVERIFY(!info.isEmpty() && GetFileVersionInfoW(path.c_str(), 0, DWORD(info.size()), info.data()));
        VS_FIXEDFILEINFO *fixed = nullptr;
        UINT size = 0;
        QVERIFY(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &size));
        QCOMPARE(QStringLiteral("%1.%2.%3").arg(HIWORD(fixed->dwFileVersionMS)).arg(LOWORD(fixed->dwFileVersionMS))
                     .arg(HIWORD(fixed->dwFileVersionLS)), QStringLiteral(VANTOR_VERSION));
        for (const auto &[key, value] : {std::pair{L"FileVersion", VANTOR_VERSION}, {L"ProductVersion", VANTOR_VERSION},
                 {L"ProductName", "Vantor Configurator"},
                 {L"LegalCopyright", "Copyright 2026 The Vantor Configurator developers. GPL-3.0-or-later."}}) {
            wchar_t *text = nullptr;
            const std::wstring field = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
            QVERIFY(VerQueryValueW(info.data(), field.c_str(), reinterpret_cast<void **>(&text), &size));
            QCOMPARE(QString::fromWCharArray(text), QString::fromUtf8(value));
        }
        // The icon, in every size Explorer asks for: 16, 24, 32, 48, 64 and 256 px.
        const QByteArray icons = resources(RT_GROUP_ICON).second;
        QCOMPARE(icons.size() >= 6 ? int(reinterpret_cast<const WORD *>(icons.constData())[2]) : 0, 6);
    }
};

QTEST_GUILESS_MAIN(TestExecutable)
#include "tst_executable.moc"
