// SPDX-License-Identifier: MIT
// Modal message boxes with the desktop's caption, and the name box that stands in
// for a save dialog where the browser has none, worded by the catalogue.

import { words } from './language.js';
import type { Texts } from './page_json.js';
import { byId, make as element } from './ui.js';

export type Icon = 'error' | 'information' | 'none';

let texts: Texts;

// The catalogue's texts, once, before any box is shown.
export function useTexts(catalogue: Texts): void {
  texts = catalogue;
}

function modal(title: string, body: HTMLElement, buttons: HTMLButtonElement[]): HTMLDialogElement {
  const dialog = element('dialog', 'qzb-dialog');
  const caption = element('div', 'qzb-dialog-title', title);
  caption.id = `dialog-title-${Math.random().toString(36).slice(2)}`;
  dialog.setAttribute('aria-labelledby', caption.id);
  const row = element('div', 'qzb-dialog-buttons');
  row.append(...buttons);
  dialog.append(caption, body, row);
  document.body.append(dialog);
  dialog.addEventListener('close', () => dialog.remove());
  dialog.showModal();
  return dialog;
}

// Centred over the panel, as a desktop dialog over its window, yet kept in the view.
function centreOverPanel(dialog: HTMLDialogElement): void {
  const panel = byId('window').getBoundingClientRect();
  const place = (start: number, length: number, size: number, room: number): number =>
    Math.round(Math.max(0, Math.min(start + (length - size) / 2, room - size)));
  const left = place(panel.left, panel.width, dialog.offsetWidth, innerWidth);
  const top = place(panel.top, panel.height, dialog.offsetHeight, innerHeight);
  dialog.style.margin = '0';
  dialog.style.inset = `${top}px auto auto ${left}px`;
}

// One message at a time: a new one (another malformed link, say) replaces the one shown.
let shownMessage: HTMLDialogElement | null = null;

// Resolves when the user dismisses the box, or a newer message replaces it.
export function showMessage(text: string, icon: Icon = 'error'): Promise<void> {
  shownMessage?.close();
  const body = element('div', 'qzb-dialog-body');
  const { page } = words();
  const glyph = icon === 'error' ? page.errorIcon : page.informationIcon;
  if (icon !== 'none') body.append(element('span', `qzb-icon qzb-icon-${icon}`, glyph));
  const message = element('p', 'qzb-message', text);
  body.append(message);
  const ok = element('button', '', page.ok);
  ok.type = 'button';
  const dialog = modal(texts.messageCaption, body, [ok]);
  shownMessage = dialog;
  dialog.addEventListener('close', () => {
    if (shownMessage === dialog) shownMessage = null;
  });
  dialog.setAttribute('role', icon === 'error' ? 'alertdialog' : 'dialog');
  ok.addEventListener('click', () => dialog.close());
  ok.focus();
  return new Promise((resolve) => dialog.addEventListener('close', () => resolve()));
}

// A file name typed by the user, or null when the box is cancelled.
export function askName(title: string, suggested: string): Promise<string | null> {
  const form = element('form', 'qzb-dialog-body');
  const { page } = words();
  const label = element('label', 'qzb-name', page.fileName);
  const input = element('input');
  input.type = 'text';
  input.value = suggested;
  input.name = 'name';
  input.spellcheck = false;
  label.append(input);
  form.append(label);
  const save = element('button', '', page.save);
  save.type = 'submit';
  const cancel = element('button', '', page.cancel);
  cancel.type = 'button';
  const dialog = modal(title, form, [save, cancel]);
  centreOverPanel(dialog);
  let chosen: string | null = null;
  const accept = (event: Event): void => {
    event.preventDefault();
    if (input.value.trim() === '') return;
    chosen = input.value.trim();
    dialog.close();
  };
  form.addEventListener('submit', accept);
  save.addEventListener('click', accept);
  cancel.addEventListener('click', () => dialog.close());
  input.select();
  return new Promise((resolve) => dialog.addEventListener('close', () => resolve(chosen)));
}
