#pragma once
// A late-bound value: what crosses the automation boundary between the program and an engine.

#include <QByteArray>
#include <QString>

#include <array>
#include <compare>
#include <cstdint>
#include <memory>
#include <variant>

namespace automation {

class Object;
using ObjectRef = std::shared_ptr<Object>;

// Money with four decimal places, stored scaled by 10000.
struct Currency {
    std::int64_t scaled = 0;
    double toDouble() const { return static_cast<double>(scaled) / 10000.0; }
    friend bool operator==(const Currency&, const Currency&) = default;
};

// An OLE date: days since 30 Dec 1899, the fraction is the time of day.
struct Date {
    double days = 0.0;
    friend bool operator==(const Date&, const Date&) = default;
};

// An exact decimal: value = mantissa / 10^scale.
struct Decimal {
    __int128 mantissa = 0;
    std::uint8_t scale = 0;
    QString toString() const;        // "-123.45", no exponent, no trailing zeros
    double toDouble() const;
    friend bool operator==(const Decimal&, const Decimal&) = default;
};

// Sixteen bytes in storage order: Data1..Data3 little-endian, Data4 as is.
struct Guid {
    std::array<std::uint8_t, 16> bytes{};
    QString toString() const;        // {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
    friend bool operator==(const Guid&, const Guid&) = default;
};

// The omitted optional argument of a call.
struct Missing {
    friend bool operator==(const Missing&, const Missing&) = default;
};

class Variant {
public:
    enum class Type {
        Empty, Null, Missing, Boolean, Byte, Integer, Long, LongLong, Single, Double,
        Currency, Date, String, Decimal, Guid, Bytes, Object
    };

    Variant() = default;
    static Variant null();
    static Variant missing();

    Variant(bool v) : m_value(v) {}
    Variant(std::uint8_t v) : m_value(v) {}
    Variant(std::int16_t v) : m_value(v) {}
    Variant(std::int32_t v) : m_value(v) {}
    Variant(std::int64_t v) : m_value(v) {}
    Variant(float v) : m_value(v) {}
    Variant(double v) : m_value(v) {}
    Variant(Currency v) : m_value(v) {}
    Variant(Date v) : m_value(v) {}
    Variant(QString v) : m_value(std::move(v)) {}
    Variant(const char* utf8) : m_value(QString::fromUtf8(utf8)) {}
    Variant(Decimal v) : m_value(v) {}
    Variant(Guid v) : m_value(v) {}
    Variant(QByteArray v) : m_value(std::move(v)) {}
    Variant(ObjectRef v) : m_value(std::move(v)) {}

    Type type() const;
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNull() const { return type() == Type::Null; }
    bool isObject() const { return type() == Type::Object; }

    // Typed access; each throws automation::Error("Type mismatch.") when the value cannot convert.
    bool toBool() const;
    std::int32_t toInt() const;      // integers, Boolean (-1/0), Byte; rejects fractions out of range
    std::int64_t toInt64() const;
    double toDouble() const;         // every numeric type, Date (its day count), Currency
    QString toString() const;        // String only; numbers go through valueText() instead
    const QByteArray& toBytes() const;
    ObjectRef toObject() const;      // Object only; Empty gives "Object required." error

    template <class T> const T* get() const { return std::get_if<T>(&m_value); }

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    struct NullTag { friend bool operator==(const NullTag&, const NullTag&) = default; };
    std::variant<std::monostate, NullTag, Missing, bool, std::uint8_t, std::int16_t, std::int32_t,
                 std::int64_t, float, double, Currency, Date, QString, Decimal, Guid, QByteArray,
                 ObjectRef>
        m_value;
};

const char* typeName(Variant::Type t);

} // namespace automation
