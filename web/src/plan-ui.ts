// SPDX-License-Identifier: MIT
// The whole floor in the page, as one piece the page connects: the plan pane beside the grid
// (toolbar 平面图, full view and back with Escape), 布置, the DXF drawing in (打开, 导入 or
// dropped on the page) and out, and the plan's images.
import type { ProjectDocument } from './document';
import { ask, h } from './dom';
import { DxfImport, isDxf } from './dxf-import';
import type { Grid } from './grid';
import { PlanCommands, type Scope } from './plan-commands';
import { PlanPane } from './plan-pane';

export interface PlanUiHost {
  readonly doc: ProjectDocument;
  readonly grid: Grid;
  discardOk(): Promise<boolean>;
  /** A project file dropped on the page. */
  openText(text: string, fileName: string): void;
}

export class PlanUi {
  readonly pane: PlanPane;
  readonly commands: PlanCommands;
  readonly dxf: DxfImport;
  /** The toolbar's part: 平面图, 布置…, 导出 DXF…. */
  readonly buttons: HTMLElement[];
  private readonly toggle: HTMLButtonElement;
  private readonly full: HTMLButtonElement;
  private main: HTMLElement | undefined;

  constructor(private readonly host: PlanUiHost) {
    const doc = host.doc;
    const current = () => (doc.engine.size() === 0 ? -1 : Math.min(host.grid.current, doc.engine.size() - 1));
    this.commands = new PlanCommands({ doc, current, selection: () => host.grid.selection() });
    const button = (label: string, title: string, action: () => unknown) => {
      const element = h('button', { type: 'button', title }, label);
      element.addEventListener('click', () => { void action(); });
      return element;
    };
    this.full = button('全屏', '平面图占满窗口（Esc 返回）', () => this.setFull(!this.isFull));
    this.pane = new PlanPane({
      engine: doc.engine,
      row: current,
      commitPoints: (row, cell) => this.commitPoints(row, cell),
      say: (text, error) => doc.say(text, error),
    }, [
      this.full,
      button('适合窗口', '整个平面显示在窗格中（也可双击平面）', () => this.pane.fit()),
      button('导出 SVG', '当前计算单元的平面图存为 SVG', () => this.commands.exportSvg()),
      button('导出 PNG', '当前计算单元的平面图存为 PNG', () => this.commands.exportPng()),
    ]);
    this.dxf = new DxfImport({
      doc,
      current,
      discardOk: () => host.discardOk(),
      imported: (row) => {
        host.grid.select(row, false, false);
        this.setVisible(true);
      },
    });
    this.toggle = button('平面图', '在表格旁显示当前计算单元的平面图', () => this.setVisible(!this.pane.visible));
    this.toggle.setAttribute('aria-pressed', 'false');
    this.buttons = [
      this.toggle,
      button('布置…', '为计算单元沿墙布置设置点，检查最大保护距离', () => this.place()),
      button('导出 DXF…', '把设置点写成 DXF 图纸（图层“灭火器”，单位毫米），叠在原图上', () => this.commands.exportDxf()),
    ];
    document.addEventListener('keydown', (event) => {
      if (event.key === 'Escape' && this.isFull && !document.querySelector('dialog[open]')) this.setFull(false);
    });
    this.listenForDrops();
  }

  /** The grid's cursor moved: the pane shows the unit it is on. */
  follow(): void { this.pane.follow(); }

  /** The side column: the plan pane over the 灭火器配置清单, in the main area. */
  side(totals: HTMLElement): HTMLElement {
    return h('div', { class: 'aside' }, this.pane.element, totals);
  }

  /** After any change to the project: the plan shows it. */
  refresh(): void { this.pane.refresh(); }

  private get isFull(): boolean { return this.main?.classList.contains('plan-full') ?? false; }

  setVisible(on: boolean): void {
    this.main = this.main ?? this.pane.element.closest<HTMLElement>('.main') ?? undefined;
    this.main?.classList.toggle('plan-on', on);
    if (!on) this.setFull(false);
    this.toggle.setAttribute('aria-pressed', String(on));
    this.pane.setVisible(on);
  }

  private setFull(on: boolean): void {
    if (on && !this.pane.visible) this.setVisible(true);
    this.main?.classList.toggle('plan-full', on);
    this.full.textContent = on ? '退出全屏' : '全屏';
    this.pane.refresh();
  }

  private commitPoints(row: number, cell: string): void {
    const doc = this.host.doc;
    const column = doc.engine.schema().plan?.pointsAt;
    if (column === undefined) return;
    const before = doc.engine.row(row).cells[column] ?? '';
    const after = doc.engine.setCell(row, column, cell);
    if (after === before) return;
    doc.record({ kind: 'cell', row, column, before, after });
    doc.changed(row);
  }

  private async place(): Promise<void> {
    const selected = this.host.grid.selection().length;
    const scopes: Scope[] = ['current', 'selected', 'all'];
    const choice = await ask('为哪些计算单元布置设置点？\n没有设置点或设置点未满足最大保护距离的单元，由程序沿墙布置；已满足的不变。',
      ['当前计算单元', `选中的 ${selected} 个计算单元`, '全部计算单元', '取消']);
    if (choice < 0 || choice > 2) return;
    this.commands.place(scopes[choice]);
    this.setVisible(true);
  }

  private listenForDrops(): void {
    document.addEventListener('dragover', (event) => {
      if (event.dataTransfer?.types.includes('Files')) { event.preventDefault(); event.dataTransfer.dropEffect = 'copy'; }
    });
    document.addEventListener('drop', (event) => {
      const file = event.dataTransfer?.files[0];
      if (!file) return;
      event.preventDefault();
      if (document.querySelector('dialog[open]')) return;
      if (isDxf(file)) void this.dxf.importFile(file);
      else if (/\.(exdesign|json)$/i.test(file.name)) {
        void (async () => { if (await this.host.discardOk()) this.host.openText(await file.text(), file.name); })();
      } else {
        this.host.doc.say(`“${file.name}”不是工程文件（.exdesign）或 DXF 图纸（.dxf）`, true);
      }
    });
  }
}
