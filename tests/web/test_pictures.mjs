// SPDX-License-Identifier: MIT
// The Datapath and Timing panes in headless Chromium: the path each of the 16 operations takes
// against the reference table, a jump taken and not taken, Download SVG against `qzb-cli run
// --format svg`, and folded panes that draw nothing.
import { execFileSync } from 'node:child_process';
import { readFileSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { launchChromium } from '../../src/web/tools/chromium.mjs';
import { serve } from '../../src/web/tools/serve.mjs';
import { check, checkEqual, openPage as openPageAt, removeFolder, runTests, scratchFolder, seeded, suiteOptions, untilEnded } from './harness.mjs';
import { instructionTable, referenceStep } from './reference_model.mjs';

const options = suiteOptions('cli');
const scratch = scratchFolder('pictures-test');
const server = await serve(options.site);
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await launchChromium(join(scratch, 'profile'), { executable: options.chromium });
const cli = (...args) => execFileSync(options.cli, args, { encoding: 'utf8', maxBuffer: 1 << 24 });
const openPage = () => openPageAt(browser, `${origin}/`, { width: 1400, height: 900 });
const bits = (value) => value.toString(2).padStart(4, '0');

// The panel of `words` (Manual), through its link, which resets the machine and turns the input off.
const link = (words) => `#qzb1.${words.map((word) => word.toString(16).padStart(2, '0')).join('').padEnd(32, '0').toUpperCase()}..manual.0`;
const setProgram = (page, words) =>
  page.evaluate(
    (fragment) =>
      new Promise((done) => {
        addEventListener('hashchange', () => done(), { once: true });
        location.hash = fragment;
      }),
    link(words),
  );
const setInput = (page, input) =>
  page.evaluate((input) => {
    for (let bit = 0; bit < 4; ++bit) if ((input >> bit) & 1) document.querySelector(`#chkInp-${bit} input`).click();
  }, input);
const clocks = (page, count) =>
  page.evaluate((count) => {
    for (let i = 0; i < count; ++i) document.getElementById('cmdClock').click();
  }, count);

// What the picture shows: each part's value and whether it is on the path, each used wire's value.
const picture = (page) =>
  page.evaluate(() => {
    const svg = document.getElementById('datapath');
    const parts = Object.fromEntries([...svg.querySelectorAll('[data-part]')].map((part) => [part.dataset.part, [part.dataset.value, part.dataset.active === 'true']]));
    const wires = Object.fromEntries([...svg.querySelectorAll('[data-wire][data-active="true"]')].map((wire) => [wire.dataset.wire, wire.dataset.value]));
    return { name: svg.getAttribute('aria-label'), parts, wires, jump: document.getElementById('datapath-jump').textContent, titles: Object.fromEntries([...svg.querySelectorAll('[data-part] > title')].map((title) => [title.parentElement.dataset.part, title.textContent])) };
  });

// The steps that leave A = a, B = b and the carry, then the word under test at address 3.
function setUp(word, { a, b, carry }) {
  return [0x30 | a, 0x70 | ((b + carry) & 15), 0x50 | (carry ? 15 : 0), word];
}

const tests = {
  async operations() {
    const page = await openPage();
    const next = seeded(29);
    // Each operation once, the carry before it alternating, then both JNC forms after a carry.
    const cases = [...Array.from({ length: 16 }, (_, op) => [op, op & 1]), [12, 1], [14, 1]];
    for (const [op, carry] of cases) {
      const word = (op << 4) | next() % 16;
      const before = { pc: 3, a: next() % 16, b: next() % 15, out: 0, carry: carry === 1 };
      const input = next() % 16;
      await setProgram(page, setUp(word, { ...before, carry }));
      await setInput(page, input);
      await clocks(page, 3);
      const [source, target] = instructionTable[op];
      const operand = { A: before.a, B: before.b, IN: input, 0: 0 }[source];
      const sum = operand + (word & 15);
      const after = referenceStep(before, word, input);
      const jump = target === 'JMP' || (target === 'JNC' && !before.carry);
      const written = { A: 'A', B: 'B', OUT: 'OUT' }[target] ?? (jump ? 'PC' : null);
      const active = new Set(['im', 'adder', 'carry', ...(source === '0' ? [] : [source]), ...(written ? [written] : [])]);
      await clocks(page, 1);
      const shown = await picture(page);
      const what = `${bits(op)} ${bits(word & 15)} from A=${before.a} B=${before.b} carry=${carry} IN=${input}`;
      checkEqual(
        Object.keys(shown.parts).filter((part) => shown.parts[part][1]).sort(),
        [...active].sort(),
        `${what}: the path runs through its source, the adder and its destination`,
      );
      checkEqual(
        ['A', 'B', 'OUT', 'PC', 'carry'].map((part) => shown.parts[part][0]),
        [bits(after.a), bits(after.b), bits(after.out), bits(after.pc), after.carry ? '1' : '0'],
        `${what}: the registers after the step`,
      );
      const wires = { [`from-${source}`]: bits(operand), source: bits(operand), im: bits(word & 15), sum: bits(sum % 16), carry: sum > 15 ? '1' : '0' };
      if (written) wires[`to-${written}`] = bits(sum % 16);
      const sorted = (values) => Object.entries(values).sort(([x], [y]) => (x < y ? -1 : 1));
      checkEqual(sorted(shown.wires), sorted(wires), `${what}: the wires used and their values`);
      if (target === 'JNC') checkEqual(shown.jump, jump ? 'carry was 0, jump' : 'carry was 1, no jump', `${what}: why it jumped or not`);
      check(shown.name.startsWith(`03  `) && shown.name === (await page.$eval('#last-step', (said) => said.textContent)), `${what}: the picture is named by Last step`);
    }
    await page.click('#cmdReset');
    const reset = await picture(page);
    checkEqual([reset.name, Object.values(reset.parts).some(([, active]) => active), reset.wires], ['No step since the reset', false, {}], 'after a reset nothing is highlighted');
    await page.close();
  },

  async titles() {
    const page = await openPage();
    await setProgram(page, [0x51, 0x80, 0xf0]); // the counting program
    await clocks(page, 9);
    const { titles } = await picture(page);
    checkEqual(
      [titles.A, titles.B, titles.OUT, titles.PC],
      ['A: not written since the reset', 'B: written at step 7 by B = B + 1', 'OUT: written at step 8 by OUT = B', 'PC: written at step 9 by JMP 0'],
      'each register names the step that last wrote it',
    );
    await page.close();
  },

  async download() {
    const page = await openPage();
    const downloads = join(scratch, 'downloads');
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
    const next = seeded(7);
    for (const steps of [0, 37, 1050]) {
      const words = Array.from({ length: 16 }, () => next() % 256);
      const input = next() % 16;
      await setProgram(page, words);
      await setInput(page, input);
      await clocks(page, steps);
      rmSync(downloads, { recursive: true, force: true });
      const done = new Promise((resolve) => session.on('Browser.downloadProgress', (event) => event.state === 'completed' && resolve()));
      await untilEnded(page, 'timingDownloads', () => page.click('#timing-download'));
      await done;
      const source = join(scratch, `program-${steps}.s`);
      writeFileSync(source, `.clock manual\n${words.map((word) => `.word ${word}\n`).join('')}`);
      const expected = cli('run', source, '--steps', String(steps), '--input', bits(input), '--format', 'svg');
      const [name] = readdirSync(downloads);
      checkEqual([name, readFileSync(join(downloads, name), 'utf8') === expected], ['qzb-timing.svg', true], `${steps} steps: Download SVG is qzb-cli run --format svg`);
      // The pane, grown a column a step and losing the oldest past 1,000, shows the same columns.
      const shown = await page.$$eval('#timing-scroll [data-step]', (columns) => columns.map((column) => column.textContent));
      const drawn = [...expected.matchAll(/<g data-step="\d+">(.*)<\/g>/g)].map(([, column]) => column.replace(/<[^>]*>/g, ''));
      checkEqual(shown, drawn, `${steps} steps: the pane shows the diagram's columns`);
    }
    await page.close();
  },

  async folded() {
    const page = await openPage();
    await setProgram(page, [0x51, 0x80, 0xf0]);
    await clocks(page, 2);
    const shown = () => page.evaluate(() => [document.querySelector('#datapath [data-part="B"]').dataset.value, document.querySelectorAll('#timing-scroll [data-step]').length]);
    await page.click('#datapath-pane summary');
    await page.click('#timing-pane summary');
    await clocks(page, 5);
    const folded = await shown();
    await page.click('#datapath-pane summary');
    await page.click('#timing-pane summary');
    // Unfolding draws at the toggle event, which comes after the click.
    await page.waitForFunction(() => document.querySelectorAll('#timing-scroll [data-step]').length !== 3);
    checkEqual([folded, await shown()], [['0001', 3], ['0011', 8]], 'folded panes draw nothing, and catch up when unfolded');
    await page.close();
  },
};

await runTests(tests, async () => {
  await browser.close();
  server.close();
  removeFolder(scratch);
});
