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
import { ProblemsPane } from './problems';
import { RowCommands } from './rows';
import { Toolbar } from './toolbar';
import { TotalsPanel } from './totals';

export class App {
  readonly doc: ProjectDocument;
  readonly files: ProjectFiles;
  private readonly grid: Grid;
  private readonly rows: RowCommands;
  private readonly fields: FieldsPanel;
  private readonly totals: TotalsPanel;
  private readonly plan: PlanUi;
  private readonly problems: ProblemsPane;
  private readonly message = h('span', { class: 'message', role: 'status', 'aria-live': 'polite' });
  private readonly summary = h('span', { class: 'summary', id: 'project-summary' });
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
      reloaded: () => { this.say(''); this.grid.current = this.grid.anchor = 0; this.showAll(); },
      stateChanged: () => this.showState(),
      say: (text, error) => this.say(text, error),
    });
    this.files = new ProjectFiles(this.doc);
    this.fields = new FieldsPanel(this.doc, () => this.showAll());
    this.totals = new TotalsPanel(engine);
    this.problems = new ProblemsPane(engine);
    const bar = new Toolbar('建筑灭火器配置设计');
    bar.button('新建', '新建', 'Ctrl+N', () => this.files.newProject());
    bar.button('打开…', '打开…', 'Ctrl+O', () => this.files.openFile());
    bar.button('保存', '保存', 'Ctrl+S', () => this.files.save(false));
    bar.button('另存为…', '另存为…', 'Ctrl+Shift+S', () => this.files.save(true));
    bar.button('导入…', '导入 CSV…（或 DXF 图纸）', '', () => this.files.importCsv());
    bar.button('导出…', '导出 CSV…', '', () => this.files.exportCsv());
    bar.button('计算书', '导出计算书', '', () => this.files.openReport());
    bar.separator();
    this.undoButton = bar.button('撤销', '撤销', 'Ctrl+Z', () => this.doc.undo());
    this.redoButton = bar.button('重做', '重做', 'Ctrl+Y', () => this.doc.redo());
    bar.separator();
    bar.button('添加', '添加计算单元', 'Insert', () => this.rows.add(this.engine.size() === 0 ? 0 : this.grid.current + 1));
    bar.button('插入', '插入计算单元', '', () => this.rows.add(this.grid.current));
    bar.button('复制', '复制计算单元', 'Ctrl+D', () => this.rows.duplicate());
    bar.button('删除', '删除计算单元', 'Delete', () => this.rows.deleteSelected());
    bar.button('上移', '上移', 'Ctrl+Shift+Up', () => this.rows.move(-1));
    bar.button('下移', '下移', 'Ctrl+Shift+Down', () => this.rows.move(1));
    this.grid = new Grid(engine.schema(), {
      size: () => engine.size(),
      rows: (first, count) => engine.rows(first, count),
      choices: (row, column) => engine.choices(row, column),
      typed: (row, column, text) => { engine.setCell(row, column, text); this.doc.changed(row); },
      committed: (row, column, before) => {
        const after = engine.rows(row, 1)[0].cells[column];
        // Not an item of the column's list: the file would be refused on opening, so the
        // cell is not taken, as a drop-down of fixed items takes nothing else.
        const refusal = after === before ? '' : engine.listRefusal(column, after);
        if (refusal) {
          engine.setCell(row, column, before);
          this.doc.changed(row);
          this.say(`${refusal}，未修改（可从下拉列表中选择，F4 或 Alt+↓）`, true);
          return before;
        }
        if (after !== before) this.doc.record({ kind: 'cell', row, column, before, after });
        return after;
      },
      rowKey: (event, row) => this.rowKey(event, row),
      pasted: (text, row, column) => this.rows.paste(text, row, column),
      copied: () => engine.copyRows(this.grid.selection(), false),
      appended: () => this.rows.add(engine.size()),
      currentChanged: (row) => { this.problems.show(row); this.plan?.follow(); },
      pickedItems: (column, text) => engine.pickedItems(column, text),
      pickedText: (column, items) => engine.pickedText(column, items),
    });
    this.rows = new RowCommands(this.doc, this.grid);
    this.plan = new PlanUi({ doc: this.doc, grid: this.grid, discardOk: () => this.files.discardOk(),
      openText: (text, name) => this.files.openText(text, name) });
    this.files.dxf = (file) => this.plan.dxf.importFile(file);
    bar.separator();
    for (const button of this.plan.buttons) bar.add(button);
    root.replaceChildren(bar.element, this.fields.element,
      h('div', { class: 'main' },
        h('div', { class: 'work' }, this.grid.element, this.problems.element),
        this.plan.side(this.totals.element)),
      h('footer', { class: 'status' }, this.message, this.summary));
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
    this.plan?.refresh();
    this.showState();
  }

  showState(): void {
    this.undoButton.disabled = !this.doc.history.canUndo;
    this.redoButton.disabled = !this.doc.history.canRedo;
    document.title = `${this.doc.title}${this.doc.dirty ? ' *' : ''} - 建筑灭火器配置设计`;
    this.showSummary();
  }

  /** The status line's lasting part: which project this is, how big, whether saved. */
  private showSummary(): void {
    const name = this.engine.info().name?.trim() || '未命名';
    const file = this.doc.fileName ? `（${this.doc.fileName}）` : this.doc.sample ? '（示例）' : '（未保存过）';
    const size = this.engine.size();
    const failed = this.totals.shown?.failed ?? 0;
    this.summary.textContent = `工程“${name}”${file} · ${size} 个计算单元${failed > 0 ? `，${failed} 个有错误` : ''}` +
      `${this.doc.dirty ? ' · 有未保存的修改' : ''}`;
  }

  say(text: string, error = false): void {
    this.message.textContent = text;
    this.message.classList.toggle('error', error);
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
