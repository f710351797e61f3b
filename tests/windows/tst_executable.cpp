// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What Windows reads from the built vantor-configurator.exe before it runs a line of it:
// the one manifest, the version information and the icon.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <qt_windows.h>

namespace {

QString programPath()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/" VANTOR_PROGRAM_FROM_TEST));
}

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names)
{
    reinterpret_cast<QStringList *>(names)->append(
        IS_INTRESOURCE(name) ? QString::number(quintptr(name)) : QString::fromWCharArray(name));
    return TRUE;
}

} // namespace

class TestExecutable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void hasExactlyOneManifest();
    void versionComesFromTheProject();

private:
    QStringList resourceNames(LPCWSTR type) const;
    QByteArray resource(LPCWSTR type, LPCWSTR name) const;

    HMODULE program = nullptr;
};

void TestExecutable::initTestCase()
{
    QVERIFY2(QFileInfo::exists(programPath()), qPrintable(programPath()));
    program = LoadLibraryExW(QDir::toNativeSeparators(programPath()).toStdWString().c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    QVERIFY(program);
}

void TestExecutable::cleanupTestCase()
{
    if (program)
        FreeLibrary(program);
}

QStringList TestExecutable::resourceNames(LPCWSTR type) const
{
    QStringList names;
    EnumResourceNamesW(program, type, collectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

QByteArray TestExecutable::resource(LPCWSTR type, LPCWSTR name) const
{
    const HRSRC found = FindResourceW(program, name, type);
    const HGLOBAL loaded = found ? LoadResource(program, found) : nullptr;
    if (!loaded)
        return {};
    return QByteArray(static_cast<const char *>(LockResource(loaded)), int(SizeofResource(program, found)));
}

void TestExecutable::hasExactlyOneManifest()
{
    // A second one (a toolchain's default manifest) would make Windows refuse to start it.
    QCOMPARE(resourceNames(RT_MANIFEST), QStringList{QStringLiteral("1")});
    const QByteArray manifest = resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    for (const char *setting : {"level=\"asInvoker\"", "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                                ">PerMonitorV2", ">true/pm<", "<longPathAware", ">true</longPathAware>"}) {
        QVERIFY2(manifest.simplified().contains(setting), setting);
    }
}

void TestExecutable::versionComesFromTheProject()
{
    const std::wstring path = QDir::toNativeSeparators(programPath()).toStdWString();
    QByteArray info(int(GetFileVersionInfoSizeW(path.c_str(), nullptr)), '\0');
    QVERIFY(!info.isEmpty());
    QVERIFY(GetFileVersionInfoW(path.c_str(), 0, DWORD(info.size()), info.data()));

    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT size = 0;
    QVERIFY(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void **>(&fixed), &size));
    const QString fileVersion = QStringLiteral("%1.%2.%3").arg(HIWORD(fixed->dwFileVersionMS))
                                    .arg(LOWORD(fixed->dwFileVersionMS)).arg(HIWORD(fixed->dwFileVersionLS));
    QCOMPARE(fileVersion, QStringLiteral(VANTOR_VERSION));

    for (const auto &[key, value] : {std::pair{L"FileVersion", VANTOR_VERSION}, {L"ProductVersion", VANTOR_VERSION},
             {L"ProductName", "Vantor Configurator"},
             {L"LegalCopyright", "Copyright 2026 The Vantor Configurator developers. GPL-3.0-or-later."}}) {
        wchar_t *text = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
        QVERIFY(VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void **>(&text), &size));
        QCOMPARE(QString::fromWCharArray(text), QString::fromUtf8(value));
    }
    // The icon, in every size Explorer asks for: 16, 24, 32, 48, 64 and 256 px.
    const std::wstring group = resourceNames(RT_GROUP_ICON).value(0).toStdWString(); // a name, as the script gives it
    const QByteArray icons = resource(RT_GROUP_ICON, group.c_str());
    QCOMPARE(icons.size() >= 6 ? int(reinterpret_cast<const WORD *>(icons.constData())[2]) : 0, 6);
}

QTEST_GUILESS_MAIN(TestExecutable)
#include "tst_executable.moc"
