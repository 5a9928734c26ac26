// SPDX-License-Identifier: MIT
// Makes extinguisher-design.html: the page's TypeScript bundled by esbuild, the engine
// (its JavaScript, and its WebAssembly gzipped and inflated by the browser's own
// DecompressionStream), the styles and the icon in one file that works opened from disk.
// The Content-Security-Policy allows the page's own script by its hash and nothing from
// anywhere else.
import { createHash } from 'node:crypto';
import { execFileSync } from 'node:child_process';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const args = Object.fromEntries(
  process.argv.slice(2).reduce((pairs, arg, i, all) => {
    if (arg.startsWith('--')) pairs.push([arg.slice(2), all[i + 1]]);
    return pairs;
  }, []),
);
for (const name of ['engine', 'out', 'version']) {
  if (!args[name]) throw new Error(`build-page.mjs: --${name} is missing`);
}

if (!existsSync(join(here, 'node_modules', 'esbuild'))) {
  // A fresh clone: the exact versions of the lockfile, with no install scripts.
  execFileSync(process.env.EXTCALC_NPM || 'npm', ['ci'], { cwd: here, stdio: 'inherit' });
}
const { build } = await import('esbuild');

const bundle = await build({
  entryPoints: [join(here, 'src', 'main.ts')],
  bundle: true,
  format: 'iife',
  target: 'es2020',
  minify: true,
  write: false,
  define: {
    EXTCALC_PAGE_VERSION: JSON.stringify(args.version),
    // The page opens on the sample building, the same file the desktop program ships.
    EXTCALC_SAMPLE: JSON.stringify({
      name: 'building.exdesign',
      text: readFileSync(join(here, '..', 'examples', 'building.exdesign'), 'utf8'),
    }),
  },
  logLevel: 'warning',
});
const engine = readFileSync(args.engine, 'utf8');
// The WebAssembly inside the page as base64: gzipped, a little over a third of its size, and
// inflated at start by the browser (fetch of a data: address, DecompressionStream), or plain.
const wasm = readFileSync(args.engine.replace(/\.js$/, '.wasm'));
const gzip = (args.wasm ?? 'gzip') === 'gzip';
const packed = (gzip ? gzipSync(wasm, { level: 9 }) : wasm).toString('base64');
const carried = `(() => {
  const start = createEngine;
  createEngine = (options = {}) => fetch('data:application/octet-stream;base64,${packed}')
    .then((r) => ${gzip ? "new Response(r.body.pipeThrough(new DecompressionStream('gzip')))" : 'r'}.arrayBuffer())
    .then((wasmBinary) => start({ ...options, wasmBinary }));
})();`;
const script = `${engine}\n${carried}\n${bundle.outputFiles[0].text}`.replaceAll('</script', '<\\/script');
const style = ['page.css', 'plan.css'].map((name) => readFileSync(join(here, 'src', name), 'utf8')).join('\n');
const icon = readFileSync(join(here, 'src', 'icon.svg'));
// Before the program, in ES5: says why when the program cannot start at all.
const guard = readFileSync(join(here, 'src', 'guard.js'), 'utf8').replace(/^\/\/.*\n/gm, '');
const hash = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;

const policy = [
  "default-src 'none'",
  `script-src ${hash(guard)} ${hash(script)} 'wasm-unsafe-eval'`,
  // The report opens in a tab of its own and inherits this policy: its styles are inline.
  "style-src 'unsafe-inline'",
  'img-src data:',
  // The engine reads its WebAssembly from a data: address inside the file; nothing else.
  'connect-src data:',
  "form-action 'none'",
  "base-uri 'none'",
].join('; ');

const template = readFileSync(join(here, 'src', 'page.html'), 'utf8');
const page = template
  .replace('%POLICY%', () => policy)
  .replace('%ICON%', () => `data:image/svg+xml;base64,${icon.toString('base64')}`)
  .replace('%STYLE%', () => style)
  .replace('%GUARD%', () => guard)
  .replace('%SCRIPT%', () => script);
writeFileSync(args.out, page);
console.log(`${args.out}: ${Buffer.byteLength(page)} bytes`);
