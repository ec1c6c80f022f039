// SPDX-License-Identifier: MIT
// The Program pane, where the program is written: the 16 words as the panel's switches hold
// them, each as eight toggles of those switches and a field with its statement, which Enter or
// leaving the field assembles into the row; an error changes nothing and is said under the
// row. Each row has a breakpoint check box, and the address of the row the PC points at is red.

import type { Core, View } from './core.js';
import { say } from './language.js';
import type { PageJson } from './page_json.js';
import { SwitchState } from './page_json.js';
import { countEnded, make, rgb, StepPacer } from './ui.js';

interface Row {
  element: HTMLTableRowElement;
  // The address twice, as the panel's address labels hold it: as it is and red, one of them empty.
  address: string;
  plain: Text;
  marked: Text;
  // By bit, bit 0 first.
  bits: HTMLInputElement[];
  statement: HTMLInputElement;
  message: HTMLElement;
  // The statement as the core wrote it, and whether the field holds another one typed since.
  shown: string;
  edited: boolean;
}

export class ProgramPane {
  // A toggle's click, by its switch's place in the view, as the panel's switch sends it.
  onSwitch: (place: number) => void = () => undefined;

  private readonly rows: Row[] = [];
  private current = -1;
  // The mark follows the PC as the History follows the steps; the words change at once.
  private readonly pacer = new StepPacer();

  constructor(
    body: HTMLTableSectionElement,
    private readonly core: Core,
    private readonly json: PageJson,
    private readonly show: (view: View) => void,
  ) {
    const fragment = document.createDocumentFragment();
    for (let address = 0; address < 16; ++address) fragment.append(...this.makeRow(address));
    body.append(fragment);
    body.closest('table')?.style.setProperty('--qzb-current', rgb(json.styles.red));
  }

  private makeRow(address: number): HTMLTableRowElement[] {
    const digits = String(address).padStart(2, '0');
    const element = make('tr');
    const head = make('th');
    head.scope = 'row';
    // The PC's row moves as a text from one part to the other, which lays out and repaints this
    // box alone: a new style for the row would restyle it, a mark moved by a transform would make
    // Chromium layerize the whole page again.
    const [plain, marked] = [new Text(digits), new Text()];
    const place = make('span', 'row-address');
    place.append(plain, make('span', 'marked'));
    place.lastChild?.appendChild(marked);
    head.append(place);
    const bits: HTMLInputElement[] = [];
    const switches = make('td', 'bits');
    for (let bit = 7; bit >= 0; --bit) {
      const box = make('input');
      box.type = 'checkbox';
      say(box, 'page.rowBit', [digits, String(bit)], 'label');
      box.addEventListener('change', () => this.onSwitch(address * 8 + bit));
      bits[bit] = box;
      switches.append(box);
    }
    const statement = make('input', 'statement');
    Object.assign(statement, { type: 'text', spellcheck: false, autocomplete: 'off' });
    statement.setAttribute('autocapitalize', 'off');
    say(statement, 'page.statementAt', [digits], 'label');
    const message = make('span', 'row-message');
    message.id = `statement-message-${digits}`;
    message.setAttribute('aria-live', 'polite');
    statement.setAttribute('aria-describedby', message.id);
    const row: Row = { element, address: digits, plain, marked, bits, statement, message, shown: '', edited: false };
    statement.addEventListener('input', () => (row.edited = true));
    statement.addEventListener('keydown', (event) => {
      if (event.key === 'Enter') this.commit(address);
      else if (event.key === 'Escape') this.restore(row, '');
      else return;
      event.preventDefault();
    });
    statement.addEventListener('blur', () => this.commit(address));
    const breakpoint = make('input');
    breakpoint.type = 'checkbox';
    say(breakpoint, 'page.breakpointAt', [digits], 'label');
    breakpoint.addEventListener('change', () => (breakpoint.checked = this.core.setBreakpoint(address, breakpoint.checked)));
    const cells = [make('td'), make('td', 'breakpoint')];
    cells[0]?.append(statement);
    cells[1]?.append(breakpoint);
    element.append(head, switches, ...cells);
    const under = make('tr', 'row-message-row');
    const cell = make('td');
    cell.colSpan = 4;
    cell.append(message);
    under.append(cell);
    this.rows.push(row);
    return [element, under];
  }

  // The field's statement into its row; nothing when it was not edited. Either way the field
  // then shows the row's statement as the core writes it, or keeps the wrong one and says why.
  private commit(address: number): void {
    const row = this.rows[address];
    if (!row?.edited) return;
    const problems = this.core.applyStatement(address, row.statement.value);
    if (problems) {
      row.message.textContent = problems;
      row.statement.setAttribute('aria-invalid', 'true');
    } else {
      this.show(this.core.view);
      this.restore(row, this.core.view.text('statements', address));
    }
    countEnded('statements');
  }

  private restore(row: Row, shown: string): void {
    if (shown) row.shown = shown;
    row.statement.value = row.shown;
    row.edited = false;
    if (row.message.textContent) {
      row.message.textContent = '';
      row.statement.removeAttribute('aria-invalid');
    }
  }

  // Redraws the rows whose words changed, and moves the mark to the PC's row.
  draw(view: View, changed: number): void {
    const changes = this.json.view.changes;
    for (const [address, row] of this.rows.entries()) {
      if (!(changed & (changes.words[address] ?? 0))) continue;
      for (const [bit, box] of row.bits.entries()) {
        const state: SwitchState = view.number('switches', address * 8 + bit);
        box.checked = state === SwitchState.On;
        box.indeterminate = state === SwitchState.Greyed;
      }
      row.shown = view.text('statements', address);
      // What the user is typing stays until Enter, Escape or leaving the field.
      if (!(row.edited && document.activeElement === row.statement)) this.restore(row, row.shown);
    }
    if (this.pacer.take(changed & changes.redRow, view.number('clockOption'))) {
      const [before, now] = [this.rows[this.current], this.rows[view.number('redRow')]];
      if (before) [before.plain.data, before.marked.data] = [before.address, ''];
      if (now) [now.plain.data, now.marked.data] = ['', now.address];
      before?.element.removeAttribute('aria-current');
      now?.element.setAttribute('aria-current', 'step');
      this.current = view.number('redRow');
    }
  }
}
