// SPDX-License-Identifier: MIT
// The menu bar from the layout table: a menu with items drops down, one without is a command.

import type { Menu } from './page_json.js';
import { make } from './ui.js';

export function buildMenus(bar: HTMLElement, menus: Menu[], commands: Record<string, () => unknown>): void {
  const button = (caption: string, id: string): HTMLButtonElement => {
    const made = make('button', '', caption);
    made.type = 'button';
    made.id = id;
    made.setAttribute('role', 'menuitem');
    return made;
  };
  for (const menu of menus) {
    const head = button(menu.name, `menu-${menu.name.toLowerCase()}`);
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
    head.setAttribute('aria-haspopup', 'menu');
    head.setAttribute('aria-expanded', 'false');
    const items = menu.items.map((caption) => button(caption, `menu-${caption.toLowerCase()}`));
    list.append(...items);
    holder.append(head, list);
    bar.append(holder);
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
      const at = items.indexOf(document.activeElement as HTMLButtonElement);
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
        void commands[menu.items[index] ?? '']?.();
      });
    }
  }
}
