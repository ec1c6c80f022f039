// SPDX-License-Identifier: MIT
// The C++ core (panel session, setting files, links, assembler) through the facade's C ABI.
// Each event of the panel is one call; what the panel then shows is read from the core's
// memory as a View, at the offsets the page's JSON gives. The JSON's types are generated
// from the C++ that writes it (page_json.d.ts in the build tree).

import type { ClockOption, Datapath, HistoryRows, PageJson, TimingColumns, ViewNumberName, ViewTextName } from './page_json.js';
import { instantiateCore } from './site.js';

type Pointer = number;

interface CoreModule extends PaneCalls {
  HEAPU8: Uint8Array;
  _qzb_create(): Pointer;
  _qzb_view(session: Pointer): Pointer;
  _qzb_input(session: Pointer, size: number): Pointer;
  _qzb_output_length(session: Pointer): number;
  _qzb_toggle(session: Pointer, place: number): void;
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
  _qzb_apply_statement(session: Pointer, address: number): Pointer;
  _qzb_history(session: Pointer, from: number): Pointer;
  _qzb_step_back(session: Pointer): void;
  _qzb_datapath(session: Pointer): Pointer;
  _qzb_timing_svg(session: Pointer): Pointer;
  _qzb_timing_columns(session: Pointer, from: number, origin: number): Pointer;
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
  | 'class_csv'
  | 'class_grades';

type PaneCalls = { [Name in PaneCall as `_qzb_${Name}`]: (session: Pointer, ...numbers: number[]) => Pointer };

const decoder = new TextDecoder();
const encoder = new TextEncoder();

// What the panel shows, straight from the core's memory; `changed` names what the last event changed.
export class View {
  constructor(
    private readonly module: CoreModule,
    private readonly at: Pointer,
    readonly layout: PageJson['view'],
  ) {}

  // Element `index` of a field of numbers, little-endian as WebAssembly stores them.
  number(name: ViewNumberName, index = 0): number {
    const { offset, size } = this.layout.fields[name];
    const start = this.at + offset + index * size;
    let value = 0;
    for (let i = size - 1; i >= 0; --i) value = value * 256 + (this.module.HEAPU8[start + i] ?? 0);
    return value;
  }

  // Element `index` of a field of texts: a length byte, then the UTF-8 bytes.
  text(name: ViewTextName, index = 0): string {
    const { offset, size } = this.layout.fields[name];
    const start = this.at + offset + index * size;
    return decoder.decode(this.module.HEAPU8.subarray(start + 1, start + 1 + (this.module.HEAPU8[start] ?? 0)));
  }

  get changed(): number {
    return this.number('changed');
  }
}

export class Core {
  readonly json: PageJson;
  readonly view: View;

  private constructor(
    private readonly module: CoreModule,
    private readonly session: Pointer,
  ) {
    // Its type is generated from the C++ that wrote it.
    this.json = JSON.parse(this.text(module._qzb_layout(session))) as PageJson;
    this.view = new View(module, module._qzb_view(session), this.json.view);
  }

  static async load(): Promise<Core> {
    const module = (await instantiateCore()) as CoreModule;
    return new Core(module, module._qzb_create());
  }

  // A click on a switch, by its role's place in the view: the core decides its next state.
  toggle(place: number): View {
    this.module._qzb_toggle(this.session, place);
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

  // Empty when the statement is now the word at `address` (the view says what changed); else the
  // assembler's messages, one a line, and the panel as it was.
  applyStatement(address: number, statement: string): string {
    this.put(encoder.encode(statement.slice(0, this.readLimit())));
    return this.text(this.module._qzb_apply_statement(this.session, address));
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

  // The history's rows from step `from` on (from its oldest row when that is later), with its header and the last step.
  history(from: number): HistoryRows {
    return JSON.parse(this.text(this.module._qzb_history(this.session, from))) as HistoryRows;
  }

  // What the last step did, for the Datapath picture.
  datapath(): Datapath {
    return JSON.parse(this.text(this.module._qzb_datapath(this.session))) as Datapath;
  }

  // The timing diagram of the history's rows, as `qzb-cli run --format svg` writes it.
  timingSvg(): Uint8Array {
    return this.bytes(this.module._qzb_timing_svg(this.session)).slice();
  }

  // The diagram's columns of the steps from `from` on, placed for a first column at step `origin`.
  timingColumns(from: number, origin: number): TimingColumns {
    return JSON.parse(this.text(this.module._qzb_timing_columns(this.session, from, origin))) as TimingColumns;
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
