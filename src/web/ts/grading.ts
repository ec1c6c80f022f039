// SPDX-License-Identifier: MIT
// What the Exercise and Grade a class panes and the grading worker share: the core's JSON of a
// test file and of a graded program, a file as the core takes it, and the worker's messages.

export interface TestFileView {
  task: string;
  problems: string[];
  cases: string[];
  // Each case's worth, and whether a student sees its name.
  points: number[];
  hidden: boolean[];
  // The Exercise pane's test file only.
  lines?: string[];
}

export interface CaseRow {
  name: string;
  verdict: 'pass' | 'FAIL' | 'error';
  // A failure's line, which starts with `at`, the test file's name and the number `line`.
  failure: string;
  at: string;
  line: number;
  lastSteps: string;
  points: number;
  maxPoints: number;
  // A hidden case is shown to a student by its label ("hidden case 2") and verdict alone.
  hidden: boolean;
  label: string;
}

export interface ProgramRow {
  program: string;
  problem: string;
  note: string;
  cases: CaseRow[];
  points: number;
  maxPoints: number;
}

const encoder = new TextEncoder();

// A file as the core takes it: its name, a NUL, its bytes.
export function named(name: string, bytes: Uint8Array): Uint8Array {
  const nameBytes = encoder.encode(name);
  const joined = new Uint8Array(nameBytes.length + 1 + bytes.length);
  joined.set(nameBytes);
  joined.set(bytes, nameBytes.length + 1);
  return joined;
}

// What the page asks of the grading worker: a class, its programs in the table's order.
export interface GradingRequest {
  tests: File;
  programs: { name: string; file: File }[];
}

// What the worker answers, in this order: the test file as read (null when the browser could not
// read it), then the programs graded since the last answer, then the class's CSV and grade book. A test file
// with problems ends the grading at once. A row is null where the core leaves a program out.
export type GradingReport = { tests: TestFileView | null } | { rows: (ProgramRow | null)[] } | { csv: Uint8Array; grades: Uint8Array };
