// SPDX-License-Identifier: MIT
// The page in headless Chromium: layout, stepping against the reference table,
// files against the desktop's reader and writer, clock rates, links, offline use,
// updates, the assembly box, the dialogs and the accessibility tree. The native file pickers are removed before the page
// starts, so Load goes through the file input and SaveAs through a download.
import { execFileSync } from 'node:child_process';
import { cpSync, existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { parseArgs } from 'node:util';
import { writeWorker } from '../../src/web/tools/assemble.mjs';
import { launchChromium } from '../../src/web/tools/chromium.mjs';
import { serve } from '../../src/web/tools/serve.mjs';
import { referenceStep } from './reference_model.mjs';

const { values: options } = parseArgs({
  options: {
    site: { type: 'string' },
    chromium: { type: 'string', default: '/usr/bin/chromium' },
    dump: { type: 'string' },
    corpus: { type: 'string' },
    only: { type: 'string' },
  },
});
if (!options.site || !existsSync(join(options.site, 'index.html'))) {
  console.log(`The page is not built (run ./web build): ${options.site}`);
  process.exit(77);
}

const scratch = mkdtempSync(join(tmpdir(), 'qzb-web-test-'));
const server = await serve(options.site);
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await launchChromium(join(scratch, 'profile'), {
  executable: options.chromium,
  extraArgs: ['--autoplay-policy=no-user-gesture-required'],
});

let passed = 0;
let failed = 0;
function check(truth, what) {
  if (truth) {
    ++passed;
  } else {
    ++failed;
    console.log(`FAIL: ${what}`);
  }
}
function checkEqual(actual, expected, what) {
  const same = JSON.stringify(actual) === JSON.stringify(expected);
  check(same, same ? what : `${what}\n  expected ${JSON.stringify(expected)}\n  actual   ${JSON.stringify(actual)}`);
}

// A fresh page without the native pickers, so the fallbacks are what runs.
async function openPage(fragment = '', context = browser, at = origin) {
  const page = await context.newPage();
  await page.evaluateOnNewDocument(() => {
    delete window.showOpenFilePicker;
    delete window.showSaveFilePicker;
  });
  await page.setViewport({ width: 900, height: 600 });
  await page.goto(`${at}/${fragment}`);
  await page.waitForSelector('html[data-ready="true"]');
  return page;
}

async function layoutOf(page) {
  return JSON.parse(
    await page.evaluate(async () => {
      const core = await (await import('./qzb_core.mjs')).default();
      const session = core._qzb_create();
      const pointer = core._qzb_layout(session);
      return new TextDecoder().decode(core.HEAPU8.subarray(pointer, pointer + core._qzb_output_length(session)));
    }),
  );
}

// The panel as its controls show it: 128 program switches, 4 input switches, the
// clock options (1 Hz, 10 Hz, Manual) and Beep, as the digits the dump uses.
function panelSwitches(page) {
  return page.evaluate(() => {
    const state = (id) => {
      const box = document.querySelector(`#${id} input`);
      return box.indeterminate ? '2' : box.checked ? '1' : '0';
    };
    let program = '';
    for (let i = 0; i < 128; ++i) program += state(`chkRom-${i}`);
    let input = '';
    for (let i = 0; i < 4; ++i) input += state(`chkInp-${i}`);
    const clock = ['optClk1', 'optClk2', 'optClk3'].map((id) => (document.querySelector(`#${id} input`).checked ? '1' : '0')).join('');
    return { program, input, clock, beep: state('chkBeep') };
  });
}

function readouts(page) {
  return page.evaluate(() => {
    const text = (id) => document.getElementById(id).textContent;
    const red = [...document.querySelectorAll('[data-name^="Label2("]')].filter((label) => getComputedStyle(label).color === 'rgb(255, 0, 0)');
    return {
      a: text('lblRegA'),
      b: text('lblRegB'),
      pc: text('lblPC'),
      f: text('lblF'),
      outp: text('lblOUTP'),
      red: red.map((label) => label.textContent),
    };
  });
}

async function dialogText(page) {
  await page.waitForSelector('dialog[open]');
  return page.$eval('dialog[open]', (dialog) => ({
    title: dialog.querySelector('.qzb-dialog-title').textContent,
    text: dialog.querySelector('.qzb-message')?.textContent ?? '',
  }));
}

async function dismiss(page) {
  await page.click('dialog[open] .qzb-dialog-buttons button');
  await page.waitForFunction(() => !document.querySelector('dialog[open]'));
}

async function menu(page, item) {
  if (item !== 'About') await page.click('#menu-file');
  await page.click(`#menu-${item.toLowerCase()}`);
}

// Runs `action`, then waits until the page counts one more Load, SaveAs or assembly
// (`loads`, `saves`, `assemblies`) as ended, its result shown, whatever that was.
async function untilEnded(page, command, action) {
  const key = `${command}Ended`;
  const before = await page.evaluate((key) => Number(document.documentElement.dataset[key] ?? 0), key);
  const result = await action();
  await page.waitForFunction((key, before) => Number(document.documentElement.dataset[key] ?? 0) > before, {}, key, before);
  return result;
}

// Load through the file input, to its end; what the message box said when `refused`.
async function loadFile(page, path, refused = false) {
  return untilEnded(page, 'loads', async () => {
    const [chooser] = await Promise.all([page.waitForFileChooser(), menu(page, 'Load')]);
    await chooser.accept([path]);
    if (!refused) return null;
    const shown = await dialogText(page);
    await dismiss(page);
    return shown;
  });
}

// A timer of the page's own: it fires only after the 100 ms tick that was due before it.
function pageTimer(page, milliseconds) {
  return page.evaluate((ms) => new Promise((resolve) => setTimeout(resolve, ms)), milliseconds);
}

// SaveAs through the name box and a download: the files downloaded, none when the browser
// refused the download, null when the page refused it with a message.
async function saveAs(page, name, folder) {
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder, eventsEnabled: true });
  const done = new Promise((resolve) => session.on('Browser.downloadProgress', (event) => event.state !== 'inProgress' && resolve()));
  await menu(page, 'SaveAs');
  await page.waitForSelector('dialog[open] input');
  await page.$eval('dialog[open] input', (input, value) => (input.value = value), name);
  await page.click('dialog[open] button[type="submit"]');
  const refused = await Promise.race([done.then(() => false), page.waitForSelector('dialog[open] .qzb-message').then(() => true)]);
  await session.detach();
  return refused ? null : readdirSync(folder);
}

const tests = {
  async layout() {
    const page = await openPage();
    const layout = await layoutOf(page);
    const offsets = new Map();
    for (const control of layout.controls) {
      const parent = offsets.get(control.parent) ?? [0, 0];
      offsets.set(control.name, [parent[0] + control.rect[0], parent[1] + control.rect[1]]);
    }
    const shown = await page.evaluate(() => {
      const client = document.getElementById('client').getBoundingClientRect();
      return [...document.querySelectorAll('[data-name]')].map((element) => {
        const box = element.getBoundingClientRect();
        const style = getComputedStyle(element);
        return {
          name: element.dataset.name,
          rect: [box.left - client.left, box.top - client.top, box.width, box.height],
          text: element.textContent,
          colour: style.color,
          centred: style.textAlign === 'center',
        };
      });
    });
    const byName = new Map(shown.map((control) => [control.name, control]));
    checkEqual(shown.length, layout.controls.length, 'every control of the table is on the page');
    for (const control of layout.controls) {
      const element = byName.get(control.name);
      if (!element) {
        check(false, `${control.name} is on the page`);
        continue;
      }
      const [x, y] = offsets.get(control.name);
      checkEqual(element.rect, [x, y, control.rect[2], control.rect[3]], `${control.name} at its rectangle`);
      if (control.text && !control.name.startsWith('lbl') && control.kind !== 'frame') {
        checkEqual(element.text, control.text, `${control.name} text`);
      }
      if (control.kind === 'label') checkEqual(element.centred, control.align === 'centre', `${control.name} alignment`);
      // The refresh at start draws the row of PC 0 red.
      const colour = control.name === 'Label2(0)' ? [255, 0, 0] : control.colour;
      if (colour) checkEqual(element.colour, `rgb(${colour.join(', ')})`, `${control.name} colour`);
    }
    checkEqual(await readouts(page), { a: '0000', b: '0000', pc: '0000', f: '0', outp: '○○○○', red: ['Address 00'] }, 'readouts after start');
    checkEqual(await page.evaluate(() => document.activeElement.closest('[data-name]')?.dataset.name), 'chkRom(0)', 'focus starts on the top-right switch');
    await page.close();
  },

  async tabOrder() {
    // The clock options are one stop: the selected one, or the first when none is.
    for (const [fragment, stop] of [['', 'optClk3'], ['#qzb1.' + '0'.repeat(32) + '..none.0', 'optClk1']]) {
      const page = await openPage(fragment);
      const layout = await layoutOf(page);
      const expected = layout.tabOrder.filter((name) => !name.startsWith('optClk') || name === stop);
      const walked = [];
      for (let i = 0; i < expected.length; ++i) {
        walked.push(await page.evaluate(() => document.activeElement.closest('[data-name]')?.dataset.name ?? document.activeElement.id));
        await page.keyboard.press('Tab');
      }
      checkEqual(walked, expected, `Tab walks the table order, stopping at ${stop}`);
      await page.close();
    }
  },

  async stepping() {
    const page = await openPage();
    let seed = 20261207;
    const random = () => {
      seed = (seed * 1103515245 + 12345) % 2147483648;
      return seed / 2147483648;
    };
    for (let program = 0; program < 5; ++program) {
      const words = Array.from({ length: 16 }, () => Math.floor(random() * 256));
      const input = Math.floor(random() * 16);
      const current = await panelSwitches(page);
      for (let index = 0; index < 128; ++index) {
        const on = (words[index >> 3] >> (index & 7)) & 1;
        if (String(on) !== current.program[index]) await page.click(`#chkRom-${index} input`);
      }
      for (let bit = 0; bit < 4; ++bit) {
        if (String((input >> bit) & 1) !== current.input[bit]) await page.click(`#chkInp-${bit} input`);
      }
      await page.click('#cmdReset');
      let state = { pc: 0, a: 0, b: 0, out: 0, carry: false };
      for (let step = 0; step < 24; ++step) {
        await page.click('#cmdClock');
        state = referenceStep(state, words[state.pc], input);
        const bits = (value) => value.toString(2).padStart(4, '0');
        const expected = {
          a: bits(state.a),
          b: bits(state.b),
          pc: bits(state.pc),
          f: state.carry ? '1' : '0',
          outp: bits(state.out).replace(/0/g, '○').replace(/1/g, '●'),
          red: [`Address ${String(state.pc).padStart(2, '0')}`],
        };
        const shown = await readouts(page);
        if (JSON.stringify(shown) !== JSON.stringify(expected)) {
          checkEqual(shown, expected, `program ${program} [${words.join(',')}] input ${input}, step ${step + 1}`);
          break;
        }
        ++passed;
      }
    }
    await page.close();
  },

  async files() {
    const page = await openPage();
    // The corpus, and a file past the read limit whose fields all lie beyond it.
    const huge = join(scratch, 'huge.qzb');
    writeFileSync(huge, Buffer.concat([Buffer.alloc(70 * 1024, ' '), Buffer.from('1\r\n'.repeat(132))]));
    const names = [...readdirSync(options.corpus).sort(), 'huge.qzb'];
    const paths = names.map((name) => (name === 'huge.qzb' ? huge : join(options.corpus, name)));
    const desktop = execFileSync(options.dump, paths, { encoding: 'utf8' }).trim().split('\n');
    let before = await panelSwitches(page);
    for (const [i, path] of paths.entries()) {
      await page.click('#cmdClock');
      const shown = await loadFile(page, path, desktop[i] === 'refused');
      if (shown) {
        checkEqual(shown, { title: 'QZBEmu', text: '無効なファイルが選択されました。ファイルはロードされませんでした。' }, `${names[i]} is refused`);
        checkEqual(await panelSwitches(page), before, `${names[i]} leaves the panel as it was`);
        continue;
      }
      const [program, clock, beep, bytes] = desktop[i].split(' ');
      const loaded = await panelSwitches(page);
      checkEqual([loaded.program, loaded.clock, loaded.beep], [program, clock, beep], `${names[i]} loads as on the desktop`);
      const folder = mkdtempSync(join(scratch, 'save-'));
      const saved = await saveAs(page, 'copy', folder);
      checkEqual(saved, ['copy.qzb'], `${names[i]}: SaveAs of "copy" downloads copy.qzb`);
      if (saved) checkEqual(readFileSync(join(folder, 'copy.qzb')).toString('hex'), bytes, `${names[i]}: SaveAs writes the desktop's bytes`);
      before = loaded;
    }
    const folder = mkdtempSync(join(scratch, 'refused-'));
    checkEqual(await saveAs(page, 'prog.txt', folder), null, 'SaveAs of prog.txt writes nothing');
    checkEqual(await dialogText(page), { title: 'QZBEmu', text: '無効なファイルが選択されました。ファイルは保存されませんでした。' }, 'SaveAs of prog.txt is refused');
    await dismiss(page);
    await page.close();
  },

  async pickers() {
    // The File System Access path, with scripted pickers in place of the browser's own.
    const page = await openPage();
    await page.evaluate(() => {
      window.pickerScript = [];
      const next = () => {
        const step = window.pickerScript.shift();
        if (step === 'cancel') throw new DOMException('closed', 'AbortError');
        return step;
      };
      window.showOpenFilePicker = async () => {
        const { name, text, missing } = next();
        const getFile = async () => {
          if (missing) throw new DOMException('gone', 'NotFoundError');
          return new File([text], name);
        };
        return [{ name, getFile }];
      };
      window.showSaveFilePicker = async () => {
        const { name, fail } = next();
        return {
          name,
          createWritable: async () => {
            if (fail) throw new DOMException('denied', 'NotAllowedError');
            return { write: async (bytes) => (window.saved = new TextDecoder().decode(bytes)), close: async () => undefined };
          },
        };
      };
    });
    const script = (steps) => page.evaluate((s) => window.pickerScript.push(...s), steps);
    const command = (item, steps) =>
      untilEnded(page, item === 'Load' ? 'loads' : 'saves', async () => {
        await script(steps);
        await menu(page, item);
      });
    await command('Load', ['cancel']);
    await command('SaveAs', ['cancel']);
    checkEqual(await page.evaluate(() => document.querySelectorAll('dialog[open]').length), 0, 'a cancelled picker shows nothing');
    const file = '1\r\n'.repeat(128) + '#FALSE#\r\n#TRUE#\r\n#FALSE#\r\n1\r\n';
    await command('Load', [{ name: 'all.qzb', text: file }]);
    checkEqual(await panelSwitches(page), { program: '1'.repeat(128), input: '0000', clock: '010', beep: '1' }, 'Load through the picker');
    await command('SaveAs', [{ name: 'all.qzb' }]);
    checkEqual(await page.evaluate(() => window.saved), file, 'SaveAs through the picker writes the file loaded');
    for (const [step, text] of [
      [{ name: 'all.txt', text: file }, '無効なファイルが選択されました。ファイルはロードされませんでした。'],
      [{ name: 'gone.qzb', missing: true }, 'File Not Found'],
    ]) {
      await script([step]);
      await menu(page, 'Load');
      checkEqual((await dialogText(page)).text, text, `Load of ${step.name}`);
      await dismiss(page);
    }
    for (const [step, text] of [
      [{ name: 'all.txt' }, '無効なファイルが選択されました。ファイルは保存されませんでした。'],
      [{ name: 'locked.qzb', fail: true }, '書き込めません。'],
    ]) {
      await script([step]);
      await menu(page, 'SaveAs');
      checkEqual((await dialogText(page)).text, text, `SaveAs to ${step.name}`);
      await dismiss(page);
    }
    await page.close();
  },

  async clockRates() {
    // One after the other in the page in front, as a user runs it: a hidden tab's
    // timers are throttled. Counts changes of the PC readout; the program of zero
    // words advances PC at every step.
    const page = await openPage();
    const count = async (option) => {
      await page.click(`#${option} input`);
      await page.click('#cmdReset');
      return page.evaluate(
        () =>
          new Promise((resolve) => {
            let steps = 0;
            const observer = new MutationObserver(() => ++steps);
            observer.observe(document.getElementById('lblPC'), { childList: true, characterData: true, subtree: true });
            setTimeout(() => {
              observer.disconnect();
              resolve(steps);
            }, 10_000);
          }),
      );
    };
    const tenHz = await count('optClk2');
    const oneHz = await count('optClk1');
    check(Math.abs(tenHz - 100) <= 2, `10 Hz gives 100 ± 2 steps in 10 s (${tenHz})`);
    check(Math.abs(oneHz - 10) <= 1, `1 Hz gives 10 ± 1 steps in 10 s (${oneHz})`);
    await page.click('#optClk3 input');
    const before = await page.$eval('#lblPC', (label) => label.textContent);
    await pageTimer(page, 300);
    checkEqual(await page.$eval('#lblPC', (label) => label.textContent), before, 'Manual: ticks change nothing');
    await page.click('#cmdClock');
    check((await page.$eval('#lblPC', (label) => label.textContent)) !== before, 'Manual: Clock steps once');
    await page.close();
  },

  async links() {
    const page = await openPage();
    await loadFile(page, join(options.corpus, 'greyed_and_refused.qzb'));
    for (let i = 0; i < 3; ++i) await page.click('#cmdClock');
    await page.click('#chkBeep input');
    const before = await panelSwitches(page);
    await page.click('#copy-link');
    await page.waitForFunction(() => location.hash.startsWith('#qzb1.'));
    const link = await page.evaluate(() => location.href);
    await page.close();
    const opened = await openPage(link.slice(link.indexOf('#')));
    checkEqual(await panelSwitches(opened), { ...before, input: '0000' }, 'a copied link opens the same panel');
    checkEqual((await readouts(opened)).pc, '0000', 'a link opens reset');
    check(before.program.includes('2'), 'the link carried a greyed switch');
    // One click makes a greyed switch on, as on the desktop.
    const greyed = before.program.indexOf('2');
    await opened.click(`#chkRom-${greyed} input`);
    checkEqual((await panelSwitches(opened)).program[greyed], '1', 'a click turns a greyed switch on');
    await opened.close();
    const running = await openPage('#qzb1.' + '0'.repeat(32) + '..10HZ.1');
    checkEqual((await panelSwitches(running)).clock, '010', 'a link selects its clock');
    await running.waitForFunction(() => document.getElementById('lblPC').textContent !== '0000');
    await running.close();

    for (const fragment of ['#qzb1.00', '#qzb1.' + 'G'.repeat(32) + '..manual.0', '#qzb2.', '#qzb1.' + '0'.repeat(32) + '.' + '1'.repeat(31) + '.none.0', '#qzb1.' + 'F'.repeat(32) + '.' + 'F'.repeat(32) + '.none.1']) {
      const bad = await openPage(fragment);
      const shown = await dialogText(bad);
      check(shown.title === 'QZBEmu' && shown.text.startsWith('This link does not hold a QZB panel setting'), `malformed link ${fragment} is reported`);
      await dismiss(bad);
      checkEqual(await panelSwitches(bad), { program: '0'.repeat(128), input: '0000', clock: '001', beep: '0' }, `malformed link ${fragment} leaves the panel empty`);
      await bad.close();
    }
  },

  async install() {
    const page = await openPage();
    await page.evaluate(() => navigator.serviceWorker.ready);
    const session = await page.createCDPSession();
    checkEqual((await session.send('Page.getInstallabilityErrors')).installabilityErrors, [], 'Chromium can install the page');
    checkEqual((await session.send('Page.getAppManifest')).errors, [], 'the manifest has no errors');
    await session.detach();
    await page.close();
  },

  async offline() {
    // A server of its own, which then goes away: the network is really off.
    const own = await serve(options.site);
    const context = await browser.createBrowserContext();
    const page = await openPage('', context, `http://127.0.0.1:${own.address().port}`);
    await page.evaluate(() => navigator.serviceWorker.ready);
    own.closeAllConnections();
    await new Promise((done) => own.close(done));
    await page.reload();
    await page.waitForSelector('html[data-ready="true"]').catch(() => undefined);
    check(await page.evaluate(() => document.documentElement.dataset.ready === 'true'), 'a reload without network shows the panel');
    await page.click('#chkRom-0 input');
    await page.click('#cmdClock');
    checkEqual((await readouts(page)).a, '0001', 'the offline panel runs');
    await context.close();
  },

  async updates() {
    // Two copies of the page on one host that lets the browser keep each file for a day,
    // beside another app's cache and caches of an older build of each copy.
    const root = join(scratch, 'host');
    for (const copy of ['a', 'b']) cpSync(options.site, join(root, copy), { recursive: true });
    const own = await serve(root, '127.0.0.1', 0, { cacheFor: 86400 });
    const host = `http://127.0.0.1:${own.address().port}`;
    const context = await browser.createBrowserContext();
    // A visit, until the copy's newest worker has activated and so dropped its older caches.
    const visit = async (copy) => {
      const page = await openPage('', context, `${host}/${copy}`);
      const state = await page.evaluate(async () => {
        const registration = await navigator.serviceWorker.ready;
        await registration.update();
        const worker = registration.installing ?? registration.waiting ?? registration.active;
        while (!['activated', 'redundant'].includes(worker.state)) await new Promise((done) => worker.addEventListener('statechange', done, { once: true }));
        return worker.state;
      });
      checkEqual(state, 'activated', `the worker of copy ${copy} activates`);
      return page;
    };
    const cacheNames = (page) => page.evaluate(() => caches.keys());
    const first = await visit('b');
    await first.evaluate(async (host) => {
      await (await caches.open('another-app')).put('/note', new Response('kept'));
      for (const [name, copy] of [['qzb-0123456789abcdef', 'a'], ['qzb-fedcba9876543210', 'b']]) {
        await (await caches.open(name)).put(`${host}/${copy}/`, new Response(''));
      }
    }, host);
    const kept = (await cacheNames(first)).filter((name) => name !== 'qzb-0123456789abcdef');
    await first.close();
    const before = await visit('a');
    const names = await cacheNames(before);
    await before.close();
    check(kept.every((name) => names.includes(name)), `a visit of copy a keeps ${kept.join(', ')}: ${names.join(', ')}`);
    checkEqual(names.length, kept.length + 1, 'copy a adds one cache and drops its older one');

    writeFileSync(join(root, 'a/index.html'), readFileSync(join(root, 'a/index.html'), 'utf8').replace('Copy link<', 'Copy the link<'));
    await writeWorker(join(root, 'a'));
    await (await visit('a')).close();
    const after = await visit('a');
    checkEqual(await after.$eval('#copy-link', (button) => button.textContent), 'Copy the link', 'the second visit after a rebuild shows it');
    const updated = await cacheNames(after);
    check(kept.every((name) => updated.includes(name)) && updated.length === names.length && !updated.every((name) => names.includes(name)), `an update of copy a replaces its cache alone: ${updated.join(', ')}`);
    await context.close();
    own.closeAllConnections();
    own.close();
  },

  async accessibility() {
    const page = await openPage();
    const layout = await layoutOf(page);
    const tree = await page.accessibility.snapshot({ interestingOnly: false });
    const names = new Set();
    const walk = (node) => {
      if (node.name) names.add(`${node.role}:${node.name}`);
      for (const child of node.children ?? []) walk(child);
    };
    walk(tree);
    for (const control of layout.controls) {
      if (!control.accessibleName) continue;
      check(names.has(`checkbox:${control.accessibleName}`), `the tree names ${control.name} "${control.accessibleName}"`);
    }
    for (const [readout, caption] of [['lblRegA', 'RegistorA'], ['lblPC', 'ProgramCounter'], ['lblOUTP', 'OUTP']]) {
      check(names.has(`status:${caption}`), `${readout} is labelled by its caption ${caption}`);
    }
    await page.close();
  },

  async beep() {
    // OUT = 8 at address 00, Beep on: every refresh with output bit 3 high beeps once.
    const page = await openPage('#qzb1.A8' + '0'.repeat(30) + '..manual.1');
    const beeps = () => page.$eval('#client', (client) => Number(client.dataset.beeps ?? 0));
    await page.click('#cmdClock');
    await page.click('#cmdClock');
    checkEqual(await beeps(), 2, 'two steps with output bit 3 high beep twice');
    await page.click('#cmdReset');
    await page.click('#chkBeep input');
    await page.click('#cmdClock');
    checkEqual(await beeps(), 2, 'a reset and a step with Beep off do not beep');
    await page.close();
  },

  async assembly() {
    const page = await openPage();
    // A long source is made in the page, not sent to it, and the button clicked there.
    const run = (text, times) =>
      untilEnded(page, 'assemblies', () =>
        page.evaluate(
          (text, times) => {
            document.getElementById('asm-source').value = text.repeat(times);
            document.getElementById('asm-assemble').click();
          },
          text,
          times,
        ),
      );
    // First, while the box is closed: Chromium takes seconds to lay out 40 MB in it.
    const tooLarge = ['The source is too large for a QZB source (64 KiB or more)'];
    await run('x', 40e6);
    checkEqual([await page.$eval('#asm-status', (status) => status.textContent)], tooLarge, 'assembling 40 MB');
    await page.$eval('#asm-source', (area) => (area.value = ''));
    await page.click('#extras summary');
    // The status as shown, one line an element.
    const assemble = (text, times = 1) => run(text, times).then(() => page.$eval('#asm-status', (status) => status.innerText.split('\n')));
    const located = (lines) => lines.map((line) => line.replace(/^(\d+:\d+): .*/, '$1'));
    const assembled = ['Assembled into the panel.'];
    for (const [what, text, times, expected] of [
      ['64 KiB less a byte', 'A = 3 ;' + 'x'.repeat(65528), 1, assembled],
      ['64 KiB', 'A = 3 ;' + 'x'.repeat(65529), 1, tooLarge],
      ['64 KiB in 21,846 characters', ';' + 'あ'.repeat(21845), 1, tooLarge],
      ['25 faulty lines', 'Q\n', 25, [...Array.from({ length: 20 }, (_, i) => `${i + 1}:1`), '5 more errors']],
    ]) {
      checkEqual(located(await assemble(text, times)), expected, `assembling ${what}`);
    }
    checkEqual(await assemble('A = A + 3\nOUT = B\n.clock 10hz\n'), assembled, 'a source assembles');
    const shown = await panelSwitches(page);
    checkEqual([shown.program.slice(0, 16), shown.clock], ['1100000000000001', '010'], 'the source is on the panel');
    await page.click('#asm-disassemble');
    check((await page.$eval('#asm-source', (area) => area.value)).includes('A = A + 3'), 'the panel reads back as source');
    checkEqual(located(await assemble('A = A + 1\nQ = 1\n')), ['2:1'], 'an error names its line and column');
    checkEqual((await panelSwitches(page)).program.slice(0, 16), '1100000000000001', 'a source with errors leaves the panel alone');
    await page.close();
  },

  async dialogs() {
    // Each change of the address to a malformed link replaces the message shown.
    const linked = await openPage('#qzb1.00');
    await dialogText(linked);
    for (const fragment of ['#qzb2.', '#qzb1.0', '#qzb1.' + 'G'.repeat(32) + '..manual.0']) {
      await linked.evaluate((fragment) => (location.hash = fragment), fragment);
    }
    await linked.waitForFunction(() => [...document.querySelectorAll('dialog[open]')].some((dialog) => dialog.textContent.includes('program part')));
    checkEqual(await linked.$$eval('dialog[open]', (open) => open.length), 1, 'four malformed links leave one message');
    await linked.close();
    // The name box sits over the middle of the panel, its label clear of its box.
    const page = await openPage();
    await menu(page, 'SaveAs');
    await page.waitForSelector('dialog[open] input');
    const [dx, dy, gap] = await page.$eval('dialog[open]', (dialog) => {
      const centre = (box) => [box.left + box.width / 2, box.top + box.height / 2];
      const [x, y] = centre(dialog.getBoundingClientRect());
      const [panelX, panelY] = centre(document.getElementById('window').getBoundingClientRect());
      const label = document.createRange();
      label.selectNodeContents(dialog.querySelector('label').firstChild);
      return [x - panelX, y - panelY, dialog.querySelector('input').getBoundingClientRect().left - label.getBoundingClientRect().right];
    });
    check(Math.abs(dx) <= 1 && Math.abs(dy) <= 1, `the name box is centred over the panel (off by ${dx}, ${dy})`);
    check(gap >= 6, `the name box's label stands clear of its box (${gap} px)`);
    await page.click('dialog[open] button[type="button"]');
    // A file name of more than 244 bytes the browser would not write.
    for (const [name, written] of [['a'.repeat(240), true], ['a'.repeat(241), false], ['あ'.repeat(80), true], ['あ'.repeat(81), false]]) {
      const saved = await saveAs(page, name, mkdtempSync(join(scratch, 'long-')));
      const what = `SaveAs of ${name.length} × ${name[0]}`;
      checkEqual(saved, written ? [`${name}.qzb`] : null, `${what} ${written ? 'downloads it' : 'downloads nothing'}`);
      if (saved !== null) continue;
      checkEqual((await dialogText(page)).text, '書き込めません。', `${what} says it cannot write`);
      await dismiss(page);
    }
    await page.close();
  },

  async menus() {
    const page = await openPage();
    await page.click('#menu-file');
    checkEqual(await page.$$eval('#menu-file-items [role="menuitem"]', (items) => items.map((item) => item.textContent)), ['Load', 'SaveAs', 'End'], 'the File menu');
    await page.keyboard.press('Escape');
    await menu(page, 'About');
    const about = await dialogText(page);
    checkEqual(about.title, 'QZBEmu', 'About is captioned QZBEmu');
    check(/^QZB \d+\.\d+\.\d+\n\nAn emulator of the QZB/.test(about.text), `About names the version: ${about.text}`);
    await dismiss(page);
    await page.click('#optClk2 input');
    await menu(page, 'End');
    const pc = await page.$eval('#lblPC', (label) => label.textContent);
    await pageTimer(page, 400);
    checkEqual(await page.$eval('#lblPC', (label) => label.textContent), pc, 'End stops the clock');
    check(await page.$eval('#ended', (notice) => !notice.hidden && notice.textContent.includes('ended')), 'End says the program has ended');
    await page.close();
  },
};

try {
  for (const [name, test] of Object.entries(tests)) {
    if (options.only && options.only !== name) continue;
    const started = Date.now();
    try {
      await test();
    } catch (error) {
      check(false, `${name}: ${error.stack ?? error}`);
    }
    console.log(`${name}: ${Date.now() - started} ms`);
  }
} finally {
  await browser.close();
  server.close();
  rmSync(scratch, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
