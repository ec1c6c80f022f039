// SPDX-License-Identifier: MIT
// The front panel as native form controls, each placed at its rectangle of the
// shared layout table (the same one the desktop window is built from).

import { Bank, ClockOption, type Core, type Readouts, SwitchState } from './core.js';

export interface Control {
  name: string;
  kind: 'label' | 'checkbox' | 'option' | 'button' | 'frame';
  text: string;
  rect: [number, number, number, number]; // x, y, width, height in the parent
  parent: string;
  align: 'left' | 'centre';
  accessibleName: string;
  labels: string; // for a caption: the readout it names
  fontFace: string;
  fontPoints: number;
  colour?: [number, number, number];
  opaque: boolean;
}

export interface Line {
  name: string;
  from: [number, number];
  to: [number, number];
}

// The shared table as the core's pageJson() writes it (roles, texts and styles are not read yet).
export interface Layout {
  title: string;
  client: [number, number];
  controls: Control[];
  lines: Line[];
  menus: { name: string; items: string[] }[];
  tabOrder: string[];
}

// "chkRom(5)" -> ["chkRom", 5]; a plain name has index -1.
function bankOf(name: string): [string, number] {
  const match = /^(\w+)\((\d+)\)$/.exec(name);
  return match ? [match[1] ?? name, Number(match[2])] : [name, -1];
}

function domId(name: string): string {
  return name.replace(/\((\d+)\)$/, '-$1');
}

const clockOptions: Record<string, ClockOption> = {
  optClk1: ClockOption.Hz1,
  optClk2: ClockOption.Hz10,
  optClk3: ClockOption.Manual,
};

export class Panel {
  onSwitch: (bank: Bank, index: number) => void = () => undefined;
  onClockOption: (option: ClockOption) => void = () => undefined;
  onClock: () => void = () => undefined;
  onReset: () => void = () => undefined;

  private readonly boxes = new Map<string, HTMLInputElement>();
  private readonly radios = new Map<ClockOption, HTMLInputElement>();
  private readonly addressLabels: HTMLElement[] = [];
  private readonly readouts = new Map<string, HTMLElement>();
  private redRow = -1;
  private first: HTMLElement | null = null;

  constructor(
    private readonly client: HTMLElement,
    layout: Layout,
    private readonly core: Core,
  ) {
    client.style.width = `${layout.client[0]}px`;
    client.style.height = `${layout.client[1]}px`;
    this.drawLines(layout.lines);
    this.build(layout);
    // The refresh writes the same texts every time; once is enough here.
    this.addressLabels.forEach((label, row) => (label.textContent = core.addressText(row)));
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

  private build(layout: Layout): void {
    const made = new Map<string, HTMLElement>();
    const focusables = new Map<string, HTMLElement>();
    for (const control of layout.controls) {
      const [element, focusable] = this.make(control);
      element.dataset['name'] = control.name;
      element.id = domId(control.name);
      element.classList.add('qzb-control', `qzb-${control.kind}`);
      const style = element.style;
      const [x, y, width, height] = control.rect;
      style.left = `${x}px`;
      style.top = `${y}px`;
      style.width = `${width}px`;
      style.height = `${height}px`;
      if (control.align === 'centre') element.classList.add('qzb-centred');
      // The lamps' face where it exists; else a face with the same circles.
      if (control.fontFace) style.fontFamily = `"${control.fontFace}", "MS PGothic", "IPAPGothic", sans-serif`;
      if (control.fontPoints) style.fontSize = `${control.fontPoints}pt`;
      if (control.colour) style.color = `rgb(${control.colour.join(', ')})`;
      if (control.opaque) element.classList.add('qzb-opaque');
      made.set(control.name, element);
      if (focusable) focusables.set(control.name, focusable);
    }
    // Captions name their readouts.
    for (const control of layout.controls) {
      if (!control.labels) continue;
      const readout = made.get(control.labels);
      const caption = made.get(control.name);
      if (readout && caption) readout.setAttribute('aria-labelledby', caption.id);
    }
    // Labels and frames first; focusable controls in the table's tab order, since
    // the document's order is the order Tab walks.
    const placed = new Set<HTMLElement>();
    const place = (control: Control): void => {
      const element = made.get(control.name);
      if (!element || placed.has(element)) return;
      const parent = control.parent ? made.get(control.parent) : this.client;
      const parentControl = layout.controls.find((c) => c.name === control.parent);
      if (parentControl) place(parentControl);
      (parent ?? this.client).append(element);
      placed.add(element);
    };
    // A frame goes in with its first child, so its children keep their places in the order.
    for (const control of layout.controls) {
      if (!focusables.has(control.name) && control.kind !== 'frame') place(control);
    }
    const byName = new Map(layout.controls.map((c) => [c.name, c]));
    for (const name of layout.tabOrder) {
      const control = byName.get(name);
      if (control) place(control);
    }
    for (const control of layout.controls) place(control);
    this.first = focusables.get(layout.tabOrder[0] ?? '') ?? null;
  }

  // The element at the rectangle, and the one inside it that takes focus.
  private make(control: Control): [HTMLElement, HTMLElement | null] {
    const [bank, index] = bankOf(control.name);
    switch (control.kind) {
      case 'checkbox': {
        const wrapper = document.createElement('label');
        const box = document.createElement('input');
        box.type = 'checkbox';
        if (control.accessibleName) box.setAttribute('aria-label', control.accessibleName);
        wrapper.append(box);
        if (control.text) wrapper.append(Object.assign(document.createElement('span'), { textContent: control.text }));
        const target: [Bank, number] =
          bank === 'chkRom' ? [Bank.Program, index] : bank === 'chkInp' ? [Bank.Input, index] : [Bank.Beep, 0];
        box.addEventListener('change', () => this.onSwitch(target[0], target[1]));
        this.boxes.set(`${target[0]}:${target[1]}`, box);
        return [wrapper, box];
      }
      case 'option': {
        const wrapper = document.createElement('label');
        const radio = document.createElement('input');
        radio.type = 'radio';
        radio.name = 'clock';
        wrapper.append(radio, Object.assign(document.createElement('span'), { textContent: control.text }));
        const option = clockOptions[control.name] ?? ClockOption.None;
        radio.addEventListener('change', () => {
          if (!radio.checked) return;
          this.onClockOption(option);
          this.showTabStop();
        });
        this.radios.set(option, radio);
        return [wrapper, radio];
      }
      case 'button': {
        const button = document.createElement('button');
        button.type = 'button';
        button.textContent = control.text;
        button.addEventListener('click', () => (control.name === 'cmdClock' ? this.onClock() : this.onReset()));
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
      default: {
        // A readout is an output element, so a screen reader hears its value under its caption.
        const readout = control.name.startsWith('lbl');
        const label = document.createElement(readout ? 'output' : 'span');
        label.textContent = control.text;
        if (readout) label.setAttribute('aria-live', 'off');
        if (bank === 'Label2') this.addressLabels[index] = label;
        if (readout) this.readouts.set(control.name, label);
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

  showSwitch(bank: Bank, index: number): void {
    const box = this.boxes.get(`${bank}:${index}`);
    if (!box) return;
    const state = this.core.switchState(bank, index);
    box.checked = state === SwitchState.On;
    box.indeterminate = state === SwitchState.Greyed;
  }

  showSwitches(): void {
    for (let index = 0; index < 128; ++index) this.showSwitch(Bank.Program, index);
    for (let index = 0; index < 4; ++index) this.showSwitch(Bank.Input, index);
    this.showSwitch(Bank.Beep, 0);
    // After some loads no option is selected; a radio group shows that too.
    const selected = this.core.clockOption();
    for (const [option, radio] of this.radios) radio.checked = option === selected;
    this.showTabStop();
  }

  // Tab enters the clock options at the one the panel model names; the arrow keys move among them.
  private showTabStop(): void {
    const stop = this.core.tabStopOption();
    for (const [option, radio] of this.radios) radio.tabIndex = option === stop ? 0 : -1;
  }

  showReadouts(readouts: Readouts): void {
    const show = (name: string, text: string): void => {
      const label = this.readouts.get(name);
      if (label && label.textContent !== text) label.textContent = text;
    };
    show('lblRegA', readouts.regA);
    show('lblRegB', readouts.regB);
    show('lblPC', readouts.pc);
    show('lblF', readouts.carry);
    show('lblOUTP', readouts.outp);
    if (readouts.redRow !== this.redRow) {
      this.addressLabels[this.redRow]?.classList.remove('qzb-red');
      this.addressLabels[readouts.redRow]?.classList.add('qzb-red');
      this.redRow = readouts.redRow;
    }
  }

  countBeep(count: number): void {
    this.client.dataset['beeps'] = String(count);
  }
}
