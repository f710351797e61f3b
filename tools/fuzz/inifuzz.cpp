// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Feeds arbitrary bytes to IniDocument as a file, writes a few keys chosen from
// the same bytes, and checks what the engine promises:
//  - an untouched document serialises to exactly the input;
//  - bytes that are no lines of text are refused, and only those;
//  - a write changes one line's value, inserts one key line, or appends a header
//    and a key line; every other line keeps its bytes and order;
//  - a refused write changes nothing;
//  - written keys read back, in memory and after reading the output again,
//    whenever the value is one the reading rules return unchanged;
//  - removeEmptyLines drops the empty lines and nothing else.
// Any broken promise ends the run with __builtin_trap().

#include "inidocument.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

namespace {

// The writes of the current input, printed when a check fails.
QByteArray trace;

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "inifuzz: %s\n%s", what, trace.constData());
    std::fflush(stderr);
    __builtin_trap();
}

void check(bool condition, const char *what)
{
    if (!condition)
        fail(what);
}

const QByteArrayList byteOrderMarks = {"\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF"}; // UTF-16 first

QByteArray byteOrderMarkOf(const QByteArray &bytes)
{
    for (const QByteArray &mark : byteOrderMarks) {
        if (bytes.startsWith(mark))
            return mark;
    }
    return QByteArray();
}

// UTF-16 cut inside a unit or starting with a NUL (UTF-32), or wide text
// without a byte order mark, are no lines of text. Wide text shows as a NUL in
// the first character, or as NULs on at least an eighth of the first 4 KiB
// (more than one), all on even or all on odd bytes.
bool isText(const QByteArray &bytes)
{
    const QByteArray mark = byteOrderMarkOf(bytes);
    const QByteArray body = bytes.mid(mark.size());
    if (mark.size() == 2)
        return body.size() % 2 == 0 && !body.startsWith(QByteArray(2, '\0'));
    if (!mark.isEmpty())
        return true;
    const QByteArray head = body.left(4096);
    int even = 0, odd = 0;
    for (qsizetype at = 0; at < head.size(); ++at)
        (at % 2 ? odd : even) += head[at] == '\0';
    const int nuls = std::max(even, odd);
    const bool wide = nuls > 1 && nuls * 8 >= head.size();
    return !wide && !body.startsWith('\0') && !(body.size() >= 2 && body[1] == '\0');
}

struct Line
{
    QByteArray text;
    QByteArray end; // the line end's bytes, empty for none
    QByteArray bytes() const { return text + end; }
};

struct Split
{
    QByteArray bom;
    std::vector<Line> lines;
};

// Splits valid bytes at LF, CR LF and lone CR, unit by unit.
Split splitLines(const QByteArray &bytes)
{
    Split split;
    split.bom = byteOrderMarkOf(bytes);
    const QByteArray body = bytes.mid(split.bom.size());
    const qsizetype width = split.bom.size() == 2 ? 2 : 1;
    const bool littleEndian = split.bom == "\xFF\xFE";
    const auto unit = [&](qsizetype at) -> char16_t {
        if (width == 1)
            return uchar(body[at]);
        const char16_t first = uchar(body[at]), second = uchar(body[at + 1]);
        return littleEndian ? char16_t(first | second << 8) : char16_t(first << 8 | second);
    };
    qsizetype start = 0;
    for (qsizetype at = 0; at < body.size(); at += width) {
        const char16_t c = unit(at);
        if (c != u'\n' && c != u'\r')
            continue;
        const bool crlf = c == u'\r' && at + width < body.size() && unit(at + width) == u'\n';
        const qsizetype endSize = crlf ? 2 * width : width;
        split.lines.push_back({body.mid(start, at - start), body.mid(at, endSize)});
        at += endSize - width;
        start = at + width;
    }
    if (start < body.size())
        split.lines.push_back({body.mid(start), QByteArray()});
    return split;
}

QByteArray joined(const std::vector<Line> &lines, size_t from, size_t to)
{
    QByteArray bytes;
    for (size_t i = from; i < to; ++i)
        bytes += lines[i].bytes();
    return bytes;
}

// The oracle's own codecs, written out byte by byte rather than with the library
// calls the engine uses, so that a fault there cannot hide in both.

// Unlike QString::fromUtf8, keeps a U+FEFF at the start of the text; UTF-16 unit for unit.
QString decode(const QByteArray &bytes, IniDocument::Encoding encoding)
{
    QString text;
    const auto byte = [&bytes](qsizetype at) { return char16_t(uchar(bytes[at])); };
    switch (encoding) {
    case IniDocument::Encoding::Latin1:
        for (qsizetype at = 0; at < bytes.size(); ++at)
            text += QChar(byte(at));
        return text;
    case IniDocument::Encoding::Utf16LE:
    case IniDocument::Encoding::Utf16BE: {
        const bool little = encoding == IniDocument::Encoding::Utf16LE;
        for (qsizetype at = 0; at + 1 < bytes.size(); at += 2)
            text += QChar(little ? char16_t(byte(at) | byte(at + 1) << 8) : char16_t(byte(at) << 8 | byte(at + 1)));
        return text;
    }
    case IniDocument::Encoding::Utf8:
        break;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QByteArray encode(const QString &text, IniDocument::Encoding encoding)
{
    QByteArray bytes;
    const auto put = [&bytes](uint value) { bytes += char(uchar(value)); };
    for (qsizetype at = 0; at < text.size(); ++at) {
        const char16_t unit = text[at].unicode();
        switch (encoding) {
        case IniDocument::Encoding::Latin1:
            put(unit);
            break;
        case IniDocument::Encoding::Utf16LE:
            put(unit), put(unit >> 8);
            break;
        case IniDocument::Encoding::Utf16BE:
            put(unit >> 8), put(unit);
            break;
        case IniDocument::Encoding::Utf8: {
            uint code = unit;
            if (QChar::isHighSurrogate(unit) && at + 1 < text.size() && text[at + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(unit, text[++at].unicode());
            if (code < 0x80) {
                put(code);
            } else if (code < 0x800) {
                put(0xC0 | code >> 6), put(0x80 | (code & 0x3F));
            } else if (code < 0x10000) {
                put(0xE0 | code >> 12), put(0x80 | (code >> 6 & 0x3F)), put(0x80 | (code & 0x3F));
            } else {
                put(0xF0 | code >> 18), put(0x80 | (code >> 12 & 0x3F)), put(0x80 | (code >> 6 & 0x3F));
                put(0x80 | (code & 0x3F));
            }
            break;
        }
        }
    }
    return bytes;
}

QByteArray lineEndBytes(IniDocument::LineEnd end, IniDocument::Encoding encoding)
{
    switch (end) {
    case IniDocument::LineEnd::Lf:
        return encode(QStringLiteral("\n"), encoding);
    case IniDocument::LineEnd::CrLf:
        return encode(QStringLiteral("\r\n"), encoding);
    case IniDocument::LineEnd::Cr:
        return encode(QStringLiteral("\r"), encoding);
    case IniDocument::LineEnd::None:
        break;
    }
    return QByteArray();
}

bool breaksLines(const QString &text)
{
    return text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0));
}

bool canEncode(const QString &text, IniDocument::Encoding encoding)
{
    if (!QStringView(text).isValidUtf16())
        return false;
    if (encoding != IniDocument::Encoding::Latin1)
        return true;
    for (QChar c : text) {
        if (c.unicode() > 0xff)
            return false;
    }
    return true;
}

bool validSection(const QString &section)
{
    return section.isEmpty() || (section == section.trimmed() && !section.contains(u']') && !breaksLines(section));
}

bool validKey(const QString &key)
{
    if (key.isEmpty() || key != key.trimmed() || key.contains(u'=') || breaksLines(key))
        return false;
    return key.front() != u'[' && key.front() != u';' && key.front() != u'#';
}

// Whether a value keeps where its line's value ends: no quote left open, no
// comment start outside quotes. Others are refused.
bool keepsItsLine(const QString &value)
{
    bool quoted = false;
    for (QChar c : value) {
        if (c == u'"')
            quoted = !quoted;
        else if (c == u';' && !quoted)
            return false;
    }
    return !quoted;
}

// Whether reading an accepted value gives it back unchanged: no blanks around
// it, not one quoted string.
bool readsBackUnchanged(const QString &value)
{
    if (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()))
        return false;
    return !(value.size() >= 2 && value.front() == u'"' && value.back() == u'"');
}

QString sectionId(const QString &section)
{
    const QString folded = section.trimmed().toCaseFolded();
    return folded == QLatin1String("general") ? QString() : folded;
}

// Names as they stand in the input, to write existing keys as well as new ones.
struct Names
{
    QStringList sections;
    QStringList keys;
};

Names namesIn(const Split &split, IniDocument::Encoding encoding)
{
    Names names;
    for (const Line &line : split.lines) {
        if (names.sections.size() >= 16 && names.keys.size() >= 16)
            break;
        const QString text = decode(line.text, encoding).trimmed();
        if (text.startsWith(u'[') && text.indexOf(u']') > 0) {
            names.sections.append(text.mid(1, text.indexOf(u']') - 1).trimmed());
        } else if (!text.startsWith(u';') && !text.startsWith(u'#')) {
            const qsizetype equals = text.indexOf(u'=');
            if (equals > 0)
                names.keys.append(text.left(equals).trimmed());
        }
    }
    return names;
}

const char16_t hostileChars[] = {
    u'\0', u'\r', u'\n', u'"', u';', u'#', u'[', u']', u'=', u' ', u'\t', u'\\', u',',
    0x00a0, 0x0085, 0x00e9, 0x00ff, 0x0100, 0x2028, 0xfeff, 0xfffd, 0xfffe, 0xffff, 0xd800, 0xdc00,
};

QString hostileText(FuzzedDataProvider &data)
{
    QString text;
    const int parts = data.ConsumeIntegralInRange<int>(0, 4);
    for (int i = 0; i < parts; ++i) {
        if (data.ConsumeBool()) {
            text += QChar(hostileChars[data.ConsumeIntegralInRange<size_t>(0, std::size(hostileChars) - 1)]);
        } else {
            const std::string bytes = data.ConsumeRandomLengthString(24);
            text += data.ConsumeBool() ? QString::fromUtf8(bytes.data(), qsizetype(bytes.size()))
                                       : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
        }
    }
    return text;
}

QString pickName(FuzzedDataProvider &data, const QStringList &existing, bool section)
{
    switch (data.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
    case 1:
        if (!existing.isEmpty()) {
            const QString name = existing.at(data.ConsumeIntegralInRange<qsizetype>(0, existing.size() - 1));
            return data.ConsumeBool() ? name : (data.ConsumeBool() ? name.toUpper() : name.toLower());
        }
        [[fallthrough]];
    case 2:
        if (section) {
            static const QStringList topLevel = {QString(), QStringLiteral("General"), QStringLiteral("gENERAL")};
            return topLevel.at(data.ConsumeIntegralInRange<int>(0, 2));
        }
        return QStringLiteral("iSize W");
    default:
        return hostileText(data);
    }
}

struct Write
{
    QString section;
    QString key;
    QString value;
};

// Checks one accepted write against the document before it. origins maps each
// line to its index in the input, -1 for lines the writes produced.
void checkWrite(const Split &before, const Split &after, const Write &write, const IniDocument &document,
                std::vector<int> &origins)
{
    const IniDocument::Encoding encoding = document.encoding();
    const QByteArray newLine = lineEndBytes(document.newLineEnd(), encoding);
    const std::vector<Line> &b = before.lines;
    const std::vector<Line> &a = after.lines;
    const size_t n = b.size();
    check(after.bom == before.bom, "a write changed the byte order mark");

    size_t same = 0;
    while (same < n && same < a.size() && a[same].bytes() == b[same].bytes())
        ++same;

    if (a.size() == n) {
        if (same == n)
            return; // the value was already there
        check(joined(a, same + 1, n) == joined(b, same + 1, n), "a value write changed a second line");
        const QString old = decode(b[same].text, encoding);
        const QString now = decode(a[same].text, encoding);
        const qsizetype equals = old.indexOf(u'=');
        check(equals > 0 && now.startsWith(old.left(equals + 1)), "a value write changed the key");
        check(a[same].end == b[same].end, "a value write changed a line end");
        check(old.left(equals).trimmed().toCaseFolded() == write.key.toCaseFolded(), "a value write hit another key");
        check(now.contains(write.value), "a value write lost the value");
        origins[same] = -1;
        return;
    }

    const QByteArray keyLine = encode(write.key + u'=' + write.value, encoding) + newLine;
    const bool openEnd = n > 0 && b[n - 1].end.isEmpty();
    const QByteArray closed = openEnd ? newLine : QByteArray();
    const QByteArray afterBytes = joined(a, 0, a.size());

    if (a.size() == n + 1) {
        // The line before the insertion point differs only if it was the open last line.
        for (size_t at : {same, n}) {
            if (at > n || (at == n && same + 1 < n))
                continue;
            const QByteArray expected =
                joined(b, 0, at) + (at == n ? closed : QByteArray()) + keyLine + joined(b, at, n);
            if (afterBytes == expected) {
                origins.insert(origins.begin() + qsizetype(at), -1);
                return;
            }
        }
        fail("a new key was not inserted as one line");
    }

    if (a.size() == n + 2) {
        const QString header = sectionId(write.section).isEmpty() ? QStringLiteral("General") : write.section;
        const QByteArray expected =
            joined(b, 0, n) + closed + encode(u'[' + header + u']', encoding) + newLine + keyLine;
        check(afterBytes == expected, "a new section was not appended as a header and a key line");
        origins.push_back(-1);
        origins.push_back(-1);
        return;
    }
    fail("a write changed the number of lines unexpectedly");
}

// Every input line the writes did not replace comes out with its bytes, in order;
// only the last, open line may have gained a line end.
void checkUntouched(const Split &input, const Split &output, const std::vector<int> &origins,
                    const QSet<int> &replaced)
{
    check(origins.size() == output.lines.size(), "line bookkeeping out of step");
    int expected = 0;
    for (size_t i = 0; i < origins.size(); ++i) {
        if (origins[i] < 0)
            continue;
        while (replaced.contains(expected))
            ++expected;
        check(origins[i] == expected, "an untouched line went missing or moved");
        const Line &was = input.lines[size_t(expected)];
        const QByteArray now = output.lines[i].bytes();
        const bool same = now == was.bytes() || (was.end.isEmpty() && output.lines[i].text == was.text);
        check(same, "an untouched line changed");
        ++expected;
    }
    while (replaced.contains(expected))
        ++expected;
    check(size_t(expected) == input.lines.size(), "untouched lines were dropped");
}

void checkRemoveEmptyLines(IniDocument document, const std::map<std::pair<QString, QString>, Write> &written)
{
    const QByteArray newLine = lineEndBytes(document.newLineEnd(), document.encoding());
    const Split before = splitLines(document.toBytes());
    document.removeEmptyLines();
    std::vector<Line> kept;
    for (const Line &line : before.lines) {
        if (!line.text.isEmpty())
            kept.push_back(line);
    }
    if (!kept.empty() && kept.back().end.isEmpty())
        kept.back().end = newLine;
    const QByteArray expected = before.bom + joined(kept, 0, kept.size());
    check(document.toBytes() == expected, "removeEmptyLines did more than drop empty lines");
    check(document.endsWithLineEnd(), "removeEmptyLines left the last line open");
    for (const auto &entry : written) {
        const Write &write = entry.second;
        if (readsBackUnchanged(write.value))
            check(document.value(write.section, write.key) == write.value, "removeEmptyLines lost a written key");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), qsizetype(size));
    trace.clear();
    IniDocument document = IniDocument::fromBytes(input);
    check(document.toBytes() == input, "an untouched document does not give back its input");
    check(document.isValid() == isText(input), "bytes refused that are text, or the reverse");
    if (!document.isValid()) {
        check(!document.setValue(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("1")),
              "a document that is no text took a write");
        document.removeEmptyLines();
        check(document.toBytes() == input, "a document that is no text changed");
        return 0;
    }

    const Split original = splitLines(input);
    const IniDocument::Encoding encoding = document.encoding();
    check(original.bom.isEmpty() != document.hasByteOrderMark(), "byte order mark misread");
    check((original.bom.size() == 2)
              == (encoding == IniDocument::Encoding::Utf16LE || encoding == IniDocument::Encoding::Utf16BE),
          "UTF-16 misread");
    check(original.lines.empty() || original.lines.back().end.isEmpty() != document.endsWithLineEnd(),
          "the last line's end misread");
    const Names names = namesIn(original, encoding);

    std::vector<int> origins(original.lines.size());
    for (size_t i = 0; i < origins.size(); ++i)
        origins[i] = int(i);
    QSet<int> replaced;
    std::map<std::pair<QString, QString>, Write> written; // by section id and folded key

    FuzzedDataProvider data(bytes, size);
    const int writes = data.ConsumeIntegralInRange<int>(1, 6);
    Split current = original;
    for (int i = 0; i < writes && data.remaining_bytes() > 0; ++i) {
        Write write;
        write.section = pickName(data, names.sections, true);
        write.key = pickName(data, names.keys, false);
        write.value = data.ConsumeBool() ? QString::number(data.ConsumeIntegral<int>()) : hostileText(data);

        trace += "setValue(" + write.section.toUtf8().toPercentEncoding() + ", "
                 + write.key.toUtf8().toPercentEncoding() + ", " + write.value.toUtf8().toPercentEncoding() + ")\n";
        const QByteArray before = document.toBytes();
        const bool acceptable = validSection(write.section) && validKey(write.key) && !breaksLines(write.value)
                                && keepsItsLine(write.value)
                                && canEncode(write.section, encoding) && canEncode(write.key, encoding)
                                && canEncode(write.value, encoding);
        const bool accepted = document.setValue(write.section, write.key, write.value);
        check(accepted == acceptable, "setValue accepted a write it must refuse, or the reverse");
        if (!accepted) {
            check(document.toBytes() == before, "a refused write changed the document");
            continue;
        }

        Split after = splitLines(document.toBytes());
        const std::vector<int> originsBefore = origins;
        checkWrite(current, after, write, document, origins);
        for (size_t line = 0; line < originsBefore.size(); ++line) {
            if (originsBefore[line] >= 0 && std::find(origins.begin(), origins.end(), originsBefore[line]) == origins.end())
                replaced.insert(originsBefore[line]);
        }
        current = std::move(after);
        if (readsBackUnchanged(write.value))
            check(document.value(write.section, write.key) == write.value, "a written key does not read back");
        written[{sectionId(write.section), write.key.toCaseFolded()}] = write;
    }

    const QByteArray output = document.toBytes();
    trace += "output: " + output.toPercentEncoding(" =[];#\"") + '\n';
    checkUntouched(original, splitLines(output), origins, replaced);

    // A Latin-1 file whose writes removed every byte that is not UTF-8 reads
    // back as UTF-8; the bytes stay the same, so the written text is what those
    // bytes say in the encoding the output is read in.
    const IniDocument reread = IniDocument::fromBytes(output);
    check(reread.isValid(), "the output is no text");
    check(reread.toBytes() == output, "the output does not round-trip");
    check(reread.encoding() == encoding || encoding == IniDocument::Encoding::Latin1,
          "a UTF-8 document reads back in another encoding");
    const auto reading = [&](const QString &text) {
        return reread.encoding() == encoding ? text : decode(encode(text, encoding), reread.encoding());
    };
    const auto ascii = [](const QString &text) {
        return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    };
    for (const auto &entry : written) {
        const Write &write = entry.second;
        // Names spelt in another letter case than the file's no longer match once re-decoded.
        if (reread.encoding() != encoding && !(ascii(write.section) && ascii(write.key)))
            continue;
        const std::optional<QString> value = reread.value(reading(write.section), reading(write.key));
        if (readsBackUnchanged(write.value) && value != reading(write.value)) {
            trace += "read back: " + value.value_or(QStringLiteral("(none)")).toUtf8() + '\n';
            fail("a written key reads back differently");
        }
    }
    checkRemoveEmptyLines(document, written);
    return 0;
}
