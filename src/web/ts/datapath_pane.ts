// SPDX-License-Identifier: MIT
// The Datapath pane: one picture of the whole machine, with the path the last step took
// from its source through the adder to its destination drawn highlighted, each wire it used
// labelled with its value. The core says what the step did (qzb_datapath); the picture is
// built once and only its values, highlights and titles change.

import type { Core, View } from './core.js';
import { say } from './language.js';
import type { Datapath, DatapathPartName } from './page_json.js';
import { StepPacer } from './ui.js';

const svgNamespace = 'http://www.w3.org/2000/svg';

type Attributes = Record<string, string | number>;

function draw<K extends keyof SVGElementTagNameMap>(parent: Element, tag: K, attributes: Attributes, text = ''): SVGElementTagNameMap[K] {
  const made = document.createElementNS(svgNamespace, tag);
  for (const [name, value] of Object.entries(attributes)) made.setAttribute(name, String(value));
  if (text) made.textContent = text;
  parent.append(made);
  return made;
}

// The registers and the flag: each a box with its name and value, at its place in a picture of 450 × 280.
const boxes: [DatapathPartName, number, number, number][] = [
  ['IN', 30, 50, 76],
  ['A', 30, 100, 76],
  ['B', 30, 150, 76],
  ['OUT', 360, 60, 76],
  ['PC', 360, 122, 76],
  ['carry', 232, 200, 60],
];
const boxHeight = 26;

// Each wire's path, and where its value is written while the step uses it.
const wires: [string, string, number, number][] = [
  ['from-IN', 'M106,63H150', 128, 59],
  ['from-A', 'M106,113H150', 128, 109],
  ['from-B', 'M106,163H150', 128, 159],
  ['from-0', 'M110,205H150', 128, 201],
  ['source', 'M172,135H200V158H232', 186, 131],
  ['im', 'M264,44V56H215V112H232', 240, 52],
  ['sum', 'M292,135H330', 311, 131],
  ['carry', 'M262,165V200', 266, 186],
  ['to-OUT', 'M330,135V73H360', 345, 69],
  ['to-PC', 'M330,135H360', 345, 131],
  ['to-A', 'M330,135V262H14V113H30', 180, 274],
  ['to-B', 'M330,135V254H22V163H30', 180, 250],
];

export class DatapathPane {
  private readonly picture: SVGSVGElement;
  private readonly wireGroup: SVGGElement;
  private readonly parts = new Map<string, { group: SVGGElement; value: SVGTextElement; title: SVGTitleElement }>();
  private readonly wires = new Map<string, { path: SVGPathElement; label: SVGTextElement }>();
  private readonly word: Record<'address' | 'operation' | 'statement' | 'jump', SVGTextElement>;
  private readonly pacer = new StepPacer();

  constructor(
    holder: HTMLElement,
    private readonly core: Core,
  ) {
    this.picture = draw(holder, 'svg', { id: 'datapath', class: 'qzb-datapath', role: 'img', viewBox: '0 0 450 282' });
    this.wireGroup = draw(this.picture, 'g', { class: 'qzb-datapath-wires' });
    const labels = draw(this.picture, 'g', { class: 'qzb-datapath-labels' });
    for (const [name, path, x, y] of wires) {
      this.wires.set(name, {
        path: draw(this.wireGroup, 'path', { d: path, 'data-wire': name }),
        label: draw(labels, 'text', { x, y, 'data-wire-label': name, 'text-anchor': 'middle' }),
      });
    }
    draw(this.picture, 'text', { x: 98, y: 209, class: 'qzb-datapath-name' }, '0');
    draw(this.picture, 'polygon', { class: 'qzb-datapath-selector', points: '150,45 172,60 172,210 150,225' });

    const part = (name: DatapathPartName, group: SVGGElement, value: SVGTextElement): void => {
      const title = document.createElementNS(svgNamespace, 'title');
      group.prepend(title);
      this.parts.set(name, { group, value, title });
    };
    for (const [name, x, y, width] of boxes) {
      const group = draw(this.picture, 'g', { 'data-part': name });
      draw(group, 'rect', { x, y, width, height: boxHeight, rx: 3 });
      draw(group, 'text', { x: x + 6, y: y + 17, class: 'qzb-datapath-name' }, name);
      part(name, group, draw(group, 'text', { x: x + width - 6, y: y + 17, class: 'qzb-datapath-value', 'text-anchor': 'end' }));
    }
    const adder = draw(this.picture, 'g', { 'data-part': 'adder' });
    draw(adder, 'polygon', { points: '232,95 292,115 292,155 232,175 232,145 242,135 232,125' });
    draw(adder, 'text', { x: 268, y: 140, class: 'qzb-datapath-name', 'text-anchor': 'middle' }, '+');
    part('adder', adder, draw(adder, 'text', { x: 268, y: 156, class: 'qzb-datapath-value', 'text-anchor': 'middle' }));

    // The word the step ran: its address, its operation and its im, and its statement.
    say(draw(this.picture, 'text', { x: 204, y: 12, class: 'qzb-datapath-caption', 'text-anchor': 'middle' }), 'page.operation');
    draw(this.picture, 'text', { x: 264, y: 12, class: 'qzb-datapath-caption', 'text-anchor': 'middle' }, 'im');
    draw(this.picture, 'rect', { x: 176, y: 18, width: 56, height: boxHeight, rx: 3, class: 'qzb-datapath-operation' });
    const im = draw(this.picture, 'g', { 'data-part': 'im' });
    draw(im, 'rect', { x: 236, y: 18, width: 56, height: boxHeight, rx: 3 });
    part('im', im, draw(im, 'text', { x: 264, y: 35, class: 'qzb-datapath-value', 'text-anchor': 'middle' }));
    this.word = {
      address: draw(this.picture, 'text', { x: 170, y: 35, class: 'qzb-datapath-value', 'text-anchor': 'end' }),
      operation: draw(this.picture, 'text', { x: 204, y: 35, class: 'qzb-datapath-value', 'text-anchor': 'middle' }),
      statement: draw(this.picture, 'text', { x: 300, y: 35, class: 'qzb-datapath-statement', translate: 'no' }),
      jump: draw(this.picture, 'text', { x: 360, y: 166, id: 'datapath-jump', class: 'qzb-datapath-statement', translate: 'no' }),
    };
  }

  draw(view: View, changed: number): void {
    const changes = this.core.json.view.changes;
    // The step's path and values, the input switches, and before any step the word at PC.
    const shown = changes.history | changes.historyAfresh | changes.input | changes.words.reduce((all, word) => all | word, 0);
    if (this.pacer.take(changed & shown, view.number('clockOption'))) this.show(this.core.datapath());
  }

  private show(step: Datapath): void {
    // The step in the machine's own words, as Last step says it; before any step, the page's.
    if (step.name) {
      delete this.picture.dataset['label'];
      this.picture.setAttribute('aria-label', step.name);
    } else {
      say(this.picture, 'page.noStep', [], 'label');
    }
    for (const { part, value, active, title } of step.parts) {
      const shown = this.parts.get(part);
      if (!shown) continue;
      shown.group.dataset['value'] = value;
      mark(shown.group, active);
      shown.value.textContent = value;
      shown.title.textContent = title;
    }
    for (const { wire, value, active } of step.wires) {
      const shown = this.wires.get(wire);
      if (!shown) continue;
      mark(shown.path, active);
      if (active) shown.path.dataset['value'] = value;
      else delete shown.path.dataset['value'];
      shown.label.textContent = value;
      // A highlighted wire is drawn over the others it shares a run with.
      if (active) this.wireGroup.append(shown.path);
    }
    this.word.address.textContent = `${step.address}:`;
    this.word.operation.textContent = step.operation;
    this.word.statement.textContent = step.statement;
    this.word.jump.textContent = step.jump;
  }
}

function mark(element: SVGElement, active: boolean): void {
  if (active) element.dataset['active'] = 'true';
  else delete element.dataset['active'];
}
