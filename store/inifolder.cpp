#include "inifolder.h"

#include <QDir>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shlobj.h>
#endif

QString documentsFolder()
{
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH] = {};
    // Without this check a failed lookup would leave an empty path, and the
    // files would be looked for relative to the current drive's root.
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path)))
        return QDir::fromNativeSeparators(QString::fromWCharArray(path));
#endif
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() + QStringLiteral("/Documents") : documents;
}

QString iniFolder()
{
    return documentsFolder() + QStringLiteral("/My Games/Vantor/");
}
