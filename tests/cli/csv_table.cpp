#include "csv_table.h"

#include <algorithm>

std::vector<CsvRow> parseCsv(std::string_view text)
{
    std::vector<CsvRow> rows;
    CsvRow row;
    std::size_t i = 0;
    while (i < text.size()) {
        std::optional<std::string> field;
        if (text[i] == '"') {
            std::string value;
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += text[i++];
            }
            field = std::move(value);
        } else {
            const std::size_t end = text.find_first_of(",\r\n", i);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            if (stop > i)
                field = std::string(text.substr(i, stop - i));
            i = stop;
        }
        row.push_back(std::move(field));
        if (i < text.size() && text[i] == ',') {
            ++i;
            continue;
        }
        if (i < text.size() && text[i] == '\r')
            ++i;
        if (i < text.size() && text[i] == '\n')
            ++i;
        rows.push_back(std::move(row));
        row.clear();
    }
    if (!row.empty())
        rows.push_back(std::move(row));
    return rows;
}

std::vector<CsvRow> withoutColumns(std::vector<CsvRow> rows, const std::vector<std::string>& names)
{
    if (rows.empty())
        return rows;
    std::vector<bool> keep;
    for (const auto& h : rows.front())
        keep.push_back(!h || std::find(names.begin(), names.end(), *h) == names.end());
    for (CsvRow& r : rows) {
        CsvRow kept;
        for (std::size_t c = 0; c < r.size(); ++c)
            if (c >= keep.size() || keep[c])
                kept.push_back(std::move(r[c]));
        r = std::move(kept);
    }
    return rows;
}
