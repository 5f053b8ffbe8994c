// A page far larger than the memory it may take, converted through the streaming form.
// (A file of its own: node --test runs it in a process of its own, whose memory it measures.)
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { createConverter } from 'vellumine';

const pageBytes = 100 << 20;

test('a 100 MB page converts through the streaming form in under 200 MB of memory', () => {
  const paragraph = new TextEncoder().encode(
    '<p>A paragraph of a long page, with <b>bold</b> and <a href="x.html">a link</a>.</p>\n' +
    '<table><tr><td>a cell<td>another cell</table><pre>  code\n    kept</pre>\n');
  const chunk = new Uint8Array(1 << 20);
  for (let at = 0; at + paragraph.length <= chunk.length; at += paragraph.length) chunk.set(paragraph, at);
  const converter = createConverter({ format: 'rtf', output: 'bytes' });
  let out = converter.push(new TextEncoder().encode('<html><head><meta charset="utf-8"></head><body>')).length;
  let peak = 0;
  for (let pushed = 0; pushed < pageBytes; pushed += chunk.length) {
    out += converter.push(chunk).length;
    peak = Math.max(peak, process.memoryUsage.rss());
  }
  out += converter.finish().length;
  peak = Math.max(peak, process.memoryUsage.rss());
  console.log(`100 MB page: ${(out / 1e6).toFixed(1)} MB of RTF, peak resident memory ${(peak / 1048576).toFixed(1)} MiB`);
  assert.ok(out > pageBytes / 4, `${out} bytes out`);
  assert.ok(peak < 200 * 1048576, `peak ${peak} bytes`);
});
