#pragma once
// tabulon-cli report: the field-definition report of a table, printed to PDF or kept as a
// report file.

#include <QString>

#include <string>

namespace cli {

enum class ReportOutput { Pdf, Qrp };
int reportCommand(const std::string& db, const QString& table, ReportOutput output, const QString& file);

} // namespace cli
