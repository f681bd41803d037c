#include "capture/TitleOverlay.h"
#include "tests/capture/DShowFakes.h"
#include "tests/support/MessageBoxRecorder.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace fakes;

namespace {
class TitleOverlay : public ::testing::Test {
protected:
  void SetUp() override {
    Calls().clear();
    overlay = ComPtr<FakeTitleOverlay>::Attach(new FakeTitleOverlay);
    overlay->font.lfHeight = 12;
    overlay->font.lfWeight = FW_BOLD;
    strcpy(overlay->font.lfFaceName, "Arial");
  }
  bool Configure() {
    return ConfigureTitleOverlay(static_cast<IBaseFilter*>(overlay.Get()), settings, {640, 480});
  }
  ComPtr<FakeTitleOverlay> overlay;
  Settings settings;
  MessageBoxRecorder boxes;
};
}  // namespace

TEST_F(TitleOverlay, PassesTypeTextPositionFontAndColourInThisOrder) {
  settings.OverlayType = 1;
  settings.OverlayText = "第一课";
  settings.OverlayPos = "RightBottom";
  settings.OverlayFontSize = 50;
  settings.OverlayFontColor = "Blue";
  EXPECT_TRUE(Configure());
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "SetTitleType 2",
                         "SetTitleText 第一课 6",  // bytes in the ANSI code page
                         "SetTitleStartPosition 540 380",
                         "GetTitleFont",
                         "SetTitleFont 50 Arial 700",  // only the height is replaced
                         "SetTitleColor 0 0 255",
                     }));
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TitleOverlay, StartValuesGiveTypeOneAtTopLeftInBlackAndEmptyTextHasLengthZero) {
  settings.OverlayType = 0;
  settings.OverlayText = "";
  EXPECT_TRUE(Configure());
  EXPECT_EQ(Calls()[0], "SetTitleType 1");
  EXPECT_EQ(Calls()[1], "SetTitleText  0");
  EXPECT_EQ(Calls()[2], "SetTitleStartPosition 10 10");
  EXPECT_EQ(Calls()[5], "SetTitleColor 0 0 0");
}

TEST_F(TitleOverlay, PositionTableFollowsThePictureSize) {
  EXPECT_EQ(TitleStartPosition("TopLeft", 400, 300).y, 10);
  POINT bottomLeft = TitleStartPosition("BottomLeft", 400, 300);
  EXPECT_EQ(bottomLeft.x, 10);
  EXPECT_EQ(bottomLeft.y, 200);
  POINT rightLeft = TitleStartPosition("RightLeft", 400, 300);
  EXPECT_EQ(rightLeft.x, 300);
  EXPECT_EQ(rightLeft.y, 100);
  POINT rightBottom = TitleStartPosition("RightBottom", 400, 300);
  EXPECT_EQ(rightBottom.x, 300);
  EXPECT_EQ(rightBottom.y, 200);
  POINT unknown = TitleStartPosition("bottomleft", 400, 300);  // names are case-sensitive
  EXPECT_EQ(unknown.x, 10);
  EXPECT_EQ(unknown.y, 10);
}

TEST_F(TitleOverlay, ColourTableGivesWhiteForUnknownNames) {
  const struct { const char* name; int r, g, b; } cases[] = {
      {"White", 255, 255, 255}, {"Red", 255, 0, 0},     {"Black", 0, 0, 0},
      {"Blue", 0, 0, 255},      {"Green", 0, 255, 0},   {"red", 255, 255, 255},
      {"", 255, 255, 255},      {"黑色", 255, 255, 255}};
  for (const auto& c : cases) {
    TitleColour colour = TitleColourNamed(c.name);
    EXPECT_EQ(colour.red, c.r) << c.name;
    EXPECT_EQ(colour.green, c.g) << c.name;
    EXPECT_EQ(colour.blue, c.b) << c.name;
  }
}

TEST_F(TitleOverlay, FirstRefusalStopsWithItsMessage) {
  const struct { const char* refuse; const char* message; size_t callsMade; } cases[] = {
      {"SetTitleType", "错误：设置重叠标题类型失败！", 1},
      {"SetTitleText", "错误：设置标题失败！", 2},
      {"SetTitleStartPosition", "错误：设置标题初始位置失败！", 3},
      {"GetTitleFont", "错误：获取标题字体失败！", 4},
      {"SetTitleFont", "错误：设置标题字体失败！", 5},
  };
  for (const auto& c : cases) {
    Calls().clear();
    boxes.Clear();
    overlay->refuseAt = c.refuse;
    EXPECT_FALSE(Configure()) << c.refuse;
    EXPECT_EQ(Calls().size(), c.callsMade) << c.refuse;
    ASSERT_EQ(boxes.Boxes().size(), 1u) << c.refuse;
    EXPECT_EQ(boxes.Boxes()[0].text, c.message);
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error!");
  }
  // A refused colour is not looked at.
  Calls().clear();
  boxes.Clear();
  overlay->refuseAt = "SetTitleColor";
  EXPECT_TRUE(Configure());
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TitleOverlay, FilterWithoutTheConfigurationInterfaceIsReported) {
  ComPtr<FakeFilter> plain = ComPtr<FakeFilter>::Attach(new FakeFilter("plain"));
  EXPECT_FALSE(ConfigureTitleOverlay(plain.Get(), settings, {640, 480}));
  EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"错误：无法查询重叠标题接口！"}));
}
