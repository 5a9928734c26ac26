// SPDX-License-Identifier: MIT
// The workbook page: project fields, the grid, the 灭火器配置清单, files and the keys of
// the desktop workbook. The engine decides every figure and message shown.
import { Engine, type Schema } from './engine';
import { ask, download, h, pickFile } from './dom';
import { Grid } from './grid';
import { History, type Edit } from './history';
import * as recovery from './recovery';

const PROJECT_EXTENSION = '.exdesign';

interface FileHandle {
  name: string;
  getFile(): Promise<File>;
  createWritable(): Promise<{ write(data: string): Promise<void>; close(): Promise<void> }>;
}
interface PickerWindow {
  showOpenFilePicker?: (options: object) => Promise<FileHandle[]>;
  showSaveFilePicker?: (options: object) => Promise<FileHandle>;
}
const pickerTypes = [{ description: '工程文件', accept: { 'application/json': [PROJECT_EXTENSION] } }];

export class App {
  readonly history = new History();
  private schema: Schema;
  private readonly grid: Grid;
  private readonly info = h('form', { class: 'info', 'aria-label': '工程信息' });
  private readonly totals = h('section', { class: 'side', 'aria-label': '灭火器配置清单' });
  private readonly status = h('div', { class: 'status', role: 'status', 'aria-live': 'polite' });
  private readonly undoButton: HTMLButtonElement;
  private readonly redoButton: HTMLButtonElement;
  private fileName = '';
  private handle: FileHandle | undefined;
  private dirty = false;
  private keepTimer = 0;

  constructor(readonly engine: Engine, root: HTMLElement) {
    this.schema = engine.schema();
    const button = (label: string, keys: string, action: () => unknown) => {
      const element = h('button', { type: 'button', title: keys ? `${label}（${keys}）` : label,
        'aria-keyshortcuts': keys || undefined }, label);
      element.addEventListener('click', () => { void action(); });
      return element;
    };
    this.undoButton = button('撤销', 'Ctrl+Z', () => this.undo());
    this.redoButton = button('重做', 'Ctrl+Y', () => this.redo());
    const bar = h('header', { class: 'bar', role: 'toolbar', 'aria-label': '工具栏' },
      h('h1', {}, '建筑灭火器配置设计'),
      button('新建', 'Ctrl+N', () => this.newProject()),
      button('打开…', 'Ctrl+O', () => this.openFile()),
      button('保存', 'Ctrl+S', () => this.save(false)),
      button('另存为…', 'Ctrl+Shift+S', () => this.save(true)),
      button('导入 CSV…', '', () => this.importCsv()),
      button('导出 CSV…', '', () => this.exportCsv()),
      button('导出计算书', '', () => this.openReport()),
      h('span', { class: 'sep' }),
      this.undoButton, this.redoButton,
      h('span', { class: 'sep' }),
      button('添加计算单元', 'Insert', () => this.addUnit(this.grid.current + 1)),
      button('插入计算单元', '', () => this.addUnit(this.grid.current)),
      button('复制计算单元', 'Ctrl+D', () => this.duplicate()),
      button('删除计算单元', 'Delete', () => this.deleteSelected()),
      button('上移', 'Ctrl+Shift+Up', () => this.move(-1)),
      button('下移', 'Ctrl+Shift+Down', () => this.move(1)));
    this.grid = new Grid(this.schema, {
      size: () => this.engine.size(),
      rows: (first, count) => this.engine.rows(first, count),
      choices: (row, column) => this.engine.choices(row, column),
      typed: (row, column, text) => { this.engine.setCell(row, column, text); this.changed(row); },
      committed: (row, column, before) => {
        const after = this.engine.rows(row, 1)[0].cells[column];
        if (after !== before) this.record({ kind: 'cell', row, column, before, after });
        return after;
      },
      rowKey: (event, row) => this.rowKey(event, row),
      pasted: (text, row) => this.paste(text, row),
      copied: () => this.engine.copyRows(this.grid.selection(), false),
    });
    root.replaceChildren(bar, this.info, h('div', { class: 'main' }, this.grid.element, this.totals), this.status);
    root.removeAttribute('aria-busy');
    document.addEventListener('keydown', (event) => this.globalKey(event));
    window.addEventListener('beforeunload', (event) => {
      if (!this.dirty) return;
      event.preventDefault();
      event.returnValue = '';
    });
    this.showAll();
  }

  // ---- what the page shows

  private showAll(): void {
    this.schema = this.engine.schema();
    this.showInfo();
    this.grid.setSchema(this.schema);
    this.showTotals();
    this.showHistory();
    document.title = `${this.fileName || '未命名'}${this.dirty ? ' *' : ''} - 建筑灭火器配置设计`;
  }

  private showInfo(): void {
    const values = this.engine.info();
    const fields = this.schema.fields.map((field) => {
      const input = h('input', { type: 'text', name: field.key, 'aria-label': field.label });
      input.value = values[field.key] ?? '';
      let before = input.value;
      input.addEventListener('input', () => { this.engine.setInfo(field.key, input.value); this.changed(-1); });
      input.addEventListener('change', () => {
        if (input.value !== before) this.record({ kind: 'info', key: field.key, before, after: input.value });
        before = input.value;
      });
      return h('label', {}, `${field.label}：`, input);
    });
    const standard = h('select', { name: 'standard', 'aria-label': '规范' });
    for (const s of this.schema.standards) {
      const option = h('option', { value: s.code }, s.title);
      option.selected = s.code === this.schema.standard;
      standard.append(option);
    }
    standard.disabled = this.engine.size() > 0;
    standard.title = standard.disabled ? '已有计算单元的工程不能更换规范' : '';
    standard.addEventListener('change', () => {
      if (this.engine.setStandard(standard.value)) { this.history.clear(); this.changed(-1); this.showAll(); }
    });
    this.info.replaceChildren(...fields, h('label', {}, '规范：', standard));
    this.info.addEventListener('submit', (event) => event.preventDefault());
  }

  private showTotals(): void {
    const totals = this.engine.totals();
    const rows = totals.models.map((m) => h('tr', {}, h('td', {}, m.label), h('td', { class: 'n' }, m.total)));
    const table = h('table', {},
      h('thead', {}, h('tr', {}, h('th', { scope: 'col' }, '灭火器'), h('th', { scope: 'col' }, '数量（具）'))),
      h('tbody', {}, ...rows,
        h('tr', { class: 'grand' }, h('td', {}, '合计'), h('td', { class: 'n', id: 'grand-total' }, totals.grand))));
    const parts: Node[] = [h('h2', {}, '灭火器配置清单'), table];
    if (totals.note) parts.push(h('p', { class: 'note', id: 'totals-note' }, totals.note));
    this.totals.replaceChildren(...parts);
  }

  private showHistory(): void {
    this.undoButton.disabled = !this.history.canUndo;
    this.redoButton.disabled = !this.history.canRedo;
  }

  say(text: string, error = false): void {
    this.status.textContent = text;
    this.status.classList.toggle('error', error);
  }

  // ---- edits

  /** After any change to the project: the row (or -1), the totals, the kept copy. */
  private changed(row: number): void {
    if (row >= 0) this.grid.refreshRow(row);
    this.showTotals();
    if (!this.dirty) { this.dirty = true; document.title = `${document.title.replace(' - ', ' * - ')}`; }
    window.clearTimeout(this.keepTimer);
    this.keepTimer = window.setTimeout(() => {
      void recovery.keep({ text: this.engine.projectText(), fileName: this.fileName, time: Date.now() });
    }, 150);
  }

  private record(edit: Edit): void {
    this.history.record(edit);
    this.showHistory();
  }

  private structural(edit: Edit, focus: number): void {
    this.record(edit);
    this.changed(-1);
    this.grid.refreshAll();
    this.showInfo();
    this.grid.select(focus, false);
  }

  undo(): void { this.replay(this.history.undo(this.engine)); }
  redo(): void { this.replay(this.history.redo(this.engine)); }

  private replay(row: number | undefined): void {
    if (row === undefined) return;
    this.changed(-1);
    this.showInfo();
    this.grid.refreshAll();
    this.showHistory();
    if (row >= 0) this.grid.select(row, false);
  }

  addUnit(at: number): void {
    at = Math.max(0, Math.min(this.engine.size(), at));
    const units = [this.engine.newUnit(at - 1)];
    this.engine.insert(at, units);
    this.structural({ kind: 'insert', at, units }, at);
  }

  duplicate(): void {
    const rows = this.grid.selection();
    if (rows.length === 0) return;
    const units = this.engine.rows(rows[0], rows.length).map((r) => r.cells);
    const at = rows[rows.length - 1] + 1;
    this.engine.insert(at, units);
    this.structural({ kind: 'insert', at, units }, at);
  }

  deleteSelected(): void {
    const rows = this.grid.selection();
    if (rows.length === 0) return;
    const units = this.engine.remove(rows[0], rows.length);
    this.structural({ kind: 'remove', at: rows[0], units }, Math.min(rows[0], this.engine.size() - 1));
  }

  move(step: number): void {
    const from = this.grid.current;
    const to = from + step;
    if (this.engine.size() === 0 || to < 0 || to >= this.engine.size()) return;
    this.engine.move(from, to);
    this.structural({ kind: 'move', from, to }, to);
  }

  /** Rows from a spreadsheet, after the current row: all of them or none. */
  paste(text: string, row: number): boolean {
    const pasted = this.engine.readPaste(text);
    if (pasted.refusal !== undefined || !pasted.units) {
      this.say(pasted.refusal ?? '', true);
      void ask(pasted.refusal ?? '', ['确定']);
      return false;
    }
    const at = this.engine.size() === 0 ? 0 : row + 1;
    this.engine.insert(at, pasted.units);
    this.structural({ kind: 'insert', at, units: pasted.units }, at);
    this.say(`已粘贴 ${pasted.units.length} 个计算单元`);
    return true;
  }

  // ---- keys, as the desktop workbook has them

  private rowKey(event: KeyboardEvent, row: number): boolean {
    const onNumber = !(event.target instanceof HTMLInputElement);
    // Alt+↓ opens a choice cell's list, so rows move with Ctrl+Shift+arrows, as in the desktop workbook.
    const rowMove = (event.ctrlKey || event.metaKey) && event.shiftKey && !event.altKey;
    if (rowMove && event.key === 'ArrowUp') { this.grid.current = row; this.move(-1); return true; }
    if (rowMove && event.key === 'ArrowDown') { this.grid.current = row; this.move(1); return true; }
    if (onNumber && event.key === 'Delete') { this.deleteSelected(); return true; }
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
    if (ctrl && !event.shiftKey && key === 'z') run(() => this.undo());
    else if (ctrl && (key === 'y' || (event.shiftKey && key === 'z'))) run(() => this.redo());
    else if (ctrl && key === 's') run(() => this.save(event.shiftKey));
    else if (ctrl && key === 'o') run(() => this.openFile());
    else if (ctrl && key === 'n') run(() => this.newProject());
    else if (ctrl && key === 'd') run(() => this.duplicate());
    else if (event.key === 'Insert' || (ctrl && (event.key === '+' || (event.shiftKey && event.key === '=')))) {
      run(() => this.addUnit(this.engine.size() === 0 ? 0 : this.grid.current + 1));
    }
  }

  // ---- files

  private async discardOk(): Promise<boolean> {
    if (!this.dirty) return true;
    const choice = await ask('当前工程有未保存的修改。', ['保存', '不保存', '取消']);
    if (choice === 0) return this.save(false);
    return choice === 1;
  }

  /** Shows the project in the grid as File → Open does; the refusal when it is not one. */
  openText(text: string, fileName: string, handle?: FileHandle, recovered = false): string {
    const refusal = this.engine.open(text);
    if (refusal) {
      this.say(`无法打开工程“${fileName}”：${refusal}`, true);
      return refusal;
    }
    this.fileName = fileName;
    this.handle = handle;
    this.history.clear();
    this.dirty = recovered;
    if (!recovered) void recovery.forget();
    this.grid.current = this.grid.anchor = 0;
    this.showAll();
    this.say(`已打开“${fileName}”，${this.engine.size()} 个计算单元`);
    return '';
  }

  async newProject(): Promise<void> {
    if (!(await this.discardOk())) return;
    this.engine.reset(this.schema.standard);
    this.fileName = '';
    this.handle = undefined;
    this.history.clear();
    this.dirty = false;
    void recovery.forget();
    this.showAll();
  }

  async openFile(): Promise<void> {
    if (!(await this.discardOk())) return;
    const picker = (window as PickerWindow).showOpenFilePicker;
    if (picker) {
      try {
        const [handle] = await picker({ types: pickerTypes });
        this.openText(await (await handle.getFile()).text(), handle.name, handle);
      } catch (error) {
        if ((error as Error).name !== 'AbortError') this.say(String(error), true);
      }
      return;
    }
    const file = await pickFile(`${PROJECT_EXTENSION},application/json`);
    if (file) this.openText(await file.text(), file.name);
  }

  /** Saves where the project came from when the browser allows it, otherwise downloads it. */
  async save(choose: boolean): Promise<boolean> {
    const text = this.engine.projectText();
    const name = this.fileName || `工程${PROJECT_EXTENSION}`;
    const picker = (window as PickerWindow).showSaveFilePicker;
    try {
      if (this.handle && !choose) {
        const writable = await this.handle.createWritable();
        await writable.write(text);
        await writable.close();
      } else if (picker) {
        const handle = await picker({ suggestedName: name, types: pickerTypes });
        const writable = await handle.createWritable();
        await writable.write(text);
        await writable.close();
        this.handle = handle;
        this.fileName = handle.name;
      } else {
        download(name, text, 'application/json');
        this.fileName = name;
      }
    } catch (error) {
      if ((error as Error).name !== 'AbortError') this.say(`保存失败：${String(error)}`, true);
      return false;
    }
    this.dirty = false;
    void recovery.forget();
    document.title = `${this.fileName} - 建筑灭火器配置设计`;
    this.say(`已保存“${this.fileName}”`);
    return true;
  }

  async importCsv(): Promise<void> {
    if (!(await this.discardOk())) return;
    const file = await pickFile('.csv,text/csv');
    if (!file) return;
    const refusal = this.engine.importTable(new Uint8Array(await file.arrayBuffer()));
    if (refusal) {
      this.say(`表格“${file.name}”不能导入：${refusal}`, true);
      return;
    }
    this.fileName = file.name.replace(/\.csv$/i, PROJECT_EXTENSION);
    this.handle = undefined;
    this.history.clear();
    this.showAll();
    this.changed(-1);
    this.say(`已导入“${file.name}”，${this.engine.size()} 个计算单元`);
  }

  exportCsv(): void {
    const name = (this.fileName || '工程').replace(/\.exdesign$/i, '') + '.csv';
    download(name, this.engine.exportTable(), 'text/csv;charset=utf-8');
  }

  /** The 计算书 in a tab of its own, ready to print. */
  openReport(): Window | null {
    const url = URL.createObjectURL(new Blob([this.engine.reportHtml()], { type: 'text/html;charset=utf-8' }));
    const opened = window.open(url, '_blank');
    setTimeout(() => URL.revokeObjectURL(url), 60_000);
    return opened;
  }

  /** Offers back work kept from a tab that was closed without saving. */
  async offerRecovery(): Promise<void> {
    const kept = await recovery.kept().catch(() => undefined);
    if (!kept) return;
    const when = new Date(kept.time).toLocaleString('zh-CN');
    const choice = await ask(`发现 ${when} 未保存的工作${kept.fileName ? `（${kept.fileName}）` : ''}。要恢复吗？`,
      ['恢复', '放弃']);
    if (choice !== 0) { void recovery.forget(); return; }
    if (!this.openText(kept.text, kept.fileName || `工程${PROJECT_EXTENSION}`, undefined, true)) {
      document.title = `${this.fileName} * - 建筑灭火器配置设计`;
      this.say('已恢复未保存的工作');
    }
  }
}
