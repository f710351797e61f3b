// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inidocument.h"

#include <QStringDecoder>
#include <QStringView>
#include <QtEndian>

#include <algorithm>

namespace {

enum class LineKind { Other, Comment, Section, Key };

struct ParsedLine
{
    LineKind kind = LineKind::Other;
    QStringView name;           // section name or key, trimmed
    qsizetype valueBegin = 0;   // the raw value text, quotes included,
    qsizetype valueEnd = 0;     // without blanks around it or an inline comment
};

ParsedLine parseLine(QStringView text)
{
    ParsedLine parsed;
    const qsizetype size = text.size();
    qsizetype first = 0;
    while (first < size && text[first].isSpace())
        ++first;
    if (first == size)
        return parsed;

    const QChar lead = text[first];
    if (lead == u'[') {
        const qsizetype close = text.indexOf(u']', first + 1);
        if (close >= 0) {
            parsed.kind = LineKind::Section;
            parsed.name = text.mid(first + 1, close - first - 1).trimmed();
            return parsed;
        }
    }
    if (lead == u';' || lead == u'#') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }

    const qsizetype equals = text.indexOf(u'=', first);
    if (equals < 0)
        return parsed;
    const QStringView key = text.mid(first, equals - first).trimmed();
    if (key.isEmpty())
        return parsed;

    qsizetype begin = equals + 1;
    while (begin < size && text[begin].isSpace())
        ++begin;
    qsizetype end = begin;
    bool quoted = false;
    for (; end < size; ++end) {
        if (text[end] == u'"')
            quoted = !quoted;
        else if (text[end] == u';' && !quoted)
            break;
    }
    while (end > begin && text[end - 1].isSpace())
        --end;

    parsed.kind = LineKind::Key;
    parsed.name = key;
    parsed.valueBegin = begin;
    parsed.valueEnd = end;
    return parsed;
}

QString unquoted(QStringView raw)
{
    if (raw.size() >= 2 && raw.front() == u'"' && raw.back() == u'"')
        raw = raw.mid(1, raw.size() - 2);
    return raw.toString();
}

bool breaksLines(QStringView text)
{
    for (QChar c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\0')
            return true;
    }
    return false;
}

// A quote left open, or a ";" outside quotes, would change where the value
// ends when the line is read again (and take in an inline comment after it).
bool changesHowItsLineReads(QStringView value)
{
    bool quoted = false;
    for (QChar c : value) {
        if (c == u'"')
            quoted = !quoted;
        else if (c == u';' && !quoted)
            return true;
    }
    return quoted;
}

QStringView lineEndText(IniDocument::LineEnd end)
{
    switch (end) {
    case IniDocument::LineEnd::Lf:
        return u"\n";
    case IniDocument::LineEnd::CrLf:
        return u"\r\n";
    case IniDocument::LineEnd::Cr:
        return u"\r";
    case IniDocument::LineEnd::None:
        break;
    }
    return QStringView();
}

const QByteArray utf8ByteOrderMark("\xEF\xBB\xBF");
const QByteArray utf16LEByteOrderMark("\xFF\xFE");
const QByteArray utf16BEByteOrderMark("\xFE\xFF");

QByteArray byteOrderMarkOf(IniDocument::Encoding encoding)
{
    switch (encoding) {
    case IniDocument::Encoding::Utf16LE:
        return utf16LEByteOrderMark;
    case IniDocument::Encoding::Utf16BE:
        return utf16BEByteOrderMark;
    case IniDocument::Encoding::Utf8:
    case IniDocument::Encoding::Latin1: // UTF-8's mark before bytes that are no UTF-8
        break;
    }
    return utf8ByteOrderMark;
}

QByteArray encoded(const QString &text, IniDocument::Encoding encoding)
{
    switch (encoding) {
    case IniDocument::Encoding::Utf8:
        return text.toUtf8();
    case IniDocument::Encoding::Latin1:
        return text.toLatin1();
    case IniDocument::Encoding::Utf16LE:
    case IniDocument::Encoding::Utf16BE:
        break;
    }
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    if (encoding == IniDocument::Encoding::Utf16LE)
        qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    else
        qToBigEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

// UTF-16 without a byte order mark: a NUL in the first character, or NULs
// on every other byte, as the high half of each Latin character. Text of
// eight-bit characters has none; a quarter of the even or odd bytes of the
// first 4 KiB, and more than one, is taken as the sign.
bool looksWide(QByteArrayView bytes)
{
    if (bytes.startsWith('\0') || (bytes.size() >= 2 && bytes[1] == 0))
        return true;
    const qsizetype size = std::min<qsizetype>(bytes.size(), 4096);
    qsizetype nuls[2] = {0, 0};
    for (qsizetype at = 0; at < size; ++at)
        nuls[at % 2] += bytes[at] == 0;
    const qsizetype most = std::max(nuls[0], nuls[1]);
    return most > 1 && most * 8 >= size;
}

} // namespace

IniDocument::IniDocument()
#ifdef Q_OS_WIN
    : lineEndForNewLines(LineEnd::CrLf)
#else
    : lineEndForNewLines(LineEnd::Lf)
#endif
{
}

IniDocument IniDocument::fromBytes(const QByteArray &bytes)
{
    IniDocument document;
    if (!document.decode(bytes)) {
        document.valid = false;
        document.undecodable = bytes;
        return document;
    }
    document.splitLines();
    if (!document.lines.empty() && document.lines.front().end != LineEnd::None)
        document.lineEndForNewLines = document.lines.front().end;
    // A new line ending in a lone CR would join the LF of an empty line after it.
    const auto endsInLf = [](const Line &line) { return line.end == LineEnd::Lf; };
    if (document.lineEndForNewLines == LineEnd::Cr
        && std::any_of(document.lines.cbegin(), document.lines.cend(), endsInLf))
        document.lineEndForNewLines = LineEnd::CrLf;
    document.buildIndex();
    return document;
}

bool IniDocument::decode(const QByteArray &bytes)
{
    QByteArrayView body(bytes);
    const bool littleEndian = body.startsWith(utf16LEByteOrderMark);
    if (littleEndian || body.startsWith(utf16BEByteOrderMark)) {
        body = body.sliced(2);
        // A NUL first: UTF-32 little-endian, whose byte order mark starts like this one.
        if (body.size() % 2 != 0 || (body.size() >= 2 && body[0] == 0 && body[1] == 0))
            return false;
        textEncoding = littleEndian ? Encoding::Utf16LE : Encoding::Utf16BE;
        byteOrderMark = true;
        // Unit for unit, so that even a lone surrogate goes back as it came.
        fileText = QString(body.size() / 2, Qt::Uninitialized);
        if (littleEndian)
            qFromLittleEndian<char16_t>(body.data(), fileText.size(), fileText.data());
        else
            qFromBigEndian<char16_t>(body.data(), fileText.size(), fileText.data());
        return true;
    }

    if (body.startsWith(utf8ByteOrderMark)) {
        byteOrderMark = true;
        body = body.sliced(utf8ByteOrderMark.size());
    } else if (looksWide(body)) {
        return false;
    }

    // Text that does not decode as UTF-8 and encode back to the same bytes is
    // read as Latin-1, which maps every byte to one character and back. A byte
    // order mark after the first is kept as text (QString::fromUtf8 drops it).
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    fileText = utf8.decode(body);
    if (utf8.hasError() || fileText.toUtf8() != body) {
        fileText = QString::fromLatin1(body);
        textEncoding = Encoding::Latin1;
    }
    return true;
}

void IniDocument::splitLines()
{
    const qsizetype size = fileText.size();
    // QString's indexOf goes straight to the vectorised search; QStringView's takes a detour.
    const auto next = [this, size](QChar end, qsizetype from) {
        const qsizetype at = fileText.indexOf(end, from);
        return at < 0 ? size : at;
    };
    lines.reserve(size_t(fileText.count(u'\n')) + 1);
    qsizetype lf = -1;
    qsizetype cr = -1;
    qsizetype start = 0;
    while (start < size) {
        if (lf < start)
            lf = next(u'\n', start);
        if (cr < start)
            cr = next(u'\r', start);
        Line line;
        line.begin = start;
        line.length = std::min(lf, cr) - start;
        if (lf < cr) {
            line.end = LineEnd::Lf;
            start = lf + 1;
        } else if (cr < size) {
            line.end = cr + 1 == lf && lf < size ? LineEnd::CrLf : LineEnd::Cr;
            start = cr + (line.end == LineEnd::CrLf ? 2 : 1);
        } else {
            start = size;
        }
        lines.push_back(line);
    }
}

QByteArray IniDocument::toBytes() const
{
    if (!valid)
        return undecodable;
    qsizetype size = fileText.size();
    for (const Line &line : lines)
        size += line.changed.size() + 2;
    QString text;
    text.reserve(size);
    const auto write = [this, &text](const Line &line) {
        text += textOf(line);
        text += lineEndText(line.end);
    };
    for (size_t index = 0; index < lines.size(); ++index) {
        const Line &line = lines[index];
        if (line.added)
            continue;
        if (!line.dropped)
            write(line);
        const auto added = addedAfter.constFind(int(index));
        if (added != addedAfter.cend()) {
            for (int follower : *added)
                write(lines[size_t(follower)]);
        }
    }

    if (!byteOrderMark)
        return encoded(text, textEncoding);
    return byteOrderMarkOf(textEncoding) + encoded(text, textEncoding);
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const
{
    const auto found = sections.constFind(sectionId(section));
    if (found == sections.cend())
        return std::nullopt;
    const auto line = found->keyLines.constFind(fold(key));
    if (line == found->keyLines.cend())
        return std::nullopt;
    const QStringView text = textOf(lines[size_t(*line)]);
    const ParsedLine parsed = parseLine(text);
    return unquoted(text.mid(parsed.valueBegin, parsed.valueEnd - parsed.valueBegin));
}

bool IniDocument::setValue(const QString &section, const QString &key, const QString &rawValue)
{
    if (!valid || !isValidSectionName(section) || !isValidKey(key) || !isValidValue(rawValue))
        return false;
    if (!canEncode(section) || !canEncode(key) || !canEncode(rawValue))
        return false;

    const QString id = sectionId(section);
    const QString foldedKey = fold(key);
    auto found = sections.find(id);
    if (found != sections.end()) {
        const auto line = found->keyLines.constFind(foldedKey);
        if (line != found->keyLines.cend()) {
            Line &changed = lines[size_t(*line)];
            const QStringView text = textOf(changed);
            const ParsedLine parsed = parseLine(text);
            QString newText;
            newText.reserve(text.size() - (parsed.valueEnd - parsed.valueBegin) + rawValue.size());
            newText.append(text.left(parsed.valueBegin)).append(rawValue).append(text.mid(parsed.valueEnd));
            changed.changed = std::move(newText);
            changed.isChanged = true;
            return true;
        }
    }

    const QString keyLine = key + u'=' + rawValue;
    int anchor = found != sections.end() ? found->anchor() : -1;
    if (anchor < 0) {
        // The section has no header yet (top-level keys go into [General]).
        endLine(lastWrittenLine());
        anchor = appendLine(u'[' + (id.isEmpty() ? QStringLiteral("General") : section) + u']', false);
        if (found == sections.end())
            found = sections.insert(id, Section());
        found->lastHeaderLine = anchor;
    }
    std::vector<int> &added = addedAfter[anchor];
    endLine(added.empty() ? anchor : added.back());
    const int line = appendLine(keyLine, true);
    added.push_back(line);
    if (!found->keyLines.contains(foldedKey))
        found->keyLines.insert(foldedKey, line);
    return true;
}

void IniDocument::removeEmptyLines()
{
    for (Line &line : lines)
        line.dropped = textOf(line).isEmpty();
    endLine(lastWrittenLine());
}

bool IniDocument::endsWithLineEnd() const
{
    const int last = lastWrittenLine();
    return last < 0 || lines[size_t(last)].end != LineEnd::None;
}

bool IniDocument::isValidSectionName(const QString &section)
{
    return section.isEmpty()
        || (section == section.trimmed() && !section.contains(u']') && !breaksLines(section));
}

bool IniDocument::isValidValue(const QString &rawValue)
{
    return !breaksLines(rawValue) && !changesHowItsLineReads(rawValue);
}

bool IniDocument::isValidKey(const QString &key)
{
    if (key.isEmpty() || key != key.trimmed() || key.contains(u'=') || breaksLines(key))
        return false;
    const QChar lead = key.front();
    return lead != u'[' && lead != u';' && lead != u'#';
}

QStringView IniDocument::textOf(const Line &line) const
{
    return line.isChanged ? QStringView(line.changed) : QStringView(fileText).mid(line.begin, line.length);
}

QString IniDocument::fold(QStringView name)
{
    // Names are nearly always ASCII; full case folding only for the rest.
    QString folded(name.size(), Qt::Uninitialized);
    QChar *out = folded.data();
    for (QChar c : name) {
        const char16_t unit = c.unicode();
        if (unit >= 0x80)
            return name.toString().toCaseFolded();
        *out++ = QChar(unit >= u'A' && unit <= u'Z' ? unit + 32 : unit);
    }
    return folded;
}

QString IniDocument::sectionId(QStringView section)
{
    const QString folded = fold(section.trimmed());
    return folded == QLatin1StringView("general") ? QString() : folded;
}

void IniDocument::buildIndex()
{
    sections.clear();
    addedAfter.clear();
    Section *current = &sections[QString()];
    bool belowHeader = false;
    for (int index = 0; index < int(lines.size()); ++index) {
        const ParsedLine parsed = parseLine(textOf(lines[size_t(index)]));
        if (parsed.kind == LineKind::Section) {
            current = &sections[sectionId(parsed.name)]; // taken anew: an insertion may move entries
            current->lastHeaderLine = index;
            belowHeader = true;
        } else if (parsed.kind == LineKind::Key) {
            const QString key = fold(parsed.name);
            if (!current->keyLines.contains(key))
                current->keyLines.insert(key, index);
            if (belowHeader)
                current->lastKeyLine = index;
        }
    }
}

int IniDocument::appendLine(const QString &text, bool added)
{
    Line line;
    line.changed = text;
    line.isChanged = true;
    line.end = lineEndForNewLines;
    line.added = added;
    lines.push_back(line);
    return int(lines.size()) - 1;
}

// The line that comes last in the file as written, or -1.
int IniDocument::lastWrittenLine() const
{
    for (int index = int(lines.size()) - 1; index >= 0; --index) {
        if (lines[size_t(index)].added)
            continue;
        const auto added = addedAfter.constFind(index);
        if (added != addedAfter.cend() && !added->empty())
            return added->back();
        if (!lines[size_t(index)].dropped)
            return index;
    }
    return -1;
}

// A line that gets a successor, or ends the saved file, needs a line end.
void IniDocument::endLine(int line)
{
    if (line >= 0 && lines[size_t(line)].end == LineEnd::None)
        lines[size_t(line)].end = lineEndForNewLines;
}

bool IniDocument::canEncode(const QString &text) const
{
    if (!QStringView(text).isValidUtf16())
        return false;
    if (textEncoding != Encoding::Latin1)
        return true;
    for (QChar c : text) {
        if (c.unicode() > 0xff)
            return false;
    }
    return true;
}
