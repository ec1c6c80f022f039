// SPDX-License-Identifier: MIT
// Saves the page's panel (menu bar and client area) as a PNG, taken by headless Chromium;
// with --panes, the panel and the panes beside it as far as the History pane, after a few steps
// of the program (and Check, when the link is an exercise's); with --pane ID, only the pane of
// that id after those steps; with --phone, the first screen of the page on a phone 390 pixels
// wide, at twice its pixels.
// Usage: node src/web/tools/screenshot.mjs [site folder] [output.png] [link fragment] [--panes | --pane ID | --phone]
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { launchChromium } from './chromium.mjs';
import { serve } from './serve.mjs';

const paneAt = process.argv.indexOf('--pane');
const pane = paneAt > 0 ? process.argv.splice(paneAt, 2)[1] : '';
const panes = process.argv.includes('--panes') || pane !== '';
const phone = process.argv.includes('--phone');
const [siteArgument, outputArgument, fragment = ''] = process.argv.slice(2).filter((argument) => !argument.startsWith('--'));
const site = resolve(siteArgument ?? 'build-web/site');
const output = resolve(outputArgument ?? (panes ? 'docs/web-panes.png' : phone ? 'docs/web-phone.png' : 'docs/web-panel.png'));
const profile = mkdtempSync(join(tmpdir(), 'qzb-web-shot-'));
const server = await serve(site);
const browser = await launchChromium(profile);
try {
  const page = await browser.newPage();
  if (phone) await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  else await page.setViewport({ width: panes ? 1240 : 900, height: panes ? 720 : 600, deviceScaleFactor: 1 });
  await page.goto(`http://127.0.0.1:${server.address().port}/${fragment}`);
  await page.waitForSelector('html[data-ready="true"]');
  if (panes) {
    await page.click('#optClk3 input');
    for (let step = 0; step < 7; ++step) await page.click('#cmdClock');
    await page.click('input[aria-label="Breakpoint at 02"]');
    if (!(await page.$eval('#exercise-check', (button) => button.disabled))) await page.click('#exercise-check');
  }
  await page.evaluate(() => document.activeElement?.blur());
  if (pane) {
    await (await page.$(`#${pane}`)).screenshot({ path: output });
  } else if (panes) {
    await page.evaluate(() => window.scrollTo(0, 0));
    const [right, bottom] = await page.evaluate(() => [document.getElementById('panes').getBoundingClientRect().right, document.getElementById('history-pane').getBoundingClientRect().bottom]);
    await page.screenshot({ path: output, clip: { x: 0, y: 0, width: right + 8, height: bottom + 8 } });
  } else if (phone) {
    await page.screenshot({ path: output });
  } else {
    await (await page.$('#window')).screenshot({ path: output });
  }
  console.log(output);
} finally {
  await browser.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
