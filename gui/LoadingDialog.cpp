#include "LoadingDialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include "QV_Icons.h"

LoadingDialog::LoadingDialog()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("LoadingDialog"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    picture = new QLabel(this);
    picture->setPixmap(QV_SplashPixmap());
    picture->setAlignment(Qt::AlignCenter);
    text = new QLabel(QString::fromLatin1(kText), this);
    text->setAlignment(Qt::AlignCenter);
    bar = new QProgressBar(this);
    bar->setRange(0, 100);
    bar->setValue(1);
    bar->setTextVisible(false);
    layout->addWidget(picture);
    layout->addWidget(text);
    layout->addWidget(bar);
}

void LoadingDialog::Open()
{
    bar->setValue(1);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(screen->geometry().center());
        move(r.topLeft());
    }
    show();
    // One pass of the event loop maps the window; after that each progress
    // step repaints it directly.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

void LoadingDialog::SetProgress(int position)
{
    bar->setValue(position < 0 ? 0 : (position > 100 ? 100 : position));
    if (isVisible())
        bar->repaint();
}

int LoadingDialog::Progress() const
{
    return bar->value();
}

QString LoadingDialog::Text() const
{
    return text->text();
}
