// The pages the benchmarks of bench/js convert, and what they share: which pages, loading
// them, medians.
//
// Pages: the files named on the command line, and the *.html/*.htm files under the folders
// named there (recursively); with none, the example pages in examples/ plus the real pages of
// DEBIAN_PAGES that are installed. Pages over 20 MB are skipped, empty ones too (nothing to
// measure). Each file's bytes are decoded as UTF-8 once, when loaded.
//
// `node bench/js/pages.mjs --missing-packages` prints the Debian packages some of whose pages
// are not installed (none: prints nothing), for bench/js/run to install.

import { readFileSync, readdirSync, statSync, existsSync } from 'node:fs';
import { dirname, join, resolve, relative } from 'node:path';
import { fileURLToPath } from 'node:url';

export const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');

// Real pages: generated HTML of several makers, from Debian 12's documentation packages
// (python3.11-doc: Sphinx; bash-doc: man2html; git-doc: AsciiDoc; debian-reference-en:
// DocBook XSL), 14 pages of 60 to 390 KB, 2.35 MB in all. Chosen for variety (prose, code
// blocks, definition lists, tables, long lists of links, navigation and scripts around the
// text) and for a total that keeps a run of bench.mjs within about a minute. Packages whose
// only HTML is a manual of their own (these four) rather than a tool's (valgrind, nodejs),
// so that installing them pulls in nothing else.
export const DEBIAN_PAGES = {
  'python3.11-doc': [
    '/usr/share/doc/python3.11/html/library/functions.html',
    '/usr/share/doc/python3.11/html/library/re.html',
    '/usr/share/doc/python3.11/html/reference/expressions.html',
    '/usr/share/doc/python3.11/html/tutorial/classes.html',
    '/usr/share/doc/python3.11/html/tutorial/datastructures.html',
  ],
  'bash-doc': ['/usr/share/doc/bash/bash.html'],
  'git-doc': [
    '/usr/share/doc/git-doc/user-manual.html',
    '/usr/share/doc/git-doc/git-log.html',
    '/usr/share/doc/git-doc/git-rebase.html',
    '/usr/share/doc/git-doc/gitglossary.html',
  ],
  'debian-reference-en': [
    '/usr/share/debian-reference/ch03.en.html',
    '/usr/share/debian-reference/ch04.en.html',
    '/usr/share/debian-reference/ch05.en.html',
    '/usr/share/debian-reference/ch06.en.html',
  ],
};

const MAX_PAGE = 20e6;

const isPage = (name) => /\.html?$/i.test(name);

function pagesUnder(dir) {
  const found = [];
  for (const entry of readdirSync(dir, { withFileTypes: true })) {
    const path = join(dir, entry.name);
    if (entry.isDirectory()) found.push(...pagesUnder(path));
    else if (entry.isFile() && isPage(entry.name)) found.push(path);
  }
  return found.sort();
}

function pagePaths(args) {
  if (args.length > 0) {
    return args.flatMap((arg) => {
      const path = resolve(arg);
      return statSync(path).isDirectory() ? pagesUnder(path) : [path];
    });
  }
  const examples = join(root, 'examples');
  const paths = existsSync(examples)
    ? readdirSync(examples).filter(isPage).sort().map((name) => join(examples, name))
    : [];
  const listed = Object.values(DEBIAN_PAGES).flat();
  const present = listed.filter((path) => existsSync(path));
  if (present.length < listed.length) {
    console.log(`note: ${listed.length - present.length} of the ${listed.length} Debian ` +
                'documentation pages are not installed (bench/js/run installs them)');
  }
  return paths.concat(present);
}

// The pages of the command line's arguments (or the default ones): path, bytes (the
// file's), text (decoded as UTF-8). Lists them, with their total.
export function loadPages(args) {
  const decoder = new TextDecoder('utf-8');
  const pages = [];
  for (const path of pagePaths(args)) {
    const size = statSync(path).size;
    if (size > MAX_PAGE) {
      console.log(`skipped (over 20 MB): ${path}`);
      continue;
    }
    if (size === 0) continue;
    const bytes = readFileSync(path);
    pages.push({ path, bytes, text: decoder.decode(bytes) });
  }
  if (pages.length === 0) {
    console.error('no pages to convert');
    process.exit(2);
  }
  const total = pages.reduce((sum, page) => sum + page.bytes.length, 0);
  console.log(`${pages.length} pages, ${(total / 1e6).toFixed(2)} MB ` +
              '(decoded as UTF-8 once, outside the timing)');
  for (const page of pages) {
    const shown = page.path.startsWith(root + '/') ? relative(root, page.path) : page.path;
    console.log(`  ${(page.bytes.length / 1e3).toFixed(1).padStart(8)} KB  ${shown}`);
  }
  return { pages, mb: total / 1e6 };
}

export function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const mid = sorted.length >> 1;
  return sorted.length % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

if (process.argv[1] === fileURLToPath(import.meta.url) && process.argv[2] === '--missing-packages') {
  const missing = Object.entries(DEBIAN_PAGES)
    .filter(([, paths]) => paths.some((path) => !existsSync(path)))
    .map(([name]) => name);
  if (missing.length > 0) console.log(missing.join(' '));
}
