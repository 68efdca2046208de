#include "reportengine/preview/preview_dialogs.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

namespace {

// Qt reads the patterns from the parentheses at the end of a name filter; the names here carry
// them already ("ﾚﾎﾟｰﾄ ﾌｧｲﾙ(*.QRP)"), so they stand as they are.
QStringList qtNameFilters(const QString& filter)
{
    QStringList out;
    for (const auto& [name, pattern] : qrFilterPairs(filter)) {
        const QString tail = QLatin1Char('(') + pattern + QLatin1Char(')');
        out << (name.endsWith(tail) ? name : name + QStringLiteral(" (") + pattern + QLatin1Char(')'));
    }
    return out;
}

QString extensionOf(const QString& pattern)
{
    const qsizetype dot = pattern.lastIndexOf(QLatin1Char('.'));
    const QString ext = dot < 0 ? QString() : pattern.mid(dot + 1);
    return ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?')) ? QString() : ext;
}

} // namespace

QRPreviewDialogs& QRPreviewDialogs::current()
{
    static QRPreviewDialogs dialogs;
    return dialogs;
}

QRPreviewDialogsScope::QRPreviewDialogsScope(QRPreviewDialogs dialogs) : m_previous(QRPreviewDialogs::current())
{
    QRPreviewDialogs::current() = std::move(dialogs);
}

QRPreviewDialogsScope::~QRPreviewDialogsScope()
{
    QRPreviewDialogs::current() = std::move(m_previous);
}

QList<QPair<QString, QString>> qrFilterPairs(const QString& filter)
{
    QList<QPair<QString, QString>> out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out.append({parts[i], parts[i + 1]});
    return out;
}

QRFileChoice qrSaveFileDialog(QWidget* parent, const QString& filter, const QString& defaultExtension)
{
    if (const auto& hook = QRPreviewDialogs::current().saveFile)
        return hook(parent, filter, defaultExtension);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList names = qtNameFilters(filter);
    const auto pairs = qrFilterPairs(filter);
    dialog.setNameFilters(names);
    dialog.setDefaultSuffix(defaultExtension);
    // A name typed without an extension takes the one of the file type chosen.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        const qsizetype i = names.indexOf(chosen);
        const QString ext = i >= 0 ? extensionOf(pairs[i].second) : QString();
        dialog.setDefaultSuffix(ext.isEmpty() ? defaultExtension : ext);
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().constFirst(), int(std::max<qsizetype>(0, names.indexOf(dialog.selectedNameFilter()))) + 1};
}

QString qrOpenFileDialog(QWidget* parent, const QString& filter)
{
    if (const auto& hook = QRPreviewDialogs::current().openFile)
        return hook(parent, filter);
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // A typed name that does not exist comes back, so the preview can say so.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(qtNameFilters(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void qrShowError(QWidget* parent, const QString& text)
{
    if (const auto& hook = QRPreviewDialogs::current().showError) {
        hook(parent, text);
        return;
    }
    QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), text);
}
