// SPDX-License-Identifier: MIT
// The History pane: the rows of the run table since the reset, newest last, Step back,
// and the last step in words. Rows come from the core only as they are new; the list
// grows at its end and loses its oldest rows as the core forgets them, and is drawn
// afresh only when the history starts again.

import type { Core, View } from './core.js';

export class HistoryPane {
  // The rows shown, oldest first, and the step of the first.
  private readonly rows: HTMLElement[] = [];
  private first = 0;
  // Whether the newest row is to be kept in view: until the reader scrolls up.
  private following = true;

  constructor(
    private readonly list: HTMLElement,
    private readonly stepBack: HTMLButtonElement,
    private readonly lastStep: HTMLElement,
    private readonly core: Core,
  ) {
    const scroller = list.parentElement;
    scroller?.addEventListener('scroll', () => {
      this.following = scroller.scrollTop + scroller.clientHeight >= scroller.scrollHeight - 2;
    });
  }

  draw(view: View, changed: number): void {
    if (!(changed & view.fields.changes.history)) return;
    this.stepBack.disabled = !view.canStepBack;
    // Steps undone, then steps forgotten.
    while (this.rows.length > 0 && this.first + this.rows.length - 1 > view.historyLast) this.rows.pop()?.remove();
    while (this.rows.length > 0 && this.first < view.historyFirst) {
      this.rows.shift()?.remove();
      ++this.first;
    }
    const { header, rows } = this.core.historyRows(this.rows.length > 0 ? this.first + this.rows.length : -1);
    if (header !== null) {
      this.rows.length = 0;
      this.list.replaceChildren(this.line(header, 'qzb-history-header'));
      this.first = view.historyFirst;
    }
    if (rows.length > 0) {
      const added = rows.map((text) => this.line(text));
      this.rows.push(...added);
      this.list.append(...added);
    }
    this.lastStep.textContent = this.core.lastStep();
    const scroller = this.list.parentElement;
    if (this.following && scroller) scroller.scrollTop = scroller.scrollHeight;
  }

  private line(text: string, className = ''): HTMLElement {
    const element = document.createElement('div');
    if (className) element.className = className;
    element.textContent = text;
    return element;
  }
}
