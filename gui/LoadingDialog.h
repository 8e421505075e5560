// LoadingDialog: the borderless window shown while the program starts: the
// splash picture, "Please wait, Heddle is loading...." and a progress bar.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

class LoadingDialog : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kText = "Please wait, Heddle is loading....";

    LoadingDialog();

    // Shows the dialog centred on the screen with the bar at 1, and draws it.
    void Open();
    // Moves the bar (0 .. 100) and redraws at once: start-up does not run
    // the event loop between its steps.
    void SetProgress(int position);
    int Progress() const;
    QString Text() const;

private:
    QLabel* picture;
    QLabel* text;
    QProgressBar* bar;
};
