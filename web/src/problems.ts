// SPDX-License-Identifier: MIT
// Under the grid: the current unit's name and everything the library says of it, whole,
// as the desktop workbook shows them beneath its table. The grid's cells are too narrow
// for either.
import type { Engine } from './engine';
import { h } from './dom';

export class ProblemsPane {
  readonly element = h('section', { class: 'problems', 'aria-label': '当前计算单元的错误和警告' });
  private readonly title = h('h2', {});
  private readonly text = h('p', { id: 'current-problems' });

  constructor(private readonly engine: Engine) {
    this.element.append(this.title, this.text);
  }

  show(index: number): void {
    const row = index >= 0 && index < this.engine.size() ? this.engine.row(index) : undefined;
    this.element.classList.toggle('failed', !!row?.failed);
    this.element.classList.toggle('warned', !!row && !row.failed && row.warned);
    if (!row) {
      this.title.textContent = '';
      this.text.textContent = '没有计算单元：按 Insert 或“添加”新建一个。';
      return;
    }
    this.title.replaceChildren(`第 ${index + 1} 行 `, h('bdi', {}, row.cells[0] || '（未命名）'));
    this.text.textContent = row.problem || '没有错误和警告。';
  }
}
