// SPDX-License-Identifier: MIT
// The grid of units: a row per unit, the inputs editable, the results beside them. Only
// the rows in view exist as elements, so a project of ten thousand units opens as fast as
// one of ten. What a row shows comes from the engine; the grid only lays it out.
//
// On a narrow screen the columns do not all fit: the row number and the name stay at the
// left and the figures a designer checks (每点具数, 合计具数, the row's state) at the right
// while the columns between them scroll. The row's problems are shown whole beside the grid
// (the page's problems pane), so the grid shows only whether there are any.
import type { Choice, Column, Row, Schema } from './engine';
import { h } from './dom';

export interface GridHost {
  size(): number;
  rows(first: number, count: number): Row[];
  choices(row: number, column: number): Choice[];
  /** Live, as the user types: the engine computes the row at once. */
  typed(row: number, column: number, text: string): void;
  /** The cell's edit is finished: before is what it held when the edit began. */
  committed(row: number, column: number, before: string): string;
  rowKey(event: KeyboardEvent, row: number): boolean;
  /** Text pasted at a row, into an input column (a cell) or onto the row number (none). */
  pasted(text: string, row: number, column: number | undefined): boolean;
  copied(row: number): string;
  /** Enter on the last row: a unit is wanted after it. */
  appended(): void;
  /** The cursor moved to another row (or the row's results changed). */
  currentChanged(row: number): void;
  /** A cell naming several items: the items it names, and the text for some items. */
  pickedItems(column: number, text: string): string[];
  pickedText(column: number, items: string[]): string;
}

/** Result columns kept in view at the right: the count per point and the count to install. */
const PINNED_RESULTS = ['per_point', 'total', 'install'];
/** Result columns of problem texts: the state column and the problems pane show them. */
const PROBLEM_RESULTS = ['problems', 'error'];
const OVERSCAN = 8;
const MIN_WIDTH = 28;
const WIDTHS_KEY = 'extinguisher-design/column-widths';
/** Widths (rem) wider than their kind's: 修正系数 shows its K at the end of a long label. */
const WIDER: Record<string, number> = { k: 8.5 };

interface GridColumn {
  id: string;
  label: string;
  kind: 'num' | 'input' | 'result' | 'worst' | 'state';
  /** The input's or result's index in the schema. */
  index: number;
  width: number;
  pin?: 'left' | 'right';
}

function storedWidths(): Record<string, number> {
  try {
    return JSON.parse(localStorage.getItem(WIDTHS_KEY) ?? '{}') as Record<string, number>;
  } catch {
    return {};
  }
}

export class Grid {
  readonly element: HTMLElement;
  private readonly body: HTMLElement;
  private readonly head: HTMLElement;
  private readonly list: HTMLElement;
  private rowElements = new Map<number, HTMLElement>();
  private rowHeight = 28;
  private columns: GridColumn[] = [];
  current = 0;
  anchor = 0;
  /** The input column the cursor is in, 0 on the row number (schema index + 1). */
  currentColumn = 1;
  private before = '';
  private listRow = -1;
  private listColumn = -1;
  private listChoices: Choice[] = [];
  private listIndex = 0;
  /** A list of several items: those checked, and whether the user has checked any. */
  private listChecked = new Set<string>();
  private listToggled = false;
  private measurer: CanvasRenderingContext2D | null = null;

  constructor(private schema: Schema, private readonly host: GridHost) {
    this.head = h('div', { class: 'head', role: 'row' });
    this.body = h('div', { class: 'grid', role: 'rowgroup' });
    this.element = h('div', {
      class: 'gridwrap', role: 'grid', 'aria-label': '计算单元', 'aria-multiselectable': 'true',
    }, this.head, this.body);
    this.list = h('div', { class: 'list', role: 'listbox', hidden: true, id: 'choice-list' });
    document.body.append(this.list);
    this.element.addEventListener('scroll', () => this.render());
    window.addEventListener('resize', () => { this.measure(); this.render(); });
    this.element.addEventListener('paste', (event) => {
      const text = event.clipboardData?.getData('text/plain') ?? '';
      // One value goes into the cell as typed; anything with tabs or lines is a block or rows.
      if (!/[\t\r\n]/.test(text)) return;
      event.preventDefault();
      const target = event.target;
      const column = target instanceof HTMLInputElement && target.dataset.column !== undefined
        ? Number(target.dataset.column) : undefined;
      if (target instanceof HTMLInputElement && column !== undefined) {
        // Whatever was typed so far is an edit of its own, before the paste.
        target.dispatchEvent(new Event('change'));
      }
      this.host.pasted(text, this.current, column);
    });
    this.element.addEventListener('copy', (event) => {
      const target = event.target as HTMLInputElement;
      if (target.selectionStart !== target.selectionEnd && target.tagName === 'INPUT') return;
      event.preventDefault();
      event.clipboardData?.setData('text/plain', this.host.copied(this.current));
    });
    this.list.addEventListener('mousedown', (event) => event.preventDefault());
    this.list.addEventListener('click', (event) => {
      const option = (event.target as HTMLElement).closest('[role=option]');
      if (!option) return;
      const index = Number(option.getAttribute('data-index'));
      if (this.several()) this.toggle(index); else this.pick(index);
    });
    this.setSchema(schema);
  }

  setSchema(schema: Schema): void {
    this.schema = schema;
    const rem = parseFloat(getComputedStyle(document.documentElement).fontSize) || 14;
    const stored = storedWidths();
    const input = (c: Column, index: number): GridColumn => ({
      id: `${schema.standard}/in/${c.key}`, label: c.label, kind: 'input', index,
      width: rem * (WIDER[c.key] ?? (c.kind === 'name' ? 13 : c.kind === 'choice' || c.offers ? 6.5 : 4.6)),
    });
    const result = (index: number): GridColumn => ({
      id: `${schema.standard}/out/${schema.results[index].key}`, label: schema.results[index].label,
      kind: 'result', index, width: rem * 4.6,
    });
    const shownResults = schema.results.map((_, i) => i).filter((i) => !PROBLEM_RESULTS.includes(schema.results[i].key));
    const pinned = shownResults.filter((i) => PINNED_RESULTS.includes(schema.results[i].key));
    this.columns = [
      { id: 'num', label: '#', kind: 'num', index: -1, width: rem * 2.6, pin: 'left' },
      { ...input(schema.inputs[0], 0), pin: 'left' },
      ...schema.inputs.slice(1).map((c, i) => input(c, i + 1)),
      ...shownResults.filter((i) => !pinned.includes(i)).map(result),
      ...pinned.map((i) => ({ ...result(i), pin: 'right' as const })),
      // What the plan gives: the distance from the least favourable spot, in view with the counts.
      ...(schema.plan ? [{ id: `${schema.standard}/plan/worst`, label: schema.plan.worst.label, kind: 'worst' as const,
        index: -1, width: rem * 6.8, pin: 'right' as const }] : []),
      { id: 'state', label: '状态', kind: 'state', index: -1, width: rem * 3.4, pin: 'right' },
    ];
    for (const column of this.columns) {
      const width = stored[column.id];
      if (typeof width === 'number' && width >= MIN_WIDTH) column.width = width;
    }
    this.head.replaceChildren(...this.columns.map((column, i) => {
      const cell = h('div', { role: 'columnheader', title: column.label, class: this.pinClass(column), 'data-col': i },
        h('span', {}, column.label));
      if (column.pin) cell.style.setProperty(column.pin, `var(--pin-${i})`);
      if (column.kind !== 'num') cell.append(this.resizer(i));
      return cell;
    }));
    this.applyWidths();
    this.refreshAll();
  }

  private pinClass(column: GridColumn): string {
    return column.pin ? `pin pin-${column.pin}` : '';
  }

  /** The column widths and the places of the columns kept in view, as the styles use them. */
  private applyWidths(): void {
    const style = this.element.style;
    style.setProperty('--columns', this.columns.map((c) => `${Math.round(c.width)}px`).join(' '));
    const total = this.columns.reduce((sum, c) => sum + Math.round(c.width), 0);
    style.setProperty('--grid-width', `${total}px`);
    let left = 0;
    let right = 0;
    this.columns.forEach((column, i) => {
      if (column.pin === 'left') { style.setProperty(`--pin-${i}`, `${left}px`); left += Math.round(column.width); }
    });
    for (let i = this.columns.length - 1; i >= 0; --i) {
      if (this.columns[i].pin === 'right') {
        style.setProperty(`--pin-${i}`, `${right}px`);
        right += Math.round(this.columns[i].width);
      }
    }
    // A cell reached by Tab scrolls into view beside the columns kept in view, not under them.
    style.scrollPaddingLeft = `${left}px`;
    style.scrollPaddingRight = `${right}px`;
  }

  private saveWidths(): void {
    const stored = storedWidths();
    for (const column of this.columns) stored[column.id] = Math.round(column.width);
    try { localStorage.setItem(WIDTHS_KEY, JSON.stringify(stored)); } catch { /* widths are a nicety */ }
  }

  /** The border at a header's right: drag to resize, double-click to fit the contents. */
  private resizer(index: number): HTMLElement {
    const grip = h('span', { class: 'resize', 'aria-hidden': 'true', title: '拖动改变列宽，双击适合内容' });
    grip.addEventListener('pointerdown', (event) => {
      event.preventDefault();
      grip.setPointerCapture(event.pointerId);
      const start = event.clientX;
      const width = this.columns[index].width;
      const move = (e: PointerEvent) => {
        this.columns[index].width = Math.max(MIN_WIDTH, width + e.clientX - start);
        this.applyWidths();
      };
      const up = () => {
        grip.removeEventListener('pointermove', move);
        grip.removeEventListener('pointerup', up);
        this.saveWidths();
      };
      grip.addEventListener('pointermove', move);
      grip.addEventListener('pointerup', up);
    });
    grip.addEventListener('dblclick', (event) => {
      event.preventDefault();
      this.fit(index);
    });
    return grip;
  }

  /** Makes a column as wide as the widest text it shows among the rows drawn. */
  fit(index: number): void {
    const column = this.columns[index];
    this.measurer ??= document.createElement('canvas').getContext('2d');
    const context = this.measurer;
    if (!context) return;
    const sample = this.body.querySelector('input') ?? this.element;
    context.font = getComputedStyle(sample).font;
    let widest = context.measureText(column.label).width / 2;
    for (const row of this.rowElements.values()) {
      const cell = row.children[index] as HTMLElement | undefined;
      if (!cell) continue;
      const input = cell.querySelector('input');
      const shown = cell.querySelector('.shown')?.textContent ?? '';
      for (const text of [input?.value ?? '', shown, input ? '' : cell.textContent ?? '']) {
        widest = Math.max(widest, context.measureText(text).width);
      }
    }
    const extra = column.kind === 'input' && this.schema.inputs[column.index].offers ? 30 : 14;
    column.width = Math.max(MIN_WIDTH, Math.ceil(widest + extra));
    this.applyWidths();
    this.saveWidths();
  }

  measure(): void {
    const rem = parseFloat(getComputedStyle(document.documentElement).fontSize) || 14;
    this.rowHeight = Math.round(rem * 1.9);
  }

  /** Every row again: after opening, inserting, deleting or moving. */
  refreshAll(): void {
    this.measure();
    // Out of the map first: a cell being removed reports its change as it goes.
    const drawn = [...this.rowElements.values()];
    this.rowElements.clear();
    for (const row of drawn) row.remove();
    this.render();
    this.host.currentChanged(this.current);
  }

  /** One row's results and marks, leaving the cell being typed in alone. */
  refreshRow(index: number): void {
    const element = this.rowElements.get(index);
    if (!element) return;
    const [row] = this.host.rows(index, 1);
    if (!row) return;
    this.fill(element, index, row, true);
    if (index === this.current) this.host.currentChanged(index);
  }

  private render(): void {
    const size = this.host.size();
    this.body.style.height = `${size * this.rowHeight}px`;
    const top = this.element.scrollTop;
    const height = this.element.clientHeight || 600;
    const first = Math.max(0, Math.floor(top / this.rowHeight) - OVERSCAN);
    const last = Math.min(size, Math.ceil((top + height) / this.rowHeight) + OVERSCAN);
    for (const [index, element] of this.rowElements) {
      if (index < first || index >= last) {
        if (element.contains(document.activeElement)) continue;
        this.rowElements.delete(index);
        element.remove();
      }
    }
    const missing: number[] = [];
    for (let i = first; i < last; ++i) if (!this.rowElements.has(i)) missing.push(i);
    if (missing.length === 0) return;
    const from = missing[0];
    const rows = this.host.rows(from, missing[missing.length - 1] - from + 1);
    for (const index of missing) {
      const element = this.makeRow(index);
      this.fill(element, index, rows[index - from], false);
      this.rowElements.set(index, element);
      this.body.append(element);
    }
  }

  private makeRow(index: number): HTMLElement {
    const element = h('div', { class: 'row', role: 'row', 'aria-rowindex': index + 2 });
    element.style.top = `${index * this.rowHeight}px`;
    this.columns.forEach((column, i) => {
      const pin = this.pinClass(column);
      const place = (cell: HTMLElement) => {
        if (column.pin) cell.style.setProperty(column.pin, `var(--pin-${i})`);
        element.append(cell);
      };
      if (column.kind === 'num') {
        const number = h('button', { type: 'button', class: `num ${pin}`, role: 'rowheader',
          'aria-label': `第 ${index + 1} 行` }, String(index + 1));
        number.addEventListener('click', (event) => { this.currentColumn = 0; this.select(index, event.shiftKey); });
        number.addEventListener('keydown', (event) => this.onKey(event, index, 0));
        place(number);
      } else if (column.kind === 'input') {
        place(this.makeCell(index, column.index, pin));
      } else if (column.kind === 'result') {
        place(h('div', { class: `result ${pin}`, role: 'gridcell', 'data-result': column.index }));
      } else if (column.kind === 'worst') {
        place(h('div', { class: `worst derived ${pin}`, role: 'gridcell', title: this.schema.plan?.worst.note ?? '' }));
      } else {
        place(h('div', { class: `state ${pin}`, role: 'gridcell' }));
      }
    });
    return element;
  }

  private makeCell(index: number, c: number, pin: string): HTMLElement {
    const column = this.schema.inputs[c];
    const input = h('input', { type: 'text', 'aria-label': `第 ${index + 1} 行 ${column.label}`,
      'data-column': c, spellcheck: false, autocomplete: 'off' });
    input.addEventListener('focus', () => {
      this.before = input.value;
      this.currentColumn = c + 1;
      if (this.current !== index || this.anchor !== index) this.select(index, false, false);
    });
    input.addEventListener('input', () => this.host.typed(index, c, input.value));
    input.addEventListener('change', () => {
      // A cell taken out of the grid (the rows drawn afresh after an undo, say) may still
      // report a change as it goes: its edit was committed before, and its row may be
      // another unit's by now.
      if (this.rowElements.get(index)?.contains(input)) this.commit(index, c, input);
    });
    input.addEventListener('keydown', (event) => this.onKey(event, index, c));
    const cell = h('div', { class: `cell ${pin}`, role: 'gridcell' }, input);
    if (column.kind === 'choice') {
      // How the item is shown (修正系数 with its K), its end kept in view when it is cut.
      cell.append(h('span', { class: 'shown', 'aria-hidden': 'true' }, h('bdi', { dir: 'ltr' })));
    }
    if (column.offers) {
      input.setAttribute('aria-haspopup', 'listbox');
      input.setAttribute('aria-expanded', 'false');
      const open = h('button', { type: 'button', class: 'open', tabindex: -1,
        'aria-label': `${column.label}的选项` }, '▾');
      open.addEventListener('mousedown', (event) => event.preventDefault());
      open.addEventListener('click', () => { input.focus(); this.openList(index, c, input); });
      cell.append(open);
    }
    return cell;
  }

  private fill(element: HTMLElement, index: number, row: Row, keepFocused: boolean): void {
    element.classList.toggle('failed', row.failed);
    element.classList.toggle('warned', !row.failed && row.warned);
    const low = Math.min(this.anchor, this.current);
    const high = Math.max(this.anchor, this.current);
    element.classList.toggle('current', index >= low && index <= high);
    element.setAttribute('aria-selected', String(index >= low && index <= high));
    element.querySelectorAll('input').forEach((input) => {
      const c = Number(input.dataset.column);
      const shown = input.parentElement?.querySelector('.shown bdi');
      if (shown) shown.textContent = row.labels?.[c] || row.cells[c] || '';
      this.fromPlan(input, c, row);
      if (keepFocused && input === document.activeElement) return;
      input.value = row.cells[c] ?? '';
    });
    element.querySelectorAll<HTMLElement>('.result').forEach((cell) => {
      const text = row.results[Number(cell.dataset.result)] ?? '';
      cell.textContent = text;
      cell.title = text;
    });
    const worst = element.querySelector<HTMLElement>('.worst');
    if (worst) {
      worst.textContent = row.plan?.worst ?? '';
      worst.classList.toggle('beyond', row.plan !== undefined && row.plan.worst !== '' && !row.plan.ok);
    }
    const state = element.querySelector('.state') as HTMLElement;
    state.textContent = row.failed ? '错误' : row.warned ? '警告' : '';
    state.title = row.problem;
  }

  /** S and N that the plan gives where none is typed: shown in the empty cell, set apart. */
  private fromPlan(input: HTMLInputElement, column: number, row: Row): void {
    const plan = this.schema.plan;
    if (!plan || (column !== plan.area && column !== plan.points)) return;
    const value = (column === plan.area ? row.plan?.area : row.plan?.points) ?? '';
    input.placeholder = value;
    input.classList.toggle('derived', value !== '');
    input.title = value !== '' ? `${value}：${plan.fromPlan}` : '';
  }

  private commit(index: number, column: number, input: HTMLInputElement): void {
    const stored = this.host.committed(index, column, this.before);
    input.value = stored;
    this.before = stored;
  }

  select(index: number, extend: boolean, focus = true): void {
    const size = this.host.size();
    if (size === 0) { this.current = this.anchor = 0; this.host.currentChanged(-1); return; }
    index = Math.max(0, Math.min(size - 1, index));
    const moved = index !== this.current;
    this.current = index;
    if (!extend) this.anchor = index;
    this.scrollTo(index);
    for (const [i, element] of this.rowElements) {
      const low = Math.min(this.anchor, this.current);
      const high = Math.max(this.anchor, this.current);
      element.classList.toggle('current', i >= low && i <= high);
      element.setAttribute('aria-selected', String(i >= low && i <= high));
    }
    if (focus) this.focusCell(index, this.currentColumn);
    if (moved || !focus) this.host.currentChanged(index);
  }

  /** The rows selected, first to last. */
  selection(): number[] {
    if (this.host.size() === 0) return [];
    const low = Math.min(this.anchor, this.current);
    const high = Math.max(this.anchor, this.current);
    return Array.from({ length: high - low + 1 }, (_, i) => low + i);
  }

  focusCell(index: number, column: number): void {
    this.scrollTo(index);
    this.render();
    const element = this.rowElements.get(index);
    if (!element) return;
    const target = column === 0
      ? element.querySelector('.num') as HTMLElement
      : element.querySelector(`input[data-column="${column - 1}"]`) as HTMLElement;
    target?.focus();
  }

  private scrollTo(index: number): void {
    const top = index * this.rowHeight;
    const headHeight = this.head.offsetHeight;
    const view = this.element.clientHeight - headHeight;
    if (top < this.element.scrollTop) this.element.scrollTop = top;
    else if (top + this.rowHeight > this.element.scrollTop + view) this.element.scrollTop = top + this.rowHeight - view;
    this.render();
  }

  private onKey(event: KeyboardEvent, index: number, column: number): void {
    if (!this.list.hidden) { this.listKey(event); return; }
    const input = event.target instanceof HTMLInputElement ? event.target : undefined;
    const choice = input && this.schema.inputs[column]?.offers;
    if (choice && (event.key === 'F4' || (event.altKey && event.key === 'ArrowDown'))) {
      event.preventDefault();
      this.openList(index, column, input);
      return;
    }
    if (input && event.key === 'Escape') {
      input.value = this.before;
      this.host.typed(index, column, this.before);
      return;
    }
    const ctrl = event.ctrlKey || event.metaKey;
    // A row moved while its cell is being typed in: the typing is an edit of its own, first.
    if (input && ctrl && event.shiftKey && (event.key === 'ArrowUp' || event.key === 'ArrowDown')) {
      input.dispatchEvent(new Event('change'));
    }
    if (this.host.rowKey(event, index)) { event.preventDefault(); return; }
    const cellColumn = input ? column + 1 : 0;
    const move = (to: number) => {
      event.preventDefault();
      if (input) input.dispatchEvent(new Event('change'));
      this.currentColumn = cellColumn;
      this.select(to, event.shiftKey);
    };
    const last = this.host.size() - 1;
    if (event.key === 'ArrowDown' && !event.altKey) move(index + 1);
    else if (event.key === 'ArrowUp' && !event.altKey) move(index - 1);
    else if (event.key === 'Enter' && input && !event.shiftKey && index === last && !ctrl && !event.altKey) {
      event.preventDefault();
      input.dispatchEvent(new Event('change'));
      this.host.appended();
    } else if (event.key === 'Enter' && input) move(index + (event.shiftKey ? -1 : 1));
    else if (event.key === 'PageDown') move(index + Math.floor(this.element.clientHeight / this.rowHeight));
    else if (event.key === 'PageUp') move(index - Math.floor(this.element.clientHeight / this.rowHeight));
    else if (ctrl && event.key === 'Home') move(0);
    else if (ctrl && event.key === 'End') move(last);
  }

  private several(): boolean {
    return this.schema.inputs[this.listColumn]?.several ?? false;
  }

  private openList(index: number, column: number, input: HTMLInputElement): void {
    this.listChoices = this.host.choices(index, column);
    if (this.listChoices.length === 0) return;
    this.listRow = index;
    this.listColumn = column;
    const several = this.several();
    this.listChecked = new Set(several ? this.host.pickedItems(column, input.value) : []);
    this.listToggled = false;
    const found = this.listChoices.findIndex((c) => c.item === input.value || this.listChecked.has(c.item));
    this.listIndex = Math.max(0, found);
    this.list.replaceChildren(...this.listChoices.map((choice, i) => {
      const option = h('div', { role: 'option', id: `choice-${i}`, 'data-index': i,
        'aria-selected': String(i === this.listIndex) }, choice.label);
      if (several) option.setAttribute('aria-checked', String(this.listChecked.has(choice.item)));
      return option;
    }));
    this.list.classList.toggle('several', several);
    this.list.setAttribute('aria-label', this.schema.inputs[column].label);
    this.list.setAttribute('aria-multiselectable', String(several));
    const box = input.getBoundingClientRect();
    this.list.style.top = `${box.bottom}px`;
    this.list.hidden = false;
    this.list.style.left = `${Math.max(0, Math.min(box.left, window.innerWidth - this.list.offsetWidth))}px`;
    const below = window.innerHeight - box.bottom;
    if (below < this.list.offsetHeight && box.top > below) {
      this.list.style.top = `${Math.max(0, box.top - this.list.offsetHeight)}px`;
    }
    input.setAttribute('aria-expanded', 'true');
    input.setAttribute('aria-controls', 'choice-list');
    input.setAttribute('aria-activedescendant', `choice-${this.listIndex}`);
    input.addEventListener('blur', () => this.closeList(true), { once: true });
    this.list.children[this.listIndex]?.scrollIntoView({ block: 'nearest' });
  }

  /** Closes the list; a list of several items takes what was checked when left by a click elsewhere. */
  private closeList(leaving = false): void {
    if (this.list.hidden) return;
    this.list.hidden = true;
    const input = this.input(this.listRow, this.listColumn);
    input?.setAttribute('aria-expanded', 'false');
    input?.removeAttribute('aria-activedescendant');
    if (leaving && input && this.several() && this.listToggled) this.commit(this.listRow, this.listColumn, input);
  }

  private input(index: number, column: number): HTMLInputElement | undefined {
    return this.rowElements.get(index)?.querySelector(`input[data-column="${column}"]`) ?? undefined;
  }

  private listKey(event: KeyboardEvent): void {
    const step = (to: number) => {
      event.preventDefault();
      this.listIndex = Math.max(0, Math.min(this.listChoices.length - 1, to));
      Array.from(this.list.children).forEach((option, i) =>
        option.setAttribute('aria-selected', String(i === this.listIndex)));
      this.list.children[this.listIndex]?.scrollIntoView({ block: 'nearest' });
      this.input(this.listRow, this.listColumn)?.setAttribute('aria-activedescendant', `choice-${this.listIndex}`);
    };
    if (event.key === 'ArrowDown') step(this.listIndex + 1);
    else if (event.key === 'ArrowUp') step(this.listIndex - 1);
    else if (event.key === 'Home') step(0);
    else if (event.key === 'End') step(this.listChoices.length - 1);
    else if (event.key === ' ' && this.several()) { event.preventDefault(); this.toggle(this.listIndex); }
    else if (event.key === 'Enter' || event.key === 'Tab') {
      event.preventDefault();
      // Enter before anything was checked takes the highlighted item alone, as any list does.
      if (this.several() && this.listToggled) this.takeChecked(); else this.pick(this.listIndex);
    } else if (event.key === 'Escape') {
      event.preventDefault();
      const input = this.input(this.listRow, this.listColumn);
      if (input && this.several() && this.listToggled) {
        input.value = this.before;
        this.host.typed(this.listRow, this.listColumn, this.before);
      }
      this.listToggled = false;
      this.closeList();
    }
  }

  /** Checks or unchecks an item of a list of several; the cell shows what is checked. */
  private toggle(choiceIndex: number): void {
    const choice = this.listChoices[choiceIndex];
    const input = this.input(this.listRow, this.listColumn);
    if (!choice || !input) return;
    if (this.listChecked.has(choice.item)) this.listChecked.delete(choice.item); else this.listChecked.add(choice.item);
    this.listToggled = true;
    this.list.children[choiceIndex]?.setAttribute('aria-checked', String(this.listChecked.has(choice.item)));
    input.value = this.host.pickedText(this.listColumn, [...this.listChecked]);
    this.host.typed(this.listRow, this.listColumn, input.value);
  }

  private takeChecked(): void {
    const input = this.input(this.listRow, this.listColumn);
    this.listToggled = false;
    this.closeList();
    if (input) this.commit(this.listRow, this.listColumn, input);
  }

  private pick(choiceIndex: number): void {
    const input = this.input(this.listRow, this.listColumn);
    const choice = this.listChoices[choiceIndex];
    this.listToggled = false;
    this.closeList();
    if (!input || !choice) return;
    input.value = choice.item;
    this.host.typed(this.listRow, this.listColumn, choice.item);
    this.commit(this.listRow, this.listColumn, input);
  }
}
