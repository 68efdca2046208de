#pragma once
// The report engine's error: a message for the user, what() in UTF-8.

#include <QByteArray>
#include <QString>

#include <exception>

class EQRError : public std::exception {
public:
    explicit EQRError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
