// SPDX-License-Identifier: MIT
// The engine as the page sees it: the building library compiled to WebAssembly. Every
// column, list, label, default, result and message comes from it as JSON.

/**
 * offers: the cell has a drop-down (a typed column may offer items too); several: the cell
 * may name several of its items at once ("A+B").
 */
export interface Column {
  key: string; label: string; kind: 'name' | 'choice' | 'text'; optional: boolean; offers: boolean; several: boolean;
}
export interface ResultColumn { key: string; label: string; totalled: boolean }
export interface Schema {
  standard: string;
  standardTitle: string;
  standards: { code: string; title: string }[];
  inputs: Column[];
  results: ResultColumn[];
  fields: { key: string; label: string }[];
}
/** labels: how each cell's item is shown (a K with its value), the cell's text elsewhere. */
export interface Row { cells: string[]; labels: string[]; results: string[]; failed: boolean; warned: boolean; problem: string }
/** A table read for importing: its units and the columns it had that a project does not keep. */
export interface TableRead { units?: string[][]; unused?: string[]; refusal?: string }
export interface Choice { item: string; label: string }
export interface Totals { models: { label: string; total: string }[]; grand: string; failed: number; note: string }

interface RawEngine {
  schema(): string; open(text: string): string; reset(code: string): boolean; projectText(): string;
  info(): string; setInfo(key: string, value: string): boolean; setStandard(code: string): boolean;
  size(): number; rows(first: number, count: number): string; choices(row: number, column: number): string;
  setCell(row: number, column: number, text: string): string; newUnit(above: number): string;
  insert(at: number, units: string): void; remove(at: number, count: number): string;
  move(from: number, to: number): void; totals(): string; copyRows(rows: string, withResults: boolean): string;
  readPaste(text: string): string; importTable(bytes: Uint8Array): string; exportTable(): Uint8Array;
  reportHtml(): string; proposedFileName(): string; readBlock(text: string): string;
  pickedItems(column: number, text: string): string; pickedText(column: number, items: string): string;
  listRefusal(column: number, text: string): string;
}
export interface Module {
  Engine: new () => RawEngine;
  evaluateProject(text: string): string;
  version(): string;
}
declare global {
  function createEngine(options?: object): Promise<Module>;
}

export class Engine {
  private readonly raw: RawEngine;
  constructor(readonly module: Module) { this.raw = new module.Engine(); }

  schema(): Schema { return JSON.parse(this.raw.schema()) as Schema; }
  /** Empty when opened; otherwise why the text is refused (nothing changed then). */
  open(text: string): string { return this.raw.open(text); }
  reset(code: string): boolean { return this.raw.reset(code); }
  projectText(): string { return this.raw.projectText(); }
  info(): Record<string, string> { return JSON.parse(this.raw.info()) as Record<string, string>; }
  setInfo(key: string, value: string): boolean { return this.raw.setInfo(key, value); }
  setStandard(code: string): boolean { return this.raw.setStandard(code); }
  size(): number { return this.raw.size(); }
  rows(first: number, count: number): Row[] { return JSON.parse(this.raw.rows(first, count)) as Row[]; }
  row(index: number): Row { return this.rows(index, 1)[0]; }
  choices(row: number, column: number): Choice[] { return JSON.parse(this.raw.choices(row, column)) as Choice[]; }
  setCell(row: number, column: number, text: string): string { return this.raw.setCell(row, column, text); }
  newUnit(above: number): string[] { return JSON.parse(this.raw.newUnit(above)) as string[]; }
  insert(at: number, units: string[][]): void { this.raw.insert(at, JSON.stringify(units)); }
  remove(at: number, count: number): string[][] { return JSON.parse(this.raw.remove(at, count)) as string[][]; }
  move(from: number, to: number): void { this.raw.move(from, to); }
  totals(): Totals { return JSON.parse(this.raw.totals()) as Totals; }
  copyRows(rows: number[], withResults: boolean): string { return this.raw.copyRows(JSON.stringify(rows), withResults); }
  readPaste(text: string): { units?: string[][]; refusal?: string } {
    return JSON.parse(this.raw.readPaste(text)) as { units?: string[][]; refusal?: string };
  }
  importTable(bytes: Uint8Array): TableRead { return JSON.parse(this.raw.importTable(bytes)) as TableRead; }
  exportTable(): Uint8Array { return this.raw.exportTable(); }
  reportHtml(): string { return this.raw.reportHtml(); }
  proposedFileName(): string { return this.raw.proposedFileName(); }
  /** A paste into a cell: the block it fills, or null when the text holds whole units. */
  readBlock(text: string): string[][] | null { return JSON.parse(this.raw.readBlock(text)) as string[][] | null; }
  pickedItems(column: number, text: string): string[] { return JSON.parse(this.raw.pickedItems(column, text)) as string[]; }
  pickedText(column: number, items: string[]): string { return this.raw.pickedText(column, JSON.stringify(items)); }
  /** Why a text cannot be a cell of the column (not an item of its list); '' when it can. */
  listRefusal(column: number, text: string): string { return this.raw.listRefusal(column, text); }
}
