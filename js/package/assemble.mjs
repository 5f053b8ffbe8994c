// Puts the npm package together in a folder: vellumine.wasm, the three entry points (Node's
// ES module and CommonJS, and the browsers' ES module, each src/core.js with its own way of
// finding the module's bytes), the types, the README and package.json at the version given.
//
//   node js/package/assemble.mjs <vellumine.wasm> <version> <folder>
import { copyFileSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const [wasm, version, folder] = process.argv.slice(2);
if (!folder) throw new Error('usage: assemble.mjs <vellumine.wasm> <version> <folder>');
const here = dirname(fileURLToPath(import.meta.url));
const core = readFileSync(join(here, 'src', 'core.js'), 'utf8');
const names = 'init, initSync, convert, createConverter, convertStream, options, version, VellumineError';

const nodeLoader = (wasmPath) => `
function wasmBytes() {
  return readFileSync(${wasmPath});
}
// Node reads the module beside this file on first use: no init() is needed.
function autoInit() {
  instantiateSync(wasmBytes());
}
/** Makes the module ready (in Node it is made ready on first use anyway). */
async function init(source) {
  await instantiateAsync(source === undefined ? wasmBytes() : source);
}
/** The same at once, from the module's bytes or a compiled WebAssembly.Module. */
function initSync(source) {
  instantiateSync(source === undefined ? wasmBytes() : source);
}
`;

const browserLoader = `
function autoInit() {}
/**
 * Makes the module ready: fetched beside this file, or from source (a URL, a Response, the
 * module's bytes or a compiled WebAssembly.Module). Conversions are synchronous after it.
 */
async function init(source) {
  if (wasm) return;
  if (source === undefined) source = new URL('./vellumine.wasm', import.meta.url);
  if (typeof source === 'string' || source instanceof URL) source = await fetch(source);
  if (typeof Response !== 'undefined' && source instanceof Response) {
    if (!source.ok) throw new VellumineError('NOT_READY', \`vellumine.wasm: \${source.status} \${source.statusText}\`);
    source = await source.arrayBuffer();
  }
  await instantiateAsync(source);
}
/** The same at once, from the module's bytes or a compiled WebAssembly.Module. */
function initSync(source) {
  instantiateSync(source);
}
`;

const banner = `// vellumine ${version}: HTML pages into plain text or RTF, on WebAssembly.\n`;
mkdirSync(folder, { recursive: true });
writeFileSync(join(folder, 'vellumine.mjs'),
  banner + "import { readFileSync } from 'node:fs';\n" + core +
  nodeLoader("new URL('./vellumine.wasm', import.meta.url)") + `export { ${names} };\n`);
writeFileSync(join(folder, 'vellumine.cjs'),
  banner + "'use strict';\nconst { readFileSync } = require('node:fs');\nconst { join } = require('node:path');\n" +
  core + nodeLoader("join(__dirname, 'vellumine.wasm')") + `module.exports = { ${names} };\n`);
writeFileSync(join(folder, 'browser.mjs'), banner + core + browserLoader + `export { ${names} };\n`);
copyFileSync(wasm, join(folder, 'vellumine.wasm'));
copyFileSync(join(here, 'index.d.ts'), join(folder, 'index.d.ts'));
copyFileSync(join(here, 'README.md'), join(folder, 'README.md'));
const manifest = JSON.parse(readFileSync(join(here, 'package.json'), 'utf8'));
manifest.version = version;
writeFileSync(join(folder, 'package.json'), JSON.stringify(manifest, null, 2) + '\n');
