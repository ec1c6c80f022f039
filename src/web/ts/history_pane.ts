// SPDX-License-Identifier: MIT
// The History pane: the rows of the run table since the reset, newest last, Step back,
// and the last step in words. Rows come from the core only as they are new; the list
// grows at its end and loses its oldest rows as the core forgets them, and is drawn
// afresh only when the history starts again.

import { ClockOption, type Core, type View } from './core.js';

// The list holds its rows in blocks of this many, each laid out and painted only while in
// view: a step lays out the newest block, and forgetting a row out of view moves nothing.
const rowsPerBlock = 50;

// At 10 Hz nobody reads a row a step: the list and the last step are drawn then with the first
// step at least this long after the last drawing, two or three rows at a time. At any other
// clock, and when the clock stops, each step is drawn as it happens.
const runningRedrawMs = 250;

export class HistoryPane {
  // The rows shown, oldest first, and the step of the first.
  private readonly rows: HTMLElement[] = [];
  private first = 0;
  // Whether the newest row is to be kept in view: until the reader scrolls up.
  private following = true;
  private readonly lastStep = new Text();
  private pending = false;
  private drawnAt = -Infinity;

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
    if (!(changed & view.fields.changes.history) && !this.pending) return;
    this.stepBack.disabled = !view.canStepBack;
    this.pending = true;
    const now = performance.now();
    if (view.clockOption === ClockOption.Hz10 && now - this.drawnAt < runningRedrawMs) return;
    this.pending = false;
    this.drawnAt = now;
    // Steps undone, then steps forgotten.
    while (this.rows.length > 0 && this.first + this.rows.length - 1 > view.historyLast) this.remove(this.rows.pop());
    while (this.rows.length > 0 && this.first < view.historyFirst) {
      this.remove(this.rows.shift());
      ++this.first;
    }
    const { header, rows } = this.core.historyRows(this.rows.length > 0 ? this.first + this.rows.length : -1);
    if (header !== null) {
      this.rows.length = 0;
      this.list.replaceChildren();
      this.append(header).className = 'qzb-history-header';
      this.first = view.historyFirst;
    }
    for (const text of rows) this.rows.push(this.append(text));
    const lastStep = this.core.lastStep();
    if (this.lastStep.data !== lastStep) this.lastStep.data = lastStep;
    const scroller = this.list.parentElement;
    if (this.following && scroller) scroller.scrollTop = scroller.scrollHeight;
  }

  private append(text: string): HTMLElement {
    let block = this.list.lastElementChild;
    if (!block || block.childElementCount >= rowsPerBlock) block = this.list.appendChild(document.createElement('div'));
    const row = block.appendChild(document.createElement('div'));
    row.textContent = text;
    return row;
  }

  private remove(row: HTMLElement | undefined): void {
    const block = row?.parentElement;
    row?.remove();
    if (block && !block.firstChild) block.remove();
  }
}
