// The engine's C interface as a CPython extension on the stable ABI (3.11 and later): the
// conversions, with the interpreter's lock let go of while they run, and the options table.
// The friendly layer (keyword options, exceptions, files and streams) is vellumine/__init__.py.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "vellumine.h"

namespace {

// The options named in a dict of names to values written as text, with the strings they
// point at kept alive beside them.
struct Options {
  vellumine_options value;
  std::vector<std::unique_ptr<std::string>> strings;
};

// Reads a dict of str to str into options; false with an exception set when it cannot.
bool ReadOptions(PyObject* given, Options& options) {
  vellumine_options_init(&options.value);
  if (!PyDict_Check(given)) {
    PyErr_SetString(PyExc_TypeError, "options must be a dict of str to str");
    return false;
  }
  PyObject* key;
  PyObject* item;
  Py_ssize_t at = 0;
  while (PyDict_Next(given, &at, &key, &item)) {
    const char* name = PyUnicode_AsUTF8AndSize(key, nullptr);
    const char* text = name ? PyUnicode_AsUTF8AndSize(item, nullptr) : nullptr;
    if (!text) return false;
    options.strings.push_back(std::make_unique<std::string>(text));
    if (vellumine_option_set(&options.value, name, options.strings.back()->c_str()) !=
        VELLUMINE_OK) {
      PyErr_Format(PyExc_ValueError, "option %s cannot be %R", name, item);
      return false;
    }
  }
  return true;
}

// The interpreter's main thread, the one signal handlers run on.
unsigned long gMainThread = 0;

// A thread's buffer for the outputs convert() keeps, used again by its next conversion: its
// pages stay mapped, where a fresh buffer per page cost a page fault every 4 KiB of output
// (and two threads each other's time in the kernel). Lent to one conversion at a time: one
// that starts while the thread's is lent (a signal handler's, during a look for Ctrl-C) has
// one of its own.
class KeptBuffer {
 public:
  KeptBuffer() : lent_(Lent() ? nullptr : &Own()) {
    if (lent_) Lent() = true;
  }
  ~KeptBuffer() {
    if (!lent_) return;
    Lent() = false;
    if (lent_->capacity() > kKeptMost) std::string().swap(*lent_);  // a large page's, let go
    else lent_->clear();
  }
  KeptBuffer(const KeptBuffer&) = delete;
  KeptBuffer& operator=(const KeptBuffer&) = delete;
  std::string& operator*() { return lent_ ? *lent_ : own_; }
  std::string* operator->() { return &**this; }

 private:
  static constexpr size_t kKeptMost = size_t{8} << 20;
  static std::string& Own() {
    thread_local std::string buffer;
    return buffer;
  }
  static bool& Lent() {
    thread_local bool lent = false;
    return lent;
  }
  std::string* lent_;
  std::string own_;
};

// A conversion's output and what stops it: the caller's write function (None: the output is
// kept), an exception it raised, and Ctrl-C, looked for every so often on the main thread
// (only there: other threads would take the lock from one another for nothing).
struct Sink {
  PyObject* write = nullptr;  // borrowed; null: kept in `*kept`
  std::string* kept = nullptr;
  PyThreadState* released = nullptr;  // the thread's state while the lock is let go of
  bool failed = false;                // an exception is set: the conversion stops
  const bool onMainThread = PyThread_get_thread_ident() == gMainThread;
  std::chrono::steady_clock::time_point nextLook =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(20);

  void Release() { released = PyEval_SaveThread(); }
  void Acquire() {
    PyEval_RestoreThread(released);
    released = nullptr;
  }
  // Takes the lock now and then (at most every 20 ms) to see whether Ctrl-C was pressed.
  void LookForSignals() {
    if (!onMainThread || failed) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLook) return;
    nextLook = now + std::chrono::milliseconds(20);
    Acquire();
    if (PyErr_CheckSignals() != 0) failed = true;
    Release();
  }
  static int Write(void* self, const char* bytes, size_t n) {
    auto* sink = static_cast<Sink*>(self);
    if (sink->failed) return 1;
    if (!sink->write) {
      sink->kept->append(bytes, n);
      sink->LookForSignals();
      return sink->failed ? 1 : 0;
    }
    sink->Acquire();
    PyObject* piece = PyBytes_FromStringAndSize(bytes, static_cast<Py_ssize_t>(n));
    PyObject* result = piece ? PyObject_CallFunctionObjArgs(sink->write, piece, nullptr) : nullptr;
    Py_XDECREF(piece);
    if (!result || PyErr_CheckSignals() != 0) sink->failed = true;
    Py_XDECREF(result);
    sink->Release();
    return sink->failed ? 1 : 0;
  }
  static void Progress(void* self, int, int) { static_cast<Sink*>(self)->LookForSignals(); }
  void Attach(vellumine_options& options) {
    options.progress = &Progress;
    options.progress_context = this;
  }
};

// What a conversion's kept output is handed back as.
enum class Kept { Bytes = 0, Utf8 = 1, Latin1 = 2 };

// (result, output): output is the kept bytes as `kept` asks (None when they went to write);
// NULL when an exception stopped the conversion.
PyObject* Outcome(vellumine_result result, Sink& sink, Kept kept = Kept::Bytes) {
  if (sink.failed) return nullptr;
  if (sink.write) return Py_BuildValue("(iO)", static_cast<int>(result), Py_None);
  const auto n = static_cast<Py_ssize_t>(sink.kept->size());
  PyObject* output = kept == Kept::Utf8     ? PyUnicode_DecodeUTF8(sink.kept->data(), n, "strict")
                     : kept == Kept::Latin1 ? PyUnicode_DecodeLatin1(sink.kept->data(), n, "strict")
                                            : PyBytes_FromStringAndSize(sink.kept->data(), n);
  return output ? Py_BuildValue("(iN)", static_cast<int>(result), output) : nullptr;
}

// A page of more than one piece pushed to a converter a piece at a time, Ctrl-C looked for
// between the pieces (a refused output does not stop the engine's reading of a whole page in
// memory, and a pushed page stops where it is). Its output is the whole page's where the push
// form's is: in the default reading, when the character set is named or the page is within
// the window Auto holds. False when that is not so (nothing was done): a page of one piece
// converts in memory in a few milliseconds, without the converter's buffers.
bool ConvertInPieces(const char* bytes, size_t n, const vellumine_options& options, Sink& sink,
                     vellumine_result& result) {
  constexpr size_t kPiece = size_t{4} << 20;
  if (n <= kPiece || options.reading != VELLUMINE_READING_DEFAULT ||
      (options.encoding == VELLUMINE_ENCODING_AUTO && n > VELLUMINE_PUSH_CHOICE_WINDOW))
    return false;
  vellumine_converter* converter = nullptr;
  result = vellumine_converter_start(&options, &Sink::Write, &sink, &converter);
  for (size_t at = 0; result == VELLUMINE_OK && at < n && !sink.failed; at += kPiece) {
    result = vellumine_converter_push(converter, bytes + at, std::min(kPiece, n - at));
    sink.LookForSignals();
  }
  if (result == VELLUMINE_OK && !sink.failed) result = vellumine_converter_finish(converter);
  vellumine_converter_free(converter);
  return true;
}

// convert(page, options, kept=0) -> (result, output): page a str (its UTF-8, which the str
// keeps) or bytes-like; the output as bytes (kept 0), or a str of its UTF-8 (1) or of one
// character a byte (2).
PyObject* Convert(PyObject*, PyObject* args) {
  PyObject* input;
  PyObject* given;
  int kept = 0;
  if (!PyArg_ParseTuple(args, "OO|i:convert", &input, &given, &kept)) return nullptr;
  Py_buffer page{};
  const char* bytes;
  Py_ssize_t length;
  const bool text = PyUnicode_Check(input);
  if (text) {
    bytes = PyUnicode_AsUTF8AndSize(input, &length);
    if (!bytes) return nullptr;
  } else {
    if (PyObject_GetBuffer(input, &page, PyBUF_SIMPLE) != 0) return nullptr;
    bytes = static_cast<const char*>(page.buf);
    length = page.len;
  }
  Options options;
  KeptBuffer output;
  Sink sink;
  sink.kept = &*output;
  vellumine_result result = VELLUMINE_OK;
  if (ReadOptions(given, options)) {
    sink.Attach(options.value);
    sink.Release();
    const auto n = static_cast<size_t>(length);
    if (!ConvertInPieces(bytes, n, options.value, sink, result))
      result = vellumine_convert_memory(bytes, n, &options.value, &Sink::Write, &sink);
    sink.Acquire();
  } else {
    sink.failed = true;
  }
  if (!text) PyBuffer_Release(&page);
  return Outcome(result, sink, static_cast<Kept>(kept));
}

// convert_file_to(path, options, write) -> (result, None)
PyObject* ConvertFileTo(PyObject*, PyObject* args) {
  const char* path;
  PyObject* given;
  PyObject* write;
  if (!PyArg_ParseTuple(args, "sOO:convert_file_to", &path, &given, &write)) return nullptr;
  Options options;
  if (!ReadOptions(given, options)) return nullptr;
  Sink sink;
  sink.write = write;
  sink.Attach(options.value);
  sink.Release();
  const vellumine_result result =
      vellumine_convert_file_to(path, &options.value, &Sink::Write, &sink);
  sink.Acquire();
  return Outcome(result, sink);
}

// output_path(input_path, output_directory, options) -> str, or None when there is none.
PyObject* OutputPath(PyObject*, PyObject* args) {
  const char* input;
  const char* directory;
  PyObject* given;
  if (!PyArg_ParseTuple(args, "ssO:output_path", &input, &directory, &given)) return nullptr;
  Options options;
  if (!ReadOptions(given, options)) return nullptr;
  const size_t length = vellumine_output_path(input, directory, &options.value, nullptr, 0);
  if (length == 0) Py_RETURN_NONE;
  std::string path(length + 1, '\0');
  vellumine_output_path(input, directory, &options.value, path.data(), path.size());
  return PyUnicode_FromStringAndSize(path.data(), static_cast<Py_ssize_t>(length));
}

// result_text(result) -> str
PyObject* ResultText(PyObject*, PyObject* args) {
  int result;
  if (!PyArg_ParseTuple(args, "i:result_text", &result)) return nullptr;
  return PyUnicode_FromString(vellumine_result_text(static_cast<vellumine_result>(result)));
}

PyObject* Text(const char* text) {
  if (text) return PyUnicode_FromString(text);
  Py_RETURN_NONE;
}

// options() -> [{name, kind, summary, default, minimum, maximum, offered_minimum, choices}]
PyObject* OptionTable(PyObject*, PyObject*) {
  static const char* const kKinds[] = {"choice", "switch", "number", "text"};
  PyObject* rows = PyList_New(0);
  for (size_t i = 0; rows; ++i) {
    const vellumine_option_info* option = vellumine_option(i);
    if (!option) break;
    PyObject* choices = PyList_New(0);
    for (int c = 0; choices && c < option->choice_count; ++c) {
      PyObject* choice = Py_BuildValue("(is)", option->choices[c].value, option->choices[c].name);
      if (!choice || PyList_Append(choices, choice) != 0) Py_CLEAR(choices);
      Py_XDECREF(choice);
    }
    PyObject* row = choices ? Py_BuildValue(
        "{s:s,s:s,s:s,s:i,s:N,s:i,s:i,s:i,s:N}", "name", option->name, "kind",
        kKinds[option->kind], "summary", option->summary, "default", option->default_value,
        "default_text", Text(option->default_text), "minimum", option->minimum, "maximum",
        option->maximum, "offered_minimum", option->command_minimum, "choices", choices)
        : nullptr;
    if (!row || PyList_Append(rows, row) != 0) Py_CLEAR(rows);
    Py_XDECREF(row);
  }
  return rows;
}

PyObject* Version(PyObject*, PyObject*) { return PyUnicode_FromString(vellumine_version()); }

// A conversion given its page a piece at a time: Converter(options, write), then push(bytes)
// and finish(), each returning the library's result.
struct ConverterObject {
  PyObject_HEAD
  vellumine_converter* converter;
  Sink* sink;
  PyObject* write;
};

void ConverterDealloc(PyObject* self) {
  auto* object = reinterpret_cast<ConverterObject*>(self);
  vellumine_converter_free(object->converter);
  delete object->sink;
  Py_XDECREF(object->write);
  PyTypeObject* type = Py_TYPE(self);
  reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free))(self);
  Py_DECREF(type);
}

PyObject* ConverterNew(PyTypeObject* type, PyObject* args, PyObject*) {
  PyObject* given;
  PyObject* write;
  if (!PyArg_ParseTuple(args, "OO:Converter", &given, &write)) return nullptr;
  Options options;
  if (!ReadOptions(given, options)) return nullptr;
  auto* object = reinterpret_cast<ConverterObject*>(
      reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc))(type, 0));
  if (!object) return nullptr;
  object->sink = new Sink;
  object->write = Py_NewRef(write);
  object->sink->write = write;
  const vellumine_result result = vellumine_converter_start(
      &options.value, &Sink::Write, object->sink, &object->converter);
  if (result != VELLUMINE_OK) {
    PyObject* error = Py_BuildValue("(is)", static_cast<int>(result), vellumine_result_text(result));
    PyErr_SetObject(PyExc_RuntimeError, error);
    Py_XDECREF(error);
    Py_DECREF(object);
    return nullptr;
  }
  return reinterpret_cast<PyObject*>(object);
}

PyObject* ConverterPush(PyObject* self, PyObject* args) {
  auto* object = reinterpret_cast<ConverterObject*>(self);
  Py_buffer piece;
  if (!PyArg_ParseTuple(args, "y*:push", &piece)) return nullptr;
  Sink& sink = *object->sink;
  sink.Release();
  const vellumine_result result = vellumine_converter_push(
      object->converter, static_cast<const char*>(piece.buf), static_cast<size_t>(piece.len));
  sink.Acquire();
  PyBuffer_Release(&piece);
  if (sink.failed) return nullptr;
  return PyLong_FromLong(result);
}

PyObject* ConverterFinish(PyObject* self, PyObject*) {
  auto* object = reinterpret_cast<ConverterObject*>(self);
  Sink& sink = *object->sink;
  sink.Release();
  const vellumine_result result = vellumine_converter_finish(object->converter);
  sink.Acquire();
  if (sink.failed) return nullptr;
  return PyLong_FromLong(result);
}

PyMethodDef kConverterMethods[] = {
    {"push", ConverterPush, METH_VARARGS, "push(piece) -> result: the page's next bytes"},
    {"finish", ConverterFinish, METH_NOARGS, "finish() -> result: the end of the page"},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot kConverterSlots[] = {
    {Py_tp_new, reinterpret_cast<void*>(ConverterNew)},
    {Py_tp_dealloc, reinterpret_cast<void*>(ConverterDealloc)},
    {Py_tp_methods, kConverterMethods},
    {Py_tp_doc, const_cast<char*>("Converter(options, write): a page given a piece at a time")},
    {0, nullptr},
};

PyType_Spec kConverterSpec = {"vellumine._vellumine.Converter", sizeof(ConverterObject), 0,
                              Py_TPFLAGS_DEFAULT, kConverterSlots};

PyMethodDef kMethods[] = {
    {"convert", Convert, METH_VARARGS,
     "convert(page, options, kept=0) -> (result, output): a page in memory"},
    {"convert_file_to", ConvertFileTo, METH_VARARGS,
     "convert_file_to(path, options, write) -> (result, None): a file, its output to write"},
    {"output_path", OutputPath, METH_VARARGS,
     "output_path(input_path, output_directory, options) -> str | None"},
    {"result_text", ResultText, METH_VARARGS, "result_text(result) -> str"},
    {"options", OptionTable, METH_NOARGS, "options() -> the library's table of options"},
    {"version", Version, METH_NOARGS, "version() -> the library's version"},
    {nullptr, nullptr, 0, nullptr},
};

// The ident of threading.main_thread(); false with an exception set when it cannot be had.
bool FindMainThread() {
  PyObject* threading = PyImport_ImportModule("threading");
  PyObject* main = threading ? PyObject_CallMethod(threading, "main_thread", nullptr) : nullptr;
  PyObject* ident = main ? PyObject_GetAttrString(main, "ident") : nullptr;
  if (ident) gMainThread = PyLong_AsUnsignedLong(ident);
  Py_XDECREF(ident);
  Py_XDECREF(main);
  Py_XDECREF(threading);
  return ident != nullptr && !PyErr_Occurred();
}

int Exec(PyObject* module) {
  if (!FindMainThread()) return -1;
  PyObject* type = PyType_FromSpec(&kConverterSpec);
  if (!type) return -1;
  const int added = PyModule_AddObjectRef(module, "Converter", type);
  Py_DECREF(type);
  return added;
}

PyModuleDef_Slot kSlots[] = {{Py_mod_exec, reinterpret_cast<void*>(Exec)}, {0, nullptr}};

PyModuleDef kModule = {PyModuleDef_HEAD_INIT, "_vellumine",
                       "The Vellumine engine's C interface (see the vellumine package).", 0,
                       kMethods, kSlots, nullptr, nullptr, nullptr};

}  // namespace

PyMODINIT_FUNC PyInit__vellumine(void) { return PyModuleDef_Init(&kModule); }
