#include "inidocument.h"

#include <QStringView>

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

QLatin1StringView lineEndText(IniDocument::LineEnd end)
{
    switch (end) {
    case IniDocument::LineEnd::Lf:
        return QLatin1StringView("\n");
    case IniDocument::LineEnd::CrLf:
        return QLatin1StringView("\r\n");
    case IniDocument::LineEnd::None:
        break;
    }
    return QLatin1StringView();
}

const QByteArray utf8ByteOrderMark("\xEF\xBB\xBF");

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
    QByteArrayView body(bytes);
    if (body.startsWith(utf8ByteOrderMark)) {
        document.byteOrderMark = true;
        body = body.sliced(utf8ByteOrderMark.size());
    }

    // Whatever is not UTF-8 that survives the round trip is read as Latin-1,
    // which maps every byte to one character and back.
    QString text = QString::fromUtf8(body);
    if (text.toUtf8() != body) {
        text = QString::fromLatin1(body);
        document.textEncoding = Encoding::Latin1;
    }

    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype newline = text.indexOf(u'\n', start);
        if (newline < 0) {
            document.lines.push_back({text.mid(start), LineEnd::None});
            break;
        }
        const bool crlf = newline > start && text[newline - 1] == u'\r';
        const qsizetype end = crlf ? newline - 1 : newline;
        document.lines.push_back({text.mid(start, end - start), crlf ? LineEnd::CrLf : LineEnd::Lf});
        start = newline + 1;
    }

    if (!document.lines.empty() && document.lines.front().end != LineEnd::None)
        document.lineEndForNewLines = document.lines.front().end;
    document.buildIndex();
    return document;
}

QByteArray IniDocument::toBytes() const
{
    qsizetype size = 0;
    for (const Line &line : lines)
        size += line.text.size() + 2;
    QString text;
    text.reserve(size);
    for (const Line &line : lines) {
        text += line.text;
        text += lineEndText(line.end);
    }

    QByteArray bytes = byteOrderMark ? utf8ByteOrderMark : QByteArray();
    bytes += textEncoding == Encoding::Utf8 ? text.toUtf8() : text.toLatin1();
    return bytes;
}

std::optional<QString> IniDocument::value(const QString &section, const QString &key) const
{
    const auto found = sections.constFind(sectionId(section));
    if (found == sections.cend())
        return std::nullopt;
    const auto line = found->keyLines.constFind(fold(key));
    if (line == found->keyLines.cend())
        return std::nullopt;
    const QString &text = lines[size_t(*line)].text;
    const ParsedLine parsed = parseLine(text);
    return unquoted(QStringView(text).mid(parsed.valueBegin, parsed.valueEnd - parsed.valueBegin));
}

bool IniDocument::contains(const QString &section, const QString &key) const
{
    return value(section, key).has_value();
}

bool IniDocument::setValue(const QString &section, const QString &key, const QString &rawValue)
{
    if (!isValidSectionName(section) || !isValidKey(key) || breaksLines(rawValue))
        return false;
    if (!canEncode(section) || !canEncode(key) || !canEncode(rawValue))
        return false;

    const QString id = sectionId(section);
    const QString foldedKey = fold(key);
    auto found = sections.find(id);
    if (found != sections.end()) {
        const auto line = found->keyLines.constFind(foldedKey);
        if (line != found->keyLines.cend()) {
            QString &text = lines[size_t(*line)].text;
            const ParsedLine parsed = parseLine(text);
            text.replace(parsed.valueBegin, parsed.valueEnd - parsed.valueBegin, rawValue);
            return true;
        }
    }

    const QString keyLine = key + u'=' + rawValue;
    if (found != sections.end() && (found->lastKeyLine >= 0 || found->lastHeaderLine >= 0)) {
        const int at = (found->lastKeyLine >= 0 ? found->lastKeyLine : found->lastHeaderLine) + 1;
        insertLine(at, keyLine);
        found->keyLines.insert(foldedKey, at);
        found->lastKeyLine = at;
        return true;
    }

    // The section has no header yet (top-level keys go into [General]).
    const QString headerName = id.isEmpty() ? QStringLiteral("General") : section;
    const int header = lineCount();
    insertLine(header, u'[' + headerName + u']');
    insertLine(header + 1, keyLine);
    Section &created = sections[id];
    created.lastHeaderLine = header;
    created.lastKeyLine = header + 1;
    if (!created.keyLines.contains(foldedKey))
        created.keyLines.insert(foldedKey, header + 1);
    return true;
}

void IniDocument::removeEmptyLines()
{
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [](const Line &line) { return line.text.isEmpty(); }),
                lines.end());
    if (!lines.empty() && lines.back().end == LineEnd::None)
        lines.back().end = lineEndForNewLines;
    buildIndex();
}

bool IniDocument::isValidSectionName(const QString &section)
{
    return section.isEmpty()
        || (section == section.trimmed() && !section.contains(u']') && !breaksLines(section));
}

bool IniDocument::isValidKey(const QString &key)
{
    if (key.isEmpty() || key != key.trimmed() || key.contains(u'=') || breaksLines(key))
        return false;
    const QChar lead = key.front();
    return lead != u'[' && lead != u';' && lead != u'#';
}

QString IniDocument::fold(const QString &name)
{
    return name.toCaseFolded();
}

QString IniDocument::sectionId(const QString &section)
{
    const QString folded = fold(section.trimmed());
    return folded == QLatin1StringView("general") ? QString() : folded;
}

void IniDocument::buildIndex()
{
    sections.clear();
    // Inserting into a QHash may move its entries, so the current section is
    // looked up by id rather than held by pointer.
    QString current;
    sections[current];
    bool belowHeader = false;
    for (int index = 0; index < lineCount(); ++index) {
        const ParsedLine parsed = parseLine(lines[size_t(index)].text);
        if (parsed.kind == LineKind::Section) {
            current = sectionId(parsed.name.toString());
            sections[current].lastHeaderLine = index;
            belowHeader = true;
        } else if (parsed.kind == LineKind::Key) {
            Section &section = sections[current];
            const QString key = fold(parsed.name.toString());
            if (!section.keyLines.contains(key))
                section.keyLines.insert(key, index);
            if (belowHeader)
                section.lastKeyLine = index;
        }
    }
}

void IniDocument::insertLine(int at, const QString &text)
{
    if (at > 0 && lines[size_t(at - 1)].end == LineEnd::None)
        lines[size_t(at - 1)].end = lineEndForNewLines;
    lines.insert(lines.begin() + at, Line{text, lineEndForNewLines});

    const auto shift = [at](int &line) {
        if (line >= at)
            ++line;
    };
    for (Section &section : sections) {
        for (int &line : section.keyLines)
            shift(line);
        shift(section.lastKeyLine);
        shift(section.lastHeaderLine);
    }
}

bool IniDocument::canEncode(const QString &text) const
{
    if (!QStringView(text).isValidUtf16())
        return false;
    if (textEncoding == Encoding::Utf8)
        return true;
    for (QChar c : text) {
        if (c.unicode() > 0xff)
            return false;
    }
    return true;
}
