#pragma once
// The report engine's error: a readable message (Japanese texts for the printer object's two
// errors, a description naming page and offset for a damaged report file or page image).

#include <QByteArray>
#include <QString>

#include <exception>

class EQRError : public std::exception {
public:
    explicit EQRError(QString message);

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
