// SPDX-License-Identifier: MIT
// The page's header: what QZB is, the examples of examples/ in a menu, and Help. A visit by a
// link folds it to one line, since the link has brought what the visitor came for.

import { showHelp } from './help.js';
import { onLanguage, words } from './language.js';
import { dropDown, menuItem } from './menus.js';
import type { ExampleFiles } from './page_json.js';
import { byId, make } from './ui.js';

// The examples as the build read them from examples/, in the page's HTML.
export function builtInExamples(): ExampleFiles[] {
  return JSON.parse(byId('examples-data').textContent ?? '[]') as ExampleFiles[];
}

export function buildWelcome(examples: ExampleFiles[], open: (example: ExampleFiles) => void): void {
  const welcome = byId('welcome');
  if (location.hash.length > 1) welcome.classList.add('folded');
  const list = byId('examples-menu');
  const items = examples.map(({ name }) => {
    const item = menuItem('', `example-${name}`);
    const [title, teaches] = [make('span', 'example-title'), make('span', 'example-teaches')];
    title.id = `example-${name}-title`;
    teaches.id = `example-${name}-teaches`;
    item.setAttribute('aria-labelledby', title.id);
    item.setAttribute('aria-describedby', teaches.id);
    item.append(title, teaches);
    return item;
  });
  list.append(...items);
  const name = (): void => {
    const said = new Map(words().examples.map((example) => [example.name, example]));
    for (const [index, { name }] of examples.entries()) {
      const [title, teaches] = items[index]?.children ?? [];
      if (title) title.textContent = said.get(name)?.title ?? name;
      if (teaches) teaches.textContent = said.get(name)?.teaches ?? '';
    }
  };
  name();
  onLanguage(name);
  const button = byId<HTMLButtonElement>('examples-button');
  dropDown(list.parentElement ?? welcome, button, list, items, (index) => {
    const example = examples[index];
    if (example) open(example);
  });
  // Opened, the menu stays on the screen, from under its button's left edge or as near as it fits.
  button.addEventListener('click', () => {
    list.style.left = '';
    const over = list.getBoundingClientRect().right - (document.documentElement.clientWidth - 4);
    if (!list.hidden && over > 0) list.style.left = `${-over}px`;
  });
  const help = byId<HTMLButtonElement>('help-button');
  help.addEventListener('click', () => showHelp(help));
}
