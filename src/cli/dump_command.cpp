// tabulon-cli dump: one file per user table (CSV or JSON Lines), tables.json that maps table
// names to files, and schema.json. Written into a temporary directory renamed into place.
#include "cli/commands.h"
#include "cli/database_commands.h"
#include "cli/database_schema.h"
#include "cli/file_names.h"
#include "cli/json_values.h"
#include "cli/json_writer.h"
#include "cli/pending_output.h"
#include "cli/progress.h"
#include "cli/table_loss.h"

#include "jet/bytes.h"
#include "jet/csv.h"
#include "jet/cursor.h"
#include "jet/text.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

namespace cli {

namespace {

// A file descriptor written through a large buffer; failures name the file.
class OutputFile {
public:
    OutputFile(const std::string& path, std::string shownName) : shown_(std::move(shownName))
    {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0)
            fail(errno);
    }
    ~OutputFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    int fd() const { return fd_; }
    // Room for n more bytes at the end of the buffer; commit() says how many were used.
    char* reserve(size_t n)
    {
        if (n > cap_ - len_)
            grow(n);
        return buf_.get() + len_;
    }
    void commit(char* end) { len_ = size_t(end - buf_.get()); }
    void append(std::string_view s)
    {
        std::memcpy(reserve(s.size()), s.data(), s.size());
        len_ += s.size();
    }
    void put(char c)
    {
        *reserve(1) = c;
        ++len_;
    }
    void flushIfFull()
    {
        if (len_ >= (1u << 20))
            flush();
    }
    void flush()
    {
        size_t done = 0;
        while (done < len_) {
            const ssize_t n = ::write(fd_, buf_.get() + done, len_ - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(n < 0 ? errno : ENOSPC);
            done += size_t(n);
        }
#ifdef __linux__
        // Start writing back what is written, so that the sync before the rename finds little
        // left to do: the disk works while the next rows are read.
        ::sync_file_range(fd_, off_t(written_), off_t(len_), SYNC_FILE_RANGE_WRITE);
#endif
        written_ += len_;
        len_ = 0;
    }
    void close()
    {
        flush();
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            fail(errno);
    }
    [[noreturn]] void fail(int error) const
    {
        checkInterrupted();
        throw CliError(QStringLiteral("cannot write %1: %2")
                           .arg(displayPath(shown_), QString::fromStdString(systemError(error))));
    }

private:
    void grow(size_t n)
    {
        const size_t cap = std::max(cap_ * 2, len_ + n);
        auto b = std::make_unique<char[]>(cap);
        if (len_)
            std::memcpy(b.get(), buf_.get(), len_);
        buf_ = std::move(b);
        cap_ = cap;
    }
    std::string shown_;
    std::unique_ptr<char[]> buf_;
    size_t cap_ = 0, len_ = 0;
    uint64_t written_ = 0;
    int fd_ = -1;
};

inline char* putTwo(char* p, int v)
{
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
    return p + 2;
}

template <class T>
void putNumber(OutputFile& out, T v)
{
    char* p = out.reserve(32);
    out.commit(std::to_chars(p, p + 32, v).ptr);
}

// Plain stored fields straight from the row (the common types of big tables); false when
// value() must do it.
bool rawJson(OutputFile& out, const jet::Cursor::RawCell& c, uint8_t type)
{
    switch (c.kind) {
    case jet::Cursor::RawCell::Null: out.append("null"); return true;
    case jet::Cursor::RawCell::Boolean: out.append(c.boolean ? "true" : "false"); return true;
    case jet::Cursor::RawCell::Other: return false;
    case jet::Cursor::RawCell::Bytes: break;
    }
    const std::byte* p = c.bytes.data();
    const size_t len = c.bytes.size();
    switch (type) {
    case 0x02:
        if (len < 1) return false;
        putNumber(out, int(jet::detail::ld8(p)));
        return true;
    case 0x03:
        if (len < 2) return false;
        putNumber(out, int16_t(jet::detail::ld16(p)));
        return true;
    case 0x04:
        if (len < 4) return false;
        putNumber(out, int32_t(jet::detail::ld32(p)));
        return true;
    case 0x13:
        if (len < 8) return false;
        putNumber(out, int64_t(jet::detail::ld64(p)));
        return true;
    case 0x07: {
        if (len < 8) return false;
        double d;
        std::memcpy(&d, p, 8);
        if (!std::isfinite(d)) return false;
        char* o = out.reserve(32);
        out.commit(jet::csv::writeShortestDouble(o, d));
        return true;
    }
    case 0x08: {
        if (len < 8) return false;
        double d;
        std::memcpy(&d, p, 8);
        jet::csv::DateParts dp;
        if (!jet::csv::oleDateParts(d, dp) || dp.year < 0 || dp.year > 9999) return false;
        char* o = out.reserve(21);
        *o++ = '"';
        o = putTwo(o, int(dp.year / 100));
        o = putTwo(o, int(dp.year % 100));
        *o++ = '-';
        o = putTwo(o, dp.month);
        *o++ = '-';
        o = putTwo(o, dp.day);
        *o++ = 'T';
        o = putTwo(o, dp.hour);
        *o++ = ':';
        o = putTwo(o, dp.minute);
        *o++ = ':';
        o = putTwo(o, dp.second);
        *o++ = '"';
        out.commit(o);
        return true;
    }
    case 0x0A: {
        // Decoded in place; escaped only when it holds a quote, backslash or control character.
        char* start = out.reserve(2 + jet::detail::ucs2TextBound(len));
        *start = '"';
        char* end = jet::detail::writeUcs2Text(start + 1, c.bytes);
        bool plain = true;
        for (const char* q = start + 1; q < end && plain; ++q) {
            const auto ch = static_cast<unsigned char>(*q);
            plain = ch >= 0x20 && ch != '"' && ch != '\\';
        }
        if (plain) {
            *end++ = '"';
            out.commit(end);
            return true;
        }
        std::string text;
        json::appendString(text, std::string_view(start + 1, size_t(end - start - 1)));
        out.commit(start);
        out.append(text);
        return true;
    }
    default:
        return false;
    }
}

// One JSON object per row, keys in column order.
TableLoss writeJsonl(const TableSchema& t, const ComplexItems& items, OutputFile& file, Progress& progress)
{
    jet::Cursor cur(t.table);
    const size_t n = cur.columnCount();
    std::vector<std::string> keys(n);
    std::vector<uint8_t> types(n);
    for (size_t i = 0; i < n; ++i) {
        keys[i].push_back(i ? ',' : '{');
        json::appendString(keys[i], cur.column(i).name);
        keys[i] += ':';
        types[i] = cur.column(i).type;
    }
    TableLoss loss;
    std::string tmp;
    while (cur.next()) {
        for (size_t i = 0; i < n; ++i) {
            file.append(keys[i]);
            if (rawJson(file, cur.raw(i), types[i]))
                continue;
            const jet::Value v = cur.value(i);
            if (v.kind() == jet::ValueKind::Complex && items.has(i)) {
                file.append(items.json(i, v.asComplex().key));
                continue;
            }
            tmp.clear();
            appendJsonValue(tmp, v);
            file.append(tmp);
        }
        file.append(n ? "}\n" : "{}\n");
        file.flushIfFull();
        progress.row();
        if ((++loss.rows & 0xFFF) == 0)
            checkInterrupted();
    }
    if (cur.error())
        throw CliError(QStringLiteral("cannot read table '%1': %2")
                           .arg(QString::fromStdString(t.name), QString::fromStdString(cur.error()->describe())));
    loss.takeScan(cur);
    return loss;
}

TableLoss writeCsv(const TableSchema& t, OutputFile& file, Progress& progress)
{
    auto stats = jet::csv::writeTable(t.table, file.fd(), [&](uint64_t rows) {
        progress.setRows(rows);
        return !interrupted();
    });
    if (!stats) {
        checkInterrupted();
        if (stats.error().message.rfind("write failed", 0) == 0)
            file.fail(errno ? errno : EIO);
        throw CliError(QStringLiteral("cannot read table '%1': %2")
                           .arg(QString::fromStdString(t.name), QString::fromStdString(stats.error().describe())));
    }
    TableLoss loss;
    loss.rows = stats->rows;
    loss.unreadable = stats->unreadableRows;
    loss.missing = stats->missingRows;
    loss.first = stats->firstLoss;
    return loss;
}

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void writeWhole(PendingDirectory& dir, const std::string& name, const std::string& text, const std::string& shownDir)
{
    OutputFile f(dir.file(name), shownDir + "/" + name);
    f.append(text);
    f.close();
}

} // namespace

int dumpCommand(const std::string& dbPath, const std::string& dirPath, DumpFormat format)
{
    if (dirPath.empty())
        throw CliError(QStringLiteral("no output directory was given"));
    const std::shared_ptr<jet::Database> db = openJet(dbPath);
    const Schema schema = readSchema(*db);
    catchInterrupts();
    PendingDirectory dir(dirPath);
    Progress progress;
    LossReport losses(progress);
    UniqueFileNames names;
    names.claim("tables");  // beside tables.json and schema.json
    names.claim("schema");
    const char* extension = format == DumpFormat::Csv ? ".csv" : ".jsonl";

    std::string index;
    json::Writer w(index);
    w.beginObject();
    w.key("database").value(baseName(dbPath));
    w.key("format").value(format == DumpFormat::Csv ? "csv" : "jsonl");
    w.key("tables").beginArray();
    size_t number = 0;
    for (const TableSchema& t : schema.tables) {
        ++number;
        w.beginObject();
        w.key("name").value(t.name);
        if (!t.table) {
            losses.tableFailed(t.name, t.error);
            w.key("file").null();
            w.key("error").value(t.error);
            w.endObject();
            continue;
        }
        const std::string file = names.claim(t.name) + extension;
        progress.table(t.name, number, schema.tables.size(), t.storedRowCount > 0 ? uint64_t(t.storedRowCount) : 0);
        OutputFile out(dir.file(file), dirPath + "/" + file);
        ComplexItems items;
        if (format == DumpFormat::Jsonl && !t.linked)
            items.load(*db, *t.table);
        TableLoss loss = format == DumpFormat::Csv ? writeCsv(t, out, progress) : writeJsonl(t, items, out, progress);
        for (const auto& [column, count] : items.binaryLeftOut())
            loss.leftOut(t.table->columns().at(column).name, count);
        out.close();
        losses.table(t.name, file, loss);
        w.key("file").value(file);
        w.key("rows").value(int64_t(loss.rows));
        w.key("unreadableRows").value(int64_t(loss.unreadable));
        w.key("missingRows").value(int64_t(loss.missing));
        w.key("firstProblem").optional(loss.first ? loss.first->describe() : std::string());
        w.endObject();
    }
    w.endArray();
    w.endObject();
    index.push_back('\n');
    progress.clear();
    writeWhole(dir, "tables.json", index, dirPath);
    writeWhole(dir, "schema.json", schemaJson(schema, baseName(dbPath)), dirPath);
    dir.commit();
    for (const std::string& p : schema.problems)
        losses.problem(p);
    losses.print();
    return losses.exitCode();
}

} // namespace cli
