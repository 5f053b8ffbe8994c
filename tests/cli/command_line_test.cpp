// The command-line converter: the arguments as each command's options, and the program run
// as a process, in a shell: exit codes, what it prints and writes, standard streams,
// recursion, parallel conversion, --update, --text-encoding, --classic, --links and --wrap;
// its help, man page and completion against the engine's table of options.
#include <gmock/gmock.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>

#include "command_line.h"
#include "run_process.h"
#include "terminal_view.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace vellumine::testing {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

// The options reach the conversion, to standard output and into a file alike: a KOI8-R page
// without a declaration read as asked and written as plain text in UTF-8; a table, a font
// and its size in RTF (in the classic reading, whose bytes these are).
TEST(CommandLine, OptionsReachTheConversion) {
  TempDirectory work;
  work.Make({{"koi8.htm", "<p>\xF0\xD2\xC9\xD7\xC5\xD4"}, {"table.htm", "<table><tr><td>a"}});
  using Args = std::vector<std::string>;
  auto convert = [&](Args args, const std::string& page, const std::string& output) {
    Args toFile = args;
    toFile.insert(toFile.end(), {"-q", "-o", "files", page});
    EXPECT_EQ(RunVellumine(toFile, work).Said(), "0||") << page;
    args.insert(args.end(), {"-c", page});
    const std::string out = RunVellumine(args, work).rawOut;
    EXPECT_EQ(work.Read("files/" + output), out);
    EXPECT_EQ(work.Read(output), "<missing>");  // nothing written beside the page
    return out;
  };
  EXPECT_EQ(convert({"--classic", "-e", "koi8-r", "-f", "txt", "--text-encoding", "utf-8"},
                    "koi8.htm", "koi8.txt"),
            "\r\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
  const std::string rtf = convert(
      {"--classic", "--tables", "--size", "1638", "--font", "Times New Roman"}, "table.htm",
      "table.rtf");
  EXPECT_THAT(rtf, HasSubstr("\\fs3276{\\fonttbl{\\f0\\fswiss\\fprq2\\fcharset0 Times New Roman;"));
  EXPECT_THAT(rtf, HasSubstr("\\trowd"));
}

// Each run's exit code, what it prints ("code|standard output|standard error") and the files
// it leaves: the outputs in the current directory by default, no settings file.
TEST(CommandLine, RunsSayWhatTheyDid) {
  TempDirectory work;
  const std::string sep(1, work.path().back());
  work.Make({{"empty.htm", ""}, {"page.htm", "<p>text</p>"}, {"site/a.htm", "<p>a</p>"},
             {"site/b.html", ""}, {"site/c.asp", "<p>c</p>"}, {"site/notes.txt", "not html"}});
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-q", "page.htm"}, "0||"},
      {{"empty.htm", "page.htm"},
       "1|1 of 2 files converted successfully.\n|vellumine: empty.htm file has zero length.\n"},
      {{"-o", "out", "."}, "1||vellumine: . is a directory: -a converts its HTML files, -r "
                           "those of its sub-directories too.\n"},
      {{"-o", "a/b", "page.htm", "page.htm"}, "1||vellumine: Can't create a/b" + sep +
                                                  " directory.\n"},
      // A file in the directory selects the whole directory.
      {{"--classic", "-a", "-f", "txt", "-o", "out", "site" + sep + "a.htm"},
       "1|2 of 3 files converted successfully.\n|vellumine: site" + sep +
           "b.html file has zero length.\n"},
      {{"-a", "-o", "out", "gone" + sep},
       "1||vellumine: HTML - files not found, please select correct path.\n"},
      {{"-o", "made", "page.htm"}, "0|1 of 1 file converted successfully.\n|"},
#ifdef _WIN32
      {{"--version"}, "0|vellumine 1.3 (Windows i686)\n|"},
#else
      {{"--version"}, "0|vellumine 1.3 (Linux x86_64)\n|"},
#endif
  };
  for (const auto& [args, said] : cases)
    EXPECT_EQ(RunVellumine(args, work).Said(), said) << ::testing::PrintToString(args);
  EXPECT_EQ(work.Read("page.rtf").substr(0, 5), "{\\rtf");
  EXPECT_EQ(work.Read("made/page.rtf"), work.Read("page.rtf"));
  EXPECT_EQ(work.Read("out/c.txt"), "\r\nc\r\n");
  EXPECT_EQ(work.Read("settings.ini"), "<missing>");
}

// Each match of pattern in text by its first group: the second group, else the whole match.
std::map<std::string, std::string> Matches(const std::string& text, const char* pattern) {
  std::map<std::string, std::string> found;
  const std::regex regex(pattern);
  for (std::sregex_iterator m(text.begin(), text.end(), regex), end; m != end; ++m)
    found[(*m)[1]] = (*m)[m->size() > 2 ? 2 : 0];
  return found;
}

// The help, the man page and the bash completion name every option of the engine's table:
// its long flag; a choice's names (aliases too) on its help line, in its man page entry and
// in its completion list; a number's range on its help line and in its entry; the default
// the help shows. Of a flag alone (tables; the classic reading) the flag is all. The help
// lists the options by group, then the exit codes.
TEST(CommandLine, HelpManPageAndCompletionFollowTheOptionTable) {
  TempDirectory work;
  const std::string helpText = RunVellumine({"--help"}, work).out;
  for (const char* text : {"Input and output:\n  -o,--output DIR=.", "Format:\n  -f,--format",
                           "Other:\n  -q,--quiet", "Exit codes:\n  0 "})
    EXPECT_THAT(helpText, HasSubstr(text));
  // By long flag: the rest of its help line, its man page entry (escapes undone: "\-" a
  // hyphen, no font changes), the words its completion offers.
  auto help = Matches("\n" + helpText, R"(\n +(?:-\w,)?(--[\w-]+)(.*))");
  auto man = Matches(
      std::regex_replace(std::regex_replace(ReadBytes(VELLUMINE_SOURCE_DIR "/cli/vellumine.1"),
                                            std::regex(R"(\\f[BIR])"), ""),
                         std::regex(R"(\\-)"), "-"),
      R"(\.TP\n\.BR? (?:-\w ", " )?(--[\w-]+)[\s\S]*?(?=\n\.(?:TP|SS|SH)))");
  const std::string script = ReadBytes(VELLUMINE_SOURCE_DIR "/cli/vellumine.bash-completion");
  auto completion =
      Matches(script, R"((--[\w-]+)\)\n\s*mapfile -t COMPREPLY < <\(compgen -W '([^']*)')");
  std::smatch flags;  // the list offered for a word that starts with "-"
  ASSERT_TRUE(std::regex_search(script, flags, std::regex(R"(\$cur == -\*[^']*'([^']*)')")));
  const std::string flagList =
      " " + std::regex_replace(flags[1].str(), std::regex(R"(\s+)"), " ") + " ";
  ASSERT_NE(vellumine_option(0), nullptr);
  for (size_t i = 0; const vellumine_option_info* option = vellumine_option(i); ++i) {
    const std::string flag = std::string("--") + option->command;
    SCOPED_TRACE(flag);
    EXPECT_EQ(help.count(flag), 1u);
    EXPECT_EQ(man.count(flag), 1u);
    EXPECT_THAT(flagList, HasSubstr(" " + flag + " "));
    if (option->kind == VELLUMINE_OPTION_SWITCH || std::string_view(option->name) == "reading")
      continue;  // a flag alone: no value, no default shown
    std::string shown;
    for (const vellumine_option_choice& choice :
         std::vector(option->choices, option->choices + option->choice_count)) {
      for (const char* name : {choice.command, choice.alias}) {
        if (name == nullptr) continue;
        EXPECT_THAT(help[flag], HasSubstr(name));
        EXPECT_THAT(man[flag], HasSubstr(name));
        EXPECT_THAT(" " + completion[flag] + " ", HasSubstr(" " + std::string(name) + " "));
      }
      if (choice.value == option->shown_default) shown = choice.command;
    }
    if (option->kind == VELLUMINE_OPTION_NUMBER) {
      const std::string range =
          std::to_string(option->command_minimum) + " to " + std::to_string(option->maximum);
      EXPECT_THAT(help[flag], HasSubstr(range));
      EXPECT_THAT(man[flag], HasSubstr(range));
      shown = std::to_string(option->shown_default);
    }
    if (option->kind == VELLUMINE_OPTION_TEXT) shown = option->default_text;
    const std::string line = help[flag] + " ";
    const std::string value = line.substr(1, line.find(' ', 1) - 1);  // "rtf|txt=rtf"
    EXPECT_EQ(value.substr(value.find('=') + 1), shown);
  }
}

// The names --encoding and --links take; -1 for a name refused.
TEST(CommandLine, ChoiceNames) {
  constexpr int kNone = -1;
  for (auto [name, expected] :
       {std::pair{"AUTO", int{VELLUMINE_ENCODING_AUTO}}, {"KOI8-R", VELLUMINE_ENCODING_KOI8_R},
        {"iso-8859-5", VELLUMINE_ENCODING_ISO_8859_5},
        {"iso-8859-1", VELLUMINE_ENCODING_ISO_8859_1},
        {"(Windows-1251) Cyrillic", VELLUMINE_ENCODING_WINDOWS_1251}, {"(koi8-r) cyrillic", kNone},
        {"koi8", kNone}, {"utf-8", VELLUMINE_ENCODING_UTF_8}, {"UTF8", VELLUMINE_ENCODING_UTF_8},
        {"(UTF-8) Unicode", VELLUMINE_ENCODING_UTF_8}, {"utf_8", kNone}}) {
    vellumine_encoding encoding = VELLUMINE_ENCODING_AUTO;
    EXPECT_EQ(ParseEncodingName(name, encoding) ? int{encoding} : kNone, expected) << name;
  }
  for (auto [name, expected] :
       {std::pair{"none", int{VELLUMINE_LINKS_NONE}}, {"inline", VELLUMINE_LINKS_INLINE},
        {"list", VELLUMINE_LINKS_LIST}, {"List", kNone}, {"lists", kNone}, {"", kNone}}) {
    vellumine_links links = VELLUMINE_LINKS_NONE;
    EXPECT_EQ(ParseLinksName(name, links) ? int{links} : kNone, expected) << name;
  }
}

// Usage errors as the program reports them: the message on standard error, exit code 2 and
// nothing converted. A value the parser refuses, a missing one, standard output for more
// than one page, and --links or --wrap with the classic reading (the message names what was
// given).
TEST(CommandLine, UsageErrorsAreReportedAndNothingIsConverted) {
  TempDirectory work;
  work.Make({{"page.htm", "<p><a href=\"x.htm\">x</a>"}});
  const std::string classic = " the default reading; --classic gives the output of version 1.2";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--links", "foo", "page.htm"}, "--links: foo not in {none,inline,list}"},
      {{"page.htm", "--links"}, "--links: 1 required none|inline|list missing"},
      {{"--wrap", "-1", "page.htm"},
       "--wrap: the wrap width must be a whole number from 0 to 100000: -1"},
      {{"-c", "page.htm", "page.htm"},
       "standard output takes one page: \"-\" or --stdout with one INPUT, without --all, "
       "--recursive or --update"},
      {{"--classic", "--links", "inline", "-f", "txt", "page.htm"}, "--links needs" + classic},
      {{"-f", "rtf", "--wrap", "72", "--classic", "page.htm"}, "--wrap needs" + classic},
      {{"--classic", "--wrap=40", "--links=list", "-f", "txt", "-"},
       "--links and --wrap need" + classic}};
  for (const auto& [args, message] : cases) {
    EXPECT_EQ(RunVellumine(args, work, "", "page.htm").Said(),
              "2||vellumine: " + message + "\nRun with --help for more information.\n")
        << ::testing::PrintToString(args);
  }
  EXPECT_EQ(Snapshot(work.bare()), (std::map<std::string, std::string>{
                                       {"page.htm", "<p><a href=\"x.htm\">x</a>"}}));
}

// What the arguments set in each command's choices and options, as
// "format [tables] encoding font size [utf-8] reading [links N] [wrap N] [images N] [root DIR]
// [| walk]", or the exit code of a usage error: --classic the classic reading, nothing the
// default one, whatever the other options; links, wrap and pictures when not at their
// defaults ("root " alone: an empty root).
std::string ChoicesOf(std::vector<std::string> args) {
  args.insert(args.begin(), "vellumine");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  Arguments parsed;
  const int argc = static_cast<int>(argv.size());
  if (std::optional<int> exitCode = ParseArguments(argc, argv.data(), parsed))
    return "exit " + std::to_string(*exitCode);
  const ConvertChoices choices = ChoicesFor(parsed);
  const vellumine_options& o = choices.options;
  const char* reading = o.reading == VELLUMINE_READING_CLASSIC ? " classic"
                        : o.reading == VELLUMINE_READING_DEFAULT ? " default" : " unknown";
  return std::string(o.format == VELLUMINE_FORMAT_TEXT ? "txt" : "rtf") +
         (o.tables ? " tables" : "") + " encoding " + std::to_string(o.encoding) + " " +
         o.font_name + " " + std::to_string(o.font_size) + (o.text_utf8 ? " utf-8" : "") +
         reading + (o.links != VELLUMINE_LINKS_NONE ? " links " + std::to_string(o.links) : "") +
         (o.wrap != 0 ? " wrap " + std::to_string(o.wrap) : "") +
         (o.images != VELLUMINE_IMAGES_EMBED ? " images " + std::to_string(o.images) : "") +
         (o.image_root ? std::string(" root ") + o.image_root : "") +
         (choices.convertAll ? " | all" : "") + (choices.recursive ? " recursive" : "") +
         (choices.updateOnly ? " update" : "");
}

TEST(CommandLine, ArgumentsBecomeOptions) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"page.htm"}, "rtf encoding 0 Arial 10 default"},
      {{"--classic", "page.htm"}, "rtf encoding 0 Arial 10 classic"},
      {{"a.htm", "b.htm", "--classic"}, "rtf encoding 0 Arial 10 classic"},
      {{"-f", "txt", "-t", "-e", "KOI8-R", "--text-encoding", "utf-8", "--classic", "-"},
       "txt tables encoding 2 Arial 10 utf-8 classic"},
      {{"-f", "txt", "-e", "utf8", "--text-encoding", "utf-8", "-"},
       "txt encoding 5 Arial 10 utf-8 default"},
      {{"--font", "Times New Roman", "--size", "1638", "-t", "page.htm"},
       "rtf tables encoding 0 Times New Roman 1638 default"},
      {{"-r", "-u", "--classic", "-o", "out", "site"},
       "rtf encoding 0 Arial 10 classic | all recursive update"},
      {{"-a", "site"}, "rtf encoding 0 Arial 10 default | all"},
      // Links and wrapping: plain text's, and taken (and left to the engine) with RTF too.
      {{"-f", "txt", "--links", "inline", "page.htm"}, "txt encoding 0 Arial 10 default links 1"},
      {{"-f", "txt", "--links", "list", "--wrap", "72", "-"},
       "txt encoding 0 Arial 10 default links 2 wrap 72"},
      {{"--links=none", "--wrap=100000", "-f", "txt", "page.htm"},
       "txt encoding 0 Arial 10 default wrap 100000"},
      {{"--wrap", "0080", "-f", "txt", "page.htm"}, "txt encoding 0 Arial 10 default wrap 80"},
      {{"--wrap", "1", "--links", "list", "-t", "page.htm"},
       "rtf tables encoding 0 Arial 10 default links 2 wrap 1"},
      // Pictures: embedded by default, from the page's folder unless a root is named.
      {{"--images", "alt", "page.htm"}, "rtf encoding 0 Arial 10 default images 1"},
      {{"--image-root", "My Pictures", "--images=embed", "-"},
       "rtf encoding 0 Arial 10 default root My Pictures"},
      {{"--image-root", "", "page.htm"}, "rtf encoding 0 Arial 10 default root "},
  };
  for (const auto& [args, expected] : cases)
    EXPECT_EQ(ChoicesOf(args), expected) << ::testing::PrintToString(args);
  // Usage errors: nothing to convert, unknown names, standard output for more than one page,
  // font texts the header could not hold as they stand, sizes and widths out of range or not
  // whole numbers, links and wrapping with the classic reading, whatever the order.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"-f", "pdf", "x"}, {"-e", "utf-16", "x"}, {"--text-encoding", "utf-16", "x"},
           {"--links", "LIST", "x"}, {"--links", "2", "x"}, {"--links", "", "x"},
           {"-", "page.htm"}, {"page.htm", "--classic", "-"}, {"-a", "-"}, {"-c", "-r", "."},
           {"--font", "Arial;}}}}{\\par injected", "x"},
           {"--font", "Arial}", "x"}, {"--font", "Tab\tFont", "x"}, {"--size", "99999999999", "x"},
           {"--size", "0", "x"}, {"--size", "1639", "x"}, {"--size", "12pt", "x"},
           {"--size", "-3", "x"}, {"--wrap", "x", "p"}, {"--wrap", "100001", "p"},
           {"--wrap", "99999999999999999999", "p"}, {"--wrap", "0x10", "p"}, {"--wrap", "+5", "p"},
           {"--wrap", "7.5", "p"}, {"--wrap", "", "p"}, {"--classic=maybe", "page.htm"},
           {"--classical", "page.htm"}, {"--links", "none", "--classic", "page.htm"},
           {"--wrap", "0", "--classic", "-c", "page.htm"}, {"--images", "none", "x"},
           {"--images", "ALT", "x"}, {"--image-root", "page.htm"}})
    EXPECT_EQ(ChoicesOf(args), "exit 2") << ::testing::PrintToString(args);
}

// A page from standard input, to standard output: what a file conversion writes; a
// failure's message on standard error, nothing on standard output, exit code 1.
TEST(Shell, StandardInputToStandardOutput) {
  TempDirectory work;
  work.Make({{"page.htm", "<html><body><h1>Title</h1><p>caf\xE9 &amp; cr\xE8me</p></body></html>"},
             {"empty.htm", ""}});
  for (const char* format : {"txt", "rtf"}) {
    ASSERT_EQ(RunVellumine({"-q", "-f", format, "-o", "files", "page.htm"}, work).exitCode, 0);
    const ProcessResult run = RunVellumine({"-f", format, "-"}, work, "", "page.htm");
    EXPECT_EQ(run.exitCode, 0) << format;
    EXPECT_EQ(run.err, "") << format;
    EXPECT_EQ(run.rawOut, work.Read(std::string("files/page.") + format));
  }
  for (auto [args, stdinName, err] :
       {std::tuple{std::vector<std::string>{"-"}, "empty.htm",
                   "(standard input) file has zero length."},
        {{"-c", "empty.htm"}, "", "empty.htm file has zero length."},
        {{"-c", "missing.htm"}, "", "Can't open missing.htm file for reading."}}) {
    EXPECT_EQ(RunVellumine(args, work, "", stdinName).Said(),
              "1||vellumine: " + std::string(err) + "\n");
  }
#ifndef _WIN32
  const std::string command = "cd " + Quote(work.bare()) + " && " + Quote(VELLUMINE_EXE) +
                              " -c page.htm >/dev/full 2>err.log";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(work.Read("err.log"),
            "vellumine: Can't write (standard output) file.\nThe disk may be full.\n");
#endif
}

// Whether the converter's peak memory is its own: not under Windows, nor with a sanitizer's.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kPeakMemoryMeasured = false;
#else
constexpr bool kPeakMemoryMeasured = true;
#endif

// A page larger than the converter holds whole, to standard output: from standard input
// (which is spooled to a file) and by name, the bytes of the file it converts, in bounded
// memory (natively: a 48 MiB page in less than 40 MiB), and no spool file left behind. The
// page holds everything the readings treat on their own: headings, paragraphs, preformatted
// text, lists, links, a table, references and emphasis.
// A page of a thousand pictures, each a PNG of 64 KiB beside it: every one embedded, in bounded
// memory (natively: less than 40 MiB, the document being about 130 MB).
TEST(Shell, ThousandPicturesInBoundedMemory) {
  std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x40\0\0\0\x30\x08\x02\0\0\0", 29);
  png.resize(64 << 10, 'x');  // (its pixels' bytes are not read, only carried)
  std::string page;
  for (int i = 0; i < 1000; ++i) page += "<p>" + std::to_string(i) + " <img src=\"pictures/a%20picture.png\">";
  TempDirectory work;
  work.Make({{"page.htm", page}, {"pictures/a picture.png", png}});
  std::string prefix;
#ifndef _WIN32
  if (kPeakMemoryMeasured) prefix = Quote(PEAK_MEMORY_EXE) + " peak.txt ";
#endif
  ASSERT_EQ(RunVellumine({"-q", "-t", "-o", "out", "page.htm"}, work, prefix).exitCode, 0);
  const std::string rtf = work.Read("out/page.rtf");
  size_t pictures = 0;
  for (size_t at = 0; (at = rtf.find("{\\pict\\pngblip\\picw64\\pich48", at)) != std::string::npos; ++at) ++pictures;
  EXPECT_EQ(pictures, 1000u);
  if (kPeakMemoryMeasured) { EXPECT_LT(std::stol(work.Read("peak.txt")), 40 << 10); }
}

TEST(Shell, LargePagesStreamToStandardOutput) {
  const size_t size = size_t{kPeakMemoryMeasured ? 48 : 20} << 20;
  std::string page = "<html><head><title>Large</title></head><body>";
  for (size_t i = 0; page.size() < size; ++i) {
    const std::string n = std::to_string(i);
    page += "<h2>Part " + n + "</h2><p>Paragraph " + n + " with <b>bold</b>, <em>emphasis</em>, "
            "caf&eacute; &amp; a <a href=\"#p" + n + "\">link</a>.</p>\n<pre>  code " + n +
            " &lt;x&gt;\n  line</pre><ul><li>one<li>two</ul><table><tr><td>" + n +
            "<td>cell</table>\n";
  }
  TempDirectory work;
  work.Make({{"page.htm", page}, {"spool/", ""}});
  using Args = std::vector<std::string>;
  for (const Args& options : {Args{"-f", "rtf"}, Args{"--classic", "-f", "txt"}}) {
    Args toFile = options;
    toFile.insert(toFile.end(), {"-q", "-o", "files", "page.htm"});
    ASSERT_EQ(RunVellumine(toFile, work).exitCode, 0);
    const std::string file = work.Read("files/page." + options.back());
    ASSERT_GT(file.size(), size / 4);
    for (const std::string input : {"-", "page.htm"}) {
      Args args = options;
      if (input != "-") args.push_back("-c");
      args.push_back(input);
      std::string prefix;
#ifndef _WIN32
      prefix = "TMPDIR=spool ";
      if (kPeakMemoryMeasured) prefix += Quote(PEAK_MEMORY_EXE) + " peak.txt ";
#endif
      ProcessResult run = RunVellumine(args, work, prefix, input == "-" ? "page.htm" : "");
      EXPECT_EQ(run.exitCode, 0) << input;
      EXPECT_EQ(run.err, "") << input;
      EXPECT_TRUE(run.rawOut == file) << input << ": " << run.rawOut.size() << " bytes, not "
                                      << file.size();
      if (kPeakMemoryMeasured) {
        EXPECT_LT(std::stol(work.Read("peak.txt")), 40 << 10) << input << " " << options.back();
      }
#ifndef _WIN32
      EXPECT_TRUE(fs::is_empty(work.path() + "spool")) << "a spool file was left";
#endif
    }
  }
}

// Names in every script, typed on the command line (on Windows in UTF-16, whatever the
// code page: ctest runs this again with a Cyrillic one): a directory of them converted,
// one by its name, and the failure's message naming the file in UTF-8 (standard error is
// a file here; a console would be given wide characters).
TEST(Shell, NamesInEveryScript) {
#ifdef _WIN32
  if (std::getenv("VELLUMINE_REQUIRE_CP1251") != nullptr && GetACP() != 1251)
    FAIL() << "the ANSI code page is " << GetACP() << " although LC_ALL asks for Russian";
#endif
  TempDirectory work;
  const std::string& folder = kScriptsFolder;
  const std::string sep(1, work.path().back()), empty = "\u043f\u0443\u0441\u0442\u043e \u7a7a";
  work.Make({{folder + sep + empty + ".html", ""}});
  for (const std::string& page : kScriptNames)
    work.Write(folder + sep + page + ".html", "<p>" + page);

  const ProcessResult all =
      RunVellumine({"-q", "-f", "txt", "-a", folder, "-o", "\u51fa\u529b"}, work);
  EXPECT_EQ(all.Said(), "1||vellumine: " + folder + sep + empty + ".html file has zero length.\n");
  for (const std::string& page : kScriptNames)
    EXPECT_EQ(work.Read("\u51fa\u529b" + sep + page + ".txt"), page + "\r\n") << page;
  const std::string one = folder + sep + kScriptNames[2] + ".html";
  EXPECT_EQ(RunVellumine({"-f", "rtf", one}, work).Said(),
            "0|1 of 1 file converted successfully.\n|");
  EXPECT_TRUE(std::filesystem::is_regular_file(PathOf(work.path() + kScriptNames[2] + ".rtf")));
}

// The progress line stays within 79 characters of the terminal, counted as characters: a
// long name in a script of several bytes per character is cut between two of them, and
// the line is erased with as many blanks as it showed.
TEST(TerminalViewTest, ProgressLineCutBetweenCharacters) {
  for (const std::string letter : {"a", "\u00e9", "\u65e5", "\U0001F600"}) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> err(std::tmpfile(), &std::fclose);
    ASSERT_TRUE(err);
    TerminalView view(stdout, err.get(), false, true);
    view.BeginInput(1, 1);
    view.BatchStarted(BatchStart{});
    std::string name;
    for (int i = 0; i < 100; ++i) name += letter;
    view.FileStarted(1, name);
    view.EndInput();
    std::rewind(err.get());
    std::string written;
    for (int c; (c = std::fgetc(err.get())) != EOF;) written += static_cast<char>(c);
    const std::string shown = "file 1 of 1, 0%: ";
    std::string expected = "\r" + shown;
    for (size_t i = shown.size(); i < 79; ++i) expected += letter;
    EXPECT_EQ(written, expected + "\r" + std::string(79, ' ') + "\r") << letter;
  }
}

// A site of pages in sub-directories, as the tests below walk it.
void WriteSite(const TempDirectory& work) {
  work.Make({{"site/a.htm", "<p>a"}, {"site/sub/b.htm", "<p>b"}, {"site/sub/deeper/c.html", "<p>c"},
             {"site/sub/notes.txt", "<p>no page"}, {"site/sub/zero.htm", ""}, {"site/empty/", ""}});
}

TEST(Shell, RecursiveWalkMirrorsTheTree) {
  TempDirectory work;
  WriteSite(work);
#ifndef _WIN32
  // A link back up the tree, and one to a directory elsewhere: neither is followed.
  fs::create_directory_symlink("..", work.path() + "site/sub/loop");
  work.Make({{"elsewhere/x.htm", "<p>x"}});
  fs::create_directory_symlink(work.path() + "elsewhere", work.path() + "site/outside");
#endif
  const std::string sep(1, work.path().back());
  EXPECT_EQ(RunVellumine({"--classic", "-r", "-f", "txt", "-o", "out", "site"}, work).Said(),
            "1|3 of 4 files converted successfully.\n|vellumine: site" + sep + "sub" + sep +
                "zero.htm file has zero length.\n");
  // No page, no directory; nothing through the links; no other file.
  EXPECT_EQ(Snapshot(work.path() + "out"),
            (std::map<std::string, std::string>{
                {"a.txt", "\r\na"}, {"sub/", ""}, {"sub/b.txt", "\r\nb"}, {"sub/deeper/", ""},
                {"sub/deeper/c.txt", "\r\nc"}, {"sub/zero.txt", ""}}));
}

// -j 4 writes what -j 1 writes, and says it in the same order.
TEST(Shell, ParallelConversionMatchesOneAtATime) {
  TempDirectory work;
  work.Make({{"site/sub/", ""}});
  for (int i = 0; i < 40; ++i) {
    std::string page = "<p>page " + std::to_string(i);
    for (int k = 0; k < i * 200; ++k) page += " <b>word</b> &eacute;";
    const std::string name = (i % 3 == 0 ? "site/sub/p" : "site/p") + std::to_string(i) + ".htm";
    work.Write(name, i % 7 == 3 ? "" : page);  // some fail
  }
  const ProcessResult one = RunVellumine({"-r", "-t", "-j", "1", "-o", "one", "site"}, work);
  EXPECT_EQ(one.exitCode, 1);
  EXPECT_NE(one.err, "");
  EXPECT_EQ(RunVellumine({"-r", "-t", "-j", "4", "-o", "four", "site"}, work).Said(), one.Said());
  EXPECT_EQ(Snapshot(work.path() + "one").size(), 41u);  // 40 pages and "sub/"
  EXPECT_TRUE(Snapshot(work.path() + "one") == Snapshot(work.path() + "four"));
}

TEST(Shell, UpdateConvertsOnlyWhatChanged) {
  TempDirectory work;
  WriteSite(work);
  fs::remove(work.path() + "site/sub/zero.htm");
  ASSERT_EQ(RunVellumine({"-q", "-r", "-o", "out", "site"}, work).exitCode, 0);
  // Nothing changed: nothing converted, and it says so.
  EXPECT_EQ(RunVellumine({"-r", "-u", "-o", "out", "site"}, work).Said(),
            "0|3 files were up to date and not converted.\n|");
  // One page is newer than its output, one output is missing.
  auto later = fs::last_write_time(work.path() + "out/a.rtf") + std::chrono::seconds(10);
  work.Write("site/a.htm", "<p>changed");
  fs::last_write_time(work.path() + "site/a.htm", later);
  fs::remove(work.path() + "out/sub/b.rtf");
  EXPECT_EQ(RunVellumine({"-r", "-u", "-o", "out", "site"}, work).Said(),
            "0|2 of 3 files converted successfully.\n1 file was up to date and not converted.\n|");
  EXPECT_THAT(work.Read("out/a.rtf"), HasSubstr("changed"));
  EXPECT_NE(work.Read("out/sub/b.rtf"), "<missing>");
  // A single file too, once its output is newer.
  fs::last_write_time(work.path() + "site/a.htm",
                      fs::last_write_time(work.path() + "out/a.rtf") - std::chrono::seconds(10));
  EXPECT_EQ(RunVellumine({"-u", "-o", "out", "site/a.htm"}, work).out,
            "1 file was up to date and not converted.\n");
}

// Inputs of one command whose outputs have one name: the first is converted, each later one
// refused with a message naming both, whatever the number of jobs; an output left by an
// earlier run is still replaced.
TEST(Shell, InputsWithOneOutputAreRefusedAfterTheFirst) {
  TempDirectory work;
  const std::string sep(1, work.path().back());
  work.Make({{"a/x.html", "<p>from a"}, {"b/x.html", "<p>from b"}, {"site/x.htm", "<p>from htm"},
             {"site/x.html", "<p>from html"}, {"site/y.html", "<p>y"}, {"c/X.html", "<p>capital"}});
  auto refused = [&](const std::string& output, const std::string& earlier,
                     const std::string& later) {
    return "vellumine: Will not overwrite just-created " + output + " (from " + earlier +
           ") with " + later + ".\n";
  };
  const std::string a = "a" + sep + "x.html", b = "b" + sep + "x.html",
                    out = "out" + sep + "x.txt";
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(std::string("-j ") + jobs);
    fs::remove_all(work.path() + "out");
    work.Make({{"out/x.txt", "from an earlier run"}});
    EXPECT_EQ(RunVellumine({"--classic", "-j", jobs, "-f", "txt", "-o", "out", a, b, a}, work)
                  .Said(),
              "1|1 of 3 files converted successfully.\n|" + refused(out, a, b) +
                  refused(out, a, a));
    EXPECT_EQ(work.Read("out/x.txt"), "\r\nfrom a");
    // "x.htm" before "x.html" in the walk; "y.html" is converted as ever.
    EXPECT_EQ(RunVellumine({"--classic", "-j", jobs, "-a", "-f", "txt", "-o", "out", "site"}, work)
                  .Said(),
              "1|2 of 3 files converted successfully.\n|" +
                  refused(out, "site" + sep + "x.htm", "site" + sep + "x.html"));
    EXPECT_EQ(work.Read("out/x.txt") + work.Read("out/y.txt"), "\r\nfrom htm\r\ny");
  }
  // Names that differ in case only are one name where the file system ignores case.
  fs::remove_all(work.path() + "out");
  const std::string said =
      RunVellumine({"--classic", "-f", "txt", "-o", "out", a, "c" + sep + "X.html"}, work).Said();
#ifdef _WIN32
  EXPECT_EQ(said, "1|1 of 2 files converted successfully.\n|" +
                      refused("out" + sep + "X.txt", a, "c" + sep + "X.html"));
  EXPECT_EQ(work.Read("out/x.txt"), "\r\nfrom a");
#else
  EXPECT_EQ(said, "0|2 of 2 files converted successfully.\n|");
  EXPECT_EQ(work.Read("out/X.txt"), "\r\ncapital");
#endif
}

}  // namespace vellumine::testing
