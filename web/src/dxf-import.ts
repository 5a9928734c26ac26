// SPDX-License-Identifier: MIT
// A floor plan from CAD: the drawing's layers as the library reads them, each with its closed
// outlines, the likeliest room layer chosen, the unit asked when the drawing does not state
// it, and the rooms made units — added at the end of this project as one undo step, or as a
// new project. New units take the answers of the current unit, so class, hazard level, K and
// model are set once. Whatever the reader skipped or warns of is listed, never dropped.
import type { ProjectDocument } from './document';
import { PROJECT_EXTENSION } from './document';
import { ask, h } from './dom';
import { dxfSummary, type CellEdit, type DxfSummary } from './engine';
import type { Edit } from './history';

export interface DxfImportHost {
  readonly doc: ProjectDocument;
  current(): number;
  /** Whether the project in hand may be put aside (saved, or its changes given up). */
  discardOk(): Promise<boolean>;
  /** After the rooms came in: the plan pane on, the cursor on the first room. */
  imported(firstRow: number): void;
}

export interface DxfChoice { layer: string; units: string; append: boolean }

const UNIT_NAMES: Record<string, string> = { '0.001': '毫米', '1': '米' };

export class DxfImport {
  constructor(private readonly host: DxfImportHost) {}

  private get doc() { return this.host.doc; }
  private get engine() { return this.host.doc.engine; }

  /** A .dxf file picked, dropped or opened: its layers asked, then its rooms imported. */
  async importFile(file: File): Promise<boolean> {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const summary = dxfSummary(this.engine.module, bytes);
    if (summary.error) {
      this.doc.say(`图纸“${file.name}”不能读入：${summary.error}`, true);
      void ask(`图纸“${file.name}”不能读入：\n${summary.error}`, ['确定']);
      return false;
    }
    if (!summary.layers.some((layer) => layer.outlines > 0)) {
      const text = `图纸“${file.name}”的图层中没有闭合的轮廓，无法读入房间`;
      this.doc.say(text, true);
      void ask(text, ['确定']);
      return false;
    }
    const choice = await this.choose(file.name, summary);
    if (!choice) return false;
    return this.importChosen(file.name, bytes, choice);
  }

  /** The rooms of the chosen layer into the project, as the choice says. */
  async importChosen(fileName: string, bytes: Uint8Array, choice: DxfChoice): Promise<boolean> {
    if (!choice.append && !(await this.host.discardOk())) return false;
    const like = this.engine.size() > 0 ? this.host.current() : -1;
    const got = this.engine.planImport(bytes, choice.layer, choice.units, like, choice.append);
    if (got.error !== undefined) {
      this.doc.say(`图纸“${fileName}”不能读入：${got.error}`, true);
      void ask(`图纸“${fileName}”不能读入：\n${got.error}${listed(got.warnings)}`, ['确定']);
      return false;
    }
    let first = 0;
    if (choice.append) {
      first = got.at ?? this.engine.size();
      const edits: Edit[] = (got.edits ?? []).map((e: CellEdit) => ({ kind: 'cell', ...e }));
      for (const e of got.edits ?? []) this.engine.setCell(e.row, e.column, e.after);
      if (got.units && got.units.length > 0) {
        this.engine.insert(first, got.units);
        edits.push({ kind: 'insert', at: first, units: got.units });
      }
      if (edits.length > 0) this.doc.structural({ kind: 'batch', edits }, first);
    } else {
      const refusal = this.engine.open(got.project ?? '');
      if (refusal) { this.doc.say(refusal, true); return false; }
      this.doc.replaced(fileName.replace(/\.dxf$/i, PROJECT_EXTENSION), undefined, false);
      this.doc.changed(-1);
    }
    const done = `已从图纸“${fileName}”读入 ${got.added + got.joined} 个房间（新计算单元 ${got.added} 个，并入同名计算单元 ${got.joined} 个）`;
    this.host.imported(Math.min(first, Math.max(0, this.engine.size() - 1)));
    this.doc.say(got.warnings.length > 0 ? `${done}；${got.warnings.length} 条警告` : done);
    if (got.warnings.length + got.notes.length > 0) {
      void ask(`${done}。${listed(got.warnings)}${listed(got.notes, '注意')}`, ['确定']);
    }
    return true;
  }

  /** The dialog: the layer (its closed outlines counted), the unit, where the rooms go. */
  private choose(fileName: string, summary: DxfSummary): Promise<DxfChoice | undefined> {
    return new Promise((resolve) => {
      const layers = h('select', { name: 'layer', size: Math.min(8, Math.max(2, summary.layers.length)) });
      summary.layers.forEach((layer, i) => {
        const option = h('option', { value: String(i) }, `${layer.name}（${layer.outlines} 个闭合轮廓）`);
        option.disabled = layer.outlines === 0;
        option.selected = i === summary.likely;
        layers.append(option);
      });
      const stated = summary.metresPerUnit === null ? undefined : UNIT_NAMES[String(summary.metresPerUnit)];
      const units = h('select', { name: 'units' });
      if (summary.metresPerUnit !== null) {
        units.append(h('option', { value: '' }, `按图纸注明的单位（${stated ?? `每单位 ${summary.metresPerUnit} 米`}）`));
      }
      units.append(h('option', { value: 'mm' }, '毫米（mm）'), h('option', { value: 'm' }, '米（m）'));
      const unitNote = summary.metresPerUnit === null
        ? h('p', { class: 'dxf-note' }, '图纸没有注明单位，请选择图纸的单位。') : '';
      // Into this project unless it cannot take plans: an empty one keeps its particulars.
      const plan = this.engine.schema().plan !== undefined;
      const append = h('input', { type: 'radio', name: 'into', value: 'append' });
      const fresh = h('input', { type: 'radio', name: 'into', value: 'new' });
      append.checked = plan;
      fresh.checked = !append.checked;
      append.disabled = !plan;
      const name = this.doc.fileName || '未命名';
      const into = h('fieldset', {}, h('legend', {}, '房间作为计算单元'),
        h('label', {}, append, `添加到当前工程“${name}”的末尾（可一步撤销；新单元取当前单元的火灾类别、危险等级、K 和灭火器）`),
        h('label', {}, fresh, '新建一个工程'));
      if (!plan) into.append(h('p', { class: 'dxf-note' }, '当前工程按 GBJ140-90 计算，没有平面，只能新建工程。'));
      const dialog = h('dialog', { class: 'dxf', 'aria-label': `导入图纸“${fileName}”` },
        h('h2', {}, `导入图纸“${fileName}”`),
        h('label', { class: 'dxf-field' }, '房间所在的图层：', layers),
        unitNote,
        h('label', { class: 'dxf-field' }, '图纸单位：', units),
        into);
      const ok = h('button', { type: 'button' }, '导入');
      const cancel = h('button', { type: 'button' }, '取消');
      let answered = false;
      const finish = (choice: DxfChoice | undefined) => {
        if (answered) return;
        answered = true;
        dialog.close();
        resolve(choice);
      };
      ok.addEventListener('click', () => {
        const layer = summary.layers[Number(layers.value)];
        if (!layer) return;
        finish({ layer: layer.name, units: units.value, append: append.checked });
      });
      cancel.addEventListener('click', () => finish(undefined));
      layers.addEventListener('dblclick', () => ok.click());
      dialog.append(h('div', { class: 'buttons' }, ok, cancel));
      dialog.addEventListener('cancel', () => finish(undefined));
      dialog.addEventListener('close', () => { dialog.remove(); finish(undefined); });
      document.body.append(dialog);
      dialog.showModal();
      layers.focus();
    });
  }
}

function listed(texts: string[], heading = '警告'): string {
  return texts.length === 0 ? '' : `\n\n${heading}：\n${texts.map((w) => `· ${w}`).join('\n')}`;
}

/** Whether a file is a DXF drawing, by its name. */
export const isDxf = (file: File): boolean => /\.dxf$/i.test(file.name);
