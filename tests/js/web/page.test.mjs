// The browser page (out/web, made by scripts/build-js) in headless Chromium: pages chosen,
// dropped in as files or pasted, converted in the page's worker and downloaded, each download
// compared byte for byte with the command's output for the same options; an empty page,
// random bytes, a converter that dies, and Cancel on a large page.
//
//   node --test tests/js/web/
//
// VELLUMINE_CLI names the command (default build/cli/vellumine), CHROMIUM the browser
// (default /usr/bin/chromium).
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, statSync } from 'node:fs';
import { mkdtemp, readFile, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { join, sep } from 'node:path';
import { pathToFileURL } from 'node:url';
import { CLI, EXAMPLES, RTF_ARGS, ROOT, TEXT_ARGS, closeServer, launchBrowser, native, sameBytes,
         serve } from './browser.mjs';

const WEB = join(ROOT, 'out/web');

// ---- the page ----

let server;
let context;
let page;
let base;
let scratch;

async function openPage() {
  const opened = await context.newPage();
  opened.setDefaultTimeout(60_000);
  await opened.goto(base);
  await opened.locator('#convert:enabled').waitFor();
  return opened;
}

async function setOptions(on, options) {
  for (const [name, value] of Object.entries(options)) {
    const control = on.locator(`#opt-${name}`);
    if (typeof value === 'boolean') await control.setChecked(value);
    else if (await control.evaluate((e) => e.tagName === 'SELECT')) await control.selectOption(String(value));
    else await control.fill(String(value));
  }
}

// Converts what is chosen; waits until the page is idle again. Returns the status line and
// whether a result is shown.
async function convertNow(on) {
  await on.click('#convert');
  await on.locator('#convert:enabled').waitFor({ timeout: 120_000 });
  return {
    status: await on.locator('#status').textContent(),
    error: await on.locator('#status').evaluate((e) => e.classList.contains('error')),
    shown: await on.locator('#result').isVisible(),
  };
}

async function download(on) {
  const [saved] = await Promise.all([on.waitForEvent('download'), on.click('#download')]);
  return { name: saved.suggestedFilename(), bytes: await readFile(await saved.path()) };
}

async function convertFile(on, path, options) {
  await on.setInputFiles('#file', path);
  await setOptions(on, options);
  const done = await convertNow(on);
  assert.ok(done.shown, `no result for ${path}: ${done.status}`);
  return download(on);
}

function within(ms, promise, what) {
  let timer;
  const late = new Promise((_, fail) => { timer = setTimeout(() => fail(new Error(`${what} (in ${ms} ms)`)), ms); });
  return Promise.race([promise, late]).finally(() => clearTimeout(timer));
}

// Bytes of a fixed seed (xorshift32): the same "random" file every run.
function randomBytes(n, seed) {
  const bytes = Buffer.alloc(n);
  let x = seed >>> 0;
  for (let i = 0; i < n; i++) {
    x ^= x << 13; x >>>= 0;
    x ^= x >>> 17;
    x ^= x << 5; x >>>= 0;
    bytes[i] = x & 0xff;
  }
  return bytes;
}

before(async () => {
  assert.ok(existsSync(join(WEB, 'index.html')) && existsSync(join(WEB, 'vellumine/vellumine.wasm')),
            `${WEB} is not built: run scripts/build-js`);
  assert.ok(existsSync(CLI), `${CLI} is not built`);
  scratch = await mkdtemp(join(tmpdir(), 'vellumine-web-'));
  server = await serve(WEB);
  base = `http://127.0.0.1:${server.address().port}/`;
  context = await launchBrowser(join(scratch, 'profile'), { acceptDownloads: true });
  page = await openPage();
});

after(async () => {
  if (context) await context.close();
  if (server) await closeServer(server);
  if (scratch) await rm(scratch, { recursive: true, force: true });
});

describe('the options', () => {
  test('are the controls the library\'s table describes, each with its default and a label', async () => {
    const { options } = await import(pathToFileURL(join(ROOT, 'out/npm/package/vellumine.mjs')));
    const table = options();
    assert.ok(table.length > 0);
    const shown = await page.locator('#options [data-option]').evaluateAll((fields) =>
      fields.map((field) => field.dataset.option));
    assert.deepEqual(shown, table.map((row) => row.name));
    for (const row of table) {
      const control = page.locator(`#opt-${row.name}`);
      const seen = await control.evaluate((e) => ({
        tag: e.tagName.toLowerCase(),
        type: e.type,
        value: e.value,
        checked: e.checked,
        min: e.min,
        max: e.max,
        choices: e.tagName === 'SELECT' ? Array.from(e.options, (o) => o.value) : null,
        labels: e.labels ? Array.from(e.labels, (l) => l.textContent.trim()) : [],
      }));
      assert.equal(seen.labels.length, 1, `${row.name} has no label`);
      assert.ok(seen.labels[0].length > 0, `${row.name}'s label is empty`);
      if (row.kind === 'choice') {
        assert.equal(seen.tag, 'select', row.name);
        assert.deepEqual(seen.choices, row.choices, row.name);
        assert.equal(seen.value, row.default, row.name);
      } else if (row.kind === 'switch') {
        assert.equal(seen.type, 'checkbox', row.name);
        assert.equal(seen.checked, row.default, row.name);
      } else if (row.kind === 'number') {
        assert.equal(seen.type, 'number', row.name);
        assert.equal(Number(seen.value), row.default, row.name);
        assert.equal(Number(seen.min), row.offeredMinimum, row.name);
        assert.equal(Number(seen.max), row.maximum, row.name);
      } else {
        assert.equal(seen.type, 'text', row.name);
        assert.equal(seen.value, row.default, row.name);
      }
    }
  });

  test('every control of the page has a label', async () => {
    const unlabelled = await page.locator('input, select, textarea').evaluateAll((controls) =>
      controls.filter((c) => !(c.labels && c.labels.length > 0) && !c.getAttribute('aria-label'))
        .map((c) => c.id || c.outerHTML));
    assert.deepEqual(unlabelled, []);
  });

  test('the encoding is offered for a file, not for pasted HTML', async () => {
    await page.check('#source-text');
    assert.equal(await page.locator('#opt-encoding').isVisible(), false);
    await page.check('#source-file');
    assert.equal(await page.locator('#opt-encoding').isVisible(), true);
  });

  test('reach the converter: wrapped text with listed links, RTF in another font without tables', async () => {
    const guide = EXAMPLES.find((p) => p.includes('tide-pool'));
    const sales = EXAMPLES.find((p) => p.includes('sales-tables'));
    try {
      const text = await convertFile(page, guide, { format: 'text', wrap: 40, links: 'list' });
      sameBytes(text.bytes, native([...TEXT_ARGS, '--wrap', '40', '--links', 'list'], guide).bytes, 'wrapped text');
      const rtf = await convertFile(page, sales, {
        format: 'rtf', tables: false, font_name: 'Times New Roman', font_size: 13, images: 'alt' });
      sameBytes(rtf.bytes, native(['-f', 'rtf', '--font', 'Times New Roman', '--size', '13',
                                   '--images', 'alt'], sales).bytes, 'RTF in Times New Roman');
    } finally {
      await setOptions(page, { wrap: 0, links: 'none', tables: true, font_name: 'Arial', font_size: 10, images: 'embed' });
    }
  });

  test('a number that is not one, or is out of range, is said on the page, and nothing is converted', async () => {
    await page.setInputFiles('#file', EXAMPLES[0]);
    for (const wrong of [{ format: 'text', wrap: '' }, { format: 'rtf', font_size: 0 }]) {
      await setOptions(page, wrong);
      try {
        const done = await convertNow(page);
        assert.ok(done.error, done.status);
        assert.match(done.status, /whole number/);
        assert.equal(done.shown, false);
      } finally {
        await setOptions(page, { wrap: 0, font_size: 10 });
      }
    }
  });
});

describe('each example page, chosen as a file, downloads as the command writes it', () => {
  for (const example of EXAMPLES) {
    const name = example.slice(example.lastIndexOf(sep) + 1);
    const stem = name.replace(/\.[^.]*$/, '');
    test(name, async (t) => {
      await t.test('as plain text', async () => {
        const got = await convertFile(page, example, { format: 'text' });
        assert.equal(got.name, `${stem}.txt`);
        sameBytes(got.bytes, native(TEXT_ARGS, example).bytes, `${name} as text`);
        const shown = await page.locator('#text-output').textContent();
        assert.equal(shown, got.bytes.toString('utf8'), 'the text shown is not the text downloaded');
      });
      await t.test('as RTF with tables', async () => {
        const got = await convertFile(page, example, { format: 'rtf', tables: true });
        assert.equal(got.name, `${stem}.rtf`);
        sameBytes(got.bytes, native(RTF_ARGS, example).bytes, `${name} as RTF`);
        // The preview shows the document's words (the first of its body's paragraphs).
        const text = native(TEXT_ARGS, example).bytes.toString('utf8');
        const firstLine = text.split(/\r?\n/).map((line) => line.trim()).find((line) => line.length > 0);
        const preview = await page.locator('#rtf-preview').textContent();
        assert.ok(preview.replace(/\s+/g, ' ').includes(firstLine.replace(/\s+/g, ' ')),
                  `the preview lacks "${firstLine}"`);
      });
    });
  }
});

describe('a file dropped on the page', () => {
  test('is the one converted', async () => {
    const example = EXAMPLES.find((p) => p.includes('windows1251'));
    const bytes = [...(await readFile(example))];
    const name = example.slice(example.lastIndexOf(sep) + 1);
    await page.check('#source-text');
    await page.evaluate(({ bytes, name }) => {
      const dropped = new DataTransfer();
      dropped.items.add(new File([new Uint8Array(bytes)], name, { type: 'text/html' }));
      for (const type of ['dragenter', 'dragover', 'drop']) {
        document.querySelector('main').dispatchEvent(
          new DragEvent(type, { dataTransfer: dropped, bubbles: true, cancelable: true }));
      }
    }, { bytes, name });
    assert.equal(await page.locator('#source-file').isChecked(), true);
    assert.match(await page.locator('#file-info').textContent(), new RegExp(name));
    await setOptions(page, { format: 'rtf', tables: true });
    const done = await convertNow(page);
    assert.ok(done.shown, done.status);
    const got = await download(page);
    assert.equal(got.name, name.replace(/\.html$/, '.rtf'));
    sameBytes(got.bytes, native(RTF_ARGS, example).bytes, 'the dropped page');
  });
});

describe('pasted HTML', () => {
  test('converts as the command converts the same text read as UTF-8', async () => {
    const example = EXAMPLES.find((p) => p.includes('utf8-travel'));
    const html = await readFile(example, 'utf8');
    await page.fill('#pasted', html);
    assert.equal(await page.locator('#source-text').isChecked(), true);
    try {
      for (const [format, args] of [['text', TEXT_ARGS], ['rtf', RTF_ARGS]]) {
        await setOptions(page, { format, tables: true });
        const done = await convertNow(page);
        assert.ok(done.shown, done.status);
        const got = await download(page);
        assert.equal(got.name, format === 'text' ? 'pasted.txt' : 'pasted.rtf');
        sameBytes(got.bytes, native([...args, '-e', 'utf-8'], example).bytes, `pasted page as ${format}`);
      }
    } finally {
      await page.fill('#pasted', '');
      await page.check('#source-file');
    }
  });

  test('nothing pasted says the page is empty', async () => {
    await page.fill('#pasted', '');
    await page.check('#source-text');
    try {
      const done = await convertNow(page);
      assert.ok(done.error);
      assert.match(done.status, /The page is empty/);
      assert.equal(done.shown, false);
    } finally {
      await page.check('#source-file');
    }
  });
});

describe('pages that are not pages', () => {
  test('an empty file says the page is empty', async () => {
    const empty = join(scratch, 'empty.html');
    await writeFile(empty, '');
    await page.setInputFiles('#file', empty);
    await setOptions(page, { format: 'text' });
    const done = await convertNow(page);
    assert.ok(done.error);
    assert.match(done.status, /The page is empty/);
    assert.equal(done.shown, false);
  });

  test('random bytes convert as the command converts them, and the page answers after', async () => {
    const noise = join(scratch, 'noise.bin');
    await writeFile(noise, randomBytes(400 * 1024, 20240607));
    for (const [format, args] of [['text', TEXT_ARGS], ['rtf', RTF_ARGS]]) {
      await page.setInputFiles('#file', noise);
      await setOptions(page, { format, tables: true });
      const done = await convertNow(page);
      const expected = native(args, noise);
      if (expected.status === 0) {
        assert.ok(done.shown, `no result (${done.status})`);
        const got = await download(page);
        assert.equal(got.name, format === 'text' ? 'noise.txt' : 'noise.rtf');
        sameBytes(got.bytes, expected.bytes, `random bytes as ${format}`);
      } else {
        assert.ok(done.error && done.status.length > 0, 'the failure is not said');
        assert.equal(done.shown, false);
      }
    }
    const example = EXAMPLES[0];
    sameBytes((await convertFile(page, example, { format: 'text' })).bytes,
              native(TEXT_ARGS, example).bytes, 'a page after the random bytes');
  });
});

describe('large pages', () => {
  // A page of examples' bodies over and over, about `megabytes` MB.
  async function largePage(name, megabytes) {
    const html = await readFile(EXAMPLES.find((p) => p.includes('tide-pool')), 'utf8');
    const body = html.slice(html.indexOf('<body'), html.lastIndexOf('</body>'));
    const block = Buffer.from(body.replace(/<body[^>]*>/, '<div>') + '</div>\n');
    const count = Math.ceil((megabytes * 1e6) / block.length);
    const path = join(scratch, name);
    await writeFile(path, Buffer.concat([Buffer.from('<!doctype html><html><head><title>Large</title></head><body>\n'),
                                         ...Array(count).fill(block), Buffer.from('</body></html>\n')]));
    return path;
  }

  test('a page of many slices converts whole, as the command writes it', { timeout: 300_000 }, async () => {
    const path = await largePage('ten.html', 10);
    for (const [format, args] of [['text', TEXT_ARGS], ['rtf', RTF_ARGS]]) {
      const got = await convertFile(page, path, { format, tables: true });
      sameBytes(got.bytes, native(args, path).bytes, `a 10 MB page as ${format}`);
      assert.match(await page.locator('#preview-note').textContent(), /start|first/);
    }
  });

  test('Cancel stops a large conversion; the page answers meanwhile and converts after', { timeout: 300_000 }, async () => {
    const path = await largePage('sixty.html', 60);
    await page.setInputFiles('#file', path);
    await setOptions(page, { format: 'rtf', tables: true });
    await page.click('#convert');
    await page.locator('#progress-area').waitFor({ state: 'visible' });
    await page.waitForFunction(() => document.getElementById('progress').value > 0);
    // The conversion runs in the worker: the page's own thread answers at once.
    const asked = Date.now();
    assert.equal(await page.evaluate(() => document.getElementById('cancel').textContent), 'Cancel');
    assert.ok(Date.now() - asked < 1000, `the page took ${Date.now() - asked} ms to answer`);
    const read = await page.evaluate(() => document.getElementById('progress').value);
    assert.ok(read < statSync(path).size, 'the conversion ended before Cancel');
    // Cancel ends the worker that converts (it is busy: only its end stops it) and starts
    // another.
    const busy = page.workers();
    assert.equal(busy.length, 1);
    const ended = new Promise((done) => busy[0].once('close', done));
    const started = page.waitForEvent('worker');
    await page.click('#cancel');
    await within(10_000, Promise.all([ended, started]), 'the busy worker did not end, or no other started');
    await page.locator('#convert:enabled').waitFor();
    assert.match(await page.locator('#status').textContent(), /Cancelled/);
    assert.equal(await page.locator('#progress-area').isVisible(), false);
    // Nothing of it comes after.
    await page.waitForTimeout(1500);
    assert.match(await page.locator('#status').textContent(), /Cancelled/);
    assert.equal(await page.locator('#result').isVisible(), false);
    const example = EXAMPLES.find((p) => p.includes('sales-tables'));
    sameBytes((await convertFile(page, example, { format: 'rtf', tables: true })).bytes,
              native(RTF_ARGS, example).bytes, 'a page after Cancel');
  });
});

describe('a converter that dies', () => {
  test('is said on the page, and a fresh one converts', async () => {
    const other = await context.newPage();
    try {
      other.setDefaultTimeout(60_000);
      // The first worker cannot load the package's module: it dies before it is ready.
      let refused = 0;
      await other.route('**/vellumine/browser.mjs', (route) => {
        refused++;
        return route.fulfill({ status: 404, body: 'not here' });
      }, { times: 1 });
      await other.goto(base);
      await other.locator('#status.error').waitFor();
      assert.equal(refused, 1);
      assert.match(await other.locator('#status').textContent(), /converter stopped/);
      await other.locator('#convert:enabled').waitFor();
      const example = EXAMPLES[0];
      sameBytes((await convertFile(other, example, { format: 'text' })).bytes,
                native(TEXT_ARGS, example).bytes, 'a page after the converter died');
    } finally {
      await other.close();
    }
  });
});
