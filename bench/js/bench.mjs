// Speed of the vellumine npm package (WebAssembly) against npm's html-to-text, both in this
// one Node process, on the same pages given to both as the same JavaScript string.
//
//   bench/js/run [FILE|DIR ...]     (installs both packages, then runs this)
//
// Pages: see pages.mjs (by default examples/ and 14 pages of Debian's documentation).
//
// vellumine: convert(text, { format: 'text' }). html-to-text: convert(text, { wordwrap:
// false }), its defaults otherwise (vellumine does not wrap unless asked).
//
// Timing: both are warmed up first (V8 compiles html-to-text's hot code and tiers up
// vellumine's WebAssembly: at least 3 passes over the pages and a second each), then each
// round times vellumine over all pages, then html-to-text over all pages, alternating in the
// same process so that a drift in the machine's speed falls on both. A pass goes over the
// pages as many times as makes vellumine's take 10 ms or more (once on the default pages),
// the same for both, so that few small pages are still timed over more than the timer's
// grain. MB/s is the pages' MB (10^6 bytes of the files) over a pass's time; each
// converter's median is reported, and the ratio of the medians.
//
// Also prints the size of the installed package's vellumine.wasm plus browser.mjs, each
// gzipped (node:zlib, level 9), as a browser fetches them; the sum must stay at most 400 KB
// (10^3 bytes), else the run exits with status 1.

import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { gzipSync, constants as zlib } from 'node:zlib';
import { performance } from 'node:perf_hooks';
import { createRequire } from 'node:module';

import { convert as vellumineConvert } from 'vellumine';
import { convert as htmlToTextConvert } from 'html-to-text';

import { loadPages, median } from './pages.mjs';

const WARM_UP_PASSES = 3;
const WARM_UP_SECONDS = 1; // at least, for each converter
const PASS_SECONDS = 0.01; // at least, for vellumine
const BUDGET_SECONDS = 30; // for the timed rounds, as the warm-up's last passes foretell
const MIN_ROUNDS = 7;
const MAX_ROUNDS = 41;

const converters = [
  { name: 'vellumine', run: (text) => vellumineConvert(text, { format: 'text' }) },
  { name: 'html-to-text', run: (text) => htmlToTextConvert(text, { wordwrap: false }) },
];

// One pass of a converter over all pages, repeated times: its seconds, and the characters it
// wrote in one time over the pages (added up so that no result goes unused).
function pass(converter, pages, repeated = 1) {
  let chars = 0;
  const start = performance.now();
  for (let i = 0; i < repeated; i++) {
    for (const page of pages) chars += converter.run(page.text).length;
  }
  return { seconds: (performance.now() - start) / 1000, chars: chars / repeated };
}

function packageSize() {
  const require = createRequire(import.meta.url);
  const dir = dirname(require.resolve('vellumine/package.json'));
  const version = JSON.parse(readFileSync(join(dir, 'package.json'), 'utf8')).version;
  const files = ['vellumine.wasm', 'browser.mjs'].map((name) => {
    const bytes = readFileSync(join(dir, name));
    const gzipped = gzipSync(bytes, { level: zlib.Z_BEST_COMPRESSION }).length;
    return { name, raw: bytes.length, gzipped };
  });
  const total = files.reduce((sum, file) => sum + file.gzipped, 0);
  const parts = files.map((f) => `${f.name} ${(f.raw / 1e3).toFixed(1)} KB -> ` +
                                 `${(f.gzipped / 1e3).toFixed(1)} KB`).join(', ');
  const ok = total <= 400e3;
  console.log(`package vellumine ${version}, gzipped (level 9): ${parts}; ` +
              `${(total / 1e3).toFixed(1)} KB in all, ${ok ? 'within' : 'OVER'} the 400 KB limit`);
  return ok;
}

const { pages, mb } = loadPages(process.argv.slice(2));

const last = converters.map(() => ({ seconds: 0, chars: 0 }));
const warmed = converters.map(() => 0);
for (let i = 0; i < WARM_UP_PASSES || warmed.some((s) => s < WARM_UP_SECONDS); i++) {
  converters.forEach((converter, c) => {
    if (i >= WARM_UP_PASSES && warmed[c] >= WARM_UP_SECONDS) return;
    last[c] = pass(converter, pages);
    warmed[c] += last[c].seconds;
  });
}
const chars = last.map((result) => result.chars);
const repeated = Math.max(1, Math.ceil(PASS_SECONDS / last[0].seconds));
const roundSeconds = repeated * (last[0].seconds + last[1].seconds);
let rounds = Math.max(MIN_ROUNDS, Math.min(MAX_ROUNDS, Math.floor(BUDGET_SECONDS / roundSeconds)));
if (rounds % 2 === 0) rounds -= 1; // odd: the median is a round's own

const seconds = converters.map(() => []);
for (let round = 0; round < rounds; round++) {
  converters.forEach((converter, c) => seconds[c].push(pass(converter, pages, repeated).seconds));
}

const passMB = mb * repeated;
console.log(`${rounds} rounds, alternated, after ${warmed.map((s) => s.toFixed(1)).join(' and ')} ` +
            `seconds of warm-up` + (repeated > 1 ? `; each pass over the pages ${repeated} times` : ''));
const rates = converters.map((converter, i) => {
  const rate = passMB / median(seconds[i]);
  const all = seconds[i].map((s) => passMB / s);
  console.log(`${converter.name.padEnd(13)} ${mb.toFixed(2)} MB of pages: median ` +
              `${rate.toFixed(1)} MB/s (rounds ${Math.min(...all).toFixed(1)} to ` +
              `${Math.max(...all).toFixed(1)}), ${(chars[i] / 1e6).toFixed(2)} M characters out`);
  return rate;
});
console.log(`${converters[0].name} ${rates[0].toFixed(1)} MB/s, ${converters[1].name} ` +
            `${rates[1].toFixed(1)} MB/s: ${(rates[0] / rates[1]).toFixed(1)} x`);

if (!packageSize()) process.exitCode = 1;
