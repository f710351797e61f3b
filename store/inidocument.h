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
// Section and key names match without regard to letter case. Sections of the
// same name form one section, and the first occurrence of a key wins. Keys
// before the first header and keys of [General] are the top level, addressed
// by the empty section name.
class IniDocument
{
public:
    enum class Encoding { Utf8, Latin1 };
    enum class LineEnd { None, Lf, CrLf };

    IniDocument();
    static IniDocument fromBytes(const QByteArray &bytes);
    QByteArray toBytes() const;

    std::optional<QString> value(const QString &section, const QString &key) const;
    bool contains(const QString &section, const QString &key) const;

    // Stores rawValue as the key's value text, verbatim (no quoting, no escaping).
    // Refuses (returns false, changes nothing) names or values that would break
    // the line structure, and text the file's encoding cannot hold.
    bool setValue(const QString &section, const QString &key, const QString &rawValue);

    // Drops every empty line and gives the last line a line end.
    void removeEmptyLines();

    Encoding encoding() const { return textEncoding; }
    bool hasByteOrderMark() const { return byteOrderMark; }
    LineEnd newLineEnd() const { return lineEndForNewLines; }
    int lineCount() const { return int(lines.size()); }

    static bool isValidSectionName(const QString &section);
    static bool isValidKey(const QString &key);

private:
    struct Line
    {
        QString text;
        LineEnd end = LineEnd::None;
    };

    struct Section
    {
        QHash<QString, int> keyLines; // folded key -> line of its first occurrence
        int lastKeyLine = -1;         // last key line below one of its headers
        int lastHeaderLine = -1;
    };

    static QString fold(const QString &name);
    static QString sectionId(const QString &section);
    void buildIndex();
    void insertLine(int at, const QString &text);
    bool canEncode(const QString &text) const;

    std::vector<Line> lines;
    QHash<QString, Section> sections;
    Encoding textEncoding = Encoding::Utf8;
    bool byteOrderMark = false;
    LineEnd lineEndForNewLines;
};
