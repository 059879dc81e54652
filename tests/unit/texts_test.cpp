// The program's Japanese texts are code page 932 bytes in every build, whatever the
// compiler's execution character set: each is compared with its decoded text, converted
// here by the C library.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "app/main_window.h"
#include "board/board.h"
#include "fake_ports.h"

namespace dz::testing {
namespace {

// UTF-8 (the source's encoding) as code page 932.
std::string Cp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << "no CP932 converter";
  std::string out(utf8.size() * 2 + 1, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* dst = &out[0];
  size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &dst, &outLeft), static_cast<size_t>(-1)) << utf8;
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

TEST(Texts, TablesAreCodePage932) {
  const char* const grid[] = {u8"20×20(30×30)", u8"25×25(24×24)", u8"30×30(20×20)",
                              u8"40×40(15×15)"};
  for (int i = 0; i < kGridChoiceCount; ++i) {
    EXPECT_EQ(std::string(gridChoices[i].caption), Cp932(grid[i])) << i;
  }
  const char* const colours[] = {u8"赤", u8"緑", u8"青", u8"黄", u8"水色", u8"紫"};
  for (int i = 0; i < kColorCount; ++i) {
    EXPECT_EQ(std::string(colorNames[i]), Cp932(colours[i])) << i;
  }
}

class TextsShown : public BoardTest {};

TEST_F(TextsShown, FailureMessageAndCloseQuestionAreCodePage932) {
  char message[kLoadFailureSize];
  FormatLoadFailure(message, "area.bmp");
  EXPECT_EQ(std::string(message), Cp932(u8"area.bmpの読み込みに失敗しました"));

  ConfirmClose();
  ASSERT_EQ(fake.messages.questions.size(), 1u);
  EXPECT_EQ(fake.messages.questions[0].first, Cp932(u8"終了してもよろしいですか？"));
  EXPECT_EQ(fake.messages.questions[0].second, Cp932(u8"終了確認"));
}

}  // namespace
}  // namespace dz::testing
