// SPDX-License-Identifier: MIT
// The page's start: the core, the panel built from the shared layout table, the
// 100 ms clock, the menus, the files and the link.

import { Bank, Core, SwitchState } from './core.js';
import { showMessage } from './dialogs.js';
import { pickFileToOpen, pickFileToSave } from './files.js';
import { encodeSetting, type Setting } from './link.js';
import { type Layout, Panel } from './panel.js';

// The file commands' messages, worded as the desktop panel words them.
const messages = {
  loadRefused: '無効なファイルが選択されました。ファイルはロードされませんでした。',
  saveRefused: '無効なファイルが選択されました。ファイルは保存されませんでした。',
  fileNotFound: 'File Not Found',
  cannotWrite: '書き込めません。',
};

class Beeper {
  private context: AudioContext | null = null;
  count = 0;

  // Browsers start audio only after the user has interacted with the page.
  unlock(): void {
    if (!this.context && typeof AudioContext !== 'undefined') this.context = new AudioContext();
    void this.context?.resume();
  }

  beep(): void {
    ++this.count;
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
// rather than catching up in a burst.
class Timer1 {
  private handle = 0;
  private next = 0;

  constructor(private readonly onTick: () => void) {}

  start(): void {
    this.next = performance.now() + 100;
    this.schedule();
  }

  stop(): void {
    clearTimeout(this.handle);
    this.handle = 0;
  }

  private schedule(): void {
    this.handle = window.setTimeout(() => this.fire(), Math.max(0, this.next - performance.now()));
  }

  private fire(): void {
    const now = performance.now();
    if (now - this.next > 1000) this.next = now;
    while (this.next <= now) {
      this.onTick();
      this.next += 100;
    }
    this.schedule();
  }
}

class Page {
  private readonly beeper = new Beeper();
  private readonly timer = new Timer1(() => this.tick());
  private lastName = '';

  constructor(
    private readonly core: Core,
    private readonly panel: Panel,
  ) {
    panel.onSwitch = (bank, index) => this.toggle(bank, index);
    panel.onClockOption = (option) => this.core.selectClock(option);
    panel.onClock = () => {
      if (this.core.clock()) this.refresh();
    };
    panel.onReset = () => {
      this.core.reset();
      this.refresh();
    };
    for (const event of ['pointerdown', 'keydown'] as const) {
      document.addEventListener(event, () => this.beeper.unlock(), { capture: true });
    }
  }

  start(): void {
    this.openLink(location.hash);
    this.panel.showSwitches();
    this.refresh();
    this.panel.focusFirst();
    this.timer.start();
    window.addEventListener('hashchange', () => {
      this.openLink(location.hash);
      this.panel.showSwitches();
      this.refresh();
    });
  }

  private tick(): void {
    if (this.core.tick()) this.refresh();
  }

  private refresh(): void {
    const readouts = this.core.readouts();
    this.panel.showReadouts(readouts);
    if (readouts.beep) {
      this.beeper.beep();
      this.panel.countBeep(this.beeper.count);
    }
  }

  private toggle(bank: Bank, index: number): void {
    this.core.toggle(bank, index);
    this.panel.showSwitch(bank, index);
  }

  // A link's setting replaces the panel and resets the machine; a malformed one
  // leaves the panel empty and says why.
  private openLink(fragment: string): void {
    const fault = this.core.applyLink(fragment);
    if (fault) void showMessage(`This link does not hold a QZB panel setting: ${fault}. The panel is shown empty.`);
  }

  private currentSetting(): Setting {
    const program: SwitchState[] = [];
    for (let index = 0; index < 128; ++index) program.push(this.core.switchState(Bank.Program, index));
    return { program, clock: this.core.clockOption(), beep: this.core.switchState(Bank.Beep, 0) };
  }

  async copyLink(): Promise<string> {
    const link = `${location.href.split('#')[0]}${encodeSetting(this.currentSetting())}`;
    history.replaceState(null, '', link);
    try {
      await navigator.clipboard.writeText(link);
      return 'Link copied: it opens this panel.';
    } catch {
      return 'The address bar now holds the link: copy it from there.';
    }
  }

  // No lock between commands: a browser without the file input's cancel event never
  // settles a cancelled Load, and a lock would then refuse every later one. The pickers
  // and the name box are modal, and a load changes the panel in one synchronous call.
  async load(): Promise<void> {
    const file = await pickFileToOpen();
    if (!file) return;
    if (this.core.acceptedName(file.name) === null) {
      await showMessage(messages.loadRefused);
      return;
    }
    let bytes: Uint8Array;
    try {
      bytes = await file.read(this.core.readLimit());
    } catch {
      await showMessage(messages.fileNotFound);
      return;
    }
    this.lastName = file.name;
    this.core.loadSettingFile(bytes);
    this.panel.showSwitches();
    this.refresh();
  }

  async saveAs(): Promise<void> {
    const target = await pickFileToSave(this.lastName || 'program.qzb', 'Save Setting File');
    if (!target) return;
    const name = this.core.acceptedName(target.name);
    if (name === null) {
      await showMessage(messages.saveRefused);
      return;
    }
    this.lastName = name;
    try {
      await target.write(this.core.settingFile(), name);
    } catch {
      await showMessage(messages.cannotWrite);
    }
  }

  // The desktop's About text.
  about(): Promise<void> {
    return showMessage(
      `QZB ${this.core.version()}\n\nAn emulator of the QZB, a tiny 4-bit computer. Program its 16 words of memory with the ` +
        'switches, pick a clock and watch the registers and the output lamps.',
      'information',
    );
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
    this.panel.showSwitches();
    this.refresh();
    return 'Assembled into the panel.';
  }

  disassemble(): string {
    return this.core.disassemble();
  }
}

// Counts each Load, SaveAs and assembly once it has ended, whatever its outcome, and the panel
// shows it: tests wait for the count, as the state a command leaves may have held before.
function countEnded(command: 'loads' | 'saves' | 'assemblies'): void {
  const data = document.documentElement.dataset;
  const key = `${command}Ended`;
  data[key] = String(Number(data[key] ?? 0) + 1);
}

// The menu bar from the table: a menu with items drops down, one without is a command.
function buildMenus(bar: HTMLElement, menus: Layout['menus'], commands: Record<string, () => unknown>): void {
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
  const layout = JSON.parse(core.layoutJson()) as Layout;
  document.title = layout.title;
  const panel = new Panel(client, layout, core);
  performance.mark('qzb-panel-built');
  const page = new Page(core, panel);
  buildMenus(document.getElementById('menubar') as HTMLElement, layout.menus, {
    Load: () => page.load().finally(() => countEnded('loads')),
    SaveAs: () => page.saveAs().finally(() => countEnded('saves')),
    End: () => page.end(),
    About: () => page.about(),
  });
  wireExtras(page);
  page.start();
  document.documentElement.dataset['ready'] = 'true';
  // After the first paint of the panel, for bench/web.mjs.
  requestAnimationFrame(() => setTimeout(() => performance.mark('qzb-panel-shown'), 0));
  if ('serviceWorker' in navigator && location.protocol !== 'file:') {
    navigator.serviceWorker.register('sw.js').catch(() => undefined);
  }
}

void main();
