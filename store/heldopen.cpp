#include "heldopen.h"

#include <QDir>
#include <QFileInfo>

#include <qt_windows.h>

namespace {

// The "\\?\" form reaches paths beyond MAX_PATH whatever the system's long path setting.
std::wstring extendedPath(const QString &path)
{
    const QString native = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (native.startsWith(QLatin1String("\\\\?\\")))
        return native.toStdWString();
    if (native.startsWith(QLatin1String("\\\\")))
        return (QStringLiteral("\\\\?\\UNC\\") + native.mid(2)).toStdWString();
    return (QStringLiteral("\\\\?\\") + native).toStdWString();
}

} // namespace

std::optional<QString> heldOpenReason(const QString &path)
{
    // Asking for the right to delete, while allowing everyone else everything, fails
    // exactly when an open handle denies deletion, as the final rename would.
    const HANDLE handle = CreateFileW(extendedPath(path).c_str(), DELETE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return std::nullopt;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION)
        return std::nullopt; // anything else is the save's own to report
    return QStringLiteral("The game or another program has the file open, so it cannot be replaced "
                          "now. Close the game and press Apply again. The file on disk was left as it was.");
}
