// The browser edition's C++ side against a page without a browser: the canvas keeps GDI's
// state and clips as the Windows surface does, and the ports keep the core's contracts.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "app/pointer.h"
#include "board/board.h"
#include "board/ports.h"
#include "code/coordinate_code.h"
#include "fake_page.h"
#include "panels/ids.h"
#include "panels/panels.h"
#include "render/surfaces.h"
#include "web/web_canvas.h"
#include "web/web_ports.h"

namespace dz::web {
namespace {

using testing::fakePage;

class WebTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakePage = testing::FakePage{};
    ResetBoardState();
    InstallPorts();
  }
  void TearDown() override {
    backBuffer.reset();
    backgroundLayer.reset();
    backgroundImage.reset();
    ResetBoardState();
    ResetPorts();
    ResetUiPorts();
  }
  // The start-up of the page: board, panels, settings, the shadow.
  void StartPage() {
    fakePage.ownPictures = {{"shadow.bmp", {30, 30}}, {"area.bmp", {200, 200}}};
    for (int id : {IDM_SNAP, IDM_MARKER_DISTANCES, IDM_LINE_DISTANCES, IDM_ROUND_HALF_UP,
                   IDM_ROUND_DOWN, IDM_ROUND_UP}) {
      fakePage.menu[id] = true;
    }
    StartUp();
  }
  std::vector<std::string> CallsSince(std::size_t n) const {
    return std::vector<std::string>(fakePage.calls.begin() + static_cast<long>(n),
                                    fakePage.calls.end());
  }
};

using WebCanvasTest = WebTest;

// A block copy is cut to the source's extent; the destination keeps what lies beyond.
TEST_F(WebCanvasTest, CopyIsCutToTheSource) {
  struct Case {
    std::int32_t w, h, sx, sy;
    const char* expected;  // null: nothing is copied
  };
  const Case kCases[] = {
      {800, 620, 0, 0, "copy 2 0,0,601,600 from 1 0,0"},  // the frame's copy to the window
      {600, 600, 0, 0, "copy 2 0,0,600,600 from 1 0,0"},
      {100, 100, 550, 580, "copy 2 0,0,51,20 from 1 550,580"},
      {10, 10, 601, 0, nullptr},
      {10, 10, -1, 0, nullptr},
      {10, 10, 0, 600, nullptr},
      {0, 10, 0, 0, nullptr},
  };
  auto src = CreateWebSurface(601, 600);
  auto dst = CreateWebSurface(601, 600);
  for (const Case& c : kCases) {
    const std::size_t before = fakePage.calls.size();
    dst->CopyFrom(0, 0, c.w, c.h, src.get(), c.sx, c.sy);
    const auto calls = CallsSince(before);
    if (c.expected == nullptr) {
      EXPECT_TRUE(calls.empty()) << c.w << "x" << c.h << " from " << c.sx << "," << c.sy;
    } else {
      EXPECT_EQ(calls, std::vector<std::string>{c.expected});
    }
  }
  const std::size_t before = fakePage.calls.size();
  WebCanvas empty(0, 0, 0);
  NullCanvas other;
  dst->CopyFrom(0, 0, 10, 10, nullptr, 0, 0);
  dst->CopyFrom(0, 0, 10, 10, &empty, 0, 0);
  dst->CopyFrom(0, 0, 10, 10, &other, 0, 0);
  empty.CopyFrom(0, 0, 10, 10, src.get(), 0, 0);
  EXPECT_TRUE(CallsSince(before).empty());
}

// GDI's selections: a fresh surface draws with the 1-pixel black pen and the white brush in
// opaque mode; a pop goes back to what was selected before, never below the defaults.
TEST_F(WebCanvasTest, DrawsWithTheSelectedPenBrushFontAndMode) {
  auto s = CreateWebSurface(10, 10);
  const std::size_t before = fakePage.calls.size();
  s->Rectangle(0, 0, 5, 5);
  s->PushPen(Pen{PenStyle::DashDotDot, 1, MakeColor(100, 100, 255)});
  s->PushBrush(Brush{BrushKind::Hollow, 0});
  s->Ellipse(1, 2, 3, 4);
  s->MoveTo(0, 0);
  s->LineTo(600, 0);
  s->LineTo(600, 30);
  EXPECT_EQ(s->SetBackgroundMode(BackgroundMode::Transparent), BackgroundMode::Opaque);
  s->PushLabelFont();
  s->TextInBox(0, 0, 30, 30, "\x90\xD4");
  s->PopFont();
  s->PopFont();  // one pop too many changes nothing
  s->TextAt(5, 6, "3m");
  EXPECT_EQ(s->SetBackgroundMode(BackgroundMode::Opaque), BackgroundMode::Transparent);
  s->PopPen();
  s->PopBrush();
  s->PopPen();
  s->PopBrush();
  s->Rectangle(0, 0, 5, 5);
  const std::vector<std::string> expected = {
      "rect 1 0,0,5,5 pen 0,1,0 brush 16777215",    "ellipse 1 1,2,3,4 pen 1,1,16737380 hollow",
      "line 1 0,0,600,0 pen 1,1,16737380 opaque",   "line 1 600,0,600,30 pen 1,1,16737380 opaque",
      u8"textbox 1 0,0,30,30 赤 label transparent", "text 1 5,6 3m default transparent",
      "rect 1 0,0,5,5 pen 0,1,0 brush 16777215",
  };
  EXPECT_EQ(CallsSince(before), expected);
}

TEST_F(WebCanvasTest, BlendNeedsPixelsOnBothSidesAndPassesTheLowByteOfOpacity) {
  auto dst = CreateWebSurface(601, 600);
  auto picture = CreateWebSurface(40, 40);
  WebCanvas failed(0, 0, 0);
  const std::size_t before = fakePage.calls.size();
  EXPECT_EQ(dst->Blend(0, 0, 30, 30, failed, 0, 0, 0, 0, 150, kWhite), 0);
  EXPECT_EQ(dst->Blend(0, 0, 0, 30, *picture, 0, 0, 40, 40, 150, kWhite), 0);
  EXPECT_EQ(dst->Blend(0, 0, 30, 30, *picture, 0, 0, 40, -1, 150, kWhite), 0);
  EXPECT_EQ(failed.Blend(0, 0, 30, 30, *picture, 0, 0, 40, 40, 150, kWhite), 0);
  EXPECT_TRUE(CallsSince(before).empty());
  EXPECT_EQ(dst->Blend(-5, 7, 30, 30, *picture, 0, 0, 40, 40, 0x196, kWhite), 1);
  EXPECT_EQ(CallsSince(before),
            std::vector<std::string>{"blend 1 -5,7,30,30 from 2 0,0,40,40 alpha 150,16777215"});
}

TEST_F(WebCanvasTest, AFreedSurfaceLeavesThePage) {
  {
    auto s = CreateWebSurface(4, 4);
    EXPECT_EQ(fakePage.liveSurfaces.count(s->Handle()), 1u);
  }
  EXPECT_TRUE(fakePage.liveSurfaces.empty());
  EXPECT_EQ(CreateWebSurface(0, 4), nullptr);
}

using WebPortsTest = WebTest;

// Setting an edit box's text runs its command before SetText returns: selecting a
// character fills the name box, and the name command then sees the selected character.
TEST_F(WebPortsTest, SettingATextRunsItsCommandAtOnce) {
  StartPage();
  BoardPanelCommand(IDC_BOARD_ADD_MARKER);
  OnLeftButtonDown(Point{5, 5});
  EXPECT_EQ(fakePage.texts[std::make_pair(1, IDC_MARKER_NAME)], "A");
  uiPorts.panels->SetText(Panel::Marker, IDC_MARKER_NAME, "\x90\xD4XYZ");
  EXPECT_STREQ(characters[0].GetName(), "\x90\xD4X");  // 3 bytes, set before returning
  EXPECT_EQ(fakePage.texts[std::make_pair(1, IDC_MARKER_NAME)], u8"赤XYZ");
  OnLeftButtonUp(Point{5, 5});
  EXPECT_EQ(fakePage.texts[std::make_pair(0, IDC_BOARD_CODE)], u8"赤X:1,1:r");
}

TEST_F(WebPortsTest, TextsComeBackAsCodePage932CutAfterAWholeCharacter) {
  StartPage();
  fakePage.texts[std::make_pair(0, IDC_BOARD_INPUT)] = u8"あいう";
  char buf[6];
  EXPECT_EQ(uiPorts.panels->GetText(Panel::Board, IDC_BOARD_INPUT, buf, 6), 4);
  EXPECT_STREQ(buf, "\x82\xA0\x82\xA2");
  // The core's own captions reach the page as the same characters.
  EXPECT_EQ(fakePage.combos[std::make_pair(0, IDC_BOARD_GRID)][2], u8"30×30(20×20)");
  EXPECT_EQ(fakePage.combos[std::make_pair(1, IDC_MARKER_COLOR)][4], u8"水色");
  EXPECT_EQ(fakePage.selections[std::make_pair(0, IDC_BOARD_GRID)], 2);
}

// A pasted code with a double-byte name loads; the board writes back the same text.
TEST_F(WebPortsTest, ACodeFromThePageLoadsAndIsWrittenBackUnchanged) {
  StartPage();
  const std::string code = u8"赤A:91,121:r 緑:31,31:g; rb:-14,-14:3";
  fakePage.texts[std::make_pair(0, IDC_BOARD_INPUT)] = code;
  RunPanelCommand(Panel::Board, IDC_BOARD_LOAD);
  WriteCoordinateCode();
  EXPECT_EQ(fakePage.texts[std::make_pair(0, IDC_BOARD_CODE)], code);
  EXPECT_EQ(fakePage.texts[std::make_pair(0, IDC_BOARD_INPUT)], "");
  EXPECT_EQ(RunPanelCommand(Panel::Board, IDC_BOARD_COPY), ClipboardResult::Ok);
  EXPECT_EQ(fakePage.clipboard, std::vector<std::string>{code});
}

// The file chooser's pick is offered once; the program's own pictures come first; a
// picture the page could not decode gives the failure message with the file's name.
TEST_F(WebPortsTest, ChosenPictureIsOfferedOnceAndAFailureIsReported) {
  StartPage();
  EXPECT_EQ(fakePage.pictureRequests, std::vector<std::string>{"shadow.bmp"});
  EXPECT_TRUE(fakePage.errors.empty());

  fakePage.pictureRequests.clear();
  RunPanelCommand(Panel::Board, IDC_BOARD_PICTURE);  // nothing chosen: nothing happens
  EXPECT_TRUE(fakePage.pictureRequests.empty());

  SetChosenFile(u8"C:\\fakepath\\地図.png", u8"地図.png");
  fakePage.chosenPictureWaits = true;
  fakePage.chosenSize = {800, 620};
  RunPanelCommand(Panel::Board, IDC_BOARD_PICTURE);
  EXPECT_EQ(fakePage.pictureRequests,
            (std::vector<std::string>{u8"C:\\fakepath\\地図.png", "<chosen>"}));
  ASSERT_NE(backgroundImage, nullptr);
  EXPECT_TRUE(fakePage.errors.empty());

  SetChosenFile(u8"C:\\fakepath\\壊れた.bmp", u8"壊れた.bmp");
  RunPanelCommand(Panel::Board, IDC_BOARD_PICTURE);
  EXPECT_EQ(fakePage.errors, std::vector<std::string>{u8"壊れた.bmpの読み込みに失敗しました"});
  EXPECT_EQ(backgroundImage, nullptr);
}

TEST_F(WebPortsTest, AMissingOwnPictureIsReportedByName) {
  StartUp();  // no pictures on the page
  EXPECT_EQ(fakePage.errors, std::vector<std::string>{u8"shadow.bmpの読み込みに失敗しました"});
}

}  // namespace
}  // namespace dz::web
