#pragma once
// Esc stops a statement that runs too long. While a grid fill runs, the window keeps painting,
// the cursor says that Esc stops the statement, and user input other than Esc is held back (the
// fill must not be re-entered); Esc makes the running statement fail as cancelled.

#include "sql/interrupt.h"

#include <QObject>

#include <memory>

class QWidget;

namespace explorer {

class EscapeCancels : public QObject {
public:
    // `window`: where the status bar message goes (may be null).
    explicit EscapeCancels(QWidget* window);
    ~EscapeCancels() override;
    EscapeCancels(const EscapeCancels&) = delete;
    EscapeCancels& operator=(const EscapeCancels&) = delete;

    bool cancelled() const { return m_escape; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool poll();

    QWidget* m_window;
    bool m_escape = false;
    bool m_shown = false;
    std::unique_ptr<sql::InterruptPoll> m_interrupt;
};

} // namespace explorer
