// The "3D analysis options" window: the switches and bit depths of the 3D
// texture analysis, read from the store when it is created. Showing it puts
// the fields into the controls (a bit depth without a radio shows as 4 for
// co-occurrence and run-length, 12 for gradient and histogram); OK takes
// them back, Cancel leaves the fields as they were.
#pragma once

#include <QDialog>
#include <map>
#include <string>

#include "volume/core/volume_options.h"

class QButtonGroup;
class QCheckBox;
class QLayout;
class QWidget;

class TOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TOptions(QWidget* owner);

    // The program's 3D analysis options, which the dialog edits.
    Analysis3DOptions& values = analysis3DOptions();

    // Controls by caption, for tests: the check boxes ("COM features", "1".."5",
    // "COM More directions", "RLM More directions", ...).
    QCheckBox* checkBox(const std::string& key) const;
    QButtonGroup* comBits() const { return comBits_; }
    QButtonGroup* histogramBits() const { return histogramBits_; }
    QButtonGroup* rlmBits() const { return rlmBits_; }
    QButtonGroup* gradientBits() const { return gradientBits_; }
    QButtonGroup* normalisation() const { return normalisation_; }

    // Fields into the controls (done when the window is shown).
    void showValues();
    // Controls into the fields; then the window closes.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QButtonGroup* bitRadios(QWidget* parent, QLayout* layout, const std::vector<int>& bits);
    QCheckBox* addCheck(QWidget* parent, const std::string& key, const QString& caption);

    std::map<std::string, QCheckBox*> checks_;
    QButtonGroup* comBits_ = nullptr;
    QButtonGroup* histogramBits_ = nullptr;
    QButtonGroup* rlmBits_ = nullptr;
    QButtonGroup* gradientBits_ = nullptr;
    QButtonGroup* normalisation_ = nullptr;
};
