// SPDX-License-Identifier: MIT
// The commands on whole rows, as the desktop workbook has them: add, insert, duplicate,
// delete, move and paste. Each is one undo step; the new rows' answers come from the engine.
import type { ProjectDocument } from './document';
import { ask } from './dom';
import type { Grid } from './grid';
import type { Edit } from './history';

export class RowCommands {
  constructor(private readonly doc: ProjectDocument, private readonly grid: Grid) {}

  private get engine() { return this.doc.engine; }

  /** A new unit at a place; the cursor goes to its name, where a unit's typing begins. */
  add(at: number): void {
    at = Math.max(0, Math.min(this.engine.size(), at));
    const units = [this.engine.newUnit(at - 1)];
    this.engine.insert(at, units);
    this.grid.currentColumn = 1;
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

  /**
   * Text from a spreadsheet. Into a cell, a block narrower than a unit fills the cells from
   * there down and right, as a spreadsheet does, with units added at the end where it runs
   * past the last; whole rows go in after the current row, all of them or none.
   */
  paste(text: string, row: number, column: number | undefined): boolean {
    if (column !== undefined && this.engine.size() > 0) {
      const block = this.engine.readBlock(text);
      if (block) return this.fill(block, row, column);
    }
    const pasted = this.engine.readPaste(text);
    if (pasted.refusal !== undefined || !pasted.units) {
      this.refuse(pasted.refusal ?? '');
      return false;
    }
    const at = this.engine.size() === 0 ? 0 : row + 1;
    this.engine.insert(at, pasted.units);
    this.doc.structural({ kind: 'insert', at, units: pasted.units }, at);
    this.doc.say(`已粘贴 ${pasted.units.length} 个计算单元`);
    return true;
  }

  private refuse(text: string): void {
    this.doc.say(text, true);
    void ask(text, ['确定']);
  }

  private fill(block: string[][], row: number, column: number): boolean {
    const inputs = this.engine.schema().inputs;
    const width = Math.max(...block.map((cells) => cells.length));
    if (column + width > inputs.length) {
      this.refuse(`粘贴的内容有 ${width} 列，从“${inputs[column].label}”列往右只有 ${inputs.length - column} 列，未粘贴。`);
      return false;
    }
    const refused = block.flatMap((cells, r) => cells.map((text, c) => {
      const why = this.engine.listRefusal(column + c, text);
      return why ? `第 ${r + 1} 行${why}` : '';
    })).filter((why) => why !== '');
    if (refused.length > 0) {
      this.refuse(`以下单元格不在列表中，未粘贴：\n${refused.slice(0, 10).join('\n')}${refused.length > 10 ? '\n……' : ''}`);
      return false;
    }
    const edits: Edit[] = [];
    while (this.engine.size() < row + block.length) {
      const at = this.engine.size();
      const units = [this.engine.newUnit(at - 1)];
      this.engine.insert(at, units);
      edits.push({ kind: 'insert', at, units });
    }
    const before = this.engine.rows(row, block.length);
    block.forEach((cells, r) => cells.forEach((text, c) => {
      const was = before[r].cells[column + c];
      const after = this.engine.setCell(row + r, column + c, text);
      if (after !== was) edits.push({ kind: 'cell', row: row + r, column: column + c, before: was, after });
    }));
    if (edits.length === 0) return true;
    this.grid.currentColumn = column + 1;
    this.doc.structural({ kind: 'batch', edits }, row);
    const cellCount = block.reduce((sum, cells) => sum + cells.length, 0);
    this.doc.say(`已粘贴 ${cellCount} 个单元格${edits[0].kind === 'insert' ? '，在末尾添加了计算单元' : ''}`);
    return true;
  }
}
