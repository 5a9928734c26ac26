// SPDX-License-Identifier: MIT
// The plan's commands: 布置 (points proposed for the current unit, the selected units or the
// whole project, one undo step), the points as a DXF drawing for CAD, and the current unit's
// plan as SVG or PNG. What is placed, written and drawn is the library's.
import type { ProjectDocument } from './document';
import { ask, download } from './dom';
import type { CellEdit } from './engine';
import type { Edit } from './history';

export type Scope = 'current' | 'selected' | 'all';

export interface PlanCommandsHost {
  readonly doc: ProjectDocument;
  current(): number;
  selection(): number[];
}

/** Cell edits made in the engine and recorded as one step. */
export function applyEdits(doc: ProjectDocument, edits: CellEdit[], focus: number): void {
  for (const e of edits) doc.engine.setCell(e.row, e.column, e.after);
  const batch: Edit = { kind: 'batch', edits: edits.map((e) => ({ kind: 'cell', ...e })) };
  doc.structural(batch, focus);
}

export class PlanCommands {
  constructor(private readonly host: PlanCommandsHost) {}

  private get doc() { return this.host.doc; }
  private get engine() { return this.host.doc.engine; }

  private baseName(): string { return (this.doc.fileName || '工程').replace(/\.exdesign$/i, ''); }

  /** 布置: points for the units of the scope that have a plan and lack points that pass. */
  place(scope: Scope): void {
    const size = this.engine.size();
    const rows = scope === 'all' ? Array.from({ length: size }, (_, i) => i)
      : scope === 'selected' ? this.host.selection() : [this.host.current()].filter((r) => r >= 0 && r < size);
    const placement = this.engine.place(rows);
    if (placement.edits.length > 0) applyEdits(this.doc, placement.edits, this.host.current());
    const units = new Set(placement.edits.map((e) => e.row)).size;
    // Units with a plan that still fail: the library's reasons, as the grid shows them.
    const failing: string[] = [];
    for (const row of rows) {
      const shown = this.engine.row(row);
      if (shown.plan && (shown.failed || !shown.plan.ok)) failing.push(`第 ${row + 1} 行“${shown.cells[0]}”：${shown.problem}`);
    }
    const done = units > 0
      ? `已为 ${units} 个计算单元布置设置点（可一步撤销）`
      : '没有需要布置设置点的计算单元（没有平面，或设置点已满足最大保护距离）';
    this.doc.say(failing.length > 0 ? `${done}；${failing.length} 个计算单元仍有错误` : done, failing.length > 0);
    if (failing.length > 0) void ask(`${done}。\n以下计算单元仍有错误：\n${failing.join('\n')}`, ['确定']);
  }

  /** The points of every unit with a plan as an R12 DXF on layer 灭火器, in millimetres. */
  exportDxf(): void {
    const { bytes, skipped } = this.engine.exportPointsDxf();
    download(`${this.baseName()}-设置点.dxf`, bytes, 'application/dxf');
    if (skipped.length > 0) {
      const text = `以下计算单元有错误，其设置点未写入图纸：\n${skipped.map((n) => `“${n}”`).join('\n')}`;
      this.doc.say(`已导出设置点图纸；${skipped.length} 个计算单元有错误，未写入`, true);
      void ask(text, ['确定']);
    } else {
      this.doc.say('已导出设置点图纸（图层“灭火器”，单位毫米）');
    }
  }

  /** The current unit's plan as the library draws it for an image file. */
  private svg(): { name: string; svg: string } | undefined {
    const got = this.engine.planSvg(this.host.current());
    if (got.svg === undefined || got.name === undefined) {
      this.doc.say('当前计算单元没有可用的平面', true);
      return undefined;
    }
    return { name: got.name, svg: got.svg };
  }

  exportSvg(): void {
    const image = this.svg();
    if (image) download(`${image.name}.svg`, image.svg, 'image/svg+xml');
  }

  /** The same SVG painted by the browser onto a canvas. */
  async exportPng(): Promise<void> {
    const image = this.svg();
    if (!image) return;
    const png = await pngOf(image.svg);
    download(`${image.name}.png`, png, 'image/png');
  }
}

/** An SVG document as PNG, at its own size, on white. */
export async function pngOf(svgText: string): Promise<Blob> {
  const picture = new Image();
  picture.src = `data:image/svg+xml;charset=utf-8,${encodeURIComponent(svgText)}`;
  await picture.decode();
  const canvas = document.createElement('canvas');
  canvas.width = picture.naturalWidth;
  canvas.height = picture.naturalHeight;
  const context = canvas.getContext('2d') as CanvasRenderingContext2D;
  context.fillStyle = '#fff';
  context.fillRect(0, 0, canvas.width, canvas.height);
  context.drawImage(picture, 0, 0);
  return new Promise((resolve, reject) => canvas.toBlob((blob) => (blob ? resolve(blob) : reject(new Error('PNG'))), 'image/png'));
}
