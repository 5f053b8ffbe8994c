// PLACEHOLDER until the RTF writer lands.
#include "rtf_writer.h"

namespace vellumine {

void FormatRtfTemplates(RtfTemplates& templates, const char*, bool) { templates.fontSize = 0; }
void WriteRtfHeader(OutputStream&, const char*, const RtfTemplates&, bool) {}
int TranslateToRtf(const char*, size_t, const RtfTemplates&, CharMapper, bool, ProgressTicks&,
                   ByteBuffer&) {
  return 0;
}
int TranslateToRtfWithTables(const char*, size_t, const RtfTemplates&, CharMapper, bool,
                             ProgressTicks&, ByteBuffer&) {
  return 0;
}
void WriteRtfTrailer(OutputStream&, int) {}

}  // namespace vellumine
