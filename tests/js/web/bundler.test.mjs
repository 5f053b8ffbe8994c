// The npm package as an application uses it through a bundler: a small app (index.html and
// main.js, which imports init and convert from 'vellumine' and awaits init() with no
// argument) has the package installed from its tarball and is built by Vite; its dist/ folder
// alone is served to headless Chromium, where each example page converts as text, RTF and
// RTF with tables, byte for byte as the command writes it.
//
//   node --test tests/js/web/
//
// VELLUMINE_TARBALL names the package's tarball (default the newest out/npm/vellumine-*.tgz),
// VELLUMINE_CLI the command, CHROMIUM the browser.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readFileSync, readdirSync, statSync } from 'node:fs';
import { mkdir, mkdtemp, readFile, rm, writeFile } from 'node:fs/promises';
import { tmpdir } from 'node:os';
import { basename, join, sep } from 'node:path';
import { build, version as viteVersion } from 'vite';
import { CLI, EXAMPLES, RTF_ARGS, ROOT, TEXT_ARGS, closeServer, launchBrowser, native, sameBytes,
         serve } from './browser.mjs';

// The newest tarball scripts/build-js packed.
function defaultTarball() {
  const folder = join(ROOT, 'out/npm');
  const packed = existsSync(folder) ? readdirSync(folder).filter((name) => /^vellumine-.*\.tgz$/.test(name)) : [];
  if (packed.length === 0) return join(folder, 'vellumine-<version>.tgz');
  return packed.map((name) => join(folder, name))
    .sort((a, b) => statSync(b).mtimeMs - statSync(a).mtimeMs)[0];
}
const TARBALL = process.env.VELLUMINE_TARBALL || defaultTarball();

// ---- the app ----

const APP = {
  'package.json': JSON.stringify({ name: 'vellumine-bundled-app', private: true, type: 'module' }, null, 2) + '\n',
  'index.html': `<!doctype html>
<html lang="en">
<head><meta charset="utf-8"><title>vellumine through a bundler</title></head>
<body>
<script type="module" src="./main.js"></script>
</body>
</html>
`,
  'main.js': `import { init, convert } from 'vellumine';

async function start() {
  await init();
  // A page (a string, or its bytes as an array of numbers) converted with the options given.
  window.convertPage = (page, options) =>
    convert(typeof page === 'string' ? page : new Uint8Array(page), options);
}
// Settles once the page can convert, or could not be made to.
window.vellumineReady = start();
`,
};

// The app in folder, the package installed in it from the tarball; built by Vite into dist/.
async function buildApp(folder) {
  await mkdir(folder, { recursive: true });
  for (const [name, text] of Object.entries(APP)) await writeFile(join(folder, name), text);
  const install = spawnSync('npm', ['install', '--offline', '--no-audit', '--no-fund', TARBALL],
                            { cwd: folder, encoding: 'utf8' });
  if (install.error) throw install.error;
  assert.equal(install.status, 0, `npm install of ${TARBALL} failed:\n${install.stderr}`);
  await build({ root: folder, configFile: false, logLevel: 'silent', build: { outDir: 'dist', emptyOutDir: true } });
  return join(folder, 'dist');
}

// Every file under folder, relative to it with '/' between names.
function filesIn(folder, under = '') {
  return readdirSync(join(folder, under), { withFileTypes: true }).flatMap((entry) => {
    const name = under ? `${under}/${entry.name}` : entry.name;
    return entry.isDirectory() ? filesIn(folder, name) : [name];
  });
}

// ---- the browser ----

let scratch;
let dist;
let server;
let context;
let page;
const wasmFetched = [];  // {path, status, type} of each .wasm the page fetched
let readiness = null;

// The page, opened once, with the module ready: fails with init()'s error otherwise.
function ready() {
  if (!readiness) {
    readiness = (async () => {
      page = await context.newPage();
      page.setDefaultTimeout(30_000);
      page.on('response', (response) => {
        const url = new URL(response.url());
        if (url.pathname.endsWith('.wasm')) {
          wasmFetched.push({ path: url.pathname, status: response.status(),
                             type: response.headers()['content-type'] });
        }
      });
      await page.goto(`http://127.0.0.1:${server.address().port}/`);
      await page.waitForFunction(() => window.vellumineReady !== undefined);
      await page.evaluate(() => window.vellumineReady);
    })();
  }
  return readiness;
}

before(async () => {
  assert.ok(existsSync(TARBALL), `no package at ${TARBALL}: run scripts/build-js`);
  assert.ok(existsSync(CLI), `${CLI} is not built`);
  scratch = await mkdtemp(join(tmpdir(), 'vellumine-bundler-'));
  dist = await buildApp(join(scratch, 'app'));
  server = await serve(dist);
  context = await launchBrowser(join(scratch, 'profile'));
});

after(async () => {
  if (context) await context.close();
  if (server) await closeServer(server);
  if (scratch) await rm(scratch, { recursive: true, force: true });
});

describe(`the app built by Vite ${viteVersion}`, () => {
  test('has the WebAssembly module as an asset of its own, and fetches it from there', async () => {
    const files = filesIn(dist);
    const wasm = files.filter((name) => name.endsWith('.wasm'));
    assert.equal(wasm.length, 1, `dist/ holds ${wasm.length} .wasm files: ${files.join(', ')}`);
    const installed = await readFile(join(dist, '../node_modules/vellumine/vellumine.wasm'));
    sameBytes(await readFile(join(dist, wasm[0])), installed, `dist/${wasm[0]} against the package's vellumine.wasm`);
    const scripts = files.filter((name) => name.endsWith('.js'));
    assert.ok(scripts.some((name) => readFileSync(join(dist, name), 'utf8').includes(basename(wasm[0]))),
              `no script of dist/ (${scripts.join(', ')}) names ${wasm[0]}`);
    await ready();
    assert.deepEqual(wasmFetched, [{ path: `/${wasm[0]}`, status: 200, type: 'application/wasm' }]);
  });

  describe('converts each example page as the command converts it', () => {
    // The page's result as bytes: RTF is one character for each byte, text is Unicode (its
    // UTF-8 is the command's --text-encoding utf-8).
    async function convertInPage(input, options) {
      await ready();
      const made = await page.evaluate(({ input, options }) => window.convertPage(input, options),
                                       { input, options });
      assert.equal(typeof made, 'string');
      if (options.format === 'text') return Buffer.from(made, 'utf8');
      const wide = /[^\x00-\xff]/.exec(made);
      assert.equal(wide, null, `RTF with a character past one byte at ${wide && wide.index}`);
      return Buffer.from(made, 'latin1');
    }

    // The command's output for the page's bytes, which it converts.
    function command(args, input) {
      const run = native(args, input);
      assert.equal(run.status, 0, `the command ${args.join(' ')} failed`);
      return run.bytes;
    }

    const FORMATS = [
      ['as plain text', { format: 'text' }, TEXT_ARGS],
      ['as RTF', { format: 'rtf', tables: false }, ['-f', 'rtf']],
      ['as RTF with tables', { format: 'rtf', tables: true }, RTF_ARGS],
    ];

    for (const example of EXAMPLES) {
      const name = example.slice(example.lastIndexOf(sep) + 1);
      test(name, async (t) => {
        const bytes = await readFile(example);
        let html = null;
        try {
          html = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true }).decode(bytes);
        } catch {
          // not UTF-8: converted from its bytes alone
        }
        for (const [how, options, args] of FORMATS) {
          if (html !== null) {
            await t.test(`read as a string, ${how}`, async () => {
              const utf8 = Buffer.from(html, 'utf8');
              sameBytes(await convertInPage(html, options), command([...args, '-e', 'utf-8'], utf8),
                        `${name} as a string, ${how}`);
            });
          }
          await t.test(`given its bytes, ${how}`, async () => {
            sameBytes(await convertInPage([...bytes], options), command(args, bytes),
                      `${name} as bytes, ${how}`);
          });
        }
      });
    }
  });
});
