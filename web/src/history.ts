// SPDX-License-Identifier: MIT
// Undo and redo: each edit with its inverse, applied through the engine.
import type { Engine } from './engine';

export type Edit =
  | { kind: 'cell'; row: number; column: number; before: string; after: string }
  | { kind: 'insert'; at: number; units: string[][] }
  | { kind: 'remove'; at: number; units: string[][] }
  | { kind: 'move'; from: number; to: number }
  | { kind: 'info'; key: string; before: string; after: string }
  /** Several edits that are one step for the user (a block pasted over cells), in order. */
  | { kind: 'batch'; edits: Edit[] };

function inverse(edit: Edit): Edit {
  switch (edit.kind) {
    case 'cell': return { ...edit, before: edit.after, after: edit.before };
    case 'insert': return { kind: 'remove', at: edit.at, units: edit.units };
    case 'remove': return { kind: 'insert', at: edit.at, units: edit.units };
    case 'move': return { kind: 'move', from: edit.to, to: edit.from };
    case 'info': return { ...edit, before: edit.after, after: edit.before };
    case 'batch': return { kind: 'batch', edits: edit.edits.map(inverse).reverse() };
  }
}

/** Applies an edit and gives the row it concerns, for the cursor. */
export function apply(engine: Engine, edit: Edit): number {
  switch (edit.kind) {
    case 'cell': engine.setCell(edit.row, edit.column, edit.after); return edit.row;
    case 'insert': engine.insert(edit.at, edit.units); return edit.at;
    case 'remove': engine.remove(edit.at, edit.units.length); return Math.min(edit.at, engine.size() - 1);
    case 'move': engine.move(edit.from, edit.to); return edit.to;
    case 'info': engine.setInfo(edit.key, edit.after); return -1;
    case 'batch': {
      const rows = edit.edits.map((e) => apply(engine, e)).filter((row) => row >= 0);
      return rows.length > 0 ? Math.min(...rows) : -1;
    }
  }
}

export class History {
  private done: Edit[] = [];
  private undone: Edit[] = [];

  /** Records an edit already applied. */
  record(edit: Edit): void { this.done.push(edit); this.undone = []; }
  clear(): void { this.done = []; this.undone = []; }
  get canUndo(): boolean { return this.done.length > 0; }
  get canRedo(): boolean { return this.undone.length > 0; }

  undo(engine: Engine): number | undefined {
    const edit = this.done.pop();
    if (!edit) return undefined;
    this.undone.push(edit);
    return apply(engine, inverse(edit));
  }

  redo(engine: Engine): number | undefined {
    const edit = this.undone.pop();
    if (!edit) return undefined;
    this.done.push(edit);
    return apply(engine, edit);
  }
}
