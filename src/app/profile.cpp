#include "app/profile.h"

#include "app/text_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>
#include <vector>

namespace profile {

namespace {

struct Line {
    QByteArray raw;      // the line's bytes, its line end included
    QString text;        // decoded, without the line end
};

struct Document {
    std::vector<Line> lines;
    bool cp932 = false;
    QByteArray eol = "\n";
};

Document parse(const QByteArray& bytes)
{
    Document doc;
    const textcodec::Decoded whole = textcodec::decode(bytes);
    doc.cp932 = whole.cp932;
    qsizetype start = 0;
    bool eolSeen = false;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        Line line;
        line.raw = bytes.mid(start, next - start);
        QByteArray body = line.raw;
        if (body.endsWith('\n'))
            body.chop(1);
        if (body.endsWith('\r'))
            body.chop(1);
        if (!eolSeen && end >= 0) {
            doc.eol = (end > start && bytes[end - 1] == '\r') ? QByteArray("\r\n") : QByteArray("\n");
            eolSeen = true;
        }
        line.text = textcodec::decode(body).text;
        doc.lines.push_back(std::move(line));
        start = next;
    }
    return doc;
}

std::optional<QString> sectionName(const QString& line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

struct KeyLine {
    QString key;
    QString value;
};

std::optional<KeyLine> keyLine(const QString& line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')) || t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    if (eq < 0)
        return std::nullopt;
    KeyLine kl{t.left(eq).trimmed(), t.mid(eq + 1).trimmed()};
    if (kl.value.size() >= 2) {
        const QChar first = kl.value.front();
        if ((first == QLatin1Char('"') || first == QLatin1Char('\'')) && kl.value.back() == first)
            kl.value = kl.value.mid(1, kl.value.size() - 2);
    }
    return kl;
}

bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString cut(QString text, int bufferSize)
{
    const qsizetype max = bufferSize > 0 ? bufferSize - 1 : 0;
    if (text.size() > max) {
        qsizetype n = max;
        if (n > 0 && text.at(n - 1).isHighSurrogate())
            --n;
        text.truncate(n);
    }
    return text;
}

// Index range [begin, end) of the first section with the name; begin is the header line.
std::optional<std::pair<std::size_t, std::size_t>> findSection(const Document& doc, const QString& section)
{
    for (std::size_t i = 0; i < doc.lines.size(); ++i) {
        const auto name = sectionName(doc.lines[i].text);
        if (!name || !sameName(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < doc.lines.size() && !sectionName(doc.lines[end].text))
            ++end;
        return std::make_pair(i, end);
    }
    return std::nullopt;
}

QByteArray encodeLine(const Document& doc, const QString& text)
{
    if (doc.cp932) {
        bool ok = false;
        QByteArray bytes = textcodec::encodeCp932(text, &ok);
        if (ok)
            return bytes;
    }
    return text.toUtf8();
}

} // namespace

QString getString(const QString& file, const QString& section, const QString& key, const QString& def,
                  int bufferSize)
{
    QString fallback = def;
    while (fallback.endsWith(QLatin1Char(' ')))
        fallback.chop(1);
    fallback = cut(fallback, bufferSize);

    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return fallback;
    const Document doc = parse(f.readAll());
    const auto range = findSection(doc, section);
    if (!range)
        return fallback;
    for (std::size_t i = range->first + 1; i < range->second; ++i) {
        const auto kl = keyLine(doc.lines[i].text);
        if (kl && sameName(kl->key, key))
            return cut(kl->value, bufferSize);
    }
    return fallback;
}

bool writeString(const QString& file, const QString& section, const QString& key, const QString& value)
{
    QByteArray original;
    if (QFileInfo::exists(file)) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return false;
        original = f.readAll();
        if (f.error() != QFileDevice::NoError)
            return false;
    }
    Document doc = parse(original);
    const QByteArray eol = doc.eol;
    auto makeLine = [&](const QString& text) { return Line{encodeLine(doc, text) + eol, text}; };
    // A last line without its line end gets one before anything is added after it.
    auto terminateLast = [&](std::size_t index) {
        Line& last = doc.lines[index];
        if (!last.raw.endsWith('\n'))
            last.raw += eol;
    };

    if (const auto range = findSection(doc, section)) {
        bool replaced = false;
        for (std::size_t i = range->first + 1; i < range->second && !replaced; ++i) {
            const auto kl = keyLine(doc.lines[i].text);
            if (!kl || !sameName(kl->key, key))
                continue;
            // The key keeps its spelling and the line its own ending.
            const QByteArray& raw = doc.lines[i].raw;
            const QByteArray ending = raw.endsWith("\r\n") ? QByteArray("\r\n")
                                      : raw.endsWith('\n')  ? QByteArray("\n")
                                                            : QByteArray();
            const QString text = kl->key + QLatin1Char('=') + value;
            doc.lines[i] = Line{encodeLine(doc, text) + ending, text};
            replaced = true;
        }
        if (!replaced) {
            // A new key goes after the section's last non-blank line.
            std::size_t at = range->second;
            while (at > range->first + 1 && doc.lines[at - 1].text.trimmed().isEmpty())
                --at;
            terminateLast(at - 1);
            doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(at),
                             makeLine(key + QLatin1Char('=') + value));
        }
    } else {
        if (!doc.lines.empty()) {
            terminateLast(doc.lines.size() - 1);
            if (!doc.lines.back().text.trimmed().isEmpty())
                doc.lines.push_back(Line{eol, QString()});
        }
        doc.lines.push_back(makeLine(QLatin1Char('[') + section + QLatin1Char(']')));
        doc.lines.push_back(makeLine(key + QLatin1Char('=') + value));
    }

    QByteArray bytes;
    for (const Line& line : doc.lines)
        bytes += line.raw;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

QString writeErrorText(const QString& file)
{
    return QStringLiteral("%1 に書き込めません").arg(file);
}

} // namespace profile
