// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// An INI file held as its lines. Reading keeps every byte (encoding, BOM, line
// ends, comments, spacing); writing a key replaces only that key's value text
// or adds one line, so every other line comes out exactly as it went in.
//
// A file with a UTF-16 byte order mark is UTF-16 in that byte order; any other
// is UTF-8 when it decodes as such, else Latin-1. LF, CR LF and a lone CR end
// a line; added lines end as the file's first line does (CR LF for a lone CR
// when some line ends in a lone LF).
//
// Section and key names match without regard to letter case. Sections of the
// same name form one section, and the first occurrence of a key wins. Keys
// before the first header and keys of [General] are the top level, addressed
// by the empty section name.
class IniDocument
{
public:
    enum class Encoding { Utf8, Latin1, Utf16LE, Utf16BE };
    enum class LineEnd { None, Lf, CrLf, Cr };

    IniDocument();
    static IniDocument fromBytes(const QByteArray &bytes);
    QByteArray toBytes() const;

    // False for bytes that cannot be read as lines of text: UTF-16 cut inside a
    // code unit, UTF-32, or wide text without a byte order mark (NULs on
    // every other byte of the first 4 KiB), which lines added as 8-bit text
    // would ruin. Such a document has no lines, finds no key, refuses every
    // write and gives back its bytes unchanged.
    bool isValid() const { return valid; }

    // Whether the text holds nothing but blanks and line ends.
    bool isBlank() const { return valid && fileText.trimmed().isEmpty(); }

    // False when the text stops in the middle of a line (no line end after the
    // last line); true when there is no line.
    bool endsWithLineEnd() const;

    std::optional<QString> value(const QString &section, const QString &key) const;

    // Stores rawValue as the key's value text, verbatim (no quoting, no escaping).
    // Refuses (returns false, changes nothing) names or values that would break
    // the line structure or change where the value ends (see isValidValue), and
    // text the file's encoding cannot hold.
    bool setValue(const QString &section, const QString &key, const QString &rawValue);

    // Drops every empty line and gives the last line a line end.
    void removeEmptyLines();

    Encoding encoding() const { return textEncoding; }
    bool hasByteOrderMark() const { return byteOrderMark; }
    LineEnd newLineEnd() const { return lineEndForNewLines; }

    static bool isValidSectionName(const QString &section);
    static bool isValidKey(const QString &key);
    // No line break or NUL, no quote left open, no ";" outside quotes.
    static bool isValidValue(const QString &rawValue);

private:
    // Lines keep their place in this vector for the document's life, so the
    // index never needs renumbering: the file's own lines come first, in file
    // order; a new key line is stored at the end and written after its anchor,
    // the line new keys of its section follow.
    struct Line
    {
        qsizetype begin = 0;  // the line's text in the file's text, until it changes
        qsizetype length = 0;
        QString changed;      // the text of a changed or added line
        bool isChanged = false;
        LineEnd end = LineEnd::None;
        bool added = false;   // a new key line, written after its anchor
        bool dropped = false; // an empty line removed before saving
    };

    struct Section
    {
        QHash<QString, int> keyLines; // folded key -> line of its first occurrence
        int lastKeyLine = -1;         // last key line below one of its headers
        int lastHeaderLine = -1;

        int anchor() const { return lastKeyLine >= 0 ? lastKeyLine : lastHeaderLine; }
    };

    QStringView textOf(const Line &line) const;
    static QString fold(QStringView name);
    static QString sectionId(QStringView section);
    bool decode(const QByteArray &bytes);
    void splitLines();
    void buildIndex();
    int appendLine(const QString &text, bool added);
    int lastWrittenLine() const;
    void endLine(int line);
    bool canEncode(const QString &text) const;

    QString fileText; // the decoded file, which unchanged lines are views into
    QByteArray undecodable; // the bytes of a document that is not valid
    std::vector<Line> lines;
    QHash<int, std::vector<int>> addedAfter; // anchor -> new key lines, in order
    QHash<QString, Section> sections;
    Encoding textEncoding = Encoding::Utf8;
    bool byteOrderMark = false;
    bool valid = true;
    LineEnd lineEndForNewLines;
};
