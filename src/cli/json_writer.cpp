#include "cli/json_writer.h"

#include <charconv>

namespace cli::json {

size_t decodeUtf8(std::string_view text, size_t i, char32_t& codePoint)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + i;
    const size_t n = text.size() - i;
    if (n == 0)
        return 0;
    const unsigned char c = p[0];
    const size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || len > n)
        return 0;
    for (size_t k = 1; k < len; ++k)
        if ((p[k] & 0xC0) != 0x80)
            return 0;
    const uint32_t cp = len == 1 ? c
                        : len == 2 ? ((c & 0x1Fu) << 6) | (p[1] & 0x3Fu)
                        : len == 3 ? ((c & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu)
                                   : ((c & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))
        || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    codePoint = cp;
    return len;
}

void appendString(std::string& out, std::string_view text)
{
    static const char hex[] = "0123456789abcdef";
    out.push_back('"');
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
            // Plain ASCII runs are the common case.
            size_t j = i + 1;
            while (j < n && p[j] >= 0x20 && p[j] < 0x80 && p[j] != '"' && p[j] != '\\')
                ++j;
            out.append(text.data() + i, j - i);
            i = j;
            continue;
        }
        if (c < 0x80) {
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out.push_back(hex[c >> 4]);
                out.push_back(hex[c & 15]);
            }
            ++i;
            continue;
        }
        char32_t cp = 0;
        const size_t len = decodeUtf8(text, i, cp);
        if (len == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.data() + i, len);
            i += len;
        }
    }
    out.push_back('"');
}

std::string string(std::string_view text)
{
    std::string s;
    appendString(s, text);
    return s;
}

void appendBase64(std::string& out, std::span<const std::byte> bytes)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t i = 0;
    const size_t n = bytes.size();
    out.reserve(out.size() + (n + 2) / 3 * 4);
    for (; n - i >= 3; i += 3) {
        const uint32_t v = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8 | uint32_t(bytes[i + 2]);
        out.push_back(table[v >> 18]);
        out.push_back(table[(v >> 12) & 63]);
        out.push_back(table[(v >> 6) & 63]);
        out.push_back(table[v & 63]);
    }
    if (n - i == 1) {
        const uint32_t v = uint32_t(bytes[i]) << 16;
        out.push_back(table[v >> 18]);
        out.push_back(table[(v >> 12) & 63]);
        out += "==";
    } else if (n - i == 2) {
        const uint32_t v = uint32_t(bytes[i]) << 16 | uint32_t(bytes[i + 1]) << 8;
        out.push_back(table[v >> 18]);
        out.push_back(table[(v >> 12) & 63]);
        out.push_back(table[(v >> 6) & 63]);
        out.push_back('=');
    }
}

void Writer::newline()
{
    if (!pretty_)
        return;
    out_.push_back('\n');
    out_.append(size_t(depth_) * 2, ' ');
}

void Writer::separate()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!first_)
        out_.push_back(',');
    if (depth_ > 0)
        newline();
    first_ = false;
}

Writer& Writer::beginObject()
{
    separate();
    out_.push_back('{');
    ++depth_;
    first_ = true;
    return *this;
}

Writer& Writer::endObject()
{
    --depth_;
    if (!first_)
        newline();
    out_.push_back('}');
    first_ = false;
    return *this;
}

Writer& Writer::beginArray()
{
    separate();
    out_.push_back('[');
    ++depth_;
    first_ = true;
    return *this;
}

Writer& Writer::endArray()
{
    --depth_;
    if (!first_)
        newline();
    out_.push_back(']');
    first_ = false;
    return *this;
}

Writer& Writer::key(std::string_view name)
{
    separate();
    appendString(out_, name);
    out_ += pretty_ ? ": " : ":";
    afterKey_ = true;
    return *this;
}

Writer& Writer::value(std::string_view text)
{
    separate();
    appendString(out_, text);
    return *this;
}

Writer& Writer::value(bool b)
{
    separate();
    out_ += b ? "true" : "false";
    return *this;
}

Writer& Writer::value(int64_t n)
{
    separate();
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, n);
    out_.append(buf, size_t(r.ptr - buf));
    return *this;
}

Writer& Writer::null()
{
    separate();
    out_ += "null";
    return *this;
}

} // namespace cli::json
