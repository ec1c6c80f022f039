// SPDX-License-Identifier: MIT
// The page in headless Chromium: layout, texts and accessibility against the core's table,
// stepping against the reference table, files against the desktop's reader and writer,
// clock rates, links, offline use, updates, the assembly box and the dialogs. The native
// file pickers are removed before the page starts, so Load goes through the file input
// and SaveAs through a download, except where a test scripts pickers of its own.
import { execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import { basename, join } from 'node:path';
import { writeWorker } from '../../src/web/tools/assemble.mjs';
import { launchChromium } from '../../src/web/tools/chromium.mjs';
import { serve } from '../../src/web/tools/serve.mjs';
import { check, checkEqual, counts, openPage as openPageAt, removeFolder, runTests, scratchFolder, suiteOptions, untilEnded } from './harness.mjs';
import { referenceStep } from './reference_model.mjs';

const options = suiteOptions('dump', 'corpus', 'only');
const scratch = scratchFolder('web-test');
const server = await serve(options.site);
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await launchChromium(join(scratch, 'profile'), { executable: options.chromium, extraArgs: ['--autoplay-policy=no-user-gesture-required'] });

// The messages, as the desktop words them.
const loadRefused = '無効なファイルが選択されました。ファイルはロードされませんでした。';
const saveRefused = '無効なファイルが選択されました。ファイルは保存されませんでした。';
const cannotWrite = '書き込めません。';

const openPage = (fragment = '', context = browser, at = origin) => openPageAt(context, `${at}/${fragment}`);

// The table, roles, texts and styles, as the core gives them to the page.
const layoutOf = (page) => page.evaluate(async () => (await (await import('./main.js')).Core.load()).json);

// The panel as its controls show it: 128 program switches, 4 input switches, the
// clock options (1 Hz, 10 Hz, Manual) and Beep, as the digits the dump uses.
function panelSwitches(page) {
  return page.evaluate(() => {
    const state = (box) => (box.indeterminate ? '2' : box.checked ? '1' : '0');
    const states = (bank, count) => Array.from({ length: count }, (_, i) => state(document.querySelector(`#${bank}-${i} input`))).join('');
    const clock = ['optClk1', 'optClk2', 'optClk3'].map((id) => state(document.querySelector(`#${id} input`))).join('');
    return { program: states('chkRom', 128), input: states('chkInp', 4), clock, beep: state(document.querySelector('#chkBeep input')) };
  });
}

// The readouts' texts, and the address labels whose text shows in red.
function readouts(page) {
  return page.evaluate(() => {
    const text = (id) => document.getElementById(id).textContent;
    const red = (label) => [...label.childNodes].some((node) => node.textContent && getComputedStyle(node.nodeType === Node.TEXT_NODE ? label : node).color === 'rgb(255, 0, 0)');
    const rows = [...document.querySelectorAll('[data-role="addressLabel"]')].filter(red).map((label) => label.textContent);
    return { a: text('lblRegA'), b: text('lblRegB'), pc: text('lblPC'), f: text('lblF'), outp: text('lblOUTP'), red: rows };
  });
}

// The message box shown, once it is, dismissed.
async function takeMessage(page) {
  await page.waitForSelector('dialog[open]');
  const shown = await page.$eval('dialog[open]', (dialog) => ({ title: dialog.querySelector('.qzb-dialog-title').textContent, text: dialog.querySelector('.qzb-message').textContent }));
  await page.click('dialog[open] .qzb-dialog-buttons button');
  await page.waitForFunction(() => !document.querySelector('dialog[open]'));
  return shown;
}

async function menu(page, item) {
  if (item !== 'About') await page.click('#menu-file');
  await page.click(`#menu-${item.toLowerCase()}`);
}

// Load through the file input, to its end; what the message box said when `refused`.
function loadFile(page, path, refused = false) {
  return untilEnded(page, 'loads', async () => {
    const [chooser] = await Promise.all([page.waitForFileChooser(), menu(page, 'Load')]);
    await chooser.accept([path]);
    return refused ? takeMessage(page) : null;
  });
}

// A timer of the page's own: it fires only after the 100 ms tick that was due before it.
function pageTimer(page, milliseconds) {
  return page.evaluate((ms) => new Promise((resolve) => setTimeout(resolve, ms)), milliseconds);
}

// SaveAs through the name box and a download: the files downloaded, none when the browser
// refused the download, null when the page refused it with a message.
async function saveAs(page, name, folder = mkdtempSync(join(scratch, 'save-'))) {
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
  async panel() {
    // Every control at its rectangle with its text and colour, the texts the build filled in,
    // the Tab order, the accessibility tree, About and End.
    const page = await openPage();
    const layout = await layoutOf(page);
    const shown = await page.evaluate(() => {
      const client = document.getElementById('client').getBoundingClientRect();
      // The colour of the text as shown: that of the element holding it.
      const colour = (element) => {
        const walker = document.createTreeWalker(element, NodeFilter.SHOW_TEXT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) if (node.data) return getComputedStyle(node.parentElement).color;
        return getComputedStyle(element).color;
      };
      return [...document.querySelectorAll('[data-name]')].map((element) => {
        const { left, top, width, height } = element.getBoundingClientRect();
        const centred = getComputedStyle(element).textAlign === 'center';
        return { name: element.dataset.name, rect: [left - client.left, top - client.top, width, height], text: element.textContent, colour: colour(element), centred };
      });
    });
    const byName = new Map(shown.map((control) => [control.name, control]));
    checkEqual(shown.length, layout.controls.length, 'every control of the table is on the page');
    for (const control of layout.controls) {
      const element = byName.get(control.name) ?? {};
      const [x, y] = control.parent ? layout.controls.find((frame) => frame.name === control.parent).rect : [0, 0];
      checkEqual(element.rect, [x + control.rect[0], y + control.rect[1], control.rect[2], control.rect[3]], `${control.name} at its rectangle`);
      if (control.text && control.role.is !== 'readout' && control.kind !== 'frame') checkEqual(element.text, control.text, `${control.name} text`);
      if (control.kind === 'label') checkEqual(element.centred, control.align === 'centre', `${control.name} alignment`);
      // The refresh at start draws the row of PC 0 red.
      const colour = control.name === 'Label2(0)' ? layout.styles.red : control.colour;
      if (colour) checkEqual(element.colour, `rgb(${colour.join(', ')})`, `${control.name} colour`);
    }
    checkEqual(await readouts(page), { a: '0000', b: '0000', pc: '0000', f: '0', outp: '○○○○', red: ['Address 00'] }, 'readouts after start');
    const html = await (await fetch(`${origin}/index.html`)).text();
    check(html.includes(`<title>${layout.title}</title>`) && !html.includes('{{'), 'the build fills in the title and every text');
    // A brace left open in the style sheet nests every rule after it, where none applies.
    const nested = await page.evaluate(() => {
      const within = (rules) => [...rules].flatMap((rule) => (rule instanceof CSSStyleRule && rule.cssRules.length > 0 ? [rule.selectorText] : within(rule.cssRules ?? [])));
      return within(document.styleSheets[0].cssRules);
    });
    checkEqual(nested, [], 'no rule of the style sheet holds another');
    await page.evaluate(() => navigator.serviceWorker.ready);
    const session = await page.createCDPSession();
    checkEqual((await session.send('Page.getInstallabilityErrors')).installabilityErrors, [], 'Chromium can install the page');
    const manifest = await session.send('Page.getAppManifest');
    checkEqual([manifest.errors, JSON.parse(manifest.data).name], [[], layout.title], 'the manifest has no errors and the window title');

    // Tab walks the table's order; the clock options are one stop: the selected one, or the first when none is.
    const focused = () => page.evaluate(() => document.activeElement.closest('[data-name]')?.dataset.name);
    checkEqual(await focused(), 'chkRom(0)', 'focus starts on the top-right switch');
    for (const [fragment, stop] of [['', 'optClk3'], ['#qzb1.' + '0'.repeat(32) + '..none.0', 'optClk1']]) {
      await page.evaluate((fragment) => (location.hash = fragment), fragment);
      await page.waitForFunction((stop) => document.querySelector(`#${stop} input`).tabIndex === 0, {}, stop);
      await page.focus('#chkRom-0 input');
      const expected = layout.tabOrder.filter((name) => !name.startsWith('optClk') || name === stop);
      const walked = [];
      for (let i = 0; i < expected.length; ++i, await page.keyboard.press('Tab')) walked.push(await focused());
      checkEqual(walked, expected, `Tab walks the table order, stopping at ${stop}`);
    }

    const names = new Set();
    const walk = (node) => {
      names.add(`${node.role}:${node.name}`);
      (node.children ?? []).forEach(walk);
    };
    walk(await page.accessibility.snapshot({ interestingOnly: false }));
    for (const { name, accessibleName } of layout.controls) if (accessibleName) check(names.has(`checkbox:${accessibleName}`), `the tree names ${name} "${accessibleName}"`);
    for (const caption of ['RegistorA', 'ProgramCounter', 'OUTP']) check(names.has(`status:${caption}`), `a readout is labelled ${caption}`);

    await menu(page, 'About');
    const about = await takeMessage(page);
    check(about.title === 'QZBEmu' && /^QZB \d+\.\d+\.\d+\n\nAn emulator of the QZB/.test(about.text), `About: ${JSON.stringify(about)}`);
    await page.click('#optClk2 input');
    await menu(page, 'End');
    const pc = await page.$eval('#lblPC', (label) => label.textContent);
    await pageTimer(page, 400);
    checkEqual(await page.$eval('#lblPC', (label) => label.textContent), pc, 'End stops the clock');
    const notice = await page.$eval('#ended', (notice) => !notice.hidden && [notice.querySelector('p').textContent, notice.querySelector('button').textContent]);
    checkEqual(notice, ['The program has ended.', 'Start again'], 'End says so');
    await page.close();
  },

  async stepping() {
    const page = await openPage();
    let seed = 20261207;
    const random = (range) => Math.floor(((seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648) * range);
    const bits = (value) => value.toString(2).padStart(4, '0');
    for (let program = 0; program < 5; ++program) {
      const words = Array.from({ length: 16 }, () => random(256));
      const input = random(16);
      const current = await panelSwitches(page);
      for (let index = 0; index < 128; ++index) if (String((words[index >> 3] >> (index & 7)) & 1) !== current.program[index]) await page.click(`#chkRom-${index} input`);
      for (let bit = 0; bit < 4; ++bit) if (String((input >> bit) & 1) !== current.input[bit]) await page.click(`#chkInp-${bit} input`);
      await page.click('#cmdReset');
      let state = { pc: 0, a: 0, b: 0, out: 0, carry: false };
      for (let step = 1; step <= 24; ++step) {
        await page.click('#cmdClock');
        state = referenceStep(state, words[state.pc], input);
        const outp = bits(state.out).replace(/0/g, '○').replace(/1/g, '●');
        const expected = { a: bits(state.a), b: bits(state.b), pc: bits(state.pc), f: state.carry ? '1' : '0', outp, red: [`Address ${String(state.pc).padStart(2, '0')}`] };
        const shown = await readouts(page);
        if (JSON.stringify(shown) === JSON.stringify(expected)) ++counts.passed;
        else {
          checkEqual(shown, expected, `program ${program} [${words.join(',')}] input ${input}, step ${step}`);
          break;
        }
      }
    }
    // A step touches the controls it changes and no other: A = A + 1 at address 00.
    await page.evaluate(() => (location.hash = '#qzb1.01' + '0'.repeat(30) + '..manual.0'));
    await page.waitForFunction(() => document.querySelector('#chkRom-0 input').checked);
    await page.evaluate(() => {
      window.touched = new Set();
      const observer = new MutationObserver((records) => records.forEach((record) => window.touched.add(record.target.parentElement?.closest('[data-name]')?.dataset.name)));
      observer.observe(document.getElementById('client'), { subtree: true, childList: true, characterData: true, attributes: true });
    });
    await page.click('#cmdClock');
    checkEqual(await page.evaluate(() => [...window.touched].sort()), ['Label2(0)', 'Label2(1)', 'lblPC', 'lblRegA'], 'a step rewrites only what it changed');
    // OUT = 8, Beep on: every refresh with output bit 3 high beeps once, none with Beep off.
    await page.evaluate(() => (location.hash = '#qzb1.A8' + '0'.repeat(30) + '..manual.1'));
    await page.waitForFunction(() => document.querySelector('#chkBeep input').checked);
    const beeps = [];
    for (const clicks of [['#cmdClock', '#cmdClock'], ['#cmdReset', '#chkBeep input', '#cmdClock']]) {
      for (const control of clicks) await page.click(control);
      beeps.push(await page.$eval('#client', (client) => Number(client.dataset.beeps ?? 0)));
    }
    checkEqual(beeps, [2, 2], 'two steps with output bit 3 high beep twice, a reset and a step with Beep off not at all');
    await page.close();
  },

  async files() {
    const page = await openPage();
    // The corpus, and a file past the read limit whose fields all lie beyond it.
    const huge = join(scratch, 'huge.qzb');
    writeFileSync(huge, Buffer.concat([Buffer.alloc(70 * 1024, ' '), Buffer.from('1\r\n'.repeat(132))]));
    const paths = [...readdirSync(options.corpus).sort().map((name) => join(options.corpus, name)), huge];
    const desktop = execFileSync(options.dump, paths, { encoding: 'utf8' }).trim().split('\n');
    let before = await panelSwitches(page);
    for (const [i, path] of paths.entries()) {
      const name = basename(path);
      await page.click('#cmdClock');
      const shown = await loadFile(page, path, desktop[i] === 'refused');
      if (shown) {
        checkEqual(shown, { title: 'QZBEmu', text: loadRefused }, `${name} is refused`);
        checkEqual(await panelSwitches(page), before, `${name} leaves the panel as it was`);
        continue;
      }
      const [program, clock, beep, bytes] = desktop[i].split(' ');
      before = await panelSwitches(page);
      checkEqual([before.program, before.clock, before.beep], [program, clock, beep], `${name} loads as on the desktop`);
      const folder = mkdtempSync(join(scratch, 'save-'));
      const saved = await saveAs(page, 'copy', folder);
      checkEqual(saved, ['copy.qzb'], `${name}: SaveAs of "copy" downloads copy.qzb`);
      if (saved) checkEqual(readFileSync(join(folder, 'copy.qzb')).toString('hex'), bytes, `${name}: SaveAs writes the desktop's bytes`);
    }
    await page.close();
  },

  async pickers() {
    // The File System Access path, with scripted pickers in place of the browser's own.
    const page = await openPage();
    await page.evaluate(() => {
      window.pickerScript = [];
      const next = () => (window.pickerScript[0] === 'cancel' ? Promise.reject(new DOMException('closed', 'AbortError')) : window.pickerScript[0]);
      const fails = (failing, name, value) => (failing ? Promise.reject(new DOMException('no', name)) : value);
      window.showOpenFilePicker = async () => {
        const { name, text, missing } = await next();
        return [{ name, getFile: async () => fails(missing, 'NotFoundError', new File([text], name)) }];
      };
      window.showSaveFilePicker = async () => {
        const { name, fail } = await next();
        const write = async (bytes) => (window.saved = new TextDecoder().decode(bytes));
        return { name, createWritable: async () => fails(fail, 'NotAllowedError', { write, close: async () => undefined }) };
      };
    });
    const file = '1\r\n'.repeat(128) + '#FALSE#\r\n#TRUE#\r\n#FALSE#\r\n1\r\n';
    // Each command with what the picker returns, and the message it ends with.
    for (const [item, step, message] of [
      ['Load', 'cancel', null],
      ['SaveAs', 'cancel', null],
      ['Load', { name: 'all.qzb', text: file }, null],
      ['SaveAs', { name: 'all.qzb' }, null],
      ['Load', { name: 'all.txt', text: file }, loadRefused],
      ['Load', { name: 'gone.qzb', missing: true }, 'File Not Found'],
      ['SaveAs', { name: 'all.txt' }, saveRefused],
      ['SaveAs', { name: 'locked.qzb', fail: true }, cannotWrite],
    ]) {
      const what = `${item} of ${step.name ?? step}`;
      await page.evaluate((step) => (window.pickerScript = [step]), step);
      await untilEnded(page, item === 'Load' ? 'loads' : 'saves', async () => {
        await menu(page, item);
        if (message) checkEqual(await takeMessage(page), { title: 'QZBEmu', text: message }, `${what} says so`);
      });
      if (!message) checkEqual(await page.$$eval('dialog[open]', (open) => open.length), 0, `${what} shows no message`);
    }
    checkEqual(await panelSwitches(page), { program: '1'.repeat(128), input: '0000', clock: '010', beep: '1' }, 'Load through the picker');
    checkEqual(await page.evaluate(() => window.saved), file, 'SaveAs through the picker writes the file loaded');
    await page.close();
  },

  async clockRates() {
    // One after the other in the page in front, as a user runs it: a hidden tab's timers
    // are throttled. Counts changes of the PC readout; with no program PC moves at every step.
    const page = await openPage();
    for (const [option, steps, within] of [['optClk2', 100, 2], ['optClk1', 10, 1]]) {
      await page.click(`#${option} input`);
      await page.click('#cmdReset');
      const counted = await page.evaluate(() => {
        let count = 0;
        const observer = new MutationObserver(() => ++count);
        observer.observe(document.getElementById('lblPC'), { childList: true, characterData: true, subtree: true });
        return new Promise((resolve) => setTimeout(() => resolve(count), 10_000)).finally(() => observer.disconnect());
      });
      check(Math.abs(counted - steps) <= within, `${option} gives ${steps} ± ${within} steps in 10 s (${counted})`);
    }
    await page.close();
  },

  async links() {
    const page = await openPage();
    await loadFile(page, join(options.corpus, 'greyed_and_refused.qzb'));
    for (let i = 0; i < 3; ++i) await page.click('#cmdClock');
    await page.click('#chkBeep input');
    const before = await panelSwitches(page);
    check(before.program.includes('2'), 'the panel to link holds a greyed switch');
    await page.click('#copy-link');
    await page.waitForFunction(() => document.getElementById('link-status').textContent !== '');
    const said = await page.$eval('#link-status', (status) => status.textContent);
    check(['Link copied: it opens this panel.', 'The address bar now holds the link: copy it from there.'].includes(said), `Copy link says where the link is: ${said}`);
    const link = await page.evaluate(() => location.hash);
    await page.close();
    const opened = await openPage(link);
    checkEqual(await panelSwitches(opened), { ...before, input: '0000' }, 'a copied link opens the same panel');
    await opened.close();

    const empty = { program: '0'.repeat(128), input: '0000', clock: '001', beep: '0' };
    for (const fragment of ['#qzb1.00', `#qzb1.${'G'.repeat(32)}..manual.0`, '#qzb2.', `#qzb1.${'0'.repeat(32)}.${'1'.repeat(31)}.none.0`, `#qzb1.${'F'.repeat(32)}.${'F'.repeat(32)}.none.1`]) {
      const bad = await openPage(fragment);
      const shown = await takeMessage(bad);
      check(shown.title === 'QZBEmu' && /^This link does not hold a QZB panel setting: .+\. The panel is shown empty\.$/.test(shown.text), `${fragment} is reported: ${shown.text}`);
      checkEqual(await panelSwitches(bad), empty, `${fragment} leaves the panel empty`);
      await bad.close();
    }
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
    const cacheNames = async (page, close = true) => {
      const names = await page.evaluate(() => caches.keys());
      if (close) await page.close();
      return names;
    };
    const first = await visit('b');
    await first.evaluate(async (host) => {
      await (await caches.open('another-app')).put('/note', new Response('kept'));
      for (const [name, copy] of [['qzb-0123456789abcdef', 'a'], ['qzb-fedcba9876543210', 'b']]) await (await caches.open(name)).put(`${host}/${copy}/`, new Response(''));
    }, host);
    const kept = (await cacheNames(first)).filter((name) => name !== 'qzb-0123456789abcdef');
    const names = await cacheNames(await visit('a'));
    check(kept.every((name) => names.includes(name)) && names.length === kept.length + 1, `copy a adds its cache, drops its older one and keeps ${kept}: ${names}`);

    writeFileSync(join(root, 'a/index.html'), readFileSync(join(root, 'a/index.html'), 'utf8').replace('data-text="page.copyLink">Copy link<', '>Copy the link<'));
    await writeWorker(join(root, 'a'));
    await (await visit('a')).close();
    const after = await visit('a');
    checkEqual(await after.$eval('#copy-link', (button) => button.textContent), 'Copy the link', 'the second visit after a rebuild shows it');
    const updated = await cacheNames(after, false);
    check(kept.every((name) => updated.includes(name)) && updated.length === names.length && !updated.every((name) => names.includes(name)), `an update of copy a replaces its cache alone: ${updated}`);
    await context.close();
    own.closeAllConnections();
    own.close();
  },

  async assembly() {
    const page = await openPage();
    // A source is made in the page, not sent to it, and the button clicked there. The
    // status, one line an element (it shows a line break as one), with errors reduced to where they are.
    const assemble = async (text, times = 1) => {
      const click = (text, times) => {
        document.getElementById('asm-source').value = text.repeat(times);
        document.getElementById('asm-assemble').click();
      };
      await untilEnded(page, 'assemblies', () => page.evaluate(click, text, times));
      const errors = await page.$$eval('#asm-errors li', (items) => items.map((item) => item.textContent));
      return (errors.length > 0 ? errors : [await page.$eval('#asm-status', (status) => status.textContent)]).map((line) => line.replace(/^(\d+:\d+): .*/, '$1'));
    };
    // First, while the pane is folded: Chromium takes seconds to lay out 40 MB in it.
    const tooLarge = ['The source is too large for a QZB source (64 KiB or more)'];
    await page.click('#assembly-pane summary');
    checkEqual(await assemble('x', 40e6), tooLarge, 'assembling 40 MB');
    await page.$eval('#asm-source', (area) => (area.value = ''));
    await page.click('#assembly-pane summary');
    const assembled = ['Assembled into the panel.'];
    for (const [what, text, times, expected] of [
      ['a source', 'A = A + 3\nOUT = B\n.clock 10hz\n', 1, assembled],
      ['64 KiB', 'A = 3 ;' + 'x'.repeat(65529), 1, tooLarge],
      ['64 KiB in 21,846 characters', ';' + 'あ'.repeat(21845), 1, tooLarge],
      ['25 faulty lines', 'Q\n', 25, [...Array.from({ length: 20 }, (_, i) => `${i + 1}:1`), '5 more errors']],
    ]) {
      checkEqual(await assemble(text, times), expected, `assembling ${what}`);
    }
    const shown = await panelSwitches(page);
    checkEqual([shown.program.slice(0, 16), shown.clock], ['1100000000000001', '010'], 'the source is on the panel, and no source refused since');
    await page.click('#asm-disassemble');
    check((await page.$eval('#asm-source', (area) => area.value)).includes('A = A + 3'), 'the panel reads back as source');
    checkEqual(await assemble('A = 3 ;' + 'x'.repeat(65528)), assembled, 'assembling 64 KiB less a byte');
    await page.close();
  },

  async dialogs() {
    // Each change of the address to a malformed link replaces the message shown.
    const linked = await openPage('#qzb1.00');
    await linked.waitForSelector('dialog[open]');
    for (const fragment of ['#qzb2.', '#qzb1.0', `#qzb1.${'G'.repeat(32)}..manual.0`]) await linked.evaluate((fragment) => (location.hash = fragment), fragment);
    await linked.waitForFunction(() => [...document.querySelectorAll('dialog[open]')].some((dialog) => dialog.textContent.includes('program part')));
    checkEqual(await linked.$$eval('dialog[open]', (open) => open.length), 1, 'four malformed links leave one message');
    await linked.close();
    // The name box, titled as the desktop's dialog, sits over the middle of the panel, its label clear of its box.
    const page = await openPage();
    await menu(page, 'SaveAs');
    await page.waitForSelector('dialog[open] input');
    const [title, dx, dy, gap] = await page.$eval('dialog[open]', (dialog) => {
      const centre = (box) => [box.left + box.width / 2, box.top + box.height / 2];
      const [[x, y], [panelX, panelY]] = [dialog, document.getElementById('window')].map((element) => centre(element.getBoundingClientRect()));
      const label = document.createRange();
      label.selectNodeContents(dialog.querySelector('label').firstChild);
      const gap = dialog.querySelector('input').getBoundingClientRect().left - label.getBoundingClientRect().right;
      return [dialog.querySelector('.qzb-dialog-title').textContent, x - panelX, y - panelY, gap];
    });
    checkEqual(title, 'Save Setting File', 'the name box is titled as the desktop dialog');
    check(Math.abs(dx) <= 1 && Math.abs(dy) <= 1, `the name box is centred over the panel (off by ${dx}, ${dy})`);
    check(gap >= 6, `the name box's label stands clear of its box (${gap} px)`);
    await page.click('dialog[open] button[type="button"]');
    // A name of more than 244 bytes the browser would not write; a name with another extension the dialog refuses.
    for (const [name, message] of [['a'.repeat(240)], ['a'.repeat(241), cannotWrite], ['あ'.repeat(80)], ['あ'.repeat(81), cannotWrite], ['prog.txt', saveRefused]]) {
      const what = `SaveAs of ${name.length} × ${name[0]}`;
      checkEqual(await saveAs(page, name), message ? null : [`${name}.qzb`], `${what} ${message ? 'downloads nothing' : 'downloads it'}`);
      if (message) checkEqual((await takeMessage(page)).text, message, `${what} says why`);
    }
    await page.close();
  },
};

await runTests(tests, async () => {
  await browser.close();
  server.close();
  removeFolder(scratch);
}, options.only);
