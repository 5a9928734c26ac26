// SPDX-License-Identifier: MIT
// The grid of units: a row per unit, the inputs editable, the results beside them. Only
// the rows in view exist as elements, so a project of ten thousand units opens as fast as
// one of ten. What a row shows comes from the engine; the grid only lays it out.
import type { Choice, Row, Schema } from './engine';
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
  pasted(text: string, row: number): boolean;
  copied(row: number): string;
}

const OVERSCAN = 8;

export class Grid {
  readonly element: HTMLElement;
  private readonly body: HTMLElement;
  private readonly head: HTMLElement;
  private readonly list: HTMLElement;
  private rowElements = new Map<number, HTMLElement>();
  private rowHeight = 28;
  current = 0;
  anchor = 0;
  private currentColumn = 1;
  private before = '';
  private listRow = -1;
  private listColumn = -1;
  private listChoices: Choice[] = [];
  private listIndex = 0;

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
      if (/[\t\n]/.test(text.replace(/\r?\n$/, '')) || text.includes('\t')) {
        event.preventDefault();
        this.host.pasted(text, this.current);
      }
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
      if (option) this.pick(Number(option.getAttribute('data-index')));
    });
    this.setSchema(schema);
  }


  setSchema(schema: Schema): void {
    this.schema = schema;
    const columns = [
      '3.2rem',
      ...schema.inputs.map((c) => (c.kind === 'name' ? '10rem' : c.offers ? '7.5rem' : '5rem')),
      ...schema.results.map(() => '5rem'),
      ...(schema.plan ? ['6.5rem'] : []),
      'minmax(14rem, 1fr)',
    ];
    this.element.style.setProperty('--columns', columns.join(' '));
    this.head.replaceChildren(
      h('div', { role: 'columnheader' }, '#'),
      ...schema.inputs.map((c) => h('div', { role: 'columnheader', title: c.label }, c.label)),
      ...schema.results.map((c) => h('div', { role: 'columnheader', title: c.label }, c.label)),
      ...(schema.plan ? [h('div', { role: 'columnheader', class: 'worst', title: schema.plan.worst.note }, schema.plan.worst.label)] : []),
      h('div', { role: 'columnheader' }, '错误和警告'),
    );
    this.refreshAll();
  }

  measure(): void {
    const rem = parseFloat(getComputedStyle(document.documentElement).fontSize) || 14;
    this.rowHeight = Math.round(rem * 1.9);
  }

  /** Every row again: after opening, inserting, deleting or moving. */
  refreshAll(): void {
    this.measure();
    for (const row of this.rowElements.values()) row.remove();
    this.rowElements.clear();
    this.render();
  }

  /** One row's results and marks, leaving the cell being typed in alone. */
  refreshRow(index: number): void {
    const element = this.rowElements.get(index);
    if (!element) return;
    const [row] = this.host.rows(index, 1);
    if (!row) return;
    this.fill(element, index, row, true);
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
        element.remove();
        this.rowElements.delete(index);
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
    const number = h('button', { type: 'button', class: 'num', role: 'rowheader', 'aria-label': `第 ${index + 1} 行` },
      String(index + 1));
    number.addEventListener('click', (event) => { this.currentColumn = 0; this.select(index, event.shiftKey); });
    number.addEventListener('keydown', (event) => this.onKey(event, index, 0));
    element.append(number);
    this.schema.inputs.forEach((column, c) => {
      const input = h('input', { type: 'text', 'aria-label': `第 ${index + 1} 行 ${column.label}`,
        'data-column': c, spellcheck: false, autocomplete: 'off' });
      input.addEventListener('focus', () => {
        this.before = input.value;
        this.currentColumn = c + 1;
        if (this.current !== index || this.anchor !== index) this.select(index, false, false);
      });
      input.addEventListener('input', () => this.host.typed(index, c, input.value));
      input.addEventListener('change', () => this.commit(index, c, input));
      input.addEventListener('keydown', (event) => this.onKey(event, index, c));
      const cell = h('div', { class: 'cell', role: 'gridcell' }, input);
      if (column.offers) {
        input.setAttribute('aria-haspopup', 'listbox');
        input.setAttribute('aria-expanded', 'false');
        const open = h('button', { type: 'button', class: 'open', tabindex: -1,
          'aria-label': `${column.label}的选项` }, '▾');
        open.addEventListener('mousedown', (event) => event.preventDefault());
        open.addEventListener('click', () => { input.focus(); this.openList(index, c, input); });
        cell.append(open);
      }
      element.append(cell);
    });
    for (let r = 0; r < this.schema.results.length; ++r) {
      element.append(h('div', { class: 'result', role: 'gridcell' }));
    }
    // The worst distance the plan gives: derived, never typed.
    if (this.schema.plan) element.append(h('div', { class: 'result worst derived', role: 'gridcell', title: this.schema.plan.worst.note }));
    element.append(h('div', { class: 'problem', role: 'gridcell' }));
    return element;
  }

  private fill(element: HTMLElement, index: number, row: Row, keepFocused: boolean): void {
    element.classList.toggle('failed', row.failed);
    element.classList.toggle('warned', !row.failed && row.warned);
    const low = Math.min(this.anchor, this.current);
    const high = Math.max(this.anchor, this.current);
    element.classList.toggle('current', index >= low && index <= high);
    element.setAttribute('aria-selected', String(index >= low && index <= high));
    const inputs = element.querySelectorAll('input');
    inputs.forEach((input, c) => {
      this.fromPlan(input, c, row);
      if (keepFocused && input === document.activeElement) return;
      input.value = row.cells[c] ?? '';
    });
    const results = element.querySelectorAll('.result:not(.worst)');
    results.forEach((cell, r) => { cell.textContent = row.results[r] ?? ''; });
    const worst = element.querySelector<HTMLElement>('.worst');
    if (worst) {
      worst.textContent = row.plan?.worst ?? '';
      worst.classList.toggle('beyond', row.plan !== undefined && row.plan.worst !== '' && !row.plan.ok);
    }
    const problem = element.querySelector('.problem') as HTMLElement;
    problem.textContent = row.problem;
    problem.title = row.problem;
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
    if (size === 0) { this.current = this.anchor = 0; return; }
    index = Math.max(0, Math.min(size - 1, index));
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
    if (this.host.rowKey(event, index)) { event.preventDefault(); return; }
    const cellColumn = input ? column + 1 : 0;
    const move = (to: number) => {
      event.preventDefault();
      if (input) input.dispatchEvent(new Event('change'));
      this.currentColumn = cellColumn;
      this.select(to, event.shiftKey);
    };
    if (event.key === 'ArrowDown' && !event.altKey) move(index + 1);
    else if (event.key === 'ArrowUp' && !event.altKey) move(index - 1);
    else if (event.key === 'Enter' && input) move(index + (event.shiftKey ? -1 : 1));
    else if (event.key === 'PageDown') move(index + Math.floor(this.element.clientHeight / this.rowHeight));
    else if (event.key === 'PageUp') move(index - Math.floor(this.element.clientHeight / this.rowHeight));
  }

  private openList(index: number, column: number, input: HTMLInputElement): void {
    this.listChoices = this.host.choices(index, column);
    if (this.listChoices.length === 0) return;
    this.listRow = index;
    this.listColumn = column;
    const found = this.listChoices.findIndex((c) => c.item === input.value);
    this.listIndex = Math.max(0, found);
    this.list.replaceChildren(...this.listChoices.map((choice, i) =>
      h('div', { role: 'option', id: `choice-${i}`, 'data-index': i, 'aria-selected': String(i === this.listIndex) },
        choice.label)));
    this.list.setAttribute('aria-label', this.schema.inputs[column].label);
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
    input.addEventListener('blur', () => this.closeList(), { once: true });
    this.list.children[this.listIndex]?.scrollIntoView({ block: 'nearest' });
  }

  private closeList(): void {
    if (this.list.hidden) return;
    this.list.hidden = true;
    const input = this.input(this.listRow, this.listColumn);
    input?.setAttribute('aria-expanded', 'false');
    input?.removeAttribute('aria-activedescendant');
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
    else if (event.key === 'Enter' || event.key === 'Tab') { event.preventDefault(); this.pick(this.listIndex); }
    else if (event.key === 'Escape') { event.preventDefault(); this.closeList(); }
  }

  private pick(choiceIndex: number): void {
    const input = this.input(this.listRow, this.listColumn);
    const choice = this.listChoices[choiceIndex];
    this.closeList();
    if (!input || !choice) return;
    input.value = choice.item;
    this.host.typed(this.listRow, this.listColumn, choice.item);
    this.commit(this.listRow, this.listColumn, input);
  }
}
