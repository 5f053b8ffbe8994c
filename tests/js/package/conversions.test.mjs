// The package converts every page as the native command does, byte for byte, whatever way
// the page is given: whole or in pieces, as bytes or as text, through either entry point.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { test } from 'node:test';
import { convert, convertStream, createConverter } from 'vellumine';
import { equalBytes, native, pages, seeded, ways } from './helpers.mjs';

const require = createRequire(import.meta.url);
const commonJs = require('vellumine');

function mismatches(convertOne) {
  const wrong = [];
  for (const way of ways) {
    for (const page of pages) {
      const expected = native(page.bytes, way.args);
      if (!equalBytes(convertOne(page, way), expected)) wrong.push(`${page.name} (${way.name})`);
    }
  }
  return wrong;
}

test('every page converts as the native command converts it', () => {
  assert.deepEqual(mismatches((page, way) =>
    convert(page.bytes, { ...way.options, output: 'bytes' })), []);
});

test('the CommonJS entry point gives the same bytes', () => {
  assert.deepEqual(mismatches((page, way) =>
    commonJs.convert(page.bytes, { ...way.options, output: 'bytes' })), []);
});

test('pages pushed in pieces of any size give the whole page\'s output', () => {
  const random = seeded(11);
  assert.deepEqual(mismatches((page, way) => {
    const converter = createConverter({ ...way.options, output: 'bytes' });
    const parts = [];
    for (let at = 0; at < page.bytes.length;) {
      const n = 1 + Math.floor(random() * 3000);
      parts.push(converter.push(page.bytes.subarray(at, at + n)));
      at += n;
    }
    parts.push(converter.finish());
    return Buffer.concat(parts);
  }), []);
});

test('a string is read as the text it is, whatever its charset declaration says', () => {
  const utf8 = new TextDecoder('utf-8', { fatal: true });
  let checked = 0;
  for (const way of ways) {
    for (const page of pages) {
      let text;
      try {
        text = utf8.decode(page.bytes);
      } catch {
        continue;  // not UTF-8: no string to give
      }
      if (text.startsWith('\uFEFF')) text = text.slice(1);
      const expected = native(page.bytes, [...way.args, '-e', 'utf-8']);
      const out = convert(text, { ...way.options, output: 'bytes' });
      assert.ok(equalBytes(out, expected), `${page.name} (${way.name})`);
      checked++;
    }
  }
  assert.ok(checked > 100, `${checked} pages were UTF-8`);
});

test('the strings returned are the output\'s bytes decoded', () => {
  const bytesAsText = (bytes, way) => (way.options.format === 'text'
    ? new TextDecoder().decode(bytes)
    : Buffer.from(bytes).toString('latin1'));
  const wrong = [];
  for (const way of ways) {
    for (const page of pages) {
      const bytes = convert(page.bytes, { ...way.options, output: 'bytes' });
      if (convert(page.bytes, way.options) !== bytesAsText(bytes, way)) wrong.push(`${page.name} (${way.name})`);
    }
  }
  assert.deepEqual(wrong, []);
});

test('plain text comes back as Unicode, RTF as one character for each byte', () => {
  const page = '<h1>Caf\u00e9 \u{1F600}</h1><p>\u0416</p>';
  const text = convert(page, { format: 'text' });
  assert.match(text, /Caf\u00e9 \u{1F600}/u);
  assert.equal(text, new TextDecoder().decode(convert(page, { format: 'text', output: 'bytes' })));
  const koi8 = Uint8Array.from([...Buffer.from('<head><meta charset=koi8-r></head><p>'), 0xf0, 0xd2, 0xc9]);
  // The classic reading writes a Cyrillic page's letters as the code page's own bytes.
  const classic = { format: 'rtf', reading: 'classic' };
  const bytes = convert(koi8, { ...classic, output: 'bytes' });
  assert.ok(bytes.some((b) => b >= 0x80), 'the code page\'s own bytes in the RTF');
  assert.deepEqual(Uint8Array.from(convert(koi8, classic), (c) => c.charCodeAt(0)), bytes);
});

test('string chunks split inside a surrogate pair give the whole text\'s output', () => {
  const text = '<p>' + '\u{1F600}a\u00e9'.repeat(5000) + '</p>';
  const whole = convert(text, { format: 'text' });
  for (const size of [1, 2, 3, 7, 4096]) {
    const converter = createConverter({ format: 'text' });
    let out = '';
    for (let at = 0; at < text.length; at += size) out += converter.push(text.slice(at, at + size));
    out += converter.finish();
    assert.equal(out, whole, `chunks of ${size} code units`);
  }
});

test('the TransformStream gives the whole page\'s output', async () => {
  const page = pages.find((p) => p.name.startsWith('quarterly-sales'));
  const expected = convert(page.bytes, { format: 'rtf', output: 'bytes' });
  const source = new ReadableStream({
    start(controller) {
      for (let at = 0; at < page.bytes.length; at += 1000) {
        controller.enqueue(page.bytes.slice(at, at + 1000));
      }
      controller.close();
    },
  });
  const parts = [];
  await source.pipeThrough(convertStream({ format: 'rtf', output: 'bytes' })).pipeTo(
    new WritableStream({ write(chunk) { parts.push(chunk); } }));
  assert.ok(equalBytes(Buffer.concat(parts), expected));
});
