// r62's dendrogram window: the tree of the last hierarchical or similarity
// based clustering, cut by a vertical track bar into as many clusters as
// blue link lines the cut row crosses. Accepting the cut reports the cluster
// lists and opens the class/cluster table; discarding or closing from the
// title bar reports the results as rejected. Modeless, on top, freed when
// closed; while it is open the main window's analysis commands do nothing.
#pragma once

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "statistics/core/clustering/dendrogram_layout.h"
#include "statistics/core/clustering/hierarchical_clustering.h"
#include "statistics/core/data/data_set.h"
#include "statistics/forms/diagram_window.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QStatusBar;
class QTabWidget;
class QTableWidget;

// Where the window adds its report lines: the main window's output pane.
using MemoLineSink = std::function<void(const std::string&)>;

// --- the dendrogram window ---------------------------------------------------

inline constexpr char kTreeSaveFilter[] = "Bitmatp *.BMP|*.bmp";

class TTreeWindow : public DiagramWindow {
  public:
    // Keeps its own copy of the tree and of the samples' categories; sets
    // TreeWindowOpen. The caller draws and shows (ShowDendrogram).
    TTreeWindow(QWidget* owner, MemoLineSink addMemoLine, const ClusterTree& tree,
                const R62DataSet& data);
    ~TTreeWindow() override;

    QTabWidget* PageControl1 = nullptr;
    QFrame* Bevel1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QWidget* Image = nullptr;
    QTableWidget* LeafList = nullptr;    // "Leaf No." / "Sample No."
    QTableWidget* SampleList = nullptr;  // "Sample No." / "Leaf No."
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QPushButton* AcceptButton = nullptr;
    QPushButton* DiscardButton = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // The tree into the picture and the clean bitmap; the track bar goes to
    // the row just below the top link (the caller evaluates the cut).
    void DrawDendrogram();
    // The Description page's two lists.
    void fillDescription();
    // The cut at the track bar's row.
    void TrackBar1Change();
    void AcceptClick();
    void DiscardClick();
    // Close asks for a decision first.
    void CloseClick() override;

    const QImage& cleanPicture() const { return clean_; }
    const DendrogramModel& model() const { return model_; }
    int clusterCount() const { return k_; }
    const std::vector<int>& clusterLabels() const { return labels_; }
    bool decided() const { return decided_; }
    QString statusText() const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    // An undecided partition is reported as rejected.
    void closing() override;

  private:
    QWidget* createDendrogramPage();
    QWidget* createDescriptionPage();
    QWidget* createRightPanel();
    // The picture's size for the window's size.
    QSize pictureSizeFor(const QSize& window) const;
    void placePicture(const QSize& size);
    void drawCutLine(int row);

    MemoLineSink addMemoLine_;
    std::unique_ptr<ClusterTree> tree_;
    DendrogramModel model_;
    DendrogramGeometry geometry_;  // of the picture as last drawn; the cut asks it
    std::vector<int> category_;    // [1..N], [0] unused
    int categoryCount_ = 0;
    QImage clean_;
    QLabel* statusPanel_ = nullptr;
    int16_t k_ = 2;
    std::vector<int> labels_;
    bool decided_ = false;
    bool firstChange_ = true;
    bool closed_ = false;
};

// Creates the window owned by `owner`: TreeWindowOpen set, undecided, the
// first track-bar evaluation pending.
TTreeWindow* OpenTreeWindow(QWidget* owner, MemoLineSink addMemoLine, const ClusterTree& tree,
                            const R62DataSet& data);

// After a clustering run: opens the window captioned with the data file's
// name and `analysisName`, draws the tree, fills the Description page,
// evaluates the first cut and shows the window centred on `owner`. Nothing
// for a tree of fewer than two samples.
TTreeWindow* ShowDendrogram(QWidget* owner, MemoLineSink addMemoLine, const ClusterTree& tree,
                            const R62DataSet& data, const std::string& analysisName);
