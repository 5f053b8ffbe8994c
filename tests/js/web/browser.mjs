// What the browser tests share: the project's paths, the example pages, a static server for
// a folder, headless Chromium started with the flags this machine needs, the command's output
// for a page and a byte-for-byte comparison with it.
//
// VELLUMINE_CLI names the command (default build/cli/vellumine), CHROMIUM the browser
// (default /usr/bin/chromium).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createReadStream, existsSync, readdirSync, statSync } from 'node:fs';
import http from 'node:http';
import { basename, dirname, extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';

export const ROOT = resolve(dirname(fileURLToPath(import.meta.url)), '../../..');
export const CLI = process.env.VELLUMINE_CLI || join(ROOT, 'build/cli/vellumine');
export const CHROMIUM = process.env.CHROMIUM || '/usr/bin/chromium';
export const EXAMPLES = readdirSync(join(ROOT, 'examples'))
  .filter((name) => /\.(html|asp)$/.test(name))
  .sort()
  .map((name) => join(ROOT, 'examples', name));
// The example page whose name holds part.
export const example = (part) => EXAMPLES.find((path) => basename(path).includes(part));

// ---- a static server for a folder ----

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.json': 'application/json',
};

// Serves folder (and nothing outside it) on a free port of 127.0.0.1; resolves to the server.
export function serve(folder) {
  const server = http.createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://here').pathname);
    let file = normalize(join(folder, path));
    if (file !== folder && !file.startsWith(folder + sep)) {
      response.writeHead(403).end();
      return;
    }
    if (existsSync(file) && statSync(file).isDirectory()) file = join(file, 'index.html');
    if (!existsSync(file) || !statSync(file).isFile()) {
      response.writeHead(404, { 'content-type': 'text/plain' }).end('not found');
      return;
    }
    response.writeHead(200, {
      'content-type': TYPES[extname(file)] || 'application/octet-stream',
      'content-length': statSync(file).size,
      'cache-control': 'no-store',
    });
    if (request.method === 'HEAD') response.end();
    else createReadStream(file).pipe(response);
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

export function closeServer(server) {
  return new Promise((done) => server.close(done));
}

// ---- the browser ----

// Headless Chromium with a profile in the folder given. Its background connections (updates,
// sync, QUIC) are turned off: they are refused on this machine, and would only wait.
export function launchBrowser(profile, options = {}) {
  return chromium.launchPersistentContext(profile, {
    executablePath: CHROMIUM,
    headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    ...options,
  });
}

// ---- the command ----

// The command's output for a page, a file's path or bytes given on its standard input:
// {status, bytes}.
export function native(args, page) {
  const stdin = typeof page !== 'string';
  const run = spawnSync(CLI, ['--stdout', '--quiet', ...args, stdin ? '-' : page],
                        { input: stdin ? page : undefined, maxBuffer: 1 << 30 });
  if (run.error) throw run.error;
  return { status: run.status, bytes: run.stdout };
}
// The command's output, as native's, which must succeed: its bytes.
export function command(args, page) {
  const run = native(args, page);
  assert.equal(run.status, 0, `the command ${args.join(' ')} failed`);
  return run.bytes;
}
export const TEXT_ARGS = ['-f', 'txt', '--text-encoding', 'utf-8'];
export const RTF_ARGS = ['-f', 'rtf', '-t'];

// Fails, saying where they part, unless actual's bytes are expected's.
export function sameBytes(actual, expected, what) {
  if (Buffer.compare(actual, expected) === 0) return;
  let at = 0;
  while (at < actual.length && at < expected.length && actual[at] === expected[at]) at++;
  assert.fail(`${what}: ${actual.length} bytes against the command's ${expected.length}, ` +
              `first different at byte ${at}: ` +
              `${JSON.stringify(actual.subarray(at, at + 40).toString('latin1'))} against ` +
              `${JSON.stringify(expected.subarray(at, at + 40).toString('latin1'))}`);
}
