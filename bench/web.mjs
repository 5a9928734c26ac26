// SPDX-License-Identifier: MIT
// The browser page's figures: time until ready opened from disk, opening projects of
// 1,000 and 10,000 units, one edit, a DXF floor of 500 rooms imported and placed through the
// page's own dialogs, a frame while a point of a 20-point room is dragged, and the file's
// size. Medians over runs, printed as a table for docs/performance.md. Run after
// `cmake --build --preset web`:
//   node bench/web.mjs [runs]
// EXTCALC_PAGE=other.html measures another build of the page (the WebAssembly carried plain,
// say: node web/build-page.mjs … --wasm plain --out other.html).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, openPage, pagePath, root } from '../web/tests/browser.mjs';

const runs = Number(process.argv[2] ?? 7);
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const browser = await launch();

const ready = [];
for (let i = 0; i < runs; ++i) {
  const { page, context } = await openPage(browser);
  ready.push(await page.evaluate(() => performance.getEntriesByName('extinguisher-ready')[0].startTime));
  await context.close();
}

const { page, context } = await openPage(browser);
// Projects made of the sample's units over and over, through the page's own engine.
const projectOf = (count) => page.evaluate((n) => {
  const sample = JSON.parse(window.extinguisher.projectText());
  const units = Array.from({ length: n }, (_, i) => ({ ...sample.units[i % sample.units.length], name: `单元 ${i + 1}` }));
  return JSON.stringify({ ...sample, units }, null, 2);
}, count);
const opening = {};
for (const count of [1000, 10000]) {
  const text = await projectOf(count);
  const times = [];
  for (let i = 0; i < runs; ++i) {
    times.push(await page.evaluate((t) => new Promise((resolve) => {
      const start = performance.now();
      window.extinguisher.openProject(t);
      // Until the rows in view are drawn.
      requestAnimationFrame(() => setTimeout(() => resolve(performance.now() - start)));
    }), text));
  }
  opening[count] = { times, rows: await page.locator('.row').count() };
}
// One edit in the 10,000-unit project: the typed text, its row and the totals, drawn.
const edits = [];
const area = page.getByRole('textbox', { name: '第 1 行 建筑面积', exact: true });
for (let i = 0; i < runs * 5; ++i) {
  edits.push(await area.evaluate((input, n) => new Promise((resolve) => {
    const start = performance.now();
    input.value = String(1000 + n);
    input.dispatchEvent(new Event('input', { bubbles: true }));
    requestAnimationFrame(() => resolve(performance.now() - start));
  }), i));
}
const syncEdits = [];
for (let i = 0; i < runs * 5; ++i) {
  syncEdits.push(await area.evaluate((input, n) => {
    const start = performance.now();
    input.value = String(2000 + n);
    input.dispatchEvent(new Event('input', { bubbles: true }));
    return performance.now() - start;
  }, i));
}
await context.close();

// A DXF floor of 500 rooms (bench/make-dxf-floor.py), dropped on a new project: from the
// click on 导入 until its rooms are units, then from 布置 → 全部计算单元 until every unit has its
// points, each until the status line says so.
const scratch = mkdtempSync(join(tmpdir(), 'extcalc-bench-'));
const dxfPath = join(scratch, 'floor.dxf');
execFileSync('/usr/bin/python3', [join(root, 'bench', 'make-dxf-floor.py'), dxfPath, '500']);
const dxfBytes = [...readFileSync(dxfPath)];
rmSync(scratch, { recursive: true, force: true });
const untilStatus = (page, pattern) => page.evaluate((source) => new Promise((resolve) => {
  const start = performance.now();
  const status = document.querySelector('.status');
  const done = () => new RegExp(source).test(status.textContent) && resolve(performance.now() - start);
  new MutationObserver(done).observe(status, { childList: true, characterData: true, subtree: true });
}), pattern.source);
const imports = [];
const placements = [];
let placedUnits = 0;
for (let i = 0; i < Math.max(3, Math.ceil(runs / 2)); ++i) {
  const opened = await openPage(browser);
  const p = opened.page;
  await p.getByRole('button', { name: '新建' }).click();
  const transfer = await p.evaluateHandle((data) => {
    const t = new DataTransfer();
    t.items.add(new File([new Uint8Array(data)], 'floor.dxf'));
    return t;
  }, dxfBytes);
  await p.locator('.gridwrap').dispatchEvent('drop', { dataTransfer: transfer });
  const dialog = p.getByRole('dialog', { name: /导入图纸/ });
  await dialog.waitFor();
  const imported = untilStatus(p, /读入 500 个房间/);
  await dialog.getByRole('button', { name: '导入' }).click();
  imports.push(await imported);
  await p.getByRole('button', { name: '布置…' }).click();
  const placed = untilStatus(p, /布置设置点|没有需要/);
  await p.getByRole('dialog').getByRole('button', { name: '全部计算单元' }).click();
  placements.push(await placed);
  placedUnits = await p.evaluate(() => JSON.parse(window.extinguisher.projectText()).units.filter((u) => u.points_at).length);
  await opened.context.close();
}

// A point of a room with 20 points dragged: each move laid out again by the engine and drawn,
// until the next frame.
const drag = await openPage(browser, { viewport: { width: 1366, height: 768 } });
const twenty = Array.from({ length: 20 }, (_, i) => `${5 + (i % 5) * 22.5} ${4 + Math.floor(i / 5) * 10.5}`).join('; ');
await drag.page.evaluate((points) => {
  const sample = JSON.parse(window.extinguisher.projectText());
  const unit = { ...sample.units[7], name: '展厅', area: '', points: '', outline: '100x40', points_at: points };
  window.extinguisher.openProject(JSON.stringify({ ...sample, units: [unit] }));
}, twenty);
await drag.page.getByRole('button', { name: '平面图' }).click();
await drag.page.getByRole('textbox', { name: '第 1 行 名称', exact: true }).click();
const handle = drag.page.locator('.plan-canvas circle[data-point="6"]');
const box = await handle.boundingBox();
await drag.page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
await drag.page.mouse.down();
await drag.page.mouse.move(box.x + box.width / 2 + 6, box.y + box.height / 2 + 6);
const frames = await drag.page.evaluate(async ({ x, y, count }) => {
  const canvas = document.querySelector('.plan-canvas');
  const times = [];
  const handler = [];
  for (let i = 0; i < count; ++i) {
    const start = performance.now();
    canvas.dispatchEvent(new PointerEvent('pointermove', { bubbles: true, clientX: x + 6 + (i % 40), clientY: y + 6 + (i % 25), pointerId: 1 }));
    handler.push(performance.now() - start);
    await new Promise((resolve) => requestAnimationFrame(() => resolve()));
    times.push(performance.now() - start);
  }
  return { times, handler };
}, { x: box.x + box.width / 2, y: box.y + box.height / 2, count: runs * 10 });
const uncovered = await drag.page.locator('.plan-canvas [data-ink="uncovered"]').count();
await drag.page.mouse.up();
const pointsShown = await drag.page.locator('.plan-canvas circle[data-point]').count();
await drag.context.close();
await browser.close();

// The same engine under Node, where the process's CPU time can be read: what the steps above
// cost the engine itself, apart from the machine's load (the wall time above includes waiting
// for a core).
const { loadEngine } = await import('../web/tests/engine.mjs');
const engineModule = await loadEngine();
const cpu = (action) => {
  const start = process.cpuUsage();
  action();
  const used = process.cpuUsage(start);
  return (used.user + used.system) / 1000;
};
const engineRuns = { first: [], warm: [], drag: [] };
const dxfData = new Uint8Array(dxfBytes);
for (let i = 0; i < 3; ++i) {
  const e = new engineModule.Engine();
  engineRuns[i === 0 ? 'first' : 'warm'].push(cpu(() => {
    engineModule.dxfSummary(dxfData);
    e.open(JSON.parse(e.planImport(dxfData, 'ROOMS', '', -1, false)).project);
    const edits = JSON.parse(e.place(JSON.stringify(Array.from({ length: e.size() }, (_, r) => r)))).edits;
    for (const x of edits) e.setCell(x.row, x.column, x.after);
  }));
}
{
  const e = new engineModule.Engine();
  e.open(readFileSync(join(root, 'examples', 'building.exdesign'), 'utf8'));
  const sample = JSON.parse(e.projectText());
  e.open(JSON.stringify({ ...sample, units: [{ ...sample.units[7], name: '展厅', area: '', points: '', outline: '100x40', points_at: twenty }] }));
  const start = twenty.split('; ').map((p) => p.split(' ').map(Number));
  e.dragStart(0);
  for (let i = 0; i < runs * 10; ++i) {
    const moved = start.map((p) => [...p]);
    moved[6] = [moved[6][0] + (i % 20) * 0.7, moved[6][1] + (i % 7) * 0.5];
    engineRuns.drag.push(cpu(() => JSON.parse(e.dragView(JSON.stringify(moved), 560, 330, 12))));
  }
  e.dragEnd();
}

const ms = (v) => `${v.toFixed(1)} ms`;
console.log(`| Measure (headless Chromium, median of ${runs}) | Time |`);
console.log('|---|---|');
console.log(`| Opened from disk until \`window.extinguisher.ready\` | ${ms(median(ready))} |`);
for (const [count, { times, rows }] of Object.entries(opening)) {
  console.log(`| Open a ${Number(count).toLocaleString('en')}-unit project, rows in view drawn (${rows} row elements) | ${ms(median(times))} |`);
}
console.log(`| One edit: engine, row, totals (handler only, median of ${runs * 5}) | ${ms(median(syncEdits))} |`);
console.log(`| One edit until the next frame (median of ${runs * 5}) | ${ms(median(edits))} |`);
console.log(`| A 500-room DXF dropped on a new project: 导入 until every room is a unit (median of ${imports.length}) | ${ms(median(imports))} |`);
console.log(`| … then 布置 → 全部计算单元 until ${placedUnits} units have their points (median of ${placements.length}) | ${ms(median(placements))} |`);
console.log(`| … both together | ${ms(median(imports) + median(placements))} |`);
const p90 = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length * 0.9)];
console.log(`| Dragging a point of a ${pointsShown}-point room: one move laid out by the engine and drawn, handler only (median of ${frames.handler.length}; 90th percentile ${ms(p90(frames.handler))}) | ${ms(median(frames.handler))} |`);
console.log(`| … until the next frame (90th percentile ${ms(p90(frames.times))}; ${uncovered} 盲区 areas drawn) | ${ms(median(frames.times))} |`);
console.log(`| The engine under Node, CPU time: a 500-room DXF summarized, imported, opened, placed, written (first run; warm median of ${engineRuns.warm.length}) | ${ms(engineRuns.first[0])}; ${ms(median(engineRuns.warm))} |`);
console.log(`| The engine under Node, CPU time: one move of a dragged point of the 20-point room laid out (median of ${engineRuns.drag.length}) | ${ms(median(engineRuns.drag))} |`);
console.log(`| \`extinguisher-design.html\` size | ${(statSync(pagePath).size / 1e6).toFixed(2)} MB (${statSync(pagePath).size} bytes) |`);
