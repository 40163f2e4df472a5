// The popup that shows the "intro" picture: at start-up it ignores input and
// closes after 2000 ms; as the About box it closes on the first key or click.
// It never covers a box or dialog: one that opens closes it.
#pragma once

#include <QWidget>

class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    SplashWindow();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    // A box or dialog that opens while the popup is shown closes the popup,
    // which stays on top and would cover it; as the About box it also closes
    // on a key or click anywhere in the program.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void input();
    int timerId_ = 0;
};

// 1 until the start-up popup's timer has run, 2 afterwards: the one value that
// tells the start-up popup from the About box.
extern int SplashState;

inline constexpr int kSplashMilliseconds = 2000;

// Shows the popup centred on the screen and topmost; returns 0.
int ShowSplashWindow();

// Puts a splash that is still open back on top (where no window manager keeps
// it there, a window shown later would cover it).
void raiseSplashWindow();
