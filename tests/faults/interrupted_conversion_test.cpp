// A conversion killed part-way: whenever it stops, the output's name holds the previous file
// or the whole new one, never a part.
#include "fault_helpers.h"

namespace vellumine::testing {

#ifndef _WIN32
TEST(InterruptedConversion, KilledAtAnyMomentLeavesThePreviousFileOrTheWholeNewOne) {
  TempDirectory work;
  work.Make({{"page.htm", LargePage(96 << 20)}, {"out/", ""}});
  // The whole new output, for comparison.
  ASSERT_EQ(RunVellumine({"-q", "-o", "whole", "page.htm"}, work).exitCode, 0);
  const std::string whole = work.Read("whole/page.rtf"), previous = "{\\rtf1 the previous output}";
  ASSERT_GT(whole.size(), 96u << 20);
  int killed = 0;
  for (const char* delay :
       {"0.005", "0.02", "0.06", "0.12", "0.2", "0.3", "0.45", "0.7", "1", "1.5"}) {
    for (bool hadPrevious : {true, false}) {
      work.Write("out/page.rtf", previous);
      if (!hadPrevious) fs::remove(work.path() + "out/page.rtf");
      // SIGKILL once the delay has passed, unless the conversion has ended by then.
      const std::string timeout = "timeout -s KILL " + std::string(delay) + " ";
      killed += RunVellumine({"-q", "-o", "out", "page.htm"}, work, timeout).exitCode == 128 + 9;
      const std::string now = work.Read("out/page.rtf");
      // (No byte comparison printed: the files are large.)
      EXPECT_TRUE(now == whole || now == (hadPrevious ? previous : "<missing>"))
          << "killed after " << delay << " s, the name holds " << now.size() << " bytes";
    }
  }
  EXPECT_GT(killed, 0) << "every conversion ended before it could be killed";
}
#endif

}  // namespace vellumine::testing
