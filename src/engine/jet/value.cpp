#include "jet/value.h"

namespace jet {

OwnedValue::OwnedValue(const Value& v) : view_(v) {
    switch (v.kind()) {
    case ValueKind::Text:
        storage_.assign(v.asText());
        break;
    case ValueKind::Binary:
    case ValueKind::Guid:
        storage_.assign(reinterpret_cast<const char*>(v.asBytes().data()), v.asBytes().size());
        break;
    default:
        break;
    }
    rebind();
}

OwnedValue::OwnedValue(const OwnedValue& o) : view_(o.view_), storage_(o.storage_) { rebind(); }

OwnedValue& OwnedValue::operator=(const OwnedValue& o) {
    if (this != &o) {
        view_ = o.view_;
        storage_ = o.storage_;
        rebind();
    }
    return *this;
}

OwnedValue::OwnedValue(OwnedValue&& o) noexcept : view_(o.view_), storage_(std::move(o.storage_)) { rebind(); }

OwnedValue& OwnedValue::operator=(OwnedValue&& o) noexcept {
    view_ = o.view_;
    storage_ = std::move(o.storage_);
    rebind();
    return *this;
}

void OwnedValue::rebind() {
    auto bytes = std::span<const std::byte>(reinterpret_cast<const std::byte*>(storage_.data()), storage_.size());
    switch (view_.kind()) {
    case ValueKind::Text: view_ = Value::text(storage_); break;
    case ValueKind::Binary: view_ = Value::binary(bytes); break;
    case ValueKind::Guid: view_ = Value::guid(bytes); break;
    default: break;
    }
}

}  // namespace jet
