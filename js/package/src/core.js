// The package's API over vellumine.wasm, the same in every entry point (each adds the way it
// finds the module's bytes, and its own imports and exports around this file).

const RESULT_CODES = {
  2: 'OUT_OF_MEMORY',
  3: 'CANNOT_OPEN_OUTPUT',
  4: 'CANNOT_OPEN_INPUT',
  5: 'EMPTY_INPUT',
  6: 'CANNOT_WRITE_OUTPUT',
  7: 'INVALID_ARGUMENT',
};
const OPTION_KINDS = ['choice', 'switch', 'number', 'text'];
// Options of the library that a JavaScript caller does not set: its output is Unicode text
// or RTF bytes, and its pictures come from data: addresses alone (it reads no files).
const FIXED_OPTIONS = new Set(['text_utf8', 'image_root']);
// The package's own options, beside the library's.
const OWN_OPTIONS = new Set(['output']);

/** An error of a conversion: `code` names the library's result ("EMPTY_INPUT"). */
class VellumineError extends Error {
  constructor(code, message) {
    super(message);
    this.name = 'VellumineError';
    this.code = code;
  }
}

let compiled = null;  // the WebAssembly.Module
let wasm = null;      // the instance's exports, while it is sound
const sinks = new Map();  // output takers by number, while their conversion runs
let nextSink = 1;
let table = null;     // the options table, read once

function imports(module) {
  const wanted = {};
  for (const { module: from, name, kind } of WebAssembly.Module.imports(module)) {
    if (kind !== 'function') continue;
    wanted[from] = wanted[from] || {};
    wanted[from][name] = stubFor(from, name);
  }
  return wanted;
}

// The module imports the system's calls of a C library; it opens no file here (a picture
// is read from its data: address), so each says it is not available.
function stubFor(from, name) {
  const ENOSYS = 52;
  switch (name) {
    case 'vellumine_take':
      return take;
    case 'emscripten_notify_memory_growth':
      return () => {};
    case 'proc_exit':
      return (status) => {
        throw new WebAssembly.RuntimeError(`the engine stopped (exit ${status})`);
      };
    case 'environ_sizes_get':
      return (count, size) => {
        const view = new DataView(wasm.memory.buffer);
        view.setUint32(count, 0, true);
        view.setUint32(size, 0, true);
        return 0;
      };
    case 'clock_time_get':
      return (id, precision, at) => {
        new DataView(wasm.memory.buffer).setBigUint64(at, BigInt(Date.now()) * 1000000n, true);
        return 0;
      };
    case 'fd_write':
      return (fd, iovs, count, written) => {
        const view = new DataView(wasm.memory.buffer);
        let n = 0;
        for (let i = 0; i < count; i++) n += view.getUint32(iovs + 8 * i + 4, true);
        view.setUint32(written, n, true);
        return 0;
      };
    default:
      return from === 'wasi_snapshot_preview1' ? () => ENOSYS : () => -ENOSYS;
  }
}

// Output from the engine: bytes[0, n) of the conversion numbered sink (all ASCII or not).
function take(sink, bytes, n, ascii) {
  const taker = sinks.get(sink);
  if (!taker || taker.error) return 1;
  try {
    taker.take(new Uint8Array(wasm.memory.buffer, bytes, n), ascii !== 0);
    return 0;
  } catch (error) {
    taker.error = error;  // a JavaScript error never unwinds through the engine
    return 1;
  }
}

// The output of one conversion as it comes, kept as the caller asked for it: bytes, plain
// text decoded as UTF-8 (a character split between two pieces waits for the next), or RTF
// as one character for each byte.
class Output {
  constructor(kind, rtf) {
    this.kind = kind;
    this.rtf = rtf;
    this.decoder = kind === 'string' && !rtf ? new TextDecoder() : null;
    this.error = null;
    this.clear();
  }
  clear() {
    this.chunks = [];
    this.size = 0;
    this.text = '';
  }
  // Bytes in the engine's memory, valid during this call alone; ascii: none is 0x80 or above.
  take(view, ascii) {
    if (this.kind === 'bytes') {
      this.chunks.push(view.slice());
      this.size += view.length;
    } else {
      try {
        // A piece of ASCII never follows one cut inside a character: the text is UTF-8.
        this.text += ascii ? asciiDecoder.decode(view)
                   : this.decoder ? this.decoder.decode(view, { stream: true })
                   : latin1(view);
      } catch (error) {
        if (!(error instanceof RangeError)) throw error;
        throw new VellumineError('CANNOT_WRITE_OUTPUT', 'the output is too long for a string: ' +
                                 'ask for bytes (output: "bytes") or use the streaming form');
      }
    }
  }
  // What came since the last call; last: the output has ended.
  takeMade(last) {
    let made;
    if (this.kind === 'bytes') {
      made = joined(this.chunks, this.size);
    } else {
      made = this.text + (last && this.decoder ? this.decoder.decode() : '');
    }
    this.clear();
    return made;
  }
}

function instantiate(module) {
  const instance = new WebAssembly.Instance(module, imports(module));
  wasm = instance.exports;  // the C library's start reads its memory
  try {
    instance.exports._initialize();
  } catch (error) {
    wasm = null;
    throw error;
  }
  compiled = module;
}

async function instantiateAsync(source) {
  if (wasm) return;
  let module;
  if (source instanceof WebAssembly.Module) {
    module = source;
  } else {
    if (typeof Response !== 'undefined' && source instanceof Response) {
      source = await source.arrayBuffer();
    }
    module = await WebAssembly.compile(source);
  }
  if (!wasm) instantiate(module);
}

function instantiateSync(source) {
  if (wasm) return;
  instantiate(source instanceof WebAssembly.Module ? source : new WebAssembly.Module(source));
}

// The instance, made again from the module when a trap has left the last one unsound.
function engine() {
  if (wasm) return wasm;
  if (compiled) {
    instantiate(compiled);
    return wasm;
  }
  autoInit();
  if (wasm) return wasm;
  throw new VellumineError('NOT_READY', 'vellumine is not ready: await init() first');
}

// Memory a conversion grew the engine's to, which it would keep: past this, the instance is
// let go of once no conversion runs on it, and made again at the next call.
const KEPT_MEMORY = 256 << 20;
let liveConverters = 0;  // streaming conversions started and not yet let go of

function letGoOfLargeMemory() {
  if (wasm && liveConverters === 0 && wasm.memory.buffer.byteLength > KEPT_MEMORY) wasm = null;
}

// Runs call on the engine; a trap (the engine's memory exhausted) leaves the instance
// unsound: it is let go of, and made again at the next call.
function guarded(call) {
  const exports = engine();
  try {
    return call(exports);
  } catch (error) {
    if (!(error instanceof WebAssembly.RuntimeError)) throw error;
    wasm = null;
    const code = exports.memory.buffer.byteLength >= 1 << 30 ? 'OUT_OF_MEMORY' : 'ENGINE_STOPPED';
    throw new VellumineError(code, `the conversion stopped: ${error.message}`);
  }
}

function readString(exports, at) {
  if (at === 0) return null;
  const bytes = new Uint8Array(exports.memory.buffer);
  let end = at;
  while (bytes[end] !== 0) end++;
  return new TextDecoder().decode(bytes.subarray(at, end));
}

// The library's options table: [{name, kind, summary, default, minimum, maximum, choices}].
function optionTable() {
  if (table) return table;
  const exports = engine();
  const rows = [];
  for (let i = 0; ; i++) {
    const at = exports.vellumine_option(i);
    if (at === 0) break;
    const word = (k) => new DataView(exports.memory.buffer).getInt32(at + 4 * k, true);
    const row = {
      name: readString(exports, word(0)),
      kind: OPTION_KINDS[word(2)],
      summary: readString(exports, word(3)),
      default: word(4),
      minimum: word(6),
      maximum: word(7),
      offeredMinimum: word(8),
      choices: [],
    };
    for (let c = 0; c < word(12); c++) {
      const choice = word(11) + 20 * c;
      const value = new DataView(exports.memory.buffer).getInt32(choice, true);
      row.choices.push({ value, name: readString(exports, new DataView(exports.memory.buffer).getInt32(choice + 4, true)) });
    }
    if (row.kind === 'choice') {
      row.default = row.choices.find((c) => c.value === row.default).name;
    } else if (row.kind === 'switch') {
      row.default = row.default !== 0;
    } else if (row.kind === 'text') {
      row.default = readString(exports, word(9));
    }
    rows.push(row);
  }
  table = rows;
  return table;
}

let rowsByName = null;
function optionRows() {
  if (!rowsByName) rowsByName = new Map(optionTable().map((o) => [o.name, o]));
  return rowsByName;
}

/** The options a conversion takes, as the library describes them. */
function options() {
  return optionTable()
    .filter((o) => !FIXED_OPTIONS.has(o.name))
    .map((o) => ({ ...o, choices: o.choices.map((c) => c.name) }));
}

function snakeCase(name) {
  return name.replace(/[A-Z]/g, (letter) => '_' + letter.toLowerCase());
}

function invalid(message) {
  return new VellumineError('INVALID_ARGUMENT', message);
}

// The caller's options as the library's names and values written as text.
function optionValues(given, text) {
  if (given === undefined || given === null) given = {};
  if (typeof given !== 'object') throw new TypeError('options must be an object');
  const values = new Map();
  const rows = optionRows();
  for (const [key, value] of Object.entries(given)) {
    if (value === undefined || OWN_OPTIONS.has(key)) continue;
    const name = snakeCase(key);
    const row = rows.get(name);
    if (!row || FIXED_OPTIONS.has(name)) throw invalid(`vellumine has no option "${key}"`);
    let written;
    if (row.kind === 'choice') {
      if (typeof value !== 'string') throw new TypeError(`option ${key} must be a string`);
      if (!row.choices.some((c) => c.name === value)) {
        throw invalid(`option ${key} must be one of ${row.choices.map((c) => `"${c.name}"`).join(', ')}, not "${value}"`);
      }
      written = value;
    } else if (row.kind === 'switch') {
      if (typeof value !== 'boolean') throw new TypeError(`option ${key} must be true or false`);
      written = value ? '1' : '0';
    } else if (row.kind === 'number') {
      if (typeof value !== 'number' || !Number.isInteger(value)) {
        throw new TypeError(`option ${key} must be a whole number`);
      }
      if (value < row.minimum || value > row.maximum) {
        throw invalid(`option ${key} must be from ${row.minimum} to ${row.maximum}, not ${value}`);
      }
      written = String(value);
    } else {
      if (typeof value !== 'string') throw new TypeError(`option ${key} must be a string`);
      written = value;
    }
    values.set(name, written);
  }
  if (text) readAsText(values);
  values.set('text_utf8', 'utf-8');  // plain text as Unicode
  return values;
}

// A string is text already: its UTF-8 is what the engine reads, and no other character set
// can be asked for.
function readAsText(values) {
  const asked = values.get('encoding');
  if (asked !== undefined && asked !== 'auto' && asked !== 'utf-8') {
    throw invalid(`a string is already text: encoding "${asked}" applies to bytes (a Uint8Array)`);
  }
  values.set('encoding', 'utf-8');
}

function outputKind(given) {
  const output = given && given.output !== undefined ? given.output : 'string';
  if (output !== 'string' && output !== 'bytes') {
    throw invalid(`option output must be "string" or "bytes", not "${output}"`);
  }
  return output;
}

// Memory in the engine, let go of by free().
function allocate(exports, n) {
  const at = exports.malloc(Math.max(n, 1));
  if (at === 0) throw new VellumineError('OUT_OF_MEMORY', 'out of memory');
  return at;
}

function copyIn(exports, bytes) {
  const at = allocate(exports, bytes.length);
  new Uint8Array(exports.memory.buffer, at, bytes.length).set(bytes);
  return at;
}

// Options written lately, by their values, in the engine they were written in: a page's
// conversion costs a few microseconds, writing its options as much again.
const writtenOptions = new Map();
let writtenIn = null;
const KEPT_OPTIONS = 16;

// The options in the engine for values, written there or kept from an earlier call; its
// free() is for the caller's part (nothing: they stay for the next call).
function optionsFor(exports, values) {
  if (writtenIn !== exports) {
    writtenOptions.clear();  // the engine they were written in is gone
    writtenIn = exports;
  }
  const key = [...values].map(([name, value]) => `${name}=${value}`).join('\0');
  let written = writtenOptions.get(key);
  if (written) {
    writtenOptions.delete(key);  // kept as the latest
  } else {
    written = writeOptions(exports, values);
    if (writtenOptions.size === KEPT_OPTIONS) {
      const [oldest, options] = writtenOptions.entries().next().value;
      writtenOptions.delete(oldest);
      options.free();
    }
  }
  writtenOptions.set(key, written);
  return { at: written.at, free: () => {} };
}

// The options set aside in the engine (their strings beside them), or an error.
function writeOptions(exports, values) {
  const held = [];
  const options = allocate(exports, exports.vellumine_js_options_size());
  held.push(options);
  try {
    exports.vellumine_options_init(options);
    const encoder = new TextEncoder();
    for (const [name, value] of values) {
      const nameAt = copyIn(exports, encoder.encode(name + '\0'));
      held.push(nameAt);
      const valueAt = copyIn(exports, encoder.encode(value + '\0'));
      held.push(valueAt);
      if (exports.vellumine_option_set(options, nameAt, valueAt) !== 0) {
        throw invalid(`option ${name} cannot be "${value}"`);
      }
    }
  } catch (error) {
    for (const at of held) exports.free(at);
    throw error;
  }
  return { at: options, free: () => held.forEach((at) => exports.free(at)) };
}

function failure(exports, result) {
  const code = RESULT_CODES[result] || `RESULT_${result}`;
  return new VellumineError(code, readString(exports, exports.vellumine_result_text(result)));
}

// The page in the engine's memory: a string written there as UTF-8 (room for it grown as
// its characters need), bytes copied.
function pageIn(exports, input) {
  if (typeof input !== 'string') {
    const bytes = inputBytes(input).bytes;
    return { at: copyIn(exports, bytes), length: bytes.length };
  }
  const encoder = new TextEncoder();
  let room = input.length + (input.length >> 4) + 16;
  let at = allocate(exports, room);
  let read = 0;
  let length = 0;
  for (;;) {
    const done = encoder.encodeInto(read === 0 ? input : input.slice(read),
                                    new Uint8Array(exports.memory.buffer, at + length, room - length));
    read += done.read;
    length += done.written;
    if (read === input.length) return { at, length };
    room = length + 3 * (input.length - read) + 16;
    const grown = exports.realloc(at, room);
    if (grown === 0) {
      exports.free(at);
      throw new VellumineError('OUT_OF_MEMORY', 'out of memory');
    }
    at = grown;
  }
}

function inputBytes(input) {
  if (typeof input === 'string') return { bytes: new TextEncoder().encode(input), text: true };
  if (input instanceof Uint8Array) return { bytes: input, text: false };
  if (input instanceof ArrayBuffer) return { bytes: new Uint8Array(input), text: false };
  if (ArrayBuffer.isView(input)) {
    return { bytes: new Uint8Array(input.buffer, input.byteOffset, input.byteLength), text: false };
  }
  throw new TypeError('the page must be a string, a Uint8Array or an ArrayBuffer');
}

function joined(chunks, size) {
  if (chunks.length === 1) return chunks[0];
  if (chunks.length === 0) return new Uint8Array(0);
  const all = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    all.set(chunk, at);
    at += chunk.length;
  }
  return all;
}

// ASCII read as a string: the Windows-1252 decoder reads bytes below 0x80 as themselves,
// faster than UTF-8's.
const asciiDecoder = new TextDecoder('windows-1252');

// RTF is bytes of its code page: as a string, one character for each byte.
function latin1(bytes) {
  let text = '';
  for (let at = 0; at < bytes.length; at += 0x8000) {
    text += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
  }
  return text;
}

/**
 * Converts a page: a string (read as the text it is) or the page's bytes (its character set
 * found as the library finds it). Returns the output as a string, or as a Uint8Array with
 * `output: "bytes"`.
 */
function convert(input, given) {
  const output = outputKind(given);
  const values = optionValues(given, typeof input === 'string');
  const taker = new Output(output, values.get('format') !== 'text');
  const sink = nextSink++;
  sinks.set(sink, taker);
  try {
    guarded((exports) => {
      const options = optionsFor(exports, values);
      const page = pageIn(exports, input);
      try {
        const result = exports.vellumine_convert_memory(page.at, page.length, options.at,
                                                        exports.vellumine_js_writer(), sink);
        if (taker.error) throw taker.error;
        if (result !== 0) throw failure(exports, result);
      } finally {
        exports.free(page.at);
        options.free();
      }
    });
  } finally {
    sinks.delete(sink);
    letGoOfLargeMemory();
  }
  return taker.takeMade(true);
}

const unfreed = typeof FinalizationRegistry !== 'undefined'
  ? new FinalizationRegistry((free) => free())
  : null;

/**
 * A conversion given its page a piece at a time: push(chunk) returns the output made so far
 * (a string, or a Uint8Array with `output: "bytes"`), finish() the rest. Chunks are all
 * strings or all bytes.
 */
function createConverter(given) {
  const output = outputKind(given);
  const values = optionValues(given, false);
  let exports = engine();
  let converter = 0;
  let options = null;
  let text = null;  // whether the chunks are strings, once the first has come
  let pending = '';  // a string chunk's last high surrogate, for the next chunk
  let done = false;
  const taker = new Output(output, values.get('format') !== 'text');
  const sink = nextSink++;
  const free = () => {
    if (converter !== 0 && wasm === exports) exports.vellumine_converter_free(converter);
    if (options && wasm === exports) options.free();
    if (converter !== 0) liveConverters--;
    converter = 0;
    options = null;
    sinks.delete(sink);
  };
  const token = {};

  const start = () => {
    guarded((e) => {
      exports = e;
      options = optionsFor(e, values);
      const slot = allocate(e, 4);
      try {
        const result = e.vellumine_converter_start(options.at, e.vellumine_js_writer(), sink, slot);
        if (result !== 0) throw failure(e, result);
        converter = new DataView(e.memory.buffer).getUint32(slot, true);
        liveConverters++;
      } finally {
        e.free(slot);
      }
    });
    sinks.set(sink, taker);
    if (unfreed) unfreed.register(handle, free, token);
  };

  const made = () => taker.takeMade(done);

  const run = (call) => {
    if (wasm !== exports) {
      free();
      throw new VellumineError('ENGINE_STOPPED', 'the engine was restarted: convert the page again');
    }
    try {
      guarded(() => {
        const result = call(exports);
        if (taker.error) throw taker.error;
        if (result !== 0) throw failure(exports, result);
      });
    } catch (error) {
      done = true;
      release();
      throw error;
    }
  };
  const release = () => {
    free();
    if (unfreed) unfreed.unregister(token);
    letGoOfLargeMemory();
  };
  const pushBytes = (bytes) => run((e) => {
    const at = copyIn(e, bytes);
    try {
      return e.vellumine_converter_push(converter, at, bytes.length);
    } finally {
      e.free(at);
    }
  });

  const handle = {
    push(chunk) {
      if (done) throw invalid('the conversion has finished');
      let bytes;
      if (typeof chunk === 'string') {
        if (text === false) throw new TypeError('the chunks must all be strings or all bytes');
        let piece = pending + chunk;
        pending = '';
        const last = piece.charCodeAt(piece.length - 1);
        if (last >= 0xd800 && last <= 0xdbff) {
          pending = piece.slice(-1);
          piece = piece.slice(0, -1);
        }
        bytes = new TextEncoder().encode(piece);
        if (text === null) readAsText(values);
        text = true;
      } else {
        if (text === true) throw new TypeError('the chunks must all be strings or all bytes');
        bytes = inputBytes(chunk).bytes;
        text = false;
      }
      if (converter === 0) start();
      pushBytes(bytes);
      return made();
    },
    finish() {
      if (done) throw invalid('the conversion has finished');
      if (converter === 0) start();
      done = true;
      if (pending) {  // a lone high surrogate at the end: written as the encoder writes it
        pushBytes(new TextEncoder().encode(pending));
        pending = '';
      }
      run((e) => e.vellumine_converter_finish(converter));
      const rest = made();
      release();
      return rest;
    },
    /** Stops the conversion and lets go of its memory. */
    cancel() {
      done = true;
      release();
    },
  };
  return handle;
}

/** The streaming form as a TransformStream: page chunks in, output chunks out. */
function convertStream(given) {
  const converter = createConverter(given);
  const empty = (out) => out.length === 0;
  return new TransformStream({
    transform(chunk, controller) {
      const out = converter.push(chunk);
      if (!empty(out)) controller.enqueue(out);
    },
    flush(controller) {
      const out = converter.finish();
      if (!empty(out)) controller.enqueue(out);
    },
    cancel() {
      converter.cancel();
    },
  });
}

/** The library's version. */
function version() {
  return readString(engine(), engine().vellumine_version());
}
