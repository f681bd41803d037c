// Every operation of the configuration interface, reached through QueryInterface as the capture
// engine reaches it, with good and bad arguments.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/Handles.h"
#include "overlay/TitleOverlayFilter.h"

namespace dshow {
LONG g_liveObjects = 0;
}  // namespace dshow

namespace {

class TitleConfigTest : public testing::Test {
protected:
  void SetUp() override {
    auto* filter = new TitleOverlayFilter();
    ASSERT_EQ(static_cast<IBaseFilter*>(filter)->QueryInterface(IID_ITitleOverlayConfig, config.OutVoid()),
              S_OK);
    static_cast<IBaseFilter*>(filter)->Release();
  }
  ComPtr<ITitleOverlayConfig> config;
};

TEST_F(TitleConfigTest, TypeTakesOnlyStillOrScrolling) {
  int type = 0;
  EXPECT_EQ(config->GetTitleType(&type), S_OK);
  EXPECT_EQ(type, 1);
  EXPECT_EQ(config->SetTitleType(2), S_OK);
  EXPECT_EQ(config->GetTitleType(&type), S_OK);
  EXPECT_EQ(type, 2);
  for (int bad : {0, 3, -1, 0x7FFFFFFF}) EXPECT_EQ(config->SetTitleType(bad), E_INVALIDARG) << bad;
  EXPECT_EQ(config->GetTitleType(&type), S_OK);
  EXPECT_EQ(type, 2) << "a refused type leaves the last one";
  EXPECT_EQ(config->GetTitleType(nullptr), E_POINTER);
}

TEST_F(TitleConfigTest, ScrollStepWithinItsRange) {
  int step = 0;
  EXPECT_EQ(config->GetScrollStep(&step), S_OK);
  EXPECT_EQ(step, kDefaultScrollStep);
  EXPECT_EQ(config->SetScrollStep(1), S_OK);
  EXPECT_EQ(config->SetScrollStep(kMaxScrollStep), S_OK);
  EXPECT_EQ(config->SetScrollStep(0), E_INVALIDARG);
  EXPECT_EQ(config->SetScrollStep(-4), E_INVALIDARG);
  EXPECT_EQ(config->SetScrollStep(kMaxScrollStep + 1), E_INVALIDARG);
  EXPECT_EQ(config->GetScrollStep(&step), S_OK);
  EXPECT_EQ(step, kMaxScrollStep);
  EXPECT_EQ(config->GetScrollStep(nullptr), E_POINTER);
}

TEST_F(TitleConfigTest, TextByLengthWithoutTerminator) {
  // GBK bytes of "数学 Lumora", followed by bytes the length leaves out.
  const char text[] = "\xCA\xFD\xD1\xA7 LumoraXYZ";
  ASSERT_EQ(config->SetTitleText(text, 11), S_OK);
  char buffer[64];
  int length = -1;
  ASSERT_EQ(config->GetTitleText(buffer, sizeof(buffer), &length), S_OK);
  EXPECT_EQ(length, 11);
  EXPECT_STREQ(buffer, "\xCA\xFD\xD1\xA7 Lumora");
  // A small buffer gets a cut, terminated copy; the length is still the whole text's.
  char small[5];
  ASSERT_EQ(config->GetTitleText(small, sizeof(small), &length), S_OK);
  EXPECT_EQ(length, 11);
  EXPECT_EQ(std::strlen(small), 4u);
  EXPECT_EQ(config->GetTitleText(nullptr, 0, &length), S_OK);
  EXPECT_EQ(length, 11);

  EXPECT_EQ(config->SetTitleText(nullptr, 0), S_OK) << "an empty title";
  EXPECT_EQ(config->GetTitleText(buffer, sizeof(buffer), &length), S_OK);
  EXPECT_EQ(length, 0);
  EXPECT_STREQ(buffer, "");

  EXPECT_EQ(config->SetTitleText("abc", -1), E_INVALIDARG);
  EXPECT_EQ(config->SetTitleText(nullptr, 3), E_POINTER);
  std::string huge(kMaxTitleTextBytes + 1, 'x');
  EXPECT_EQ(config->SetTitleText(huge.c_str(), static_cast<int>(huge.size())), E_INVALIDARG);
  EXPECT_EQ(config->GetTitleText(buffer, -1, &length), E_INVALIDARG);
  EXPECT_EQ(config->GetTitleText(nullptr, 8, &length), E_POINTER);
  EXPECT_EQ(config->GetTitleText(buffer, 8, nullptr), E_POINTER);
}

TEST_F(TitleConfigTest, ColourAndPosition) {
  BYTE r = 0, g = 0, b = 0;
  EXPECT_EQ(config->GetTitleColor(&r, &g, &b), S_OK);
  EXPECT_EQ(r + g + b, 3 * 255) << "white until told otherwise";
  EXPECT_EQ(config->SetTitleColor(0, 255, 7), S_OK);
  EXPECT_EQ(config->GetTitleColor(&r, &g, &b), S_OK);
  EXPECT_EQ(r, 0);
  EXPECT_EQ(g, 255);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(config->GetTitleColor(nullptr, &g, &b), E_POINTER);
  EXPECT_EQ(config->GetTitleColor(&r, &g, nullptr), E_POINTER);

  int x = 0, y = 0;
  EXPECT_EQ(config->GetTitleStartPosition(&x, &y), S_OK);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 10);
  // Positions outside the picture are taken and clipped when drawn.
  EXPECT_EQ(config->SetTitleStartPosition(-500, 100000), S_OK);
  EXPECT_EQ(config->GetTitleStartPosition(&x, &y), S_OK);
  EXPECT_EQ(x, -500);
  EXPECT_EQ(y, 100000);
  EXPECT_EQ(config->GetTitleStartPosition(nullptr, &y), E_POINTER);
  EXPECT_EQ(config->GetTitleStartPosition(&x, nullptr), E_POINTER);
}

TEST_F(TitleConfigTest, FontRoundTripsAndRefusesNonsense) {
  LOGFONTA font;
  std::memset(&font, 0xCC, sizeof(font));
  ASSERT_EQ(config->GetTitleFont(&font), S_OK);
  // A complete LOGFONTA: a terminated face name and real sizes, not the fill pattern.
  EXPECT_NE(std::memchr(font.lfFaceName, 0, LF_FACESIZE), nullptr);
  EXPECT_GT(font.lfHeight, 0);
  EXPECT_EQ(font.lfCharSet, GB2312_CHARSET);
  EXPECT_EQ(font.lfEscapement, 0);

  font.lfHeight = 50;
  EXPECT_EQ(config->SetTitleFont(font), S_OK);
  LOGFONTA back{};
  ASSERT_EQ(config->GetTitleFont(&back), S_OK);
  EXPECT_EQ(std::memcmp(&back, &font, sizeof(font)), 0);

  LOGFONTA bad = font;
  bad.lfHeight = kMaxTitleFontHeight + 1;
  EXPECT_EQ(config->SetTitleFont(bad), E_INVALIDARG);
  bad = font;
  bad.lfWidth = -3;
  EXPECT_EQ(config->SetTitleFont(bad), E_INVALIDARG);
  bad = font;
  std::memset(bad.lfFaceName, 'A', LF_FACESIZE);
  EXPECT_EQ(config->SetTitleFont(bad), E_INVALIDARG) << "face name without its terminator";
  ASSERT_EQ(config->GetTitleFont(&back), S_OK);
  EXPECT_EQ(back.lfHeight, 50);
  EXPECT_EQ(config->GetTitleFont(nullptr), E_POINTER);
}

TEST_F(TitleConfigTest, FilterAnswersItsClassAndPins) {
  ComPtr<IBaseFilter> filter;
  ASSERT_EQ(config->QueryInterface(IID_IBaseFilter, filter.OutVoid()), S_OK);
  CLSID clsid{};
  EXPECT_EQ(filter->GetClassID(&clsid), S_OK);
  EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_TitleOverlay));
  ComPtr<IEnumPins> pins;
  ASSERT_EQ(filter->EnumPins(pins.Out()), S_OK);
  IPin* pin[3] = {};
  ULONG fetched = 0;
  EXPECT_EQ(pins->Next(3, pin, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 2u);
  PIN_DIRECTION first, second;
  pin[0]->QueryDirection(&first);
  pin[1]->QueryDirection(&second);
  EXPECT_EQ(first, PINDIR_INPUT);
  EXPECT_EQ(second, PINDIR_OUTPUT);
  pin[0]->Release();
  pin[1]->Release();
}

}  // namespace
