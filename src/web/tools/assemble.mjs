// SPDX-License-Identifier: MIT
// Gathers the page's static files into one folder that any web server can host,
// fills in their texts from the catalogue, bundles its scripts, writes the page in one
// file beside them, and gives the service worker the list of them under a name that
// changes with their content, so a new build replaces the cached copy.
import { createHash } from 'node:crypto';
import { mkdir, readFile, readdir, rm, writeFile } from 'node:fs/promises';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { build } from 'esbuild';
import { writeSingleFile } from './single.mjs';

const repo = resolve(dirname(fileURLToPath(import.meta.url)), '../../..');
const web = join(repo, 'src/web');

// Writes the site's sw.js: every other file in the folder, and a hash of their names and content.
// Not qzb.html: it is a file to hand out, not a part of the page, and would double a first visit.
export async function writeWorker(site) {
  const names = (await readdir(site)).filter((name) => name !== 'sw.js' && name !== 'qzb.html').sort();
  const hash = createHash('sha256');
  for (const name of names) hash.update(name).update(await readFile(join(site, name)));
  const worker = (await readFile(join(web, 'sw.js'), 'utf8'))
    .replace('__BUILD__', hash.digest('hex').slice(0, 16))
    .replace('__FILES__', JSON.stringify(['./', ...names]));
  await writeFile(join(site, 'sw.js'), worker);
}

// Replaces each {{texts.page.ended}} and the like with that text of the page's JSON,
// escaped by `escape`; a name the JSON does not have is an error.
function fillTexts(template, json, escape) {
  return template.replace(/\{\{([\w.]+)\}\}/g, (_, path) => {
    const text = path.split('.').reduce((at, key) => at?.[key], json);
    if (typeof text !== 'string') throw new Error(`no text ${path} in the page's JSON`);
    return escape(text);
  });
}

// Each data-text and data-label key of the page (see language.ts) names a text in either language.
function checkTextKeys(html, json) {
  for (const [, key] of html.matchAll(/\sdata-(?:text|label)="([^"]*)"/g)) {
    const [table, name] = key.split('.');
    for (const words of [json.texts, json.texts.japanese]) {
      if (typeof words[table]?.[name] !== 'string') throw new Error(`no text ${key} in the page's JSON`);
    }
  }
  return html;
}

// The examples' JSON inside a script element: no "<" can end the element or start a comment.
const inScript = (json) => json.trim().replace(/</g, '\\u003c');

const escapeHtml = (text) => text.replace(/[&<>"]/g, (c) => `&#${c.charCodeAt(0)};`);
const escapeJson = (text) => JSON.stringify(text).slice(1, -1);

async function assemble(out) {
  const json = JSON.parse(await readFile(join(repo, 'build-web/src/web/page.json'), 'utf8'));
  const examples = inScript(await readFile(join(repo, 'build-web/src/web/examples.json'), 'utf8'));
  const scripts = join(repo, 'build-web/ts');
  const files = new Map([
    ['index.html', join(web, 'index.html')],
    ['style.css', join(web, 'style.css')],
    ['manifest.webmanifest', join(web, 'manifest.webmanifest')],
    ['qzb_core.mjs', join(repo, 'build-web/src/web/qzb_core.mjs')],
    ['qzb_core.wasm', join(repo, 'build-web/src/web/qzb_core.wasm')],
    ['icon.svg', join(repo, 'packaging/icons/org.qzb.QZB.svg')],
    ['icon-256.png', join(repo, 'packaging/icons/hicolor/256x256/apps/org.qzb.QZB.png')],
  ]);
  await rm(out, { recursive: true, force: true });
  await mkdir(out, { recursive: true });
  // The page's modules in one script, and the grading worker's in another: a file each would come
  // through the service worker one request at a time, which costs a warm start more than the rest.
  // The core's module stays a file of its own, which site.js imports.
  for (const entry of ['main.js', 'grading_worker.js']) {
    await build({ entryPoints: [join(scripts, entry)], outfile: join(out, entry), bundle: true, format: 'esm', target: 'es2022', minify: true, logLevel: 'silent' });
  }
  const preloads = ['main.js', 'qzb_core.mjs'].map((name) => `<link rel="modulepreload" href="${name}">`).join('\n');
  for (const [name, source] of files) {
    let body = await readFile(source);
    if (name === 'index.html') {
      body = checkTextKeys(fillTexts(body.toString('utf8'), json, escapeHtml), json)
        .replace('<!-- MODULES -->', preloads)
        .replace('<!-- EXAMPLES -->', () => examples);
    }
    if (name === 'manifest.webmanifest') body = fillTexts(body.toString('utf8'), json, escapeJson);
    await writeFile(join(out, name), body);
  }
  await writeSingleFile(out, scripts);
  await writeWorker(out);
}

if (process.argv[1] && import.meta.url === pathToFileURL(process.argv[1]).href) {
  await assemble(resolve(process.argv[2] ?? join(repo, 'build-web/site')));
}
