#include "ControlBarWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "QV_Icons.h"

ControlBarWidget::ControlBarWidget(ControlBar& bar_, std::function<void(int)> command_, QWidget* parent)
    : QWidget(parent), bar(bar_), command(std::move(command_))
{
    setObjectName(QStringLiteral("ControlBar"));
    setMouseTracking(true);
    setAutoFillBackground(true);
}

QRect ControlBarWidget::ButtonRect(int index)
{
    const int top = (ControlBar::kHeight - kButtonSize) / 2;
    return QRect(kMargin + index * (kButtonSize + kGap), top, kButtonSize, kButtonSize);
}

int ControlBarWidget::ButtonAt(const QPoint& point) const
{
    for (int i = 0; i < static_cast<int>(bar.buttons.size()); ++i) {
        if (ButtonRect(i).contains(point))
            return i;
    }
    return -1;
}

const QPixmap& ControlBarWidget::Icon(int iconNumber)
{
    auto it = icons.find(iconNumber);
    if (it == icons.end())
        it = icons.insert(iconNumber, QV_IconPixmap(iconNumber, kButtonSize - 6));
    return it.value();
}

void ControlBarWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int i = 0; i < static_cast<int>(bar.buttons.size()); ++i) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = ButtonRect(i);
        option.state = QStyle::State_Enabled | (i == pressed ? QStyle::State_Sunken : QStyle::State_Raised);
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
        const QPixmap& icon = Icon(bar.CurrentIcon(i));
        if (!icon.isNull()) {
            const QRect r = ButtonRect(i);
            const int shift = i == pressed ? 1 : 0;
            painter.drawPixmap(r.left() + 3 + shift, r.top() + 3 + shift, icon);
        }
    }
}

void ControlBarWidget::Hover(int index)
{
    const bool changed = index >= 0 ? bar.PointerOverButton(index) : bar.ResetAll();
    if (changed)
        update();
}

void ControlBarWidget::mouseMoveEvent(QMouseEvent* event)
{
    Hover(ButtonAt(event->position().toPoint()));
}

void ControlBarWidget::leaveEvent(QEvent*)
{
    Hover(-1);
}

void ControlBarWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressed = ButtonAt(event->position().toPoint());
    update();
}

// A click is a press and a release on the same button.
void ControlBarWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int released = ButtonAt(event->position().toPoint());
    const int was = pressed;
    pressed = -1;
    update();
    if (was >= 0 && was == released && command)
        command(bar.buttons[static_cast<size_t>(was)].command);
}
