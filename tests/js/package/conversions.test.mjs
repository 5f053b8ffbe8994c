// The package converts every page as the native command does, byte for byte, whatever way
// the page is given: whole or in pieces, as bytes or as text, through either entry point.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { Readable } from 'node:stream';
import { test } from 'node:test';
import { convert, convertStream, createConverter } from 'vellumine';
import { native, pages, fixedNumbers, ways } from './helpers.mjs';

const require = createRequire(import.meta.url);
const commonJs = require('vellumine');

// The pages (and ways) where convertOne's bytes are not the command's, given extra
// arguments; convertOne returns null to pass a page by.
function mismatches(convertOne, extra = []) {
  const wrong = [];
  for (const way of ways) {
    for (const page of pages) {
      const got = convertOne(page, way);
      if (got !== null && Buffer.compare(got, native(page.bytes, [...way.args, ...extra])) !== 0) {
        wrong.push(`${page.name} (${way.name})`);
      }
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

// Plain text is Unicode (the command's --text-encoding utf-8), RTF one character a byte.
test('the strings returned are the command\'s bytes as text', () => {
  assert.deepEqual(mismatches((page, way) =>
    Buffer.from(convert(page.bytes, way.options), way.options.format === 'text' ? 'utf8' : 'latin1')), []);
});

test('pages pushed in pieces of any size give the whole page\'s output', () => {
  const random = fixedNumbers(11);
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
  const utf8 = new TextDecoder('utf-8', { fatal: true });  // (a byte order mark left out)
  let strings = 0;
  assert.deepEqual(mismatches((page, way) => {
    let text;
    try {
      text = utf8.decode(page.bytes);
    } catch {
      return null;  // not UTF-8: no string to give
    }
    strings++;
    return convert(text, { ...way.options, output: 'bytes' });
  }, ['-e', 'utf-8']), []);
  assert.ok(strings > 100, `${strings} pages were UTF-8`);
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
  const pieces = Array.from({ length: Math.ceil(page.bytes.length / 1000) },
                            (_, k) => page.bytes.slice(1000 * k, 1000 * (k + 1)));
  const source = Readable.toWeb(Readable.from(pieces));
  const parts = [];
  await source.pipeThrough(convertStream({ format: 'rtf', output: 'bytes' })).pipeTo(
    new WritableStream({ write(chunk) { parts.push(chunk); } }));
  assert.equal(Buffer.compare(Buffer.concat(parts), expected), 0);
});
