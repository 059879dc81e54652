#include "panels/panels.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/pointer.h"
#include "code/coordinate_code.h"
#include "recording_canvas.h"
#include "window_fixture.h"

namespace dz::testing {
namespace {

class PanelsTest : public WindowTest {
 protected:
  // A click on the piece's centre (a character on a cell stays where it is).
  void SelectCharacterByPress(const Character& c) {
    const Point p = c.GetCenter();
    OnLeftButtonDown(At(p.x, p.y));
    OnLeftButtonUp(At(p.x, p.y));
  }
  void SelectAreaByPress(const Area& a) {
    const Point p = a.GetCenter();
    OnLeftButtonDown(At(p.x, p.y));
    OnLeftButtonUp(At(p.x, p.y));
  }
  void Load(const std::string& code) {
    fake.panels.UserTypes(Panel::Board, IDC_BOARD_INPUT, code);
    fake.panels.UserClicks(Panel::Board, IDC_BOARD_LOAD);
  }
};

TEST_F(PanelsTest, InitialisationFillsTheThreeBoxes) {
  EXPECT_EQ(
      Control(Panel::Board, IDC_BOARD_GRID).entries,
      (std::vector<std::string>{"20×20(30×30)", "25×25(24×24)", "30×30(20×20)", "40×40(15×15)"}));
  EXPECT_EQ(Control(Panel::Board, IDC_BOARD_GRID).selection, 2);
  EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_COLOR).entries,
            (std::vector<std::string>{"赤", "緑", "青", "黄", "水色", "紫"}));
  EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_COLOR).selection, -1);
  EXPECT_FALSE(Control(Panel::Marker, IDC_MARKER_MELEE).visible);
  EXPECT_EQ(Control(Panel::Area, IDC_AREA_RADIUS).entries,
            (std::vector<std::string>{"2m", "3m", "4m", "5m", "6m"}));
  EXPECT_EQ(Control(Panel::Area, IDC_AREA_RADIUS).selection, 0);
  EXPECT_EQ(Repaints(), 0);
}

TEST_F(PanelsTest, AddingMarkersFillsTheLowestFreeSlotWithItsOwnName) {
  for (int i = 0; i < 3; ++i) fake.panels.UserClicks(Panel::Board, IDC_BOARD_ADD_MARKER);
  characters[1].Clear();
  ClearRecords();
  fake.panels.UserClicks(Panel::Board, IDC_BOARD_ADD_MARKER);
  const Character& b = characters[1];
  EXPECT_STREQ(b.GetName(), "B");
  EXPECT_EQ(b.GetColor(), 66047u);
  EXPECT_EQ(b.GetPosition(), (Point{1, 1}));
  EXPECT_EQ(b.GetWidth(), 30);
  EXPECT_EQ(b.GetHeight(), 30);
  EXPECT_EQ(b.IsMelee(), 0);
  EXPECT_EQ(CodeField(), "A:1,1:r B:1,1:r C:1,1:r");
  EXPECT_EQ(Repaints(), 1);
  EXPECT_EQ(selectedCharacter, -1);
  EXPECT_FALSE(Visible(Panel::Marker));
}

TEST_F(PanelsTest, AnAddedAreaHasRadiusTwoAndItsCornerHalfACellOffTheBoard) {
  struct Case {
    std::int32_t grid, corner, box;
  };
  for (const Case& c :
       {Case{30, -14, 120}, Case{25, -11, 100}, Case{20, -9, 80}, Case{40, -19, 160}}) {
    SCOPED_TRACE(c.grid);
    ResetBoardState();
    gridSize = c.grid;
    fake.panels.UserClicks(Panel::Board, IDC_BOARD_ADD_AREA);
    EXPECT_EQ(areas[0].GetPosition(), (Point{c.corner, c.corner}));
    EXPECT_EQ(areas[0].GetRadius(), 2);
    EXPECT_EQ(areas[0].GetWidth(), c.box);
    EXPECT_TRUE(areas[0].IsActive());
    EXPECT_EQ(CodeField(),
              "rb:" + std::to_string(c.corner) + "," + std::to_string(c.corner) + ":2");
  }
  EXPECT_EQ(fake.pictures.loads.back(), "area.bmp");
}

TEST_F(PanelsTest, AddingToAFullPoolChangesNothing) {
  for (int i = 0; i < kCharacterCount; ++i) BoardPanelCommand(IDC_BOARD_ADD_MARKER);
  for (int i = 0; i < kAreaCount; ++i) BoardPanelCommand(IDC_BOARD_ADD_AREA);
  const std::string code = CodeField();
  ClearRecords();
  BoardPanelCommand(IDC_BOARD_ADD_MARKER);
  BoardPanelCommand(IDC_BOARD_ADD_AREA);
  EXPECT_EQ(CodeField(), code);
  EXPECT_EQ(Repaints(), 0);
  EXPECT_TRUE(fake.panels.notifications.empty());
  EXPECT_TRUE(fake.messages.errors.empty());
  EXPECT_STREQ(characters[25].GetName(), "Z");
}

TEST_F(PanelsTest, ChangingTheRadiusKeepsTheCentre) {
  fake.panels.UserClicks(Panel::Board, IDC_BOARD_ADD_AREA);  // (-14, -14), radius 2
  SelectAreaByPress(areas[0]);
  ClearRecords();
  fake.panels.UserSelects(Panel::Area, IDC_AREA_RADIUS, 1);  // "3m"
  EXPECT_EQ(areas[0].GetRadius(), 3);
  EXPECT_EQ(areas[0].GetPosition(), (Point{-44, -44}));
  EXPECT_EQ(areas[0].GetWidth(), 180);
  EXPECT_EQ(areas[0].GetHeight(), 180);
  EXPECT_EQ(areas[0].GetCenter(), (Point{46, 46}));
  EXPECT_EQ(CodeField(), "rb:-44,-44:3");
  EXPECT_EQ(Repaints(), 1);
}

// Selecting an area shows its radius in the radius box (without a notification), so a
// mere focus change of the box keeps the radius the area has.
TEST_F(PanelsTest, FocusingTheRadiusBoxKeepsTheSelectedAreasRadius) {
  struct Case {
    std::int32_t radius;
    int entry;
  };
  for (const Case& c : {Case{4, 2}, Case{2, 0}, Case{6, 4}, Case{9, -1}, Case{1, -1}}) {
    SCOPED_TRACE(c.radius);
    ResetBoardState();
    Control(Panel::Area, IDC_AREA_RADIUS).selection = 0;  // the box still shows "2m"
    Area& area = AddAreaAt(200, 200, c.radius);
    SelectAreaByPress(area);
    EXPECT_EQ(Control(Panel::Area, IDC_AREA_RADIUS).selection, c.entry);
    ClearRecords();
    fake.panels.UserFocuses(Panel::Area, IDC_AREA_RADIUS);
    EXPECT_EQ(area.GetRadius(), c.radius);
    EXPECT_EQ(area.GetPosition(), (Point{200, 200}));
  }
}

TEST_F(PanelsTest, AComboIndexOutsideItsTableTakesNoValue) {
  Character& a = AddMarkerAt(1, 1);
  Area& area = AddAreaAt(200, 200, 4);
  SelectCharacterByPress(a);
  for (int bad : {-1, 6, 1000}) fake.panels.UserSelects(Panel::Marker, IDC_MARKER_COLOR, bad);
  EXPECT_EQ(a.GetColor(), MarkerColor(0));
  for (int bad : {-1, 4, 1000}) fake.panels.UserSelects(Panel::Board, IDC_BOARD_GRID, bad);
  EXPECT_EQ(gridSize, 30);
  SelectAreaByPress(area);
  ClearRecords();
  for (int bad : {-1, 5, 1000}) fake.panels.UserSelects(Panel::Area, IDC_AREA_RADIUS, bad);
  EXPECT_EQ(area.GetRadius(), 4);
  EXPECT_EQ(area.GetPosition(), (Point{200, 200}));
  EXPECT_EQ(Repaints(), 0);
}

TEST_F(PanelsTest, ChoosingLightBlueGivesItsColourAndLetter) {
  Character& a = AddMarkerAt(1, 1);
  SelectCharacterByPress(a);
  ClearRecords();
  fake.panels.UserSelects(Panel::Marker, IDC_MARKER_COLOR, 4);  // "水色"
  EXPECT_EQ(a.GetColor(), MakeColor(1, 255, 255));
  EXPECT_EQ(CodeField(), "A:1,1:w");
  EXPECT_EQ(Repaints(), 1);
}

TEST_F(PanelsTest, TheMeleeCheckBoxAddsAndRemovesTheMark) {
  Character& a = AddMarkerAt(1, 1);
  SelectCharacterByPress(a);
  fake.panels.UserToggles(Panel::Marker, IDC_MARKER_MELEE);
  EXPECT_EQ(a.IsMelee(), 1);
  EXPECT_EQ(CodeField(), "A:1,1:r;");
  fake.panels.UserToggles(Panel::Marker, IDC_MARKER_MELEE);
  EXPECT_EQ(a.IsMelee(), 0);
  EXPECT_EQ(CodeField(), "A:1,1:r");
}

TEST_F(PanelsTest, TypedNamesAreStoredAtEveryKeystrokeAndCutToThreeBytes) {
  Character& a = AddMarkerAt(1, 1);
  SelectCharacterByPress(a);
  struct Case {
    const char* typed;
    const char* stored;
  };
  for (const Case& c : {Case{"G", "G"}, Case{"Go", "Go"}, Case{"Gob", "Gob"}, Case{"Gobl", "Gob"},
                        Case{"あい", "あ"}, Case{"Aあ", "Aあ"}, Case{"AAあ", "AA"}, Case{"", ""}}) {
    SCOPED_TRACE(c.typed);
    ClearRecords();
    fake.panels.UserTypes(Panel::Marker, IDC_MARKER_NAME, c.typed);
    EXPECT_STREQ(a.GetName(), c.stored);
    EXPECT_EQ(CodeField(), std::string(c.stored) + ":1,1:r");
    EXPECT_EQ(Repaints(), 1);
  }
  std::string longName(99, 'x');
  fake.panels.UserTypes(Panel::Marker, IDC_MARKER_NAME, longName + "yyyy");
  EXPECT_STREQ(a.GetName(), "xxx");
}

TEST_F(PanelsTest, DeletingACharacterParksTheShadowDeletingAnAreaDoesNot) {
  Character& a = AddMarkerAt(1, 1);
  Area& area = AddAreaAt(200, 200, 2);
  SelectCharacterByPress(a);
  ASSERT_EQ(shadow.GetPosition(), (Point{1, 1}));
  fake.panels.UserClicks(Panel::Marker, IDC_MARKER_DELETE);
  EXPECT_FALSE(a.IsActive());
  EXPECT_EQ(selectedCharacter, -1);
  EXPECT_EQ(shadow.GetPosition(), (Point{-100, -100}));
  EXPECT_FALSE(Visible(Panel::Marker));
  EXPECT_EQ(CodeField(), "rb:200,200:2");

  shadow.SetPosition(31, 31);
  SelectAreaByPress(area);
  ClearRecords();
  fake.panels.UserClicks(Panel::Area, IDC_AREA_DELETE);
  EXPECT_FALSE(area.IsActive());
  EXPECT_EQ(selectedArea, -1);
  EXPECT_EQ(shadow.GetPosition(), (Point{31, 31}));
  EXPECT_FALSE(Visible(Panel::Area));
  EXPECT_EQ(CodeField(), "");
  EXPECT_EQ(Repaints(), 1);
}

TEST_F(PanelsTest, MarkerAndAreaCommandsDoNothingWhileNothingIsSelected) {
  Character& a = AddMarkerAt(1, 1);
  Area& area = AddAreaAt(200, 200, 4);
  SelectCharacterByPress(a);
  SelectAreaByPress(area);
  OnLeftButtonDown(At(500, 500));  // empty board: both panels may still be shown
  ASSERT_EQ(selectedCharacter, -1);
  ASSERT_EQ(selectedArea, -1);
  fake.panels.UserTypes(Panel::Board, IDC_BOARD_CODE, "kept");
  ClearRecords();

  fake.panels.UserTypes(Panel::Marker, IDC_MARKER_NAME, "Z");
  fake.panels.UserSelects(Panel::Marker, IDC_MARKER_COLOR, 2);
  fake.panels.UserToggles(Panel::Marker, IDC_MARKER_MELEE);
  fake.panels.UserSelects(Panel::Area, IDC_AREA_RADIUS, 0);
  fake.panels.UserClicks(Panel::Marker, IDC_MARKER_DELETE);
  fake.panels.UserClicks(Panel::Area, IDC_AREA_DELETE);

  EXPECT_STREQ(a.GetName(), "A");
  EXPECT_EQ(a.GetColor(), MarkerColor(0));
  EXPECT_EQ(a.IsMelee(), 0);
  EXPECT_TRUE(a.IsActive());
  EXPECT_EQ(area.GetRadius(), 4);
  EXPECT_TRUE(area.IsActive());
  EXPECT_EQ(CodeField(), "kept");
  EXPECT_EQ(Repaints(), 0);
  EXPECT_TRUE(Visible(Panel::Area));
}

TEST_F(PanelsTest, ClearAndLoadRepaintButLeaveTheCodeFieldAsItWas) {
  Character& a = AddMarkerAt(1, 1);
  WriteCoordinateCode();
  SelectCharacterByPress(a);
  ASSERT_EQ(CodeField(), "A:1,1:r");
  ClearRecords();

  fake.panels.UserClicks(Panel::Board, IDC_BOARD_CLEAR);
  EXPECT_FALSE(a.IsActive());
  EXPECT_EQ(shadow.GetPosition(), (Point{-100, -100}));
  EXPECT_EQ(selectedCharacter, 0);
  EXPECT_TRUE(Visible(Panel::Marker));
  EXPECT_EQ(CodeField(), "A:1,1:r");
  EXPECT_EQ(Repaints(), 1);

  // Choosing a colour now brings the cleared slot back at the corner.
  fake.panels.UserSelects(Panel::Marker, IDC_MARKER_COLOR, 1);
  EXPECT_TRUE(a.IsActive());
  EXPECT_EQ(CodeField(), "A:0,0:g");

  ClearRecords();
  Load("B:91,61:b; rb:-14,-14:2");
  EXPECT_STREQ(characters[0].GetName(), "B");
  EXPECT_EQ(characters[0].GetPosition(), (Point{91, 61}));
  EXPECT_TRUE(areas[0].IsActive());
  EXPECT_EQ(fake.panels.Text(Panel::Board, IDC_BOARD_INPUT), "");
  EXPECT_EQ(CodeField(), "A:0,0:g");
  EXPECT_EQ(Repaints(), 1);
  // Copying now copies the code that the field still shows.
  EXPECT_EQ(BoardPanelCommand(IDC_BOARD_COPY), ClipboardResult::Ok);
  EXPECT_EQ(fake.clipboard.text, "A:0,0:g");
}

TEST_F(PanelsTest, LoadingAnEmptyInputChangesNothingButRepaints) {
  Character& a = AddMarkerAt(31, 31);
  SelectCharacterByPress(a);
  fake.panels.At(Panel::Marker, IDC_MARKER_NAME).text = "Abcd";  // as the user left it
  ClearRecords();
  Load("");
  EXPECT_TRUE(a.IsActive());
  EXPECT_EQ(a.GetPosition(), (Point{31, 31}));
  EXPECT_EQ(shadow.GetPosition(), (Point{31, 31}));
  EXPECT_EQ(fake.panels.Text(Panel::Marker, IDC_MARKER_NAME), "Abcd");
  EXPECT_EQ(Repaints(), 1);
}

// After a load the selection may point at a slot holding another piece; its panel shows
// that piece, so a focus change in a box does not carry the former piece's values over.
TEST_F(PanelsTest, AfterALoadThePanelsShowTheNowSelectedPieces) {
  Character& a = AddMarkerAt(1, 1);
  SelectCharacterByPress(a);
  WriteCoordinateCode();
  const std::string code = CodeField();
  Load("X:31,31:g; rb:0,0:5");
  EXPECT_EQ(fake.panels.Text(Panel::Marker, IDC_MARKER_NAME), "X");
  EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_COLOR).selection, 1);
  EXPECT_TRUE(Control(Panel::Marker, IDC_MARKER_MELEE).checked);
  EXPECT_EQ(CodeField(), code);
  fake.panels.UserFocuses(Panel::Marker, IDC_MARKER_NAME);
  fake.panels.UserFocuses(Panel::Marker, IDC_MARKER_COLOR);
  EXPECT_STREQ(characters[0].GetName(), "X");
  EXPECT_EQ(characters[0].GetColor(), MarkerColor(1));
  EXPECT_EQ(characters[0].IsMelee(), 1);

  SelectAreaByPress(areas[0]);
  Load("rb:0,0:3");
  EXPECT_EQ(Control(Panel::Area, IDC_AREA_RADIUS).selection, 1);
  fake.panels.UserFocuses(Panel::Area, IDC_AREA_RADIUS);
  EXPECT_EQ(areas[0].GetRadius(), 3);
  EXPECT_EQ(areas[0].GetPosition(), (Point{0, 0}));
}

// After a clear the selection stays; an add that fills the selected slot shows the new
// piece in its panel, so a mere focus change keeps the new piece's own name and colour.
TEST_F(PanelsTest, AnAddIntoTheStillSelectedSlotShowsTheNewPiece) {
  Character& a = AddMarkerAt(61, 61);
  SelectCharacterByPress(a);
  fake.panels.UserTypes(Panel::Marker, IDC_MARKER_NAME, "Q");
  fake.panels.UserSelects(Panel::Marker, IDC_MARKER_COLOR, 2);
  fake.panels.UserToggles(Panel::Marker, IDC_MARKER_MELEE);
  BoardPanelCommand(IDC_BOARD_CLEAR);
  ASSERT_EQ(selectedCharacter, 0);

  BoardPanelCommand(IDC_BOARD_ADD_MARKER);
  EXPECT_EQ(fake.panels.Text(Panel::Marker, IDC_MARKER_NAME), "A");
  EXPECT_EQ(Control(Panel::Marker, IDC_MARKER_COLOR).selection, 0);
  EXPECT_FALSE(Control(Panel::Marker, IDC_MARKER_MELEE).checked);
  fake.panels.UserFocuses(Panel::Marker, IDC_MARKER_NAME);
  fake.panels.UserFocuses(Panel::Marker, IDC_MARKER_COLOR);
  fake.panels.UserFocuses(Panel::Marker, IDC_MARKER_MELEE);
  EXPECT_STREQ(characters[0].GetName(), "A");
  EXPECT_EQ(characters[0].GetColor(), MarkerColor(0));
  EXPECT_EQ(characters[0].IsMelee(), 0);
  EXPECT_EQ(CodeField(), "A:1,1:r");

  // The same for an area: its radius box shows the new area's radius of 2.
  Area& area = AddAreaAt(0, 0, 5);
  SelectAreaByPress(area);
  BoardPanelCommand(IDC_BOARD_CLEAR);
  BoardPanelCommand(IDC_BOARD_ADD_AREA);
  EXPECT_EQ(Control(Panel::Area, IDC_AREA_RADIUS).selection, 0);
  fake.panels.UserFocuses(Panel::Area, IDC_AREA_RADIUS);
  EXPECT_EQ(areas[0].GetRadius(), 2);
}

TEST_F(PanelsTest, CopyPutsTheCodeFieldOnTheClipboardAndReportsFailures) {
  EXPECT_EQ(BoardPanelCommand(IDC_BOARD_COPY), ClipboardResult::Ok);
  EXPECT_TRUE(fake.clipboard.hasText);
  EXPECT_EQ(fake.clipboard.text, "");  // one terminating byte

  fake.panels.UserTypes(Panel::Board, IDC_BOARD_CODE, "A:1,1:r edited");
  EXPECT_EQ(BoardPanelCommand(IDC_BOARD_COPY), ClipboardResult::Ok);
  EXPECT_EQ(fake.clipboard.text, "A:1,1:r edited");

  for (ClipboardResult failure : {ClipboardResult::NoMemory, ClipboardResult::CannotOpen}) {
    fake.clipboard.result = failure;
    fake.panels.UserTypes(Panel::Board, IDC_BOARD_CODE, "other");
    EXPECT_EQ(BoardPanelCommand(IDC_BOARD_COPY), failure);
    EXPECT_EQ(fake.clipboard.text, "A:1,1:r edited");
  }
  // The longest code field fits the buffer whole.
  fake.clipboard.result = ClipboardResult::Ok;
  fake.panels.UserTypes(Panel::Board, IDC_BOARD_CODE, std::string(1100, 'c'));
  EXPECT_EQ(BoardPanelCommand(IDC_BOARD_COPY), ClipboardResult::Ok);
  EXPECT_EQ(fake.clipboard.text, std::string(1023, 'c'));
}

TEST_F(PanelsTest, TheGridSizeChangesNoPositionAndRedrawsTheLayer) {
  auto layer = std::make_unique<RecordingCanvas>("layer");
  RecordingCanvas* rec = layer.get();
  backgroundLayer = std::move(layer);
  Character& a = AddMarkerAt(31, 31);
  Area& area = AddAreaAt(-14, -14, 2);
  WriteCoordinateCode();
  const std::string code = CodeField();
  ClearRecords();

  fake.panels.UserSelects(Panel::Board, IDC_BOARD_GRID, 0);
  EXPECT_EQ(gridSize, 20);
  EXPECT_EQ(a.GetPosition(), (Point{31, 31}));
  EXPECT_EQ(area.GetPosition(), (Point{-14, -14}));
  EXPECT_EQ(CodeField(), code);
  EXPECT_EQ(Repaints(), 1);
  EXPECT_FALSE(rec->ops.empty());
  EXPECT_EQ(rec->Lines().size(), 62u);  // 31 lines each way at 20 pixels

  // A focus change redraws with the size unchanged.
  rec->ClearOps();
  fake.panels.UserFocuses(Panel::Board, IDC_BOARD_GRID);
  EXPECT_EQ(gridSize, 20);
  EXPECT_EQ(rec->Lines().size(), 62u);
  EXPECT_EQ(Repaints(), 2);
}

class PicturePanelTest : public PanelsTest {
 protected:
  void SetUp() override {
    PanelsTest::SetUp();
    std::strcpy(workDir, "C:\\dozero");
    fake.files.currentDir = "C:\\dozero";
    backgroundLayer = std::make_unique<RecordingCanvas>("layer");
    fake.files.choose = true;
    fake.files.choicePath = "D:\\maps\\cave.bmp";
    fake.files.choiceName = "cave.bmp";
  }
  RecordingCanvas& Layer() { return static_cast<RecordingCanvas&>(*backgroundLayer); }
};

TEST_F(PicturePanelTest, ThePictureIsReadFromTheChosenPath) {
  fake.pictures.available["D:\\maps\\cave.bmp"] = {800, 620};
  fake.files.currentDir = "D:\\maps";  // where the dialog left it
  fake.panels.UserClicks(Panel::Board, IDC_BOARD_PICTURE);
  EXPECT_EQ(fake.files.dialogStartDirs, (std::vector<std::string>{"C:\\dozero"}));
  EXPECT_EQ(fake.files.currentDir, "C:\\dozero");
  EXPECT_EQ(fake.pictures.loads, (std::vector<std::string>{"D:\\maps\\cave.bmp"}));
  ASSERT_NE(backgroundImage, nullptr);
  EXPECT_EQ(static_cast<FakePicture&>(*backgroundImage).name, "D:\\maps\\cave.bmp");
  EXPECT_TRUE(fake.messages.errors.empty());
  // The layer was redrawn with the picture, and the whole window repainted.
  bool copied = false;
  for (const RecordingCanvas::Op& op : Layer().Of(OpKind::CopyFrom)) {
    copied = copied || op.source == backgroundImage.get();
  }
  EXPECT_TRUE(copied);
  ASSERT_EQ(fake.repaint.requests.size(), 1u);
  EXPECT_TRUE(fake.repaint.requests[0].wholeWindow);
  EXPECT_FALSE(fake.repaint.requests[0].erase);
}

TEST_F(PicturePanelTest, AFailedLoadTellsTheUserAndLeavesAWhiteBoard) {
  fake.pictures.available["D:\\maps\\cave.bmp"] = {800, 620};
  fake.panels.UserClicks(Panel::Board, IDC_BOARD_PICTURE);
  ASSERT_NE(backgroundImage, nullptr);

  fake.files.choicePath = "D:\\maps\\notes.txt";
  fake.files.choiceName = "notes.txt";
  Layer().ClearOps();
  fake.repaint.requests.clear();
  fake.panels.UserClicks(Panel::Board, IDC_BOARD_PICTURE);
  EXPECT_EQ(fake.messages.errors, (std::vector<std::string>{"notes.txtの読み込みに失敗しました"}));
  EXPECT_EQ(backgroundImage, nullptr);
  EXPECT_FALSE(Layer().Of(OpKind::Rectangle).empty());
  EXPECT_EQ(fake.repaint.requests.size(), 1u);
  EXPECT_EQ(fake.files.currentDir, "C:\\dozero");
}

TEST_F(PicturePanelTest, CancellingTheDialogChangesNothing) {
  fake.pictures.available["D:\\maps\\cave.bmp"] = {800, 620};
  fake.panels.UserClicks(Panel::Board, IDC_BOARD_PICTURE);
  const Canvas* before = backgroundImage.get();
  fake.files.choose = false;
  fake.files.currentDir = "D:\\elsewhere";
  Layer().ClearOps();
  fake.repaint.requests.clear();
  EXPECT_EQ(BoardPanelCommand(IDC_BOARD_PICTURE), ClipboardResult::Ok);
  EXPECT_EQ(backgroundImage.get(), before);
  EXPECT_TRUE(Layer().ops.empty());
  EXPECT_TRUE(fake.repaint.requests.empty());
  EXPECT_EQ(fake.files.currentDir, "C:\\dozero");  // back in the working directory anyway
  EXPECT_EQ(ChooseBitmapFile(), nullptr);
}

TEST_F(PicturePanelTest, ALongNameIsCutInTheMessageAfterAWholeCharacter) {
  // 98 bytes of ASCII, then a double-byte character that would straddle the end.
  fake.files.choiceName = std::string(98, 'n') + "図.bmp";
  fake.files.choicePath = "D:\\" + fake.files.choiceName;
  fake.panels.UserClicks(Panel::Board, IDC_BOARD_PICTURE);
  ASSERT_EQ(fake.messages.errors.size(), 1u);
  const std::string& m = fake.messages.errors[0];
  EXPECT_EQ(m, std::string(98, 'n'));
}

}  // namespace
}  // namespace dz::testing
