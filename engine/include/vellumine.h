/* Vellumine: HTML pages into RTF documents or plain text.
 *
 * The whole interface of the conversion engine, for C and C++. Link with
 * `pkg-config --cflags --libs vellumine` (the shared library), or statically with
 * `cc -static ... $(pkg-config --static --cflags --libs vellumine)`.
 *
 *     vellumine_options options;
 *     vellumine_options_init(&options);
 *     options.format = VELLUMINE_FORMAT_TEXT;
 *     vellumine_result result = vellumine_convert_file("page.html", "out", &options);
 *     if (result != VELLUMINE_OK) fprintf(stderr, "%s\n", vellumine_result_text(result));
 *
 * Every function returns its result; none keeps state between calls (a thread keeps its last
 * conversion's buffers for its next one, up to 68 MiB, and frees them when it ends), and
 * conversions may run on several threads at once. Output line ends are CR LF on every platform.
 *
 * Compatibility: vellumine_options carries its own size. Later versions only append fields,
 * and read the fields of an older, smaller struct as that version defined them, so a program
 * built against this header keeps working with later libraries. */
#ifndef VELLUMINE_H
#define VELLUMINE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The result of a conversion. Value 1 is never used. */
typedef enum vellumine_result {
  VELLUMINE_OK = 0,
  VELLUMINE_OUT_OF_MEMORY = 2,        /* the page is too large for the memory available */
  VELLUMINE_CANNOT_OPEN_OUTPUT = 3,   /* the output cannot be created (or would be the input) */
  VELLUMINE_CANNOT_OPEN_INPUT = 4,    /* the input cannot be opened or read */
  VELLUMINE_EMPTY_INPUT = 5,          /* the input has no bytes */
  VELLUMINE_CANNOT_WRITE_OUTPUT = 6,  /* the output could not be written whole (a full disk) */
  VELLUMINE_INVALID_ARGUMENT = 7      /* a null pointer, or options out of range */
} vellumine_result;

/* What the page becomes. */
typedef enum vellumine_format {
  VELLUMINE_FORMAT_RTF = 1,  /* an RTF document (".rtf") */
  VELLUMINE_FORMAT_TEXT = 2  /* plain text (".txt") */
} vellumine_format;

/* The page's character set. */
typedef enum vellumine_encoding {
  VELLUMINE_ENCODING_AUTO = 0,  /* a UTF-8 byte order mark, else the head's "charset=", else
                                   UTF-8 when the page is UTF-8 beyond ASCII, else Latin-1 */
  VELLUMINE_ENCODING_WINDOWS_1251 = 1,
  VELLUMINE_ENCODING_KOI8_R = 2,      /* recoded to windows-1251 */
  VELLUMINE_ENCODING_ISO_8859_1 = 3,
  VELLUMINE_ENCODING_ISO_8859_5 = 4,  /* recoded to windows-1251 */
  VELLUMINE_ENCODING_UTF_8 = 5
} vellumine_encoding;

/* How the page's HTML is read. */
typedef enum vellumine_reading {
  VELLUMINE_READING_DEFAULT = 0,  /* today's HTML: comments and declarations dropped, tags
                                     known whatever their attributes, every block on lines of
                                     its own, preformatted lines kept, lists numbered and
                                     indented, tables laid out in plain text */
  VELLUMINE_READING_CLASSIC = 1   /* the output of version 1.2, byte for byte */
} vellumine_reading;

/* Plain text of the default reading: where links' addresses go. */
typedef enum vellumine_links {
  VELLUMINE_LINKS_NONE = 0,    /* the link's text alone */
  VELLUMINE_LINKS_INLINE = 1,  /* "text <address>" */
  VELLUMINE_LINKS_LIST = 2     /* "text[1]", and the numbered addresses at the end */
} vellumine_links;

/* RTF of the default reading: what a picture (<img>) becomes. Added in 1.4. */
typedef enum vellumine_images {
  VELLUMINE_IMAGES_EMBED = 0,  /* a PNG or JPEG picture is embedded at the size the page gives
                                  it (no wider than the text), when it is held in a data:
                                  address or is a file the page may take pictures from (see
                                  image_root), of at most 20 MB; any other keeps its alt
                                  text. Never from the network */
  VELLUMINE_IMAGES_ALT = 1     /* every picture keeps its alt text */
} vellumine_images;

/* The largest RTF font size readers accept, in points (either sign): "\\fs" takes half-points
 * up to 3276. */
#define VELLUMINE_FONT_SIZE_MAX 1638
/* The widest plain-text wrap, in columns. */
#define VELLUMINE_WRAP_MAX 100000
/* Bytes a font name leaves out, besides control bytes (below 0x20): they would end the RTF
 * font table or start control words. */
#define VELLUMINE_FONT_NAME_REFUSED "{}\\;"

/* Progress of one conversion: step of total (0 at the start, total at the end; steps only
 * rise). Called on the converting thread. */
typedef void (*vellumine_progress_fn)(void* context, int step, int total);

/* Receives the output of a conversion in memory, a piece at a time; returns 0 when the
 * bytes were taken, anything else to stop the conversion (VELLUMINE_CANNOT_WRITE_OUTPUT). */
typedef int (*vellumine_write_fn)(void* context, const char* bytes, size_t n);

typedef struct vellumine_options {
  size_t size;                  /* sizeof(vellumine_options), set by vellumine_options_init */
  vellumine_format format;      /* default VELLUMINE_FORMAT_RTF */
  int tables;                   /* RTF: HTML tables become RTF tables; default 1 */
  vellumine_encoding encoding;  /* default VELLUMINE_ENCODING_AUTO */
  const char* font_name;        /* RTF font face; default "Arial". Bytes that would end the
                                   font table ("{", "}", "\", ";", controls) are left out */
  int font_size;                /* RTF font size in points; default 10; held to
                                   -VELLUMINE_FONT_SIZE_MAX..VELLUMINE_FONT_SIZE_MAX */
  int text_utf8;                /* plain text in UTF-8 whatever the page's set; default 0
                                   (the page's own set: windows-1251 for the Cyrillic ones) */
  vellumine_progress_fn progress;  /* default none */
  void* progress_context;          /* passed to progress */
  /* Added in 1.3. A struct of version 1.2 (which ends before this field) is read with the
     fields below at their defaults. */
  vellumine_reading reading;       /* default VELLUMINE_READING_DEFAULT */
  vellumine_links links;           /* plain text, default reading; default VELLUMINE_LINKS_NONE */
  int wrap;                        /* plain text, default reading: paragraphs wrapped at this
                                      many columns (never inside a word); 0, the default, keeps
                                      a paragraph on one line; 0..VELLUMINE_WRAP_MAX */
  /* Added in 1.4. A struct of version 1.3 (which ends before this field) is read with the
     fields below at their defaults. */
  vellumine_images images;         /* default VELLUMINE_IMAGES_EMBED */
  const char* image_root;          /* the folder (a UTF-8 path) whose files, and those of the
                                      folders below it, pictures may be: symbolic links are
                                      resolved first, and one that leads out of it leads
                                      nowhere; "": none, data: pictures alone. Default NULL:
                                      the page's own folder; a page converted from memory
                                      has none. Relative addresses start at the page's
                                      folder when it lies within the root, else at the
                                      root */
} vellumine_options;

/* Fills options with the defaults (and its size). */
void vellumine_options_init(vellumine_options* options);

/* Converts the file at input_path into output_directory, under the name that
 * vellumine_output_path gives. The output is written under a temporary name and takes its
 * name only when complete: a failed conversion leaves a file that was there as it was.
 * Paths are UTF-8 on every platform (on Windows any name and any length the file system
 * takes: they reach its wide functions). */
vellumine_result vellumine_convert_file(const char* input_path, const char* output_directory,
                                        const vellumine_options* options);

/* Converts size bytes of a page in memory (as a file would hold them), handing the output
 * to write piece by piece. */
vellumine_result vellumine_convert_memory(const char* input, size_t size,
                                          const vellumine_options* options,
                                          vellumine_write_fn write, void* write_context);

/* Converts the file at input_path (a UTF-8 path, as for vellumine_convert_file), handing
 * the output to write piece by piece as it is made: a large page is read, converted and
 * handed over as it goes, in bounded memory. Nothing is handed over when the input cannot be
 * opened or is empty. Added in 1.3. */
vellumine_result vellumine_convert_file_to(const char* input_path,
                                           const vellumine_options* options,
                                           vellumine_write_fn write, void* write_context);

/* A conversion given its page a piece at a time, as the page arrives (a network stream, a
 * pipe), that hands the output to write as it is made, in bounded memory. Added in 1.4.
 *
 *     vellumine_converter* converter;
 *     if (vellumine_converter_start(&options, write, context, &converter) != VELLUMINE_OK) ...
 *     while ((n = fread(piece, 1, sizeof piece, stdin)) > 0)
 *       if (vellumine_converter_push(converter, piece, n) != VELLUMINE_OK) break;
 *     vellumine_result result = vellumine_converter_finish(converter);
 *     vellumine_converter_free(converter);
 *
 * The output is that of vellumine_convert_memory for the whole page, byte for byte, with two
 * exceptions that keep memory bounded. With VELLUMINE_ENCODING_AUTO, the pushed bytes are
 * held until the character set is settled (a byte order mark, the head's "charset=", or a
 * byte sequence that is not UTF-8), at most the first VELLUMINE_PUSH_CHOICE_WINDOW bytes:
 * a longer page that settles nothing there is read as those bytes choose (UTF-8 when they
 * hold UTF-8 beyond ASCII). The classic reading holds the whole page, and converts it at
 * vellumine_converter_finish. Progress is reported at the start and the end alone: the
 * page's length is not known ahead. A converter is used by one thread at a time. */
typedef struct vellumine_converter vellumine_converter;
#define VELLUMINE_PUSH_CHOICE_WINDOW (16u << 20)

/* Starts a conversion, into *converter (null when it fails): INVALID_ARGUMENT for a null
 * pointer or options out of range, OUT_OF_MEMORY. options' strings are copied. */
vellumine_result vellumine_converter_start(const vellumine_options* options,
                                           vellumine_write_fn write, void* write_context,
                                           vellumine_converter** converter);
/* The page's next n bytes; write may be called with output before this returns. Bytes after
 * the page's first 0x1A byte are left out, as a file's would be. After a failure (write
 * refused output: CANNOT_WRITE_OUTPUT; OUT_OF_MEMORY) every call returns that failure. */
vellumine_result vellumine_converter_push(vellumine_converter* converter, const char* bytes,
                                          size_t n);
/* Ends the page and hands over the rest of the output: EMPTY_INPUT when no byte was pushed.
 * A later push or finish returns INVALID_ARGUMENT. */
vellumine_result vellumine_converter_finish(vellumine_converter* converter);
/* Frees the converter (null does nothing); one not finished stops where it is. */
void vellumine_converter_free(vellumine_converter* converter);

/* The output's path for input_path: output_directory (a separator added when missing) and
 * the input's file name with its last extension replaced by ".rtf" or ".txt". Writes it
 * terminated into buffer when it fits (capacity bytes) and returns its length; 0 when the
 * arguments are invalid or the path is too long for the platform. */
size_t vellumine_output_path(const char* input_path, const char* output_directory,
                             const vellumine_options* options, char* buffer, size_t capacity);

/* The extension of the format's output files: ".rtf" or ".txt"; null for no format. Added in
 * 1.3. */
const char* vellumine_format_extension(vellumine_format format);

/* The options described, for programs that offer them: each option's names, its choices or
 * limits, and its default. The command line, the window and "settings.ini" read their names,
 * lists, limits and defaults here, so that each is written once. Where a program keeps a
 * default or a spelling of its own on purpose, the table says so. Added in 1.3. */
typedef enum vellumine_option_kind {
  VELLUMINE_OPTION_CHOICE = 0,  /* one of the option's choices */
  VELLUMINE_OPTION_SWITCH = 1,  /* 0 (off) or 1 (on) */
  VELLUMINE_OPTION_NUMBER = 2,  /* a whole number from minimum to maximum */
  VELLUMINE_OPTION_TEXT = 3     /* a string */
} vellumine_option_kind;
/* One choice of an option. */
typedef struct vellumine_option_choice {
  int value;            /* the value stored in vellumine_options */
  const char* name;     /* the library's name, which its bindings take: "text", "utf-8" */
  const char* command;  /* the command line's name; the same as name unless the command
                           line spells it its own way ("txt") */
  const char* alias;    /* another name the command line takes ("utf8"), or null */
  const char* label;    /* the window's list label ("(UTF-8) Unicode"), or null */
} vellumine_option_choice;
typedef struct vellumine_option_info {
  const char* name;          /* the field of vellumine_options, and the bindings' keyword */
  const char* command;       /* the command line's long option, without "--" */
  vellumine_option_kind kind;
  const char* summary;       /* what the option does, in a few words */
  int default_value;         /* the library's default: a choice's value, 0 or 1, a number */
  int shown_default;         /* the command line's and the window's default (tables: off
                                there, on in the library) */
  int minimum;               /* NUMBER: the least value the library takes */
  int maximum;               /* NUMBER: the largest */
  int command_minimum;       /* NUMBER: the least the command line and the window offer
                                (font size: 1) */
  const char* default_text;  /* TEXT: the default */
  const char* refused;       /* TEXT: bytes left out besides control bytes, or null */
  const vellumine_option_choice* choices;  /* CHOICE: in the window's list order */
  int choice_count;
} vellumine_option_info;
/* The option at index (0 up, in the order of vellumine_options' fields); null past the last.
 */
const vellumine_option_info* vellumine_option(size_t index);
/* The option with the given name (a field of vellumine_options), or null. */
const vellumine_option_info* vellumine_find_option(const char* name);

/* Sets the option of options named name (a field of vellumine_options: "format",
 * "font_size", "image_root") from its value written as text, as bindings and settings files
 * hold it: a choice by its name ("text", "utf-8"), a switch as "0" or "1", a number in
 * decimal within the option's limits, a string as it stands (its pointer is kept: it must
 * outlive the options' use). INVALID_ARGUMENT, with options as they were, for a name that is
 * no option, a value the option does not take, or options not of this version's size. Added
 * in 1.4. */
vellumine_result vellumine_option_set(vellumine_options* options, const char* name,
                                      const char* value);

/* A short English description of a result: "out of memory". */
const char* vellumine_result_text(vellumine_result result);

/* The library's version: "1.3". */
const char* vellumine_version(void);

#ifdef __cplusplus
}
#endif

#endif /* VELLUMINE_H */
