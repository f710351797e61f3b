#include "inistore.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include "heldopen.h"
#endif

#include <cerrno>
#include <utility>

namespace {

std::optional<QByteArray> readBytes(const QString &path, QString *error = nullptr)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    return bytes;
}

QString openFailureReason(const QString &path, const QString &systemText)
{
    const QFileInfo folder(QFileInfo(path).absolutePath());
    if (!folder.exists())
        return QStringLiteral("The folder no longer exists.");
    if (!folder.isWritable())
        return QStringLiteral("The folder does not allow new files, so the file cannot be "
                              "replaced safely (%1).").arg(systemText);
    return QStringLiteral("The file could not be opened for writing (%1).").arg(systemText);
}

} // namespace

IniStore::IniStore(const QString &folder)
{
    prefsIni.path = folder + QStringLiteral("VantorPrefs.ini");
    mainIni.path = folder + QStringLiteral("Vantor.ini");
    if (!readFile(prefsIni))
        unreadable = prefsIni.path;
    else if (!readFile(mainIni))
        unreadable = mainIni.path;
}

QString IniStore::readValue(const QString &section, const QString &key) const
{
    for (const IniFile *file : {&mainIni, &prefsIni}) {
        const std::optional<QString> text = file->document.value(section, key);
        if (text && *text != missingValue())
            return *text;
    }
    return missingValue();
}

bool IniStore::holds(const QString &section, const QString &key) const
{
    return mainIni.holds(section, key) || prefsIni.holds(section, key);
}

bool IniStore::writeValue(const QString &section, const QString &key, const QString &text)
{
    IniFile &target = mainIni.holds(section, key)    ? mainIni
                      : prefsIni.holds(section, key) ? prefsIni
                                                     : mainIni;
    return target.write(section, key, text);
}

bool IniStore::writeBool(const QString &section, const QString &key, bool flag)
{
    return writeValue(section, key, flag ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniStore::writeInt(const QString &section, const QString &key, int number)
{
    return writeValue(section, key, QString::number(number));
}

bool IniStore::writeDouble(const QString &section, const QString &key, double number)
{
    return writeValue(section, key, QString::number(number, 'g', 15));
}

QList<SaveFailure> IniStore::save()
{
    std::optional<SaveFailure> prefsFailure = refreshFromDisk(prefsIni);
    std::optional<SaveFailure> mainFailure = refreshFromDisk(mainIni);
    quoteDeviceName();
    if (!prefsFailure)
        prefsFailure = writeToDisk(prefsIni);
    if (!mainFailure)
        mainFailure = writeToDisk(mainIni);

    QList<SaveFailure> failures;
    for (const std::optional<SaveFailure> &failure : {prefsFailure, mainFailure}) {
        if (failure)
            failures.append(*failure);
    }
    return failures;
}

bool IniStore::IniFile::holds(const QString &section, const QString &key) const
{
    const std::optional<QString> text = document.value(section, key);
    return text && *text != missingValue();
}

bool IniStore::IniFile::write(const QString &section, const QString &key, const QString &text)
{
    if (!document.setValue(section, key, text))
        return false;
    unsavedEdits.append({section, key, text});
    return true;
}

bool IniStore::readFile(IniFile &file)
{
    // A folder of that name counts as unreadable, not as an empty file.
    if (!QFileInfo(file.path).isFile())
        return false;
    const std::optional<QByteArray> bytes = readBytes(file.path);
    if (!bytes)
        return false;
    file.diskBytes = *bytes;
    file.document = IniDocument::fromBytes(*bytes);
    return file.document.isValid();
}

// The game expects the adapter name of the preferences file in double quotes.
// The name is read bare (a pair of quotes is not part of the value) and any
// stray quote is dropped, so every save leaves exactly one pair.
void IniStore::quoteDeviceName()
{
    const QString display = QStringLiteral("Display");
    const QString key = QStringLiteral("sD3DDevice");
    QString name = prefsIni.document.value(display, key).value_or(QString());
    name.remove(u'"');
    prefsIni.write(display, key, u'"' + name + u'"');
}

std::optional<SaveFailure> IniStore::refreshFromDisk(IniFile &file)
{
    const QFileInfo info(file.path);
    if (!info.exists())
        return std::nullopt; // deleted meanwhile: written anew from what the store holds
    if (!info.isFile())
        return SaveFailure{file.path, QStringLiteral("Something other than a file, such as a "
                                                     "folder, now stands in its place.")};
    QString error;
    const std::optional<QByteArray> bytes = readBytes(file.path, &error);
    if (!bytes)
        return SaveFailure{file.path, QStringLiteral("The file can no longer be read (%1).").arg(error)};
    if (*bytes == file.diskBytes)
        return std::nullopt;

    IniDocument current = IniDocument::fromBytes(*bytes);
    for (const Edit &edit : std::as_const(file.unsavedEdits))
        current.setValue(edit.section, edit.key, edit.text);
    file.document = std::move(current);
    file.diskBytes = *bytes;
    return std::nullopt;
}

std::optional<SaveFailure> IniStore::writeToDisk(IniFile &file)
{
    file.document.removeEmptyLines();
    const QByteArray bytes = file.document.toBytes();
    const QFileInfo info(file.path);
    if (info.exists() && bytes == file.diskBytes) {
        file.unsavedEdits.clear();
        return std::nullopt;
    }
    // QSaveFile would replace a read-only file (as root, or through a writable
    // folder), so the player's write protection is checked here.
    if (info.exists() && !info.permission(QFileDevice::WriteOwner))
        return SaveFailure{file.path, QStringLiteral("The file is read-only.")};
#ifdef Q_OS_WIN
    if (info.exists()) {
        if (const std::optional<QString> reason = heldOpenReason(file.path))
            return SaveFailure{file.path, *reason};
    }
#endif

    QSaveFile out(file.path);
    if (!out.open(QIODevice::WriteOnly))
        return SaveFailure{file.path, openFailureReason(file.path, out.errorString())};
    errno = 0;
    const bool written = out.write(bytes) == bytes.size() && out.commit();
    const int systemError = errno;
    if (!written) {
        // A short write (a full disk, a file size limit) leaves QSaveFile without
        // a reason of its own; the system's says what happened.
        const QString reason = out.error() == QFileDevice::NoError || out.errorString() == QLatin1String("Unknown error")
            ? qt_error_string(systemError)
            : out.errorString();
        return SaveFailure{file.path, QStringLiteral("Writing failed (%1). The file on disk was "
                                                     "left as it was.").arg(reason)};
    }
    file.diskBytes = bytes;
    file.unsavedEdits.clear();
    return std::nullopt;
}
