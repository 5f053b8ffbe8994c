// The browser page (out/web, made by scripts/build-js) in headless Chromium: pages chosen,
// dropped in as files or pasted, converted in the page's worker and downloaded, each download
// compared byte for byte with the command's output for the same options; an empty page,
// random bytes, a converter that dies, and Cancel on a large page.
//
//   node --test tests/js/web/
//
// VELLUMINE_CLI names the command (default build/cli/vellumine), CHROMIUM the browser
// (default /usr/bin/chromium).
import { after, afterEach, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { createCipheriv } from 'node:crypto';
import { existsSync, statSync } from 'node:fs';
import { mkdtemp, readFile, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { basename, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { CLI, EXAMPLES, RTF_ARGS, ROOT, TEXT_ARGS, closeServer, command, example, launchBrowser,
         native, sameBytes, serve } from './browser.mjs';

const WEB = join(ROOT, 'out/web');
// The page's two formats, and the command's arguments for the same output.
const FORMATS = [[{ format: 'text' }, TEXT_ARGS], [{ format: 'rtf', tables: true }, RTF_ARGS]];

// ---- the page ----

let server;
let context;
let page;
let base;
let scratch;
let table;     // the library's options table
let defaults;  // every option at its default but the encoding, which no test changes (and
               // which is hidden while HTML is pasted)

// Sets the options given, and every other (but the encoding) to its default: no test leaves
// its options to the next.
async function setOptions(on, options) {
  for (const [name, value] of Object.entries({ ...defaults, ...options })) {
    const control = on.locator(`#opt-${name}`);
    if (typeof value === 'boolean') await control.setChecked(value);
    else if (await control.evaluate((e) => e.tagName === 'SELECT')) await control.selectOption(String(value));
    else await control.fill(String(value));
  }
}

// Converts what is chosen with the options given; waits until the page is idle again.
// Returns the status line, whether it is an error and whether a result is shown.
async function convertNow(on, options) {
  await setOptions(on, options);
  await on.click('#convert');
  await on.locator('#convert:enabled').waitFor({ timeout: 120_000 });
  return {
    status: await on.locator('#status').textContent(),
    error: await on.locator('#status').evaluate((e) => e.classList.contains('error')),
    shown: await on.locator('#result').isVisible(),
  };
}

// Converts what is chosen and downloads the result, which must be shown, be called stem.txt
// or stem.rtf and hold the command's output for source with args. Returns its bytes.
async function convertLikeCommand(on, options, args, source,
                                  stem = basename(source).replace(/\.[^.]*$/, '')) {
  const done = await convertNow(on, options);
  assert.ok(done.shown, `no result for ${basename(source)}: ${done.status}`);
  const [saved] = await Promise.all([on.waitForEvent('download'), on.click('#download')]);
  assert.equal(saved.suggestedFilename(), `${stem}.${options.format === 'text' ? 'txt' : 'rtf'}`);
  const bytes = await readFile(await saved.path());
  sameBytes(bytes, command(args, source), `${basename(source)} with ${args.join(' ')}`);
  return bytes;
}

// Chooses the file at path, and converts it as convertLikeCommand does.
async function convertFile(on, path, options, args) {
  await on.setInputFiles('#file', path);
  return convertLikeCommand(on, options, args, path);
}

// Converts what is chosen: the page must say an error that matches said, and show no result.
async function convertRefused(on, options, said) {
  const done = await convertNow(on, options);
  assert.ok(done.error, `no error said: ${done.status}`);
  assert.match(done.status, said);
  assert.equal(done.shown, false);
}

before(async () => {
  assert.ok(existsSync(join(WEB, 'index.html')) && existsSync(join(WEB, 'vellumine/vellumine.wasm')),
            `${WEB} is not built: run scripts/build-js`);
  assert.ok(existsSync(CLI), `${CLI} is not built`);
  table = (await import(pathToFileURL(join(ROOT, 'out/npm/package/vellumine.mjs')))).options();
  defaults = Object.fromEntries(table.filter((row) => row.name !== 'encoding').map((row) => [row.name, row.default]));
  scratch = await mkdtemp(join(tmpdir(), 'vellumine-web-'));
  server = await serve(WEB);
  base = `http://127.0.0.1:${server.address().port}/`;
  context = await launchBrowser(join(scratch, 'profile'), { acceptDownloads: true });
  page = await context.newPage();
  page.setDefaultTimeout(60_000);
  await page.goto(base);
  await page.locator('#convert:enabled').waitFor();
});

after(async () => {
  if (context) await context.close();
  if (server) await closeServer(server);
  if (scratch) await rm(scratch, { recursive: true, force: true });
});

describe('the options', () => {
  // What an option's control is, by the option's kind (any other kind is a text field).
  const CONTROLS = {
    choice: (row) => ({ type: 'select-one', choices: row.choices, value: row.default }),
    switch: (row) => ({ type: 'checkbox', checked: row.default }),
    number: (row) => ({ type: 'number', value: String(row.default), min: String(row.offeredMinimum),
                        max: String(row.maximum) }),
    text: (row) => ({ type: 'text', value: row.default }),
  };

  test('are the controls the library\'s table describes, each with its default', async () => {
    assert.ok(table.length > 0);
    const shown = await page.locator('#options [data-option]').evaluateAll((fields) =>
      fields.map((field) => field.dataset.option));
    assert.deepEqual(shown, table.map((row) => row.name));
    for (const row of table) {
      const expected = (CONTROLS[row.kind] ?? CONTROLS.text)(row);
      const seen = await page.locator(`#opt-${row.name}`).evaluate((e, keys) => Object.fromEntries(keys.map((key) =>
        [key, key === 'choices' ? Array.from(e.options, (o) => o.value) : e[key]])), Object.keys(expected));
      assert.deepEqual(seen, expected, row.name);
    }
  });

  test('every control of the page has a label, and each option\'s one label of its own', async () => {
    // An option's control (#opt-...) has exactly one label, not empty; any other a label or
    // an aria-label.
    const unlabelled = await page.locator('input, select, textarea').evaluateAll((controls) =>
      controls.filter((c) => (c.id.startsWith('opt-')
        ? !(c.labels && c.labels.length === 1 && c.labels[0].textContent.trim())
        : !(c.labels && c.labels.length > 0) && !c.getAttribute('aria-label')))
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
    await convertFile(page, example('tide-pool'), { format: 'text', wrap: 40, links: 'list' },
                      [...TEXT_ARGS, '--wrap', '40', '--links', 'list']);
    await convertFile(page, example('sales-tables'),
                      { format: 'rtf', tables: false, font_name: 'Times New Roman', font_size: 13, images: 'alt' },
                      ['-f', 'rtf', '--font', 'Times New Roman', '--size', '13', '--images', 'alt']);
  });

  test('a number that is not one, or is out of range, is said on the page, and nothing is converted', async () => {
    await page.setInputFiles('#file', EXAMPLES[0]);
    await convertRefused(page, { format: 'text', wrap: '' }, /whole number/);
    await convertRefused(page, { format: 'rtf', font_size: 0 }, /whole number/);
  });
});

describe('each example page, chosen as a file, downloads as the command writes it', () => {
  for (const path of EXAMPLES) {
    test(basename(path), async (t) => {
      await t.test('as plain text', async () => {
        const bytes = await convertFile(page, path, { format: 'text' }, TEXT_ARGS);
        assert.equal(await page.locator('#text-output').textContent(), bytes.toString('utf8'),
                     'the text shown is not the text downloaded');
      });
      await t.test('as RTF with tables', async () => {
        await convertFile(page, path, { format: 'rtf', tables: true }, RTF_ARGS);
        // The preview shows the document's words (the first of its body's paragraphs).
        const firstLine = command(TEXT_ARGS, path).toString('utf8').split(/\r?\n/)
          .map((line) => line.trim()).find((line) => line.length > 0);
        const preview = await page.locator('#rtf-preview').textContent();
        assert.ok(preview.replace(/\s+/g, ' ').includes(firstLine.replace(/\s+/g, ' ')),
                  `the preview lacks "${firstLine}"`);
      });
    });
  }
});

describe('a file dropped on the page', () => {
  test('is the one converted', async () => {
    const path = example('windows1251');
    const name = basename(path);
    await page.check('#source-text');
    await page.evaluate(({ bytes, name }) => {
      const dropped = new DataTransfer();
      dropped.items.add(new File([new Uint8Array(bytes)], name, { type: 'text/html' }));
      for (const type of ['dragenter', 'dragover', 'drop']) {
        document.querySelector('main').dispatchEvent(
          new DragEvent(type, { dataTransfer: dropped, bubbles: true, cancelable: true }));
      }
    }, { bytes: [...(await readFile(path))], name });
    assert.equal(await page.locator('#source-file').isChecked(), true);
    assert.match(await page.locator('#file-info').textContent(), new RegExp(name));
    await convertLikeCommand(page, { format: 'rtf', tables: true }, RTF_ARGS, path);
  });
});

describe('pasted HTML', () => {
  afterEach(async () => {
    await page.fill('#pasted', '');
    await page.check('#source-file');
  });

  test('converts as the command converts the same text read as UTF-8', async () => {
    const path = example('utf8-travel');
    await page.fill('#pasted', await readFile(path, 'utf8'));
    assert.equal(await page.locator('#source-text').isChecked(), true);
    for (const [options, args] of FORMATS) {
      await convertLikeCommand(page, options, [...args, '-e', 'utf-8'], path, 'pasted');
    }
  });

  test('nothing pasted says the page is empty', async () => {
    await page.fill('#pasted', '');
    await page.check('#source-text');
    await convertRefused(page, {}, /The page is empty/);
  });
});

describe('pages that are not pages', () => {
  test('an empty file says the page is empty', async () => {
    const empty = join(scratch, 'empty.html');
    await writeFile(empty, '');
    await page.setInputFiles('#file', empty);
    await convertRefused(page, { format: 'text' }, /The page is empty/);
  });

  test('random bytes convert as the command converts them, and the page answers after', async () => {
    // The same "random" bytes every run: AES in counter mode, of a fixed key, over zeros.
    const noise = join(scratch, 'noise.bin');
    const cipher = createCipheriv('aes-128-ctr', Buffer.from('vellumine noise!'), Buffer.alloc(16));
    await writeFile(noise, cipher.update(Buffer.alloc(400 * 1024)));
    for (const [options, args] of FORMATS) {
      await page.setInputFiles('#file', noise);
      if (native(args, noise).status === 0) await convertLikeCommand(page, options, args, noise);
      else await convertRefused(page, options, /\S/);
    }
    await convertFile(page, EXAMPLES[0], { format: 'text' }, TEXT_ARGS);
  });
});

describe('large pages', () => {
  // A page of examples' bodies over and over, about `megabytes` MB.
  async function largePage(name, megabytes) {
    const html = await readFile(example('tide-pool'), 'utf8');
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
    for (const [options, args] of FORMATS) {
      await convertFile(page, path, options, args);
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
    // another, within 10 s.
    const busy = page.workers();
    assert.equal(busy.length, 1);
    const ended = busy[0].waitForEvent('close', { timeout: 10_000 });
    const started = page.waitForEvent('worker', { timeout: 10_000 });
    await page.click('#cancel');
    await Promise.all([ended, started]);
    await page.locator('#convert:enabled').waitFor();
    assert.match(await page.locator('#status').textContent(), /Cancelled/);
    assert.equal(await page.locator('#progress-area').isVisible(), false);
    // Nothing of it comes after.
    await page.waitForTimeout(1500);
    assert.match(await page.locator('#status').textContent(), /Cancelled/);
    assert.equal(await page.locator('#result').isVisible(), false);
    await convertFile(page, example('sales-tables'), { format: 'rtf', tables: true }, RTF_ARGS);
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
      await convertFile(other, EXAMPLES[0], { format: 'text' }, TEXT_ARGS);
    } finally {
      await other.close();
    }
  });
});
