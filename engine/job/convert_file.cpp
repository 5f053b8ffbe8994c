#include "convert_file.h"

#include <cstdio>
#include <new>
#include <optional>
#include <string>

#include "job/conversion_job.h"
#include "file_identity.h"
#include "job/file_output_stream.h"
#include "job/input_file.h"
#include "job/picture_files.h"
#include "job/page_window.h"
#include "output_path.h"

namespace vellumine {
namespace {

// The conversion of an open input to out: the default reading reads any page a block at a
// time; the classic one reads a large page as it goes and a smaller one whole. wroteNothing
// tells a failure that came before the first byte of output (an empty input, or no memory
// for the page). inputPath: the input's, where its pictures are found.
vellumine_result ConvertOpenFile(InputFile& input, const char* inputPath,
                                 const vellumine_options& options, OutputStream& out,
                                 bool& wroteNothing) {
  wroteNothing = true;
  if (input.size() == 0) return VELLUMINE_EMPTY_INPUT;
  if (options.reading == VELLUMINE_READING_DEFAULT) {
    std::optional<PictureFiles> files;
    PictureFinder* pictures = PicturesOfConversion(options, inputPath, files);
    // Its buffers are all had before it writes anything.
    const vellumine_result result =
        RunConversionAsItGoes(input, input.size(), options, out, {}, pictures);
    wroteNothing = result == VELLUMINE_OUT_OF_MEMORY;
    return result;
  }
  if (input.size() >= kReadAsItGoesFrom) {
    PageWindow page;
    if (!page.Open(input, input.size())) return VELLUMINE_OUT_OF_MEMORY;
    wroteNothing = false;
    return RunClassicReadingAsItGoes(page, options, out);
  }
  WorkBuffers buffers;
  if (AllocateWorkBuffers(input.size(), buffers, options.reading) != VELLUMINE_OK)
    return VELLUMINE_OUT_OF_MEMORY;
  wroteNothing = false;
  return RunConversion(buffers, input, static_cast<size_t>(input.size()), options, out);
}

vellumine_result ConvertFileUnguarded(const char* inputPath, const char* outputDirectory,
                                      const vellumine_options& options, PathStyle style) {
  const ProgressReport progress{options.progress, options.progress_context};
  progress.Show(0);

  InputFile input;
  if (!inputPath || !input.Open(inputPath)) return VELLUMINE_CANNOT_OPEN_INPUT;

  std::string outputPath;
  if (!MakeOutputPath(inputPath, outputDirectory ? outputDirectory : "",
                      vellumine_format_extension(options.format), style, outputPath))
    return VELLUMINE_CANNOT_OPEN_OUTPUT;
  // Creating the output would empty the input before it is read.
  if (NamesOpenFile(outputPath.c_str(), input.file())) return VELLUMINE_CANNOT_OPEN_OUTPUT;
  FileOutputStream output;
  if (!output.Open(outputPath.c_str())) return VELLUMINE_CANNOT_OPEN_OUTPUT;
  // The default reading leaves a core free part of the time, which a large output's writes
  // can use; the classic reading keeps both busy with its halves.
  output.WriteInBackground(options.reading == VELLUMINE_READING_DEFAULT);
  output.Expect(input.size());

  // From here on the output is being written under a temporary name. A failure leaves a
  // file that was under the output's name as it was; where there was none, EmptyInput and
  // OutOfMemory leave an empty file under the name.
  auto fail = [&](vellumine_result result) {
    output.Discard();
    return result;
  };
  auto failEmpty = [&](vellumine_result result) {
    if (output.replacesFile()) return fail(result);
    output.Close();
    return result;
  };

  bool wroteNothing = false;
  vellumine_result result = ConvertOpenFile(input, inputPath, options, output, wroteNothing);
  if (result != VELLUMINE_OK) return wroteNothing ? failEmpty(result) : fail(result);
  if (!output.Close()) return fail(VELLUMINE_CANNOT_WRITE_OUTPUT);
  return VELLUMINE_OK;
}

}  // namespace

vellumine_result ConvertFile(const char* inputPath, const char* outputDirectory,
                             const vellumine_options& options, PathStyle style) {
  try {
    return ConvertFileUnguarded(inputPath, outputDirectory, options, style);
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;  // a path string could not be built
  }
}

vellumine_result ConvertFileTo(const char* inputPath, const vellumine_options& options,
                               OutputStream& out) {
  ProgressReport{options.progress, options.progress_context}.Show(0);
  InputFile input;
  if (!inputPath || !input.Open(inputPath)) return VELLUMINE_CANNOT_OPEN_INPUT;
  bool wroteNothing = false;
  try {
    return ConvertOpenFile(input, inputPath, options, out, wroteNothing);
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;  // a temporary file's name could not be built
  }
}

vellumine_result ConvertMemory(const char* input, size_t size, const vellumine_options& options,
                               OutputStream& out) {
  ProgressReport{options.progress, options.progress_context}.Show(0);
  if (size == 0) return VELLUMINE_EMPTY_INPUT;
  WorkBuffers buffers;
  if (AllocateWorkBuffers(size, buffers, options.reading) != VELLUMINE_OK) return VELLUMINE_OUT_OF_MEMORY;
  MemoryTextSource source(input, size);
  try {
    // No folder: pictures come from data: addresses, or from the root the options name.
    std::optional<PictureFiles> files;
    PictureFinder* pictures = PicturesOfConversion(options, nullptr, files);
    return RunConversion(buffers, source, size, options, out, pictures);
  } catch (const std::bad_alloc&) {
    return VELLUMINE_OUT_OF_MEMORY;  // a memory stream could not grow
  }
}

}  // namespace vellumine
