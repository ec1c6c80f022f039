// SPDX-License-Identifier: MIT
// The Exercise pane: a test file's task and lines, Check of the panel against its cases, and a
// link that opens the exercise. The core reads, grades and words everything; this draws it.

import type { Core, PaneCall, View } from './core.js';
import { filterOf, type OpenedFile, pickFileToOpen } from './files.js';
import { type CaseRow, type ProgramRow, type TestFileView, named } from './grading.js';
import { say, words } from './language.js';
import { onExerciseFile } from './launch.js';
import { byId, countEnded, listLines, make, shareLink } from './ui.js';

const encoder = new TextEncoder();
const decoder = new TextDecoder();

function askJson<T>(core: Core, call: PaneCall, input: Uint8Array, ...numbers: number[]): T | null {
  const text = decoder.decode(core.ask(call, input, ...numbers));
  return text ? (JSON.parse(text) as T) : null;
}

// A failed case as the text report gives it: the failure's line, with `at` a link when there
// is a test file to open at `openLine`, and the last steps as `run` prints them.
export function failureLines(result: CaseRow, openLine?: (line: number) => void): HTMLElement[] {
  if (!result.failure) return [];
  const failure = make('div', 'failure');
  if (openLine && result.at && result.failure.startsWith(result.at)) {
    const link = make('button', 'line-link', result.at);
    link.type = 'button';
    link.addEventListener('click', () => openLine(result.line));
    failure.append(link, result.failure.slice(result.at.length));
  } else {
    failure.textContent = result.failure;
  }
  return [failure, make('pre', 'last-steps', result.lastSteps.replace(/\n$/, ''))];
}

export class ExercisePane {
  private readonly element = byId;

  constructor(
    private readonly core: Core,
    private readonly show: (view: View) => void,
  ) {
    this.element('open-exercise').addEventListener('click', () => void this.open().finally(() => countEnded('exercises')));
    onExerciseFile((file) => void this.openFile(file).finally(() => countEnded('exercises')));
    this.element('exercise-check').addEventListener('click', () => {
      this.check();
      countEnded('checks');
    });
    this.element('copy-exercise-link').addEventListener('click', () => void this.copyLink());
  }

  async open(): Promise<void> {
    const file = await pickFileToOpen(filterOf(words().classroom.testFileFilter));
    if (file) await this.openFile(file);
  }

  // A test file picked, or opened with the installed page.
  async openFile(file: OpenedFile): Promise<void> {
    let bytes: Uint8Array;
    try {
      bytes = await file.read(this.core.readLimit());
    } catch {
      this.present({ task: '', problems: [this.core.json.texts.fileCommands.Load.cannotOpen], cases: [], points: [], hidden: [] });
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
    // The task is the test file's, in its own words.
    const task = this.element('exercise-task');
    delete task.dataset['text'];
    task.translate = false;
    task.textContent = usable ? opened.task : '';
    listLines(this.element('exercise-problems'), opened.problems);
    this.element('exercise-results').replaceChildren();
    const view = this.element<HTMLDetailsElement>('exercise-file-view');
    const lines = (opened.lines ?? []).map((text, index) => {
      const item = make('li');
      item.id = `exercise-line-${index + 1}`;
      item.tabIndex = -1;
      item.append(make('span', 'line-number', String(index + 1)), make('code', '', text));
      return item;
    });
    view.hidden = lines.length === 0;
    view.open = false;
    this.element('exercise-file').replaceChildren(...lines);
    for (const id of ['exercise-check', 'copy-exercise-link']) this.element<HTMLButtonElement>(id).disabled = !usable;
  }

  check(): void {
    const graded = askJson<ProgramRow>(this.core, 'check', new Uint8Array());
    const items = (graded?.cases ?? []).map((result) => {
      const item = make('li');
      item.append(make('span', `verdict ${result.verdict === 'pass' ? 'pass' : 'fail'}`, result.verdict), ' ', make('span', 'case', result.label));
      if (!result.hidden) item.append(...failureLines(result, (line) => this.showLine(line)));
      return item;
    });
    this.element('exercise-results').replaceChildren(...items);
  }

  // The test file's view, open at `line`, which takes the focus.
  private showLine(line: number): void {
    this.element<HTMLDetailsElement>('exercise-file-view').open = true;
    this.element('exercise-file').querySelector('.target')?.classList.remove('target');
    const target = document.getElementById(`exercise-line-${line}`);
    target?.classList.add('target');
    target?.focus();
  }

  private async copyLink(): Promise<void> {
    const withPanel = this.element<HTMLInputElement>('exercise-with-panel').checked;
    const fragment = decoder.decode(this.core.ask('exercise_link', new Uint8Array(), withPanel ? 1 : 0));
    const copied = await shareLink(fragment);
    say(this.element('exercise-link-status'), copied ? 'classroom.exerciseLinkCopied' : 'page.linkInAddressBar');
  }
}
