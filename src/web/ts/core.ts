// SPDX-License-Identifier: MIT
// The C++ core (machine, setting files, assembler) through the facade's C ABI.

type Pointer = number;

interface CoreModule {
  HEAPU8: Uint8Array;
  _qzb_create(): Pointer;
  _qzb_destroy(session: Pointer): void;
  _qzb_input(session: Pointer, size: number): Pointer;
  _qzb_output(session: Pointer): Pointer;
  _qzb_output_length(session: Pointer): number;
  _qzb_switch(session: Pointer, bank: number, index: number): number;
  _qzb_toggle(session: Pointer, bank: number, index: number): void;
  _qzb_clock_option(session: Pointer): number;
  _qzb_select_clock(session: Pointer, option: number): void;
  _qzb_tick(session: Pointer): number;
  _qzb_clock(session: Pointer): number;
  _qzb_reset(session: Pointer): void;
  _qzb_readouts(session: Pointer): Pointer;
  _qzb_save(session: Pointer): Pointer;
  _qzb_load(session: Pointer): void;
  _qzb_apply_link(session: Pointer): Pointer;
  _qzb_check_name(session: Pointer): number;
  _qzb_read_limit(): number;
  _qzb_version(): Pointer;
  _qzb_assemble(session: Pointer): number;
  _qzb_disassemble(session: Pointer): Pointer;
  _qzb_layout(session: Pointer): Pointer;
  _qzb_address_text(session: Pointer, row: number): Pointer;
  _qzb_tab_stop_option(session: Pointer): number;
}

export enum Bank {
  Program = 0,
  Input = 1,
  Beep = 2,
}

export enum SwitchState {
  Off = 0,
  On = 1,
  Greyed = 2,
}

// The clock options as the facade numbers them; None selects no option.
export enum ClockOption {
  Hz1 = 0,
  Hz10 = 1,
  Manual = 2,
  None = 3,
}

export interface Readouts {
  regA: string;
  regB: string;
  pc: string;
  carry: string;
  outp: string;
  redRow: number;
  beep: boolean;
}

const decoder = new TextDecoder();
const encoder = new TextEncoder();

export class Core {
  private readonly session: Pointer;

  private constructor(private readonly module: CoreModule) {
    this.session = module._qzb_create();
  }

  static async load(): Promise<Core> {
    // A variable keeps the bundler-free build from resolving the generated module at compile time.
    const url = './qzb_core.mjs';
    const factory = (await import(url)) as { default: () => Promise<CoreModule> };
    return new Core(await factory.default());
  }

  switchState(bank: Bank, index: number): SwitchState {
    return this.module._qzb_switch(this.session, bank, index) as SwitchState;
  }

  // A click on a switch: the core decides its next state.
  toggle(bank: Bank, index: number): void {
    this.module._qzb_toggle(this.session, bank, index);
  }

  clockOption(): ClockOption {
    return this.module._qzb_clock_option(this.session) as ClockOption;
  }

  selectClock(option: ClockOption): void {
    this.module._qzb_select_clock(this.session, option);
  }

  tick(): boolean {
    return this.module._qzb_tick(this.session) !== 0;
  }

  clock(): boolean {
    return this.module._qzb_clock(this.session) !== 0;
  }

  reset(): void {
    this.module._qzb_reset(this.session);
  }

  readouts(): Readouts {
    const [regA = '', regB = '', pc = '', carry = '', outp = '', row = '0', beep = '0'] = this.text(
      this.module._qzb_readouts(this.session),
    ).split('\n');
    return { regA, regB, pc, carry, outp, redRow: Number(row), beep: beep === '1' };
  }

  // The bytes of the desktop's SaveAs for the current panel.
  settingFile(): Uint8Array {
    const pointer = this.module._qzb_save(this.session);
    return this.module.HEAPU8.slice(pointer, pointer + this.module._qzb_output_length(this.session));
  }

  // Load: the file's bytes into the switches, then reset.
  loadSettingFile(bytes: Uint8Array): void {
    this.put(bytes);
    this.module._qzb_load(this.session);
  }

  // A link's setting replaces the panel (input switches off) and resets the machine. Empty, or why
  // the link holds no setting; the panel is then empty.
  applyLink(fragment: string): string {
    this.put(encoder.encode(fragment));
    return this.text(this.module._qzb_apply_link(this.session));
  }

  // The name a file dialog would return (".qzb" added when there is no extension),
  // or null when the name has another extension.
  acceptedName(name: string): string | null {
    this.put(encoder.encode(name));
    const refused = this.module._qzb_check_name(this.session) !== 0;
    const accepted = this.text(this.outputPointer());
    return refused ? null : accepted;
  }

  version(): string {
    return this.zeroTerminated(this.module._qzb_version());
  }

  // How much of a file the desktop reads; the rest counts as past its end.
  readLimit(): number {
    return this.module._qzb_read_limit();
  }

  // The panel's layout as the shared table gives it, as JSON.
  layoutJson(): string {
    return this.text(this.module._qzb_layout(this.session));
  }

  // "Address 00" to "Address 15".
  addressText(row: number): string {
    return this.text(this.module._qzb_address_text(this.session, row));
  }

  // The clock option that Tab stops at: the selected one, or the first when none is.
  tabStopOption(): ClockOption {
    return this.module._qzb_tab_stop_option(this.session) as ClockOption;
  }

  // Empty when the source assembled and the panel now holds it; else why not, a reason a line.
  // Only the first `limit` bytes go in, enough for the core to refuse a source that long:
  // no character has fewer UTF-8 bytes than UTF-16 units.
  assemble(source: string): string {
    const limit = this.readLimit();
    this.put(encoder.encode(source.slice(0, limit)).subarray(0, limit));
    const refused = this.module._qzb_assemble(this.session) !== 0;
    return refused ? this.text(this.outputPointer()) : '';
  }

  disassemble(): string {
    return this.text(this.module._qzb_disassemble(this.session));
  }

  private outputPointer(): Pointer {
    return this.module._qzb_output(this.session);
  }

  private put(bytes: Uint8Array): void {
    const pointer = this.module._qzb_input(this.session, bytes.length);
    this.module.HEAPU8.set(bytes, pointer);
  }

  private text(pointer: Pointer): string {
    const length = this.module._qzb_output_length(this.session);
    return decoder.decode(this.module.HEAPU8.subarray(pointer, pointer + length));
  }

  private zeroTerminated(pointer: Pointer): string {
    const heap = this.module.HEAPU8;
    let end = pointer;
    while (heap[end] !== 0) ++end;
    return decoder.decode(heap.subarray(pointer, end));
  }
}
