#include "sql/like.h"

#include "automation/error.h"
#include "sql/collation.h"
#include "sql/functions.h"

#include <QList>

namespace sql {

namespace {

std::u32string foldChars(const QString& s)
{
    bool ascii = true;
    for (QChar c : s)
        if (c.unicode() >= 0x80) { ascii = false; break; }
    if (ascii) {
        std::u32string out(std::size_t(s.size()), U'\0');
        for (qsizetype i = 0; i < s.size(); ++i) {
            const char16_t c = s[i].unicode();
            out[std::size_t(i)] = (c >= u'A' && c <= u'Z') ? char32_t(c + 32) : char32_t(c);
        }
        return out;
    }
    const QList<uint> ucs = foldText(s).toUcs4();
    return std::u32string(ucs.begin(), ucs.end());
}

char32_t foldOne(char32_t c)
{
    const std::u32string f = foldChars(QString::fromUcs4(&c, 1));
    return f.size() == 1 ? f[0] : c;
}

} // namespace

LikePattern::LikePattern(const QString& pattern)
{
    const QList<uint> raw = pattern.toUcs4();
    const std::size_t n = std::size_t(raw.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = raw[qsizetype(i)];
        Element e;
        if (c == U'*') {
            if (!m_elements.empty() && m_elements.back().kind == Element::AnyRun) continue;
            e.kind = Element::AnyRun;
        } else if (c == U'?') {
            e.kind = Element::AnyOne;
        } else if (c == U'#') {
            e.kind = Element::Digit;
        } else if (c == U'[') {
            std::size_t j = i + 1;
            e.kind = Element::Set;
            if (j < n && raw[qsizetype(j)] == U'!') { e.negate = true; ++j; }
            bool closed = false;
            bool first = true;
            while (j < n) {
                char32_t a = raw[qsizetype(j)];
                if (a == U']' && !first) { closed = true; break; }
                if (a == U']' && first) {
                    // [] matches nothing in Jet; []] is not a thing: treat ] as closing.
                    closed = true;
                    break;
                }
                first = false;
                char32_t b = a;
                if (j + 2 < n && raw[qsizetype(j + 1)] == U'-' && raw[qsizetype(j + 2)] != U']') {
                    b = raw[qsizetype(j + 2)];
                    j += 2;
                }
                a = foldOne(a);
                b = foldOne(b);
                if (b < a) throw automation::Error(QStringLiteral("Invalid pattern string."));
                e.ranges.emplace_back(a, b);
                ++j;
            }
            if (!closed) throw automation::Error(QStringLiteral("Invalid pattern string."));
            i = j;
            if (e.ranges.empty() && !e.negate) {
                // "[]" stands for the empty string: matches nothing, consumes nothing.
                continue;
            }
        } else {
            e.kind = Element::Literal;
            e.ch = foldOne(c);
        }
        m_elements.push_back(std::move(e));
    }
}

bool LikePattern::matchOne(const Element& e, char32_t c) const
{
    switch (e.kind) {
    case Element::Literal: return e.ch == c;
    case Element::AnyOne: return true;
    case Element::Digit: return c >= U'0' && c <= U'9';
    case Element::Set: {
        bool in = false;
        for (const auto& r : e.ranges)
            if (c >= r.first && c <= r.second) { in = true; break; }
        return in != e.negate;
    }
    case Element::AnyRun: return true;
    }
    return false;
}

bool LikePattern::matches(const QString& text) const
{
    const std::u32string s = foldChars(text);
    // Classic wildcard matching with one backtrack point: linear in practice.
    std::size_t p = 0, t = 0;
    std::size_t starP = std::size_t(-1), starT = 0;
    const std::size_t np = m_elements.size();
    while (t < s.size()) {
        if (p < np && m_elements[p].kind == Element::AnyRun) {
            starP = p++;
            starT = t;
        } else if (p < np && matchOne(m_elements[p], s[t])) {
            ++p;
            ++t;
        } else if (starP != std::size_t(-1)) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < np && m_elements[p].kind == Element::AnyRun) ++p;
    return p == np;
}

bool jetLike(const QString& pattern, const QString& text)
{
    return LikePattern(pattern).matches(text);
}

} // namespace sql
