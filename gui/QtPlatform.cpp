#include "QtPlatform.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>

#include "ControlBarWidget.h"
#include "FrameWindow.h"
#include "LoadingDialog.h"
#include "MainFrame.h"
#include "QV_Commands.h"
#include "QV_Error.h"
#include "QV_Icons.h"
#include "QV_SaveDialogRules.h"
#include "SettingsStore.h"
#include "ViewWidget.h"

extern char** environ;

namespace {

const QString kMessageTitle = QStringLiteral("Heddle");

QString ToQt(const QV_String& s)
{
    return QString::fromLocal8Bit(s.CStr());
}

QV_String FromQtPath(const QString& path)
{
    return QV_String(QFile::encodeName(path).toStdString());
}

// Paths handed over by the workspace may use '\' as the separator.
std::string SlashPath(const QV_String& path)
{
    std::string s = path.CStr();
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

// '*' and '?' wildcards, ASCII letters compared without case.
bool WildcardMatch(const char* pattern, const char* name)
{
    if (*pattern == '\0')
        return *name == '\0';
    if (*pattern == '*') {
        for (const char* n = name;; ++n) {
            if (WildcardMatch(pattern + 1, n))
                return true;
            if (*n == '\0')
                return false;
        }
    }
    if (*name == '\0')
        return false;
    const auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    if (*pattern != '?' && lower(*pattern) != lower(*name))
        return false;
    return WildcardMatch(pattern + 1, name + 1);
}

// The dialog's name filters ("Text (*.a *.b)"), one per entry of a "|" filter.
QStringList NameFilters(const QV_String& filter)
{
    QStringList filters;
    for (const std::string& entry : QV_FilterToDialogEntries(filter))
        filters << QString::fromLocal8Bit(entry.c_str());
    return filters;
}

// A modal box needs the normal pointer even while a command shows the wait
// cursor.
class NormalCursor {
public:
    explicit NormalCursor(bool waiting) : active(waiting)
    {
        if (active)
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~NormalCursor()
    {
        if (active)
            QGuiApplication::restoreOverrideCursor();
    }
    NormalCursor(const NormalCursor&) = delete;
    NormalCursor& operator=(const NormalCursor&) = delete;

private:
    bool active;
};

}  // namespace

QtPlatform::QtPlatform(const QString& dataDirOverride_) : dataDirOverride(dataDirOverride_) {}

QtPlatform::~QtPlatform()
{
    DestroyWindows();
    while (waitDepth > 0)
        SetWaitCursor(false);
    ReapOpeners(false);
}

void QtPlatform::Attach(MainFrame& frame_)
{
    frame = &frame_;
}

void QtPlatform::DestroyWindows()
{
    views.clear();
    controlBar = nullptr;
    window.reset();
    loading.reset();
}

void QtPlatform::Command(int number)
{
    if (!frame)
        return;
    if (!frame->OnCommand(number) && number == QV_Command::kAbout) {
        NormalCursor cursor(waitDepth > 0);
        QMessageBox::about(window.get(), QStringLiteral("About Heddle"),
                           QStringLiteral("Heddle %1\nA textured 3D head from one frontal photograph.")
                               .arg(QCoreApplication::applicationVersion()));
    }
}

// ---- settings and files ----

bool QtPlatform::ReadSettingString(const QV_String& subKey, const QV_String& valueName, QV_String& out)
{
    if (!dataDirOverride.isEmpty()) {
        out = FromQtPath(dataDirOverride);
        return true;
    }
    return SettingsStore().ReadString(SettingsStore::kLocalMachine, subKey, valueName, out);
}

std::vector<QV_String> QtPlatform::EnumerateFiles(const QV_String& directory, const QV_String& pattern)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    const std::string dir = SlashPath(directory);
    std::error_code error;
    fs::directory_iterator it(dir.empty() ? std::string(".") : dir, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError))  // follows links (a staged data directory)
            continue;
        const std::string name = it->path().filename().string();
        if (WildcardMatch(pattern.CStr(), name.c_str()))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<QV_String> paths;
    const bool separated = !dir.empty() && dir.back() == '/';
    for (const std::string& name : names)
        paths.emplace_back(dir.empty() ? name : dir + (separated ? "" : "/") + name);
    return paths;
}

bool QtPlatform::ShellOpen(const QV_String& path, const QV_String& workingDirectory)
{
    ReapOpeners(false);
    std::string program = QFile::encodeName(openProgram).toStdString();
    std::string document = SlashPath(path);
    const std::string directory = SlashPath(workingDirectory);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    char* argv[] = {program.data(), document.data(), nullptr};
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        errno = result;
        const std::string text = "QtPlatform::ShellOpen() Error! : cannot start " + program + " for " + document;
        QV_PrintSystemError(text.c_str());
        return false;
    }
    openers.push_back(static_cast<long>(pid));
    return true;
}

void QtPlatform::ReapOpeners(bool wait)
{
    std::vector<long> running;
    for (long pid : openers) {
        int status = 0;
        const pid_t done = waitpid(static_cast<pid_t>(pid), &status, wait ? 0 : WNOHANG);
        if (done == 0)
            running.push_back(pid);
    }
    openers = running;
}

void QtPlatform::WaitForOpeners()
{
    ReapOpeners(true);
}

// ---- windows ----

bool QtPlatform::CreateFrame()
{
    if (window)
        return true;
    window = std::make_unique<FrameWindow>([this](int number) { Command(number); });
    window->setWindowIcon(QV_ApplicationIcon());
    window->clientResized = [this](int width, int height) {
        if (frame)
            frame->Layout(width, height + StatusBarHeight());
    };
    window->pointerMoved = [this](int y) {
        if (frame)
            frame->PointerOverFrame(y);
    };
    if (!caption.isEmpty())
        window->setWindowTitle(caption);
    return true;
}

bool QtPlatform::CreateControlBar(ControlBar& bar)
{
    if (!window)
        return false;
    controlBar = new ControlBarWidget(bar, [this](int number) { Command(number); }, window->ClientArea());
    int width = 0;
    int height = 0;
    ClientSize(width, height);
    controlBar->setGeometry(0, 0, width, ControlBar::kHeight);
    controlBar->show();
    return true;
}

void QtPlatform::ControlBarChanged()
{
    if (controlBar)
        controlBar->IconsChanged();
}

bool QtPlatform::CreateStatusBar()
{
    if (!window)
        return false;
    window->CreateStatusPanes();
    window->SetStatusText(statusText);
    return true;
}

int QtPlatform::StatusBarHeight()
{
    return window ? window->StatusPaneHeight() : 0;
}

bool QtPlatform::CreateView(SceneView& view, const QV_String& windowText, int childId, const QV_WindowRect& rect)
{
    if (!window || !ViewWidget::ContextAvailable())
        return false;
    auto* widget = new ViewWidget(view, ToQt(windowText), childId, window->ClientArea());
    widget->setGeometry(rect.left, rect.top, rect.width, rect.height);
    widget->show();
    views[&view] = widget;
    return true;
}

ViewWidget* QtPlatform::ViewWindow(const SceneView& view) const
{
    const auto it = views.find(&view);
    return it == views.end() ? nullptr : it->second;
}

void QtPlatform::ScreenSize(int& width, int& height)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    width = size.width();
    height = size.height();
}

// The client area is the central widget together with the status bar below
// it, as the workspace lays it out (views end at the status bar's top).
void QtPlatform::ClientSize(int& width, int& height)
{
    width = 0;
    height = 0;
    if (!window)
        return;
    if (!window->isVisible() && window->layout()) {
        // A hidden window does not lay itself out on a resize.
        window->layout()->invalidate();
        window->layout()->activate();
    }
    width = window->ClientArea()->width();
    height = window->ClientArea()->height() + StatusBarHeight();
}

// The rectangle is the whole window, frame included, as the window manager
// draws it; Qt positions the frame but sizes the inside.
void QtPlatform::SetFrameRect(const QV_WindowRect& rect)
{
    if (!window)
        return;
    const QSize frame = window->frameGeometry().size() - window->geometry().size();
    window->move(rect.left, rect.top);
    window->resize(rect.width - frame.width(), rect.height - frame.height());
}

void QtPlatform::PlaceControlBar(const QV_WindowRect& rect)
{
    if (controlBar)
        controlBar->setGeometry(rect.left, rect.top, rect.width, rect.height);
}

void QtPlatform::PlaceView(SceneView& view, const QV_WindowRect& rect)
{
    if (ViewWidget* widget = ViewWindow(view))
        widget->setGeometry(rect.left, rect.top, rect.width, rect.height);
}

void QtPlatform::ShowFrame()
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

// ---- texts ----

void QtPlatform::MessageBox(const QV_String& text)
{
    const QString message = ToQt(text);
    messages.push_back(message);
    if (quietMessages) {
        std::fprintf(stderr, "%s\n", text.CStr());
        return;
    }
    NormalCursor cursor(waitDepth > 0);
    QMessageBox box(QMessageBox::Warning, kMessageTitle, message, QMessageBox::Ok, window.get());
    box.exec();
}

void QtPlatform::SetCaption(const QV_String& text)
{
    caption = ToQt(text);
    if (window)
        window->setWindowTitle(caption);
}

void QtPlatform::SetStatusText(const QV_String& text)
{
    statusText = ToQt(text);
    if (window)
        window->SetStatusText(statusText);
}

void QtPlatform::SetWaitCursor(bool on)
{
    if (on) {
        ++waitDepth;
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (waitDepth > 0) {
        --waitDepth;
        QGuiApplication::restoreOverrideCursor();
    }
}

// ---- loading dialog ----

void QtPlatform::ShowLoadingDialog()
{
    if (!loading)
        loading = std::make_unique<LoadingDialog>();
    progressSeen.push_back(1);
    loading->Open();
}

void QtPlatform::SetLoadingProgress(int position)
{
    progressSeen.push_back(position);
    if (loading)
        loading->SetProgress(position);
}

void QtPlatform::HideLoadingDialog()
{
    if (loading)
        loading->hide();
}

// ---- menus ----

void QtPlatform::AppendPopupMenu(const QV_String& title, const std::vector<std::pair<int, QV_String>>& items)
{
    if (!window)
        return;
    std::vector<std::pair<int, QString>> converted;
    for (const auto& [number, text] : items)
        converted.emplace_back(number, ToQt(text));
    window->AppendMenu(ToQt(title), converted);
}

void QtPlatform::SetMenuCheck(int command, bool checked)
{
    if (window)
        window->SetCheck(command, checked);
}

// ---- dialogs ----

bool QtPlatform::OpenFileDialog(const QV_String& filter, QV_String& path)
{
    lastNameFilters = NameFilters(filter);
    QString chosen;
    if (nextOpenPath) {
        chosen = *nextOpenPath;
        nextOpenPath.reset();
    } else {
        QFileDialog dialog(window.get());
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters(lastNameFilters);
        NormalCursor cursor(waitDepth > 0);
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedFiles().value(0);
    }
    if (chosen.isEmpty())
        return false;
    path = FromQtPath(chosen);
    return true;
}

bool QtPlatform::SaveFileDialog(const QV_String& filter, QV_String& typedPath, int& filterIndex)
{
    lastNameFilters = NameFilters(filter);
    QString chosen;
    int index = 1;
    if (nextSave) {
        chosen = nextSave->path;
        index = nextSave->filterIndex;
        nextSave.reset();
    } else {
        // Qt's own dialog, so that the name comes back as typed: no suffix
        // is added here (the workspace applies the chosen filter's
        // extension itself), and the overwrite question stays on.
        QFileDialog dialog(window.get());
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString());
        dialog.setNameFilters(lastNameFilters);
        NormalCursor cursor(waitDepth > 0);
        while (dialog.exec() == QDialog::Accepted) {
            const QString typed = dialog.selectedFiles().value(0);
            index = static_cast<int>(lastNameFilters.indexOf(dialog.selectedNameFilter())) + 1;
            if (index < 1)
                index = 1;
            // The dialog asked about the name as typed; a name without an
            // extension is saved under the entry's extension, so an existing
            // file of that name would be replaced without a question. Ask
            // about it here, and show the dialog again on No.
            const QString saved = ToQt(QV_ApplySaveExtension(FromQtPath(typed), filter, index));
            if (saved != typed && QFileInfo::exists(saved)) {
                const QString question = QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                             .arg(QFileInfo(saved).fileName());
                if (QMessageBox::question(&dialog, kMessageTitle, question) != QMessageBox::Yes)
                    continue;
            }
            chosen = typed;
            break;
        }
    }
    if (chosen.isEmpty())
        return false;
    typedPath = FromQtPath(chosen);
    filterIndex = index;
    return true;
}

bool QtPlatform::BrowseFolder(const QV_String& title, QV_String& pathOrMessage)
{
    QString chosen;
    if (nextFolder) {
        chosen = *nextFolder;
        nextFolder.reset();
    } else {
        NormalCursor cursor(waitDepth > 0);
        chosen = QFileDialog::getExistingDirectory(window.get(), ToQt(title), QString(),
                                                   QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    }
    if (chosen.isEmpty()) {
        pathOrMessage = "Cancel button pressed";
        return false;
    }
    pathOrMessage = FromQtPath(chosen);
    return true;
}
