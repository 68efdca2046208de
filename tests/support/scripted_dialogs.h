#pragma once
// Dialogs for GUI tests: records every box and answers with scripted results instead of a user.

#include "app/dialogs.h"

#include <QDialog>
#include <QUrl>

#include <deque>
#include <functional>
#include <vector>

class ScriptedDialogs : public Dialogs {
public:
    struct Message {
        Icon icon;
        QString caption;
        QString text;
    };

    std::vector<Message> messages;
    std::vector<OpenFileRequest> fileRequests;
    std::deque<QStringList> fileAnswers;                    // one per file dialog; none left = cancel
    std::vector<QString> shownDialogs;                      // objectName of each dialog shown
    // Plays the user's part for a dialog (by objectName); without one the dialog is rejected.
    std::function<int(QDialog&)> onExec;
    std::vector<SaveFileRequest> saveRequests;
    std::deque<QString> saveAnswers;                        // one per save dialog; none left = cancel
    std::vector<QUrl> openedUrls;
    std::function<void(const Message&)> onMessage;

    void message(QWidget*, Icon icon, const QString& caption, const QString& text) override
    {
        messages.push_back({icon, caption, text});
        if (onMessage)
            onMessage(messages.back());
    }

    QStringList openFileNames(QWidget*, const OpenFileRequest& request) override
    {
        fileRequests.push_back(request);
        if (fileAnswers.empty())
            return {};
        QStringList answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    QString saveFileName(QWidget*, const SaveFileRequest& request) override
    {
        saveRequests.push_back(request);
        if (saveAnswers.empty())
            return {};
        QString answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }

    int exec(QDialog& dialog) override
    {
        shownDialogs.push_back(dialog.objectName());
        return onExec ? onExec(dialog) : int(QDialog::Rejected);
    }

    void openUrl(const QUrl& url) override { openedUrls.push_back(url); }
};
