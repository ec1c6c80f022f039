// SPDX-License-Identifier: MIT
// The History pane: the rows of the run table since the reset, newest last, Step back,
// and the last step in words. Rows come from the core only as they are new; the list
// grows at its end and loses its oldest rows as the core forgets them, and is drawn
// afresh only when the view's changes say so.

import type { Core, View } from './core.js';
import { make, StepPacer } from './ui.js';

// The list holds its rows in blocks of this many, each laid out and painted only while in
// view: a step lays out the newest block, and forgetting a row out of view moves nothing.
const rowsPerBlock = 50;

export class HistoryPane {
  // The rows shown, oldest first, and the step of the first.
  private readonly rows: HTMLElement[] = [];
  private first = 0;
  // Whether the newest row is to be kept in view: until the reader scrolls up.
  private following = true;
  private readonly lastStep = new Text();
  private readonly pacer = new StepPacer();

  constructor(
    private readonly list: HTMLElement,
    private readonly stepBack: HTMLButtonElement,
    lastStepBox: HTMLElement,
    private readonly core: Core,
  ) {
    (lastStepBox.firstElementChild ?? lastStepBox).append(this.lastStep);
    const scroller = list.parentElement;
    scroller?.addEventListener('scroll', () => {
      this.following = scroller.scrollTop + scroller.clientHeight >= scroller.scrollHeight - 2;
    });
  }

  draw(view: View, changed: number): void {
    const changes = this.core.json.view.changes;
    const followed = changed & (changes.history | changes.historyAfresh);
    if (!(followed | this.pacer.held)) return;
    this.stepBack.disabled = view.number('canStepBack') === 0;
    const taken = this.pacer.take(followed, view.number('clockOption'));
    if (!taken) return;
    const afresh = (taken & changes.historyAfresh) !== 0;
    const [first, last] = [view.number('historyFirst'), view.number('historyLast')];
    if (afresh) {
      this.rows.length = 0;
      this.list.replaceChildren();
    }
    // Steps undone, then steps forgotten.
    while (this.rows.length > 0 && this.first + this.rows.length - 1 > last) this.remove(this.rows.pop());
    while (this.rows.length > 0 && this.first < first) {
      this.remove(this.rows.shift());
      ++this.first;
    }
    if (this.rows.length === 0) this.first = first;
    const history = this.core.history(this.first + this.rows.length);
    if (afresh) this.append(history.header).className = 'qzb-history-header';
    for (const text of history.rows) this.rows.push(this.append(text));
    this.lastStep.data = history.lastStep;
    const scroller = this.list.parentElement;
    if (this.following && scroller) scroller.scrollTop = scroller.scrollHeight;
  }

  private append(text: string): HTMLElement {
    let block = this.list.lastElementChild;
    if (!block || block.childElementCount >= rowsPerBlock) block = this.list.appendChild(make('div'));
    return block.appendChild(make('div', '', text));
  }

  private remove(row: HTMLElement | undefined): void {
    const block = row?.parentElement;
    row?.remove();
    if (block && !block.firstChild) block.remove();
  }
}
