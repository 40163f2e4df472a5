// The "Geometryczne_test" window: a bit-plane viewer of a width x height
// byte array (black where bit n is set, n the track bar's position) with a
// button "Dalej" that closes it. It is created at start-up, reached through
// its global pointer, and no command shows it.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <vector>

class QLabel;
class QSlider;

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm1(QWidget* owner);

    // The bytes to show, row by row; nothing is painted without them.
    void setData(int width, int height, std::vector<uint8_t> bytes);
    QSlider* trackBar() const { return trackBar_; }
    const QImage& picture() const { return picture_; }

  private:
    void repaintPlane();

    QLabel* image_;
    QSlider* trackBar_;
    QImage picture_;
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> bytes_;
};
