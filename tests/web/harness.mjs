// SPDX-License-Identifier: MIT
// What every browser suite does alike: its options, its checks and their count, a fresh
// page started, the wait for a command's end, and the run of its tests in turn.
import { existsSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { parseArgs } from 'node:util';

// --site and --chromium, and the suite's own string options; exits 77 when the page is not built.
export function suiteOptions(...names) {
  const options = { site: { type: 'string' }, chromium: { type: 'string', default: '/usr/bin/chromium' } };
  for (const name of names) options[name] = { type: 'string' };
  const { values } = parseArgs({ options });
  if (!values.site || !existsSync(join(values.site, 'index.html'))) {
    console.log(`The page is not built (run ./web build): ${values.site}`);
    process.exit(77);
  }
  return values;
}

export const counts = { passed: 0, failed: 0 };

export function check(truth, what) {
  truth ? ++counts.passed : ++counts.failed;
  if (!truth) console.log(`FAIL: ${what}`);
}

export function checkEqual(actual, expected, what) {
  const [shown, wanted] = [JSON.stringify(actual), JSON.stringify(expected)];
  check(shown === wanted, shown === wanted ? what : `${what}\n  expected ${wanted}\n  actual   ${shown}`);
}

// Seeded numbers, so that a failure repeats: each call of the result gives the next, 0-8388607.
export const seeded = (state) => () => (state = (state * 1103515245 + 12345) % 2 ** 31) >> 8;

export const scratchFolder = (name) => mkdtempSync(join(tmpdir(), `qzb-${name}-`));

// A fresh page at `url` without the native file pickers, so that Load goes through the file
// input and SaveAs through a download, once the panel is ready; `prepare` sees the page before it starts.
export async function openPage(browser, url, viewport = { width: 900, height: 600 }, prepare = () => undefined) {
  const page = await browser.newPage();
  prepare(page);
  await page.evaluateOnNewDocument(() => {
    delete window.showOpenFilePicker;
    delete window.showSaveFilePicker;
  });
  await page.setViewport(viewport);
  await page.goto(url);
  await page.waitForSelector('html[data-ready="true"]');
  return page;
}

// Runs `action`, then waits until the page counts one more `command` (loads, saves,
// assemblies, exercises, checks, gradings) as ended, whatever its result; `action`'s result.
export async function untilEnded(page, command, action) {
  const key = `${command}Ended`;
  const before = await page.evaluate((key) => Number(document.documentElement.dataset[key] ?? 0), key);
  const result = await action();
  await page.waitForFunction((key, before) => Number(document.documentElement.dataset[key] ?? 0) > before, {}, key, before);
  return result;
}

// Each test in turn (only `only` when given), each error a failure; then `close` and the
// count, and the exit status.
export async function runTests(tests, close, only = undefined) {
  try {
    for (const [name, test] of Object.entries(tests)) {
      if (only && only !== name) continue;
      const started = Date.now();
      await test().catch((error) => check(false, `${name}: ${error.stack ?? error}`));
      console.log(`${name}: ${Date.now() - started} ms`);
    }
  } finally {
    await close();
  }
  console.log(`${counts.passed} passed, ${counts.failed} failed`);
  process.exit(counts.failed === 0 ? 0 : 1);
}

export const removeFolder = (folder) => rmSync(folder, { recursive: true, force: true });
