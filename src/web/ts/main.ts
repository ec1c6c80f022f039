// SPDX-License-Identifier: MIT
// The page's start: the core, the page's language, the panel built from the shared layout
// table and fitted to the screen, the clock, the menus and the file commands, the header with
// the examples, and the panes. Every event goes to the core, whose view then says what to draw.

import { AssemblyPane } from './assembly_pane.js';
import { ClassPane } from './class_pane.js';
import { Beeper, Timer1 } from './clock.js';
import { Core, type View } from './core.js';
import { DatapathPane } from './datapath_pane.js';
import { showMessage, useTexts } from './dialogs.js';
import { ExercisePane } from './exercise_pane.js';
import { FileCommands } from './file_commands.js';
import { HistoryPane } from './history_pane.js';
import { useLanguage } from './language.js';
import { listenForLaunches } from './launch.js';
import { buildMenus } from './menus.js';
import type { ExampleFiles } from './page_json.js';
import { Panel } from './panel.js';
import { ProgramPane } from './program_pane.js';
import { servedWithSite } from './site.js';
import { TimingPane } from './timing_pane.js';
import { byId, countEnded } from './ui.js';
import { buildWelcome, builtInExamples } from './welcome.js';

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

// The panel as a picture scales: as a whole, by a transform, where the screen is narrower than
// it; at full size it is left as it is. The observer first measures in the first frame, once
// laid out, rather than make the page lay out twice before the panel shows.
function fitPanel(frame: HTMLElement, panel: HTMLElement): void {
  const fit = (): void => {
    const scale = Math.min(1, frame.clientWidth / panel.offsetWidth);
    panel.style.transform = scale < 1 ? `scale(${scale})` : '';
    frame.style.height = scale < 1 ? `${panel.offsetHeight * scale}px` : '';
  };
  new ResizeObserver(fit).observe(frame);
}

class Page {
  private readonly beeper = new Beeper();
  private readonly timer = new Timer1((count) => this.show(this.core.tick(count)));
  readonly exercise: ExercisePane;
  private panes: Pane[] = [];

  constructor(
    private readonly core: Core,
    private readonly panel: Panel,
  ) {
    this.exercise = new ExercisePane(core, (view) => this.show(view));
    new ClassPane(core);
    panel.onSwitch = (place) => this.show(core.toggle(place));
    panel.onClockOption = (option) => this.show(core.selectClock(option));
    panel.onClock = () => this.show(core.clock());
    panel.onReset = () => this.show(core.reset());
    this.beeper.unlockOnInput();
    new AssemblyPane(core, (view) => this.show(view));
  }

  start(): void {
    this.openLink(location.hash);
    this.panel.draw(this.core.view, ~0);
    this.panel.focusFirst();
    this.timer.start();
    window.addEventListener('hashchange', () => this.openLink(location.hash));
  }

  // The panes that draw the machine, built once the panel is on the screen: the visitor sees
  // the panel a frame sooner, and the panes catch up with the steps run meanwhile.
  buildPanes(): void {
    const core = this.core;
    const folding = (pane: Pane, id: string): Pane =>
      new Folding(pane, byId(id).querySelector('details') as HTMLDetailsElement, () => core.view);
    const program = new ProgramPane(byId('program-rows'), core, core.json, (view) => this.show(view));
    program.onSwitch = this.panel.onSwitch;
    this.panes = [
      folding(program, 'program-pane'),
      folding(new HistoryPane(byId('history'), byId('step-back'), byId('last-step'), core), 'history-pane'),
      folding(new DatapathPane(byId('datapath-picture'), core), 'datapath-pane'),
      folding(new TimingPane(byId('timing-scroll'), byId('timing-download'), core), 'timing-pane'),
    ];
    byId('step-back').addEventListener('click', () => this.show(core.stepBack()));
    for (const pane of this.panes) pane.draw(core.view, ~0);
  }

  // Draws what the last event changed, and beeps as often as its redraws did.
  show(view: View): void {
    const changed = view.changed;
    this.panel.draw(view, changed);
    for (const pane of this.panes) pane.draw(view, changed);
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

  // A page cannot close itself: the clock stops and the panel gives way to a notice.
  end(): void {
    this.timer.stop();
    this.panel.hide();
    const ended = byId('ended');
    ended.hidden = false;
    ended.querySelector('button')?.focus();
  }

  // Start again, after End.
  wireStartAgain(): void {
    byId('start-again').addEventListener('click', () => location.reload());
  }
}

async function main(): Promise<void> {
  performance.mark('qzb-start');
  const core = await Core.load();
  performance.mark('qzb-core-loaded');
  useTexts(core.json.texts);
  useLanguage(core.json.texts, byId<HTMLSelectElement>('language'));
  const panel = new Panel(byId('client'), core.json);
  fitPanel(byId('panel-frame'), byId('window'));
  performance.mark('qzb-panel-built');
  const page = new Page(core, panel);
  const files = new FileCommands(core, (view) => page.show(view));
  buildMenus(byId('menubar'), core.json.menus, {
    Load: () => files.load().finally(() => countEnded('loads')),
    SaveAs: () => files.saveAs().finally(() => countEnded('saves')),
    End: () => page.end(),
    About: () => showMessage(core.json.texts.about, 'information'),
  });
  page.wireStartAgain();
  // An example loads as Load loads its file, and opens its test file in the Exercise pane.
  const open = async ({ name, setting, tests }: ExampleFiles): Promise<void> => {
    const file = (fileName: string, text: string) => ({ name: fileName, read: () => Promise.resolve(new TextEncoder().encode(text)) });
    await files.open(file(`${name}.qzb`, setting));
    if (tests !== null) await page.exercise.openFile(file(`${name}.qzt`, tests));
  };
  buildWelcome(builtInExamples(), (example) => void open(example).finally(() => countEnded('examples')));
  page.start();
  listenForLaunches((file) => files.open(file).finally(() => countEnded('loads')));
  // After the first paint of the panel (marked for bench/web.mjs), the panes.
  await new Promise((painted) => requestAnimationFrame(() => setTimeout(painted, 0)));
  performance.mark('qzb-panel-shown');
  page.buildPanes();
  document.documentElement.dataset['ready'] = 'true';
  if (servedWithSite && 'serviceWorker' in navigator && location.protocol !== 'file:') {
    navigator.serviceWorker.register('sw.js').catch(() => undefined);
  }
}

void main();

// For the page's tests, which make cores of their own in the page.
export { Core };
