#include "mainwnd/AboutDialog.h"

#include "resources/resource.h"

#include <gtest/gtest.h>

TEST(AboutDialog, LinksOpenWhatTheyShowAndTheMakerIsOurOwn) {
  AboutDialog about(nullptr);
  ASSERT_TRUE(about.Create());
  char caption[32] = {};
  GetWindowTextA(about.Handle(), caption, sizeof(caption));
  EXPECT_STREQ(caption, "关于");

  std::string web = about.GetItemText(IDC_ABOUT_WEB);
  std::string mail = about.GetItemText(IDC_ABOUT_MAIL);
  EXPECT_EQ(about.webLink.Target(), web);
  EXPECT_EQ(about.mailLink.Target(), "mailto:" + mail);
  EXPECT_NE(web.find("example.org"), std::string::npos);
  EXPECT_NE(mail.find("@"), std::string::npos);
  EXPECT_NE(about.GetItemText(IDC_ABOUT_MAKER).find("Lumora 开发组"), std::string::npos);
  EXPECT_TRUE(about.okButton.HasBitmap(CSkinButton::Normal));
  EXPECT_TRUE(about.okButton.HasBitmap(CSkinButton::Hover));
  about.Destroy();
}

TEST(AboutDialog, OkEndsIt) {
  AboutDialog about(nullptr);
  ASSERT_TRUE(about.Create());
  SendMessageA(about.Handle(), WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(about.okButton.Handle()));
  EXPECT_TRUE(about.Ended());
  EXPECT_EQ(about.Result(), IDOK);
  about.Destroy();
}
