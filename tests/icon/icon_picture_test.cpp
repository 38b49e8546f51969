// Icon pictures: .ico files of every depth read back, scaling by area, the
// palette chosen, the image that suits a size, and broken files refused.
#include <gtest/gtest.h>

#include <random>

#include "tests/icon/icon_fixtures.h"
#include "tests/test_files.h"
#include "writer/icon_convert.h"
#include "writer/icon_image.h"

namespace {

RgbaImage ReadBack(const Bytes& ico) {
  std::vector<RgbaImage> images;
  std::string error;
  EXPECT_TRUE(DecodeIconPictures(ico, &images, &error)) << error;
  return images.empty() ? RgbaImage() : images[0];
}

// Distance summed over the picture's showing pixels to the palette's
// nearest entry, with the channels weighed 2, 4 and 3, as the palette is
// chosen.
long PaletteError(const RgbaImage& p, const std::vector<Rgb>& palette) {
  long sum = 0;
  for (size_t i = 0; i < p.pixels.size(); i += 4) {
    if (p.pixels[i + 3] < 128) continue;
    long best = -1;
    for (const Rgb& c : palette) {
      long dr = c.r - p.pixels[i], dg = c.g - p.pixels[i + 1], db = c.b - p.pixels[i + 2];
      long d = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
      if (best < 0 || d < best) best = d;
    }
    sum += best;
  }
  return sum;
}

TEST(IconPicture, FewColoursComeBackExactlyAtEveryDepth) {
  struct Case {
    int bits, kinds;
  } cases[] = {{1, 1}, {4, 15}, {8, 16}, {24, 16}, {32, 16}};
  for (const Case& c : cases) {
    // With the transparent corner, black is one colour more.
    RgbaImage picture = BlockPicture(32, 4, c.kinds);
    Bytes dib = MakeIconImage(picture, 32, 32, c.bits);
    ASSERT_FALSE(dib.empty()) << c.bits;
    RgbaImage back = ReadBack(IcoFile({dib}));
    EXPECT_EQ(back.bitCount, c.bits);
    EXPECT_EQ(PixelText(back), PixelText(picture)) << c.bits << " bits";
  }
}

TEST(IconPicture, TransparentPixelsAreBlackBehindTheirMask) {
  RgbaImage picture = BlockPicture(32, 8, 15);
  Bytes dib = MakeIconImage(picture, 32, 32, 4);
  // Rows are stored bottom up: the picture's top row, clear for x < 8, is
  // the last stored row.
  const size_t colourAt = 40 + 64, maskAt = colourAt + 16 * 32;
  const size_t top = 31;
  for (int x = 0; x < 8; x++) {
    int index = (dib[colourAt + 16 * top + x / 2] >> (x % 2 ? 0 : 4)) & 15;
    const uint8_t* entry = &dib[40 + 4 * index];
    EXPECT_EQ(entry[0] | entry[1] | entry[2], 0) << x;
  }
  EXPECT_EQ(dib[maskAt + 4 * top], 0xFF);  // x 0-7 clear
  EXPECT_EQ(dib[maskAt + 4 * top + 1], 0x00);
  EXPECT_EQ(dib[maskAt], 0x00);  // the picture's bottom row shows
}

TEST(IconPicture, ScalingAveragesAreasAndKeepsProportions) {
  // Blocks of 2 become single pixels; single pixels become blocks of 2.
  EXPECT_EQ(PixelText(ScaleToFit(BlockPicture(64, 8, 9), 32, 32)), PixelText(BlockPicture(32, 4, 9)));
  EXPECT_EQ(PixelText(ScaleToFit(BlockPicture(16, 2, 9), 32, 32)), PixelText(BlockPicture(32, 4, 9)));
  // A wide picture: centred, with clear rows above and below.
  RgbaImage wide = PictureFromRows({"aaaabbbb", "aaaabbbb"}, {0xFF0000, 0x0000FF});
  EXPECT_EQ(PixelText(ScaleToFit(wide, 4, 4)),
            "------------------------\n"
            "FF0000FF00000000FF0000FF\n"
            "------------------------\n"
            "------------------------\n");
  // Half-covered pixels take the colour of what covers them, not of the
  // clear part beside it.
  RgbaImage edge = PictureFromRows({"a.", "a."}, {0x00FF00});
  RgbaImage one = ScaleToFit(edge, 1, 1);
  EXPECT_EQ(one.pixels, (std::vector<uint8_t>{0, 255, 0, 128}));
}

TEST(IconPicture, PaletteFitsThePictureAtLeastAsWellAsTheStandardOne) {
  // A smooth picture of many colours, and one of the standard colours
  // with a little noise: either palette may win, never the worse one.
  std::mt19937 random(7);
  RgbaImage smooth, noisy;
  smooth.width = smooth.height = noisy.width = noisy.height = 32;
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) {
      smooth.pixels.insert(smooth.pixels.end(), {(uint8_t)(8 * x), (uint8_t)(4 * (x + y)), (uint8_t)(255 - 8 * y), 255});
      uint8_t base = (x / 8 + y / 8) % 2 ? 0xFF : 0x80;
      noisy.pixels.insert(noisy.pixels.end(),
                          {(uint8_t)(base - random() % 4), 0, (uint8_t)(random() % 4), 255});
    }
  const std::vector<Rgb> standard = {
      {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
      {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
      {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
      {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};
  for (const RgbaImage* p : {&smooth, &noisy}) {
    std::vector<Rgb> palette = ChoosePalette(*p, 16);
    EXPECT_EQ(palette.size(), 16u);
    EXPECT_LE(PaletteError(*p, palette), PaletteError(*p, standard));
  }
  // The smooth one is far from the standard colours: its own palette wins
  // by much.
  EXPECT_LT(2 * PaletteError(smooth, ChoosePalette(smooth, 16)), PaletteError(smooth, standard));
  // With a transparent pixel, black is among the colours.
  smooth.pixels[3] = 0;
  std::vector<Rgb> palette = ChoosePalette(smooth, 16);
  EXPECT_NE(std::find(palette.begin(), palette.end(), Rgb{0, 0, 0}), palette.end());
}

TEST(IconPicture, TheImageNearestTheSizeIsTaken) {
  auto image = [](int size, int bits) {
    RgbaImage i;
    i.width = i.height = size;
    i.bitCount = bits;
    return i;
  };
  auto pick = [](const std::vector<RgbaImage>& images, int size) {
    const RgbaImage& best = BestPictureFor(images, size, size);
    return std::to_string(best.width) + "/" + std::to_string(best.bitCount);
  };
  std::vector<RgbaImage> all = {image(16, 32), image(48, 8), image(32, 4), image(32, 32), image(64, 32)};
  EXPECT_EQ(pick(all, 32), "32/32");
  EXPECT_EQ(pick(all, 16), "16/32");
  EXPECT_EQ(pick({image(16, 32), image(64, 32), image(48, 4)}, 32), "48/4");
  EXPECT_EQ(pick({image(16, 32), image(24, 4), image(8, 32)}, 32), "24/4");
}

TEST(IconPicture, FilesThatAreNoIconAreRefusedByWhatIsWrong) {
  Bytes good = IcoFile({MakeIconImage(BlockPicture(32, 4, 5), 32, 32, 4)});
  auto refusal = [](const Bytes& bytes) {
    std::vector<RgbaImage> images;
    std::string error;
    EXPECT_FALSE(DecodeIconPictures(bytes, &images, &error));
    EXPECT_TRUE(images.empty());
    return error;
  };
  EXPECT_EQ(refusal(B("GIF89a, or any other text")), "is neither an icon (.ico) nor a PNG");
  EXPECT_EQ(refusal(Bytes(good.begin(), good.begin() + 12)),
            "is a broken icon file (its directory is cut short)");
  EXPECT_EQ(refusal(Bytes(good.begin(), good.end() - 1)),
            "is a broken icon file: its image 1 lies outside the file");
  Bytes deep = good;
  deep[22 + 14] = 16;  // 16 bits per pixel
  EXPECT_EQ(refusal(deep),
            "is a broken icon file: its image 1 holds an image of 16 bits per pixel or "
            "compressed, which corvane does not read");
  Bytes huge = good;
  huge[22 + 5] = 0x40;  // 16384 pixels wide
  EXPECT_EQ(refusal(huge),
            "is a broken icon file: its image 1 holds an image larger than 2048 pixels a side");
  Bytes png = B("\x89PNG\r\n\x1a\nnot really");
  EXPECT_EQ(refusal(png).rfind("is a broken PNG (", 0), 0u);
}

// Any bytes in an icon file: decoded without a fault (the sanitizer build
// watches every access), into pictures whose pixels match their size.
TEST(IconPicture, MangledIconFilesNeverFault) {
  Bytes seed = IcoFile({MakeIconImage(BlockPicture(16, 4, 3), 16, 16, 1),
                        MakeIconImage(BlockPicture(32, 4, 5), 32, 32, 4),
                        MakeIconImage(ScaleToFit(BlockPicture(16, 2, 16), 32, 32), 32, 32, 8),
                        MakeIconImage(BlockPicture(32, 4, 5), 32, 32, 32)});
  std::mt19937 random(99);
  int decoded = 0;
  for (int round = 0; round < 4000; round++) {
    Bytes bytes = seed;
    for (int i = 0, n = 1 + random() % 3; i < n; i++) {
      size_t at = random() % 2 ? random() % 70 : random() % bytes.size();
      bytes[at] = random() % 3 == 0 ? 0xFF : (uint8_t)random();
    }
    if (round % 5 == 0) bytes.resize(random() % bytes.size());
    std::vector<RgbaImage> images;
    std::string error;
    if (!DecodeIconPictures(bytes, &images, &error)) continue;
    decoded++;
    for (const RgbaImage& i : images) EXPECT_EQ(i.pixels.size(), (size_t)i.width * i.height * 4);
  }
  EXPECT_GT(decoded, 100);
}

}  // namespace
