// LvProp blobs: "MR2\0" (Jet 4/ACE) or "KKD\0" (Jet 3), then chunks of names and values.
#include <cstring>

#include "jet/core.h"
#include "jet/property.h"
#include "jet/text.h"

namespace jet {

const Property* findProperty(const PropertyList& list, std::string_view name) {
    for (const Property& p : list)
        if (detail::equalsIgnoreCase(p.name, name)) return &p;
    return nullptr;
}

namespace detail {

namespace {

std::string nameText(const DbCore& core, ByteSpan b) {
    std::string s;
    if (core.fmt.jet3) appendCodePageText(s, b, core.codePage);
    else appendUtf16(s, b);
    return s;
}

OwnedValue propertyValue(const DbCore& core, uint8_t type, ByteSpan v) {
    const std::byte* p = v.data();
    auto has = [&](size_t n) { return v.size() >= n; };
    switch (type) {
    case 0x01: return OwnedValue(has(1) ? Value::boolean(ld8(p) != 0) : Value::null());
    case 0x02: return OwnedValue(has(1) ? Value::byte(ld8(p)) : Value::null());
    case 0x03: return OwnedValue(has(2) ? Value::int16(int16_t(ld16(p))) : Value::null());
    case 0x04: return OwnedValue(has(4) ? Value::int32(int32_t(ld32(p))) : Value::null());
    case 0x05: return OwnedValue(has(8) ? Value::currency(int64_t(ld64(p))) : Value::null());
    case 0x06: {
        if (!has(4)) return OwnedValue();
        float f;
        std::memcpy(&f, p, 4);
        return OwnedValue(Value::single(f));
    }
    case 0x07:
    case 0x08: {
        if (!has(8)) return OwnedValue();
        double d;
        std::memcpy(&d, p, 8);
        return OwnedValue(type == 0x07 ? Value::real(d) : Value::dateTime(d));
    }
    case 0x0A:
    case 0x0C: {
        std::string s;
        core.appendText(s, v);
        return OwnedValue(Value::text(s));
    }
    case 0x0F: return OwnedValue(has(16) ? Value::guid(v.first(16)) : Value::binary(v));
    default: return OwnedValue(Value::binary(v));
    }
}

}  // namespace

Result<PropertyBlob> parseProperties(const DbCore& core, ByteSpan blob) {
    PropertyBlob out;
    if (blob.size() < 4) return makeError("property blob too short");
    if (std::memcmp(blob.data(), "MR2", 4) != 0 && std::memcmp(blob.data(), "KKD", 4) != 0)
        return makeError("property blob has no known signature");
    std::vector<std::string> names;
    size_t pos = 4;
    while (blob.size() - pos >= 6) {
        uint32_t chunkLen = ld32(blob.data() + pos);
        uint16_t chunkType = ld16(blob.data() + pos + 4);
        if (chunkLen < 6 || chunkLen > blob.size() - pos)
            return makeError("property chunk length " + std::to_string(chunkLen) + " does not fit", -1, int64_t(pos));
        ByteSpan body = blob.subspan(pos + 6, chunkLen - 6);
        pos += chunkLen;
        if (chunkType == 0x80) {
            Reader r(body);
            while (r.remaining() >= 2) {
                uint16_t n = r.u16();
                ByteSpan nm = r.bytes(n);
                if (!r.ok()) return makeError("property name does not fit");
                names.push_back(nameText(core, nm));
            }
            continue;
        }
        if (chunkType > 0x02) continue;  // unknown chunk kinds are passed over
        Reader r(body);
        uint32_t blockLen = r.u32();
        uint16_t objNameLen = r.u16();
        ByteSpan objName = r.bytes(objNameLen);
        if (!r.ok() || blockLen > body.size()) return makeError("property block header does not fit");
        PropertyList list;
        while (r.remaining() >= 8) {
            size_t entryStart = r.offset();
            uint16_t entLen = r.u16();
            uint8_t ddl = r.u8();
            uint8_t type = r.u8();
            uint16_t nameIdx = r.u16();
            uint16_t valLen = r.u16();
            ByteSpan val = r.bytes(valLen);
            if (!r.ok() || entLen < 8) return makeError("property entry does not fit");
            r.seek(entryStart + entLen);
            Property p;
            if (nameIdx < names.size()) {
                p.name = names[nameIdx];
            } else {
                p.name = "#";
                p.name += std::to_string(nameIdx);
            }
            p.type = type;
            p.ddl = ddl != 0;
            p.value = propertyValue(core, type, val);
            list.push_back(std::move(p));
            if (!r.ok()) break;
        }
        if (chunkType == 0x00) {
            for (auto& p : list) out.object.push_back(std::move(p));
        } else {
            out.columns.emplace_back(nameText(core, objName), std::move(list));
        }
    }
    return out;
}

}  // namespace detail
}  // namespace jet
