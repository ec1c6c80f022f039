// SPDX-License-Identifier: MIT
// The Program pane: the 16 words as the panel's switches hold them, each with its
// statement and a breakpoint check box, the row the PC points at marked as the
// panel's red address label is.

import type { Core, PageJson, View } from './core.js';
import { rgb } from './ui.js';

interface Row {
  element: HTMLTableRowElement;
  switches: Text;
  statement: Text;
  shown: string; // the switches and statement the row shows
}

export class ProgramPane {
  private readonly rows: Row[] = [];
  private current = -1;

  constructor(
    body: HTMLTableSectionElement,
    private readonly core: Core,
    json: PageJson,
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
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.setAttribute('aria-label', json.texts.breakpointNames[address] ?? '');
      box.addEventListener('change', () => (box.checked = core.setBreakpoint(address, box.checked)));
      element.insertCell().append(box);
      this.rows.push({ element, switches, statement, shown: '' });
    }
  }

  // Redraws the rows whose words changed, and moves the mark to the PC's row.
  draw(view: View, changed: number): void {
    const changes = view.fields.changes;
    if (changed & changes.switches) {
      for (const [address, [, switches, statement]] of this.core.listing().entries()) {
        const row = this.rows[address];
        if (!row || row.shown === `${switches}\t${statement}`) continue;
        row.shown = `${switches}\t${statement}`;
        row.switches.data = switches;
        row.statement.data = statement;
      }
    }
    if (changed & changes.redRow && view.redRow !== this.current) {
      this.rows[this.current]?.element.removeAttribute('aria-current');
      this.rows[view.redRow]?.element.setAttribute('aria-current', 'step');
      this.current = view.redRow;
    }
  }
}
