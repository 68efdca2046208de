#include "reportengine/qrerror.h"

#include <utility>

EQRError::EQRError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
{
}
