#pragma once

#include "inidocument.h"

#include <QList>
#include <QString>

// A file that a save could not write, and why, in words a player understands.
struct SaveFailure
{
    QString path;
    QString reason;
};

// The game's two INI files, the preferences file "VantorPrefs.ini" and the main
// file "Vantor.ini", read and written as one store: a key is read from the
// main file first, and written into whichever file already holds it.
class IniStore
{
public:
    // Reads both files from folder (which ends with a separator). When one cannot
    // be read, isOpen() is false and unreadablePath() names it, the preferences
    // file being checked first.
    explicit IniStore(const QString &folder);

    bool isOpen() const { return unreadable.isEmpty(); }
    QString unreadablePath() const { return unreadable; }

    // Sections are named without brackets; the empty name is the top level.

    // The key's text from the main file, else from the preferences file, else
    // "NULL". A stored text of exactly "NULL" counts as absent.
    QString readValue(const QString &section, const QString &key) const;
    // Whether either file holds the key.
    bool holds(const QString &section, const QString &key) const;

    // Writes into the main file if it holds the key, else into the preferences
    // file if that holds it, else adds the key to the main file. Returns false,
    // writing nothing, for text that cannot be stored on one line.
    bool writeValue(const QString &section, const QString &key, const QString &text);
    bool writeBool(const QString &section, const QString &key, bool flag);
    bool writeInt(const QString &section, const QString &key, int number);
    bool writeDouble(const QString &section, const QString &key, double number);

    // Quotes the device name, then writes both files atomically. Edits are applied
    // to what is on disk now, so lines another program changed meanwhile survive.
    // Returns the files it could not write; it still tries the second after the first fails.
    QList<SaveFailure> save();

    static QString missingValue() { return QStringLiteral("NULL"); }

private:
    struct Edit
    {
        QString section;
        QString key;
        QString text;
    };

    struct IniFile
    {
        QString path;
        IniDocument document;
        QByteArray diskBytes;      // what the file held when last read or written
        QList<Edit> unsavedEdits;  // replayed if the file changes on disk before a save

        bool holds(const QString &section, const QString &key) const;
        bool write(const QString &section, const QString &key, const QString &text);
    };

    static bool readFile(IniFile &file);
    void quoteDeviceName();
    static std::optional<SaveFailure> refreshFromDisk(IniFile &file);
    static std::optional<SaveFailure> writeToDisk(IniFile &file);

    IniFile prefsIni;
    IniFile mainIni;
    QString unreadable;
};
