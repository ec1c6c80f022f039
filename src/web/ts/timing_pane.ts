// SPDX-License-Identifier: MIT
// The Timing pane: the timing diagram of the steps the history keeps, as the core draws it for
// `qzb-cli run --format svg`, newest at the right. The core gives the columns the pane lacks
// (all of them when the history starts again); they go on at the right, while the columns of
// steps the history forgets go at the left. Download SVG saves the core's whole diagram, the same
// bytes as the command line's for the same run.
//
// On the page the columns stand in pictures of a few dozen each, beside the lanes' names, which
// stay in view: a browser lays out and paints a picture as a whole, so a step then costs the
// newest few dozen columns rather than all thousand.

import type { Core, View } from './core.js';
import { type TimingColumns } from './page_json.js';
import { countEnded, download, make, StepPacer } from './ui.js';

const svgNamespace = 'http://www.w3.org/2000/svg';

// Columns placed further than this many from where the diagram was last drawn whole would stand
// where a browser no longer places a pixel exactly: it is then drawn whole again.
const furthestColumn = 50_000;

const columnsPerPicture = 32;

const parser = new DOMParser();

function svgElement(attributes: Record<string, string | number>): SVGSVGElement {
  const made = document.createElementNS(svgNamespace, 'svg');
  for (const [name, value] of Object.entries(attributes)) made.setAttribute(name, String(value));
  return made;
}

// The elements of an SVG fragment the core wrote.
function parseFragment(fragment: string): Element[] {
  return [...parser.parseFromString(`<svg xmlns="${svgNamespace}">${fragment}</svg>`, 'image/svg+xml').documentElement.children];
}

export class TimingPane {
  // The lanes' names, then the pictures of the columns, which move left as steps are forgotten.
  private readonly strip = make('div', 'qzb-timing-strip');
  private readonly pictures = make('div', 'qzb-timing-pictures');
  private readonly byIndex = new Map<number, SVGSVGElement>();
  // The step of the first column when the diagram was last drawn whole, and the steps drawn.
  private origin = 0;
  private first = 0;
  private last = -1;
  private following = true;
  private readonly pacer = new StepPacer();

  constructor(
    private readonly scroller: HTMLElement,
    downloadButton: HTMLButtonElement,
    private readonly core: Core,
  ) {
    scroller.append(this.strip);
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
    const taken = this.pacer.take(changed & (changes.history | changes.historyAfresh), view.number('clockOption'));
    if (!taken) return;
    const afresh = (taken & changes.historyAfresh) !== 0;
    const [first, last] = [view.number('historyFirst'), view.number('historyLast')];
    if (afresh || this.last < 0 || first - this.origin > furthestColumn) {
      this.origin = this.first = first;
      this.last = first - 1;
      this.byIndex.clear();
      this.pictures.replaceChildren();
    }
    // Steps undone, then steps forgotten; the new first column has no step before it to change from.
    for (; this.last > last; --this.last) this.columnOf(this.last)?.remove();
    for (; this.first < first; ++this.first) this.columnOf(this.first)?.remove();
    this.columnOf(first)?.querySelector('.qzb-timing-edge')?.remove();
    const timing = this.core.timingColumns(this.last + 1, this.origin);
    if (this.strip.childElementCount === 0) this.drawLanes(timing);
    for (const column of parseFragment(timing.columns)) this.pictureOf(Number(column.getAttribute('data-step')), timing).append(column);
    for (const [index, picture] of this.byIndex) {
      if (picture.childElementCount > 0) continue;
      picture.remove();
      this.byIndex.delete(index);
    }
    [this.first, this.last] = [first, last];
    this.strip.style.width = `${timing.width}px`;
    this.pictures.style.transform = `translateX(${-(first - this.origin) * timing.column}px)`;
    if (this.following) this.scroller.scrollLeft = this.scroller.scrollWidth;
  }

  private drawLanes(timing: TimingColumns): void {
    const lanes = svgElement({ class: 'qzb-timing', width: timing.labels, height: timing.height, 'font-family': 'DejaVu Sans Mono, monospace', 'font-size': 10 });
    lanes.classList.add('qzb-timing-lane-names');
    lanes.append(...parseFragment(timing.lanes));
    this.strip.style.height = `${timing.height}px`;
    this.pictures.style.left = `${timing.labels}px`;
    this.strip.append(lanes, this.pictures);
  }

  // The picture that holds the column of `step`, made when it is the first.
  private pictureOf(step: number, timing: TimingColumns): SVGSVGElement {
    const index = Math.floor((step - this.origin) / columnsPerPicture);
    let picture = this.byIndex.get(index);
    if (!picture) {
      const width = columnsPerPicture * timing.column;
      const left = index * width;
      picture = svgElement({ class: 'qzb-timing', width, height: timing.height, viewBox: `${timing.labels + left} 0 ${width} ${timing.height}`, 'font-family': 'DejaVu Sans Mono, monospace', 'font-size': 10, 'text-anchor': 'middle' });
      picture.style.left = `${left}px`;
      this.byIndex.set(index, picture);
      this.pictures.append(picture);
    }
    return picture;
  }

  private columnOf(step: number): Element | null {
    return this.byIndex.get(Math.floor((step - this.origin) / columnsPerPicture))?.querySelector(`[data-step="${step}"]`) ?? null;
  }
}
