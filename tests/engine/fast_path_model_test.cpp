// The fast passes against short byte-by-byte models of the same rules, on random texts
// weighted toward what the chunked scans must get right: special bytes at chunk boundaries,
// runs of blanks, bytes from 0x80 up and UTF-8 sequences whole, cut or stray. The same tests
// run in the vector build and in the word-at-a-time build.

#include <algorithm>
#include <cctype>
#include <random>

#include "engine_test_util.h"
#include "fast/byte_scan.h"
#include "translation/entities.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine::testing {

// A random text of the pieces of data/cases/fast-pieces.tsv (what they hold: there).
std::string RandomText(std::mt19937& random) {
  static const std::vector<Row> kPieces = Rows("fast-pieces.tsv", 1);
  std::string text;
  size_t pieces = 1 + random() % 60;
  for (size_t i = 0; i < pieces; ++i) text += kPieces[random() % kPieces.size()].fields[0];
  return text;
}

const unsigned char* Bytes(const std::string& s, size_t p) {
  return reinterpret_cast<const unsigned char*>(s.data() + p);
}

// Whether s holds form at p, in either case.
bool At(const std::string& s, size_t p, std::string_view form) {
  auto same = [](char f, char c) { return f == std::tolower(static_cast<unsigned char>(c)); };
  return s.size() - p >= form.size() && std::equal(form.begin(), form.end(), s.begin() + p, same);
}

// Plain text, byte by byte, for those pieces (only "<p>" and "</p>" break lines).
std::string TextModel(const std::string& s, bool utf8) {
  std::string out;
  bool textOn = false, blankAllowed = true;
  for (size_t p = 0; p < s.size();) {
    // Each form is tried once a step, in order, each where the one before left off.
    for (const char* form : {"</p>", "<p>"}) {
      if (!At(s, p, form)) continue;
      p += std::char_traits<char>::length(form);
      out += '\n';
      blankAllowed = false;
    }
    if (p >= s.size()) break;
    if (!textOn && p > 0 && s[p - 1] == '>' && s[p] != '<') textOn = true;
    unsigned char c = static_cast<unsigned char>(s[p]);
    if (c == '&') {
      size_t semi = s.find(';', p + 1);
      if (semi != std::string::npos && semi - p <= 9) {
        if (textOn && s.compare(p, 5, "&amp;") == 0) {
          out += '&';
          blankAllowed = true;
        }
        p = semi + 1;
        continue;
      }
    }
    if (c == '<') {
      textOn = false;
    } else if (textOn && (c == ' ' || c == '\t' || c == '\n')) {
      if (blankAllowed) out += ' ';
      blankAllowed = false;
    } else if (textOn && utf8 && c >= 0x80) {
      // A well-formed sequence as it stands, else the byte's windows-1252 character.
      uint32_t cp;
      size_t length = DecodeUtf8Sequence(Bytes(s, p), s.size() - p, cp);
      char bytes[4];
      if (length == 0) DecodeUtf8Character(Bytes(s, p), 1, cp), length = 1;
      out.append(bytes, EncodeUtf8(cp, bytes));
      p += length - 1;
      blankAllowed = true;
    } else if (textOn) {
      out += static_cast<char>(c);
      blankAllowed = true;
    }
    ++p;
  }
  return out;
}

// RTF without tables, byte by byte, for those pieces ("<p>" and "</p>" are the only
// tags known).
std::string RtfModel(const std::string& s, bool utf8) {
  std::string out;
  bool textOn = false, breakPending = false;
  EntityResult entity;
  for (size_t p = 0; p < s.size(); ++p) {
    unsigned char c = static_cast<unsigned char>(s[p]);
    bool afterTag = p > 0 && s[p - 1] == '>';
    if (afterTag && c != '<' && c != '\n') textOn = true;
    if (c == '<' && !breakPending && (At(s, p, "</p>") || At(s, p, "<p>"))) {
      out += kBreak;
      breakPending = true;
      p += At(s, p, "</p>") ? 3 : 2;
      continue;
    }
    if (c == '&' && textOn) {
      p += EscapeEntity(s.data(), p, s.size(), entity, false,
                        utf8 ? EntityRunForm::Utf8Text : EntityRunForm::AsIs);
      out += entity.view();
      breakPending = false;
    } else if (c == '{' || c == '}' || c == '\\') {
      if (textOn) out += std::string("\\") + static_cast<char>(c);
    } else if (c == '<') {
      textOn = false;
    } else if (!textOn && !afterTag) {
    } else if (c == ' ' || c == '\t' || c == '\n') {
      textOn = true;
      if (!breakPending && (out.empty() || out.back() != ' ')) out += ' ';
    } else {
      textOn = true;
      if (utf8 && c >= 0x80) {
        uint32_t cp;
        p += DecodeUtf8Character(Bytes(s, p), s.size() - p, cp) - 1;
        char form[kRtfCharacterCapacity];
        out.append(form, FormatRtfCharacter(cp, false, form));
      } else if (c >= 0xA0) {
        char form[5] = {'\\', '\'', 0, 0, 0};
        FormatHexByte(c, form);
        out.append(form, 4);
      } else {
        out += static_cast<char>(c);
      }
      breakPending = false;
    }
  }
  return out;
}

// A preformatted block from s[p] (text on) up to "</pre>", byte by byte: everything as it
// stands but references, line feeds, braces and backslashes, and a UTF-8 page's characters.
// Then the "y" after "</pre>", if the block closes.
std::string PreformattedModel(const std::string& s, size_t p, bool utf8) {
  std::string out;
  EntityResult entity;
  for (; p < s.size(); ++p) {
    unsigned char c = static_cast<unsigned char>(s[p]);
    if (At(s, p, "</pre>")) return out + "y";
    if (c == '&') {
      p += EscapeEntity(s.data(), p, s.size(), entity, false,
                        utf8 ? EntityRunForm::Utf8Preformatted : EntityRunForm::AsIs);
      out += entity.view();
    } else if (c == '\n') {
      out += "\\par\n";
    } else if (c == '{' || c == '}' || c == '\\') {
      out += std::string("\\") + static_cast<char>(c);
    } else if (utf8 && c >= 0x80) {
      uint32_t cp;
      p += DecodeUtf8Character(Bytes(s, p), s.size() - p, cp) - 1;
      char form[kRtfCharacterCapacity];
      out.append(form, FormatRtfCharacter(cp, true, form));
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// A single-byte text's characters in UTF-8, byte by byte.
std::string RecodedModel(const std::string& text, bool cyrillic) {
  std::string out;
  for (char c : text) {
    char utf8[3];
    out.append(utf8, EncodeWindowsByteAsUtf8(static_cast<unsigned char>(c), cyrillic, utf8));
  }
  return out;
}

// The UTF-8 check against one a byte at a time.
void ExpectUtf8CheckAsByBytes(const std::string& text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  bool wellFormed = true, nonAscii = false, found = false;
  for (size_t p = 0, length; wellFormed && p < text.size(); p += length) {
    uint32_t cp;
    length = s[p] < 0x80 ? 1 : DecodeUtf8Sequence(s + p, text.size() - p, cp);
    wellFormed = length != 0;
    nonAscii = nonAscii || s[p] >= 0x80;
  }
  ASSERT_EQ(IsWellFormedUtf8(text.data(), text.size(), &found), wellFormed)
      << ::testing::PrintToString(text.size() > 200 ? text.substr(text.size() / 2 - 8) : text);
  if (wellFormed) { ASSERT_EQ(found, nonAscii) << ::testing::PrintToString(text.substr(0, 200)); }
}

// Each random text in a Latin and in a UTF-8 page: plain text (from a body buffer of one
// byte: the pass reserves what it needs itself), RTF, a preformatted block, and the UTF-8
// check; and plain text asked for in UTF-8 from a windows-1252 and a windows-1251 page, each
// byte of the page's own text as its character (the pieces' references are in every set).
TEST(FastPathModel, PassesMatchTheirModels) {
  std::mt19937 random(1234);
  for (int round = 0; round < 4000; ++round) {
    const std::string text = RandomText(random), page = ">x<pre>" + text + "</pre>y";
    for (bool utf8 : {false, true}) {
      const EncodingChoice encoding{MapIdentity, false, utf8}, single{MapIdentity, utf8, false};
      const std::string where = (utf8 ? "UTF-8 " : "Latin ") + ::testing::PrintToString(text);
      ASSERT_EQ(Translate(text, {ConversionMode::Text, encoding, false, 1}).text,
                TextModel(text, utf8)) << where;
      ASSERT_EQ(Translate(text, {.encoding = encoding}).text, RtfModel(text, utf8)) << where;
      ASSERT_EQ(Translate(page, {.encoding = encoding}).text,  // no piece can make "</pre>"
                "x" + PreformattedModel(page, 7, utf8)) << where;
      ASSERT_EQ(Translate(text, {ConversionMode::Text, single, true, 1}).text,
                RecodedModel(TextModel(text, false), utf8)) << where << " as UTF-8";
    }
    ExpectUtf8CheckAsByBytes(text);
  }
}

// The chunk marks the UTF-8 scan builds on, against byte-by-byte comparisons: bytes at or
// above a bound (unsigned), a mask's complement, and the last bytes of a chunk.
TEST(FastPathModel, ChunkMarks) {
  // The bits of one byte: one bit (vectors) or the high bit of each byte (words).
  const int step = __builtin_ctzll(kLastByte / kFirstByte) / static_cast<int>(kScanChunk - 1);
  auto bit = [&](size_t i) { return static_cast<ScanBits>(kFirstByte << (i * step)); };
  ScanBits all = 0;
  for (size_t i = 0; i < kScanChunk; ++i) all |= bit(i);
  std::mt19937 random(99);
  const unsigned char bounds[] = {0x01, 0x7F, 0x80, 0x90, 0xA0, 0xBF,
                                  0xC0, 0xC2, 0xE0, 0xF0, 0xF5, 0xFF};
  for (int round = 0; round < 2000; ++round) {
    unsigned char bytes[kScanChunk];
    for (unsigned char& b : bytes)
      b = static_cast<unsigned char>(
          random() % 2 ? random() : bounds[random() % std::size(bounds)] - random() % 2);
    const ScanChunk chunk(bytes);
    for (unsigned char bound : bounds) {
      ScanBits expected = 0;
      for (size_t i = 0; i < kScanChunk; ++i) expected |= bytes[i] >= bound ? bit(i) : 0;
      ASSERT_EQ(chunk.AtLeast(bound).Bits(), expected) << int{bound};
      ASSERT_EQ((~chunk.AtLeast(bound)).Bits(), expected ^ all) << int{bound};
    }
  }
  EXPECT_EQ(ByteMask::LastBytes<1>().Bits(), bit(kScanChunk - 1));
  EXPECT_EQ(ByteMask::LastBytes<3>().Bits(),
            bit(kScanChunk - 1) | bit(kScanChunk - 2) | bit(kScanChunk - 3));
}

// Large texts are checked in halves: sequences whole, cut or stray at every position about
// the middle, and bytes from 0x80 up only in the second half or only at the end.
TEST(FastPathModel, LargeTextsCheckedInHalves) {
  const size_t n = kSplitUtf8CheckFrom + 64;
  for (const std::string piece : {"\xC3\xA9", "\xE6\x97\xA5", "\xF0\x9F\x98\x80", "\xE6\x97", "a",
                                  "\x9F\x98\x80", "\x80\x80\x80\x80\x80", "\xFF", "\xED\xA0\x80"}) {
    for (size_t at :
         {n / 2 - 4, n / 2 - 3, n / 2 - 2, n / 2 - 1, n / 2, n / 2 + 1, n - piece.size()}) {
      std::string text(n, 'x');
      ExpectUtf8CheckAsByBytes(text.replace(at, piece.size(), piece));
    }
  }
}

}  // namespace vellumine::testing
