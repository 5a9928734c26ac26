// SPDX-License-Identifier: MIT
// The 灭火器配置清单 beside the grid: every model with its count, the grand total and the
// library's note on units left out.
import type { Engine, Totals } from './engine';
import { h } from './dom';

export class TotalsPanel {
  readonly element = h('section', { class: 'side', 'aria-label': '灭火器配置清单' });
  /** The totals shown, for the status line. */
  shown: Totals | undefined;

  constructor(private readonly engine: Engine) {}

  show(): void {
    const totals = this.engine.totals();
    this.shown = totals;
    const rows = totals.models.map((m) => h('tr', {}, h('td', {}, m.label), h('td', { class: 'n' }, m.total)));
    const table = h('table', {},
      h('thead', {}, h('tr', {}, h('th', { scope: 'col' }, '灭火器'), h('th', { scope: 'col' }, '数量（具）'))),
      h('tbody', {}, ...rows,
        h('tr', { class: 'grand' }, h('td', {}, '合计'), h('td', { class: 'n', id: 'grand-total' }, totals.grand))));
    const parts: Node[] = [h('h2', {}, '灭火器配置清单'), table];
    if (totals.note) parts.push(h('p', { class: 'note', id: 'totals-note' }, totals.note));
    this.element.replaceChildren(...parts);
  }
}
