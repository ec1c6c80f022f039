// SPDX-License-Identifier: MIT
// The panes beside the panel in headless Chromium: the Program listing against
// `qzb-cli disasm`, the History against `qzb-cli run`, Step back against the reference
// table, and breakpoints stopping 10 Hz.
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { launchChromium } from '../../src/web/tools/chromium.mjs';
import { serve } from '../../src/web/tools/serve.mjs';
import { checkEqual, openPage as openPageAt, removeFolder, runTests, scratchFolder, seeded, suiteOptions, untilEnded } from './harness.mjs';
import { referenceStep } from './reference_model.mjs';

const options = suiteOptions('cli', 'examples');
const scratch = scratchFolder('panes-test');
const server = await serve(options.site);
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await launchChromium(join(scratch, 'profile'), { executable: options.chromium });
const cli = (...args) => execFileSync(options.cli, args, { encoding: 'utf8' });

// Wide enough for the panes beside the panel.
const openPage = () => openPageAt(browser, `${origin}/`, { width: 1400, height: 800 });

// Seeded, so that a failure repeats: 16 words, the last never 0 so that disasm lists every one.
function randomProgram(seed) {
  const next = seeded(seed);
  return Array.from({ length: 16 }, (_, address) => next() % 256 || (address === 15 ? 1 : 0));
}

// Clicks each switch that is to be on, as a user would, each event one click.
const clickIn = (page, words) =>
  page.evaluate((words) => {
    words.forEach((word, address) => {
      for (let bit = 0; bit < 8; ++bit) if ((word >> bit) & 1) document.querySelector(`#chkRom-${address * 8 + bit} input`).click();
    });
  }, words);

// The setting file of `words` (Manual, Beep off), written by a core of its own in the page.
async function settingFile(page, words) {
  const bytes = await page.evaluate(async (words) => {
    const core = await (await import('./main.js')).Core.load();
    words.forEach((word, address) => {
      for (let bit = 0; bit < 8; ++bit) if ((word >> bit) & 1) core.toggle(address * 8 + bit);
    });
    return [...core.settingFile()];
  }, words);
  const path = join(scratch, `program-${words.join('-')}.qzb`);
  writeFileSync(path, Buffer.from(bytes));
  return path;
}

// Each row as its address, its toggles as bits (bit 7 first) and its statement.
const listing = (page) =>
  page.$$eval('#program-rows tr:not(.row-message-row)', (rows) =>
    rows.map((row) => {
      const bits = [...row.querySelectorAll('.bits input')].map((box) => (box.checked ? '1' : '0')).join('');
      return [row.cells[0].textContent, `${bits.slice(0, 4)} ${bits.slice(4)}`, row.querySelector('.statement').value];
    }),
  );
const breakpointBox = (address) => `input[aria-label="Breakpoint at ${String(address).padStart(2, '0')}"]`;
const history = (page) => page.$$eval('#history > div > div', (rows) => rows.map((row) => `${row.textContent}\n`).join(''));
const readouts = (page) => page.evaluate(() => ['lblPC', 'lblRegA', 'lblRegB', 'lblOUTP', 'lblF'].map((id) => document.getElementById(id).textContent));
// A reference state as the readouts show it.
const shown = (state) => [state.pc, state.a, state.b].map((value) => value.toString(2).padStart(4, '0')).concat([state.out.toString(2).padStart(4, '0').replace(/0/g, '○').replace(/1/g, '●'), state.carry ? '1' : '0']);

async function clocks(page, count) {
  for (let i = 0; i < count; ++i) await page.click('#cmdClock');
}

const tests = {
  async listing() {
    const page = await openPage();
    const names = await page.$$eval('#program-rows input', (inputs) => inputs.map((input) => input.getAttribute('aria-label')));
    const regions = [];
    const walk = (node) => {
      if (node.role === 'region') regions.push(node.name);
      (node.children ?? []).forEach(walk);
    };
    walk(await page.accessibility.snapshot());
    checkEqual(regions.slice(0, 8), ['QZB', 'Program', 'Assembly', 'History', 'Datapath', 'Timing', 'Exercise', 'Grade a class'], 'the header and the panes are regions with their names');
    const rowNames = (address) => [...[7, 6, 5, 4, 3, 2, 1, 0].map((bit) => `Row ${address} bit ${bit}`), `Statement at ${address}`, `Breakpoint at ${address}`];
    checkEqual(names, Array.from({ length: 16 }, (_, i) => rowNames(String(i).padStart(2, '0'))).flat(), 'each row has its toggles, its statement and its breakpoint box');
    for (const seed of [1, 7, 2024]) {
      const words = randomProgram(seed);
      await clickIn(page, words);
      const expected = cli('disasm', await settingFile(page, words))
        .split('\n')
        .map((line) => line.match(/^ {4}(.*?) *; (\d\d): (\d{4} \d{4})$/))
        .filter(Boolean)
        .map(([, statement, address, bits]) => [address, bits, statement]);
      checkEqual(await listing(page), expected, `the listing of program ${seed} is disasm's`);
      await clickIn(page, words); // every switch off again
    }
    await page.close();
  },

  async history() {
    const page = await openPage();
    const count = join(options.examples, 'count.qzb');
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('#menu-file').then(() => page.click('#menu-load'))]);
    await chooser.accept([count]);
    await page.waitForFunction(() => document.querySelector('#program-rows .statement').value === 'B = B + 1');
    // The example runs at 10 Hz: Manual, then a reset, start it afresh.
    await page.click('#optClk3 input');
    await page.click('#cmdReset');
    for (const [steps, more] of [[0, 0], [9, 9], [12, 3]]) {
      await clocks(page, more);
      checkEqual(await history(page), cli('run', count, '--steps', String(steps)), `the history after ${steps} steps is run's table`);
    }
    await page.click('#chkRom-0 input');
    checkEqual(await history(page), cli('run', count, '--steps', '12'), 'a switch flipped afterwards leaves the history as it ran');
    // Folded, the pane draws nothing; unfolded, it shows every step it missed.
    await page.click('#history-pane summary');
    await page.click('#chkRom-0 input');
    await clocks(page, 2);
    const folded = await history(page);
    await page.click('#history-pane summary');
    await page.waitForFunction(() => document.querySelectorAll('#history > div > div').length === 16);
    checkEqual([folded, await history(page)], [cli('run', count, '--steps', '12'), cli('run', count, '--steps', '14')], 'a folded History catches up when unfolded');
    await clocks(page, 1);
    await page.click('#cmdReset');
    checkEqual(await history(page), cli('run', count, '--steps', '0'), 'a reset leaves the reset row only');
    // At 10 Hz rows come a few at a time; once stopped, every step is there.
    await page.click('#cmdReset');
    await page.click('#optClk2 input');
    await page.waitForFunction(() => document.querySelectorAll('#history > div > div').length > 25);
    await page.click('#optClk3 input');
    const steps = await page.$$eval('#history > div > div', (rows) => rows.length - 2);
    const table = cli('run', count, '--steps', String(steps));
    checkEqual(await history(page), table, `the history after ${steps} steps at 10 Hz is run's table`);
    const [header, last] = [table.split('\n')[0], table.trimEnd().split('\n').at(-1)];
    checkEqual(last.substr(header.indexOf('PC'), 16), (await readouts(page)).slice(0, 3).join('  '), 'its last row is the state the panel shows');
    await page.close();
  },

  async stepBack() {
    const page = await openPage();
    const words = randomProgram(99);
    await clickIn(page, words);
    await page.click('#optClk3 input');
    const states = [{ pc: 0, a: 0, b: 0, out: 0, carry: false }];
    for (let i = 0; i < 20; ++i) states.push(referenceStep(states.at(-1), words[states.at(-1).pc], 0));
    for (const [n, k] of [[5, 5], [20, 7], [3, 1]]) {
      await page.click('#cmdReset');
      await clocks(page, n);
      for (let i = 0; i < k; ++i) await page.click('#step-back');
      checkEqual(await readouts(page), shown(states[n - k]), `${n} steps, ${k} back: the state of step ${n - k}`);
      const [rows, disabled, said] = await page.evaluate(() => [document.querySelectorAll('#history > div > div').length - 1, document.getElementById('step-back').disabled, document.getElementById('last-step').textContent]);
      checkEqual([rows, disabled, said === ''], [n - k + 1, n === k, n === k], `${n} steps, ${k} back: the history's rows, Step back and Last step`);
    }
    await page.click('#optClk2 input');
    checkEqual(await page.$eval('#step-back', (button) => button.disabled), true, 'Step back is disabled while 10 Hz runs');
    await page.close();
  },

  async breakpoint() {
    const page = await openPage();
    const words = [0x01, 0x51, 0x80, 0xf0]; // A = A + 1, B = B + 1, OUT = B, JMP 0
    await clickIn(page, words);
    for (const address of [2, 0]) {
      await page.click('#optClk3 input');
      await page.click('#cmdReset');
      await page.click('#cmdClock');
      await page.click(breakpointBox(address));
      await page.click('#optClk2 input');
      await page.waitForSelector('#optClk3 input:checked', { timeout: 10000 });
      const pc = address.toString(2).padStart(4, '0');
      const [current, lastRowPc] = await page.evaluate(() => [document.querySelector('#program-rows tr[aria-current="step"] th').textContent, (() => {
        const [header, last] = ['first', 'last'].map((which) => document.querySelector(`#history > div:${which}-child > div:${which}-child`).textContent);
        return last.substr(header.indexOf('PC'), 4);
      })()]);
      checkEqual([(await readouts(page))[0], current, lastRowPc], [pc, String(address).padStart(2, '0'), pc], `10 Hz stops with the PC at the breakpoint at ${address}`);
      await page.click(breakpointBox(address));
    }
    // An assembly that selects 10 Hz stops before the first word runs, as a Reset at 10 Hz does.
    await page.click(breakpointBox(0));
    await untilEnded(page, 'assemblies', () =>
      page.evaluate(() => {
        document.getElementById('asm-source').value = 'loop: A = A + 1\nJMP loop\n.clock 10hz\n';
        document.getElementById('asm-assemble').click();
      }),
    );
    const stopped = await page.evaluate(() => [document.querySelector('#optClk3 input').checked, document.querySelectorAll('#history > div > div').length]);
    checkEqual([...stopped, (await readouts(page))[0]], [true, 2, '0000'], 'an assembly that selects 10 Hz stops at the breakpoint at 00 before any step');
    await page.close();
  },
};

await runTests(tests, async () => {
  await browser.close();
  server.close();
  removeFolder(scratch);
});
