// The page: takes a page (a file chosen or dropped, or pasted HTML), has the worker convert
// it with the options chosen, and shows the result with a link to download it. The engine
// runs in worker.js only: this thread stays free to answer the person using the page.

const $ = (id) => document.getElementById(id);

// What the preview shows at most; the download is always the whole output.
const TEXT_PREVIEW_BYTES = 1 << 20;
const RTF_PREVIEW_BYTES = 1 << 20;
const RTF_PREVIEW_BLOCKS = 2000;
// A conversion shows its progress bar and Cancel button at once when its page is at least
// this large, and otherwise when it has run for this long.
const LARGE_PAGE = 4 << 20;
const PROGRESS_DELAY_MS = 250;

let worker = null;
let workerReady = false;
let failedStarts = 0;  // workers in a row that stopped before they were ready
let table = null;      // the options table, from the first worker that is ready
let job = null;        // the conversion running: {id, name, format, chunks, size, ...}
let nextJob = 1;
let resultUrl = null;

// ---- the worker ----

function startWorker() {
  const started = new Worker(new URL('./worker.js', import.meta.url), { type: 'module' });
  worker = started;
  workerReady = false;
  started.onmessage = (event) => {
    if (started === worker) fromWorker(event.data);
  };
  started.onerror = (event) => {
    event.preventDefault();
    if (started === worker) workerStopped(event.message || '');
  };
  started.onmessageerror = () => {
    if (started === worker) workerStopped('a message could not be read');
  };
}

function stopWorker() {
  if (worker) worker.terminate();
  worker = null;
  workerReady = false;
}

// Convert waits for the first worker's options; after that it is there whenever no
// conversion runs (a worker that could not be started is started again by it).
function updateConvert() {
  $('convert').disabled = job !== null || (table === null && worker !== null);
}

// The worker died (it could not be loaded, or stopped without answering): said on the
// page, and a fresh one started, unless fresh ones keep dying before they are ready.
function workerStopped(reason) {
  const wasReady = workerReady;
  const name = job ? job.name : null;
  stopWorker();
  endJob();
  failedStarts = wasReady ? 0 : failedStarts + 1;
  const why = reason ? ` (${reason})` : ' unexpectedly';
  const what = name ? `The converter stopped${why} while converting ${name}.` :
                      `The converter stopped${why}.`;
  if (failedStarts < 2) {
    startWorker();
    say(`${what} A fresh one has been started: you can convert again.`, 'error');
  } else {
    say(`${what} It could not be started again; press Convert to try once more.`, 'error');
  }
  updateConvert();
}

function fromWorker(message) {
  switch (message.type) {
    case 'ready':
      workerReady = true;
      failedStarts = 0;
      if (!table) {
        table = message.options;
        buildOptions(table);
        $('version').textContent = `Vellumine ${message.version}, on WebAssembly.`;
        updateConvert();
      }
      break;
    case 'failed':
      stopWorker();
      if (job) endJob();
      say(`The converter could not be loaded (${message.message}). Press Convert to try again.`, 'error');
      updateConvert();
      break;
    case 'progress':
      if (!job || message.id !== job.id) return;
      keep(message.chunk);
      showProgress(message.read, message.total);
      break;
    case 'done':
      if (!job || message.id !== job.id) return;
      keep(message.chunk);
      finished();
      break;
    case 'error':
      if (!job || message.id !== job.id) return;
      failed(message.code, message.message);
      break;
  }
}

function keep(chunk) {
  if (chunk && chunk.length > 0) {
    job.chunks.push(chunk);
    job.size += chunk.length;
  }
}

// ---- the options, from the library's table ----

function labelOf(row) {
  const text = row.summary || row.name.replace(/_/g, ' ');
  return text.charAt(0).toUpperCase() + text.slice(1);
}

function buildOptions(rows) {
  const box = $('options');
  box.replaceChildren();
  for (const row of rows) {
    const id = `opt-${row.name}`;
    const field = document.createElement('div');
    field.className = `field field-${row.kind}`;
    field.dataset.option = row.name;
    const label = document.createElement('label');
    label.htmlFor = id;
    label.textContent = labelOf(row);
    let control;
    if (row.kind === 'choice') {
      control = document.createElement('select');
      for (const choice of row.choices) {
        const option = document.createElement('option');
        option.value = choice;
        option.textContent = choice;
        option.selected = choice === row.default;
        control.append(option);
      }
    } else if (row.kind === 'switch') {
      control = document.createElement('input');
      control.type = 'checkbox';
      control.checked = row.default === true;
    } else if (row.kind === 'number') {
      control = document.createElement('input');
      control.type = 'number';
      control.step = '1';
      control.min = String(row.offeredMinimum);
      control.max = String(row.maximum);
      control.value = String(row.default);
      control.inputMode = 'numeric';
    } else {
      control = document.createElement('input');
      control.type = 'text';
      control.value = row.default == null ? '' : String(row.default);
      control.autocomplete = 'off';
    }
    control.id = id;
    control.name = row.name;
    if (row.kind === 'switch') {
      field.append(control, label);
    } else {
      field.append(label, control);
    }
    if (row.kind === 'number') {
      const hint = document.createElement('span');
      hint.className = 'hint';
      hint.id = `${id}-range`;
      hint.textContent = `${row.offeredMinimum} to ${row.maximum}`;
      control.setAttribute('aria-describedby', hint.id);
      field.append(hint);
    }
    box.append(field);
  }
  showSource();
}

// The options as the library takes them; null (and the control focused) when one is wrong.
function chosenOptions(text) {
  const given = {};
  for (const row of table) {
    if (text && row.name === 'encoding') continue;  // pasted HTML is text already
    const control = $(`opt-${row.name}`);
    if (row.kind === 'switch') {
      given[row.name] = control.checked;
    } else if (row.kind === 'number') {
      const value = control.valueAsNumber;
      if (!Number.isInteger(value) || value < row.offeredMinimum || value > row.maximum) {
        say(`${labelOf(row)}: give a whole number from ${row.offeredMinimum} to ${row.maximum}.`, 'error');
        control.focus();
        return null;
      }
      given[row.name] = value;
    } else {
      given[row.name] = control.value;
    }
  }
  return given;
}

// ---- the page to convert ----

function sourceIsText() {
  return $('source-text').checked;
}

// The encoding means nothing to pasted HTML: its control is hidden then.
function showSource() {
  const text = sourceIsText();
  const encoding = document.querySelector('[data-option="encoding"]');
  if (encoding) encoding.hidden = text;
  $('drop-zone').classList.toggle('inactive', text);
  document.querySelector('.paste').classList.toggle('inactive', !text);
}

function chosenFile() {
  const files = $('file').files;
  return files && files.length > 0 ? files[0] : null;
}

function describeFile() {
  const file = chosenFile();
  $('file-info').textContent = file ? `${file.name}, ${size(file.size)}` : '';
}

function size(bytes) {
  if (bytes < 1024) return `${bytes} byte${bytes === 1 ? '' : 's'}`;
  if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} KB`;
  return `${(bytes / (1024 * 1024)).toFixed(1)} MB`;
}

// The output's name: the input's with .txt or .rtf in place of its extension.
function outputName(name, format) {
  const extension = format === 'text' ? '.txt' : '.rtf';
  const base = name.replace(/\.[^.]*$/, '') || 'page';
  return base + extension;
}

// ---- a conversion ----

function convertPage() {
  if (job) return;
  if (!table) {
    // No worker has been ready yet: this one loads the options first.
    if (!worker) startWorker();
    say('Loading the converter…');
    updateConvert();
    return;
  }
  const text = sourceIsText();
  const file = text ? null : chosenFile();
  if (!text && !file) {
    clearResult();
    say('Choose a file first, drop one on the page, or paste HTML.', 'error');
    $('file').focus();
    return;
  }
  // What is shown below is the last press's: an earlier result goes now.
  clearResult();
  const given = chosenOptions(text);
  if (!given) return;
  if (!worker) startWorker();
  const total = text ? $('pasted').value.length : file.size;
  job = {
    id: nextJob++,
    name: text ? 'the pasted HTML' : file.name,
    fileName: text ? 'pasted.html' : file.name,
    format: given.format,
    chunks: [],
    size: 0,
    started: performance.now(),
    timer: null,
  };
  const message = { type: 'convert', id: job.id, options: given };
  if (text) message.text = $('pasted').value;
  else message.file = file;
  worker.postMessage(message);
  updateConvert();
  $('progress').value = 0;
  $('progress').removeAttribute('value');  // no progress yet: the bar shows it is busy
  $('progress-text').textContent = '';
  if (total >= LARGE_PAGE) $('progress-area').hidden = false;
  else job.timer = setTimeout(() => { $('progress-area').hidden = false; }, PROGRESS_DELAY_MS);
  say(`Converting ${job.name}…`);
}

function showProgress(read, total) {
  const bar = $('progress');
  bar.max = Math.max(total, 1);
  bar.value = read;
  $('progress-text').textContent = job.fileName === 'pasted.html'
    ? `${Math.round((100 * read) / Math.max(total, 1))}%`
    : `${size(read)} of ${size(total)}`;
}

function endJob() {
  if (job && job.timer) clearTimeout(job.timer);
  job = null;
  $('progress-area').hidden = true;
  updateConvert();
}

function cancel() {
  if (!job) return;
  const name = job.name;
  stopWorker();
  endJob();
  startWorker();
  say(`Cancelled: ${name} was not converted.`);
}

function failed(code, detail) {
  const name = job.name;
  const pasted = job.fileName === 'pasted.html';
  endJob();
  say(failureText(code, detail, name, pasted), 'error');
}

function failureText(code, detail, name, pasted) {
  switch (code) {
    case 'EMPTY_INPUT':
      return pasted ? 'The page is empty: paste some HTML first.'
                    : `The page is empty: ${name} holds nothing to convert.`;
    case 'INVALID_ARGUMENT':
      return `An option was not accepted: ${detail}.`;
    case 'OUT_OF_MEMORY':
      return `${name} is too large to convert in the memory this browser gives the page.`;
    case 'ENGINE_STOPPED':
      return `The converter stopped on ${name} (${detail}); it starts afresh for the next conversion.`;
    case 'NOT_READY':
      return 'The converter could not be loaded. Press Convert to try again.';
    case 'NotReadableError':
    case 'NotFoundError':
      return `${name} could not be read (was it changed or moved?). Choose it again.`;
    default:
      return `${name} could not be converted: ${detail}.`;
  }
}

function finished() {
  const { name, fileName, format, chunks, size: bytes, started } = job;
  const seconds = (performance.now() - started) / 1000;
  endJob();
  const type = format === 'text' ? 'text/plain;charset=utf-8' : 'application/rtf';
  const blob = new Blob(chunks, { type });
  resultUrl = URL.createObjectURL(blob);
  const download = $('download');
  download.href = resultUrl;
  download.download = outputName(fileName, format);
  download.textContent = `Download ${download.download}`;
  const what = format === 'text' ? 'plain text' : 'RTF';
  $('result-info').textContent = `${size(bytes)} of ${what} from ${name}, in ${seconds.toFixed(2)} s.`;
  showPreview(chunks, bytes, format);
  $('result').hidden = false;
  say(`Converted ${name}.`);
}

function clearResult() {
  $('result').hidden = true;
  if (resultUrl) URL.revokeObjectURL(resultUrl);
  resultUrl = null;
  $('download').removeAttribute('href');
  $('text-output').textContent = '';
  $('rtf-preview').replaceChildren();
  $('rtf-source').textContent = '';
}

function say(text, kind) {
  const status = $('status');
  status.textContent = text;
  status.classList.toggle('error', kind === 'error');
}

// ---- the preview ----

// The output's first bytes (at most limit), as one array.
function head(chunks, limit) {
  let n = 0;
  for (const chunk of chunks) n += chunk.length;
  const out = new Uint8Array(Math.min(n, limit));
  let at = 0;
  for (const chunk of chunks) {
    if (at >= out.length) break;
    const part = chunk.subarray(0, out.length - at);
    out.set(part, at);
    at += part.length;
  }
  return out;
}

function showPreview(chunks, bytes, format) {
  const note = $('preview-note');
  if (bytes === 0) {
    $('text-output').hidden = true;
    $('rtf-output').hidden = true;
    note.textContent = 'The page has nothing to show: its text is empty.';
    return;
  }
  if (format === 'text') {
    $('text-output').hidden = false;
    $('rtf-output').hidden = true;
    // A character cut at the limit is left out (the decoder keeps it for more bytes).
    $('text-output').textContent = new TextDecoder().decode(head(chunks, TEXT_PREVIEW_BYTES), { stream: true });
    note.textContent = bytes > TEXT_PREVIEW_BYTES
      ? `The text's first ${size(TEXT_PREVIEW_BYTES)} are shown; the download holds all of it.` : '';
    return;
  }
  $('text-output').hidden = true;
  $('rtf-output').hidden = false;
  const start = head(chunks, RTF_PREVIEW_BYTES);
  const { nodes, cut } = rtfPreview(start, RTF_PREVIEW_BLOCKS);
  $('rtf-preview').replaceChildren(...nodes);
  $('rtf-source').textContent = latin1(start.subarray(0, 16384));
  note.textContent = 'A plain preview of the document: its paragraphs, headings, tables and bold or ' +
    'italic words, not its fonts, colours or pictures.' +
    (cut || bytes > start.length ? ' Only its start is shown; the download holds all of it.' : '');
}

function latin1(bytes) {
  let text = '';
  for (let at = 0; at < bytes.length; at += 0x8000) {
    text += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
  }
  return text;
}

// Groups whose text is not the document's (tables of fonts, colours, styles and lists, the
// document's information, pictures).
const SKIPPED_GROUPS = new Set(['fonttbl', 'colortbl', 'stylesheet', 'info', 'listtable',
  'listoverridetable', 'pict', 'object', 'header', 'footer', 'headerl', 'headerr', 'footerl',
  'footerr', 'footnote', 'field', 'fldinst', 'themedata', 'colorschememapping', 'latentstyles']);

function decoderFor(codePage) {
  try {
    return new TextDecoder(`windows-${codePage}`);
  } catch {
    return new TextDecoder('windows-1252');
  }
}

// Reads an RTF document's paragraphs, headings and tables into elements: a preview, not a
// reader of every RTF there is. Returns {nodes, cut} (cut: it stopped at `limit` blocks).
function rtfPreview(bytes, limit) {
  const nodes = [];
  let decoder = decoderFor(1252);
  let state = { skip: false, b: false, i: false, u: false, script: '', uc: 1 };
  const stack = [];
  let para = { level: -1, align: '', indent: 0, inTable: false };
  let runs = [];
  let pending = [];   // bytes of \'hh escapes and plain characters, not yet decoded
  let skipChars = 0;  // characters after \u that stand in for it
  let table = null;   // the table being read: rows of cells of paragraphs
  let row = [];
  let cell = [];
  let cut = false;

  const flushBytes = () => {
    if (pending.length === 0) return;
    addText(decoder.decode(new Uint8Array(pending)));
    pending = [];
  };
  const addText = (text) => {
    if (state.skip || text === '') return;
    const last = runs[runs.length - 1];
    if (last && last.b === state.b && last.i === state.i && last.u === state.u && last.script === state.script) {
      last.text += text;
    } else {
      runs.push({ text, b: state.b, i: state.i, u: state.u, script: state.script });
    }
  };
  const runElements = (parent, list) => {
    for (const run of list) {
      let node = document.createTextNode(run.text);
      const wrap = (tag) => {
        const element = document.createElement(tag);
        element.append(node);
        node = element;
      };
      if (run.script) wrap(run.script);
      if (run.u) wrap('u');
      if (run.i) wrap('em');
      if (run.b) wrap('strong');
      parent.append(node);
    }
  };
  const paragraphElement = (list, props) => {
    // The page's own headings are h1 and h2: the document's first level is h3.
    const tag = props.level >= 0 && !props.inTable ? `h${Math.min(props.level + 3, 6)}` : 'p';
    const element = document.createElement(tag);
    if (props.align) element.style.textAlign = props.align;
    if (props.indent > 0) element.style.marginLeft = `${Math.min(props.indent / 15, 400)}px`;
    runElements(element, list);
    if (list.length === 0) element.append(document.createElement('br'));
    return element;
  };
  const closeTable = () => {
    if (!table) return;
    if (row.length > 0 || cell.length > 0) {
      if (cell.length > 0) row.push(cell);
      table.push(row);
    }
    const element = document.createElement('table');
    for (const cells of table) {
      const tr = document.createElement('tr');
      for (const paragraphs of cells) {
        const td = document.createElement('td');
        for (const p of paragraphs) td.append(p);
        tr.append(td);
      }
      element.append(tr);
    }
    nodes.push(element);
    table = null;
    row = [];
    cell = [];
  };
  const endParagraph = (kind) => {
    flushBytes();
    if (para.inTable) {
      if (!table) table = [];
      cell.push(paragraphElement(runs, para));
      if (kind === 'cell') {
        row.push(cell);
        cell = [];
      }
    } else {
      closeTable();
      nodes.push(paragraphElement(runs, para));
    }
    runs = [];
  };
  const endRow = () => {
    flushBytes();
    if (runs.length > 0) endParagraph('cell');
    if (!table) table = [];
    if (cell.length > 0) {
      row.push(cell);
      cell = [];
    }
    table.push(row);
    row = [];
  };

  let at = 0;
  const n = bytes.length;
  while (at < n) {
    if (nodes.length >= limit) {
      cut = true;
      break;
    }
    const c = bytes[at];
    if (c === 0x7b) {  // {
      flushBytes();
      stack.push(state);
      state = { ...state };
      at++;
      // A group that begins \* is a destination to skip when not known.
      if (bytes[at] === 0x5c && bytes[at + 1] === 0x2a) state.skip = true;
      continue;
    }
    if (c === 0x7d) {  // }
      flushBytes();
      state = stack.pop() || state;
      at++;
      continue;
    }
    if (c === 0x0d || c === 0x0a) {
      at++;
      continue;
    }
    if (c !== 0x5c) {
      if (skipChars > 0) skipChars--;
      else if (!state.skip) pending.push(c);
      at++;
      continue;
    }
    // A control: \x (a symbol), \'hh, or \word[-N][ ].
    const next = bytes[at + 1];
    if (next === undefined) break;
    if (next === 0x27) {  // \'hh
      const code = parseInt(String.fromCharCode(bytes[at + 2] || 0, bytes[at + 3] || 0), 16);
      at += 4;
      if (skipChars > 0) skipChars--;
      else if (!state.skip && !Number.isNaN(code)) pending.push(code);
      continue;
    }
    if (!((next >= 0x61 && next <= 0x7a) || (next >= 0x41 && next <= 0x5a))) {
      at += 2;
      if (state.skip) continue;
      if (skipChars > 0) {
        skipChars--;
        continue;
      }
      if (next === 0x5c || next === 0x7b || next === 0x7d) pending.push(next);
      else if (next === 0x7e) { flushBytes(); addText('\u00a0'); }
      else if (next === 0x5f) { flushBytes(); addText('\u2011'); }
      continue;
    }
    let end = at + 1;
    while (end < n && ((bytes[end] >= 0x61 && bytes[end] <= 0x7a) || (bytes[end] >= 0x41 && bytes[end] <= 0x5a))) end++;
    const word = latin1(bytes.subarray(at + 1, end));
    let numberEnd = end;
    if (bytes[numberEnd] === 0x2d) numberEnd++;
    while (numberEnd < n && bytes[numberEnd] >= 0x30 && bytes[numberEnd] <= 0x39) numberEnd++;
    const hasNumber = numberEnd > end && !(numberEnd === end + 1 && bytes[end] === 0x2d);
    const number = hasNumber ? parseInt(latin1(bytes.subarray(end, numberEnd)), 10) : null;
    at = hasNumber ? numberEnd : end;
    if (bytes[at] === 0x20) at++;

    if (SKIPPED_GROUPS.has(word)) {
      flushBytes();
      state.skip = true;
      continue;
    }
    if (state.skip) {
      continue;
    }
    if (word !== 'u' && skipChars > 0) skipChars = 0;
    switch (word) {
      case 'ansicpg': flushBytes(); decoder = decoderFor(number); break;
      case 'uc': state.uc = Math.max(number ?? 1, 0); break;
      case 'u':
        flushBytes();
        addText(String.fromCharCode(number < 0 ? number + 65536 : number));
        skipChars = state.uc;
        break;
      case 'par': endParagraph('par'); break;
      case 'cell': endParagraph('cell'); break;
      case 'row': endRow(); break;
      case 'line': flushBytes(); addText('\n'); break;
      case 'tab': flushBytes(); addText('\t'); break;
      case 'emdash': flushBytes(); addText('\u2014'); break;
      case 'endash': flushBytes(); addText('\u2013'); break;
      case 'bullet': flushBytes(); addText('\u2022'); break;
      case 'lquote': flushBytes(); addText('\u2018'); break;
      case 'rquote': flushBytes(); addText('\u2019'); break;
      case 'ldblquote': flushBytes(); addText('\u201c'); break;
      case 'rdblquote': flushBytes(); addText('\u201d'); break;
      case 'pard': flushBytes(); para = { level: -1, align: '', indent: 0, inTable: false }; break;
      case 'intbl': para.inTable = true; break;
      case 'outlinelevel': para.level = number ?? 0; break;
      case 'qc': para.align = 'center'; break;
      case 'qr': para.align = 'right'; break;
      case 'qj': para.align = 'justify'; break;
      case 'ql': para.align = ''; break;
      case 'li': para.indent = number ?? 0; break;
      case 'plain': flushBytes(); Object.assign(state, { b: false, i: false, u: false, script: '' }); break;
      case 'b': flushBytes(); state.b = number !== 0; break;
      case 'i': flushBytes(); state.i = number !== 0; break;
      case 'ul': flushBytes(); state.u = number !== 0; break;
      case 'ulnone': flushBytes(); state.u = false; break;
      case 'super': flushBytes(); state.script = 'sup'; break;
      case 'sub': flushBytes(); state.script = 'sub'; break;
      case 'nosupersub': flushBytes(); state.script = ''; break;
      default: break;
    }
  }
  flushBytes();
  if (runs.length > 0) endParagraph('par');
  closeTable();
  return { nodes, cut };
}

// ---- wiring ----

function chooseSource(text) {
  $(text ? 'source-text' : 'source-file').checked = true;
  showSource();
}

function wire() {
  $('form').addEventListener('submit', (event) => {
    event.preventDefault();
    convertPage();
  });
  $('cancel').addEventListener('click', cancel);
  $('file').addEventListener('change', () => {
    describeFile();
    if (chosenFile()) chooseSource(false);
  });
  $('pasted').addEventListener('input', () => chooseSource(true));
  for (const radio of document.querySelectorAll('input[name="source"]')) {
    radio.addEventListener('change', showSource);
  }
  // A file dropped anywhere on the page is the one to convert (and the browser does not
  // open it in place of the page).
  const zone = $('drop-zone');
  let depth = 0;
  document.addEventListener('dragenter', (event) => {
    if (!event.dataTransfer || !Array.from(event.dataTransfer.types).includes('Files')) return;
    depth++;
    zone.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => {
    depth = Math.max(depth - 1, 0);
    if (depth === 0) zone.classList.remove('dragging');
  });
  document.addEventListener('dragover', (event) => {
    if (event.dataTransfer && Array.from(event.dataTransfer.types).includes('Files')) {
      event.preventDefault();
      event.dataTransfer.dropEffect = 'copy';
    }
  });
  document.addEventListener('drop', (event) => {
    depth = 0;
    zone.classList.remove('dragging');
    const files = event.dataTransfer ? event.dataTransfer.files : null;
    if (!files || files.length === 0) return;
    event.preventDefault();
    const list = new DataTransfer();
    list.items.add(files[0]);
    $('file').files = list.files;
    describeFile();
    chooseSource(false);
    if (files.length > 1) say(`Only the first of the ${files.length} files dropped, ${files[0].name}, is taken.`);
  });
  showSource();
  describeFile();
}

wire();
startWorker();
