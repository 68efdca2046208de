#pragma once
// The status bar's panel for the open database's full path. It reaches to the window's right
// edge; only a window too narrow for the path cuts it, in the middle, so that both the start of
// the path and the file name stay. The whole path is the panel's tooltip.

#include <QLabel>

class PathPanel : public QLabel {
    Q_OBJECT

public:
    explicit PathPanel(QWidget* parent = nullptr);

    // The text as drawn at the panel's present width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
