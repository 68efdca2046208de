#pragma once
// Small JSON output helpers: strings escaped so that any text the reader gives (control
// characters, damaged UTF-8) makes valid JSON.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace cli::json {

// The UTF-8 character at `text[i]`: its length and code point; 0 when the bytes there are no
// valid UTF-8 (overlong forms and surrogates included).
size_t decodeUtf8(std::string_view text, size_t i, char32_t& codePoint);

// `text` as a JSON string with its quotes. Bytes that are not UTF-8 become U+FFFD.
void appendString(std::string& out, std::string_view text);
std::string string(std::string_view text);

// Base64 (RFC 4648, with padding).
void appendBase64(std::string& out, std::span<const std::byte> bytes);

// Objects and arrays written in order; `comma` keeps track of the separator.
class Writer {
public:
    explicit Writer(std::string& out, bool pretty = true) : out_(out), pretty_(pretty) {}
    Writer& beginObject();
    Writer& endObject();
    Writer& beginArray();
    Writer& endArray();
    Writer& key(std::string_view name);
    Writer& value(std::string_view text);
    Writer& value(const char* text) { return value(std::string_view(text)); }
    Writer& value(bool b);
    Writer& value(int64_t n);
    Writer& value(int n) { return value(int64_t(n)); }
    Writer& null();
    // Text, or null when empty.
    Writer& optional(std::string_view text) { return text.empty() ? null() : value(text); }

private:
    void separate();
    void newline();
    std::string& out_;
    bool pretty_;
    int depth_ = 0;
    bool first_ = true;
    bool afterKey_ = false;
};

} // namespace cli::json
