// The page's converter: runs the engine off the page's thread. The page posts
//   {type: 'convert', id, file: File} or {type: 'convert', id, text: string}, with options;
// the worker answers with
//   {type: 'ready', options, version}            once the engine is loaded,
//   {type: 'failed', message}                    if it could not be loaded,
//   {type: 'progress', id, read, total, chunk}   after each piece of the page (chunk: the
//                                                output made so far, transferred),
//   {type: 'done', id, chunk}                    with the rest of the output,
//   {type: 'error', id, code, message}           when the conversion fails.
// The page stops a conversion by terminating the worker.
import { init, createConverter, options, version, VellumineError } from './vellumine/browser.mjs';

// A file is read and given to the converter a slice at a time, so that progress is seen and
// the page is never held in memory twice.
const SLICE = 1 << 20;
// Pasted text is given in pieces of this many characters.
const TEXT_PIECE = 1 << 20;

// Output goes to the page without a copy: its buffer is handed over.
function post(message, chunk) {
  if (!chunk) {
    self.postMessage(message);
    return;
  }
  if (chunk.byteOffset !== 0 || chunk.byteLength !== chunk.buffer.byteLength) chunk = chunk.slice();
  self.postMessage({ ...message, chunk }, [chunk.buffer]);
}

async function convertFile(id, file, given) {
  const converter = createConverter({ ...given, output: 'bytes' });
  try {
    for (let at = 0; at < file.size; at += SLICE) {
      const piece = new Uint8Array(await file.slice(at, at + SLICE).arrayBuffer());
      const out = converter.push(piece);
      post({ type: 'progress', id, read: Math.min(at + SLICE, file.size), total: file.size }, out);
    }
    post({ type: 'done', id }, converter.finish());
  } catch (error) {
    converter.cancel();
    throw error;
  }
}

function convertText(id, text, given) {
  const { encoding, ...rest } = given;  // a string is text already: it has no encoding
  const converter = createConverter({ ...rest, output: 'bytes' });
  try {
    for (let at = 0; at < text.length; at += TEXT_PIECE) {
      const out = converter.push(text.slice(at, at + TEXT_PIECE));
      post({ type: 'progress', id, read: Math.min(at + TEXT_PIECE, text.length), total: text.length }, out);
    }
    post({ type: 'done', id }, converter.finish());
  } catch (error) {
    converter.cancel();
    throw error;
  }
}

const ready = init().then(
  () => {
    post({ type: 'ready', options: options(), version: version() });
    return true;
  },
  (error) => {
    post({ type: 'failed', message: String(error && error.message ? error.message : error) });
    return false;
  });

self.onmessage = async (event) => {
  const { type, id, file, text, options: given } = event.data;
  if (type !== 'convert') return;
  if (!(await ready)) {
    post({ type: 'error', id, code: 'NOT_READY', message: 'the converter could not be loaded' });
    return;
  }
  try {
    if (file) await convertFile(id, file, given);
    else convertText(id, text, given);
  } catch (error) {
    if (error instanceof VellumineError) {
      post({ type: 'error', id, code: error.code, message: error.message });
    } else {
      // A TypeError of an option, a file that can no longer be read, memory the browser
      // would not give: said as they are.
      post({ type: 'error', id, code: error && error.name ? error.name : 'Error',
             message: String(error && error.message ? error.message : error) });
    }
  }
};
