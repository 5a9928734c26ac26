// SPDX-License-Identifier: MIT
// The project being edited: the engine that holds it, its undo history, the file it came
// from and whether it has changed since. Views learn of changes through the callbacks the
// page connects; they never keep a copy of the project of their own.
import type { Engine } from './engine';
import { History, type Edit } from './history';
import { PageCopy } from './recovery';

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

/** How long typing may pause before the copy is written: often enough, not every key. */
const KEEP_DELAY = 150;

export class ProjectDocument {
  readonly history = new History();
  readonly copy = new PageCopy();
  fileName = '';
  handle: FileHandle | undefined;
  dirty = false;
  /** The sample the page starts on, untouched: a table imported replaces it without asking. */
  sample = false;
  private keepTimer = 0;

  constructor(readonly engine: Engine, private readonly views: DocumentViews) {}

  say(text: string, error = false): void { this.views.say(text, error); }

  /** What the project is called: its file, else its 工程名称, else 未命名. */
  get title(): string {
    return this.fileName || this.engine.info().name?.trim() || '未命名';
  }

  /** The name 保存 proposes: its file's, or one made of its 工程名称 by the library. */
  get proposedFileName(): string {
    return this.fileName || this.engine.proposedFileName();
  }

  /** After any change to the project: the row (or -1), the totals, the kept copy. */
  changed(row: number): void {
    this.views.changed(row);
    this.sample = false;
    if (!this.dirty) { this.dirty = true; }
    this.views.stateChanged();
    this.scheduleKeep();
  }

  private scheduleKeep(): void {
    window.clearTimeout(this.keepTimer);
    this.keepTimer = window.setTimeout(() => this.keepNow(), KEEP_DELAY);
  }

  /** Writes the copy now, unless nothing is unsaved by the time its turn comes. */
  keepNow(): Promise<void> {
    window.clearTimeout(this.keepTimer);
    if (!this.dirty) return Promise.resolve();
    return this.copy.keep(() => ({
      text: this.engine.projectText(), fileName: this.fileName,
      name: this.engine.info().name ?? '', units: this.engine.size(),
    })).catch(() => undefined);
  }

  /** Nothing of this project is to be kept any more: no later write, and the copy goes. */
  private forget(): void {
    window.clearTimeout(this.keepTimer);
    void this.copy.forget().catch(() => undefined);
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
    this.sample = false;
    if (dirty) void this.keepNow(); else this.forget();
    this.views.reloaded();
  }

  /**
   * Saved: the text written is the project's unless it changed while the file was being
   * written, in which case those changes are still unsaved and still kept.
   */
  saved(fileName: string, handle: FileHandle | undefined, text: string): void {
    this.fileName = fileName;
    this.handle = handle;
    this.dirty = this.engine.projectText() !== text;
    if (this.dirty) void this.keepNow(); else this.forget();
    this.views.stateChanged();
  }
}
