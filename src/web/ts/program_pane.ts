// SPDX-License-Identifier: MIT
// The Program pane: the 16 words as the panel's switches hold them, each with its
// statement and a breakpoint check box, the row the PC points at marked as the
// panel's red address label is.

import type { Core, View } from './core.js';
import type { PageJson } from './page_json.js';
import { make, rgb } from './ui.js';

interface Row {
  element: HTMLTableRowElement;
  switches: Text;
  statement: Text;
}

export class ProgramPane {
  private readonly rows: Row[] = [];
  private current = -1;

  constructor(
    body: HTMLTableSectionElement,
    core: Core,
    private readonly json: PageJson,
  ) {
    body.closest('table')?.style.setProperty('--qzb-current', rgb(json.styles.red));
    for (let address = 0; address < 16; ++address) {
      const element = body.insertRow();
      const cell = (text: string): Text => {
        const node = document.createTextNode(text);
        element.insertCell().append(node);
        return node;
      };
      cell(String(address).padStart(2, '0'));
      const switches = cell('');
      const statement = cell('');
      const box = make('input');
      box.type = 'checkbox';
      box.setAttribute('aria-label', json.texts.breakpointNames[address] ?? '');
      box.addEventListener('change', () => (box.checked = core.setBreakpoint(address, box.checked)));
      element.insertCell().append(box);
      this.rows.push({ element, switches, statement });
    }
  }

  // Redraws the rows whose words changed, and moves the mark to the PC's row.
  draw(view: View, changed: number): void {
    const changes = this.json.view.changes;
    for (const [address, row] of this.rows.entries()) {
      if (!(changed & (changes.words[address] ?? 0))) continue;
      row.switches.data = view.text('words', address);
      row.statement.data = view.text('statements', address);
    }
    if (changed & changes.redRow) {
      const row = view.number('redRow');
      this.rows[this.current]?.element.removeAttribute('aria-current');
      this.rows[row]?.element.setAttribute('aria-current', 'step');
      this.current = row;
    }
  }
}
