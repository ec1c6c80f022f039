// SPDX-License-Identifier: MIT
// The Assembly pane: a source with its lines numbered, assembled into the panel (the input port
// keeps its own switches, then the machine is reset) or made from the panel, each error listed
// with a link to its line; and Copy link, which puts the panel in a link.

import type { Core, View } from './core.js';
import { say } from './language.js';
import { byId, countEnded, make, shareLink } from './ui.js';

const encoder = new TextEncoder();

export class AssemblyPane {
  private readonly source = byId<HTMLTextAreaElement>('asm-source');
  private readonly numbers = byId('asm-lines');
  private numbered = 0;

  constructor(
    private readonly core: Core,
    private readonly show: (view: View) => void,
  ) {
    const command = (id: string, action: () => unknown): void => byId(id).addEventListener('click', () => void action());
    command('asm-assemble', () => this.assemble());
    command('asm-disassemble', () => {
      this.source.value = core.disassemble();
      this.number();
    });
    command('copy-link', async () => say(byId('link-status'), (await shareLink(core.link())) ? 'page.linkCopied' : 'page.linkInAddressBar'));
    this.source.addEventListener('input', () => this.number());
    this.source.addEventListener('scroll', () => (this.numbers.scrollTop = this.source.scrollTop));
    // Nothing has scrolled yet: reading where would lay the page out before the panel shows.
    this.number(false);
  }

  private assemble(): void {
    const errors = this.core.assemble(this.source.value);
    if (!errors) this.show(this.core.view);
    say(byId('asm-status'), errors ? '' : 'page.assembled');
    // "LINE:COLUMN: message", and a last line that counts the errors not listed.
    const items = (errors ? errors.split('\n') : []).map((error) => {
      const item = make('li');
      const place = /^(\d+):(\d+)(?=: )/.exec(error);
      if (!place) return Object.assign(item, { textContent: error });
      const link = make('button', 'line-link', place[0]);
      link.type = 'button';
      link.addEventListener('click', () => this.select(Number(place[1]), Number(place[2])));
      item.append(link, error.slice(place[0].length));
      return item;
    });
    byId('asm-errors').replaceChildren(...items);
    this.number();
    countEnded('assemblies');
  }

  // One number a line of the source, as far as it goes, scrolled as the source is.
  private number(scrolled = true): void {
    let lines = 1;
    for (let at = this.source.value.indexOf('\n'); at >= 0; at = this.source.value.indexOf('\n', at + 1)) ++lines;
    if (lines === this.numbered) return;
    this.numbered = lines;
    this.numbers.textContent = Array.from({ length: lines }, (_, index) => index + 1).join('\n');
    if (scrolled) this.numbers.scrollTop = this.source.scrollTop;
  }

  // Puts the caret at a line and (UTF-8 byte) column of the source, as the assembler counts them.
  private select(line: number, column: number): void {
    const lines = this.source.value.split('\n');
    const start = lines.slice(0, line - 1).reduce((sum, text) => sum + text.length + 1, 0);
    const text = lines[line - 1] ?? '';
    let offset = 0;
    while (offset < text.length && encoder.encode(text.slice(0, offset)).length < column - 1) ++offset;
    this.source.focus();
    this.source.setSelectionRange(start + offset, start + offset);
  }
}
