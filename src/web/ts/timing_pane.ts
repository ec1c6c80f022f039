// SPDX-License-Identifier: MIT
// The Timing pane: the timing diagram of the steps the history keeps, as the core draws it for
// `qzb-cli run --format svg`, newest at the right. It is drawn whole when the history starts
// again; as the clock runs, the core gives the new steps' columns alone, which go on at the
// right while the columns of steps the history forgets go at the left. Download SVG saves the
// core's whole diagram, the same bytes as the command line's for the same run.

import type { Core, View } from './core.js';
import { ClockOption } from './page_json.js';
import { countEnded, download } from './ui.js';

// As the History: at 10 Hz, drawn with the first step at least this long after the last drawing.
const runningRedrawMs = 250;

// Columns placed further than this many from where the picture was last drawn whole would stand
// where a browser no longer places a pixel exactly: the picture is then drawn whole again.
const furthestColumn = 50_000;

// A new width lays the whole picture out again, so the picture widens this many columns at a time.
const columnsPerWidening = 64;

const parser = new DOMParser();
const decoder = new TextDecoder();

function parseSvg(text: string): SVGSVGElement {
  return document.importNode(parser.parseFromString(text, 'image/svg+xml').documentElement, true) as unknown as SVGSVGElement;
}

export class TimingPane {
  private picture: SVGSVGElement | null = null;
  private columns: Element | null = null;
  // The step of the first column when the picture was drawn whole, and the steps drawn.
  private origin = 0;
  private first = 0;
  private last = -1;
  private following = true;
  // The diagram's width, and the picture's.
  private diagramWidth = 0;
  private width = 0;
  private missed = 0;
  private drawnAt = -Infinity;

  constructor(
    private readonly scroller: HTMLElement,
    downloadButton: HTMLButtonElement,
    private readonly core: Core,
  ) {
    scroller.addEventListener('scroll', () => {
      this.following = scroller.scrollLeft + scroller.clientWidth >= scroller.scrollWidth - 2;
    });
    downloadButton.addEventListener('click', () => {
      download(core.json.texts.page.timingFileName, core.timingSvg(), 'image/svg+xml');
      countEnded('timingDownloads');
    });
  }

  draw(view: View, changed: number): void {
    const changes = this.core.json.view.changes;
    // The input switches are in the diagram's title.
    this.missed |= changed & (changes.history | changes.historyAfresh | changes.input);
    if (!this.missed) return;
    const now = performance.now();
    const clock: ClockOption = view.number('clockOption');
    if (clock === ClockOption.Hz10 && now - this.drawnAt < runningRedrawMs) return;
    const afresh = (this.missed & changes.historyAfresh) !== 0;
    this.missed = 0;
    this.drawnAt = now;
    const [first, last] = [view.number('historyFirst'), view.number('historyLast')];
    if (afresh || !this.picture || !this.columns || first - this.origin > furthestColumn) {
      this.drawWhole(first, last);
    } else {
      this.drawNew(this.picture, this.columns, first, last);
    }
    // The newest column at the right edge, with the room the picture keeps to widen beyond it.
    if (this.following) this.scroller.scrollLeft = this.diagramWidth - this.scroller.clientWidth;
  }

  // The picture's width: the diagram's, rounded up to a whole widening past its right end.
  private widen(picture: SVGSVGElement, width: number, column: number): void {
    const widening = columnsPerWidening * column;
    const wanted = Math.ceil(width / widening) * widening;
    if (wanted === this.width) return;
    this.width = wanted;
    picture.setAttribute('width', String(wanted));
  }

  private drawWhole(first: number, last: number): void {
    this.picture = parseSvg(decoder.decode(this.core.timingSvg()));
    // Drawn at its own size, so that a wider picture keeps its columns where they are.
    this.picture.removeAttribute('viewBox');
    this.diagramWidth = this.width = this.picture.width.baseVal.value;
    this.columns = this.picture.querySelector('.qzb-timing-columns');
    this.scroller.replaceChildren(this.picture);
    [this.origin, this.first, this.last] = [first, first, last];
  }

  private drawNew(picture: SVGSVGElement, columns: Element, first: number, last: number): void {
    // Steps undone, then steps forgotten.
    for (; this.last > last && columns.lastElementChild; --this.last) columns.lastElementChild.remove();
    for (; this.first < first && columns.firstElementChild; ++this.first) columns.firstElementChild.remove();
    // The first column has no step before it to change from, as when drawn whole.
    columns.firstElementChild?.querySelector('.qzb-timing-edge')?.remove();
    const update = this.core.timingColumns(this.last + 1, this.origin);
    if (update.columns) {
      const added = parseSvg(`<svg xmlns="http://www.w3.org/2000/svg">${update.columns}</svg>`);
      columns.append(...added.children);
    }
    [this.first, this.last] = [first, last];
    columns.setAttribute('transform', `translate(${-(first - this.origin) * update.column},0)`);
    this.diagramWidth = update.width;
    this.widen(picture, update.width, update.column);
    const title = picture.querySelector('title');
    if (title) title.textContent = update.title;
  }
}
