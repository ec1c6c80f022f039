// SPDX-License-Identifier: MIT
// Grade a class: a test file and many programs, graded by the core in a worker beside the page
// (grading_worker.ts) while the panel runs on; a table of each program and case that fills as
// they are graded, with how many are done, Stop, and the command line's CSV to download.

import type { Core } from './core.js';
import { failureLines } from './exercise_pane.js';
import type { GradingReport, ProgramRow } from './grading.js';
import { say, text, words } from './language.js';
import { startGradingWorker } from './site.js';
import { byId, countEnded, download, listLines, make } from './ui.js';

// A file chosen in a folder is named from inside it, as the command line run there names it.
function submissionName(file: File): string {
  const relative = file.webkitRelativePath;
  return relative ? relative.slice(relative.indexOf('/') + 1) : file.name;
}

const encoder = new TextEncoder();

// UTF-8 names in the order of their bytes, which is the order of their code points, as LC_ALL=C
// sorts them; the order of UTF-16 units puts U+E000-U+FFFF after every character past U+FFFF.
function compareBytes(a: Uint8Array, b: Uint8Array): number {
  for (let i = 0; i < Math.min(a.length, b.length); ++i) if (a[i] !== b[i]) return (a[i] ?? 0) - (b[i] ?? 0);
  return a.length - b.length;
}

export class ClassPane {
  private readonly element = byId;
  private submissions: File[] = [];
  // The worker grading now, if any; an idle one is kept for the next grading.
  private worker: Worker | null = null;
  private grading = false;
  private done = 0;
  private total = 0;
  private columns = 0;
  private csv: Uint8Array = new Uint8Array();
  private grades: Uint8Array = new Uint8Array();

  constructor(private readonly core: Core) {
    const input = (id: string): HTMLInputElement => this.element<HTMLInputElement>(id);
    input('class-tests').addEventListener('change', () => this.grade());
    for (const id of ['class-files', 'class-folder']) {
      input(id).addEventListener('change', () => {
        this.submissions = [...(input(id).files ?? [])];
        this.grade();
      });
    }
    this.element('class-csv').addEventListener('click', () => download(words().classroom.csvFileName, this.csv, 'text/csv'));
    this.element('class-grades').addEventListener('click', () => download(words().classroom.gradesFileName, this.grades, 'text/csv'));
    this.element('class-stop').addEventListener('click', () => this.stop());
  }

  // A new choice replaces a grading in progress, which ends without a word.
  grade(): void {
    if (this.grading) {
      this.endWorker();
      this.element<HTMLButtonElement>('class-stop').disabled = true;
      say(this.element('class-progress'), '');
    }
    for (const id of ['class-csv', 'class-grades']) this.element<HTMLButtonElement>(id).disabled = true;
    const testFile = this.element<HTMLInputElement>('class-tests').files?.[0];
    if (!testFile || this.submissions.length === 0) return;
    const programs = this.submissions
      .map((file) => ({ file, name: submissionName(file) }))
      .map(({ file, name }) => ({ name, file, bytes: encoder.encode(name) }))
      .sort((a, b) => compareBytes(a.bytes, b.bytes))
      .map(({ name, file }) => ({ name, file }));
    const worker = (this.worker ??= this.startWorker());
    this.grading = true;
    this.done = 0;
    this.total = programs.length;
    this.showProgress('gradingProgress');
    this.element<HTMLButtonElement>('class-stop').disabled = false;
    worker.postMessage({ tests: testFile, programs });
  }

  private startWorker(): Worker {
    const worker = startGradingWorker();
    // A worker that was ended may still have answers on their way.
    worker.addEventListener('message', ({ data }: MessageEvent<GradingReport>) => worker === this.worker && this.receive(data));
    worker.addEventListener('error', (event) => {
      event.preventDefault();
      if (worker === this.worker) this.end('gradingFailed');
    });
    return worker;
  }

  private receive(report: GradingReport): void {
    if ('tests' in report) {
      const opened = report.tests ?? { task: '', problems: [this.core.json.texts.fileCommands.Load.cannotOpen], cases: [], points: [], hidden: [] };
      listLines(this.element('class-problems'), opened.problems);
      this.startTable(opened.cases);
      if (opened.problems.length === 0) return;
      say(this.element('class-progress'), '');
      this.finish();
    } else if ('rows' in report) {
      const body = this.element('class-table').querySelector('tbody');
      for (const row of report.rows) {
        if (row) body?.append(...this.drawRow(row, `class-reasons-${this.done}`));
        ++this.done;
      }
      this.showProgress('gradingProgress');
    } else {
      this.csv = report.csv;
      this.grades = report.grades;
      for (const id of ['class-csv', 'class-grades']) this.element<HTMLButtonElement>(id).disabled = false;
      this.finish();
    }
  }

  // Stop: the worker ends at once, whatever program it is grading; the rows graded stay.
  private stop(): void {
    if (this.grading) this.end('gradingStopped');
  }

  private endWorker(): void {
    this.worker?.terminate();
    this.worker = null;
    this.grading = false;
  }

  private finish(): void {
    this.grading = false;
    this.element<HTMLButtonElement>('class-stop').disabled = true;
    countEnded('gradings');
  }

  private end(outcome: 'gradingStopped' | 'gradingFailed'): void {
    this.endWorker();
    this.showProgress(outcome);
    this.finish();
  }

  private showProgress(text: 'gradingProgress' | 'gradingStopped' | 'gradingFailed'): void {
    say(this.element('class-progress'), `classroom.${text}`, [String(this.done), String(this.total)]);
  }

  private startTable(cases: string[]): void {
    const head = make('tr');
    const program = make('th', '', text('classroom.program'));
    program.dataset['text'] = 'classroom.program';
    const points = make('th', '', text('classroom.pointsColumn'));
    points.dataset['text'] = 'classroom.pointsColumn';
    head.append(program, points, ...cases.map((name) => make('th', '', name)));
    const headRow = make('thead');
    headRow.append(head);
    this.columns = cases.length + 2;
    this.element('class-table').replaceChildren(...(cases.length > 0 ? [headRow, make('tbody')] : []));
  }

  // A program's row; when a case failed or the page says more, its name opens a row below it
  // with what the page says and the failures, filled the first time it opens. A row with a
  // note starts open: the note may say the row is not what the command line says.
  private drawRow(row: ProgramRow, id: string): HTMLTableRowElement[] {
    const line = make('tr');
    const program = make('th');
    program.scope = 'row';
    line.append(program, make('td', 'points', `${row.points} / ${row.maxPoints}`));
    if (row.problem) {
      const problem = make('td', 'problem', row.problem);
      problem.colSpan = Math.max(1, this.columns - 2);
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
    cell.colSpan = this.columns;
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
        cell.append(...(row.note ? [make('p', 'note', row.note)] : []), ...(failed.length > 0 ? [list] : []));
      }
      reasons.hidden = !open;
      opener.setAttribute('aria-expanded', String(open));
    };
    opener.addEventListener('click', () => show(reasons.hidden));
    show(row.note !== '');
    program.append(opener);
    return [line, reasons];
  }
}
