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
import { basename, join } from 'node:path';
import { build, version as viteVersion } from 'vite';
import { CLI, EXAMPLES, RTF_ARGS, ROOT, TEXT_ARGS, closeServer, command, launchBrowser, sameBytes,
         serve } from './browser.mjs';

// The newest tarball scripts/build-js packed.
function defaultTarball() {
  const folder = join(ROOT, 'out/npm');
  const packed = (existsSync(folder) ? readdirSync(folder) : []).filter((name) => /^vellumine-.*\.tgz$/.test(name))
    .map((name) => join(folder, name)).sort((a, b) => statSync(b).mtimeMs - statSync(a).mtimeMs);
  return packed[0] ?? join(folder, 'vellumine-<version>.tgz');
}
const TARBALL = process.env.VELLUMINE_TARBALL || defaultTarball();

// ---- the app ----

const APP = {
  'package.json': '{ "name": "vellumine-bundled-app", "private": true, "type": "module" }\n',
  'index.html': `<!doctype html>
<html lang="en"><meta charset="utf-8"><title>vellumine through a bundler</title>
<script type="module" src="./main.js"></script>
`,
  // window.vellumineReady settles once the page can convert, or could not be made to; then
  // window.convertPage converts a page (a string, or its bytes as an array of numbers) with
  // the options given.
  'main.js': `import { init, convert } from 'vellumine';
window.vellumineReady = (async () => {
  await init();
  window.convertPage = (page, options) => convert(typeof page === 'string' ? page : new Uint8Array(page), options);
})();
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

// ---- the browser ----

let scratch;
let dist;
let server;
let context;
let page;
const wasmFetched = [];  // {path, status, type} of each .wasm the page fetched

// The app built and served, and its page opened with the module ready: fails with init()'s
// error otherwise.
before(async () => {
  assert.ok(existsSync(TARBALL), `no package at ${TARBALL}: run scripts/build-js`);
  assert.ok(existsSync(CLI), `${CLI} is not built`);
  scratch = await mkdtemp(join(tmpdir(), 'vellumine-bundler-'));
  dist = await buildApp(join(scratch, 'app'));
  server = await serve(dist);
  context = await launchBrowser(join(scratch, 'profile'));
  page = await context.newPage();
  page.setDefaultTimeout(30_000);
  page.on('response', (response) => {
    const { pathname } = new URL(response.url());
    if (pathname.endsWith('.wasm')) {
      wasmFetched.push({ path: pathname, status: response.status(), type: response.headers()['content-type'] });
    }
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => window.vellumineReady !== undefined);
  await page.evaluate(() => window.vellumineReady);
});

after(async () => {
  if (context) await context.close();
  if (server) await closeServer(server);
  if (scratch) await rm(scratch, { recursive: true, force: true });
});

describe(`the app built by Vite ${viteVersion}`, () => {
  test('has the WebAssembly module as an asset of its own, and fetches it from there', async () => {
    const files = readdirSync(dist, { recursive: true });
    const wasm = files.filter((name) => name.endsWith('.wasm'));
    assert.equal(wasm.length, 1, `dist/ holds ${wasm.length} .wasm files: ${files.join(', ')}`);
    const installed = await readFile(join(dist, '../node_modules/vellumine/vellumine.wasm'));
    sameBytes(await readFile(join(dist, wasm[0])), installed, `dist/${wasm[0]} against the package's vellumine.wasm`);
    const scripts = files.filter((name) => name.endsWith('.js'));
    assert.ok(scripts.some((name) => readFileSync(join(dist, name), 'utf8').includes(basename(wasm[0]))),
              `no script of dist/ (${scripts.join(', ')}) names ${wasm[0]}`);
    assert.deepEqual(wasmFetched, [{ path: `/${wasm[0]}`, status: 200, type: 'application/wasm' }]);
  });

  describe('converts each example page as the command converts it', () => {
    // The page's result as bytes: RTF is one character for each byte, text is Unicode (its
    // UTF-8 is the command's --text-encoding utf-8).
    async function convertInPage(input, options) {
      const made = await page.evaluate(({ input, options }) => window.convertPage(input, options),
                                       { input, options });
      assert.equal(typeof made, 'string');
      if (options.format === 'text') return Buffer.from(made, 'utf8');
      const wide = /[^\x00-\xff]/.exec(made);
      assert.equal(wide, null, `RTF with a character past one byte at ${wide && wide.index}`);
      return Buffer.from(made, 'latin1');
    }

    const FORMATS = [
      ['as plain text', { format: 'text' }, TEXT_ARGS],
      ['as RTF', { format: 'rtf', tables: false }, ['-f', 'rtf']],
      ['as RTF with tables', { format: 'rtf', tables: true }, RTF_ARGS],
    ];

    for (const example of EXAMPLES) {
      const name = basename(example);
      test(name, async (t) => {
        const bytes = await readFile(example);
        // The page given its bytes, and as a string when it is UTF-8 (which the command is
        // told it is): [how, input, the command's arguments added].
        const inputs = [['given its bytes', [...bytes], []]];
        try {
          const html = new TextDecoder('utf-8', { fatal: true, ignoreBOM: true }).decode(bytes);
          inputs.unshift(['read as a string', html, ['-e', 'utf-8']]);
        } catch {
          // not UTF-8: converted from its bytes alone
        }
        for (const [how, options, args] of FORMATS) {
          for (const [given, input, more] of inputs) {
            await t.test(`${given}, ${how}`, async () => {
              sameBytes(await convertInPage(input, options), command([...args, ...more], bytes),
                        `${name} ${given}, ${how}`);
            });
          }
        }
      });
    }
  });
});
