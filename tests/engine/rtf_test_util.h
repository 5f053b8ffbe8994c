// Running the RTF passes on a string, for the RTF tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "fast/byte_buffer.h"
#include "translation/char_mappers.h"
#include "fast/progress_ticks.h"
#include "translation/rtf_templates.h"
#include "translation/rtf_writer.h"

namespace vellumine::testing {

struct RtfRunOptions {
  bool tables = false;
  bool cyrillic = false;
  CharMapper mapper = MapIdentity;
  bool utf8 = false;
  size_t capacity = 0;  // the body buffer's first size; 0: as the job sizes it
  bool ticks = false;   // progress ticks for the text's size
};

struct RtfBody {
  std::string text;  // the body
  int openGroups;    // what the pass returned
  int ticksShown;
};

inline RtfBody TranslateRtf(std::string_view html, const RtfRunOptions& options = {}) {
  RtfTemplates templates;
  FormatRtfTemplates(templates, 12, options.tables);
  ByteBuffer body;
  body.Allocate(options.capacity != 0 ? options.capacity : 4 * html.size() + 1000);
  ProgressTicks ticks;
  if (options.ticks) ticks = ProgressTicks(html.size(), {});
  auto translate = options.tables ? TranslateToRtfWithTables : TranslateToRtf;
  int open = translate({html.data(), html.size(), {options.mapper, options.cyrillic, options.utf8},
                        ticks},
                       templates, body);
  return {std::string(body.view()), open, ticks.passed()};
}

inline std::string Body(std::string_view html, bool tables = false) {
  return TranslateRtf(html, {tables}).text;
}

struct BodyCase {
  std::string html;
  std::string expected;
};

inline void ExpectBodies(const std::vector<BodyCase>& cases, bool tables = false) {
  for (const BodyCase& c : cases) EXPECT_EQ(Body(c.html, tables), c.expected) << "html: " << c.html;
}

// The snippets at 12 points.
inline const std::string kBreak = "\n\\par\\pard\\plain \\sb120\\qj\\fs24\\lang1033 ";
inline const std::string kHeading = "\n{\\par\\b\\fs24 ";
inline const std::string kBullet = "\\pard\\plain \\fi-180\\li360 \\fs24\\lang1033 -\\tab ";
inline const std::string kNumbered = "\\pard\\plain \\fi-240\\li400 \\fs24\\lang1033 ";
inline const std::string kTableBreak = "\n\\par\\pard\\plain \\intbl \\sb120\\qj\\fs24\\lang1033 ";
inline const std::string kTableBullet =
    "\\pard\\plain \\intbl \\fi-180\\li360 \\fs24\\lang1033 -\\tab ";
inline const std::string kTableNumbered = "\\pard\\plain \\intbl \\fi-240\\li400 \\fs24\\lang1033 ";

}  // namespace vellumine::testing
