/* convert_page: converts one HTML page with the Vellumine library.
 *
 *     convert_page [-r] PAGE           the page as plain text (-r: as RTF) on standard output
 *     convert_page [-r] -              standard input's page, converted as it arrives
 *     convert_page [-r] -o DIR PAGE    the page converted into DIR; prints the output's name
 *
 * With --classic the page is read as version 1.2 of the library read it, and the output is
 * that version's, byte for byte; without it, as today's HTML.
 *
 * Build it against the installed library, shared or static:
 *
 *     cc -o convert_page convert_page.c $(pkg-config --cflags --libs vellumine)
 *     cc -static -o convert_page convert_page.c $(pkg-config --static --cflags --libs vellumine)
 *
 * The first form reads the page into memory and hands it to vellumine_convert_memory, which
 * gives the output back a piece at a time; the second gives a converter the page a piece at
 * a time as it is read (a page of any length, in bounded memory); the third lets
 * vellumine_convert_file read and write the files. Errors go to standard error. Exit status: 0 the page was converted, 1 it
 * could not be read, converted or written, 2 wrong arguments. (It builds as C++ too.) */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vellumine.h>

static const char* program = "convert_page";

/* Reads the whole file at path into memory; NULL (errno set) when it cannot. */
static char* read_page(const char* path, size_t* size) {
  FILE* file = fopen(path, "rb");
  size_t capacity = 64 * 1024;
  size_t used = 0;
  char* bytes = (char*)malloc(capacity);
  if (file == NULL || bytes == NULL) {
    int error = file == NULL ? errno : ENOMEM;
    if (file != NULL) fclose(file);
    free(bytes);
    errno = error;
    return NULL;
  }
  errno = 0;
  for (;;) {
    size_t got = fread(bytes + used, 1, capacity - used, file);
    used += got;
    if (used < capacity) break; /* the end of the file, or an error */
    char* larger = capacity <= (size_t)-1 / 2 ? (char*)realloc(bytes, capacity * 2) : NULL;
    if (larger == NULL) {
      fclose(file);
      free(bytes);
      errno = ENOMEM;
      return NULL;
    }
    bytes = larger;
    capacity *= 2;
  }
  if (ferror(file)) {
    int error = errno != 0 ? errno : EIO;
    fclose(file);
    free(bytes);
    errno = error;
    return NULL;
  }
  fclose(file);
  *size = used;
  return bytes;
}

/* Takes a piece of the output: 0 when it was written, anything else stops the conversion. */
static int write_output(void* context, const char* bytes, size_t n) {
  return fwrite(bytes, 1, n, (FILE*)context) == n ? 0 : 1;
}

/* Converts the page on in as it is read, handing the output to standard output as it is made. */
static vellumine_result convert_stream(FILE* in, const vellumine_options* options) {
  static char piece[64 * 1024];
  vellumine_converter* converter;
  size_t n;
  vellumine_result result = vellumine_converter_start(options, write_output, stdout, &converter);
  if (result != VELLUMINE_OK) return result;
  while (result == VELLUMINE_OK && (n = fread(piece, 1, sizeof piece, in)) > 0)
    result = vellumine_converter_push(converter, piece, n);
  if (result == VELLUMINE_OK)
    result = ferror(in) ? VELLUMINE_CANNOT_OPEN_INPUT : vellumine_converter_finish(converter);
  vellumine_converter_free(converter);
  return result;
}

static int usage(void) {
  fprintf(stderr, "usage: %s [-r] [--classic] [-o DIR] PAGE (\"-\": standard input)\n", program);
  return 2;
}

int main(int argc, char** argv) {
  vellumine_options options;
  const char* page = NULL;
  const char* directory = NULL;
  vellumine_result result;
  int i;

  vellumine_options_init(&options);
  options.format = VELLUMINE_FORMAT_TEXT;
  for (i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-r") == 0) {
      options.format = VELLUMINE_FORMAT_RTF;
    } else if (strcmp(argv[i], "--classic") == 0) {
      options.reading = VELLUMINE_READING_CLASSIC;
    } else if (strcmp(argv[i], "-o") == 0 && i + 1 < argc) {
      directory = argv[++i];
    } else if ((argv[i][0] == '-' && argv[i][1] != '\0') || page != NULL) {
      return usage();
    } else {
      page = argv[i];
    }
  }
  if (page == NULL) return usage();
  if (strcmp(page, "-") == 0) {
    if (directory != NULL) return usage(); /* standard input has no name to give an output */
    result = convert_stream(stdin, &options);
    if (result != VELLUMINE_OK) {
      fprintf(stderr, "%s: (standard input): %s\n", program, vellumine_result_text(result));
      return 1;
    }
  } else

  if (directory != NULL) {
    char* output;
    size_t length;
    result = vellumine_convert_file(page, directory, &options);
    if (result != VELLUMINE_OK) {
      fprintf(stderr, "%s: %s: %s\n", program, page, vellumine_result_text(result));
      return 1;
    }
    /* Asked once for the length, then for the name itself. */
    length = vellumine_output_path(page, directory, &options, NULL, 0);
    output = (char*)malloc(length + 1);
    if (length == 0 || output == NULL ||
        vellumine_output_path(page, directory, &options, output, length + 1) != length) {
      fprintf(stderr, "%s: %s: converted, but its output's name is not known\n", program, page);
      free(output);
      return 1;
    }
    printf("%s\n", output);
    free(output);
  } else {
    size_t size = 0;
    char* bytes = read_page(page, &size);
    if (bytes == NULL) {
      fprintf(stderr, "%s: %s: %s\n", program, page, strerror(errno));
      return 1;
    }
    result = vellumine_convert_memory(bytes, size, &options, write_output, stdout);
    free(bytes);
    if (result != VELLUMINE_OK) {
      fprintf(stderr, "%s: %s: %s\n", program, page, vellumine_result_text(result));
      return 1;
    }
  }
  if (fflush(stdout) != 0 || ferror(stdout)) {
    fprintf(stderr, "%s: cannot write to standard output\n", program);
    return 1;
  }
  return 0;
}
