// SPDX-License-Identifier: MIT
// The menu bar from the layout table: a menu with items drops down, one without is a command.
// The page's other menus (Examples) drop down the same way.

import type { Menu } from './page_json.js';
import { make } from './ui.js';

// A menu that drops down from `head` in `holder`: the arrow keys walk its items, Escape or a press
// elsewhere closes it, and choosing an item closes it and runs `choose` with the item's index.
export function dropDown(holder: HTMLElement, head: HTMLButtonElement, list: HTMLElement, items: HTMLElement[], choose: (index: number) => void): void {
  head.setAttribute('aria-haspopup', 'menu');
  head.setAttribute('aria-expanded', 'false');
  const close = (): void => {
    list.hidden = true;
    head.setAttribute('aria-expanded', 'false');
  };
  head.addEventListener('click', () => {
    if (!list.hidden) return close();
    list.hidden = false;
    head.setAttribute('aria-expanded', 'true');
    items[0]?.focus();
  });
  list.addEventListener('keydown', (event) => {
    const at = items.indexOf(document.activeElement as HTMLElement);
    if (event.key === 'ArrowDown') items[(at + 1) % items.length]?.focus();
    else if (event.key === 'ArrowUp') items[(at + items.length - 1) % items.length]?.focus();
    else if (event.key === 'Escape') {
      close();
      head.focus();
    } else return;
    event.preventDefault();
  });
  document.addEventListener('pointerdown', (event) => {
    if (!list.hidden && !(event.target instanceof Node && holder.contains(event.target))) close();
  });
  for (const [index, item] of items.entries()) {
    item.addEventListener('click', () => {
      close();
      choose(index);
    });
  }
}

export function menuItem(caption: string, id: string): HTMLButtonElement {
  const made = make('button', '', caption);
  made.type = 'button';
  made.id = id;
  made.setAttribute('role', 'menuitem');
  return made;
}

export function buildMenus(bar: HTMLElement, menus: Menu[], commands: Record<string, () => unknown>): void {
  for (const menu of menus) {
    const head = menuItem(menu.name, `menu-${menu.name.toLowerCase()}`);
    if (menu.items.length === 0) {
      head.addEventListener('click', () => void commands[menu.name]?.());
      bar.append(head);
      continue;
    }
    const holder = make('div', 'menu');
    const list = make('div');
    list.id = `menu-${menu.name.toLowerCase()}-items`;
    list.setAttribute('role', 'menu');
    list.setAttribute('aria-label', menu.name);
    list.hidden = true;
    const items = menu.items.map((caption) => menuItem(caption, `menu-${caption.toLowerCase()}`));
    list.append(...items);
    holder.append(head, list);
    bar.append(holder);
    dropDown(holder, head, list, items, (index) => void commands[menu.items[index] ?? '']?.());
  }
}
