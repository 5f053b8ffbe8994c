// What the package's tests share: the repository's pages, the native command's output for
// them, and the options of both for each way of converting.
import { spawnSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';

export const root = process.env.VELLUMINE_ROOT;
if (!root) throw new Error('VELLUMINE_ROOT names the repository (tests/js/package/run sets it)');
const command = join(process.env.VELLUMINE_NATIVE_DIR || join(root, 'build'), 'cli', 'vellumine');

function pagesIn(folder, extensions) {
  return readdirSync(folder)
    .filter((name) => extensions.some((e) => name.endsWith(e)))
    .sort()
    .map((name) => ({ name, bytes: new Uint8Array(readFileSync(join(folder, name))) }));
}

// The example pages and the default reading's cases: every tag and character set the engine
// knows, the pictures held in data: addresses among them.
export const pages = [
  ...pagesIn(join(root, 'examples'), ['.html', '.htm', '.asp']),
  ...pagesIn(join(root, 'tests', 'engine', 'data', 'reading'), ['.html']),
];

// The ways of converting, as the package's options and the command's arguments, in each
// reading.
const formats = [
  ['text', { format: 'text' }, ['-f', 'txt', '--text-encoding', 'utf-8']],
  ['rtf', { format: 'rtf', tables: false }, ['-f', 'rtf']],
  ['rtf with tables', { format: 'rtf' }, ['-f', 'rtf', '-t']],
];
export const ways = ['default', 'classic'].flatMap((reading) => formats.map(([name, options, args]) => ({
  name: `${name}, ${reading}`,
  options: { ...options, reading },
  args: reading === 'classic' ? [...args, '--classic'] : args,
})));

// The native command's output for bytes given on its standard input (which, like the
// package, takes pictures from data: addresses alone).
export function native(bytes, args) {
  const run = spawnSync(command, ['--stdout', ...args, '-'], { input: bytes, maxBuffer: 1 << 30 });
  if (run.status !== 0) throw new Error(`vellumine ${args.join(' ')}: ${run.stderr}`);
  return new Uint8Array(run.stdout);
}

// Numbers from 0 to 1 in a fixed order from the given start, so that every run cuts and
// draws the same.
export function fixedNumbers(start) {
  let state = start >>> 0;
  return () => {
    state = (state * 1664525 + 1013904223) >>> 0;
    return state / 2 ** 32;
  };
}
