// SPDX-License-Identifier: MIT
// The Exercise and Grade a class panes in headless Chromium against qzb-cli: Check's verdicts and
// messages, the class's CSV byte for byte, and an exercise link that opens its task and panel.
import { spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, readFileSync, readdirSync, symlinkSync, writeFileSync } from 'node:fs';
import { basename, dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';
import { launchChromium } from '../../src/web/tools/chromium.mjs';
import { serve } from '../../src/web/tools/serve.mjs';
import { check, checkEqual, openPage as openPageAt, removeFolder, runTests, scratchFolder, suiteOptions, untilEnded } from './harness.mjs';

const options = suiteOptions('cli', 'firefox');
const examples = resolve(dirname(fileURLToPath(import.meta.url)), '../../examples');
const scratch = scratchFolder('classroom-test');
const server = await serve(options.site);
const origin = `http://127.0.0.1:${server.address().port}`;
const browser = await launchChromium(join(scratch, 'profile'), { executable: options.chromium });
const cli = (args, cwd = examples) => spawnSync(resolve(options.cli), args, { cwd, encoding: 'buffer' }).stdout;

const openPage = (fragment = '') =>
  openPageAt(browser, `${origin}/${fragment}`, undefined, (page) => page.on('pageerror', (error) => checkEqual(String(error), '', 'no error on the page')));

async function choose(page, selector, paths) {
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click(selector)]);
  await chooser.accept(paths);
}

// Each listed case as [verdict, name, the lines of its failure and last steps].
const listed = (items) =>
  items.map((item) => [
    item.querySelector('.verdict')?.textContent ?? 'FAIL',
    item.querySelector('.case').textContent,
    [...item.querySelectorAll('.failure, .last-steps')].flatMap((part) => part.textContent.split('\n')).filter(Boolean),
  ]);
const results = (page) => page.$$eval('#exercise-results li', listed);

// The text report's cases, as [verdict, name, the lines below it].
function reportedCases(report) {
  const cases = [];
  for (const line of report.toString('utf8').split('\n')) {
    const verdict = /^ {2}(pass|FAIL) {2}(.*)$/.exec(line);
    if (verdict) cases.push([verdict[1], verdict[2], []]);
    else if (line.startsWith(' '.repeat(8))) cases.at(-1)[2].push(line.slice(8));
  }
  return cases;
}

// Download CSV's bytes against `expected`, the command line's.
// Download CSV and Download grades against the command line's bytes, by the file each saves.
async function checkCsv(page, expected) {
  const downloads = scratchFolder('downloads');
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
  for (const [button, name] of [['#class-csv', 'results.csv'], ['#class-grades', 'grades.csv']]) {
    const done = new Promise((resolve) => session.on('Browser.downloadProgress', (event) => event.state === 'completed' && resolve()));
    await page.click(button);
    await done;
    checkEqual(readFileSync(join(downloads, name)).toString('latin1'), expected[name].toString('latin1'), `${name} is the command line's, byte for byte`);
  }
  removeFolder(downloads);
}

const tests = {
  async check() {
    // The test file opens with control characters, which its view shows as the reports do.
    // A hidden case shows a student its verdict alone, and none of its lines.
    const testFile = `; \x1b[31mred\x07\n${readFileSync(join(examples, 'add.qzt'), 'utf8')}case "secret" points 2 hidden\n  input 1100\n  run until out=15 within 10\n`;
    writeFileSync(join(scratch, 'add.qzt'), testFile);
    const page = await openPage();
    await untilEnded(page, 'exercises', () => choose(page, '#open-exercise', [join(scratch, 'add.qzt')]));
    const programs = { 'add.s': readFileSync(join(examples, 'add.s'), 'utf8') };
    programs['add plus 2.s'] = programs['add.s'].replace('IN + 3', 'IN + 2');
    programs['add then stop.s'] = programs['add.s'].replace('JMP loop', 'JMP 2');
    for (const [name, source] of Object.entries(programs)) {
      writeFileSync(join(scratch, name), source);
      await page.$eval('#asm-source', (area, text) => (area.value = text), source);
      await untilEnded(page, 'assemblies', () => page.$eval('#asm-assemble', (button) => button.click()));
      await untilEnded(page, 'checks', () => page.click('#exercise-check'));
      const expected = reportedCases(cli(['test', 'add.qzt', name], scratch)).map(([verdict, name, failure]) =>
        name.startsWith('secret') ? [verdict, 'hidden case 1', []] : [verdict, name, failure],
      );
      checkEqual(await results(page), expected, `Check of ${name} says what qzb-cli test says`);
    }
    const line = Number(await page.$eval('#exercise-results .failure button', (link) => (link.click(), link.textContent.split(':')[1])));
    const shown = await page.evaluate(() => [document.getElementById('exercise-file-view').open, document.activeElement.textContent]);
    checkEqual(shown, [true, `${line}${testFile.split('\n')[line - 1]}`], 'a failure\'s line number opens the test file at that line');
    const first = await page.$eval('#exercise-file li', (item) => item.textContent);
    checkEqual(first, '1; \\x1b[31mred\\x07', 'the test file shows a control character as \\xNN');
    const lines = await page.$eval('#exercise-file', (list) => list.textContent);
    check(!lines.includes('secret') && !lines.includes('out=15 within 10'), 'the test file\'s view leaves out the hidden case');
    await page.close();
  },

  async csv() {
    // 30 submissions, odd ones among them, against the command line run in their folder.
    const folder = join(scratch, 'class');
    mkdirSync(folder);
    const add = readFileSync(join(examples, 'add.s'), 'utf8');
    const odd = {
      'empty.s': '',
      'empty.qzb': '',
      'noise.qzb': Buffer.from(Array.from({ length: 300 }, (_, i) => (i * 73 + 11) % 256)),
      'wrong.s': readFileSync(join(examples, 'wrong.s')),
      'saved.qzb': readFileSync(join(examples, 'add.qzb')),
      'cr cr lf.s': add.replaceAll('\n', '\r\r\n'),
      'with space.s': add.replace('IN + 3', 'IN + 4'),
      'ünïcödé 名前.s': add,
      '=sum(1,2).s': add.replace('JMP loop', 'JMP 1'),
      '\u{1F600}.s': add,
      '\uFF01.s': add,
    };
    for (let i = Object.keys(odd).length; i < 30; ++i) odd[`student${String(i).padStart(2, '0')}.s`] = add.replace('IN + 3', `IN + ${i % 5}`);
    for (const [name, bytes] of Object.entries(odd)) writeFileSync(join(folder, name), bytes);
    copyFileSync(join(examples, 'add.qzt'), join(folder, 'add.qzt'));
    const page = await openPage();
    await choose(page, '#class-tests', [join(examples, 'add.qzt')]);
    await untilEnded(page, 'gradings', () => choose(page, '#class-files', Object.keys(odd).map((name) => join(folder, name))));
    const order = await page.$$eval('#class-table tbody th', (cells) => cells.map((cell) => cell.textContent));
    checkEqual(order.length, 30, 'the table has a row a submission');
    const byBytes = [...order].sort((a, b) => Buffer.compare(Buffer.from(a), Buffer.from(b)));
    checkEqual(order, byBytes, 'the table sorts the names by their UTF-8 bytes, as LC_ALL=C does');
    // A failing row opens, from the keyboard, on the text report's lines for it.
    const opener = await page.$('#class-table tbody th button');
    await opener.focus();
    await page.keyboard.press('Enter');
    const [name, expanded, details] = await opener.evaluate((button) => [button.textContent, button.getAttribute('aria-expanded'), button.getAttribute('aria-controls')]);
    const why = await page.$$eval(`#${details} li`, listed);
    const failures = reportedCases(cli(['test', 'add.qzt', name], folder)).filter(([verdict]) => verdict === 'FAIL');
    checkEqual([expanded, why], ['true', failures], `${name}'s row opens on its failures`);

    const format = (name) => cli(['test', 'add.qzt', ...order, '--format', name], folder);
    await checkCsv(page, { 'results.csv': format('csv'), 'grades.csv': format('grades') });
    await page.close();
  },

  async whileGrading() {
    // 8 programs against 100 cases of up to a million steps, two of them never done early, while
    // the counting program runs at 10 Hz; the page counts the steps its panel shows meanwhile.
    const folder = join(scratch, 'long');
    mkdirSync(folder);
    writeFileSync(join(folder, 'long.qzt'), Array.from({ length: 100 }, (_, i) => `case "${i}"\nrun until pc=15 within 1000000\n`).join(''));
    const programs = Array.from({ length: 8 }, (_, i) => join(folder, `p${i}.s`));
    programs.forEach((path, i) => writeFileSync(path, i % 4 === 1 ? `loop: B = B + ${i}\nOUT = B\nJMP loop\n` : 'JMP 15\n'));
    const page = await openPage(`#qzb1.5180F${'0'.repeat(27)}..10hz.0`);
    await choose(page, '#class-tests', [join(folder, 'long.qzt')]);
    await page.evaluate(() => {
      window.watched = { steps: 0, longest: 0, start: performance.now() };
      new MutationObserver(() => ++watched.steps).observe(document.getElementById('lblPC'), { subtree: true, characterData: true });
      new PerformanceObserver((list) => list.getEntries().forEach((task) => (watched.longest = Math.max(watched.longest, task.duration)))).observe({ type: 'longtask' });
    });
    await untilEnded(page, 'gradings', () => choose(page, '#class-files', programs));
    const [elapsed, steps] = await page.evaluate(() => [performance.now() - watched.start, watched.steps]);
    await new Promise((done) => setTimeout(done, 1000)); // long tasks are reported a while after they end
    const longest = await page.evaluate(() => watched.longest);
    check(steps >= elapsed / 200 && longest < 1000, `the panel showed ${steps} of ${(elapsed / 100).toFixed(0)} steps while grading ran; longest task ${longest.toFixed(0)} ms`);
    const format = (name) => cli(['test', 'long.qzt', ...programs.map((path) => basename(path)), '--format', name], folder);
    await checkCsv(page, { 'results.csv': format('csv'), 'grades.csv': format('grades') });
    // Progress shows; a new choice replaces the grading in progress, and Stop ends one. (The
    // browser sends no change for the very files chosen before.)
    const midway = () => page.waitForFunction(() => /^[1-6] of/.test(document.getElementById('class-progress').textContent));
    await choose(page, '#class-files', programs.slice(1));
    await midway();
    await untilEnded(page, 'gradings', () => choose(page, '#class-files', [programs[0], programs[2]]));
    checkEqual(await page.$$eval('#class-table tbody th', (cells) => cells.map((cell) => cell.textContent)), ['p0.s', 'p2.s'], 'a new choice replaces the grading in progress');
    await choose(page, '#class-files', programs);
    await midway();
    await untilEnded(page, 'gradings', () => page.click('#class-stop'));
    const stopped = await page.evaluate(() => ['class-stop', 'class-csv'].map((id) => document.getElementById(id).disabled).concat(document.querySelectorAll('#class-table tbody th').length));
    check(stopped[0] && stopped[1] && stopped[2] < 8, `Stop ends the grading with fewer than 8 rows and no CSV: ${stopped}`);
    await page.close();
  },

  async offline() {
    // Once the network is gone the grading worker's files come from the page's service worker.
    const own = await serve(options.site);
    const context = await browser.createBrowserContext();
    const page = await openPageAt(context, `http://127.0.0.1:${own.address().port}/`);
    await page.evaluate(() => navigator.serviceWorker.ready);
    own.closeAllConnections();
    await new Promise((done) => own.close(done));
    await page.reload();
    await page.waitForSelector('html[data-ready="true"]');
    await choose(page, '#class-tests', [join(examples, 'add.qzt')]);
    await untilEnded(page, 'gradings', () => choose(page, '#class-files', [join(examples, 'add.s')]));
    checkEqual(await page.$$eval('#class-table tbody td', (cells) => cells.map((cell) => cell.textContent).filter((text) => !text.includes('/'))), Array(4).fill('pass'), 'offline, the page grades a class');
    await context.close();
  },

  async oneFile() {
    // qzb.html from the disk grades in its worker too, in Chromium and in Firefox where it is installed.
    const firefoxPath = options.firefox ?? '/usr/bin/firefox-esr';
    const firefox = existsSync(firefoxPath) && (await puppeteer.launch({ browser: 'firefox', executablePath: firefoxPath, headless: true, userDataDir: join(scratch, 'firefox') }));
    if (!firefox) console.log(`Firefox part skipped: ${firefoxPath} is not installed`);
    const [tests, program] = ['add.qzt', 'add.s'].map((name) => readFileSync(join(examples, name), 'utf8'));
    for (const [name, where] of [['Chromium', browser], ...(firefox ? [['Firefox', firefox]] : [])]) {
      const page = await openPageAt(where, pathToFileURL(join(options.site, 'qzb.html')).href);
      await untilEnded(page, 'gradings', () =>
        page.evaluate((files) => {
          for (const [id, name, text] of files) {
            const transfer = new DataTransfer();
            transfer.items.add(new File([text], name));
            document.getElementById(id).files = transfer.files;
            document.getElementById(id).dispatchEvent(new Event('change'));
          }
        }, [['class-tests', 'add.qzt', tests], ['class-files', 'add.s', program]]),
      );
      checkEqual(await page.$$eval('#class-table tbody td', (cells) => cells.map((cell) => cell.textContent).filter((text) => !text.includes('/'))), Array(4).fill('pass'), `${name}: qzb.html from the disk grades a class`);
      await page.close();
    }
    if (firefox) await firefox.close();
  },

  async readAsEmpty() {
    // A browser reads a FIFO and a link to a device as empty files: the page says what qzb-cli test says of them.
    const folder = join(scratch, 'special');
    mkdirSync(folder);
    spawnSync('mkfifo', [join(folder, 'fifo.s'), join(folder, 'fifo.qzt')]);
    symlinkSync('/dev/zero', join(folder, 'zero.s'));
    const page = await openPage();
    await untilEnded(page, 'exercises', () => choose(page, '#open-exercise', [join(folder, 'fifo.qzt')]));
    await choose(page, '#class-tests', [join(examples, 'add.qzt')]);
    await untilEnded(page, 'gradings', () => choose(page, '#class-files', [join(folder, 'fifo.s'), join(folder, 'zero.s')]));
    const said = await page.$$eval('#exercise-problems li, #class-table .note', (items) => items.map((item) => item.textContent).join('\n'));
    const refusals = [
      spawnSync(resolve(options.cli), ['test', 'fifo.qzt', 'zero.s'], { cwd: folder, encoding: 'utf8' }).stderr.replace('qzb-cli: ', ''),
      ...new Set(cli(['test', join(examples, 'add.qzt'), 'fifo.s', 'zero.s', '--format', 'csv'], folder).toString().split('\n').slice(1, -1).map((row) => row.split(',').slice(4, -1).join(','))),
    ];
    for (const refusal of refusals) check(said.includes(refusal.trim()), `the page says "${refusal.trim()}" as qzb-cli test does, in:\n${said}`);
    await page.close();
  },

  async link() {
    // The task shows, Check grades the link's panel, and the pane's own link says the same.
    const testFile = readFileSync(join(examples, 'add.qzt'));
    const panel = cli(['link', 'add.s']).toString().trim();
    const fragment = `#qzt1.${testFile.toString('base64url')}&${panel.slice(1)}`;
    const page = await openPage(fragment);
    await page.waitForFunction(() => !document.getElementById('exercise-check').disabled);
    checkEqual(await page.$eval('#exercise-task', (task) => task.textContent), 'Tests of add.qzb for qzb-cli test.', 'the link shows the task');
    await untilEnded(page, 'checks', () => page.click('#exercise-check'));
    checkEqual((await results(page)).map(([verdict]) => verdict), ['pass', 'pass', 'pass', 'pass'], 'the link\'s panel passes');
    await page.click('#exercise-with-panel');
    await page.click('#copy-exercise-link');
    await page.waitForSelector('#exercise-link-status:not(:empty)');
    checkEqual(await page.evaluate(() => location.hash), fragment, 'Copy exercise link makes the same link');
    await page.close();
  },
};

// index.html from the disk cannot start and says so on the page; qzb.html from the disk starts and says nothing.
tests.fromDisk = async () => {
  for (const [file, notice] of [['index.html', true], ['qzb.html', false]]) {
    const page = await browser.newPage();
    await page.goto(pathToFileURL(join(options.site, file)).href);
    if (!notice) await page.waitForSelector('html[data-ready="true"]');
    const shown = await page.evaluate(() => document.getElementById('served-only')?.checkVisibility() ? document.getElementById('served-only').textContent : '');
    check(notice === shown.includes('qzb.html'), `${file} from the disk ${notice ? 'says' : 'does not say'} to open qzb.html: "${shown.trim()}"`);
    await page.close();
  }
};

await runTests(tests, async () => {
  await browser.close();
  server.close();
  removeFolder(scratch);
});
