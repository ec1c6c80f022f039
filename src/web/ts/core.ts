// SPDX-License-Identifier: MIT
// The C++ core (panel session, setting files, links, assembler) through the facade's C ABI.
// Each event of the panel is one call; what the panel then shows is read from the core's
// memory as a View, at the offsets the page's JSON gives.

import { instantiateCore } from './site.js';
import type { Rgb } from './ui.js';

type Pointer = number;

interface CoreModule extends PaneCalls {
  HEAPU8: Uint8Array;
  _qzb_create(): Pointer;
  _qzb_view(session: Pointer): Pointer;
  _qzb_input(session: Pointer, size: number): Pointer;
  _qzb_output_length(session: Pointer): number;
  _qzb_toggle(session: Pointer, bank: number, index: number): void;
  _qzb_select_clock(session: Pointer, option: number): void;
  _qzb_tick(session: Pointer, count: number): void;
  _qzb_clock(session: Pointer): void;
  _qzb_reset(session: Pointer): void;
  _qzb_load(session: Pointer): void;
  _qzb_apply_link(session: Pointer): Pointer;
  _qzb_link(session: Pointer): Pointer;
  _qzb_layout(session: Pointer): Pointer;
  _qzb_save(session: Pointer): Pointer;
  _qzb_accepted_name(session: Pointer): Pointer;
  _qzb_read_limit(): number;
  _qzb_assemble(session: Pointer): Pointer;
  _qzb_disassemble(session: Pointer): Pointer;
  _qzb_listing(session: Pointer): Pointer;
  _qzb_history_rows(session: Pointer, from: number): Pointer;
  _qzb_last_step(session: Pointer): Pointer;
  _qzb_step_back(session: Pointer): void;
  _qzb_set_breakpoint(session: Pointer, address: number, set: number): void;
  _qzb_breakpoint_at(session: Pointer, address: number): number;
}

// The exercise and grading panes' calls: each takes the input buffer (and `numbers`) and returns a text.
export type PaneCall =
  | 'open_exercise'
  | 'open_exercise_link'
  | 'check'
  | 'exercise_link'
  | 'class_tests'
  | 'class_program'
  | 'class_unreadable'
  | 'class_csv';

type PaneCalls = { [Name in PaneCall as `_qzb_${Name}`]: (session: Pointer, ...numbers: number[]) => Pointer };

export enum SwitchState {
  Off = 0,
  On = 1,
  Greyed = 2,
}

// The core's ClockOption, one encoding both ways; None selects no option.
export enum ClockOption {
  Hz1 = 0,
  Hz10 = 1,
  Manual = 2,
  None = 3,
}

export type ReadoutName = 'A' | 'B' | 'PC' | 'carry' | 'OUT';

// What a control or line is (see src/front_panel/page_json.h).
export type Role =
  | { is: 'programSwitch' | 'inputSwitch' | 'beep'; bank: number; index: number }
  | { is: 'clockOption'; option: ClockOption }
  | { is: 'readout'; readout: ReadoutName }
  | { is: 'addressLabel'; address: number }
  | { is: 'clockButton' | 'resetButton' | 'caption' | 'frame' | 'connector' };

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
  colour?: Rgb;
  opaque: boolean;
  role: Role;
}

export interface Line {
  name: string;
  from: [number, number];
  to: [number, number];
}

type Outcomes = { refused: string; cannotOpen: string };

export interface Texts {
  windowTitle: string;
  messageCaption: string;
  about: string;
  openDialogTitle: string;
  saveDialogTitle: string;
  fileFilter: string;
  fileCommands: { Load: Outcomes; SaveAs: Outcomes };
  addressLabels: string[];
  classroom: Record<string, string>;
  breakpointNames: string[];
  page: Record<
    | 'linkCopied'
    | 'linkInAddressBar'
    | 'assembled'
    | 'ok'
    | 'save'
    | 'cancel'
    | 'fileName'
    | 'suggestedFileName'
    | 'errorIcon'
    | 'informationIcon'
    | 'programPane'
    | 'addressColumn'
    | 'switchesColumn'
    | 'statementColumn'
    | 'breakpointColumn'
    | 'historyPane'
    | 'stepBack'
    | 'lastStep',
    string
  >;
}

export interface Styles {
  black: Rgb;
  red: Rgb;
  lampFont: { face: string; fallbacks: string[]; points: number };
}

// Where each field of the core's view lies, from its start.
interface ViewFields {
  changed: number;
  beeps: number;
  redRow: number;
  clockOption: number;
  tabStopOption: number;
  switches: number[]; // by bank
  readouts: Record<ReadoutName, { length: number; bytes: number; changed: number }>;
  canStepBack: number;
  history: { starts: number; first: number; last: number };
  changes: { redRow: number; switches: number; clock: number; history: number };
}

// The layout table, the catalogue and the view's fields, as the core's pageJson() writes them.
export interface PageJson {
  title: string;
  client: [number, number];
  controls: Control[];
  lines: Line[];
  menus: { name: string; items: string[] }[];
  tabOrder: string[];
  texts: Texts;
  styles: Styles;
  view: ViewFields;
}

const decoder = new TextDecoder();
const encoder = new TextEncoder();

// What the panel shows, straight from the core's memory; `changed` names the fields the last event changed.
export class View {
  constructor(
    private readonly module: CoreModule,
    private readonly at: Pointer,
    readonly fields: ViewFields,
  ) {}

  private byte(offset: number): number {
    return this.module.HEAPU8[this.at + offset] ?? 0;
  }

  // Little-endian, as WebAssembly stores numbers.
  private number(offset: number, size: number): number {
    let value = 0;
    for (let i = size - 1; i >= 0; --i) value = value * 256 + this.byte(offset + i);
    return value;
  }

  get changed(): number {
    return this.number(this.fields.changed, 2);
  }

  get canStepBack(): boolean {
    return this.byte(this.fields.canStepBack) !== 0;
  }

  // The history: the times it started again, and the steps of its oldest and newest rows.
  get historyStarts(): number {
    return this.number(this.fields.history.starts, 4);
  }

  get historyFirst(): number {
    return this.number(this.fields.history.first, 4);
  }

  get historyLast(): number {
    return this.number(this.fields.history.last, 4);
  }

  // Refreshes that beeped during the last event.
  get beeps(): number {
    return this.byte(this.fields.beeps);
  }

  get redRow(): number {
    return this.byte(this.fields.redRow);
  }

  get clockOption(): ClockOption {
    return this.byte(this.fields.clockOption);
  }

  // The clock option Tab stops at: the selected one, or the first when none is.
  get tabStopOption(): ClockOption {
    return this.byte(this.fields.tabStopOption);
  }

  switchState(bank: number, index: number): SwitchState {
    return this.byte((this.fields.switches[bank] ?? 0) + index);
  }

  readout(name: ReadoutName): string {
    const { length, bytes } = this.fields.readouts[name];
    const start = this.at + bytes;
    return decoder.decode(this.module.HEAPU8.subarray(start, start + this.byte(length)));
  }
}

export class Core {
  readonly json: PageJson;
  readonly view: View;

  private constructor(
    private readonly module: CoreModule,
    private readonly session: Pointer,
  ) {
    this.json = JSON.parse(this.text(module._qzb_layout(session))) as PageJson;
    this.view = new View(module, module._qzb_view(session), this.json.view);
  }

  static async load(): Promise<Core> {
    const module = (await instantiateCore()) as CoreModule;
    return new Core(module, module._qzb_create());
  }

  // A click on a switch, by its role's bank and index: the core decides its next state.
  toggle(bank: number, index: number): View {
    this.module._qzb_toggle(this.session, bank, index);
    return this.view;
  }

  selectClock(option: ClockOption): View {
    this.module._qzb_select_clock(this.session, option);
    return this.view;
  }

  // `count` ticks of the 100 ms timer that fell due together.
  tick(count: number): View {
    this.module._qzb_tick(this.session, count);
    return this.view;
  }

  clock(): View {
    this.module._qzb_clock(this.session);
    return this.view;
  }

  reset(): View {
    this.module._qzb_reset(this.session);
    return this.view;
  }

  // Load: the file's bytes into the switches, then reset.
  load(bytes: Uint8Array): View {
    this.put(bytes);
    this.module._qzb_load(this.session);
    return this.view;
  }

  // A link's setting replaces the panel (input switches off) and resets the machine. Empty,
  // or the message saying why the link holds no setting; the panel is then empty.
  applyLink(fragment: string): string {
    this.put(encoder.encode(fragment));
    return this.text(this.module._qzb_apply_link(this.session));
  }

  // The fragment, with its '#', of a link that opens the panel as it is.
  link(): string {
    return this.text(this.module._qzb_link(this.session));
  }

  // The bytes of the desktop's SaveAs for the current panel.
  settingFile(): Uint8Array {
    return this.bytes(this.module._qzb_save(this.session)).slice();
  }

  // The name a file dialog would return (".qzb" added when there is no extension),
  // or null when the name has another extension.
  acceptedName(name: string): string | null {
    this.put(encoder.encode(name));
    return this.text(this.module._qzb_accepted_name(this.session)) || null;
  }

  // How much of a file the desktop reads; the rest counts as past its end.
  readLimit(): number {
    return this.module._qzb_read_limit();
  }

  // Empty when the source assembled and the panel now holds it; else why not, a reason a line.
  // Only the first `limit` bytes go in, enough for the core to refuse a source that long:
  // no character has fewer UTF-8 bytes than UTF-16 units.
  assemble(source: string): string {
    const limit = this.readLimit();
    this.put(encoder.encode(source.slice(0, limit)).subarray(0, limit));
    return this.text(this.module._qzb_assemble(this.session));
  }

  disassemble(): string {
    return this.text(this.module._qzb_disassemble(this.session));
  }

  // For the panes beside the panel: the facade's `qzb_NAME` with `input` in the input buffer
  // and `numbers` after the session; a copy of the text it returns.
  ask(name: PaneCall, input: Uint8Array, ...numbers: number[]): Uint8Array {
    this.put(input);
    return this.bytes(this.module[`_qzb_${name}`](this.session, ...numbers)).slice();
  }

  // The program's 16 rows: address, switches and statement.
  listing(): [string, string, string][] {
    return this.text(this.module._qzb_listing(this.session))
      .split('\n')
      .slice(0, 16)
      .map((line) => line.split('\t') as [string, string, string]);
  }

  // The history's rows from step `from` on, or, when the table is to be drawn afresh,
  // its header and every kept row.
  historyRows(from: number): { header: string | null; rows: string[] } {
    const [first = '', ...rows] = this.text(this.module._qzb_history_rows(this.session, from)).split('\n');
    rows.pop(); // after the last newline
    return { header: first === '' ? null : first, rows };
  }

  lastStep(): string {
    return this.text(this.module._qzb_last_step(this.session));
  }

  stepBack(): View {
    this.module._qzb_step_back(this.session);
    return this.view;
  }

  setBreakpoint(address: number, set: boolean): boolean {
    this.module._qzb_set_breakpoint(this.session, address, set ? 1 : 0);
    return this.module._qzb_breakpoint_at(this.session, address) !== 0;
  }

  private put(bytes: Uint8Array): void {
    const pointer = this.module._qzb_input(this.session, bytes.length);
    this.module.HEAPU8.set(bytes, pointer);
  }

  private bytes(pointer: Pointer): Uint8Array {
    return this.module.HEAPU8.subarray(pointer, pointer + this.module._qzb_output_length(this.session));
  }

  private text(pointer: Pointer): string {
    return decoder.decode(this.bytes(pointer));
  }
}
