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
  /** The plan's columns and labels; only for a standard whose units have plans. */
  plan?: PlanSchema;
}
/** Column indices of the plan's cells, the tooltip of a value from the plan, the worst-distance column. */
export interface PlanSchema {
  outline: number; pointsAt: number; area: number; points: number; fromPlan: string;
  worst: { key: string; label: string; note: string };
}
/** What the plan gives a row: S and N where none was typed, the worst distance ("22.66 m"). */
export interface RowPlan { area: string; points: string; worst: string; ok: boolean }
/** labels: how each cell's item is shown (a K with its value), the cell's text elsewhere. */
export interface Row { cells: string[]; labels: string[]; results: string[]; failed: boolean; warned: boolean; problem: string; plan?: RowPlan }
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
  planImport(bytes: Uint8Array, layer: string, units: string, likeRow: number, append: boolean): string;
  place(rows: string): string;
  planView(row: number, withPoints: boolean, points: string, width: number, height: number, textSize: number): string;
  onFloor(row: number, x: number, y: number): boolean;
  planSvg(row: number): string;
  exportPointsDxf(units: string): DxfBytes;
  dragStart(row: number): boolean;
  dragView(points: string, width: number, height: number, textSize: number): string;
  dragEnd(): void;
}
interface DxfBytes { bytes?: Uint8Array; skipped?: string; error?: string }
export interface Module {
  Engine: new () => RawEngine;
  evaluateProject(text: string): string;
  version(): string;
  importDxf(bytes: Uint8Array, layer: string, units: string): string;
  placeProject(text: string): string;
  exportDxf(text: string, units: string): DxfBytes;
  planInks(): string;
  dxfSummary(bytes: Uint8Array): string;
}

// ---- plans

export type XY = [number, number];
export type DrawingItem =
  | { k: 'l'; ink: string; a: XY; b: XY }
  | { k: 'a'; ink: string; rings: number[][] }
  | { k: 'c'; ink: string; at: XY; r: number }
  | { k: 't'; ink: string; at: XY; text: string; size: number; anchor: 'start' | 'middle' | 'end'; angle: number };
/** A plan laid out by the library: page units, y downwards; origin and scale map metres to the page. */
export interface Drawing { width: number; height: number; scale: number; origin: XY; items: DrawingItem[] }
export interface InkStyle {
  stroke: string; strokeWidth: number; fill: string; fillOpacity: number; dashed: boolean; text: string; bold: boolean;
}
export interface PlanView {
  outline?: string;
  cell?: string;
  error?: string;
  refused?: string;
  line?: { clause: string; text: string; ok: boolean };
  placed?: boolean;
  points?: XY[];
  drawing?: Drawing;
}
export interface CellEdit { row: number; column: number; before: string; after: string }
export interface RoomsImport {
  error?: string; warnings: string[]; notes: string[]; added: number; joined: number;
  project?: string; edits?: CellEdit[]; at?: number; units?: string[][];
}
export interface Placement { edits: CellEdit[] }
export interface PointsDxf { bytes: Uint8Array; skipped: string[] }
/** A drawing's layers with their closed outlines, the unit it states (null: none), the likely room layer. */
export interface DxfSummary { layers: { name: string; outlines: number }[]; metresPerUnit: number | null; likely: number; error: string }
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

  /** A drawing's rooms: appended to this project as edits to make, or as a new project's text. */
  planImport(bytes: Uint8Array, layer: string, units: string, likeRow: number, append: boolean): RoomsImport {
    return JSON.parse(this.raw.planImport(bytes, layer, units, likeRow, append)) as RoomsImport;
  }
  /** Points proposed for the rows that need them, as edits to make. */
  place(rows: number[]): Placement { return JSON.parse(this.raw.place(JSON.stringify(rows))) as Placement; }
  /** The unit's plan laid out to width × height; with points (metres), as if they were its
   *  设置点, and then cell is the text they make. */
  planView(row: number, width: number, height: number, textSize: number, points?: XY[]): PlanView {
    return JSON.parse(this.raw.planView(row, points !== undefined, JSON.stringify(points ?? []),
      width, height, textSize)) as PlanView;
  }
  onFloor(row: number, x: number, y: number): boolean { return this.raw.onFloor(row, x, y); }
  planSvg(row: number): { name?: string; svg?: string } {
    return JSON.parse(this.raw.planSvg(row)) as { name?: string; svg?: string };
  }
  exportPointsDxf(units = ''): PointsDxf { return pointsDxf(this.raw.exportPointsDxf(units)); }
  /** A point of the unit is being dragged: each move is laid out from what the start kept. */
  dragStart(row: number): boolean { return this.raw.dragStart(row); }
  dragView(points: XY[], width: number, height: number, textSize: number): PlanView {
    return JSON.parse(this.raw.dragView(JSON.stringify(points), width, height, textSize)) as PlanView;
  }
  dragEnd(): void { this.raw.dragEnd(); }
}

export function dxfSummary(module: Module, bytes: Uint8Array): DxfSummary {
  return JSON.parse(module.dxfSummary(bytes)) as DxfSummary;
}

export function pointsDxf(out: DxfBytes): PointsDxf {
  if (out.error !== undefined || !out.bytes) throw new Error(out.error ?? '');
  return { bytes: out.bytes, skipped: JSON.parse(out.skipped ?? '[]') as string[] };
}
