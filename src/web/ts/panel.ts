// SPDX-License-Identifier: MIT
// The front panel as native form controls, each placed at its rectangle of the
// shared layout table (the same one the desktop window is built from) and bound
// by its role.

import type { ClockOption, Control, Line, PageJson, ReadoutName, Role, View } from './core.js';
import { SwitchState } from './core.js';
import { rgb } from './ui.js';

function domId(name: string): string {
  return name.replace(/\((\d+)\)$/, '-$1');
}

export class Panel {
  onSwitch: (bank: number, index: number) => void = () => undefined;
  onClockOption: (option: ClockOption) => void = () => undefined;
  onClock: () => void = () => undefined;
  onReset: () => void = () => undefined;

  // By bank and index, with the state each shows.
  private readonly switches: { box: HTMLInputElement; bank: number; index: number; shown: SwitchState }[] = [];
  private readonly radios = new Map<ClockOption, HTMLInputElement>();
  private readonly readouts: { text: Text; name: ReadoutName; changed: number }[] = [];
  // Each address label's text twice, in its own colour and in red, of which one is empty.
  private readonly addressLabels: { text: string; black: Text; red: Text }[] = [];
  private redRow = -1;
  private first: HTMLElement | null = null;
  private readonly lampFamilies: string;

  constructor(
    private readonly client: HTMLElement,
    private readonly json: PageJson,
  ) {
    const { styles } = json;
    this.lampFamilies = [styles.lampFont.face, ...styles.lampFont.fallbacks].map((face) => `"${face}"`).join(', ');
    client.style.width = `${json.client[0]}px`;
    client.style.height = `${json.client[1]}px`;
    this.drawLines(json.lines);
    this.build(json);
  }

  private drawLines(lines: Line[]): void {
    const svg = document.createElementNS('http://www.w3.org/2000/svg', 'svg');
    svg.classList.add('qzb-lines');
    svg.setAttribute('aria-hidden', 'true');
    for (const line of lines) {
      const path = document.createElementNS('http://www.w3.org/2000/svg', 'line');
      // Through pixel centres, as a 1-pixel pen draws.
      path.setAttribute('x1', String(line.from[0] + 0.5));
      path.setAttribute('y1', String(line.from[1] + 0.5));
      path.setAttribute('x2', String(line.to[0] + 0.5));
      path.setAttribute('y2', String(line.to[1] + 0.5));
      svg.append(path);
    }
    this.client.append(svg);
  }

  private build(json: PageJson): void {
    const made = new Map<string, HTMLElement>();
    const focusables = new Map<string, HTMLElement>();
    const groups = new Map(
      (['addressLabel', 'programSwitch'] as const).map((role) => [role, this.group(json.controls, role)]),
    );
    for (const control of json.controls) {
      const [element, focusable] = this.make(control);
      element.dataset['name'] = control.name;
      element.dataset['role'] = control.role.is;
      element.id = domId(control.name);
      element.classList.add('qzb-control', `qzb-${control.kind}`);
      const style = element.style;
      const [x, y, width, height] = control.rect;
      const [left, top] = groups.get(control.role.is as 'addressLabel')?.origin ?? [0, 0];
      style.left = `${x - left}px`;
      style.top = `${y - top}px`;
      style.width = `${width}px`;
      style.height = `${height}px`;
      if (control.align === 'centre') element.classList.add('qzb-centred');
      // The lamps' face where it exists; else a face with the same circles.
      if (control.fontFace) {
        const faces = control.fontFace === json.styles.lampFont.face ? this.lampFamilies : `"${control.fontFace}"`;
        style.fontFamily = `${faces}, sans-serif`;
      }
      if (control.fontPoints) style.fontSize = `${control.fontPoints}pt`;
      if (control.colour) style.color = rgb(control.colour);
      if (control.opaque) element.classList.add('qzb-opaque');
      made.set(control.name, element);
      if (focusable) focusables.set(control.name, focusable);
    }
    // Captions name their readouts.
    for (const control of json.controls) {
      const readout = made.get(control.labels);
      const caption = made.get(control.name);
      if (control.labels && readout && caption) readout.setAttribute('aria-labelledby', caption.id);
    }
    // Labels and frames first; focusable controls in the table's tab order, since
    // the document's order is the order Tab walks.
    const byName = new Map(json.controls.map((c) => [c.name, c]));
    const placed = new Set<HTMLElement>();
    const place = (control: Control): void => {
      const element = made.get(control.name);
      if (!element || placed.has(element)) return;
      const parentControl = byName.get(control.parent);
      if (parentControl) place(parentControl);
      const parent = groups.get(control.role.is as 'addressLabel')?.element ?? made.get(control.parent);
      if (parent && !parent.isConnected) this.client.append(parent);
      (parent ?? this.client).append(element);
      placed.add(element);
    };
    // A frame goes in with its first child, so its children keep their places in the order.
    for (const control of json.controls) {
      if (!focusables.has(control.name) && control.kind !== 'frame') place(control);
    }
    for (const name of json.tabOrder) {
      const control = byName.get(name);
      if (control) place(control);
    }
    for (const control of json.controls) place(control);
    this.first = focusables.get(json.tabOrder[0] ?? '') ?? null;
  }

  // The controls of one role in a box of their own around them, which paints as one unit
  // that a frame reuses whole while none of them changes. The program switches' box is
  // only that. The address labels' box is also a layer of its own, opaque (so it draws as
  // the panel does) and above the switches beside it (so none of them has to move to a
  // layer of its own), where the PC's row changes without repainting anything else.
  private group(controls: Control[], role: Role['is']): { element: HTMLElement; origin: [number, number] } {
    const rects = controls.filter((control) => control.role.is === role).map((control) => control.rect);
    const left = Math.min(...rects.map(([x]) => x));
    const top = Math.min(...rects.map(([, y]) => y));
    const element = document.createElement('div');
    element.className = 'qzb-group';
    element.dataset['group'] = role;
    Object.assign(element.style, {
      left: `${left}px`,
      top: `${top}px`,
      width: `${Math.max(...rects.map(([x, , w]) => x + w)) - left}px`,
      height: `${Math.max(...rects.map(([, y, , h]) => y + h)) - top}px`,
    });
    return { element, origin: [left, top] };
  }

  // The element at the rectangle, and the one inside it that takes focus.
  private make(control: Control): [HTMLElement, HTMLElement | null] {
    const role = control.role;
    switch (role.is) {
      case 'programSwitch':
      case 'inputSwitch':
      case 'beep': {
        const wrapper = document.createElement('label');
        const box = document.createElement('input');
        box.type = 'checkbox';
        if (control.accessibleName) box.setAttribute('aria-label', control.accessibleName);
        wrapper.append(box);
        if (control.text) wrapper.append(Object.assign(document.createElement('span'), { textContent: control.text }));
        box.addEventListener('change', () => this.onSwitch(role.bank, role.index));
        this.switches.push({ box, bank: role.bank, index: role.index, shown: SwitchState.Off });
        return [wrapper, box];
      }
      case 'clockOption': {
        const wrapper = document.createElement('label');
        const radio = document.createElement('input');
        radio.type = 'radio';
        radio.name = 'clock';
        wrapper.append(radio, Object.assign(document.createElement('span'), { textContent: control.text }));
        radio.addEventListener('change', () => {
          if (radio.checked) this.onClockOption(role.option);
        });
        this.radios.set(role.option, radio);
        return [wrapper, radio];
      }
      case 'clockButton':
      case 'resetButton': {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = control.text;
        button.addEventListener('click', () => (role.is === 'clockButton' ? this.onClock() : this.onReset()));
        return [button, button];
      }
      case 'frame': {
        const frame = document.createElement('div');
        frame.setAttribute('role', 'group');
        const caption = document.createElement('span');
        caption.className = 'qzb-frame-caption';
        caption.id = `${domId(control.name)}-caption`;
        caption.textContent = control.text;
        frame.setAttribute('aria-labelledby', caption.id);
        frame.append(caption);
        return [frame, null];
      }
      case 'readout': {
        // An output element, so a screen reader hears the value under its caption.
        const output = document.createElement('output');
        const text = output.appendChild(document.createTextNode(control.text));
        output.setAttribute('aria-live', 'off');
        output.dataset['readout'] = role.readout;
        const { changed } = this.json.view.readouts[role.readout];
        this.readouts.push({ text, name: role.readout, changed });
        return [output, null];
      }
      default: {
        const label = document.createElement('span');
        label.textContent = control.text;
        if (role.is === 'addressLabel') {
          // The refresh writes the same text every time; only its colour changes, which
          // the page shows by which of the two holds it: a new text lays out and repaints
          // the label alone, where a new colour would restyle the document.
          const text = this.json.texts.addressLabels[role.address] ?? '';
          const [black, red] = [document.createTextNode(text), document.createTextNode('')];
          const redPart = document.createElement('span');
          redPart.style.color = rgb(this.json.styles.red);
          redPart.append(red);
          label.append(black, redPart);
          this.addressLabels[role.address] = { text, black, red };
        }
        return [label, null];
      }
    }
  }

  focusFirst(): void {
    this.first?.focus();
  }

  hide(): void {
    this.client.hidden = true;
  }

  // Writes what the last event changed, or with `changed` all bits, everything the view shows.
  draw(view: View, changed = view.changed): void {
    const changes = this.json.view.changes;
    if (changed & changes.switches) {
      for (const shown of this.switches) {
        const state = view.switchState(shown.bank, shown.index);
        if (state === shown.shown) continue;
        shown.box.checked = state === SwitchState.On;
        shown.box.indeterminate = state === SwitchState.Greyed;
        shown.shown = state;
      }
    }
    if (changed & changes.clock) {
      // After some loads no option is selected; a radio group shows that too. Tab enters
      // the options at the one the core names; the arrow keys move among them.
      const [selected, stop] = [view.clockOption, view.tabStopOption];
      for (const [option, radio] of this.radios) {
        radio.checked = option === selected;
        radio.tabIndex = option === stop ? 0 : -1;
      }
    }
    for (const readout of this.readouts) {
      if (changed & readout.changed) readout.text.data = view.readout(readout.name);
    }
    if (changed & changes.redRow && view.redRow !== this.redRow) {
      const [before, now] = [this.addressLabels[this.redRow], this.addressLabels[view.redRow]];
      if (before) [before.black.data, before.red.data] = [before.text, ''];
      if (now) [now.black.data, now.red.data] = ['', now.text];
      this.redRow = view.redRow;
    }
  }

  countBeeps(count: number): void {
    this.client.dataset['beeps'] = String(count);
  }
}
