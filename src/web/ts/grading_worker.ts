// SPDX-License-Identifier: MIT
// Grade a class beside the page: the core in a worker of its own, with its own session, reads
// the files and grades them one program a call, so that the page's panel keeps running. The page
// ends a grading by ending the worker, which a program of a hundred million steps cannot wait for.

import type { PaneCall } from './core.js';
import { type GradingReport, type GradingRequest, type ProgramRow, type TestFileView, named } from './grading.js';
import { instantiateCore } from './site.js';

type Pointer = number;

type CoreModule = {
  HEAPU8: Uint8Array;
  _qzb_create(): Pointer;
  _qzb_input(session: Pointer, size: number): Pointer;
  _qzb_output_length(session: Pointer): number;
  _qzb_read_limit(): number;
} & { [Name in PaneCall as `_qzb_${Name}`]: (session: Pointer) => Pointer };

// A page that carries the core's WebAssembly inside sends it first; a served page does not.
type Message = GradingRequest | { wasmBinary: Uint8Array };

const scope = globalThis as unknown as {
  onmessage: ((event: MessageEvent<Message>) => void) | null;
  postMessage(report: GradingReport, transfer?: Transferable[]): void;
};

const decoder = new TextDecoder();
const encoder = new TextEncoder();

// Rows go to the page together at most this often: each batch lays the whole table out again,
// and a screen reader hears the progress at most as often.
const reportEveryMs = 500;

class Session {
  private readonly session: Pointer;

  constructor(private readonly module: CoreModule) {
    this.session = module._qzb_create();
  }

  get readLimit(): number {
    return this.module._qzb_read_limit();
  }

  // The facade's `qzb_NAME` with `input` in its input buffer; a copy of the bytes it returns.
  ask(call: PaneCall, input: Uint8Array): Uint8Array {
    this.module.HEAPU8.set(input, this.module._qzb_input(this.session, input.length));
    const output = this.module[`_qzb_${call}`](this.session);
    return this.module.HEAPU8.slice(output, output + this.module._qzb_output_length(this.session));
  }

  json<T>(call: PaneCall, input: Uint8Array): T | null {
    const text = decoder.decode(this.ask(call, input));
    return text ? (JSON.parse(text) as T) : null;
  }
}

type Reading = { bytes: Uint8Array } | { error: string };

async function readAtMost(file: File, limit: number): Promise<Reading> {
  try {
    return { bytes: new Uint8Array(await file.slice(0, limit).arrayBuffer()) };
  } catch (error) {
    return { error: error instanceof DOMException ? error.name : 'Error' };
  }
}

let coreOptions = {};
let session: Promise<Session> | null = null;

async function grade({ tests, programs }: GradingRequest): Promise<void> {
  const core = await (session ??= instantiateCore(coreOptions).then((module) => new Session(module as CoreModule)));
  const limit = core.readLimit;
  const readings = programs.map(({ file }) => readAtMost(file, limit));
  const testsRead = await readAtMost(tests, limit);
  const opened = 'bytes' in testsRead ? core.json<TestFileView>('class_tests', named(tests.name, testsRead.bytes)) : null;
  scope.postMessage({ tests: opened });
  if (!opened || opened.problems.length > 0) return;
  let rows: (ProgramRow | null)[] = [];
  let reported = performance.now();
  for (const [index, { name }] of programs.entries()) {
    const reading = (await readings[index]) ?? { error: 'Error' };
    rows.push(
      'bytes' in reading
        ? core.json<ProgramRow>('class_program', named(name, reading.bytes))
        : core.json<ProgramRow>('class_unreadable', named(name, encoder.encode(reading.error))),
    );
    if (performance.now() - reported >= reportEveryMs || index === programs.length - 1) {
      scope.postMessage({ rows });
      rows = [];
      reported = performance.now();
    }
  }
  const csv = core.ask('class_csv', new Uint8Array());
  const grades = core.ask('class_grades', new Uint8Array());
  scope.postMessage({ csv, grades }, [csv.buffer, grades.buffer]);
}

// A failure is thrown again outside the promise, where the page hears of it as the worker's error.
scope.onmessage = ({ data }) => {
  if ('wasmBinary' in data) coreOptions = { wasmBinary: data.wasmBinary };
  else
    grade(data).catch((error: unknown) =>
      setTimeout(() => {
        throw error instanceof Error ? error : new Error(String(error));
      }),
    );
};
