#pragma once
// Every modal interaction of the program goes through here, so tests can answer in place of a user.

#include <QString>
#include <QStringList>

class QDialog;
class QUrl;
class QWidget;

class Dialogs {
public:
    enum class Icon { Error, Information };

    struct OpenFileRequest {
        QString filter;            // "Name (*.ext)|*.ext|..." as the program states it
        QString defaultSuffix;
        bool multiple = false;
    };

    struct SaveFileRequest {
        QString caption;
        QString filter;            // "Name (*.ext)|*.ext|..."
        QString defaultSuffix;
    };

    virtual ~Dialogs() = default;

    // One-button modal box. A carriage return in text breaks the line.
    virtual void message(QWidget* parent, Icon icon, const QString& caption, const QString& text) = 0;
    // The chosen paths in the dialog's order; empty when cancelled.
    virtual QStringList openFileNames(QWidget* parent, const OpenFileRequest& request) = 0;
    // The chosen path; empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const SaveFileRequest& request);
    // Shows a dialog modally and returns its result (QDialog::Accepted / Rejected).
    virtual int exec(QDialog& dialog) = 0;
    // Hands a document to whatever the desktop opens it with; failures stay the desktop's.
    virtual void openUrl(const QUrl& url) = 0;
};

// The real thing: Qt message boxes, file dialogs and the desktop services.
class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, Icon icon, const QString& caption, const QString& text) override;
    QStringList openFileNames(QWidget* parent, const OpenFileRequest& request) override;
    QString saveFileName(QWidget* parent, const SaveFileRequest& request) override;
    int exec(QDialog& dialog) override;
    void openUrl(const QUrl& url) override;

    // "A (*.a)|*.a|B (*.*)|*.*" as Qt name filters; "*.*" also matches names without a dot.
    static QStringList qtNameFilters(const QString& filter);
};
