// A deterministic corpus of realistic HTML for the benchmark.
#pragma once

#include <cstddef>
#include <string>

namespace vellumine::bench {

// The words of a corpus and the character set its pages declare.
enum class CorpusText {
  Ascii,        // English words only (iso-8859-1 declared)
  Latin1,       // with a share of accented words, in ISO-8859-1 bytes
  Latin1AsUtf8, // the Latin1 corpus saved as UTF-8: the same page in the other encoding
  Scripts,      // UTF-8 with words in Latin, Cyrillic, Greek and Japanese, and an emoji
  ScriptsUndeclared,  // the same pages declaring no charset: found UTF-8 by their bytes
};

// Pages of text-heavy paragraphs with inline tags and entities, lists, tables, headings and
// line breaks, with CR LF line ends, until at least minBytes. The same bytes on every run.
std::string MakeHtmlCorpus(size_t minBytes, CorpusText text = CorpusText::Ascii);

}  // namespace vellumine::bench
