// SPDX-License-Identifier: MIT
// Grade a class: a test file and many programs, read in parallel and graded by the core one
// program a call, a table of each program and case, and the command line's CSV to download.

import type { Core } from './core.js';
import { type ProgramRow, type TestFileView, askJson, named } from './exercise_pane.js';
import { byId, countEnded, download, listLines, make } from './ui.js';

const encoder = new TextEncoder();

interface Submission {
  name: string;
  file: File;
}

type Reading = { bytes: Uint8Array } | { error: string };

async function readAtMost(file: File, limit: number): Promise<Reading> {
  try {
    return { bytes: new Uint8Array(await file.slice(0, limit).arrayBuffer()) };
  } catch (error) {
    return { error: error instanceof DOMException ? error.name : 'Error' };
  }
}

// A file chosen in a folder is named from inside it, as the command line run there names it.
function submissionName(file: File): string {
  const relative = file.webkitRelativePath;
  return relative ? relative.slice(relative.indexOf('/') + 1) : file.name;
}

export class ClassPane {
  private readonly texts: Record<string, string>;
  private readonly element = byId;
  private submissions: File[] = [];
  // Only the newest grading draws: an older one still reading its files gives way.
  private generation = 0;

  constructor(private readonly core: Core) {
    this.texts = core.json.texts.classroom;
    const input = (id: string): HTMLInputElement => this.element<HTMLInputElement>(id);
    input('class-tests').addEventListener('change', () => void this.grade());
    for (const id of ['class-files', 'class-folder']) {
      input(id).addEventListener('change', () => {
        this.submissions = [...(input(id).files ?? [])];
        void this.grade();
      });
    }
    this.element('class-csv').addEventListener('click', () => this.downloadCsv());
  }

  async grade(): Promise<void> {
    const generation = ++this.generation;
    const testFile = this.element<HTMLInputElement>('class-tests').files?.[0];
    const csvButton = this.element<HTMLButtonElement>('class-csv');
    csvButton.disabled = true;
    if (!testFile || this.submissions.length === 0) return;
    const limit = this.core.readLimit();
    const submissions: Submission[] = this.submissions
      .map((file) => ({ name: submissionName(file), file }))
      .sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
    const [tests, ...readings] = await Promise.all([
      readAtMost(testFile, limit),
      ...submissions.map((submission) => readAtMost(submission.file, limit)),
    ]);
    if (generation !== this.generation || !tests) return;
    const opened =
      'bytes' in tests
        ? askJson<TestFileView>(this.core, 'class_tests', named(testFile.name, tests.bytes))
        : { task: '', problems: [this.core.json.texts.fileCommands.Load.cannotOpen], cases: [], lines: [] };
    listLines(this.element('class-problems'), opened?.problems ?? []);
    const table = this.element('class-table');
    if (!opened || opened.problems.length > 0) {
      table.replaceChildren();
      countEnded('gradings');
      return;
    }
    const rows = submissions.map((submission, index) => {
      const reading = readings[index] ?? { error: 'Error' };
      return 'bytes' in reading
        ? askJson<ProgramRow>(this.core, 'class_program', named(submission.name, reading.bytes))
        : askJson<ProgramRow>(this.core, 'class_unreadable', named(submission.name, encoder.encode(reading.error)));
    });
    this.draw(opened.cases, rows);
    csvButton.disabled = false;
    countEnded('gradings');
  }

  private draw(cases: string[], rows: (ProgramRow | null)[]): void {
    const cell = (tag: 'td' | 'th', text: string): HTMLTableCellElement => make(tag, '', text);
    const head = make('tr');
    head.append(cell('th', this.texts['program'] ?? ''), ...cases.map((name) => cell('th', name)));
    const body = make('tbody');
    for (const row of rows) {
      if (!row) continue;
      const line = make('tr');
      const program = cell('th', row.program);
      program.setAttribute('scope', 'row');
      line.append(program);
      if (row.problem) {
        const problem = cell('td', row.problem);
        problem.colSpan = Math.max(1, cases.length);
        problem.className = 'problem';
        line.append(problem);
      } else {
        for (const result of row.cases) {
          const verdict = cell('td', result.verdict);
          verdict.className = result.verdict === 'pass' ? 'pass' : 'fail';
          if (result.failure) verdict.title = result.failure;
          line.append(verdict);
        }
      }
      body.append(line);
    }
    const headRow = make('thead');
    headRow.append(head);
    this.element('class-table').replaceChildren(headRow, body);
  }

  private downloadCsv(): void {
    download(this.texts['csvFileName'] ?? '', this.core.ask('class_csv', new Uint8Array()), 'text/csv');
  }
}
