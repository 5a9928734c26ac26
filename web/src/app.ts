// SPDX-License-Identifier: MIT
// The workbook page: connects the project (document.ts), the grid, the fields, the
// 灭火器配置清单, the row commands and the files to the toolbar and the desktop workbook's
// keys. The engine decides every figure and message shown; the modules hold the rest.
import type { Engine } from './engine';
import { ProjectDocument } from './document';
import { h } from './dom';
import { FieldsPanel } from './fields';
import { ProjectFiles } from './files';
import { Grid } from './grid';
import { PlanUi } from './plan-ui';
import { RowCommands } from './rows';
import { TotalsPanel } from './totals';

export class App {
  readonly doc: ProjectDocument;
  readonly files: ProjectFiles;
  private readonly grid: Grid;
  private readonly rows: RowCommands;
  private readonly fields: FieldsPanel;
  private readonly totals: TotalsPanel;
  private readonly plan: PlanUi;
  private readonly status = h('div', { class: 'status', role: 'status', 'aria-live': 'polite' });
  private readonly undoButton: HTMLButtonElement;
  private readonly redoButton: HTMLButtonElement;

  constructor(readonly engine: Engine, root: HTMLElement) {
    this.doc = new ProjectDocument(engine, {
      changed: (row) => { if (row >= 0) this.grid.refreshRow(row); this.totals.show(); this.plan?.refresh(); },
      rowsChanged: (focus) => {
        this.fields.show();
        this.grid.refreshAll();
        if (focus >= 0) this.grid.select(focus, false);
        this.plan?.refresh();
      },
      reloaded: () => { this.grid.current = this.grid.anchor = 0; this.showAll(); },
      stateChanged: () => this.showState(),
      say: (text, error) => this.say(text, error),
    });
    this.files = new ProjectFiles(this.doc);
    this.fields = new FieldsPanel(this.doc, () => this.showAll());
    this.totals = new TotalsPanel(engine);
    const button = (label: string, keys: string, action: () => unknown) => {
      const element = h('button', { type: 'button', title: keys ? `${label}（${keys}）` : label,
        'aria-keyshortcuts': keys || undefined }, label);
      element.addEventListener('click', () => { void action(); });
      return element;
    };
    this.undoButton = button('撤销', 'Ctrl+Z', () => this.doc.undo());
    this.redoButton = button('重做', 'Ctrl+Y', () => this.doc.redo());
    const bar = h('header', { class: 'bar', role: 'toolbar', 'aria-label': '工具栏' },
      h('h1', {}, '建筑灭火器配置设计'),
      button('新建', 'Ctrl+N', () => this.files.newProject()),
      button('打开…', 'Ctrl+O', () => this.files.openFile()),
      button('保存', 'Ctrl+S', () => this.files.save(false)),
      button('另存为…', 'Ctrl+Shift+S', () => this.files.save(true)),
      button('导入…', '', () => this.files.importCsv()),
      button('导出 CSV…', '', () => this.files.exportCsv()),
      button('导出计算书', '', () => this.files.openReport()),
      h('span', { class: 'sep' }),
      this.undoButton, this.redoButton,
      h('span', { class: 'sep' }),
      button('添加计算单元', 'Insert', () => this.rows.add(this.grid.current + 1)),
      button('插入计算单元', '', () => this.rows.add(this.grid.current)),
      button('复制计算单元', 'Ctrl+D', () => this.rows.duplicate()),
      button('删除计算单元', 'Delete', () => this.rows.deleteSelected()),
      button('上移', 'Ctrl+Shift+Up', () => this.rows.move(-1)),
      button('下移', 'Ctrl+Shift+Down', () => this.rows.move(1)));
    this.grid = new Grid(engine.schema(), {
      size: () => engine.size(),
      rows: (first, count) => engine.rows(first, count),
      choices: (row, column) => engine.choices(row, column),
      typed: (row, column, text) => { engine.setCell(row, column, text); this.doc.changed(row); },
      committed: (row, column, before) => {
        const after = engine.rows(row, 1)[0].cells[column];
        if (after !== before) this.doc.record({ kind: 'cell', row, column, before, after });
        return after;
      },
      rowKey: (event, row) => this.rowKey(event, row),
      pasted: (text, row) => this.rows.paste(text, row),
      copied: () => engine.copyRows(this.grid.selection(), false),
    });
    this.rows = new RowCommands(this.doc, this.grid);
    this.plan = new PlanUi({ doc: this.doc, grid: this.grid, discardOk: () => this.files.discardOk(),
      openText: (text, name) => this.files.openText(text, name) });
    this.files.dxf = (file) => this.plan.dxf.importFile(file);
    bar.append(h('span', { class: 'sep' }), ...this.plan.buttons);
    root.replaceChildren(bar, this.fields.element,
      h('div', { class: 'main' }, this.grid.element, this.plan.side(this.totals.element)), this.status);
    root.removeAttribute('aria-busy');
    document.addEventListener('keydown', (event) => this.globalKey(event));
    window.addEventListener('beforeunload', (event) => {
      if (!this.doc.dirty) return;
      event.preventDefault();
      event.returnValue = '';
    });
    this.showAll();
  }

  private showAll(): void {
    this.fields.show();
    this.grid.setSchema(this.engine.schema());
    this.totals.show();
    this.showState();
    this.plan?.refresh();
  }

  private showState(): void {
    this.undoButton.disabled = !this.doc.history.canUndo;
    this.redoButton.disabled = !this.doc.history.canRedo;
    document.title = `${this.doc.fileName || '未命名'}${this.doc.dirty ? ' *' : ''} - 建筑灭火器配置设计`;
  }

  say(text: string, error = false): void {
    this.status.textContent = text;
    this.status.classList.toggle('error', error);
  }

  // ---- keys, as the desktop workbook has them

  private rowKey(event: KeyboardEvent, row: number): boolean {
    const onNumber = !(event.target instanceof HTMLInputElement);
    // Alt+↓ opens a choice cell's list, so rows move with Ctrl+Shift+arrows, as in the desktop workbook.
    const rowMove = (event.ctrlKey || event.metaKey) && event.shiftKey && !event.altKey;
    if (rowMove && event.key === 'ArrowUp') { this.grid.current = row; this.rows.move(-1); return true; }
    if (rowMove && event.key === 'ArrowDown') { this.grid.current = row; this.rows.move(1); return true; }
    if (onNumber && event.key === 'Delete') { this.rows.deleteSelected(); return true; }
    return false;
  }

  private globalKey(event: KeyboardEvent): void {
    const ctrl = event.ctrlKey || event.metaKey;
    const key = event.key.toLowerCase();
    const run = (action: () => unknown) => {
      event.preventDefault();
      if (document.activeElement instanceof HTMLInputElement) {
        document.activeElement.dispatchEvent(new Event('change'));
      }
      void action();
    };
    if (document.querySelector('dialog[open]')) return;
    if (ctrl && !event.shiftKey && key === 'z') run(() => this.doc.undo());
    else if (ctrl && (key === 'y' || (event.shiftKey && key === 'z'))) run(() => this.doc.redo());
    else if (ctrl && key === 's') run(() => this.files.save(event.shiftKey));
    else if (ctrl && key === 'o') run(() => this.files.openFile());
    else if (ctrl && key === 'n') run(() => this.files.newProject());
    else if (ctrl && key === 'd') run(() => this.rows.duplicate());
    else if (event.key === 'Insert' || (ctrl && (event.key === '+' || (event.shiftKey && event.key === '=')))) {
      run(() => this.rows.add(this.engine.size() === 0 ? 0 : this.grid.current + 1));
    }
  }
}
