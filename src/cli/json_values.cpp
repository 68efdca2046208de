#include "cli/json_values.h"

#include "cli/json_writer.h"

#include "jet/csv.h"
#include "jet/cursor.h"
#include "jet/table.h"

#include <charconv>
#include <cmath>

namespace cli {

namespace {

template <class T>
void appendNumber(std::string& out, T v)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, size_t(r.ptr - buf));
}

// A date as ISO 8601 ("2024-06-01T12:00:00").
void appendIsoDate(std::string& out, const jet::Value& v)
{
    const size_t at = out.size();
    jet::csv::appendValue(out, v);
    const size_t dash = out[at] == '-' ? 1 : 0;  // a year before 1
    if (out.size() >= at + dash + 19 && out[at + dash + 10] == ' ')
        out[at + dash + 10] = 'T';
    out.insert(at, 1, '"');
    out.push_back('"');
}

} // namespace

void appendJsonValue(std::string& out, const jet::Value& v)
{
    switch (v.kind()) {
    case jet::ValueKind::Null: out += "null"; return;
    case jet::ValueKind::Boolean: out += v.asBool() ? "true" : "false"; return;
    case jet::ValueKind::Byte:
    case jet::ValueKind::Int16:
    case jet::ValueKind::Int32:
    case jet::ValueKind::Int64: appendNumber(out, v.asInt()); return;
    case jet::ValueKind::Float:
    case jet::ValueKind::Double: {
        const double d = v.asDouble();
        if (!std::isfinite(d)) {  // JSON has no such numbers: the text export gives
            out.push_back('"');
            jet::csv::appendValue(out, v);
            out.push_back('"');
        } else if (v.kind() == jet::ValueKind::Float) {
            appendNumber(out, v.asFloat());
        } else {
            appendNumber(out, d);
        }
        return;
    }
    case jet::ValueKind::DateTime:
    case jet::ValueKind::ExtDateTime: appendIsoDate(out, v); return;
    case jet::ValueKind::Text: json::appendString(out, v.asText()); return;
    case jet::ValueKind::Binary:
        out.push_back('"');
        json::appendBase64(out, v.asBytes());
        out.push_back('"');
        return;
    case jet::ValueKind::Complex:
        if (v.asComplex().items >= 0) {
            appendNumber(out, v.asComplex().items);
            return;
        }
        [[fallthrough]];
    case jet::ValueKind::Currency:
    case jet::ValueKind::Decimal:
    case jet::ValueKind::Guid: {
        std::string text;
        jet::csv::appendValue(text, v);
        json::appendString(out, text);
        return;
    }
    }
    out += "null";
}

void ComplexItems::load(jet::Database& db, const jet::Table& table)
{
    for (const jet::Column& c : table.columns()) {
        if (c.type != 0x12 || c.isCalculated())
            continue;
        auto items = db.complexItemTable(c);
        if (!items)
            continue;
        const jet::Table& flat = *items->table;
        // What an item is: every column but its key, its own number and binary data.
        std::vector<size_t> shown, binary;
        for (const jet::Column& fc : flat.columns()) {
            if (fc.displayIndex == items->keyColumn || fc.isAutoNumber())
                continue;
            (fc.type == 0x09 || fc.type == 0x0B ? binary : shown).push_back(fc.displayIndex);
        }
        std::vector<size_t> read{items->keyColumn};
        read.insert(read.end(), shown.begin(), shown.end());
        read.insert(read.end(), binary.begin(), binary.end());
        jet::Cursor cur(items->table, read);
        Column col{c.displayIndex, {}};
        while (cur.next()) {
            const jet::Value key = cur.value(0);
            if (key.isNull())
                continue;
            // Said, not silently dropped: an item whose binary data is not in the array.
            for (size_t b = 0; b < binary.size(); ++b)
                if (cur.raw(1 + shown.size() + b).kind != jet::Cursor::RawCell::Null) {
                    ++col.binaryItems;
                    break;
                }
            std::string& array = col.arrays[int32_t(key.asInt())];
            array += array.empty() ? "[" : ",";
            if (shown.size() == 1) {
                appendJsonValue(array, cur.value(1));
                continue;
            }
            array += '{';
            for (size_t i = 0; i < shown.size(); ++i) {
                if (i)
                    array += ',';
                json::appendString(array, flat.columns()[shown[i]].name);
                array += ':';
                appendJsonValue(array, cur.value(i + 1));
            }
            array += '}';
        }
        if (cur.error() || cur.unreadableRows() > 0)
            continue;  // the count stays the honest answer
        for (auto& [key, array] : col.arrays)
            array += ']';
        columns_.push_back(std::move(col));
    }
}

bool ComplexItems::has(size_t displayIndex) const
{
    for (const Column& c : columns_)
        if (c.displayIndex == displayIndex)
            return true;
    return false;
}

std::string_view ComplexItems::json(size_t displayIndex, int32_t key) const
{
    for (const Column& c : columns_) {
        if (c.displayIndex != displayIndex)
            continue;
        const auto it = c.arrays.find(key);
        return it == c.arrays.end() ? std::string_view("[]") : std::string_view(it->second);
    }
    return "[]";
}

std::vector<std::pair<size_t, uint64_t>> ComplexItems::binaryLeftOut() const
{
    std::vector<std::pair<size_t, uint64_t>> out;
    for (const Column& c : columns_)
        if (c.binaryItems > 0)
            out.emplace_back(c.displayIndex, c.binaryItems);
    return out;
}

} // namespace cli
