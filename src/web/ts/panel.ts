// SPDX-License-Identifier: MIT
// The front panel as native form controls, each placed at its rectangle of the
// shared layout table (the same one the desktop window is built from) and bound
// by its role.

import type { View } from './core.js';
import type { ClockOption, Control, Line, PageJson, Role } from './page_json.js';
import { SwitchState } from './page_json.js';
import { make, rgb } from './ui.js';

function domId(name: string): string {
  return name.replace(/\((\d+)\)$/, '-$1');
}

// The element at a control's rectangle, and the one inside it that takes focus.
type Made = [HTMLElement, HTMLElement | null];
type RoleIs<Is extends Role['is']> = Extract<Role, { is: Is }>;
type Builders = { [Is in Role['is']]: (control: Control, role: RoleIs<Is>) => Made };

// What the panel draws from the view, each with the bit of the view's changes that marks it.
interface Drawn {
  change: number;
  place: number;
}

export class Panel {
  onSwitch: (place: number) => void = () => undefined;
  onClockOption: (option: ClockOption) => void = () => undefined;
  onClock: () => void = () => undefined;
  onReset: () => void = () => undefined;

  private readonly switches: (Drawn & { box: HTMLInputElement })[] = [];
  private readonly radios = new Map<ClockOption, HTMLInputElement>();
  private readonly readouts: (Drawn & { text: Text })[] = [];
  // Each address label's text twice, in its own colour and in red, of which one is empty.
  private readonly addressLabels: { text: string; black: Text; red: Text }[] = [];
  private redRow = -1;
  private first: HTMLElement | null = null;
  private readonly lampFamilies: string;

  // What each role makes.
  private readonly builders: Builders = {
    programSwitch: (control, role) => this.switchBox(control, role),
    inputSwitch: (control, role) => this.switchBox(control, role),
    beep: (control, role) => this.switchBox(control, role),
    clockOption: (control, role) => this.clockOption(control, role),
    clockButton: (control) => this.button(control, () => this.onClock()),
    resetButton: (control) => this.button(control, () => this.onReset()),
    frame: (control) => this.frame(control),
    readout: (control, role) => this.readout(control, role),
    addressLabel: (control, role) => this.addressLabel(control, role),
    caption: (control) => [make('span', '', control.text), null],
    connector: (control) => [make('span', '', control.text), null],
  };

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
      // A role's builder takes the control of that role: TypeScript cannot follow the pair through the table.
      const build = this.builders[control.role.is] as (control: Control, role: Role) => Made;
      const [element, focusable] = build(control, control.role);
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
    const element = make('div', 'qzb-group');
    element.dataset['group'] = role;
    Object.assign(element.style, {
      left: `${left}px`,
      top: `${top}px`,
      width: `${Math.max(...rects.map(([x, , w]) => x + w)) - left}px`,
      height: `${Math.max(...rects.map(([, y, , h]) => y + h)) - top}px`,
    });
    return { element, origin: [left, top] };
  }

  private switchBox(control: Control, { place, change }: RoleIs<'programSwitch' | 'inputSwitch' | 'beep'>): Made {
    const wrapper = make('label');
    const box = make('input');
    box.type = 'checkbox';
    if (control.accessibleName) box.setAttribute('aria-label', control.accessibleName);
    wrapper.append(box);
    if (control.text) wrapper.append(make('span', '', control.text));
    box.addEventListener('change', () => this.onSwitch(place));
    this.switches.push({ box, place, change });
    return [wrapper, box];
  }

  private clockOption(control: Control, { option }: RoleIs<'clockOption'>): Made {
    const wrapper = make('label');
    const radio = make('input');
    radio.type = 'radio';
    radio.name = 'clock';
    wrapper.append(radio, make('span', '', control.text));
    radio.addEventListener('change', () => {
      if (radio.checked) this.onClockOption(option);
    });
    this.radios.set(option, radio);
    return [wrapper, radio];
  }

  private button(control: Control, press: () => void): Made {
    const button = make('button', '', control.text);
    button.type = 'button';
    button.addEventListener('click', press);
    return [button, button];
  }

  private frame(control: Control): Made {
    const frame = make('div');
    frame.setAttribute('role', 'group');
    const caption = make('span', 'qzb-frame-caption', control.text);
    caption.id = `${domId(control.name)}-caption`;
    frame.setAttribute('aria-labelledby', caption.id);
    frame.append(caption);
    return [frame, null];
  }

  // An output element, so a screen reader hears the value under its caption.
  private readout(control: Control, { readout, place, change }: RoleIs<'readout'>): Made {
    const output = make('output');
    const text = output.appendChild(document.createTextNode(control.text));
    output.setAttribute('aria-live', 'off');
    output.dataset['readout'] = readout;
    this.readouts.push({ text, place, change });
    return [output, null];
  }

  // The refresh writes the same text every time; only its colour changes, which the page shows
  // by which of the two holds it: a new text lays out and repaints the label alone, where a new
  // colour would restyle the document.
  private addressLabel(control: Control, { address }: RoleIs<'addressLabel'>): Made {
    const label = make('span', '', control.text);
    const text = this.json.texts.addressLabels[address] ?? '';
    const [black, red] = [document.createTextNode(text), document.createTextNode('')];
    const redPart = make('span');
    redPart.style.color = rgb(this.json.styles.red);
    redPart.append(red);
    label.append(black, redPart);
    this.addressLabels[address] = { text, black, red };
    return [label, null];
  }

  // Without scrolling to it: the page opens at its top, with the header above the panel, and
  // a scroll would lay the page out before the panel shows.
  focusFirst(): void {
    this.first?.focus({ preventScroll: true });
  }

  hide(): void {
    this.client.hidden = true;
  }

  // Writes what the view's changes name: by default what the last event changed.
  draw(view: View, changed = view.changed): void {
    const changes = this.json.view.changes;
    for (const { box, place, change } of this.switches) {
      if (!(changed & change)) continue;
      const state: SwitchState = view.number('switches', place);
      box.checked = state === SwitchState.On;
      box.indeterminate = state === SwitchState.Greyed;
    }
    if (changed & changes.clock) {
      // After some loads no option is selected; a radio group shows that too. Tab enters
      // the options at the one the core names; the arrow keys move among them.
      const [selected, stop]: ClockOption[] = [view.number('clockOption'), view.number('tabStopOption')];
      for (const [option, radio] of this.radios) {
        radio.checked = option === selected;
        radio.tabIndex = option === stop ? 0 : -1;
      }
    }
    for (const { text, place, change } of this.readouts) {
      if (changed & change) text.data = view.text('readouts', place);
    }
    if (changed & changes.redRow) {
      const row = view.number('redRow');
      const [before, now] = [this.addressLabels[this.redRow], this.addressLabels[row]];
      if (before) [before.black.data, before.red.data] = [before.text, ''];
      if (now) [now.black.data, now.red.data] = ['', now.text];
      this.redRow = row;
    }
  }

  countBeeps(count: number): void {
    this.client.dataset['beeps'] = String(count);
  }
}
