#pragma once
// The one failure that crosses the automation boundary: it carries the server's description.

#include <QString>

#include <stdexcept>

namespace automation {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    const QString& description() const { return m_description; }

private:
    QString m_description;
};

} // namespace automation
