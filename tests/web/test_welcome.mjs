// SPDX-License-Identifier: MIT
// The page a visitor meets first, in headless Chromium: the examples against their files, the
// Program pane's statements against `qzb-cli asm`, phones and tablets, the two languages, Help.
import { execFileSync, spawnSync } from 'node:child_process';
import { readFileSync, readdirSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { launchChromium } from '../../src/web/tools/chromium.mjs';
import { serve } from '../../src/web/tools/serve.mjs';
import { check, checkEqual, counts, openPage as openPageAt, removeFolder, runTests, scratchFolder, seeded, suiteOptions, untilEnded } from './harness.mjs';

const options = suiteOptions('cli', 'examples');
const scratch = scratchFolder('welcome-test');
const server = await serve(options.site);
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await launchChromium(join(scratch, 'profile'), { executable: options.chromium });

// A fresh page whose browser prefers `languages`.
const openPage = (width = 1400, languages = ['en-US'], fragment = '') =>
  openPageAt(browser, `${origin}/${fragment}`, { width, height: 800 }, (page) =>
    page.evaluateOnNewDocument((languages) => Object.defineProperty(navigator, 'languages', { get: () => languages }), languages),
  );

// The word `qzb-cli asm` makes of one statement, or its message.
function assembled(statement) {
  const source = join(scratch, 'statement.s');
  writeFileSync(source, `${statement}\n`);
  const run = spawnSync(options.cli, ['asm', source, '-o', join(scratch, 'statement.qzb')], { encoding: 'utf8' });
  if (run.status !== 0) return run.stderr.replace(/^.*?:\d+:\d+: /, '').trim();
  const bits = readFileSync(join(scratch, 'statement.qzb'), 'latin1').split('\r\n').slice(0, 8);
  return bits.reduce((word, bit, index) => word | (Number(bit) << index), 0);
}

// Each row's word as its toggles show it, and its statement.
const rows = (page) =>
  page.$$eval('#program-rows tr:not(.row-message-row)', (rows) =>
    rows.map((row) => [[...row.querySelectorAll('.bits input')].reduce((word, box) => word * 2 + (box.checked ? 1 : 0), 0), row.querySelector('.statement').value]),
  );

// The sixteen forms as the README writes them, spelt in turn in other cases and number bases.
const forms = ['A = A + n', 'A = B + n', 'A = IN + n', 'A = n', 'B = A + n', 'B = B + n', 'B = IN + n', 'B = n', 'OUT = B + n', 'ALT OUT = B + n', 'OUT = n', 'ALT OUT = n', 'JNC B + n', 'JMP B + n', 'JNC n', 'JMP n'];
function spelt(word, k) {
  if (k % 5 === 4) return `.word ${word}`;
  const number = [String(word & 15), `0x${(word & 15).toString(16)}`, `0b${(word & 15).toString(2)}`][k % 3];
  const statement = forms[word >> 4].replace('n', number);
  return k % 2 ? statement.toLowerCase().replace(/ ([=+]) /g, '$1') : statement;
}

// Texts shown outside the panel, in the page's own language: what neither code, a file's own
// words, the panel's nor an element in another language holds.
const shownTexts = (page) =>
  page.evaluate(() => {
    const texts = [];
    const own = (element) => !element.closest('#window, [translate="no"], code, script, noscript, style') && element.closest('[lang]').lang === document.documentElement.lang;
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      if (node.data.trim() && own(node.parentElement) && node.parentElement.checkVisibility()) texts.push(node.data.trim());
    }
    for (const element of document.querySelectorAll('[aria-label]')) if (own(element)) texts.push(element.getAttribute('aria-label'));
    return texts;
  });

const tests = {
  async examples() {
    const page = await openPage();
    const names = readdirSync(options.examples).filter((name) => name.endsWith('.qzb')).map((name) => name.slice(0, -4));
    checkEqual((await page.$$eval('#examples-menu [role="menuitem"]', (items) => items.map((item) => item.id))).sort(), names.map((name) => `example-${name}`).sort(), 'the menu lists every example');
    for (const name of names) {
      await page.click('#examples-button');
      await untilEnded(page, 'examples', () => page.click(`#example-${name}`));
      const lines = readFileSync(join(options.examples, `${name}.qzb`), 'latin1').split('\r\n');
      const on = (line) => ({ '#TRUE#': '1', '#FALSE#': '0' })[line] ?? line;
      const file = { program: lines.slice(0, 128).join(''), clock: lines.slice(128, 131).map(on).join(''), beep: lines[131] };
      const shown = await page.evaluate(() => {
        const state = (box) => (box.indeterminate ? '2' : box.checked ? '1' : '0');
        const program = Array.from({ length: 128 }, (_, i) => state(document.querySelector(`#chkRom-${i} input`))).join('');
        return { program, clock: ['optClk1', 'optClk2', 'optClk3'].map((id) => state(document.querySelector(`#${id} input`))).join(''), beep: state(document.querySelector('#chkBeep input')) };
      });
      const task = readFileSync(join(options.examples, `${name}.qzt`), 'utf8').match(/^(?:;.*\n)+/)[0].replace(/^; ?/gm, '').trim();
      checkEqual([shown, await page.$eval('#exercise-task', (element) => element.textContent)], [file, task], `${name}: the panel holds ${name}.qzb and the Exercise pane its test file`);
      await untilEnded(page, 'checks', () => page.click('#exercise-check'));
      checkEqual([...new Set(await page.$$eval('#exercise-results .verdict', (verdicts) => verdicts.map((verdict) => verdict.textContent)))], ['pass'], `${name}: Check passes at once`);
    }
    await page.close();
  },

  async statements() {
    const page = await openPage();
    const next = seeded(28);
    const words = Array.from({ length: 40 }, () => next() % 256);
    const statements = words.map((word, k) => spelt(word, k));
    const expected = statements.map(assembled);
    check(expected.every((word) => typeof word === 'number'), `qzb-cli asm takes every statement: ${expected}`);
    // The first word typed key by key into each row, Enter in some and leaving the field in the others.
    for (let row = 0; row < 16; ++row) {
      const field = `#program-rows tr:nth-child(${2 * row + 1}) .statement`;
      await page.click(field, { clickCount: 3 });
      await untilEnded(page, 'statements', async () => {
        await page.keyboard.type(statements[0]);
        await page.keyboard.press(row % 2 ? 'Enter' : 'Tab');
      });
    }
    // Then every word in every row, as a field's input and its Enter.
    const shown = await page.evaluate((statements) => {
      const fields = [...document.querySelectorAll('#program-rows .statement')];
      const words = [];
      for (const statement of statements) {
        for (const field of fields) {
          Object.assign(field, { value: statement }).dispatchEvent(new Event('input'));
          field.dispatchEvent(new KeyboardEvent('keydown', { key: 'Enter' }));
        }
        words.push(fields.map((field) => [...field.closest('tr').querySelectorAll('.bits input')].reduce((word, box) => word * 2 + (box.checked ? 1 : 0), 0)));
      }
      return words;
    }, statements);
    const mismatches = statements.filter((statement, k) => shown[k].some((word) => word !== expected[k]));
    checkEqual(mismatches, [], `40 statements in each of the 16 rows set the word qzb-cli asm gives (the first typed key by key)`);
    counts.passed += statements.length - mismatches.length;
    // The last statement with a word after it, so that disasm lists it however it reads.
    writeFileSync(join(scratch, 'last.s'), `${statements.at(-1)}\n.word 1\n`);
    const disassembled = execFileSync(options.cli, ['disasm', join(scratch, 'last.s')], { encoding: 'utf8' }).match(/^ {4}(.*?) *; 00/m)[1];
    const [word, statement] = (await rows(page))[5];
    const switches = await page.evaluate(() => Array.from({ length: 8 }, (_, bit) => document.querySelector(`#chkRom-${5 * 8 + bit} input`).checked));
    checkEqual([switches.reduce((sum, on, bit) => sum + (on << bit), 0), statement], [word, disassembled], 'the panel and the field follow');
    await page.close();
  },

  async wrongStatements() {
    const page = await openPage();
    const before = await rows(page);
    for (const [statement, fault] of [
      ['B = B - 1', assembled('B = B - 1')],
      ['JMP loop', "a row's statement takes numbers, not labels"],
      ['.clock 10hz', ".clock sets the panel, not a row's word"],
    ]) {
      await page.$eval('#program-rows .statement', (field, statement) => Object.assign(field, { value: statement }).dispatchEvent(new Event('input')), statement);
      await untilEnded(page, 'statements', () => page.focus('#program-rows .statement').then(() => page.keyboard.press('Enter')));
      const said = await page.$eval('#statement-message-00', (message) => [message.textContent, message.getAttribute('aria-live'), document.getElementById(message.closest('tr').previousElementSibling.querySelector('.statement').getAttribute('aria-describedby')) === message]);
      checkEqual([said, await rows(page)], [[fault, 'polite', true], before.map((row, k) => (k === 0 ? [row[0], statement] : row))], `"${statement}" changes nothing and says: ${fault}`);
    }
    await page.keyboard.press('Escape');
    checkEqual([await page.$eval('#statement-message-00', (message) => message.textContent), (await rows(page))[0]], ['', before[0]], 'Escape puts the statement back');
    await page.close();
  },

  async phones() {
    for (const width of [360, 390, 768]) {
      const page = await openPage(width);
      const measured = await page.evaluate(() => ({
        scrollWidth: document.documentElement.scrollWidth,
        panel: document.getElementById('window').getBoundingClientRect().right,
        smallest: Math.min(...[...document.querySelectorAll('#program-rows .bits input')].flatMap((box) => [box.getBoundingClientRect().width, box.getBoundingClientRect().height])),
        history: getComputedStyle(document.getElementById('history-scroll')).overflowY,
      }));
      check(measured.scrollWidth <= width && measured.panel <= width && measured.smallest >= 24 && measured.history === 'auto', `${width} pixels wide: ${JSON.stringify(measured)}`);
      // A toggle taps as the panel's switch clicks.
      await page.tap('input[aria-label="Row 03 bit 6"]');
      checkEqual(await page.$eval('#chkRom-30 input', (box) => box.checked), true, `${width} pixels wide: a tap on a toggle turns its switch on`);
      await page.close();
    }
  },

  async languages() {
    // Names that read the same in Japanese: the machine's, the keys', the files'; and the panel's own.
    const panelWords = new Set(['QZB', 'CSV', 'SVG', 'Tab', 'Shift', 'Space', 'Enter', 'Escape', 'OUT', 'IN', 'PC', 'carry', 'im', 'word', 'qzt']);
    for (const [languages, expected] of [
      [['ja-JP', 'en'], 'ja'],
      [['fr', 'en-GB'], 'en'],
    ]) {
      const page = await openPage(1400, languages);
      const layout = await page.evaluate(async () => (await (await import('./main.js')).Core.load()).json);
      for (const control of layout.controls) for (const word of `${control.text} ${control.accessibleName}`.match(/[A-Za-z]+/g) ?? []) panelWords.add(word);
      await page.click('#examples-button');
      const texts = await shownTexts(page);
      await page.keyboard.press('Escape');
      await page.click('#help-button');
      texts.push(...(await shownTexts(page)));
      const other =
        expected === 'ja' ? texts.flatMap((text) => text.match(/[A-Za-z]{2,}/g) ?? []).filter((word) => !panelWords.has(word)) : texts.filter((text) => /[\u3040-\u30ff\u4e00-\u9fff\uff01-\uff5e]/.test(text));
      checkEqual([await page.$eval('html', (html) => html.lang), other], [expected, []], `a browser preferring ${languages} gets the page in ${expected}, with no text of the other language outside the panel`);
      await page.close();
    }
    // The Language control's choice outlives the visit.
    const page = await openPage(1400, ['en']);
    await page.select('#language', 'ja');
    await page.reload();
    await page.waitForSelector('html[data-ready="true"]');
    checkEqual(await page.evaluate(() => [document.documentElement.lang, document.getElementById('help-button').textContent, document.getElementById('language').value]), ['ja', 'ヘルプ', 'ja'], 'the page remembers the language chosen');
    await page.evaluate(() => localStorage.clear());
    await page.close();
  },

  async help() {
    const page = await openPage(390, ['en'], '#qzb1.5180F000000000000000000000000000..10hz.0');
    check(await page.$eval('#welcome-intro', (intro) => !intro.checkVisibility()), 'a visit by a link folds the header');
    await page.click('#help-button');
    const table = await page.$$eval('#help-dialog tbody tr', (rows) => rows.map((row) => [...row.cells].map((cell) => cell.textContent).join(' | ')));
    checkEqual([table.length, table[9], table[12]], [16, '1001 | ALT OUT = B + n | OUT = B + im', '1100 | JNC B + n | jump to B + im if the carry is clear'], 'Help lists the instructions');
    for (const close of [() => page.keyboard.press('Escape'), () => page.click('#help-close')]) {
      await close();
      checkEqual(await page.evaluate(() => [document.getElementById('help-dialog').open, document.activeElement.id]), [false, 'help-button'], 'Help closes and gives the focus back');
      await page.click('#help-button');
    }
    await page.close();
  },
};

await runTests(tests, async () => {
  await browser.close();
  server.close();
  removeFolder(scratch);
});
