// The plain-text translation: line-break forms, white space, tags, references, mapping.
#include "text_writer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "engine_test_files.h"

namespace vellumine {
namespace {

std::string Translate(const std::string& text, CharMapper mapper = MapIdentity) {
  NullProgressSink sink;
  ProgressTicks ticks;
  BuildProgressTicks(ticks, text.size(), sink);
  ByteBuffer body;
  EXPECT_TRUE(body.Allocate(4 * text.size() + 1000));
  TranslateToText(text.data(), text.size(), mapper, ticks, body);
  EXPECT_FALSE(body.failed());
  return std::string(body.view());
}

struct Case {
  std::string text;
  std::string body;
};

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) EXPECT_EQ(Translate(c.text), c.body) << "text: " << c.text;
}

TEST(TranslateToTextTest, WorkedExample) {
  EXPECT_EQ(Translate("<body><h1>Head</h1>\nText &amp; more<br>\n  next<li>item\n"
                      "<p>A  B</p></body>"),
            "Head\nText & more\nnext\nitem \nA B\n");
}

TEST(TranslateToTextTest, LineBreakForms) {
  ExpectCases({
      {"<p>one</p><p>two</p>", "\none\n\ntwo\n"},
      {"<X>1<P CLASS=a>2</P>z", "12\nz"},
      {"<x>a</H6>b</hr>c</h>>d", "a\nb\nc\nd"},
      {"<x>a</h1 >b", "ab"},
      {"<x>a<BR>b<Li>c</p>d", "a\nb\nc\nd"},
      {"<x>x<br/>y<br />z", "xyz"},
      {"<x>a<li value=3>b", "ab"},
      // Forms follow one another only in the order they are tested within one step.
      {"<x>a</p><p></h2><br><li>b", "a\n\n\n\n\nb"},
      {"<x>a<li><br>b", "a\nb"},
      {"<x>a<br><br>b", "a\nb"},
      {"<x>a<p></p>b", "a\nb"},
      // "<br>" swallows line feeds and blanks after it, but not tabs.
      {"<x>a<br>\n \n  b", "a\nb"},
      {"<x>a<br>\t b", "a\nb"},
      {"<b><br>\nText", "\n"},
      {"<b><br>Text", "\nText"},
      {"<b>x<br>\nText", "x\nText"},
      // Forms are written even before any text is on.
      {"ab<p>cd", "\ncd"},
      {"<br>", "\n"},
      {"<br>   ", "\n"},
      {"<p", ""},
      {"</h1", ""},
  });
}

TEST(TranslateToTextTest, WhiteSpace) {
  ExpectCases({
      {"<x>a</b> <i>b", "a b"},
      {"<x>a \t\n b", "a b"},
      {"<x> a", " a"},
      {"<x>a <p>b", "a \nb"},
      {"<x>a<p> b", "a\nb"},
      {"<x>a<p> <i> b", "a\nb"},
      {"<x>a  ", "a "},
      {"<x>a\r\nb", "a\r b"},  // a carriage return in text is an ordinary byte
      {"<x>\x0B\x0C", "\x0B\x0C"},
  });
}

TEST(TranslateToTextTest, TagsAndText) {
  ExpectCases({
      {"plain text without tags", ""},
      {"", ""},
      {"<table><tr><td>a</td><td>b</td></tr></table>", "ab"},
      {"<x>1 > 0", "1 > 0"},
      {"<x>a<>b", "ab"},
      {"<x>>b", ">b"},
      {"<a href=\"x>y\">link</a>", "y\">link"},
      {"<x><<y>z", "z"},
      {"a>b", "b"},
      {">", ""},
      {"<x>", ""},
  });
}

TEST(TranslateToTextTest, References) {
  ExpectCases({
      {"<x>AT&amp;T", "AT&T"},
      {"<x>&lt;b&gt; &quot;q&quot; &apos;a&apos;", "<b> \"q\" 'a'"},
      {"<x>&#65;&#x42;&#X43;&#0068;&#x00045;", "ABCDE"},
      {"<x>&#32;&#126;&#127;&#31;", " ~"},
      {"<x>a&#32; b", "a  b"},  // a numeric blank is a visible byte
      {"<x>a&nbsp;b a&#160;b a&#xA0;b a&#xa0;b", "a b a b a b a b"},
      {"<x>a &nbsp; b", "a b"},
      {"<x>a<p>&nbsp;b", "a\nb"},
      // Everything else within reach of a ";" is removed.
      {"<x>a&b;c", "ac"},
      {"<x>a&AMP;b &Amp;c &nbsp d", "ab c &nbsp d"},
      {"<x>&#;&#x;&#1a;&#xg;&#-1;&#x41 ;x", "x"},
      {"<x>&#8364;&#xFFFF;&#9999999;&copy;&rsquo;y", "y"},
      {"<x>&<b>;c", "c"},  // nothing inside a reference is a tag
      // No ";" among the nine bytes after "&": an ordinary byte.
      {"<x>R&D is fun", "R&D is fun"},
      {"<x>a&bcdefghi;j", "aj"},
      {"<x>a&bcdefghij;k", "a&bcdefghij;k"},
      {"<x>a&", "a&"},
      {"<x>a & b", "a & b"},
      {"<x>a &amp", "a &amp"},
      // Nothing is written while text is off, but the reference is still consumed.
      {"<a title=&gt;x>y", "y"},
      {"&amp;<x>y", "y"},
      {"<a x='&'>y", "y"},
  });
}

TEST(TranslateToTextTest, MapperAppliesToWrittenBytes) {
  EXPECT_EQ(Translate("<x>\xC1\xC2 &amp;<p>\xA3", MapKoi8r), "\xE0\xE1 &\n\xB8");
  EXPECT_EQ(Translate("<x>\xB0\xF1", MapIso88595), "\xC0\xB8");
  EXPECT_EQ(Translate("<x>\xC1\xC2", MapIdentity), "\xC1\xC2");
}

TEST(TranslateToTextTest, AppendsToWhatTheBodyHolds) {
  NullProgressSink sink;
  ProgressTicks ticks;
  BuildProgressTicks(ticks, 0, sink);
  ByteBuffer body;
  ASSERT_TRUE(body.Allocate(4));
  body.Append("head");
  std::string text = "<x>" + std::string(5000, 'y');
  TranslateToText(text.data(), text.size(), MapIdentity, ticks, body);
  EXPECT_EQ(std::string(body.view()), "head" + std::string(5000, 'y'));
}

// The translation as the rules read, one step at a time and without any shortcut: the
// fast loops of the real one must give exactly the same bytes and ticks.
std::string ReferenceTranslate(const std::string& s, CharMapper mapper,
                               std::vector<size_t>* steps) {
  const size_t n = s.size();
  auto matchForm = [&](size_t p, const char* form) {
    for (size_t i = 0; form[i]; ++i) {
      if (p + i >= n) return false;
      if (form[i] == '?') continue;
      if (std::tolower(static_cast<unsigned char>(s[p + i])) != form[i]) return false;
    }
    return true;
  };
  std::string out;
  bool textOn = false, spaceWritten = false;
  size_t p = 0;
  while (p < n) {
    steps->push_back(p);
    const char* forms[] = {"</p>", "<p>", "</h?>", "<br>", "<li>"};
    for (const char* form : forms) {
      if (!matchForm(p, form)) continue;
      out += '\n';
      p += std::string(form).size();
      if (form == forms[3])
        while (p < n && (s[p] == '\n' || s[p] == ' ')) ++p;
    }
    if (p >= n) break;
    if (p > 0 && s[p - 1] == '>' && s[p] != '<') textOn = true;
    char ch = s[p];
    size_t semi = p + 1;
    while (ch == '&' && semi < n && semi <= p + 9 && s[semi] != ';') ++semi;
    if (ch == '&' && semi < n && semi <= p + 9) {
      std::string name = s.substr(p + 1, semi - p - 1);
      int value = -1;
      bool blank = name == "nbsp";
      if (name == "amp") value = '&';
      if (name == "lt") value = '<';
      if (name == "gt") value = '>';
      if (name == "quot") value = '"';
      if (name == "apos") value = '\'';
      if (name.size() >= 2 && name[0] == '#') {
        bool hex = name[1] == 'x' || name[1] == 'X';
        std::string digits = name.substr(hex ? 2 : 1);
        bool ok = !digits.empty();
        for (char d : digits) ok = ok && (hex ? std::isxdigit(static_cast<unsigned char>(d)) != 0
                              : std::isdigit(static_cast<unsigned char>(d)) != 0);
        if (ok) {
          long v = std::stol(digits, nullptr, hex ? 16 : 10);
          if (v >= 32 && v <= 126) value = static_cast<int>(v);
          blank = v == 160;
        }
      }
      if (textOn && value >= 0) {
        out += static_cast<char>(mapper(static_cast<unsigned char>(value)));
        spaceWritten = false;
      } else if (textOn && blank && !spaceWritten && (out.empty() || out.back() != '\n')) {
        out += ' ';
        spaceWritten = true;
      }
      p = semi + 1;
      continue;
    }
    if (ch == '<') {
      textOn = false;
    } else if (!textOn) {
    } else if (ch == '\n' || ch == ' ' || ch == '\t') {
      if (!spaceWritten && (out.empty() || out.back() != '\n')) {
        out += ' ';
        spaceWritten = true;
      }
    } else {
      spaceWritten = false;
      out += static_cast<char>(mapper(static_cast<unsigned char>(ch)));
    }
    ++p;
  }
  return out;
}

// Ticks at every position a step of the reference starts: each must fire, in order.
class CountingSink final : public ProgressSink {
 public:
  void SetRange(int, int) override {}
  void SetPosition(int) override { ++fired; }
  void SetPercentText(const char*) override {}
  int fired = 0;
};

TEST(TranslateToTextTest, SameAsTheStepByStepRules) {
  const std::vector<std::string> pieces = {
      "<p>", "</p>", "<P>", "</h3>", "</hr>", "<br>", "<BR>", "<li>", "<Li>", "<b>", "</b>",
      "<", ">", "&amp;", "&nbsp;", "&#65;", "&#xA0;", "&bogus;", "&", ";", " ", "  ", "\n",
      "\t", "\r", "word", "x", "\xC1", "\xF0", "<a href=x>", "&#160;", "&lt;", "&#x7E;",
      "&#1234567;", "abcdefghij", "<br>\n \n", "</h", "</p", "<l"};
  std::mt19937 random(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    size_t count = random() % 60;
    for (size_t i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
    CharMapper mapper = round % 3 == 0 ? MapKoi8r : round % 3 == 1 ? MapIso88595 : MapIdentity;
    std::vector<size_t> steps;
    std::string expected = ReferenceTranslate(text, mapper, &steps);
    EXPECT_EQ(Translate(text, mapper), expected) << "text: " << text;

    // A tick at a step position fires; one that is jumped over stops all later ticks.
    CountingSink sink;
    ProgressTicks ticks;
    BuildProgressTicks(ticks, 0, sink);
    size_t chosen = steps.empty() ? 0 : steps[random() % steps.size()];
    size_t skipped = chosen + 1;
    bool skippedIsStep = false;
    for (size_t step : steps) skippedIsStep = skippedIsStep || step == skipped;
    ticks.positions[0] = chosen;
    ticks.positions[1] = skipped;
    ticks.positions[2] = skipped + 1;
    ticks.count = 3;
    ticks.nextPosition = chosen;
    ByteBuffer body;
    ASSERT_TRUE(body.Allocate(text.size() + 1));
    TranslateToText(text.data(), text.size(), mapper, ticks, body);
    if (steps.empty()) {
      EXPECT_EQ(sink.fired, 0);
      continue;
    }
    int expectedFired = 1;
    if (skippedIsStep) {
      expectedFired = 2;
      for (size_t step : steps) expectedFired += step == skipped + 1 ? 1 : 0;
      expectedFired = expectedFired > 3 ? 3 : expectedFired;
    }
    EXPECT_EQ(sink.fired, expectedFired) << "text: " << text << " tick at " << chosen;
  }
}

TEST(TranslateToTextTest, PathologicalInputsStayLinear) {
  std::string ampersands(1 << 20, '&');
  EXPECT_EQ(Translate(">" + ampersands), ampersands);
  std::string unclosed;
  for (int i = 0; i < 100000; ++i) unclosed += "<b";
  EXPECT_EQ(Translate(unclosed + ">x"), "x");
  std::string breaks;
  for (int i = 0; i < 100000; ++i) breaks += "<br>";
  // Each "<br>" ends its step on the next one's "<", which turns text off: every
  // second one is a line break.
  EXPECT_EQ(Translate(breaks), std::string(50000, '\n'));
}

}  // namespace
}  // namespace vellumine
