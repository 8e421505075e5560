// ControlBarWidget: draws the control bar's row of icon buttons (each
// button's current icon) and reports the pointer and clicks back to the
// ControlBar and, through `command`, to the main window's command routing.
#pragma once

#include <functional>

#include <QHash>
#include <QPixmap>
#include <QWidget>

#include "ControlBar.h"

class ControlBarWidget : public QWidget {
    Q_OBJECT
public:
    // A button is 20 x 20 dialog units of the classic dialog font, about 30
    // pixels, placed with a small gap in the 40-pixel bar.
    static constexpr int kButtonSize = 30;
    static constexpr int kGap = 2;
    static constexpr int kMargin = 4;

    ControlBarWidget(ControlBar& bar, std::function<void(int)> command, QWidget* parent);

    // The rectangle of button `index`, in this widget's pixels.
    static QRect ButtonRect(int index);
    // The button under a point, or -1 over the background.
    int ButtonAt(const QPoint& point) const;
    // The buttons' icons changed (hover state).
    void IconsChanged() { update(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const QPixmap& Icon(int iconNumber);
    void Hover(int index);

    ControlBar& bar;
    std::function<void(int)> command;
    QHash<int, QPixmap> icons;
    int pressed = -1;
};
