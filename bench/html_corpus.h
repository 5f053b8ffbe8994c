// A deterministic corpus of realistic HTML for the benchmark.
#pragma once

#include <cstddef>
#include <string>

namespace vellumine::bench {

// Pages of text-heavy paragraphs with inline tags and entities, lists, tables, headings and
// line breaks, with CR LF line ends, until at least minBytes. The same bytes on every run.
std::string MakeHtmlCorpus(size_t minBytes);

}  // namespace vellumine::bench
