// SPDX-License-Identifier: MIT
// File > Load and File > SaveAs, with the desktop's messages: a file picked, or opened with the
// installed page, goes through the dialog's name rule and the core's reader.

import type { Core, View } from './core.js';
import { showMessage } from './dialogs.js';
import { type Filter, filterOf, type OpenedFile, pickFileToOpen, pickFileToSave } from './files.js';

export class FileCommands {
  private readonly filter: Filter;
  private lastName = '';

  constructor(
    private readonly core: Core,
    private readonly show: (view: View) => void,
  ) {
    this.filter = filterOf(core.json.texts.fileFilter);
  }

  // No lock between commands: a browser without the file input's cancel event never
  // settles a cancelled Load, and a lock would then refuse every later one. The pickers
  // and the name box are modal, and a load changes the panel in one synchronous call.
  async load(): Promise<void> {
    const file = await pickFileToOpen(this.filter);
    if (file) await this.open(file);
  }

  // Load once the file is chosen, also for a file opened with the installed page.
  async open(file: OpenedFile): Promise<void> {
    const messages = this.core.json.texts.fileCommands.Load;
    if (this.core.acceptedName(file.name) === null) {
      await showMessage(messages.refused);
      return;
    }
    let bytes: Uint8Array;
    try {
      bytes = await file.read(this.core.readLimit());
    } catch {
      await showMessage(messages.cannotOpen);
      return;
    }
    this.lastName = file.name;
    this.show(this.core.load(bytes));
  }

  async saveAs(): Promise<void> {
    const texts = this.core.json.texts;
    const messages = texts.fileCommands.SaveAs;
    const suggested = this.lastName || texts.page.suggestedFileName;
    const target = await pickFileToSave(this.filter, suggested, texts.saveDialogTitle);
    if (!target) return;
    const name = this.core.acceptedName(target.name);
    if (name === null) {
      await showMessage(messages.refused);
      return;
    }
    this.lastName = name;
    try {
      await target.write(this.core.settingFile(), name);
    } catch {
      await showMessage(messages.cannotOpen);
    }
  }
}
