// SPDX-License-Identifier: MIT
// Help: the instructions (from the table the assembler uses), the parts of the panel and the
// keyboard, in a dialog made in the language chosen when it opens. Escape or Close closes it,
// and the focus goes back to the button that opened it.

import { language, text, words } from './language.js';
import { byId, make } from './ui.js';

// Words of the panel and of the language, which read the same in every page.
function untranslated<K extends 'code' | 'dt'>(tag: K, content: string): HTMLElementTagNameMap[K] {
  const element = make(tag, '', content);
  element.translate = false;
  return element;
}

function section(heading: string, ...content: HTMLElement[]): HTMLElement {
  const made = make('section');
  made.append(make('h3', '', heading), ...content);
  return made;
}

function contents(): HTMLElement[] {
  const said = words();
  const table = make('table', 'help-instructions');
  const head = table.createTHead().insertRow();
  for (const column of [said.welcome.bitsColumn, said.page.statementColumn, said.welcome.effectColumn]) head.append(make('th', '', column));
  const body = table.createTBody();
  for (const { bits, statement, effect } of said.instructions) {
    const row = body.insertRow();
    row.insertCell().append(untranslated('code', bits));
    row.insertCell().append(untranslated('code', statement));
    // A register's effect is code; a jump's is a sentence with its target in it.
    row.insertCell().append(effect.includes('=') ? untranslated('code', effect) : effect);
  }
  const parts = make('dl', 'help-parts');
  for (const { name, text } of said.panelParts) parts.append(untranslated('dt', name), make('dd', '', text));
  const keys = make('ul', 'help-keys');
  keys.append(...said.keys.map((key) => make('li', '', key)));
  return [
    section(said.welcome.instructionsHeading, make('p', '', said.welcome.instructionsIntro), table),
    section(said.welcome.panelHeading, parts),
    section(said.welcome.keyboardHeading, keys),
  ];
}

let made: { dialog: HTMLDialogElement; body: HTMLElement; language: string; opener: HTMLElement } | null = null;

export function showHelp(opener: HTMLElement): void {
  if (!made) {
    const dialog = make('dialog', 'qzb-help');
    dialog.id = 'help-dialog';
    const title = make('h2');
    title.id = 'help-title';
    dialog.setAttribute('aria-labelledby', title.id);
    const body = make('div', 'help-body');
    const close = make('button');
    close.type = 'button';
    close.id = 'help-close';
    close.addEventListener('click', () => dialog.close());
    const buttons = make('p', 'help-buttons');
    buttons.append(close);
    dialog.append(title, body, buttons);
    dialog.addEventListener('close', () => made?.opener.focus());
    document.body.append(dialog);
    made = { dialog, body, language: '', opener };
  }
  const { dialog, body } = made;
  if (made.language !== language()) {
    byId('help-title').textContent = text('welcome.helpTitle');
    byId('help-close').textContent = text('welcome.close');
    body.replaceChildren(...contents());
    made.language = language();
  }
  made.opener = opener;
  dialog.showModal();
  body.scrollTop = 0;
}
