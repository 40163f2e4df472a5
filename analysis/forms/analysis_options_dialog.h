// "Vantu - options": the 2D analysis options in four pages — features, maps,
// wavelets and the shape-feature switch. Each page edits a copy; OK copies
// every page back and marks the options for saving, Cancel drops the copies.
#pragma once

#include <QDialog>
#include <array>
#include <map>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/options/grain_options.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

class AnalysisOptionsDialog : public QDialog {
    Q_OBJECT
  public:
    AnalysisOptionsDialog(QWidget* parent, AnalysisSettings& settings, GrainOptions& grain);

    void accept() override;

    // For tests: the pages' controls by their captions, and the tree.
    QTabWidget* tabs() const { return tabs_; }
    QTreeWidget* mapTree() const { return tree_; }
    const MapTree& editedTree() const { return edited_.Maps_Tree; }
    QLineEdit* selectedCount() const { return selectedCount_; }
    void setTreeEntry(int index, bool on);  // "Select" / "Clear" on an entry
    void toggleLeaf(int index);             // a double click

    // The value a bit-count radio group starts with: stored values outside
    // the choices show as `fallback`.
    static int32_t shownBits(int32_t value, int32_t low, int32_t high, int32_t fallback);

  protected:
    // A leaf's icon is its check box: one click on it toggles the leaf.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* featuresPage();
    QWidget* mapsPage();
    QWidget* waveletsPage();
    QWidget* geometryPage();
    QButtonGroup* bitRadios(QWidget* parent, QLayout* layout, int high, int low, int32_t value);
    void refreshTree();

    AnalysisSettings& settings_;
    GrainOptions& grain_;
    AnalysisOptions edited_;
    QTabWidget* tabs_;
    std::map<std::string, QCheckBox*> checks_;
    QButtonGroup* rlBits_ = nullptr;
    QButtonGroup* coBits_ = nullptr;
    QButtonGroup* grBits_ = nullptr;
    QButtonGroup* wavBits_ = nullptr;
    QButtonGroup* normal_ = nullptr;
    QRadioButton* normapImage_ = nullptr;
    QRadioButton* normapMask_ = nullptr;
    std::array<QSpinBox*, 4> maskStep_{};  // Mask_x, Mask_y, Step_x, Step_y
    QTreeWidget* tree_ = nullptr;
    std::array<QTreeWidgetItem*, kMapTreeSize> items_{};
    QRadioButton* select_ = nullptr;
    QRadioButton* clear_ = nullptr;
    QLineEdit* selectedCount_ = nullptr;
    QCheckBox* geometry_ = nullptr;
    bool geometryClicked_ = false;
};
