#include "html_corpus.h"

#include <cstdint>
#include <iterator>

namespace vellumine::bench {
namespace {

// splitmix64: small, fast and the same everywhere.
class Random {
 public:
  explicit Random(uint64_t state) : state_(state) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  size_t Below(size_t n) { return static_cast<size_t>(Next() % n); }
  bool Chance(int percent) { return Below(100) < static_cast<size_t>(percent); }

 private:
  uint64_t state_;
};

const char* const kWords[] = {
    "the", "of", "and", "to", "in", "a", "is", "that", "for", "it", "as", "was", "with", "be",
    "by", "on", "not", "he", "this", "are", "or", "his", "from", "at", "which", "but", "have",
    "an", "had", "they", "you", "were", "their", "one", "all", "we", "can", "her", "has",
    "there", "been", "if", "more", "when", "will", "would", "who", "so", "no", "tide", "pool",
    "harbour", "morning", "weather", "season", "village", "market", "river", "garden",
    "library", "station", "committee", "report", "quarter", "figures", "customer", "delivery",
    "schedule", "museum", "exhibition", "collection", "visitors", "recipe", "kitchen",
    "butter", "flour", "evening", "lantern", "bridge", "northern", "coastal", "shallow",
    "granite", "measured", "carefully", "between", "several", "hundred", "metres", "above",
    "below", "beside", "although", "however", "therefore", "meanwhile", "afterwards",
    "typically", "especially", "particular", "important", "different", "following",
    "previous", "available", "information", "development", "government", "community",
    "experience", "understanding", "organisation", "particularly", "approximately",
};
constexpr size_t kWordCount = sizeof kWords / sizeof kWords[0];

// Accented words in ISO-8859-1, one for every four English words.
const char* const kLatin1Words[] = {
    "caf\xE9", "cr\xE8me", "na\xEFve", "fa\xE7" "ade", "\xFC" "ber", "Stra\xDF" "e", "se\xF1or",
    "ni\xF1o", "\xE9t\xE9", "gar\xE7on", "d\xE9j\xE0", "r\xE9sum\xE9", "co\xF6perate",
    "\xC5ngstr\xF6m", "\xD8resund", "p\xE2t\xE9", "br\xFBl\xE9" "e", "M\xFCller",
    "K\xF6ln", "S\xE3o", "Jos\xE9", "\xE0", "fj\xF6rd", "ma\xF1" "ana", "soup\xE7on",
    "r\xF4le", "na\xEFvet\xE9", "\xC9" "cole", "\xEEle", "cl\xE9",
};

// Words of four scripts in UTF-8, one for every two English words.
const char* const kScriptWords[] = {
    "привет", "город", "погода", "библиотека", "река", "мост", "утро", "рынок",
    "καλημέρα", "θάλασσα", "βιβλίο", "γέφυρα", "πόλη", "ήλιος",
    "日本語", "図書館", "天気", "市場", "川", "橋", "朝",
    "café", "Straße", "naïve", "😀",
};

// Latin-1 bytes as UTF-8.
std::string Latin1ToUtf8(const std::string& latin1) {
  std::string out;
  out.reserve(latin1.size() + latin1.size() / 8);
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void ReplaceFirst(std::string& text, const std::string& from, const std::string& to, size_t at) {
  size_t found = text.find(from, at);
  if (found != std::string::npos) text.replace(found, from.size(), to);
}

const char* const kEntities[] = {"&amp;", "&nbsp;", "&lt;", "&gt;", "&quot;", "&#8212;",
                                 "&eacute;", "&copy;", "&#169;", "&rsquo;", "&#x2019;"};
constexpr size_t kEntityCount = sizeof kEntities / sizeof kEntities[0];

class Writer {
 public:
  Writer(std::string& out, Random& random, CorpusText text)
      : out_(out), random_(random), text_(text) {}

  void Line(const char* text) {
    out_ += text;
    out_ += "\r\n";
    column_ = 0;
  }

  // Wraps at about 78 columns, as editors save hand-written pages.
  void Word(const std::string& word) {
    if (afterOpening_) {
      afterOpening_ = false;  // the first word sits right after its opening tag
    } else if (column_ > 0) {
      if (column_ + word.size() > 78) {
        out_ += "\r\n";
        column_ = 0;
      } else {
        out_ += ' ';
        ++column_;
      }
    }
    out_ += word;
    column_ += word.size();
  }

  std::string RandomWord() {
    if (text_ == CorpusText::Latin1 && random_.Chance(20))
      return kLatin1Words[random_.Below(std::size(kLatin1Words))];
    if (text_ == CorpusText::Scripts && random_.Chance(33))
      return kScriptWords[random_.Below(std::size(kScriptWords))];
    return kWords[random_.Below(kWordCount)];
  }

  // One sentence: words, now and then an inline tag, an entity or a link.
  void Sentence() {
    size_t words = 6 + random_.Below(14);
    for (size_t i = 0; i < words; ++i) {
      std::string word = RandomWord();
      if (i == 0 && word[0] >= 'a' && word[0] <= 'z') word[0] = static_cast<char>(word[0] - 'a' + 'A');
      int pick = static_cast<int>(random_.Below(100));
      if (pick < 4) {
        word = "<b>" + word + "</b>";
      } else if (pick < 7) {
        word = "<i>" + word + " " + RandomWord() + "</i>";
      } else if (pick < 9) {
        word = "<a href=\"https://example.org/" + RandomWord() + "/page" +
               std::to_string(random_.Below(1000)) + ".html\">" + word + "</a>";
      } else if (pick < 13) {
        word += kEntities[random_.Below(kEntityCount)];
        word += RandomWord();
      } else if (pick < 14) {
        word = "<span class=\"note\">" + word + "</span>";
      }
      if (i + 1 == words) word += random_.Chance(85) ? "." : "?";
      else if (random_.Chance(8)) word += ",";
      Word(word);
    }
  }

  void Paragraph() {
    out_ += random_.Chance(20) ? "<p class=\"body\">" : "<p>";
    column_ = 3;
    afterOpening_ = true;
    size_t sentences = 2 + random_.Below(6);
    for (size_t i = 0; i < sentences; ++i) Sentence();
    out_ += "</p>\r\n";
    column_ = 0;
  }

  void Heading() {
    int level = 2 + static_cast<int>(random_.Below(3));
    out_ += "<h" + std::to_string(level) + ">";
    size_t words = 2 + random_.Below(5);
    for (size_t i = 0; i < words; ++i) out_ += (i ? " " : "") + RandomWord();
    out_ += "</h" + std::to_string(level) + ">\r\n";
    column_ = 0;
  }

  void List() {
    bool ordered = random_.Chance(30);
    Line(ordered ? "<ol>" : "<ul>");
    size_t items = 3 + random_.Below(6);
    for (size_t i = 0; i < items; ++i) {
      out_ += "<li>";
      column_ = 4;
      afterOpening_ = true;
      Sentence();
      out_ += random_.Chance(50) ? "</li>\r\n" : "\r\n";
      column_ = 0;
    }
    Line(ordered ? "</ol>" : "</ul>");
  }

  void Table() {
    Line("<table border=\"1\" cellpadding=\"3\" width=\"100%\">");
    size_t columns = 2 + random_.Below(4);
    out_ += "<tr>";
    for (size_t c = 0; c < columns; ++c) out_ += "<th>" + RandomWord() + "</th>";
    out_ += "</tr>\r\n";
    size_t rows = 3 + random_.Below(10);
    for (size_t r = 0; r < rows; ++r) {
      out_ += "<tr>";
      for (size_t c = 0; c < columns; ++c) {
        out_ += c == 0 ? "<td>" + RandomWord() + " " + RandomWord() + "</td>"
                       : "<td align=\"right\">" + std::to_string(random_.Below(100000)) +
                             (random_.Chance(20) ? "&nbsp;&euro;" : "") + "</td>";
      }
      out_ += "</tr>\r\n";
    }
    Line("</table>");
  }

  void Address() {
    out_ += "<p>";
    for (int i = 0; i < 3; ++i) out_ += RandomWord() + " " + RandomWord() + "<br>\r\n";
    out_ += "</p>\r\n";
    column_ = 0;
  }

  void PageStart(size_t page) {
    Line("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
    Line("<html>");
    Line("<head>");
    Line(text_ == CorpusText::Scripts
             ? "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
             : "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">");
    out_ += "<title>Field notes, page " + std::to_string(page) + "</title>\r\n";
    Line("<style type=\"text/css\">");
    Line("  body { font-family: Georgia, serif; margin: 2em; }");
    Line("  .note { color: #555555; }");
    Line("</style>");
    Line("<script type=\"text/javascript\">");
    Line("  function show(id) { if (id < 3) { document.getElementById(id).style.display = 'block'; } }");
    Line("</script>");
    Line("</head>");
    Line("<body bgcolor=\"#ffffff\">");
    out_ += "<h1>Field notes " + std::to_string(page) + "</h1>\r\n";
  }

  void PageEnd() {
    Line("<hr>");
    Line("<p align=\"center\"><font size=\"-1\">&copy; the authors</font></p>");
    Line("</body>");
    Line("</html>");
  }

 private:
  std::string& out_;
  Random& random_;
  CorpusText text_;
  size_t column_ = 0;          // bytes on the current line
  bool afterOpening_ = false;  // the next word follows an opening tag directly
};

}  // namespace

std::string MakeHtmlCorpus(size_t minBytes, CorpusText text) {
  if (text == CorpusText::Latin1AsUtf8) {
    // The Latin-1 pages, each declaring UTF-8 instead; a little over minBytes.
    std::string utf8 = Latin1ToUtf8(MakeHtmlCorpus(minBytes, CorpusText::Latin1));
    for (size_t at = utf8.find("charset=iso-8859-1"); at != std::string::npos;
         at = utf8.find("charset=iso-8859-1", at))
      ReplaceFirst(utf8, "charset=iso-8859-1", "charset=utf-8", at);
    return utf8;
  }
  if (text == CorpusText::ScriptsUndeclared) {
    std::string pages = MakeHtmlCorpus(minBytes, CorpusText::Scripts);
    const std::string declaration =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n";
    std::string undeclared;
    undeclared.reserve(pages.size());
    size_t from = 0;
    for (size_t at = pages.find(declaration); at != std::string::npos;
         at = pages.find(declaration, from)) {
      undeclared.append(pages, from, at - from);
      from = at + declaration.size();
    }
    undeclared.append(pages, from);
    return undeclared;
  }
  std::string out;
  out.reserve(minBytes + (1u << 16));
  Random random(20240611);
  Writer writer(out, random, text);
  for (size_t page = 1; out.size() < minBytes; ++page) {
    writer.PageStart(page);
    // About 60 KiB per page: mostly paragraphs, with the odd list, table and heading.
    size_t pageStart = out.size();
    while (out.size() - pageStart < 60000) {
      int pick = static_cast<int>(random.Below(100));
      if (pick < 62) writer.Paragraph();
      else if (pick < 74) writer.Heading();
      else if (pick < 86) writer.List();
      else if (pick < 94) writer.Table();
      else writer.Address();
    }
    writer.PageEnd();
  }
  return out;
}

}  // namespace vellumine::bench
