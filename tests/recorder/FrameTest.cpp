// Packed DIB sizes and contents, and screen frames with the pointer drawn at its hotspot.
#include "recorder/FrameChange.h"
#include "recorder/PackedDib.h"
#include "recorder/ScreenFrame.h"
#include "tests/recorder/ScreenWindow.h"

#include <gtest/gtest.h>
#include <cstring>

namespace {
WORD PixelAt(BITMAPINFOHEADER* dib, int x, int yFromTop) {
  DWORD row = DibRowBytes(dib->biWidth, dib->biBitCount);
  BYTE* bottomUpRow = DibPixels(dib) + row * (dib->biHeight - 1 - yFromTop);
  return reinterpret_cast<WORD*>(bottomUpRow)[x];
}

constexpr WORD kWhite555 = 0x7FFF;
constexpr WORD kBlack555 = 0x0000;

// A solid black 32 x 32 pointer whose hotspot is its centre, so placement errors show.
HCURSOR CentredBlackCursor() {
  BYTE andMask[32 * 4] = {};
  BYTE xorMask[32 * 4] = {};
  return CreateCursor(GetModuleHandleA(nullptr), 16, 16, 32, 32, andMask, xorMask);
}
}  // namespace

TEST(PackedDib, RowsArePaddedToFourBytes) {
  EXPECT_EQ(DibRowBytes(1366, 16), 2732u);
  EXPECT_EQ(DibRowBytes(1365, 16), 2732u);
  EXPECT_EQ(DibRowBytes(1, 16), 4u);
  EXPECT_EQ(DibRowBytes(1024, 16) * 768, 1572864u);
  EXPECT_EQ(DibBlockBytes(1024, 768, 16), 1572904u);
  EXPECT_EQ(DibColourCount(8), 256u);
  EXPECT_EQ(DibColourCount(16), 0u);
  EXPECT_EQ(DibBlockBytes(10, 10, 8), DibRowBytes(10, 8) * 10 + 1024 + 40);
}

TEST(PackedDib, BitmapToDibHoldsBottomUp555RowsWithZeroFill) {
  WindowDC screen(nullptr);
  GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), 1365, 3));
  {
    MemoryDC dc(screen.Get());
    SelectGuard select(dc.Get(), bitmap.Get());
    RECT all = {0, 0, 1365, 3};
    FillRect(dc.Get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT topRow = {0, 0, 1365, 1};
    FillRect(dc.Get(), &topRow, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixel(dc.Get(), 1364, 2, RGB(255, 0, 0));
  }
  HGLOBAL block = BitmapToDib(bitmap.Get(), 16);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), DibBlockBytes(1365, 3, 16));
  auto* dib = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
  EXPECT_EQ(dib->biSize, 40u);
  EXPECT_EQ(dib->biWidth, 1365);
  EXPECT_EQ(dib->biHeight, 3);
  EXPECT_EQ(dib->biPlanes, 1);
  EXPECT_EQ(dib->biBitCount, 16);
  EXPECT_EQ(dib->biCompression, static_cast<DWORD>(BI_RGB));
  EXPECT_EQ(dib->biSizeImage, 3u * 2732u);
  EXPECT_EQ(dib->biClrUsed, 0u);
  EXPECT_EQ(PixelAt(dib, 0, 0), kBlack555);
  EXPECT_EQ(PixelAt(dib, 700, 1), kWhite555);
  EXPECT_EQ(PixelAt(dib, 1364, 2), 0x7C00);  // pure red in RGB555
  // The two fill bytes after 1365 pixels of the bottom row stay zero.
  EXPECT_EQ(DibPixels(dib)[2730], 0);
  EXPECT_EQ(DibPixels(dib)[2731], 0);
  FreeDib(dib);
  FreeDib(nullptr);
}

TEST(ScreenFrame, PointerHotspotSitsAtThePointerAndIsClippedAtTheEdge) {
  ScreenWindow white(100, 100, 200, 200, RGB(255, 255, 255));
  HCURSOR previous = CurrentCursor();
  HCURSOR cursor = CentredBlackCursor();
  ASSERT_NE(cursor, nullptr);
  RecordCurrentCursor(cursor);
  SetCursorPos(150, 160);

  BITMAPINFOHEADER* frame = GrabScreenFrame(100, 100, 200, 200);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->biWidth, 200);
  EXPECT_EQ(frame->biHeight, 200);
  EXPECT_EQ(frame->biBitCount, 16);
  // The square spans pointer - 16 .. pointer + 15 in both directions.
  EXPECT_EQ(PixelAt(frame, 50 - 16, 60 - 16), kBlack555);
  EXPECT_EQ(PixelAt(frame, 50 + 15, 60 + 15), kBlack555);
  EXPECT_EQ(PixelAt(frame, 50 - 17, 60), kWhite555);
  EXPECT_EQ(PixelAt(frame, 50 + 16, 60), kWhite555);
  EXPECT_EQ(PixelAt(frame, 50, 60 - 17), kWhite555);
  FreeDib(frame);

  // Near the rectangle's right and bottom edges only the part inside is drawn.
  SetCursorPos(295, 297);
  frame = GrabScreenFrame(100, 100, 200, 200);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(PixelAt(frame, 199, 199), kBlack555);
  EXPECT_EQ(PixelAt(frame, 195 - 16, 197 - 16), kBlack555);
  EXPECT_EQ(PixelAt(frame, 195 - 17, 197), kWhite555);
  FreeDib(frame);

  RecordCurrentCursor(previous);
  DestroyCursor(cursor);
}

TEST(ScreenFrame, WithoutTheHookFramesShowTheStandardArrow) {
  RecordCurrentCursor(nullptr);
  EXPECT_EQ(CurrentCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST(ScreenFrame, AReusedGrabberFillsItsOneBlockWithEachNewPicture) {
  SetCursorPos(350, 240);
  ScreenGrabber grabber(290, 190, 101, 61);
  BITMAPINFOHEADER* first = nullptr;
  const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 0, 255), RGB(0, 255, 0)};
  const WORD expected[] = {0x7C00, 0x001F, 0x03E0};
  for (int i = 0; i < 3; ++i) {
    ScreenWindow window(300, 200, 120, 90, colours[i]);
    BITMAPINFOHEADER* reused = grabber.Grab();
    BITMAPINFOHEADER* single = GrabScreenFrame(290, 190, 101, 61);
    ASSERT_TRUE(reused && single);
    if (i == 0) first = reused;
    EXPECT_EQ(reused, first) << "a new block for frame " << i;
    // The same packed DIB as a fresh one: header, block size, pixels and zero row fill.
    EXPECT_EQ(memcmp(reused, single, sizeof(BITMAPINFOHEADER)), 0);
    EXPECT_EQ(GlobalSize(GlobalHandle(reused)), DibBlockBytes(101, 61, 16));
    ASSERT_EQ(reused->biSizeImage, single->biSizeImage);
    EXPECT_EQ(memcmp(DibPixels(reused), DibPixels(single), reused->biSizeImage), 0);
    EXPECT_EQ(PixelAt(reused, 100, 60), expected[i]) << "frame " << i;
    EXPECT_EQ(DibPixels(reused)[202], 0);
    EXPECT_EQ(DibPixels(reused)[203], 0);
    FreeDib(single);
  }
}

// Moving the pointer in the last picture gives, pixel for pixel, the frame that a new copy of the
// same still screen gives: the pointer's old place is put back, its new place drawn, and only
// their rows converted. Two colours meet under the pointer's path, the rows are padded (101
// pixels), and the pointer moves, changes its shape, leaves the picture in part and wholly.
TEST(ScreenFrame, APointerMovedInTheLastPictureGivesTheFrameANewCopyGives) {
  ScreenWindow red(280, 180, 60, 100, RGB(200, 0, 0));
  ScreenWindow blue(340, 180, 80, 100, RGB(0, 0, 200));
  RecordCurrentCursor(nullptr);
  SetCursorPos(330, 220);
  ScreenGrabber grabber(290, 190, 101, 61);
  ASSERT_TRUE(grabber.Grab());
  bool pointerMoved = true;
  EXPECT_TRUE(grabber.MovePointer(&pointerMoved));
  EXPECT_FALSE(pointerMoved);
  const HCURSOR square = CentredBlackCursor();
  struct Step {
    POINT at;
    HCURSOR shape;
  };
  const Step steps[] = {{{345, 228}, nullptr}, {{352, 231}, nullptr}, {{352, 231}, square},
                        {{292, 192}, square},  {{388, 249}, nullptr}, {{600, 500}, nullptr},
                        {{340, 200}, nullptr}};
  for (size_t i = 0; i < sizeof(steps) / sizeof(steps[0]); ++i) {
    RecordCurrentCursor(steps[i].shape);
    SetCursorPos(steps[i].at.x, steps[i].at.y);
    BITMAPINFOHEADER* moved = grabber.MovePointer(&pointerMoved);
    EXPECT_TRUE(pointerMoved) << "step " << i;
    EXPECT_EQ(grabber.MovePointer(&pointerMoved), moved) << "step " << i;
    EXPECT_FALSE(pointerMoved) << "step " << i;
    BITMAPINFOHEADER* copy = GrabScreenFrame(290, 190, 101, 61);
    ASSERT_TRUE(moved && copy);
    EXPECT_EQ(memcmp(moved, copy, sizeof(BITMAPINFOHEADER)), 0) << "step " << i;
    EXPECT_EQ(memcmp(DibPixels(moved), DibPixels(copy), moved->biSizeImage), 0) << "step " << i;
    FreeDib(copy);
  }
  RecordCurrentCursor(nullptr);
  DestroyCursor(square);
}

// The rows between a frame's first and last difference, exactly, on rows whose length is no
// multiple of the 64 bytes compared at a time (1366 pixels: 2732 bytes).
TEST(FrameChange, SaysWhichStoredRowsItsDifferencesSpan) {
  HGLOBAL block = AllocateDib(1366, 40, 16);
  auto* frame = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
  const size_t row = DibRowBytes(1366, 16);
  FrameChange change;
  FrameChange::Rows rows;
  EXPECT_TRUE(change.Differs(frame, &rows)) << "the first frame";
  EXPECT_FALSE(change.Differs(frame, &rows));
  // The last pixel of row 6 and the first of row 31 change.
  DibPixels(frame)[7 * row - 6] = 1;
  DibPixels(frame)[31 * row] = 1;
  ASSERT_TRUE(change.Differs(frame, &rows));
  EXPECT_EQ(rows.first, 6);
  EXPECT_EQ(rows.last, 31);
  // One byte in the very last place.
  DibPixels(frame)[40 * row - 1] = 9;
  ASSERT_TRUE(change.Differs(frame, &rows));
  EXPECT_EQ(rows.first, 39);
  EXPECT_EQ(rows.last, 39);
  EXPECT_FALSE(change.Differs(frame, &rows));
  FreeDib(frame);
}
