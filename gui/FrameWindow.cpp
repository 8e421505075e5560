#include "FrameWindow.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "LockKeys.h"
#include "QV_Commands.h"

namespace {

// The main window's own client area: reports its size and the pointer over
// its background (the control bar and the views are its children).
class ClientAreaWidget : public QWidget {
public:
    explicit ClientAreaWidget(FrameWindow* frame) : QWidget(frame), frame(frame)
    {
        setObjectName(QStringLiteral("ClientArea"));
        setMouseTracking(true);
    }

protected:
    void resizeEvent(QResizeEvent*) override
    {
        if (frame->clientResized)
            frame->clientResized(width(), height());
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        if (frame->pointerMoved)
            frame->pointerMoved(static_cast<int>(event->position().y()));
    }

private:
    FrameWindow* frame;
};

// Commands of the standard accelerator set that nothing here handles: they
// are routed like any other command and have no effect.
constexpr int kEditCopy = 57634;
constexpr int kEditCut = 57635;
constexpr int kEditPaste = 57637;
constexpr int kNextPane = 57680;
constexpr int kPreviousPane = 57681;

}  // namespace

FrameWindow::FrameWindow(std::function<void(int)> command_) : command(std::move(command_))
{
    setObjectName(QStringLiteral("MainFrame"));
    client = new ClientAreaWidget(this);
    setCentralWidget(client);
    BuildMenus();
    BuildAccelerators();
    qApp->installEventFilter(this);
}

FrameWindow::~FrameWindow()
{
    qApp->removeEventFilter(this);
}

QAction* FrameWindow::MakeAction(QMenu* menu, int number, const QString& text, bool checkable)
{
    auto* action = new QAction(text, this);
    action->setCheckable(checkable);
    if (const char* prompt = QV_CommandPrompt(number))
        action->setStatusTip(QString::fromLatin1(prompt));
    connect(action, &QAction::triggered, this, [this, number] { Trigger(number); });
    if (menu)
        menu->addAction(action);
    else
        addAction(action);
    actions.emplace(number, action);
    return action;
}

void FrameWindow::Trigger(int number)
{
    // Qt flips a checkable item's mark on a click; the mark is the
    // workspace's to set (a switch that cannot change stays unchecked).
    if (QAction* a = Action(number); a && a->isCheckable())
        a->setChecked(Checked(number));
    if (number == QV_Command::kExit) {
        close();
        return;
    }
    if (command)
        command(number);
}

void FrameWindow::BuildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    MakeAction(file, QV_Command::kExit, QStringLiteral("E&xit"), false);

    QMenu* switches = menuBar()->addMenu(QStringLiteral("Switches"));
    MakeAction(switches, QV_Command::kFemaleBody, QStringLiteral("Use Female Body"), true);
    MakeAction(switches, QV_Command::kHighResTexture, QStringLiteral("Use High Res texture"), true);
    switches->addSeparator();
    MakeAction(switches, QV_Command::kChildFace, QStringLiteral("Use Child Face"), true);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    MakeAction(help, QV_Command::kAbout, QStringLiteral("&About QuorAvatar..."), false);
    MakeAction(help, QV_Command::kTutorial, QStringLiteral("Tutorial"), false);
}

void FrameWindow::BuildAccelerators()
{
    const struct {
        int command;
        QList<QKeySequence> keys;
    } table[] = {
        {QV_Command::kUndo, {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)}},
        {kEditCopy, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
        {kEditCut, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
        {kEditPaste, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}},
        {kNextPane, {QKeySequence(Qt::Key_F6)}},
        {kPreviousPane, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}},
        {QV_Command::kCtrlQ, {QKeySequence(Qt::CTRL | Qt::Key_Q)}},
    };
    for (const auto& row : table) {
        QAction* action = MakeAction(nullptr, row.command, QString(), false);
        action->setShortcuts(row.keys);
        action->setShortcutContext(Qt::WindowShortcut);
    }
}

QMenu* FrameWindow::AppendMenu(const QString& title, const std::vector<std::pair<int, QString>>& items)
{
    QMenu* menu = menuBar()->addMenu(title);
    for (const auto& [number, text] : items)
        MakeAction(menu, number, text, false);
    return menu;
}

QAction* FrameWindow::Action(int number) const
{
    const auto it = actions.find(number);
    return it == actions.end() ? nullptr : it->second;
}

void FrameWindow::SetCheck(int number, bool checked)
{
    checks[number] = checked;
    if (QAction* a = Action(number); a && a->isCheckable())
        a->setChecked(checked);
}

bool FrameWindow::Checked(int number) const
{
    const auto it = checks.find(number);
    return it != checks.end() && it->second;
}

void FrameWindow::CreateStatusPanes()
{
    if (textPane)
        return;
    QStatusBar* bar = statusBar();
    textPane = new QLabel(bar);
    textPane->setObjectName(QStringLiteral("StatusText"));
    bar->addWidget(textPane, 1);
    const char* names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        auto* pane = new QLabel(QString::fromLatin1(names[i]), bar);
        pane->setObjectName(QString::fromLatin1(names[i]));
        pane->setAlignment(Qt::AlignCenter);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        pane->setMinimumWidth(pane->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 10);
        bar->addPermanentWidget(pane);
        lockPanes[i] = pane;
    }
    UpdateLockPanes();
}

void FrameWindow::SetStatusText(const QString& text)
{
    if (!textPane)
        return;
    textPane->setText(text);
    // Progress texts arrive while a long command runs without the event
    // loop; draw them now.
    if (textPane->isVisible())
        textPane->repaint();
}

QString FrameWindow::StatusText() const
{
    return textPane ? textPane->text() : QString();
}

int FrameWindow::StatusPaneHeight() const
{
    if (!textPane)
        return 0;
    const QStatusBar* bar = statusBar();
    return bar->isVisible() ? bar->height() : bar->sizeHint().height();
}

bool FrameWindow::UpdateLockPanes()
{
    if (!textPane)
        return false;
    QV_LockKeyState state;
    const bool readable = QV_ReadLockKeys(state);
    const bool on[3] = {state.caps, state.num, state.scroll};
    for (int i = 0; i < 3; ++i)
        lockPanes[i]->setEnabled(!readable || on[i]);
    return readable;
}

bool FrameWindow::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ApplicationActivate:
        // A lock key changes the indicator after the key event; one read per
        // key event reaching a window of ours is enough.
        if (watched->isWidgetType())
            UpdateLockPanes();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
