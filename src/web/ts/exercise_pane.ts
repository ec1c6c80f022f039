// SPDX-License-Identifier: MIT
// The Exercise pane: a test file's task, Check of the panel against its cases, and a link
// that opens the exercise. The core reads, grades and words everything; this draws it.

import type { Core, PaneCall, View } from './core.js';
import { filterOf, type OpenedFile, pickFileToOpen } from './files.js';
import { onExerciseFile } from './launch.js';
import { byId, countEnded, listLines, make, shareLink } from './ui.js';

export interface TestFileView {
  task: string;
  problems: string[];
  cases: string[];
}

export interface CaseRow {
  name: string;
  verdict: 'pass' | 'FAIL' | 'error';
  failure: string;
}

export interface ProgramRow {
  program: string;
  problem: string;
  cases: CaseRow[];
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// A file as the core takes it: its name, a NUL, its bytes.
export function named(name: string, bytes: Uint8Array): Uint8Array {
  const nameBytes = encoder.encode(name);
  const joined = new Uint8Array(nameBytes.length + 1 + bytes.length);
  joined.set(nameBytes);
  joined.set(bytes, nameBytes.length + 1);
  return joined;
}

export function askJson<T>(core: Core, call: PaneCall, input: Uint8Array, ...numbers: number[]): T | null {
  const text = decoder.decode(core.ask(call, input, ...numbers));
  return text ? (JSON.parse(text) as T) : null;
}

export class ExercisePane {
  private readonly texts: Record<string, string>;
  private readonly element = byId;

  constructor(
    private readonly core: Core,
    private readonly show: (view: View) => void,
  ) {
    this.texts = core.json.texts.classroom;
    this.element('open-exercise').addEventListener('click', () => void this.open().finally(() => countEnded('exercises')));
    onExerciseFile((file) => void this.openFile(file).finally(() => countEnded('exercises')));
    this.element('exercise-check').addEventListener('click', () => {
      this.check();
      countEnded('checks');
    });
    this.element('copy-exercise-link').addEventListener('click', () => void this.copyLink());
  }

  async open(): Promise<void> {
    const file = await pickFileToOpen(filterOf(this.texts['testFileFilter'] ?? ''));
    if (file) await this.openFile(file);
  }

  // A test file picked, or opened with the installed page.
  async openFile(file: OpenedFile): Promise<void> {
    let bytes: Uint8Array;
    try {
      bytes = await file.read(this.core.readLimit());
    } catch {
      this.present({ task: '', problems: [this.core.json.texts.fileCommands.Load.cannotOpen], cases: [] });
      return;
    }
    this.present(askJson<TestFileView>(this.core, 'open_exercise', named(file.name, bytes)));
  }

  // Opens an exercise link, applying its panel; false when the fragment is not one.
  openLink(fragment: string): boolean {
    const opened = askJson<TestFileView>(this.core, 'open_exercise_link', encoder.encode(fragment));
    if (!opened) return false;
    this.show(this.core.view);
    this.present(opened);
    countEnded('exercises');
    return true;
  }

  private present(opened: TestFileView | null): void {
    if (!opened) return;
    const usable = opened.problems.length === 0;
    this.element('exercise-task').textContent = usable ? opened.task : '';
    listLines(this.element('exercise-problems'), opened.problems);
    this.element('exercise-results').replaceChildren();
    for (const id of ['exercise-check', 'copy-exercise-link']) this.element<HTMLButtonElement>(id).disabled = !usable;
  }

  check(): void {
    const graded = askJson<ProgramRow>(this.core, 'check', new Uint8Array());
    const items = (graded?.cases ?? []).map((result) => {
      const item = make('li');
      item.append(make('span', `verdict ${result.verdict === 'pass' ? 'pass' : 'fail'}`, result.verdict), ' ', make('span', 'case', result.name));
      if (result.failure) item.append(make('div', 'failure', result.failure));
      return item;
    });
    this.element('exercise-results').replaceChildren(...items);
  }

  private async copyLink(): Promise<void> {
    const withPanel = this.element<HTMLInputElement>('exercise-with-panel').checked;
    const fragment = decoder.decode(this.core.ask('exercise_link', new Uint8Array(), withPanel ? 1 : 0));
    const copied = await shareLink(fragment);
    this.element('exercise-link-status').textContent = copied
      ? (this.texts['exerciseLinkCopied'] ?? '')
      : this.core.json.texts.page.linkInAddressBar;
  }
}
