// Every failure is a VellumineError with its code (or a TypeError for a value of the wrong
// type), and nothing a page holds stops the engine for good.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import { convert, createConverter, options, VellumineError } from 'vellumine';
import { pages, fixedNumbers } from './helpers.mjs';

function codeOf(call) {
  try {
    call();
  } catch (error) {
    return error instanceof VellumineError ? error.code : error.name;
  }
  return 'none';
}

// A converter of plain text with the options given, fed chunks in turn; null finishes it.
function feed(options, ...chunks) {
  const converter = createConverter({ format: 'text', ...options });
  for (const chunk of chunks) {
    if (chunk === null) converter.finish();
    else converter.push(chunk);
  }
}

test('failures carry the code of the library\'s result', () => {
  const cases = [
    ['an empty string', () => convert('', { format: 'text' }), 'EMPTY_INPUT'],
    ['no bytes', () => convert(new Uint8Array(0)), 'EMPTY_INPUT'],
    ['nothing pushed', () => feed({}, null), 'EMPTY_INPUT'],
    ['an option that does not exist', () => convert('x', { colour: 'red' }), 'INVALID_ARGUMENT'],
    ['a choice that does not exist', () => convert('x', { format: 'txt' }), 'INVALID_ARGUMENT'],
    ['a number out of range', () => convert('x', { wrap: 100001 }), 'INVALID_ARGUMENT'],
    ['a font size out of range', () => convert('x', { fontSize: -1639 }), 'INVALID_ARGUMENT'],
    ['a character set for a string', () => convert('x', { encoding: 'koi8-r' }), 'INVALID_ARGUMENT'],
    ['auto for a string', () => convert('x', { encoding: 'auto' }), 'none'],
    ['a character set for string chunks', () => feed({ encoding: 'windows-1251' }, '<p>x'), 'INVALID_ARGUMENT'],
    ['a character set for chunks of bytes', () => feed({ encoding: 'windows-1251' }, new Uint8Array([0x78])), 'none'],
    ['the library\'s own text switch', () => convert('x', { text_utf8: 'page' }), 'INVALID_ARGUMENT'],
    ['an output that does not exist', () => convert('x', { output: 'blob' }), 'INVALID_ARGUMENT'],
    ['links with the classic reading', () => convert('x', { format: 'text', reading: 'classic', links: 'list' }), 'INVALID_ARGUMENT'],
    ['a number given as a string', () => convert('x', { wrap: '72' }), 'TypeError'],
    ['a switch given as a number', () => convert('x', { tables: 1 }), 'TypeError'],
    ['a page that is neither text nor bytes', () => convert(42), 'TypeError'],
    ['options that are not an object', () => convert('x', 'text'), 'TypeError'],
    ['a push after the end', () => feed({}, '<p>a', null, 'b'), 'INVALID_ARGUMENT'],
    ['bytes after strings', () => feed({}, '<p>a', new Uint8Array([0x62])), 'TypeError'],
  ];
  for (const [name, call, code] of cases) assert.equal(codeOf(call), code, name);
});

test('camel-case names and the library\'s names set the same options', () => {
  const page = '<p>' + 'word '.repeat(40) + '</p>';
  assert.equal(convert(page, { format: 'rtf', fontName: 'Georgia', fontSize: 14 }),
               convert(page, { format: 'rtf', font_name: 'Georgia', font_size: 14 }));
  assert.notEqual(convert(page, { format: 'rtf', fontName: 'Georgia' }), convert(page, { format: 'rtf' }));
});

test('the options table is the library\'s', () => {
  const table = Object.fromEntries(options().map((o) => [o.name, o]));
  assert.deepEqual(table.format.choices, ['rtf', 'text']);
  assert.equal(table.wrap.maximum, 100000);
  assert.equal(table.tables.default, true);
  assert.equal(table.text_utf8, undefined, 'plain text is always Unicode here');
});

// Random bytes, and example pages with bytes changed at random: each converts or fails with
// a VellumineError, and the next conversion still works.
test('any bytes convert or fail with a code, never stopping the engine', () => {
  const random = fixedNumbers(5);
  const control = convert('<p>still here</p>', { format: 'text' });
  for (let round = 0; round < 300; round++) {
    let bytes;
    if (round % 2 === 0) {
      bytes = Uint8Array.from({ length: Math.floor(random() * 200000) }, () => Math.floor(random() * 256));
    } else {
      const page = pages[Math.floor(random() * pages.length)].bytes;
      bytes = page.slice();
      for (let k = 0; k < 1 + bytes.length / 50; k++) {
        bytes[Math.floor(random() * bytes.length)] = Math.floor(random() * 256);
      }
    }
    for (const format of ['text', 'rtf']) {
      try {
        convert(bytes, { format });
      } catch (error) {
        assert.ok(error instanceof VellumineError, `round ${round}: ${error}`);
        assert.equal(error.code, bytes.length === 0 ? 'EMPTY_INPUT' : 'none');
      }
    }
  }
  assert.equal(convert('<p>still here</p>', { format: 'text' }), control);
});

test('a page too large for the engine\'s memory fails with OUT_OF_MEMORY, and the engine goes on', () => {
  const huge = new Uint8Array(1200 << 20).fill(0x61);
  assert.equal(codeOf(() => convert(huge, { format: 'text' })), 'OUT_OF_MEMORY');
  assert.equal(convert('<p>after</p>', { format: 'text' }), 'after\r\n');
});

test('an output too long for a string fails with CANNOT_WRITE_OUTPUT; as bytes it converts', () => {
  const page = new Uint8Array(600 << 20).fill(0x61);
  assert.equal(codeOf(() => convert(page, { format: 'text' })), 'CANNOT_WRITE_OUTPUT');
  assert.equal(convert(page, { format: 'text', output: 'bytes' }).length, (600 << 20) + 2);
});

// Options kept from earlier calls (a few of them) give what freshly written ones give.
test('options written once and kept give the same output as fresh ones', () => {
  const page = '<p>' + 'several words in a row '.repeat(30) + '</p>';
  const first = new Map();
  for (let wrap = 10; wrap < 50; wrap++) first.set(wrap, convert(page, { format: 'text', wrap }));
  assert.notEqual(first.get(10), first.get(49));
  for (let wrap = 49; wrap >= 10; wrap--) {
    assert.equal(convert(page, { format: 'text', wrap }), first.get(wrap), `wrap ${wrap}`);
  }
});
