// SPDX-License-Identifier: MIT
// The page's own texts in English or Japanese: by the browser's languages until the Language
// control chooses, which the page then remembers. The panel keeps its own texts in either.
// An element names its text by key (data-text="page.copyLink", and data-label for its
// accessible name, with data-args for a text's %s), so that a change of language finds it.

import type { Texts, Words } from './page_json.js';

export type Language = 'en' | 'ja';
type Tables = Pick<Words, 'page' | 'classroom' | 'welcome'>;
// "page.copyLink" and the like: a key of one of the tables, which tsc holds to the catalogue.
export type TextKey = { [Table in keyof Tables]: `${Table}.${keyof Tables[Table] & string}` }[keyof Tables];

const storageKey = 'qzb-language';
let texts: Texts;
let chosen: Language = 'en';
const redraws: (() => void)[] = [];

export const words = (): Words => (chosen === 'ja' ? texts.japanese : texts);
export const language = (): Language => chosen;

// The text a key names, each %s replaced in turn by one of `args`.
export function text(key: TextKey, ...args: string[]): string {
  const [table, name] = key.split('.') as [keyof Tables, string];
  const sentence = (words()[table] as Record<string, string>)[name] ?? '';
  return args.reduce<string>((made, arg) => made.replace('%s', arg), sentence);
}

// `element`'s text (or, with `attribute` 'label', its accessible name) in the language chosen,
// now and after a change of language; an empty key empties it.
export function say(element: HTMLElement | SVGElement, key: TextKey | '', args: string[] = [], attribute: 'text' | 'label' = 'text'): void {
  element.dataset[attribute] = key;
  if (args.length > 0) element.dataset['args'] = args.join(' ');
  else delete element.dataset['args'];
  write(element, attribute);
}

function write(element: HTMLElement | SVGElement, attribute: 'text' | 'label'): void {
  const key = element.dataset[attribute] as TextKey | '';
  const args = element.dataset['args']?.split(' ') ?? [];
  const shown = key ? text(key, ...args) : '';
  if (attribute === 'label') element.setAttribute('aria-label', shown);
  else element.textContent = shown;
}

// What else the page draws from words(), again after a change of language.
export function onLanguage(redraw: () => void): void {
  redraws.push(redraw);
}

export function choose(wanted: Language): void {
  chosen = wanted;
  document.documentElement.lang = wanted;
  for (const element of document.querySelectorAll<HTMLElement | SVGElement>('[data-text]')) write(element, 'text');
  for (const element of document.querySelectorAll<HTMLElement | SVGElement>('[data-label]')) write(element, 'label');
  for (const redraw of redraws) redraw();
  document.documentElement.dataset['language'] = wanted;
}

function remembered(): Language | null {
  try {
    const saved = localStorage.getItem(storageKey);
    return saved === 'en' || saved === 'ja' ? saved : null;
  } catch {
    return null;
  }
}

// The first of the browser's languages that the page has, else English.
function browsers(): Language {
  for (const tag of navigator.languages.length > 0 ? navigator.languages : [navigator.language]) {
    const base = tag.toLowerCase().split('-')[0];
    if (base === 'ja' || base === 'en') return base;
  }
  return 'en';
}

// Chooses the language the page starts in, and lets `control` change it.
export function useLanguage(catalogue: Texts, control: HTMLSelectElement): void {
  texts = catalogue;
  choose(remembered() ?? browsers());
  control.value = chosen;
  control.addEventListener('change', () => {
    choose(control.value === 'ja' ? 'ja' : 'en');
    try {
      localStorage.setItem(storageKey, chosen);
    } catch {
      // A browser that keeps nothing (a private window) starts in the browser's language again.
    }
  });
}
