// SPDX-License-Identifier: MIT
// What every part of the page does alike: making elements, colours, counting the commands
// that have ended (tests wait for the count), sharing a link, downloading a file and pacing the
// panes that follow the steps.

import { ClockOption, type Rgb } from './page_json.js';

export const rgb = (colour: Rgb): string => `rgb(${colour.join(', ')})`;

// An element with a class and a text, either of which may be empty.
export function make<K extends keyof HTMLElementTagNameMap>(tag: K, className = '', text = ''): HTMLElementTagNameMap[K] {
  const made = document.createElement(tag);
  if (className) made.className = className;
  if (text) made.textContent = text;
  return made;
}

// The page's element with this id; the page's own HTML has every id the scripts ask for.
export function byId<T extends HTMLElement = HTMLElement>(id: string): T {
  return document.getElementById(id) as T;
}

// Lines, one list item each.
export function listLines(list: HTMLElement, lines: readonly string[]): void {
  list.replaceChildren(...lines.map((line) => make('li', '', line)));
}

// Counts a command (loads, saves, assemblies, exercises, checks, gradings) once it has ended,
// whatever its outcome: a test waits for the count, as the state a command leaves may have held before.
export function countEnded(command: string): void {
  const data = document.documentElement.dataset;
  const key = `${command}Ended`;
  data[key] = String(Number(data[key] ?? 0) + 1);
}

// Puts the page's address with `fragment` in the address bar and on the clipboard; false when
// the clipboard refused, and the address bar alone holds the link.
export async function shareLink(fragment: string): Promise<boolean> {
  const link = `${location.href.split('#')[0]}${fragment}`;
  history.replaceState(null, '', link);
  try {
    await navigator.clipboard.writeText(link);
    return true;
  } catch {
    return false;
  }
}

// Saves `bytes` as a download named `name`, into the browser's download folder.
export function download(name: string, bytes: Uint8Array, type = 'application/octet-stream'): void {
  const link = make('a');
  link.download = name;
  link.href = URL.createObjectURL(new Blob([bytes as Uint8Array<ArrayBuffer>], { type }));
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10_000);
}

// At 10 Hz nobody reads a pane a step: a pane that follows the steps draws then with the first
// step at least a quarter of a second after its last drawing, two or three steps at a time. At
// any other clock, and when the clock stops, it draws each step as it happens.
export class StepPacer {
  private drawnAt = -Infinity;
  // The changes held back since the last drawing.
  held = 0;

  // What to draw now, at `clock`: the changes held back and `changed`; none while the quarter of
  // a second runs, which starts again when there are.
  take(changed: number, clock: ClockOption): number {
    this.held |= changed;
    const now = performance.now();
    if (!this.held || (clock === ClockOption.Hz10 && now - this.drawnAt < 250)) return 0;
    this.drawnAt = now;
    const taken = this.held;
    this.held = 0;
    return taken;
  }
}
