// SPDX-License-Identifier: MIT
// The project being edited: the engine that holds it, its undo history, the file it came
// from and whether it has changed since. Views learn of changes through the callbacks the
// page connects; they never keep a copy of the project of their own.
import type { Engine } from './engine';
import { History, type Edit } from './history';
import * as recovery from './recovery';

export const PROJECT_EXTENSION = '.exdesign';

export interface FileHandle {
  name: string;
  getFile(): Promise<File>;
  createWritable(): Promise<{ write(data: string): Promise<void>; close(): Promise<void> }>;
}

export interface DocumentViews {
  /** A cell or field changed: its row (or -1) needs showing again, and the totals. */
  changed(row: number): void;
  /** Rows were inserted, removed or moved: the cursor goes to focus (none when < 0). */
  rowsChanged(focus: number): void;
  /** Another project (or standard) is in the engine: everything is shown afresh. */
  reloaded(): void;
  /** Undo and redo became possible or not, or the file's name or state changed. */
  stateChanged(): void;
  say(text: string, error?: boolean): void;
}

export class ProjectDocument {
  readonly history = new History();
  fileName = '';
  handle: FileHandle | undefined;
  dirty = false;
  private keepTimer = 0;

  constructor(readonly engine: Engine, private readonly views: DocumentViews) {}

  say(text: string, error = false): void { this.views.say(text, error); }

  /** After any change to the project: the row (or -1), the totals, the kept copy. */
  changed(row: number): void {
    this.views.changed(row);
    if (!this.dirty) { this.dirty = true; this.views.stateChanged(); }
    window.clearTimeout(this.keepTimer);
    this.keepTimer = window.setTimeout(() => {
      void recovery.keep({ text: this.engine.projectText(), fileName: this.fileName, time: Date.now() });
    }, 150);
  }

  record(edit: Edit): void {
    this.history.record(edit);
    this.views.stateChanged();
  }

  /** An edit that inserted, removed or moved rows, already applied to the engine. */
  structural(edit: Edit, focus: number): void {
    this.record(edit);
    this.changed(-1);
    this.views.rowsChanged(focus);
  }

  undo(): void { this.replay(this.history.undo(this.engine)); }
  redo(): void { this.replay(this.history.redo(this.engine)); }

  private replay(row: number | undefined): void {
    if (row === undefined) return;
    this.changed(-1);
    this.views.rowsChanged(row);
    this.views.stateChanged();
  }

  /** A project now in the engine that starts afresh: no history, the file it came from. */
  replaced(fileName: string, handle: FileHandle | undefined, dirty: boolean): void {
    this.fileName = fileName;
    this.handle = handle;
    this.history.clear();
    this.dirty = dirty;
    this.views.reloaded();
  }

  /** Saved: nothing unsaved remains, so no copy is kept either. */
  saved(fileName: string, handle: FileHandle | undefined): void {
    this.fileName = fileName;
    this.handle = handle;
    this.dirty = false;
    void recovery.forget();
    this.views.stateChanged();
  }
}
