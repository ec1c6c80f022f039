// SPDX-License-Identifier: MIT
// Writes qzb.html: the assembled site's page in one file that works opened from the
// disk. Every script of the page, bundled into one module, the grading worker's script,
// bundled too, the styles, the icon and the WebAssembly go inside; what only a served
// copy uses (the manifest, the service worker, preloads) stays out. A reference the
// page would fetch and this cannot place stops the build rather than leave a request
// in the file.
import { readFile, writeFile } from 'node:fs/promises';
import { extname, join } from 'node:path';
import { gzipSync } from 'node:zlib';
import { build } from 'esbuild';

const mediaTypes = { '.svg': 'image/svg+xml', '.png': 'image/png' };

// A tag's attributes by name; a name without a value maps to ''.
function attributes(tag) {
  const found = new Map();
  for (const [, name, quoted, bare] of tag.matchAll(/\s([\w-]+)(?:="([^"]*)"|=([^\s>"]+))?/g)) found.set(name, quoted ?? bare ?? '');
  return found;
}

// The site's site.js, as a bundle here needs it: `contents` in its place.
function embeddedSite(site, contents) {
  return {
    name: 'qzb-embedded-site',
    setup(bundler) {
      bundler.onResolve({ filter: /^\.\/site\.js$/ }, () => ({ path: 'site.js', namespace: 'qzb-embedded' }));
      bundler.onLoad({ filter: /.*/, namespace: 'qzb-embedded' }, () => ({ resolveDir: site, loader: 'js', contents }));
    },
  };
}

// The page's site.js: the core with its WebAssembly from inside, and the grading worker started
// from its script inside through a blob: URL and handed the WebAssembly. A classic worker: Chromium
// does not load a module worker from a blob: URL of a page opened from the disk. The WebAssembly
// goes in gzipped, which the browser unpacks: as base64, gzip finds little to squeeze in it, and
// the file would be a fifth larger for it.
const pageSite = (wasm, workerScript) => `import loadCore from './qzb_core.mjs';
export const servedWithSite = false;
const packed = '${gzipSync(wasm, { level: 9 }).toString('base64')}';
let wasmBinary;
async function unpacked() {
  const stream = new Blob([Uint8Array.from(atob(packed), (c) => c.charCodeAt(0))]).stream();
  return (wasmBinary ??= new Uint8Array(await new Response(stream.pipeThrough(new DecompressionStream('gzip'))).arrayBuffer()));
}
export const instantiateCore = async () => loadCore({ wasmBinary: await unpacked() });
const workerScript = ${JSON.stringify(workerScript)};
let workerUrl;
// Called once the page's core has started, so the WebAssembly is unpacked already.
export function startGradingWorker() {
  workerUrl ??= URL.createObjectURL(new Blob([workerScript], { type: 'text/javascript' }));
  const worker = new Worker(workerUrl);
  const bytes = wasmBinary.slice();
  worker.postMessage({ wasmBinary: bytes }, [bytes.buffer]);
  return worker;
}
`;

// The worker's site.js: the core from the WebAssembly the page hands over; a blob: URL is no
// place to find a file from.
const workerSite = `import loadCore from './qzb_core.mjs';
export const instantiateCore = (options) => loadCore({ ...options, locateFile: (name) => name });
`;

// The modules `entries` of the folder `scripts`, with `siteModule` for their site.js.
async function bundle(site, scripts, entries, siteModule, format = 'esm') {
  const result = await build({
    stdin: { contents: entries.map((entry) => `import ${JSON.stringify(`./${entry}`)};`).join('\n'), resolveDir: scripts, sourcefile: 'qzb.html' },
    bundle: true,
    format,
    target: 'es2022',
    minify: true,
    write: false,
    logLevel: 'silent',
    plugins: [embeddedSite(site, siteModule)],
  });
  const code = result.outputFiles[0].text;
  // Either would end the script element early or change how the HTML parser reads it.
  if (/<\/script|<!--/i.test(code)) throw new Error('the bundled script holds "</script" or "<!--"');
  return code;
}

const scriptPlace = '@QZB_SCRIPT@';

// What takes a link or script tag's place in qzb.html; the module scripts go to `entries`.
async function inlined(site, tag, entries) {
  const found = attributes(tag);
  const rel = found.get('rel');
  const href = found.get('href') ?? found.get('src') ?? '';
  if (tag.startsWith('<script')) {
    if (found.get('type') !== 'module') throw new Error(`qzb.html: a classic script ${href}`);
    entries.push(href);
    return entries.length === 1 ? `<script type="module">${scriptPlace}</script>` : '';
  }
  if (['manifest', 'modulepreload', 'preload'].includes(rel)) return '';
  if (rel === 'stylesheet') {
    const css = await readFile(join(site, href), 'utf8');
    if (/url\(\s*['"]?(?!data:)/.test(css)) throw new Error(`qzb.html: ${href} refers to another file`);
    return `<style>\n${css}</style>`;
  }
  const type = mediaTypes[extname(href)];
  if (rel !== 'icon' || !type) throw new Error(`qzb.html: cannot place ${tag}`);
  return `<link rel="icon" href="data:${type};base64,${(await readFile(join(site, href))).toString('base64')}" type="${type}">`;
}

// `scripts` holds the page's modules as tsc wrote them, which the site has bundled already.
export async function writeSingleFile(site, scripts) {
  // Without what only the site needs: the notice that its index.html does not start from the disk.
  const html = (await readFile(join(site, 'index.html'), 'utf8'))
    .replace(/<!--(?! SPDX)[\s\S]*?-->\n?/g, '')
    .replace(/<div [^>]*\bdata-site-only\b[\s\S]*?<\/div>\n?/g, '');
  if (html.includes('data-site-only')) throw new Error('qzb.html: a site-only part of the page is not a <div> of its own');
  const tags = /<link\s[^>]*>\n?|<script\s[^>]*>\s*<\/script>\n?/g;
  const entries = [];
  const replacements = [];
  for (const [tag] of html.matchAll(tags)) {
    const replacement = await inlined(site, tag.trimEnd(), entries);
    replacements.push(replacement && `${replacement}${tag.endsWith('\n') ? '\n' : ''}`);
  }
  const page = html.replace(tags, () => replacements.shift());
  const left = page.match(/\s(?:src|href)="(?!data:|#)[^"]*"/);
  if (left) throw new Error(`qzb.html: cannot place${left[0]}`);
  const worker = await bundle(site, scripts, ['grading_worker.js'], workerSite, 'iife');
  const script = await bundle(site, scripts, entries, pageSite(await readFile(join(site, 'qzb_core.wasm')), worker));
  await writeFile(join(site, 'qzb.html'), page.replace(scriptPlace, () => script));
}
