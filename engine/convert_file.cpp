#include "convert_file.h"

#include <cstdio>
#include <new>
#include <string>

#include "conversion_job.h"
#include "file_identity.h"
#include "file_output_stream.h"
#include "input_file.h"
#include "output_path.h"

namespace vellumine {
namespace {

ConvertResult ConvertFileUnguarded(const char* inputPath, const char* outputDirectory,
                                   const ConvertOptions& options, ProgressSink& sink,
                                   PathStyle style) {
  ResetProgress(sink);

  InputFile input;
  if (!inputPath || !input.Open(inputPath)) return ConvertResult::CannotOpenInput;

  std::string outputPath;
  if (!MakeOutputPath(inputPath, outputDirectory ? outputDirectory : "", options.mode, style,
                      outputPath))
    return ConvertResult::CannotOpenOutput;
  // Creating the output would empty the input before it is read.
  if (NamesOpenFile(outputPath.c_str(), input.file())) return ConvertResult::CannotOpenOutput;
  FileOutputStream output;
  if (!output.Open(outputPath.c_str())) return ConvertResult::CannotOpenOutput;

  // From here on the output is being written under a temporary name. A failure leaves a
  // file that was under the output's name as it was; where there was none, EmptyInput and
  // OutOfMemory leave an empty file under the name.
  auto fail = [&](ConvertResult result) {
    output.Discard();
    return result;
  };
  auto failEmpty = [&](ConvertResult result) {
    if (output.replacesFile()) return fail(result);
    output.Close();
    return result;
  };

  if (input.size() == 0) return failEmpty(ConvertResult::EmptyInput);
  WorkBuffers buffers;
  if (AllocateWorkBuffers(input.size(), buffers) != ConvertResult::Ok)
    return failEmpty(ConvertResult::OutOfMemory);

  ConvertResult result =
      RunConversion(buffers, input, static_cast<size_t>(input.size()), options, sink, output);
  if (result != ConvertResult::Ok) return fail(result);
  if (!output.Close()) return fail(ConvertResult::CannotWriteOutput);
  return ConvertResult::Ok;
}

}  // namespace

ConvertResult ConvertFile(const char* inputPath, const char* outputDirectory,
                          const ConvertOptions& options, ProgressSink& sink, PathStyle style) {
  try {
    return ConvertFileUnguarded(inputPath, outputDirectory, options, sink, style);
  } catch (const std::bad_alloc&) {
    return ConvertResult::OutOfMemory;  // a path string could not be built
  }
}

ConvertResult ConvertMemory(const char* input, size_t size, const ConvertOptions& options,
                            ProgressSink& sink, OutputStream& out) {
  ResetProgress(sink);
  if (size == 0) return ConvertResult::EmptyInput;
  WorkBuffers buffers;
  if (AllocateWorkBuffers(size, buffers) != ConvertResult::Ok) return ConvertResult::OutOfMemory;
  MemoryTextSource source(input, size);
  try {
    return RunConversion(buffers, source, size, options, sink, out);
  } catch (const std::bad_alloc&) {
    return ConvertResult::OutOfMemory;  // a memory stream could not grow
  }
}

}  // namespace vellumine
