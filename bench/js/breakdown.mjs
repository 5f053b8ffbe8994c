// Where the time of vellumine's convert(string) goes in Node, beside html-to-text and the
// native command on the same pages: one Node process, every measure taken once per round, in
// turn, over all pages; medians of the rounds.
//
//   bench/js/run --breakdown [FILE|DIR ...]     (pages as for bench.mjs: see pages.mjs)
//
// Measures (milliseconds per round, and the pages' MB over that time):
//   api          convert(text, { format: 'text' }) returning a string, as bench.mjs times it
//   bytes        convert(page's bytes, { encoding: 'utf-8', output: 'bytes' }): the same
//                conversion less the string's way in and out (the engine, the options, the
//                bytes copied in and out)
//   encodeInto   TextEncoder.encodeInto(text, memory already there), as convert writes a
//                string into the engine's memory
//   decode       new TextDecoder().decode(output's bytes), as convert decodes its output
//                (there, a piece at a time)
//   utf8Slice    Buffer's toString('utf8') over the output's bytes (Node's own decoder)
//   latin1Slice  Buffer's toString('latin1') over the same bytes: what decoding would cost
//                where the output is known to be ASCII (a bound, not the same result)
//   api wrap 80  convert(text, { format: 'text', wrap: 80 })
//   html-to-text convert(text, { wordwrap: false }), as bench.mjs times it
//   h2t wrap 80  html-to-text's convert(text): its defaults, wrapped at 80 columns
//   native       build/cli/vellumine ($VELLUMINE_NATIVE_DIR/cli/vellumine when set, as for
//                scripts/lib/common.sh) -a -q -j 1 -f txt over a folder of the pages, one process,
//                less the same command over a folder of one one-byte page (the process's
//                start, measured just before in the same round): the engine compiled
//                natively, reading and writing files (skipped when the command is not built)
//   per call     convert('<p>x</p>', { format: 'text' }) 1000 times: the fixed cost of a
//                conversion, in microseconds (not in the pages' MB/s)
// Each page's speed in bytes and html-to-text is shown too (timed within those rounds).
// Then the share of api's time in each part, and the ratios that bound bench.mjs's.

import { mkdtempSync, writeFileSync, mkdirSync, rmSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, basename } from 'node:path';
import { spawnSync } from 'node:child_process';
import { performance } from 'node:perf_hooks';

import { convert as vellumineConvert } from 'vellumine';
import { convert as htmlToTextConvert } from 'html-to-text';

import { loadPages, median, root } from './pages.mjs';

const WARM_UP_ROUNDS = 3;
const ROUNDS = Number(process.env.BREAKDOWN_ROUNDS) || 15;

const { pages, mb } = loadPages(process.argv.slice(2));
const outputs = pages.map((page) =>
  vellumineConvert(page.bytes, { format: 'text', encoding: 'utf-8', output: 'bytes' }));
const scratch = new Uint8Array(Math.max(...pages.map((page) => page.text.length)) * 3 + 16);

// The native command over a folder of copies of the pages, and over a folder of one tiny page.
const cli = join(process.env.VELLUMINE_NATIVE_DIR || join(root, 'build'), 'cli/vellumine');
let folders = null;
if (existsSync(cli)) {
  const base = mkdtempSync(join(tmpdir(), 'vellumine-breakdown-'));
  folders = { base, pages: join(base, 'pages'), tiny: join(base, 'tiny'), out: join(base, 'out') };
  for (const dir of [folders.pages, folders.tiny, folders.out]) mkdirSync(dir);
  pages.forEach((page, i) => {
    writeFileSync(join(folders.pages, `${String(i).padStart(3, '0')}-${basename(page.path)}`),
                  page.bytes);
  });
  writeFileSync(join(folders.tiny, 'tiny.html'), 'x');
  process.on('exit', () => rmSync(base, { recursive: true, force: true }));
}
function runCli(dir) {
  const start = performance.now();
  const result = spawnSync(cli, ['-a', '-q', '-j', '1', '-f', 'txt', '-o', folders.out, dir],
                           { stdio: 'ignore' });
  const ms = performance.now() - start;
  if (result.status !== 0) throw new Error(`${cli} ${dir}: exit status ${result.status}`);
  return ms;
}

// Milliseconds of body over every page; each page's own too, in perPage[name] when named.
const perPage = { bytes: pages.map(() => []), 'html-to-text': pages.map(() => []) };
function timed(body, name) {
  const times = perPage[name];
  const start = performance.now();
  let sink = 0;
  let last = start;
  for (let i = 0; i < pages.length; i++) {
    sink += body(i);
    if (times) {
      const now = performance.now();
      times[i].push(now - last);
      last = now;
    }
  }
  const ms = performance.now() - start;
  if (sink < 0) console.log(sink); // keeps every result used
  return ms;
}

const measures = [
  ['api', () => timed((i) => vellumineConvert(pages[i].text, { format: 'text' }).length)],
  ['bytes', () => timed((i) => vellumineConvert(pages[i].bytes,
    { format: 'text', encoding: 'utf-8', output: 'bytes' }).length, 'bytes')],
  ['encodeInto', () => timed((i) => new TextEncoder().encodeInto(pages[i].text, scratch).written)],
  ['decode', () => timed((i) => new TextDecoder().decode(outputs[i]).length)],
  ['utf8Slice', () => timed((i) => Buffer.from(outputs[i].buffer, outputs[i].byteOffset,
    outputs[i].length).toString('utf8').length)],
  ['latin1Slice', () => timed((i) => Buffer.from(outputs[i].buffer, outputs[i].byteOffset,
    outputs[i].length).toString('latin1').length)],
  ['api wrap 80', () => timed((i) => vellumineConvert(pages[i].text,
    { format: 'text', wrap: 80 }).length)],
  ['html-to-text', () => timed((i) => htmlToTextConvert(pages[i].text, { wordwrap: false }).length,
    'html-to-text')],
  ['h2t wrap 80', () => timed((i) => htmlToTextConvert(pages[i].text).length)],
  ['per call', () => {
    const start = performance.now();
    for (let i = 0; i < 1000; i++) vellumineConvert('<p>x</p>', { format: 'text' });
    return performance.now() - start; // ms for 1000 calls: microseconds for one
  }],
];
if (folders) {
  let start = 0;
  measures.push(['(start)', () => (start = runCli(folders.tiny))]);
  measures.push(['native', () => runCli(folders.pages) - start]);
}

const ms = new Map(measures.map(([name]) => [name, []]));
for (let round = 0; round < WARM_UP_ROUNDS + ROUNDS; round++) {
  for (const [name, measure] of measures) {
    const t = measure();
    if (round >= WARM_UP_ROUNDS) ms.get(name).push(t);
  }
}

console.log('each page (MB/s, medians; pages under 10 KB left out): bytes, html-to-text, ratio');
pages.forEach((page, i) => {
  if (page.bytes.length < 10e3) return;
  const mbPage = page.bytes.length / 1e6;
  const [v, h] = ['bytes', 'html-to-text'].map((name) => mbPage / (median(perPage[name][i]) / 1e3));
  console.log(`  ${v.toFixed(1).padStart(7)} ${h.toFixed(1).padStart(6)} ${(v / h).toFixed(1).padStart(5)} x  ` +
              `${(page.bytes.length / 1e3).toFixed(0).padStart(4)} KB ${page.path.split('/').slice(-2).join('/')}`);
});
console.log(`${ROUNDS} rounds, each measure in turn, after ${WARM_UP_ROUNDS} rounds of warm-up; ` +
            'medians over all pages:');
const at = new Map();
for (const [name, values] of ms) {
  const m = median(values);
  at.set(name, m);
  if (name === 'per call') {
    console.log(`  ${name.padEnd(13)} ${m.toFixed(2).padStart(8)} us for one conversion of a tiny page`);
    continue;
  }
  const rate = name === '(start)' ? '' : `${(mb / (m / 1e3)).toFixed(1).padStart(8)} MB/s`;
  console.log(`  ${name.padEnd(13)} ${m.toFixed(2).padStart(8)} ms ${rate}`);
}
const api = at.get('api');
const share = (name) => `${(100 * at.get(name) / api).toFixed(0)}%`;
console.log(`api's time: bytes (engine, options, copies) ${share('bytes')}; writing the string ` +
            `in (encodeInto) ${share('encodeInto')}, decoding the output ${share('decode')}`);
const h2t = at.get('html-to-text');
const ratio = (a, b) => `${(at.get(b) / at.get(a)).toFixed(1)} x`;
console.log(`ratios to html-to-text: api ${ratio('api', 'html-to-text')}, bytes (no string in ` +
            `or out) ${ratio('bytes', 'html-to-text')}; both wrapping at 80: ` +
            `${ratio('api wrap 80', 'h2t wrap 80')}`);
if (at.has('native')) {
  const native = at.get('native');
  console.log(`native command (files read and written): ${(h2t / native).toFixed(1)} x ` +
              `html-to-text; WebAssembly's bytes take ${(at.get('bytes') / native).toFixed(2)} x ` +
              'its time');
}
