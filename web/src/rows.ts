// SPDX-License-Identifier: MIT
// The commands on whole rows, as the desktop workbook has them: add, insert, duplicate,
// delete, move and paste. Each is one undo step; the new rows' answers come from the engine.
import type { ProjectDocument } from './document';
import { ask } from './dom';
import type { Grid } from './grid';

export class RowCommands {
  constructor(private readonly doc: ProjectDocument, private readonly grid: Grid) {}

  private get engine() { return this.doc.engine; }

  add(at: number): void {
    at = Math.max(0, Math.min(this.engine.size(), at));
    const units = [this.engine.newUnit(at - 1)];
    this.engine.insert(at, units);
    this.doc.structural({ kind: 'insert', at, units }, at);
  }

  duplicate(): void {
    const rows = this.grid.selection();
    if (rows.length === 0) return;
    const units = this.engine.rows(rows[0], rows.length).map((r) => r.cells);
    const at = rows[rows.length - 1] + 1;
    this.engine.insert(at, units);
    this.doc.structural({ kind: 'insert', at, units }, at);
  }

  deleteSelected(): void {
    const rows = this.grid.selection();
    if (rows.length === 0) return;
    const units = this.engine.remove(rows[0], rows.length);
    this.doc.structural({ kind: 'remove', at: rows[0], units }, Math.min(rows[0], this.engine.size() - 1));
  }

  move(step: number): void {
    const from = this.grid.current;
    const to = from + step;
    if (this.engine.size() === 0 || to < 0 || to >= this.engine.size()) return;
    this.engine.move(from, to);
    this.doc.structural({ kind: 'move', from, to }, to);
  }

  /** Rows from a spreadsheet, after the current row: all of them or none. */
  paste(text: string, row: number): boolean {
    const pasted = this.engine.readPaste(text);
    if (pasted.refusal !== undefined || !pasted.units) {
      this.doc.say(pasted.refusal ?? '', true);
      void ask(pasted.refusal ?? '', ['确定']);
      return false;
    }
    const at = this.engine.size() === 0 ? 0 : row + 1;
    this.engine.insert(at, pasted.units);
    this.doc.structural({ kind: 'insert', at, units: pasted.units }, at);
    this.doc.say(`已粘贴 ${pasted.units.length} 个计算单元`);
    return true;
  }
}
