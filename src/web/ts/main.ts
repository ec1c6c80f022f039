// SPDX-License-Identifier: MIT
// The page's start: the core, the panel built from the shared layout table, the
// 100 ms clock, the menus, the files, the link and the panes beside the panel.

import { ClassPane } from './class_pane.js';
import { Core, type View } from './core.js';
import { showMessage, useTexts } from './dialogs.js';
import { ExercisePane } from './exercise_pane.js';
import { type Filter, filterOf, type OpenedFile, pickFileToOpen, pickFileToSave } from './files.js';
import { HistoryPane } from './history_pane.js';
import { listenForLaunches } from './launch.js';
import type { PageJson } from './page_json.js';
import { Panel } from './panel.js';
import { ProgramPane } from './program_pane.js';
import { servedWithSite } from './site.js';
import { countEnded, shareLink } from './ui.js';

class Beeper {
  private context: AudioContext | null = null;
  count = 0;

  // Browsers start audio only after the user has interacted with the page.
  unlock(): void {
    if (!this.context && typeof AudioContext !== 'undefined') this.context = new AudioContext();
    void this.context?.resume();
  }

  beep(count: number): void {
    this.count += count;
    const context = this.context;
    if (!context || context.state !== 'running') return;
    const oscillator = context.createOscillator();
    const gain = context.createGain();
    oscillator.type = 'square';
    oscillator.frequency.value = 880;
    gain.gain.value = 0.05;
    oscillator.connect(gain).connect(context.destination);
    oscillator.start();
    oscillator.stop(context.currentTime + 0.06);
  }
}

// Ticks every 100 ms against the clock, not by counting timer calls, so that late
// timers do not slow the machine; after a long stall (a hidden tab) it resumes
// rather than catching up in a burst. The ticks that fall due together go as one.
class Timer1 {
  private handle = 0;
  private next = 0;

  constructor(private readonly onTicks: (count: number) => void) {}

  start(): void {
    this.next = performance.now() + 100;
    this.schedule();
  }

  stop(): void {
    clearTimeout(this.handle);
    this.handle = 0;
  }

  private schedule(): void {
    // Rounded up: a timer rounded down would fire before the tick is due, and again for it.
    this.handle = window.setTimeout(() => this.fire(), Math.max(0, Math.ceil(this.next - performance.now())));
  }

  private fire(): void {
    const now = performance.now();
    if (now - this.next > 1000) this.next = now;
    let count = 0;
    for (; this.next <= now; this.next += 100) ++count;
    if (count > 0) this.onTicks(count);
    this.schedule();
  }
}

interface Pane {
  draw(view: View, changed: number): void;
}

// A pane in its <details>: folded, it draws nothing and only keeps what changed, so that it
// costs nothing while the clock runs; unfolded, it catches up at once.
class Folding implements Pane {
  private missed = 0;

  constructor(
    private readonly pane: Pane,
    private readonly details: HTMLDetailsElement,
    view: () => View,
  ) {
    details.addEventListener('toggle', () => this.draw(view(), 0));
  }

  draw(view: View, changed: number): void {
    this.missed |= changed;
    if (!this.details.open) return;
    const missed = this.missed;
    this.missed = 0;
    this.pane.draw(view, missed);
  }
}

class Page {
  private readonly beeper = new Beeper();
  private readonly timer = new Timer1((count) => this.show(this.core.tick(count)));
  private readonly texts: PageJson['texts'];
  private readonly filter: Filter;
  private lastName = '';
  private readonly exercise: ExercisePane;
  panes: Pane[] = [];

  constructor(
    private readonly core: Core,
    private readonly panel: Panel,
  ) {
    this.texts = core.json.texts;
    this.filter = filterOf(this.texts.fileFilter);
    this.exercise = new ExercisePane(core, (view) => this.show(view));
    new ClassPane(core);
    panel.onSwitch = (place) => this.show(core.toggle(place));
    panel.onClockOption = (option) => this.show(core.selectClock(option));
    panel.onClock = () => this.show(core.clock());
    panel.onReset = () => this.show(core.reset());
    for (const event of ['pointerdown', 'keydown'] as const) {
      document.addEventListener(event, () => this.beeper.unlock(), { capture: true });
    }
  }

  start(): void {
    this.openLink(location.hash);
    this.panel.draw(this.core.view, ~0);
    for (const pane of this.panes) pane.draw(this.core.view, ~0);
    this.panel.focusFirst();
    this.timer.start();
    window.addEventListener('hashchange', () => this.openLink(location.hash));
  }

  // Draws what the last event changed, and beeps as often as its redraws did.
  show(view: View): void {
    this.panel.draw(view);
    for (const pane of this.panes) pane.draw(view, view.changed);
    const beeps = view.number('beeps');
    if (beeps > 0) {
      this.beeper.beep(beeps);
      this.panel.countBeeps(this.beeper.count);
    }
  }

  // A link's setting replaces the panel and resets the machine; a malformed one
  // leaves the panel empty and says why.
  private openLink(fragment: string): void {
    if (this.exercise.openLink(fragment)) return;
    const fault = this.core.applyLink(fragment);
    this.show(this.core.view);
    if (fault) void showMessage(fault);
  }

  async copyLink(): Promise<string> {
    return (await shareLink(this.core.link())) ? this.texts.page.linkCopied : this.texts.page.linkInAddressBar;
  }

  // No lock between commands: a browser without the file input's cancel event never
  // settles a cancelled Load, and a lock would then refuse every later one. The pickers
  // and the name box are modal, and a load changes the panel in one synchronous call.
  async load(): Promise<void> {
    const file = await pickFileToOpen(this.filter);
    if (file) await this.open(file);
  }

  // Load once the file is chosen, also for a file opened with the installed page.
  async open(file: OpenedFile): Promise<void> {
    const messages = this.texts.fileCommands.Load;
    if (this.core.acceptedName(file.name) === null) {
      await showMessage(messages.refused);
      return;
    }
    let bytes: Uint8Array;
    try {
      bytes = await file.read(this.core.readLimit());
    } catch {
      await showMessage(messages.cannotOpen);
      return;
    }
    this.lastName = file.name;
    this.show(this.core.load(bytes));
  }

  async saveAs(): Promise<void> {
    const messages = this.texts.fileCommands.SaveAs;
    const suggested = this.lastName || this.texts.page.suggestedFileName;
    const target = await pickFileToSave(this.filter, suggested, this.texts.saveDialogTitle);
    if (!target) return;
    const name = this.core.acceptedName(target.name);
    if (name === null) {
      await showMessage(messages.refused);
      return;
    }
    this.lastName = name;
    try {
      await target.write(this.core.settingFile(), name);
    } catch {
      await showMessage(messages.cannotOpen);
    }
  }

  about(): Promise<void> {
    return showMessage(this.texts.about, 'information');
  }

  // A page cannot close itself: the clock stops and the panel gives way to a notice.
  end(): void {
    this.timer.stop();
    this.panel.hide();
    const ended = document.getElementById('ended');
    if (ended) {
      ended.hidden = false;
      ended.querySelector('button')?.focus();
    }
  }

  // The source's panel replaces the switches (the input port keeps its own), then reset.
  assemble(source: string): string {
    const errors = this.core.assemble(source);
    if (errors) return errors;
    this.show(this.core.view);
    return this.texts.page.assembled;
  }

  disassemble(): string {
    return this.core.disassemble();
  }
}

// The menu bar from the table: a menu with items drops down, one without is a command.
function buildMenus(bar: HTMLElement, menus: PageJson['menus'], commands: Record<string, () => unknown>): void {
  const button = (caption: string, id: string): HTMLButtonElement => {
    const made = document.createElement('button');
    made.type = 'button';
    made.id = id;
    made.setAttribute('role', 'menuitem');
    made.textContent = caption;
    return made;
  };
  for (const menu of menus) {
    const head = button(menu.name, `menu-${menu.name.toLowerCase()}`);
    if (menu.items.length === 0) {
      head.addEventListener('click', () => void commands[menu.name]?.());
      bar.append(head);
      continue;
    }
    const holder = document.createElement('div');
    holder.className = 'menu';
    const list = document.createElement('div');
    list.id = `menu-${menu.name.toLowerCase()}-items`;
    list.setAttribute('role', 'menu');
    list.setAttribute('aria-label', menu.name);
    list.hidden = true;
    head.setAttribute('aria-haspopup', 'menu');
    head.setAttribute('aria-expanded', 'false');
    const items = menu.items.map((caption) => button(caption, `menu-${caption.toLowerCase()}`));
    list.append(...items);
    holder.append(head, list);
    bar.append(holder);
    const close = (): void => {
      list.hidden = true;
      head.setAttribute('aria-expanded', 'false');
    };
    head.addEventListener('click', () => {
      if (!list.hidden) return close();
      list.hidden = false;
      head.setAttribute('aria-expanded', 'true');
      items[0]?.focus();
    });
    list.addEventListener('keydown', (event) => {
      const at = items.indexOf(document.activeElement as HTMLButtonElement);
      if (event.key === 'ArrowDown') items[(at + 1) % items.length]?.focus();
      else if (event.key === 'ArrowUp') items[(at + items.length - 1) % items.length]?.focus();
      else if (event.key === 'Escape') {
        close();
        head.focus();
      } else return;
      event.preventDefault();
    });
    document.addEventListener('pointerdown', (event) => {
      if (!list.hidden && !(event.target instanceof Node && holder.contains(event.target))) close();
    });
    for (const [index, item] of items.entries()) {
      item.addEventListener('click', () => {
        close();
        void commands[menu.items[index] ?? '']?.();
      });
    }
  }
}

function wireExtras(page: Page): void {
  const command = (id: string, action: () => unknown): void => {
    document.getElementById(id)?.addEventListener('click', () => void action());
  };
  const status = document.getElementById('link-status');
  command('copy-link', async () => {
    const said = await page.copyLink();
    if (status) status.textContent = said;
  });
  const source = document.getElementById('asm-source') as HTMLTextAreaElement | null;
  const asmStatus = document.getElementById('asm-status');
  command('asm-assemble', () => {
    if (source && asmStatus) asmStatus.textContent = page.assemble(source.value);
    countEnded('assemblies');
  });
  command('asm-disassemble', () => {
    if (source) source.value = page.disassemble();
  });
  document.getElementById('start-again')?.addEventListener('click', () => location.reload());
}

async function main(): Promise<void> {
  performance.mark('qzb-start');
  const core = await Core.load();
  performance.mark('qzb-core-loaded');
  const client = document.getElementById('client') as HTMLElement;
  useTexts(core.json.texts);
  const panel = new Panel(client, core.json);
  performance.mark('qzb-panel-built');
  const page = new Page(core, panel);
  buildMenus(document.getElementById('menubar') as HTMLElement, core.json.menus, {
    Load: () => page.load().finally(() => countEnded('loads')),
    SaveAs: () => page.saveAs().finally(() => countEnded('saves')),
    End: () => page.end(),
    About: () => page.about(),
  });
  wireExtras(page);
  const element = <T extends HTMLElement>(id: string): T => document.getElementById(id) as T;
  const folding = (pane: Pane, id: string): Pane => new Folding(pane, element(id).querySelector('details') as HTMLDetailsElement, () => core.view);
  page.panes.push(
    folding(new ProgramPane(element('program-rows'), core, core.json), 'program-pane'),
    folding(new HistoryPane(element('history'), element('step-back'), element('last-step'), core), 'history-pane'),
  );
  element('step-back').addEventListener('click', () => page.show(core.stepBack()));
  page.start();
  listenForLaunches((file) => page.open(file).finally(() => countEnded('loads')));
  document.documentElement.dataset['ready'] = 'true';
  // After the first paint of the panel, for bench/web.mjs.
  requestAnimationFrame(() => setTimeout(() => performance.mark('qzb-panel-shown'), 0));
  if (servedWithSite && 'serviceWorker' in navigator && location.protocol !== 'file:') {
    navigator.serviceWorker.register('sw.js').catch(() => undefined);
  }
}

void main();
