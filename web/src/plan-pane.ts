// SPDX-License-Identifier: MIT
// The plan pane: the current unit's rooms, setting points, their reach, the 盲区 and the worst
// spot, as the library lays them out (the engine's drawing list; the page adds no geometry).
// Click adds a point, dragging moves it, right-click or Delete takes it away: each is an edit of
// the unit's 设置点 cell, which undo takes back. While a point is dragged the engine lays the
// plan out again on every move, so the reach, the 盲区 and the worst spot follow it.
// Wheel zooms, dragging the floor pans, double-click fits the plan to the pane.
import type { Drawing, DrawingItem, Engine, InkStyle, PlanView, XY } from './engine';
import { h } from './dom';

export interface PlanHost {
  readonly engine: Engine;
  /** The unit shown: the grid's current row, or -1. */
  row(): number;
  /** The unit's 设置点 become cell, as one edit that undo takes back. */
  commitPoints(row: number, cell: string): void;
  say(text: string, error?: boolean): void;
}

const SVG = 'http://www.w3.org/2000/svg';
/** A press this near a point's centre takes the point, in screen pixels (as the desktop pane). */
const GRAB = 12;
/** Moves shorter than this are a click, not a drag, in screen pixels. */
const SLOP = 4;
/** Text in the pane a little larger than on paper, read on a screen. */
const TEXT_SIZE = 12;
/** A single click waits this long for a second one: a double click fits, it adds no point. */
const DOUBLE_CLICK_MS = 280;

function svg<K extends keyof SVGElementTagNameMap>(tag: K, attributes: Record<string, string | number>): SVGElementTagNameMap[K] {
  const element = document.createElementNS(SVG, tag);
  for (const [name, value] of Object.entries(attributes)) element.setAttribute(name, String(value));
  return element;
}

const round = (v: number) => Math.round(v * 100) / 100;

type Gesture =
  | { kind: 'none' }
  | { kind: 'press'; x: number; y: number; point: number; pointer: number }
  | { kind: 'drag'; point: number; pointer: number; moved: boolean }
  | { kind: 'pan'; x: number; y: number; box: ViewBox; pointer: number };

interface ViewBox { x: number; y: number; w: number; h: number }

export class PlanPane {
  readonly element: HTMLElement;
  private readonly title = h('h2', {});
  private readonly canvas: HTMLElement;
  private readonly picture: SVGSVGElement;
  private readonly layer: SVGGElement;
  private readonly line = h('p', { class: 'plan-line', role: 'status' });
  private readonly inks: Record<string, InkStyle>;
  private view: PlanView = {};
  private shownRow = -1;
  private box: ViewBox = { x: 0, y: 0, w: 1, h: 1 };
  private zoomed = false;
  private gesture: Gesture = { kind: 'none' };
  private selected = -1;
  private clickTimer = 0;
  /** The points while one is dragged; undefined otherwise. */
  private dragPoints: XY[] | undefined;
  /** For the benchmark: how long the last layouts and drawings of a drag took, ms. */
  readonly frameTimes: number[] = [];

  constructor(private readonly host: PlanHost, extraButtons: HTMLElement[] = []) {
    this.inks = JSON.parse(host.engine.module.planInks()) as Record<string, InkStyle>;
    this.picture = svg('svg', { class: 'plan-drawing', role: 'img' });
    this.layer = svg('g', {});
    this.picture.append(this.layer);
    this.canvas = h('div', {
      class: 'plan-canvas', tabindex: 0,
      title: '单击平面内添加设置点，拖动设置点移动，右键单击或 Delete 删除；滚轮缩放，拖动空白处平移，双击适合窗口',
    });
    this.canvas.append(this.picture);
    this.element = h('section', { class: 'plan', 'aria-label': '平面图', hidden: true },
      h('div', { class: 'plan-head' }, this.title, ...extraButtons),
      this.canvas, this.line);
    this.listen();
    new ResizeObserver(() => { if (!this.element.hidden) this.relayout(); }).observe(this.canvas);
  }

  get visible(): boolean { return !this.element.hidden; }

  setVisible(on: boolean): void {
    this.element.hidden = !on;
    if (on) this.refresh();
  }

  /** The unit at the grid's current row, afresh from the engine (after any edit or undo). */
  refresh(): void {
    if (this.element.hidden || this.gesture.kind === 'drag') return;
    const row = this.host.row();
    if (row !== this.shownRow) { this.zoomed = false; this.selected = -1; }
    this.shownRow = row;
    this.relayout();
  }

  /** The grid's cursor moved: another unit's plan, if it is another unit. */
  follow(): void {
    if (this.host.row() !== this.shownRow) this.refresh();
  }

  /** The points in metres of the unit shown, as the plan has them (fixed or proposed). */
  points(): XY[] { return this.view.points ?? []; }

  /** The drawing shown, for tests: how many items of an ink it has. */
  count(ink: string): number { return this.layer.querySelectorAll(`[data-ink="${ink}"]`).length; }

  private size(): { width: number; height: number } {
    return { width: Math.max(120, this.canvas.clientWidth), height: Math.max(80, this.canvas.clientHeight) };
  }

  private relayout(dragged?: XY[]): PlanView | undefined {
    const started = performance.now();
    const { width, height } = this.size();
    const row = this.shownRow;
    const engine = this.host.engine;
    const view = row < 0 ? {} : dragged ? engine.dragView(dragged, width, height, TEXT_SIZE)
      : engine.planView(row, width, height, TEXT_SIZE);
    if (view.refused !== undefined) return undefined;
    // While dragging, the distance line waits for the drop; the drawing shows the worst spot.
    this.view = dragged ? { ...this.view, drawing: view.drawing, points: view.points, cell: view.cell } : view;
    this.draw(row);
    if (dragged) this.frameTimes.push(performance.now() - started);
    return view;
  }

  private draw(row: number): void {
    const view = this.view;
    const name = row >= 0 ? this.host.engine.row(row).cells[0] ?? '' : '';
    this.title.textContent = row >= 0 ? `平面图：${name || `第 ${row + 1} 行`}` : '平面图';
    this.line.classList.toggle('fail', view.line !== undefined && !view.line.ok);
    if (view.line) this.line.textContent = `${view.line.clause} ${view.line.text}`;
    else if (view.error) this.line.textContent = `平面：${view.error}`;
    else if (row < 0) this.line.textContent = '选择一个计算单元以查看其平面';
    else if (view.outline === undefined) this.line.textContent = '平面只用于 GB 50140-2005 的计算单元';
    else this.line.textContent = '没有平面：在“平面”列输入长x宽（如 68x30）或顶点，或导入 DXF 图纸';
    const drawing = view.drawing;
    if (!drawing) {
      this.layer.replaceChildren();
      this.picture.setAttribute('aria-label', '没有平面');
      return;
    }
    if (!this.zoomed) this.box = { x: 0, y: 0, w: drawing.width, h: drawing.height };
    this.applyBox();
    this.picture.setAttribute('aria-label', `${name} 平面及设置点`);
    const at = (view.points ?? []).map((p) => this.toPage(drawing, p));
    this.layer.replaceChildren(...drawing.items.map((item) => {
      const element = this.item(item);
      // A setting point's own circle (not the legend's) says which point it is.
      if (item.k === 'c' && item.ink === 'point') {
        const index = at.findIndex(([x, y]) => Math.abs(x - item.at[0]) < 0.5 && Math.abs(y - item.at[1]) < 0.5);
        if (index >= 0) element.setAttribute('data-point', String(index));
      }
      return element;
    }));
    if (this.selected >= 0 && this.selected < (view.points?.length ?? 0)) {
      const [x, y] = this.toPage(drawing, view.points![this.selected]);
      this.layer.append(svg('circle', { cx: round(x), cy: round(y), r: 9, class: 'plan-selected',
        fill: 'none', stroke: '#1565c0', 'stroke-width': 2 }));
    }
  }

  private item(item: DrawingItem): SVGElement {
    const ink = this.inks[item.ink];
    const paint = (element: SVGElement, filled: boolean) => {
      element.setAttribute('data-ink', item.ink);
      element.setAttribute('fill', filled && ink.fillOpacity > 0 ? ink.fill : 'none');
      if (filled && ink.fillOpacity > 0 && ink.fillOpacity < 1) element.setAttribute('fill-opacity', String(ink.fillOpacity));
      if (ink.strokeWidth > 0) {
        element.setAttribute('stroke', ink.stroke);
        element.setAttribute('stroke-width', String(ink.strokeWidth));
        if (ink.dashed) element.setAttribute('stroke-dasharray', `${ink.strokeWidth * 4} ${ink.strokeWidth * 3}`);
      }
      return element;
    };
    switch (item.k) {
      case 'l':
        return paint(svg('line', { x1: round(item.a[0]), y1: round(item.a[1]), x2: round(item.b[0]), y2: round(item.b[1]) }), false);
      case 'a': {
        const d = item.rings.map((ring) => {
          let path = '';
          for (let i = 0; i < ring.length; i += 2) path += `${i === 0 ? 'M' : 'L'}${round(ring[i])} ${round(ring[i + 1])}`;
          return `${path}Z`;
        }).join('');
        return paint(svg('path', { d, 'fill-rule': 'evenodd' }), true);
      }
      case 'c':
        return paint(svg('circle', { cx: round(item.at[0]), cy: round(item.at[1]), r: round(item.r) }), true);
      case 't': {
        const text = svg('text', {
          x: round(item.at[0]), y: round(item.at[1]), 'font-size': item.size, 'text-anchor': item.anchor,
          'dominant-baseline': 'central', fill: ink.text, 'data-ink': item.ink,
        });
        if (ink.bold) text.setAttribute('font-weight', 'bold');
        if (item.angle !== 0) text.setAttribute('transform', `rotate(${round(-item.angle)} ${round(item.at[0])} ${round(item.at[1])})`);
        // A name from a drawing or a project is text, never markup.
        text.textContent = item.text;
        return text;
      }
    }
  }

  private applyBox(): void {
    const b = this.box;
    this.picture.setAttribute('viewBox', `${b.x} ${b.y} ${b.w} ${b.h}`);
  }

  private toPage(drawing: Drawing, [x, y]: XY): XY {
    return [drawing.origin[0] + x * drawing.scale, drawing.origin[1] - y * drawing.scale];
  }

  private toMetres(drawing: Drawing, [x, y]: XY): XY {
    return [(x - drawing.origin[0]) / drawing.scale, (drawing.origin[1] - y) / drawing.scale];
  }

  /** The page position (drawing units) under a mouse position. */
  private pageAt(clientX: number, clientY: number): XY {
    const matrix = this.picture.getScreenCTM();
    if (!matrix) return [0, 0];
    const p = new DOMPoint(clientX, clientY).matrixTransform(matrix.inverse());
    return [p.x, p.y];
  }

  /** Screen pixels per drawing unit. */
  private zoom(): number { return this.picture.getScreenCTM()?.a ?? 1; }

  private pointAt(clientX: number, clientY: number): number {
    const drawing = this.view.drawing;
    if (!drawing) return -1;
    const [px, py] = this.pageAt(clientX, clientY);
    const reach = GRAB / this.zoom();
    let best = -1;
    let nearest = reach;
    this.points().forEach((p, i) => {
      const [x, y] = this.toPage(drawing, p);
      const d = Math.hypot(x - px, y - py);
      if (d <= nearest) { nearest = d; best = i; }
    });
    return best;
  }

  // ---- edits: each becomes the 设置点 cell, through the engine

  private edit(points: XY[], what: string): boolean {
    const row = this.shownRow;
    const { width, height } = this.size();
    const view = this.host.engine.planView(row, width, height, TEXT_SIZE, points);
    if (view.refused !== undefined || view.cell === undefined) {
      this.host.say(`设置点不能${what}：${view.refused ?? ''}`, true);
      return false;
    }
    this.host.commitPoints(row, view.cell);
    return true;
  }

  private add(clientX: number, clientY: number): void {
    const drawing = this.view.drawing;
    if (!drawing) return;
    const at = this.toMetres(drawing, this.pageAt(clientX, clientY));
    if (!this.host.engine.onFloor(this.shownRow, at[0], at[1])) {
      this.host.say('设置点应在平面内', true);
      return;
    }
    const points = [...this.points(), at];
    if (this.edit(points, '添加')) this.selected = points.length - 1;
  }

  removePoint(index: number): void {
    const points = this.points().filter((_, i) => i !== index);
    if (this.edit(points, '删除')) this.selected = -1;
  }

  // ---- mouse, wheel and keys

  private listen(): void {
    const canvas = this.canvas;
    canvas.addEventListener('pointerdown', (event) => {
      if (event.button !== 0 || !this.view.drawing) return;
      canvas.focus();
      const point = this.pointAt(event.clientX, event.clientY);
      this.gesture = { kind: 'press', x: event.clientX, y: event.clientY, point, pointer: event.pointerId };
      canvas.setPointerCapture(event.pointerId);
      event.preventDefault();
    });
    canvas.addEventListener('pointermove', (event) => {
      const g = this.gesture;
      if (g.kind === 'press' && Math.hypot(event.clientX - g.x, event.clientY - g.y) >= SLOP) {
        if (g.point >= 0) {
          this.gesture = { kind: 'drag', point: g.point, pointer: g.pointer, moved: false };
          this.selected = g.point;
          this.dragPoints = this.points().map((p) => [...p] as XY);
          this.host.engine.dragStart(this.shownRow);
        } else {
          this.gesture = { kind: 'pan', x: g.x, y: g.y, box: { ...this.box }, pointer: g.pointer };
        }
      }
      const now = this.gesture;
      if (now.kind === 'drag') this.dragTo(now, event.clientX, event.clientY);
      else if (now.kind === 'pan') {
        const scale = this.zoom();
        this.zoomed = true;
        this.box = { ...now.box, x: now.box.x - (event.clientX - now.x) / scale, y: now.box.y - (event.clientY - now.y) / scale };
        this.applyBox();
      }
    });
    const finish = (event: PointerEvent) => {
      const g = this.gesture;
      this.gesture = { kind: 'none' };
      if (canvas.hasPointerCapture(event.pointerId)) canvas.releasePointerCapture(event.pointerId);
      if (g.kind === 'drag') {
        const points = this.dragPoints;
        this.dragPoints = undefined;
        this.host.engine.dragEnd();
        if (g.moved && points) this.edit(points, '移动');
        else this.refresh();
      } else if (g.kind === 'press' && event.type === 'pointerup') {
        if (g.point >= 0) { this.selected = g.point; this.draw(this.shownRow); return; }
        // A click on the floor adds a point, unless a second click makes it a double click.
        window.clearTimeout(this.clickTimer);
        const { clientX, clientY } = event;
        if (event.detail >= 2) return;
        this.clickTimer = window.setTimeout(() => this.add(clientX, clientY), DOUBLE_CLICK_MS);
      }
    };
    canvas.addEventListener('pointerup', finish);
    canvas.addEventListener('pointercancel', finish);
    canvas.addEventListener('dblclick', (event) => {
      event.preventDefault();
      window.clearTimeout(this.clickTimer);
      this.fit();
    });
    canvas.addEventListener('contextmenu', (event) => {
      event.preventDefault();
      const point = this.pointAt(event.clientX, event.clientY);
      if (point >= 0) this.removePoint(point);
    });
    canvas.addEventListener('wheel', (event) => {
      if (!this.view.drawing) return;
      event.preventDefault();
      const [px, py] = this.pageAt(event.clientX, event.clientY);
      const factor = Math.exp(Math.max(-1, Math.min(1, event.deltaY / 300)));
      const b = this.box;
      const w = Math.max(this.view.drawing.width / 40, Math.min(this.view.drawing.width * 4, b.w * factor));
      const k = w / b.w;
      this.box = { x: px - (px - b.x) * k, y: py - (py - b.y) * k, w, h: b.h * k };
      this.zoomed = true;
      this.applyBox();
    }, { passive: false });
    canvas.addEventListener('keydown', (event) => {
      if ((event.key === 'Delete' || event.key === 'Backspace') && this.selected >= 0) {
        event.preventDefault();
        event.stopPropagation();
        this.removePoint(this.selected);
      }
    });
  }

  private dragTo(g: Extract<Gesture, { kind: 'drag' }>, clientX: number, clientY: number): void {
    const drawing = this.view.drawing;
    const points = this.dragPoints;
    if (!drawing || !points) return;
    const moved = points.map((p) => [...p] as XY);
    moved[g.point] = this.toMetres(drawing, this.pageAt(clientX, clientY));
    // Off the floor the engine refuses the points: the point stays where it last stood.
    if (this.relayout(moved)) {
      this.dragPoints = moved;
      g.moved = true;
    }
  }

  /** The whole plan in the pane again. */
  fit(): void {
    this.zoomed = false;
    const drawing = this.view.drawing;
    if (drawing) { this.box = { x: 0, y: 0, w: drawing.width, h: drawing.height }; this.applyBox(); }
  }
}
