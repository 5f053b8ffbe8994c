// Pictures: PNG and JPEG known by their bytes whole and in pieces, hostile headers among
// them; percent and base64 decoding; the files a page may take pictures from; the RTF group
// of a real PNG.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "job/picture_files.h"
#include "reading/picture_bytes.h"
#include "reading/rtf_picture.h"
#include "temp_directory.h"

namespace vellumine {
namespace {

using Bytes = std::string;

Bytes Big32(uint32_t v) {
  return {char(v >> 24), char(v >> 16 & 255), char(v >> 8 & 255), char(v & 255)};
}
Bytes Big16(uint32_t v) { return {char(v >> 8 & 255), char(v & 255)}; }

uint32_t Crc32(const Bytes& bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (unsigned char b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}
Bytes Chunk(const Bytes& type, const Bytes& data) {
  return Big32(static_cast<uint32_t>(data.size())) + type + data + Big32(Crc32(type + data));
}
const Bytes kPngSignature = "\x89PNG\r\n\x1A\n";
Bytes Ihdr(uint32_t width, uint32_t height) {
  return Chunk("IHDR", Big32(width) + Big32(height) + Bytes("\x08\0\0\0\0", 5));
}
// A whole grey PNG a reader opens: its rows in a stored (uncompressed) deflate block.
Bytes Png(uint32_t width, uint32_t height) {
  Bytes rows;
  for (uint32_t y = 0; y < height; ++y) rows += '\0' + Bytes(width, char(y * 40));
  uint32_t a = 1, b = 0;  // Adler-32
  for (unsigned char c : rows) a = (a + c) % 65521, b = (b + a) % 65521;
  const uint32_t n = static_cast<uint32_t>(rows.size());
  const Bytes zlib = Bytes("\x78\x01\x01", 3) + char(n & 255) + char(n >> 8) + char(~n & 255) +
                     char(~n >> 8 & 255) + rows + Big32(b << 16 | a);
  return kPngSignature + Ihdr(width, height) + Chunk("IDAT", zlib) + Chunk("IEND", "");
}
// A JPEG's segment: marker code, length, payload.
Bytes Segment(unsigned char code, const Bytes& payload) {
  return Bytes{'\xFF', char(code)} + Big16(static_cast<uint32_t>(payload.size() + 2)) + payload;
}
Bytes Frame(unsigned char code, uint32_t width, uint32_t height) {
  return Segment(code, "\x08" + Big16(height) + Big16(width) + Bytes("\x01\x01\x11\0", 4));
}
const Bytes kSoi = "\xFF\xD8",
            kJfif = Segment(0xE0, Bytes("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14));

// "png 16x8", "jpeg 3x4", or "none".
Bytes Shown(const PictureFacts& facts) {
  if (facts.kind == PictureKind::None) return "none";
  return (facts.kind == PictureKind::Png ? "png " : "jpeg ") + std::to_string(facts.width) + "x" +
         std::to_string(facts.height);
}

TEST(PictureBytes, KindAndSizeWholeAndInPieces) {
  const Bytes png = Png(16, 8), sig = kPngSignature, one = Frame(0xC0, 1, 1);
  const struct {
    const char* what;
    Bytes bytes;
    const char* facts;
  } cases[] = {
      {"png", png, "png 16x8"},
      {"png header alone", png.substr(0, 24), "png 16x8"},
      {"png widest", sig + Ihdr(0x7FFFFFFF, 1), "png 2147483647x1"},
      {"png too wide", sig + Ihdr(0x80000000, 1), "none"},
      {"png no height", sig + Ihdr(5, 0), "none"},
      {"png cut in the height", png.substr(0, 23), "none"},
      {"png first chunk not IHDR", sig + Bytes("\0\0\0\x0DIDAT", 8) + png.substr(16), "none"},
      {"png IHDR of another length", sig + Chunk("IHDR", Big32(5) + Big32(5)), "none"},
      {"png signature wrong", "\x89PNG\r\n\x1A\r" + png.substr(8), "none"},
      {"gif", Bytes("GIF89a\x10\0\x10\0", 10), "none"},
      {"nothing", "", "none"},
      {"one byte", "\xFF", "none"},
      {"jpeg", kSoi + kJfif + Frame(0xC0, 640, 480) + "\xFF\xDA", "jpeg 640x480"},
      {"jpeg fill bytes, restart and table before a progressive frame",
       kSoi + "\xFF\xFF\xFF\xD0" + Segment(0xC4, "tables") + Frame(0xC2, 3, 65535),
       "jpeg 3x65535"},
      {"jpeg frame far in", kSoi + Segment(0xE1, Bytes(65000, '\xFF')) + Frame(0xC1, 9, 7),
       "jpeg 9x7"},
      {"jpeg scan before the frame", kSoi + kJfif + "\xFF\xDA" + one, "none"},
      {"jpeg end before the frame", kSoi + "\xFF\xD9" + one, "none"},
      {"jpeg no marker", kSoi + Bytes("\0\xFF", 2) + one, "none"},
      {"jpeg length 1", kSoi + Bytes("\xFF\xE0\0\x01", 4) + one, "none"},
      {"jpeg frame too short", kSoi + Segment(0xC0, Bytes("\x08\0\x01\0", 4)) + one, "none"},
      {"jpeg no height", kSoi + Frame(0xC0, 5, 0), "none"},
      {"jpeg cut in the frame", kSoi + Frame(0xC0, 5, 5).substr(0, 7), "none"},
      {"jpeg cut in a segment", kSoi + kJfif.substr(0, 9), "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
    EXPECT_EQ(Shown(RecognizePicture(bytes, c.bytes.size())), c.facts);
    for (size_t piece : {1, 3, 7}) {
      PictureRecognizer fed;
      for (size_t i = 0; i < c.bytes.size(); i += piece)
        fed.Feed(bytes + i, std::min(piece, c.bytes.size() - i));
      const bool known = fed.End() == PictureRecognizer::Verdict::Known;
      EXPECT_EQ(known ? Shown(fed.facts()) : "none", c.facts) << piece;
    }
  }
}

TEST(PictureBytes, PercentAndBase64Decoding) {
  for (auto [text, decoded] :
       {std::pair<Bytes, Bytes>{"My%20Page_files/a.png", "My Page_files/a.png"},
        {"%41%4a%4A%7e", "AJJ~"}, {"100%", "100%"}, {"%4", "%4"}, {"%zz%2", "%zz%2"},
        {"%%41", "%A"}, {"%00", Bytes(1, '\0')}, {"", ""}}) {
    Bytes out = text;  // decoded where it stands
    EXPECT_EQ(out.substr(0, PercentDecode(out, out.data())), decoded) << text;
  }
  for (auto [text, decoded] :
       {std::pair<Bytes, Bytes>{"aGVsbG8=", "hello"}, {"aGVs\r\n bG8h", "hello!"},
        {"aGVsbA", "hell"}, {"aGVsbG8*aGVs", "hello"}, {"Zg==Zm9v", "f"},
        {"+/+/", "\xFB\xFF\xBF"}, {"Z", ""}, {"", ""}}) {
    // Whole and in place, and split at every point.
    Bytes out = text;
    auto* at = reinterpret_cast<unsigned char*>(out.data());
    EXPECT_EQ(out.substr(0, Base64Decoder().Decode(at, out.size(), at)), decoded) << text;
    for (size_t split = 0; split <= text.size(); ++split) {
      Base64Decoder decoder;
      unsigned char into[16];
      const auto* t = reinterpret_cast<const unsigned char*>(text.data());
      size_t n = decoder.Decode(t, split, into);
      n += decoder.Decode(t + split, text.size() - split, into + n);
      EXPECT_EQ(Bytes(reinterpret_cast<char*>(into), n), decoded) << text << " at " << split;
    }
  }
}

// "file:" addresses of a path, its spaces encoded.
Bytes FileAddress(const std::filesystem::path& path) {
  Bytes address = "file://";
  const std::u8string generic = path.generic_u8string();
  if (!generic.starts_with(u8"/")) address += '/';  // "file:///C:/..."
  for (char8_t c : generic) address += c == ' ' ? Bytes("%20") : Bytes(1, char(c));
  return address;
}

// What a finder opens: the bytes it reads (in pieces of 5), or "-" when it opens nothing.
Bytes Opened(PictureFinder& finder, const Bytes& src) {
  PictureFacts facts;
  if (!finder.Open(src, facts)) return "-";
  Bytes bytes;
  unsigned char piece[5];
  for (size_t n; (n = finder.Read(piece, sizeof piece)) != 0;)
    bytes.append(reinterpret_cast<char*>(piece), n);
  EXPECT_FALSE(finder.failed());
  finder.Close();
  return bytes;
}

TEST(PictureFiles, ThePageFolderAndBelowOrTheRootNeverElsewhere) {
  testing::TempDirectory dir;
  const Bytes a = Png(2, 3), jpeg = kSoi + Frame(0xC0, 4, 4) + "\xFF\xD9", big = Png(20, 20);
  dir.Make({{"site/a.png", a}, {"site/img/b.jpg", jpeg}, {"site/My Page_files/c.png", a},
            {"site/fake.png", "<html>"}, {"site/big.png", big}, {"outside.png", a}});
  namespace fs = std::filesystem;
  const fs::path site = dir.root_ / "site";
  std::error_code noLinks;
  fs::create_symlink(dir.root_ / "outside.png", site / "link.png", noLinks);
  fs::create_directory_symlink(dir.root_, site / "up", noLinks);
  const Bytes folder = testing::Utf8Of(site);
  // Pictures of at most the big one's size less a byte.
  const uint64_t largest = big.size() - 1;
  PictureFiles page(folder, folder, largest), wider(folder, dir.bare(), largest),
      memory("", "", largest), memoryWithRoot("", folder, largest),
      pageOutside(testing::Utf8Of(dir.root_), folder, largest);
  const Bytes no = "-";
  const struct {
    Bytes src, inPage, inWider;
  } cases[] = {
      {"a.png", a, a},
      {" img/b.jpg#top ", jpeg, jpeg},
      {"img\\b.jpg?size=1", jpeg, jpeg},
      {"My%20Page_files/c.png", a, a},
      {"./img/../a.png", a, a},
      {"../outside.png", no, a},
      {"../site/a.png", a, a},
      {noLinks ? "" : "link.png", no, noLinks ? no : a},
      {noLinks ? "" : "up/outside.png", no, noLinks ? no : a},
      {testing::Utf8Of(dir.root_ / "outside.png"), no, a},
      {testing::Utf8Of(site / "a.png"), a, a},
      {FileAddress(site / "My Page_files" / "c.png"), a, a},
      {FileAddress(dir.root_ / "outside.png"), no, a},
      {"file://elsewhere" + FileAddress(site / "a.png").substr(7), no, no},
      {"fake.png", no, no},
      {"big.png", no, no},
      {"missing.png", no, no},
      {"img", no, no},
      {"http://example.org/a.png", no, no},
      {"//example.org/a.png", no, no},
      {"ftp:a.png", no, no},
      {"data:image/png;base64,/9j/wAALCAAEAAQBAREA/9k=", jpeg, jpeg},  // the bytes decide
      {"data:image/jpeg;BASE64,/9j/\n wAALCAAEAAQ%42AREA/9k", jpeg, jpeg},
      {"data:," + Bytes("%89PNG") + a.substr(4), a, a},
      {"data:image/gif;base64,R0lGODlhAQABAAAAACw=", no, no},
      {"data:image/png;base64", no, no},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.src);
    EXPECT_EQ(Opened(page, c.src), c.inPage);
    EXPECT_EQ(Opened(wider, c.src), c.inWider);
    // From memory: data: pictures alone, unless a root is named (relative ones start there,
    // as they do for a page outside the root).
    EXPECT_EQ(Opened(memory, c.src), c.src.starts_with("data:") ? c.inPage : no);
    EXPECT_EQ(Opened(memoryWithRoot, c.src), c.inPage);
    EXPECT_EQ(Opened(pageOutside, c.src), c.inPage);
  }
}

// Hands over a picture's bytes (src "p"), and fails after `failAfter` of them.
struct BytesFinder final : PictureFinder {
  Bytes bytes;
  size_t failAfter = SIZE_MAX, at = 0;
  bool Open(std::string_view src, PictureFacts& facts) override {
    facts = RecognizePicture(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    at = 0;
    return src == "p" && facts.kind != PictureKind::None;
  }
  size_t Read(unsigned char* into, size_t capacity) override {
    const size_t n = std::min({capacity, bytes.size() - at, failAfter - std::min(failAfter, at)});
    std::memcpy(into, bytes.data() + at, n);
    at += n;
    return n;
  }
  bool failed() const override { return at == failAfter; }
  void Close() override {}
};

// The bytes as lines of 128 hexadecimal digits.
Bytes HexLines(const Bytes& bytes) {
  Bytes hex;
  char digits[3];
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(bytes[i]));
    hex += Bytes(digits) + (i % 64 == 63 || i + 1 == bytes.size() ? "\n" : "");
  }
  return hex;
}

// What WriteRtfPicture writes, after "refused:" when it says it opened nothing.
Bytes Written(PictureFinder& finder, const Bytes& src, long width, long height, int textWidth) {
  MemoryOutputStream stream;
  auto out = std::make_unique<PageOutput>(stream);
  const bool written = WriteRtfPicture(*out, finder, src, width, height, textWidth);
  out->Flush();
  return (written ? "" : "refused:") + stream.str();
}

TEST(RtfPicture, TheGroupOfARealPngAFailedReadAndNothingOpened) {
  BytesFinder finder;
  finder.bytes = Png(100, 1);
  ASSERT_GT(finder.bytes.size(), 64u * 2);  // three lines
  EXPECT_EQ(Written(finder, "p", -1, -1, 9000),
            "{\\pict\\pngblip\\picw100\\pich1\\picwgoal1500\\pichgoal15\n" +
                HexLines(finder.bytes) + "}");
  finder.failAfter = 100;  // the group ends after the bytes read
  EXPECT_EQ(Written(finder, "p", 80, -1, 900),
            "{\\pict\\pngblip\\picw100\\pich1\\picwgoal900\\pichgoal11\n" +
                HexLines(finder.bytes.substr(0, 100)) + "}");
  PictureFiles files("", "");
  EXPECT_EQ(Written(finder, "http://example.org/p.png", 10, 10, 9000), "refused:");
  EXPECT_EQ(Written(files, "p.png", 10, 10, 9000), "refused:");
}

TEST(RtfPicture, GoalSizes) {
  constexpr long kAbsent = -1;
  constexpr uint32_t kLongest = 0x7FFFFFFF;
  const struct {
    uint32_t width, height;
    long widthAttribute, heightAttribute;
    int textWidth;
    long goalWidth, goalHeight;
  } cases[] = {
      // Pixels and attributes (15 twips a pixel), the aspect kept for an attribute alone.
      {100, 50, kAbsent, kAbsent, 0, 1500, 750}, {100, 50, 200, kAbsent, 0, 3000, 1500},
      {100, 50, kAbsent, 100, 0, 3000, 1500}, {100, 50, 10, 30, 0, 150, 450},
      {100, 50, 0, kAbsent, 0, 1500, 750},
      // The text's width, and the longest side readers take, scaled down to.
      {100, 50, kAbsent, kAbsent, 1000, 1000, 500}, {3, 1, kAbsent, kAbsent, 2, 2, 1},
      {4000, 1000, kAbsent, kAbsent, 0, 31680, 7920},
      // Hostile sizes: a side of at least 1 twip, none past the limits.
      {kLongest, 1, kAbsent, kAbsent, 9000, 9000, 1}, {1, 1, 2000000000, 1, 9000, 9000, 1},
      {1, kLongest, kAbsent, kAbsent, 9000, 1, 31680},
  };
  for (const auto& c : cases) {
    const PictureGoal goal = GoalOfPicture({PictureKind::Png, c.width, c.height},
                                           c.widthAttribute, c.heightAttribute, c.textWidth);
    EXPECT_EQ(std::to_string(goal.width) + "x" + std::to_string(goal.height),
              std::to_string(c.goalWidth) + "x" + std::to_string(c.goalHeight))
        << c.width << "x" << c.height << " " << c.widthAttribute << " " << c.heightAttribute;
  }
}

// The C interface: pictures embedded from the page's folder by default, a value out of the
// choices refused, a struct of 1.3 (which ends before images) read with the defaults whatever
// its memory holds past it.
TEST(PictureOptions, DefaultsRangeAndTheStructOfVersion13) {
  vellumine_options options;
  vellumine_options_init(&options);
  EXPECT_EQ(options.images, VELLUMINE_IMAGES_EMBED);
  EXPECT_EQ(options.image_root, nullptr);
  auto convert = [&options] {
    const std::string_view page = "<p><img src=\"a.png\" alt=\"a\">";
    auto taken = [](void*, const char*, size_t) { return 0; };
    return vellumine_convert_memory(page.data(), page.size(), &options, taken, nullptr);
  };
  for (int images : {2, -1, 99}) {
    options.size = sizeof options;
    options.images = static_cast<vellumine_images>(images);
    EXPECT_EQ(convert(), VELLUMINE_INVALID_ARGUMENT) << images;
    options.size = offsetof(vellumine_options, images);
    EXPECT_EQ(convert(), VELLUMINE_OK) << images;
  }
}

}  // namespace
}  // namespace vellumine
