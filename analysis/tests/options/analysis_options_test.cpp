#include "analysis/core/options/analysis_options.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "analysis/core/options/map_tree.h"
#include "analysis/core/runner/file_types.h"
#include "platform/shell.h"
#include "platform/testing/temp_dir.h"

using platform::Hive;
using platform::IniFile;
using platform::kOptionsKeyPath;
using platform::RegistryKey;
using platform::testing::openProgramKey;
using platform::testing::programKey;
using platform::testing::ScopedRegistryStore;

namespace {

// Nodes are '2' and leaves '0' in a fresh tree; written out family by family.
const std::string kInitialTreeText = std::string("22") + "00000" + "2" + "00000" + "2" + "00000" +
                                     "2" + "00000" +  // RLM 0..24
                                     "22" + "00000000000" + "2" + "00000000000" + "2" +
                                     "00000000000" + "2" + "00000000000" +  // COM 25..73
                                     "2" + "00000" +                        // Gradient 74..79
                                     "2" + "000000000" +                    // Histogram 80..89
                                     "2" + "00000";                         // AR model 90..95

const std::vector<int> kNodes = {0, 1, 7, 13, 19, 25, 26, 38, 50, 62, 74, 80, 90};

std::string withChar(std::string text, size_t at, char c) {
    text[at] = c;
    return text;
}

// ---------------------------------------------------------------- map tree

TEST(MapTreeLayout, FamiliesDirectionsAndLeavesSitWhereStoredTextsExpectThem) {
    const MapTree& tree = initialMapTree();
    struct Expected {
        int index;
        int parent;
        const char* label;
    };
    for (Expected e :
         std::vector<Expected>{{0, -1, "RLM"},        {1, 0, "Horzl"},      {2, 1, "RLNonUni"},
                               {6, 1, "Fraction"},    {7, 0, "Vertl"},      {13, 0, "45dgr"},
                               {19, 0, "135dr"},      {24, 19, "Fraction"}, {25, -1, "COM"},
                               {26, 25, "Horzl"},     {27, 26, "AngScMom"}, {37, 26, "DifEntrp"},
                               {38, 25, "Vertl"},     {50, 25, "45dgr"},    {62, 25, "135dr"},
                               {73, 62, "DifEntrp"},  {74, -1, "Gradient"}, {79, 74, "NonZeros"},
                               {80, -1, "Histogram"}, {85, 80, "Perc.01%"}, {89, 80, "Perc.99%"},
                               {90, -1, "AR model"},  {91, 90, "Teta1"},    {95, 90, "Sigma"}}) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(tree[static_cast<size_t>(e.index)].parent, e.parent);
        EXPECT_EQ(tree[static_cast<size_t>(e.index)].label, e.label);
    }
    int leaves = 0;
    for (int i = 0; i < kMapTreeSize; ++i) {
        EXPECT_LE(tree[static_cast<size_t>(i)].label.size(), 11u);
        if (isMapTreeLeaf(i)) ++leaves;
    }
    EXPECT_EQ(leaves, 83);
    for (int node : kNodes) EXPECT_FALSE(isMapTreeLeaf(node)) << node;
    EXPECT_FALSE(isMapTreeLeaf(-1));
    EXPECT_FALSE(isMapTreeLeaf(96));
}

TEST(MapTreeText, AFreshTreeHasLeavesOffAndNodesClear) {
    EXPECT_EQ(kInitialTreeText.size(), 96u);
    EXPECT_EQ(mapTreeText(initialMapTree()), kInitialTreeText);
    EXPECT_EQ(countSelectedMapLeaves(initialMapTree()), 0);
}

TEST(MapTreeText, OnlyATextOfExactly96CharactersIsUsed) {
    MapTree tree = initialMapTree();
    const std::string allOn(96, '1');
    applyMapTreeText(tree, allOn.substr(0, 95));
    applyMapTreeText(tree, allOn + "1");
    applyMapTreeText(tree, "");
    EXPECT_EQ(mapTreeText(tree), kInitialTreeText);
    applyMapTreeText(tree, allOn);
    EXPECT_EQ(countSelectedMapLeaves(tree), 83);
}

TEST(MapTreeText, ReadingSetsLeavesOnOneAndNodesOnThreeAndNeverClears) {
    MapTree tree = initialMapTree();
    tree[30].state = kMapLeafOn;
    tree[26].state = kMapNodeSelected;
    applyMapTreeText(tree, std::string(96, '0'));  // clears nothing
    EXPECT_EQ(tree[30].state, kMapLeafOn);
    EXPECT_EQ(tree[26].state, kMapNodeSelected);

    std::string text = kInitialTreeText;
    text[2] = '1';   // leaf: on
    text[3] = '3';   // leaf: a node's digit does nothing
    text[25] = '3';  // node: selected
    text[1] = '1';   // node: a leaf's digit does nothing
    text[91] = '2';
    applyMapTreeText(tree, text);
    EXPECT_EQ(tree[2].state, kMapLeafOn);
    EXPECT_EQ(tree[3].state, kMapLeafOff);
    EXPECT_EQ(tree[25].state, kMapNodeSelected);
    EXPECT_EQ(tree[1].state, kMapNodeClear);
    EXPECT_EQ(tree[91].state, kMapLeafOff);
}

TEST(MapTreeNodes, ANodeIsSelectedExactlyWhenALeafBelowItIsOn) {
    MapTree tree = initialMapTree();
    tree[30].state = kMapLeafOn;       // COM / Horzl / SumOfSqs
    tree[95].state = kMapLeafOn;       // AR model / Sigma
    tree[7].state = kMapNodeSelected;  // stale: no leaf below Vertl is on
    updateMapTreeNodes(tree);
    std::string expected = kInitialTreeText;
    expected[25] = expected[26] = expected[90] = '3';
    expected[30] = expected[95] = '1';
    EXPECT_EQ(mapTreeText(tree), expected);

    tree[30].state = kMapLeafOff;
    updateMapTreeNodes(tree);
    EXPECT_EQ(tree[25].state, kMapNodeClear);
    EXPECT_EQ(tree[26].state, kMapNodeClear);
    EXPECT_EQ(tree[90].state, kMapNodeSelected);
}

TEST(MapTreeNodes, CountingTakesOnlyLeavesThatAreOn) {
    MapTree tree = initialMapTree();
    for (int leaf : {2, 8, 63, 81}) tree[static_cast<size_t>(leaf)].state = kMapLeafOn;
    updateMapTreeNodes(tree);
    EXPECT_EQ(countSelectedMapLeaves(tree), 4);
}

// ---------------------------------------------------------------- 2D options

void expectDefaults(const AnalysisOptions& o) {
    for (int32_t v : {o.Do_co, o.Do_grad, o.Do_hist, o.Do_hidraw, o.Do_rl, o.Do_arm, o.Do_wavF1,
                      o.Do_wavF2, o.Do_vt1, o.Do_vt2, o.Do_vt3, o.Do_vt4, o.Do_vt5})
        EXPECT_EQ(v, 1);
    EXPECT_EQ(o.Do_normal, 0);
    EXPECT_EQ(o.Do_normap, 0);
    EXPECT_EQ(o.Do_wavMap, 0);
    EXPECT_EQ(o.Ng_vt, 6);
    EXPECT_EQ(o.Ng_rl, 6);
    EXPECT_EQ(o.Ng_gr, 4);
    EXPECT_EQ(o.Ng_wav, 8);
    EXPECT_EQ(o.Mask_x, 9);
    EXPECT_EQ(o.Mask_y, 9);
    EXPECT_EQ(o.Step_x, 1);
    EXPECT_EQ(o.Step_y, 1);
    EXPECT_EQ(mapTreeText(o.Maps_Tree), kInitialTreeText);
}

// Options with every field away from its default.
AnalysisOptions changedOptions() {
    AnalysisOptions o;
    o.Do_co = 0;
    o.Do_grad = 0;
    o.Do_hist = 0;
    o.Do_hidraw = 0;
    o.Do_rl = 0;
    o.Do_normal = 2;
    o.Do_normap = 1;
    o.Do_arm = 0;
    o.Do_wavF1 = 0;
    o.Do_wavF2 = 0;
    o.Do_wavMap = 1;
    o.Do_vt1 = 0;
    o.Do_vt3 = 0;
    o.Do_vt5 = 0;
    o.Ng_vt = 8;
    o.Ng_rl = 5;
    o.Ng_gr = 12;
    o.Ng_wav = 10;
    o.Mask_x = 17;
    o.Mask_y = 33;
    o.Step_x = 4;
    o.Step_y = 2;
    o.Maps_Tree[28].state = kMapLeafOn;
    o.Maps_Tree[84].state = kMapLeafOn;
    updateMapTreeNodes(o.Maps_Tree);
    return o;
}

class AnalysisOptionsRegistry : public ::testing::Test {
  protected:
    void SetUp() override { analysisSettings().reset(); }
    void TearDown() override { analysisSettings().reset(); }
    ScopedRegistryStore store;
};

TEST_F(AnalysisOptionsRegistry, TheProgramStartsWithTheDefaultsAndNoSaveFlag) {
    expectDefaults(analysisSettings().options);
    EXPECT_FALSE(analysisSettings().saveFlag);
    analysisSettings().options.Ng_vt = 4;
    analysisSettings().saveFlag = true;
    analysisSettings().reset();
    expectDefaults(analysisSettings().options);
    EXPECT_FALSE(analysisSettings().saveFlag);
}

TEST_F(AnalysisOptionsRegistry, AnEmptyStoreGivesTheDefaultsEvenOverOtherValues) {
    AnalysisOptions o = changedOptions();
    o.Maps_Tree = initialMapTree();
    LoadOptionsFromRegistry(o);
    expectDefaults(o);
}

TEST_F(AnalysisOptionsRegistry, AStringNgVtIsIgnoredAndOtherDwordsAreTaken) {
    {
        auto key = programKey();
        key.writeString("Ng_vt", "8");
        key.writeDword("Ng_rl", 5);
        key.writeDword("Do_co", 0);
        key.writeDword("Mask_y", 0xFFFFFFFDu);
    }
    LoadOptionsFromRegistry();
    const AnalysisOptions& o = analysisSettings().options;
    EXPECT_EQ(o.Ng_vt, 6);
    EXPECT_EQ(o.Ng_rl, 5);
    EXPECT_EQ(o.Do_co, 0);
    EXPECT_EQ(o.Mask_y, -3);
    EXPECT_EQ(o.Do_grad, 1);  // missing
}

TEST_F(AnalysisOptionsRegistry, MapsTreeIsMergedOnlyFromA96CharacterString) {
    {
        auto key = programKey();
        key.writeString("Maps_Tree", withChar(kInitialTreeText, 2, '1').substr(0, 95));
    }
    LoadOptionsFromRegistry();
    EXPECT_EQ(countSelectedMapLeaves(analysisSettings().options.Maps_Tree), 0);
    {
        auto key = programKey();  // cut to 97 characters on reading, so ignored too
        key.writeString("Maps_Tree", withChar(kInitialTreeText, 2, '1') + "0000");
    }
    LoadOptionsFromRegistry();
    EXPECT_EQ(countSelectedMapLeaves(analysisSettings().options.Maps_Tree), 0);
    {
        auto key = programKey();
        key.writeDword("Maps_Tree", 1);
    }
    LoadOptionsFromRegistry();
    EXPECT_EQ(mapTreeText(analysisSettings().options.Maps_Tree), kInitialTreeText);
    {
        auto key = programKey();
        key.writeString("Maps_Tree", withChar(withChar(kInitialTreeText, 2, '1'), 0, '3'));
    }
    LoadOptionsFromRegistry();
    EXPECT_EQ(analysisSettings().options.Maps_Tree[2].state, kMapLeafOn);
    EXPECT_EQ(analysisSettings().options.Maps_Tree[0].state, kMapNodeSelected);
}

TEST_F(AnalysisOptionsRegistry, NothingIsWrittenWhileTheSaveFlagIsClear) {
    analysisSettings().options = changedOptions();
    SaveOptionsToRegistry();
    EXPECT_FALSE(openProgramKey().isOpen());
}

TEST_F(AnalysisOptionsRegistry, WithTheSaveFlagEveryOptionIsWrittenWithItsType) {
    analysisSettings().options = changedOptions();
    analysisSettings().saveFlag = true;
    SaveOptionsToRegistry();
    auto key = openProgramKey();
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.readDword("Do_co"), 0u);
    EXPECT_EQ(key.readDword("Do_normal"), 2u);
    EXPECT_EQ(key.readDword("Do_vt2"), 1u);
    EXPECT_EQ(key.readDword("Ng_gr"), 12u);
    EXPECT_EQ(key.readDword("Mask_y"), 33u);
    EXPECT_EQ(key.readDword("Step_y"), 2u);
    EXPECT_EQ(key.readString("Maps_Tree"), mapTreeText(changedOptions().Maps_Tree));
    EXPECT_EQ(key.readString("Maps_Tree")->size(), 96u);
    EXPECT_EQ(key.readDword("Maps_Tree"), std::nullopt);
}

TEST_F(AnalysisOptionsRegistry, ValuesAreWrittenInTheirFixedOrder) {
    auto values = analysisOptionsRegistryValues(changedOptions());
    std::vector<std::string> names;
    for (const auto& [name, value] : values) names.push_back(name);
    EXPECT_EQ(names,
              (std::vector<std::string>{
                  "Do_co",  "Do_grad",  "Do_hist",  "Do_hidraw", "Do_rl",  "Do_normal", "Do_normap",
                  "Do_arm", "Do_wavF1", "Do_wavF2", "Do_wavMap", "Do_vt1", "Do_vt2",    "Do_vt3",
                  "Do_vt4", "Do_vt5",   "Ng_vt",    "Ng_rl",     "Ng_gr",  "Ng_wav",    "Mask_x",
                  "Mask_y", "Step_x",   "Step_y",   "Maps_Tree"}));
    for (size_t i = 0; i + 1 < values.size(); ++i)
        EXPECT_EQ(values[i].second.type(), platform::RegistryType::Dword) << values[i].first;
    EXPECT_EQ(values.back().second.type(), platform::RegistryType::String);
    EXPECT_EQ(std::get<uint32_t>(values[20].second.data), 17u);  // Mask_x
}

TEST_F(AnalysisOptionsRegistry, SavedOptionsLoadBackUnchangedEvenWhenNonsense) {
    AnalysisOptions saved = changedOptions();
    saved.Step_x = 0;
    saved.Mask_x = -4;
    saved.Ng_vt = 16;
    analysisSettings().options = saved;
    analysisSettings().saveFlag = true;
    SaveOptionsToRegistry();
    analysisSettings().reset();
    LoadOptionsFromRegistry();
    const AnalysisOptions& o = analysisSettings().options;
    EXPECT_EQ(o.Step_x, 0);
    EXPECT_EQ(o.Mask_x, -4);
    EXPECT_EQ(o.Ng_vt, 16);
    EXPECT_EQ(o.Do_wavMap, 1);
    EXPECT_EQ(mapTreeText(o.Maps_Tree), mapTreeText(saved.Maps_Tree));
}

TEST_F(AnalysisOptionsRegistry, LoadingRegistersTheFileTypesFirst) {
    LoadOptionsFromRegistry();
    auto key = RegistryKey::open(Hive::ClassesRoot, ".bmf");
    ASSERT_TRUE(key.isOpen());
    EXPECT_EQ(key.readString(""), "bmf.file");
}

TEST_F(AnalysisOptionsRegistry, AStoreThatCannotBeWrittenFailsSilently) {
    ::setenv("VANTU_REGISTRY_FILE", "/dev/null/registry.txt", 1);  // restored by `store`
    analysisSettings().options = changedOptions();
    analysisSettings().saveFlag = true;
    SaveOptionsToRegistry();
    LoadOptionsFromRegistry();
    AnalysisOptions o = analysisSettings().options;
    EXPECT_EQ(mapTreeText(o.Maps_Tree), mapTreeText(changedOptions().Maps_Tree));  // only merged
    o.Maps_Tree = initialMapTree();
    expectDefaults(o);
    EXPECT_FALSE(RegistryKey::open(Hive::ClassesRoot, ".ima").isOpen());
}

// ---------------------------------------------------------------- options file

const char* const kDefaultFileText =
    "[Vantu_DRIM]\r\nDo_co=1\r\nDo_grad=1\r\nDo_hist=1\r\nDo_hidraw=1\r\nDo_rl=1\r\n"
    "Do_normal=0\r\nDo_normap=0\r\nDo_arm=1\r\nDo_wavF1=1\r\nDo_wavF2=1\r\nDo_wavMap=0\r\n"
    "Do_vt1=1\r\nDo_vt2=1\r\nDo_vt3=1\r\nDo_vt4=1\r\nDo_vt5=1\r\nNg_vt=6\r\nNg_rl=6\r\n"
    "Ng_gr=4\r\nNg_wav=8\r\nMask_x=9\r\nMask_y=9\r\nStep_x=1\r\nStep_y=1\r\n";

TEST(AnalysisOptionsFile, TheGroupIsWrittenInOrderAsDecimalText) {
    IniFile file;
    SaveOptionsToFile(file, AnalysisOptions{});
    EXPECT_EQ(file.text(), kDefaultFileText + ("Maps_Tree=" + kInitialTreeText + "\r\n"));

    AnalysisOptions o;
    o.Mask_x = -12;
    o.Maps_Tree[2].state = kMapLeafOn;
    IniFile other;
    SaveOptionsToFile(other, o);
    EXPECT_EQ(other.getString("Vantu_DRIM", "Mask_x", ""), "-12");
    EXPECT_EQ(other.getString("Vantu_DRIM", "Maps_Tree", ""), withChar(kInitialTreeText, 2, '1'));
}

TEST(AnalysisOptionsFile, AMissingKeyKeepsTheCurrentValue) {
    AnalysisOptions o;
    o.Do_co = 0;
    o.Ng_vt = 5;
    LoadOptionsFromFile(IniFile::parse("[Vantu_DRIM]\r\nNg_vt=7\r\nDo_grad=0\r\n"), o);
    EXPECT_EQ(o.Do_co, 0);
    EXPECT_EQ(o.Ng_vt, 7);
    EXPECT_EQ(o.Do_grad, 0);
    EXPECT_EQ(o.Mask_x, 9);
    LoadOptionsFromFile(IniFile::parse("[Other]\r\nDo_co=1\r\n"), o);
    EXPECT_EQ(o.Do_co, 0);
}

TEST(AnalysisOptionsFile, MapsTreeFollowsTheSameReadingRule) {
    AnalysisOptions o;
    o.Maps_Tree[40].state = kMapLeafOn;
    const std::string on3 = withChar(kInitialTreeText, 3, '1');
    LoadOptionsFromFile(IniFile::parse("[Vantu_DRIM]\nMaps_Tree=" + on3.substr(0, 95) + "\n"), o);
    EXPECT_EQ(o.Maps_Tree[3].state, kMapLeafOff);
    LoadOptionsFromFile(IniFile::parse("[Vantu_DRIM]\nMaps_Tree=" + on3 + "11\n"), o);
    EXPECT_EQ(o.Maps_Tree[3].state, kMapLeafOff);
    LoadOptionsFromFile(IniFile::parse("[Vantu_DRIM]\nMaps_Tree=" + std::string(96, '0') + "\n"),
                        o);
    EXPECT_EQ(o.Maps_Tree[40].state, kMapLeafOn);
    LoadOptionsFromFile(IniFile::parse("[Vantu_DRIM]\nMaps_Tree=" + on3 + "\n"), o);
    EXPECT_EQ(o.Maps_Tree[3].state, kMapLeafOn);
    EXPECT_EQ(o.Maps_Tree[40].state, kMapLeafOn);
}

TEST(AnalysisOptionsFile, SavedOptionsLoadBackUnchanged) {
    IniFile file = IniFile::parse("; study\r\n[Vantu_DRIM]\r\nVoxelXSize=0.50\r\n");
    SaveOptionsToFile(file, changedOptions());
    AnalysisOptions back;
    LoadOptionsFromFile(IniFile::parse(file.text()), back);
    IniFile a, b;
    SaveOptionsToFile(a, back);
    SaveOptionsToFile(b, changedOptions());
    EXPECT_EQ(a.text(), b.text());
    EXPECT_EQ(file.getString("Vantu_DRIM", "VoxelXSize", ""), "0.50");
}

TEST(AnalysisOptionsFile, TheGlobalOptionsAreTheDefaultTarget) {
    analysisSettings().reset();
    LoadOptionsFromFile(IniFile::parse("[Vantu_DRIM]\nStep_y=3\n"));
    EXPECT_EQ(analysisSettings().options.Step_y, 3);
    IniFile file;
    SaveOptionsToFile(file);
    EXPECT_EQ(file.getInt("Vantu_DRIM", "Step_y", 0), 3);
    analysisSettings().reset();
}

// ---------------------------------------------------------------- sanitising

TEST(AnalysisOptionsSanitized, InRangeValuesPassUnchanged) {
    AnalysisOptions o = changedOptions();
    o.Do_normal = 3;  // reachable only through stored options, but valid
    o.Ng_vt = 4;      // the edges of every range
    o.Ng_rl = 8;
    o.Ng_wav = 4;
    o.Mask_x = 64;
    o.Mask_y = 5;
    o.Step_x = 64;
    AnalysisOptions s = o.sanitized();
    IniFile a, b;
    SaveOptionsToFile(a, o);
    SaveOptionsToFile(b, s);
    EXPECT_EQ(a.text(), b.text());
}

TEST(AnalysisOptionsSanitized, NonsenseBecomesSafeWhileTheStoredValuesStay) {
    AnalysisOptions o;
    o.Do_co = 7;
    o.Do_normap = -1;
    o.Do_vt3 = 2;
    o.Do_normal = 9;
    o.Ng_vt = 16;
    o.Ng_rl = 3;
    o.Ng_gr = 13;
    o.Ng_wav = 0;
    o.Mask_x = -5;
    o.Mask_y = 1000;
    o.Step_x = 0;
    o.Step_y = 65;
    AnalysisOptions s = o.sanitized();
    EXPECT_EQ(s.Do_co, 1);
    EXPECT_EQ(s.Do_normap, 1);
    EXPECT_EQ(s.Do_vt3, 1);
    EXPECT_EQ(s.Do_normal, 0);
    EXPECT_EQ(s.Ng_vt, 8);
    EXPECT_EQ(s.Ng_rl, 8);
    EXPECT_EQ(s.Ng_gr, 4);
    EXPECT_EQ(s.Ng_wav, 8);
    EXPECT_EQ(s.Mask_x, 5);
    EXPECT_EQ(s.Mask_y, 64);
    EXPECT_EQ(s.Step_x, 1);
    EXPECT_EQ(s.Step_y, 64);
    EXPECT_EQ(o.Step_x, 0);
    EXPECT_EQ(o.Ng_vt, 16);
    EXPECT_EQ(o.Mask_x, -5);
}

// ---------------------------------------------------------------- file types

TEST(FileTypeRegistration, EveryExtensionGetsItsClassIconAndOpenCommand) {
    ScopedRegistryStore store;
    RegisterFileTypes();
    const std::string program = platform::programPath();
    ASSERT_FALSE(program.empty());
    for (const char* ext : {"ima", "img", "xim", "raw", "dicom", "roi", "dcm", "bmf"}) {
        SCOPED_TRACE(ext);
        const std::string fileClass = std::string(ext) + ".file";
        auto dot = RegistryKey::open(Hive::ClassesRoot, std::string(".") + ext);
        ASSERT_TRUE(dot.isOpen());
        EXPECT_EQ(dot.readString(""), fileClass);
        auto cls = RegistryKey::open(Hive::ClassesRoot, fileClass);
        ASSERT_TRUE(cls.isOpen());
        EXPECT_EQ(cls.readString(""), "Vantu image file " + std::string(ext));
        auto icon = RegistryKey::open(Hive::ClassesRoot, fileClass + "\\DefaultIcon");
        EXPECT_EQ(icon.readString(""), program + ",1");
        auto command = RegistryKey::open(Hive::ClassesRoot, fileClass + "\\shell\\open\\command");
        EXPECT_EQ(command.readString(""), program + " %1");
    }
    EXPECT_FALSE(RegistryKey::open(Hive::ClassesRoot, ".bmp").isOpen());
    EXPECT_FALSE(RegistryKey::open(Hive::LocalMachine, ".ima").isOpen());
}

TEST(FileTypeRegistration, AStoreThatCannotBeWrittenIsSkippedSilently) {
    ScopedRegistryStore store;
    ::setenv("VANTU_REGISTRY_FILE", "/dev/null/registry.txt", 1);  // restored by `store`
    RegisterFileTypes();
    EXPECT_FALSE(RegistryKey::open(Hive::ClassesRoot, ".ima").isOpen());
}

}  // namespace
