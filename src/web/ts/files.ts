// SPDX-License-Identifier: MIT
// Choosing files: the browser's file pickers where it has them, else a file input
// for Load and a named download for SaveAs.

import { askName } from './dialogs.js';
import { download, make } from './ui.js';

interface PickerType {
  description: string;
  accept: Record<string, string[]>;
}

interface Writable {
  write(data: Uint8Array): Promise<void>;
  close(): Promise<void>;
}

interface PickedHandle {
  name: string;
  getFile(): Promise<File>;
  createWritable(): Promise<Writable>;
}

interface PickerWindow {
  showOpenFilePicker?: (options: { types: PickerType[]; multiple: boolean }) => Promise<PickedHandle[]>;
  showSaveFilePicker?: (options: { types: PickerType[]; suggestedName: string }) => Promise<PickedHandle>;
}

// The file dialogs' filter as the desktop writes it ("QZB File|*.qzb"): what the
// pickers offer, and the extensions the file input accepts.
export interface Filter {
  types: PickerType[];
  accept: string;
}

export function filterOf(desktopFilter: string): Filter {
  const [description = '', patterns = ''] = desktopFilter.split('|');
  const extensions = patterns.split(';').map((pattern) => pattern.replace(/^\*/, ''));
  return { types: [{ description, accept: { 'application/octet-stream': extensions } }], accept: extensions.join(',') };
}

export interface OpenedFile {
  name: string;
  // At most `limit` bytes from the start: a huge file must not exhaust memory.
  read(limit: number): Promise<Uint8Array>;
}

export interface SaveTarget {
  name: string;
  // `finalName` is the name after the dialog's rule (".qzb" added); a picked file keeps its own.
  write(bytes: Uint8Array, finalName: string): Promise<void>;
}

export function openedFromHandle(handle: { name: string; getFile(): Promise<File> }): OpenedFile {
  return { name: handle.name, read: async (limit) => new Uint8Array(await (await handle.getFile()).slice(0, limit).arrayBuffer()) };
}

// A file name has at most 255 bytes, and Chromium writes a download as NAME.crdownload
// first: a longer name would download nothing, without a word.
const longestDownloadName = 244;

function cancelled(error: unknown): boolean {
  return error instanceof DOMException && error.name === 'AbortError';
}

// The chosen file, or null when the user closed the picker without a choice.
export async function pickFileToOpen({ types, accept }: Filter): Promise<OpenedFile | null> {
  const picker = (window as PickerWindow).showOpenFilePicker;
  if (picker) {
    try {
      const [handle] = await picker.call(window, { types, multiple: false });
      return handle ? openedFromHandle(handle) : null;
    } catch (error) {
      if (cancelled(error)) return null;
      throw error;
    }
  }
  const input = make('input');
  input.type = 'file';
  input.accept = accept;
  return new Promise((resolve) => {
    input.addEventListener('change', () => {
      const file = input.files?.[0];
      resolve(file ? { name: file.name, read: async (limit) => new Uint8Array(await file.slice(0, limit).arrayBuffer()) } : null);
    });
    input.addEventListener('cancel', () => resolve(null));
    input.click();
  });
}

// Where to save, or null when the user cancelled. The caller refuses names with
// another extension before writing.
export async function pickFileToSave({ types }: Filter, suggested: string, title: string): Promise<SaveTarget | null> {
  const picker = (window as PickerWindow).showSaveFilePicker;
  if (picker) {
    try {
      const handle = await picker.call(window, { types, suggestedName: suggested });
      return {
        name: handle.name,
        write: async (bytes) => {
          const stream = await handle.createWritable();
          await stream.write(bytes);
          await stream.close();
        },
      };
    } catch (error) {
      if (cancelled(error)) return null;
      throw error;
    }
  }
  const name = await askName(title, suggested);
  if (name === null) return null;
  return {
    name,
    write: (bytes, finalName) => {
      if (new TextEncoder().encode(finalName).length > longestDownloadName) return Promise.reject(new RangeError('name too long'));
      download(finalName, bytes);
      return Promise.resolve();
    },
  };
}
