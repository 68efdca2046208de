#pragma once
// A cell value. Value is a view: text and bytes point into buffers owned by the cursor and stay
// valid until the cursor moves. OwnedValue keeps its own copy.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

enum class ValueKind : uint8_t {
    Null,
    Boolean,
    Byte,
    Int16,
    Int32,
    Int64,       // BigInt
    Float,       // Single
    Double,
    Currency,    // int64 scaled by 10000
    DateTime,    // OLE date: days since 1899-12-30, fraction = time of day
    ExtDateTime, // days since 0001-01-01, seconds, 100 ns ticks
    Text,        // UTF-8
    Binary,      // Binary, OLE
    Guid,        // 16 bytes as stored (Data1..3 little-endian)
    Decimal,
    Complex,     // summary of an attachment / multi-value field
};

struct Decimal {
    bool negative = false;
    uint8_t precision = 0;
    uint8_t scale = 0;
    // Unsigned mantissa, least significant 32-bit word first.
    std::array<uint32_t, 4> mantissa{};
};

struct ExtDateTime {
    int64_t days = 0;     // since 0001-01-01
    int64_t seconds = 0;  // of the day
    int64_t ticks = 0;    // 100 ns units within the second (0..9999999)
};

struct ComplexSummary {
    int32_t key = 0;     // foreign key into the complex column's hidden table
    int32_t items = -1;  // number of items, -1 when unknown
};

class Value {
public:
    Value() : i_(0) {}
    static Value null() { return Value(); }
    static Value boolean(bool b) { Value v(ValueKind::Boolean); v.i_ = b; return v; }
    static Value byte(uint8_t b) { Value v(ValueKind::Byte); v.i_ = b; return v; }
    static Value int16(int16_t x) { Value v(ValueKind::Int16); v.i_ = x; return v; }
    static Value int32(int32_t x) { Value v(ValueKind::Int32); v.i_ = x; return v; }
    static Value int64(int64_t x) { Value v(ValueKind::Int64); v.i_ = x; return v; }
    static Value currency(int64_t x) { Value v(ValueKind::Currency); v.i_ = x; return v; }
    static Value single(float f) { Value v(ValueKind::Float); v.f_ = f; return v; }
    static Value real(double d) { Value v(ValueKind::Double); v.d_ = d; return v; }
    static Value dateTime(double d) { Value v(ValueKind::DateTime); v.d_ = d; return v; }
    static Value extDateTime(ExtDateTime e) { Value v(ValueKind::ExtDateTime); v.ext_ = e; return v; }
    static Value text(std::string_view s) { Value v(ValueKind::Text); v.ptr_ = {s.data(), s.size()}; return v; }
    static Value binary(std::span<const std::byte> b) { Value v(ValueKind::Binary); v.ptr_ = {b.data(), b.size()}; return v; }
    static Value guid(std::span<const std::byte> b) { Value v(ValueKind::Guid); v.ptr_ = {b.data(), b.size()}; return v; }
    static Value decimal(const Decimal& d) { Value v(ValueKind::Decimal); v.dec_ = d; return v; }
    static Value complex(ComplexSummary c) { Value v(ValueKind::Complex); v.cx_ = c; return v; }

    ValueKind kind() const { return kind_; }
    bool isNull() const { return kind_ == ValueKind::Null; }

    bool asBool() const { return i_ != 0; }
    // Boolean, Byte, Int16, Int32, Int64, Currency (raw scaled integer)
    int64_t asInt() const { return i_; }
    float asFloat() const { return f_; }
    // Double and DateTime; Float widened
    double asDouble() const { return kind_ == ValueKind::Float ? double(f_) : d_; }
    std::string_view asText() const { return {static_cast<const char*>(ptr_.p), ptr_.n}; }
    std::span<const std::byte> asBytes() const { return {static_cast<const std::byte*>(ptr_.p), ptr_.n}; }  // Binary, Guid
    const Decimal& asDecimal() const { return dec_; }
    const ExtDateTime& asExtDateTime() const { return ext_; }
    const ComplexSummary& asComplex() const { return cx_; }

private:
    explicit Value(ValueKind k) : kind_(k), i_(0) {}
    struct Ptr {
        const void* p;
        size_t n;
    };
    ValueKind kind_ = ValueKind::Null;
    union {
        int64_t i_;
        float f_;
        double d_;
        Ptr ptr_;
        Decimal dec_;
        ExtDateTime ext_;
        ComplexSummary cx_;
    };
};

// A value that owns its text/bytes (properties, values kept across rows).
class OwnedValue {
public:
    OwnedValue() = default;
    explicit OwnedValue(const Value& v);
    OwnedValue(const OwnedValue& o);
    OwnedValue& operator=(const OwnedValue& o);
    OwnedValue(OwnedValue&&) noexcept;
    OwnedValue& operator=(OwnedValue&&) noexcept;

    const Value& view() const { return view_; }
    ValueKind kind() const { return view_.kind(); }
    bool isNull() const { return view_.isNull(); }

private:
    void rebind();
    Value view_;
    std::string storage_;  // text or bytes
};

}  // namespace jet
