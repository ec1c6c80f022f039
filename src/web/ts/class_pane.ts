// SPDX-License-Identifier: MIT
// Grade a class: a test file and many programs, read in parallel and graded by the core one
// program a call, a table of each program and case, and the command line's CSV to download.

import type { Core } from './core.js';
import { type ProgramRow, type TestFileView, askJson, failureLines, named } from './exercise_pane.js';
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
    const head = make('tr');
    head.append(make('th', '', this.texts['program'] ?? ''), ...cases.map((name) => make('th', '', name)));
    const headRow = make('thead');
    headRow.append(head);
    const body = make('tbody');
    rows.forEach((row, index) => row && body.append(...this.drawRow(row, cases.length + 1, `class-reasons-${index}`)));
    this.element('class-table').replaceChildren(headRow, body);
  }

  // A program's row; when a case failed or the page says more, its name opens a row below it
  // with the reasons, filled the first time it opens.
  private drawRow(row: ProgramRow, columns: number, id: string): HTMLTableRowElement[] {
    const line = make('tr');
    const program = make('th');
    program.scope = 'row';
    line.append(program);
    if (row.problem) {
      const problem = make('td', 'problem', row.problem);
      problem.colSpan = Math.max(1, columns - 1);
      line.append(problem);
    } else {
      line.append(...row.cases.map((result) => make('td', result.verdict === 'pass' ? 'pass' : 'fail', result.verdict)));
    }
    const failed = row.cases.filter((result) => result.failure);
    if (failed.length === 0 && !row.note) {
      program.textContent = row.program;
      return [line];
    }
    const reasons = make('tr', 'reasons');
    reasons.id = id;
    const cell = make('td');
    cell.colSpan = columns;
    reasons.append(cell);
    const opener = make('button', 'row-opener', row.program);
    opener.type = 'button';
    opener.setAttribute('aria-controls', id);
    const show = (open: boolean): void => {
      if (open && !cell.firstChild) {
        const list = make('ul');
        for (const result of failed) {
          const item = make('li');
          item.append(make('span', 'case', result.name), ...failureLines(result));
          list.append(item);
        }
        cell.append(...(failed.length > 0 ? [list] : []), ...(row.note ? [make('p', 'note', row.note)] : []));
      }
      reasons.hidden = !open;
      opener.setAttribute('aria-expanded', String(open));
    };
    opener.addEventListener('click', () => show(reasons.hidden));
    show(row.note !== '');
    program.append(opener);
    return [line, reasons];
  }

  private downloadCsv(): void {
    download(this.texts['csvFileName'] ?? '', this.core.ask('class_csv', new Uint8Array()), 'text/csv');
  }
}
