#pragma once
// The preview's questions and messages: Qt's file dialogs and message boxes, unless the program
// (its own dialogs) or a test (scripted answers) puts others in their place.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

struct QRFileChoice {
    QString fileName;      // empty: the user cancelled
    int filterIndex = 1;   // the file type chosen, counted from 1 in the filter's order
};

struct QRPreviewDialogs {
    // filter as the preview words it: "Name(*.ext)|*.ext|Name (*.ext)|*.ext".
    std::function<QRFileChoice(QWidget* parent, const QString& filter, const QString& defaultExtension)> saveFile;
    std::function<QString(QWidget* parent, const QString& filter)> openFile;
    std::function<void(QWidget* parent, const QString& text)> showError;

    // The ones in force; an empty member means Qt's own.
    static QRPreviewDialogs& current();
};

// Puts dialogs in place for as long as it lives, then brings back the ones before.
class QRPreviewDialogsScope {
public:
    explicit QRPreviewDialogsScope(QRPreviewDialogs dialogs);
    ~QRPreviewDialogsScope();
    QRPreviewDialogsScope(const QRPreviewDialogsScope&) = delete;
    QRPreviewDialogsScope& operator=(const QRPreviewDialogsScope&) = delete;

private:
    QRPreviewDialogs m_previous;
};

QRFileChoice qrSaveFileDialog(QWidget* parent, const QString& filter, const QString& defaultExtension);
QString qrOpenFileDialog(QWidget* parent, const QString& filter);
void qrShowError(QWidget* parent, const QString& text);

// "A|*.a|B|*.b" as (name, pattern) pairs.
QList<QPair<QString, QString>> qrFilterPairs(const QString& filter);
