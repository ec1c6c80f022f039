// SPDX-License-Identifier: MIT
// Saves the page's panel (menu bar and client area) as a PNG, taken by headless Chromium.
// Usage: node src/web/tools/screenshot.mjs [site folder] [output.png] [link fragment]
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launchChromium } from './chromium.mjs';
import { serve } from './serve.mjs';

const site = resolve(process.argv[2] ?? 'build-web/site');
const output = resolve(process.argv[3] ?? 'docs/web-panel.png');
const fragment = process.argv[4] ?? '';
const profile = mkdtempSync(join(tmpdir(), 'qzb-web-shot-'));
const server = await serve(site);
const browser = await launchChromium(profile);
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 900, height: 600, deviceScaleFactor: 1 });
  await page.goto(`http://127.0.0.1:${server.address().port}/${fragment}`);
  await page.waitForSelector('html[data-ready="true"]');
  await page.evaluate(() => document.activeElement?.blur());
  const window = await page.$('#window');
  await window.screenshot({ path: output });
  console.log(output);
} finally {
  await browser.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
