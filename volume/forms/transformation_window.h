// The "Transformation" window: the pose of the shape in hand as numbers (the
// linear part row by row, the shift, the two shape integers), edited and
// applied to the shape; a tool window beside the 3D editor. It exists from
// start-up to exit and is reached through its global pointer; it edits
// whatever target it is given, and none means it shows and applies nothing.
#pragma once

#include <QAbstractSpinBox>
#include <QWidget>
#include <array>

#include "volume/core/shapes/shape_drag.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

// What the window edits: the 3D editor's shape in hand.
class ShapeTransformTarget {
  public:
    virtual ShapePose shapePose() const = 0;
    // The pose read from the window; the target rebuilds and draws the shape.
    virtual void setShapePose(const ShapePose& pose) = 0;

  protected:
    ~ShapeTransformTarget() = default;
};

// A number box with up-down arrows that keeps what is typed as it is typed,
// so "2.7" or "2,7" stays a decimal to be read on "Apply"; the arrows step by
// 1 within [low, high] from the number shown. The range bounds the arrows
// only: what is typed is for the box's reader to check.
class NumberBox : public QAbstractSpinBox {
    Q_OBJECT
  public:
    NumberBox(double low, double high);
    QString text() const;
    void setText(const QString& text);
    void setRange(double low, double high);
    double minimum() const { return low_; }
    double maximum() const { return high_; }
    void stepBy(int steps) override;

  protected:
    StepEnabled stepEnabled() const override;

  private:
    double low_, high_;
};

class TTransformation : public QWidget {
    Q_OBJECT
  public:
    explicit TTransformation(QWidget* owner);

    ShapeTransformTarget* target = nullptr;

    // Fills the boxes from the target's pose (ShowShapeTransform).
    void ShowShapeTransform();
    // "Apply": the boxes into the target's pose, all of them or, when one
    // holds no number in its range, none (and a message says which).
    void ApplyShapeTransform();
    // "1": the identity into the nine linear edits.
    void identityClick();

    std::array<QLineEdit*, 9> linear{};              // Edit1..Edit9
    std::array<NumberBox*, 3> shift{};               // Edit10..Edit12
    NumberBox *Edit13 = nullptr, *Edit14 = nullptr;  // shape parameter, second integer
    QCheckBox* VoxelSpace = nullptr;
    QPushButton *ApplyButton = nullptr, *OneButton = nullptr;

  protected:
    void showEvent(QShowEvent* event) override;
};
