// SPDX-License-Identifier: MIT
// qzb.html opened from the disk, in Chromium and in Firefox: the counting program goes
// in through the Assembly box and out as a link, the link opens it running at 10 Hz,
// SaveAs writes the example's very bytes, and nothing is fetched from anywhere. Then the
// installed page's file handlers: the manifest offers .qzb and .qzt, and a file the
// browser hands to the page loads as Load would.
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { parseArgs } from 'node:util';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';
import { launchChromium } from '../../src/web/tools/chromium.mjs';
import { serve } from '../../src/web/tools/serve.mjs';
import { check, counts, openPage as openPageAt, untilEnded } from './harness.mjs';

const { values: options } = parseArgs({
  options: { site: { type: 'string' }, examples: { type: 'string' }, chromium: { type: 'string', default: '/usr/bin/chromium' }, firefox: { type: 'string', default: '/usr/bin/firefox-esr' } },
});
const single = join(options.site ?? '', 'qzb.html');
if (!existsSync(single) || !existsSync(options.chromium)) {
  console.log(`The page in one file or Chromium is missing (run ./web build): ${single}`);
  process.exit(77);
}
const singleUrl = pathToFileURL(single).href;
const countSource = readFileSync(join(options.examples, 'count.s'), 'utf8');
const countFile = readFileSync(join(options.examples, 'count.qzb'));
const scratch = mkdtempSync(join(tmpdir(), 'qzb-single-test-'));

const html = readFileSync(single);
const gzipped = gzipSync(html, { level: 9 }).length;
check(gzipped <= 120 * 1024, `qzb.html is ${gzipped} bytes gzip -9, at most 120 KB`);
const reference = html.toString('utf8').match(/\s(?:src|href)="(?!data:)[^"]*"/);
check(!reference, `qzb.html refers to no other file ${reference ?? ''}`);

// Everything a page asks for and complains about, from its start.
function watch(page, seen) {
  page.on('request', (request) => seen.requests.push(request.url()));
  page.on('console', (message) => message.type() === 'error' && seen.errors.push(message.text()));
  page.on('pageerror', (error) => seen.errors.push(String(error)));
}

// A fresh page of `browser` at `url`, started, or why not.
const open = (browser, url, seen) =>
  openPageAt(browser, url, undefined, (page) => watch(page, seen)).catch((error) => {
    throw new Error(`${url} did not start: ${seen.errors.join(' ')}`, { cause: error });
  });

// SaveAs under `name` into `folder`, where `allowDownloads` has the browser download; the bytes saved.
async function saveAs(page, folder, name, allowDownloads) {
  await allowDownloads(page, folder);
  await page.click('#menu-file');
  await page.click('#menu-saveas');
  await page.waitForSelector('dialog[open] input');
  await page.$eval('dialog[open] input', (input, value) => (input.value = value), name);
  await page.click('dialog[open] button[type="submit"]');
  // Until the download is whole: Firefox writes NAME.part first, Chromium NAME.crdownload.
  const path = join(folder, name);
  for (const deadline = Date.now() + 20_000; !(existsSync(path) && readdirSync(folder).length === 1); ) {
    if (Date.now() > deadline) throw new Error(`${name} was not downloaded`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  return readFileSync(path);
}

async function fromDisk(browser, name, allowDownloads) {
  const seen = { requests: [], errors: [] };
  const page = await open(browser, singleUrl, seen);
  check(await page.$$eval('[id^="chkRom-"] input', (boxes) => boxes.length === 128), `${name}: the panel is there`);
  await untilEnded(page, 'assemblies', () =>
    page.evaluate((source) => {
      document.getElementById('asm-source').value = source;
      document.getElementById('asm-assemble').click();
    }, countSource),
  );
  await page.click('#copy-link');
  await page.waitForFunction(() => location.hash.startsWith('#qzb1.'));
  const link = await page.evaluate(() => location.href);
  await page.close();

  const linked = await open(browser, link, seen);
  check(await linked.$eval('#optClk2 input', (box) => box.checked), `${name}: the link opens the panel at 10 Hz`);
  // The output lamps, until they have shown three values; a value missed is no matter.
  await linked.waitForFunction(
    () => {
      const shown = (window.qzbOutputsSeen ??= new Set());
      shown.add(document.getElementById('lblOUTP').textContent);
      return shown.size >= 3;
    },
    { polling: 50, timeout: 10_000 },
  );
  const saved = await saveAs(linked, downloadFolder(name), 'count.qzb', allowDownloads);
  check(Buffer.compare(saved, countFile) === 0, `${name}: SaveAs writes examples/count.qzb byte for byte`);
  await linked.close();

  checkOnlyItself(seen, singleUrl, name);
  check(seen.errors.length === 0, `${name}: no error in the console ${seen.errors.join(' ')}`);
}

const downloadFolder = (name) => join(scratch, `downloads-${name}`);

function checkOnlyItself(seen, url, name) {
  const away = seen.requests.filter((request) => !/^(data|blob):/.test(request) && request.split('#')[0] !== url);
  // Some request seen shows the listening works; Firefox reports none for a file:// page itself.
  check(seen.requests.length > 0 && away.length === 0, `${name}: nothing fetched but the file itself ${away.join(' ')}`);
}

// A host may serve qzb.html beside the site: it still fetches nothing and installs no worker.
async function served(browser, origin) {
  const seen = { requests: [], errors: [] };
  const page = await open(browser, `${origin}/qzb.html`, seen);
  checkOnlyItself(seen, `${origin}/qzb.html`, 'served');
  check((await page.evaluate(() => navigator.serviceWorker.getRegistrations())).length === 0, 'served: no worker installed');
  await page.close();
}

async function launchQueue(browser, origin) {
  const page = await browser.newPage();
  const session = await page.createCDPSession();
  // As the installed page would be given it: the browser calls the page's consumer.
  await page.evaluateOnNewDocument(() => {
    Object.defineProperty(window, 'launchQueue', { value: { setConsumer: (consumer) => (window.qzbLaunch = consumer) } });
    delete window.showSaveFilePicker;
  });
  await page.goto(`${origin}/`);
  await page.waitForSelector('html[data-ready="true"]');
  const { errors } = await session.send('Page.getAppManifest', {});
  check(errors.length === 0, `Chromium reads the manifest without a complaint ${JSON.stringify(errors)}`);
  const handlers = JSON.parse(readFileSync(join(options.site, 'manifest.webmanifest'), 'utf8')).file_handlers ?? [];
  const accepted = handlers.filter((handler) => handler.action === './').flatMap((handler) => Object.values(handler.accept).flat());
  check(accepted.includes('.qzb') && accepted.includes('.qzt'), `the manifest's file handlers open .qzb and .qzt in the page: ${accepted}`);
  await untilEnded(page, 'loads', () =>
    page.evaluate(async (bytes, task) => {
      const handle = (name, content) => ({ kind: 'file', name, getFile: async () => new File([new Uint8Array(content)], name) });
      void window.qzbLaunch({ files: [handle('count.qzt', [...new TextEncoder().encode(task)]), handle('count.qzb', bytes)] });
    }, [...countFile], readFileSync(join(options.examples, 'count.qzt'), 'utf8')),
  );
  const task = 'Tests of count.qzb for qzb-cli test.';
  const shown = () => document.getElementById('exercise-task').textContent;
  await page.waitForFunction((task) => document.getElementById('exercise-task').textContent === task, {}, task).catch(() => undefined);
  check((await page.evaluate(shown)) === task, 'a .qzt opened with the installed page shows its task in the Exercise pane');
  const saved = await saveAs(page, downloadFolder('launched'), 'count.qzb', chromiumDownloads);
  check(Buffer.compare(saved, countFile) === 0, 'a .qzb opened with the installed page loads as Load does');
  await page.close();
}

const chromiumDownloads = async (page, folder) => (await page.createCDPSession()).send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });

const server = await serve(options.site);
const chromium = await launchChromium(join(scratch, 'chromium'), { executable: options.chromium });
try {
  await fromDisk(chromium, 'Chromium', chromiumDownloads);
  // qzb.html first: the site's page installs its worker for the whole origin.
  const origin = `http://127.0.0.1:${server.address().port}`;
  await served(chromium, origin);
  await launchQueue(chromium, origin);
} finally {
  await chromium.close();
  server.close();
}

if (existsSync(options.firefox)) {
  const firefox = await puppeteer.launch({
    browser: 'firefox',
    executablePath: options.firefox,
    headless: true,
    userDataDir: join(scratch, 'firefox'),
    extraPrefsFirefox: {
      'browser.download.dir': downloadFolder('Firefox'),
      'browser.download.folderList': 2,
      'browser.download.useDownloadDir': true,
      'browser.download.always_ask_before_handling_new_types': false,
      'browser.download.alwaysOpenPanel': false,
    },
  });
  try {
    await fromDisk(firefox, 'Firefox', async () => undefined);
  } finally {
    await firefox.close();
  }
} else {
  console.log(`Firefox part skipped: ${options.firefox} is not installed`);
}
rmSync(scratch, { recursive: true, force: true });
console.log(`${counts.passed} passed, ${counts.failed} failed`);
process.exit(counts.failed === 0 ? 0 : 1);
