// SPDX-License-Identifier: MIT
// The page's budgets, measured and printed (not asserted):
//  1. the whole transfer (HTML, CSS, JS, WebAssembly, manifest, worker), gzip and brotli;
//  2. first panel shown in headless Chromium from a warm cache (median of reloads);
//  3. renderer main-thread CPU at 10 Hz on the counting program, beside a page whose
//     one element changes every 100 ms, measured side by side.
// Usage: node bench/web.mjs [site folder] [seconds for the CPU run, default 20]
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';
import { serve } from '../src/web/tools/serve.mjs';

const site = resolve(process.argv[2] ?? 'build-web/site');
const seconds = Number(process.argv[3] ?? 20);

// 1. Transfer.
let raw = 0;
let gzip = 0;
let brotli = 0;
for (const name of readdirSync(site).sort()) {
  if (name === 'icon-256.png') continue; // fetched only when installing, never for the page
  const body = readFileSync(join(site, name));
  raw += body.length;
  gzip += gzipSync(body, { level: 9 }).length;
  brotli += brotliCompressSync(body, { params: { [constants.BROTLI_PARAM_QUALITY]: 11 } }).length;
}
const kb = (bytes) => `${(bytes / 1024).toFixed(1)} KB`;
console.log(`transfer: ${kb(raw)} raw, ${kb(gzip)} gzip -9, ${kb(brotli)} brotli (goal ≤ 150 KB compressed)`);

const scratch = mkdtempSync(join(tmpdir(), 'qzb-web-bench-'));
const server = await serve(site);
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await puppeteer.launch({
  executablePath: process.env.QZB_CHROMIUM ?? '/usr/bin/chromium',
  headless: true,
  args: [
    '--no-sandbox',
    '--disable-gpu',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
    '--no-first-run',
    `--user-data-dir=${join(scratch, 'profile')}`,
  ],
});

try {
  // 2. First panel shown: the page marks it once the panel is built, refreshed and painted.
  const page = await browser.newPage();
  await page.goto(`${origin}/`);
  await page.evaluate(() => navigator.serviceWorker.ready);
  const times = [];
  for (let i = 0; i < 15; ++i) {
    await page.reload();
    await page.waitForFunction(() => performance.getEntriesByName('qzb-panel-shown').length > 0);
    times.push(await page.evaluate(() => performance.getEntriesByName('qzb-panel-shown')[0].startTime));
  }
  times.sort((a, b) => a - b);
  const median = times[Math.floor(times.length / 2)];
  console.log(
    `first panel shown, warm cache: median ${median.toFixed(0)} ms, range ${times[0].toFixed(0)}-${times.at(-1).toFixed(0)} ms over ${times.length} reloads (goal ≤ 300 ms)`,
  );
  await page.close();

  // 3. CPU: the counting program (A = A + 1, B = B + 1, OUT = B, JMP 0) at 10 Hz through a link.
  const counting = '#qzb1.015180F0' + '0'.repeat(24) + '..10hz.0';
  const panel = await browser.newPage();
  await panel.goto(`${origin}/${counting}`);
  await panel.waitForSelector('html[data-ready="true"]');
  const floor = await browser.newPage();
  await floor.goto(`${origin}/`); // same origin, then replaced by the floor page
  await floor.setContent(
    '<!doctype html><body style="font:10px sans-serif"><span id="n">0</span>' +
      '<script>let n = 0; setInterval(() => { document.getElementById("n").textContent = String(++n); }, 100);</script>',
  );
  const busy = async (target) => {
    const session = await target.createCDPSession();
    await session.send('Performance.enable');
    return {
      async read() {
        const { metrics } = await session.send('Performance.getMetrics');
        const value = (name) => metrics.find((metric) => metric.name === name)?.value ?? 0;
        return value('TaskDuration');
      },
    };
  };
  const panelMeter = await busy(panel);
  const floorMeter = await busy(floor);
  await new Promise((done) => setTimeout(done, 1000));
  const [panel0, floor0] = [await panelMeter.read(), await floorMeter.read()];
  await new Promise((done) => setTimeout(done, seconds * 1000));
  const [panel1, floor1] = [await panelMeter.read(), await floorMeter.read()];
  const share = (busyTime) => ((busyTime / seconds) * 100).toFixed(3);
  const panelBusy = panel1 - panel0;
  const floorBusy = floor1 - floor0;
  console.log(
    `renderer main thread over ${seconds} s: panel at 10 Hz ${share(panelBusy)} % of a core, ` +
      `floor (one element every 100 ms) ${share(floorBusy)} %, ratio ${(panelBusy / floorBusy).toFixed(2)} (goal ≤ 1.5)`,
  );
} finally {
  await browser.close();
  server.close();
  rmSync(scratch, { recursive: true, force: true });
}
