#pragma once
// The engine check shown at the first start: which engine class works on this machine.
// It ends only through its buttons, and only one of them is ever enabled.

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QPushButton;

namespace automation { class Registry; }

class TfrmInit : public QDialog {
    Q_OBJECT

public:
    explicit TfrmInit(automation::Registry& registry, QWidget* parent = nullptr);

    static const QStringList& classNames();   // tried in this order

    QString EngineClassName;

    QFrame* Bevel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* lblMsg = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

    // The pause before the check, so the user can read what is going on.
    void setPauseMs(int ms) { m_pauseMs = ms; }

public slots:
    // Runs the check; called once the dialog is shown.
    void FormActivate();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    automation::Registry& m_registry;
    int m_pauseMs = 2000;
    bool m_checked = false;
};
