// SPDX-License-Identifier: MIT
// The whole floor in the page, in Debian's Chromium with real clicks and keys: a CAD drawing
// written by ezdxf dropped on the page, its layer picked, every room a unit; 布置 for all; a
// point dragged until its unit fails and the 盲区 shows, then undone; the points exported and
// read back by ezdxf; the 计算书 printed with its page numbers and every room's figure; and
// window.extinguisher's DXF functions against the command line.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, openPage, root } from './browser.mjs';
import { cliPath } from './engine.mjs';

const folder = mkdtempSync(join(tmpdir(), 'extcalc-plan-page-'));
const fixture = (name) => join(root, 'web', 'tests', 'fixtures', name);
let browser;
/** The office floor of 14 rooms in mm, as office_floor.py writes it: [path, rooms]. */
function office(name, ...args) {
  const path = join(folder, name);
  const rooms = JSON.parse(execFileSync('/usr/bin/python3', [fixture('office_floor.py'), path, ...args], { encoding: 'utf8' }));
  return { path, rooms };
}
let floor;

before(async () => {
  browser = await launch();
  floor = office('office.dxf');
});
after(async () => { await browser?.close(); rmSync(folder, { recursive: true, force: true }); });

async function withPage(body, options = {}) {
  const opened = await openPage(browser, options);
  try {
    await body(opened.page, opened);
    assert.deepEqual(opened.errors, [], 'console errors');
  } finally {
    await opened.context.close();
  }
}

const cell = (page, row, label) => page.getByRole('textbox', { name: `第 ${row} 行 ${label}`, exact: true });
const rowOf = (page, row) => page.getByRole('row').filter({ has: page.getByRole('rowheader', { name: `第 ${row} 行`, exact: true }) });
const rowCount = (page) => page.evaluate(() => JSON.parse(window.extinguisher.projectText()).units.length);
const pane = (page) => page.getByRole('region', { name: '平面图' });

/** A file dropped on the page, as the browser delivers a drop from the desktop. */
async function drop(page, path, name) {
  const bytes = [...readFileSync(path)];
  const transfer = await page.evaluateHandle(({ data, fileName }) => {
    const t = new DataTransfer();
    t.items.add(new File([new Uint8Array(data)], fileName));
    return t;
  }, { data: bytes, fileName: name });
  await page.locator('.gridwrap').dispatchEvent('dragover', { dataTransfer: transfer });
  await page.locator('.gridwrap').dispatchEvent('drop', { dataTransfer: transfer });
}

/** Drops the drawing, checks the dialog's layers, picks 房间 and where the rooms go. */
async function importFloor(page, path, { into = 'new', units } = {}) {
  await drop(page, path, path.split('/').pop());
  const dialog = page.getByRole('dialog', { name: /导入图纸/ });
  await dialog.waitFor();
  const layer = dialog.getByRole('listbox');
  const options = await layer.getByRole('option').allTextContents();
  assert.ok(options.some((o) => o.startsWith('家具（6 个闭合轮廓）')), options.join());
  // The room layer is proposed: its name says 房间, though other layers hold outlines too.
  assert.match(await layer.locator('option:checked').textContent(), /^房间（15 个闭合轮廓）$/);
  if (units) await dialog.getByRole('combobox').selectOption(units);
  await dialog.getByRole('radio', { name: into === 'new' ? '新建一个工程' : /添加到当前工程/ }).check();
  await dialog.getByRole('button', { name: '导入' }).click();
  await dialog.waitFor({ state: 'detached' });
}

function cliText(...args) {
  const run = spawnSync(cliPath, args, { encoding: 'utf8' });
  return run;
}

describe('a floor plan from CAD', () => {
  test('dropped on the page: every room a unit, taking the current unit\'s answers, one undo step', () => withPage(async (page) => {
    const before = await rowCount(page);
    // The designer stands on a unit whose class, hazard, K and model the rooms should take.
    await cell(page, 8, '名称').click();
    const like = {};
    for (const label of ['火灾类别', '危险等级', '修正系数', '灭火器']) like[label] = await cell(page, 8, label).inputValue();
    await importFloor(page, floor.path, { into: 'append' });
    assert.equal(await rowCount(page), before + floor.rooms.length);
    const units = JSON.parse(await page.evaluate(() => window.extinguisher.projectText())).units;
    const keys = { 火灾类别: 'class', 危险等级: 'hazard', 修正系数: 'k', 灭火器: 'extinguisher' };
    for (let i = 0; i < floor.rooms.length; ++i) {
      const unit = units[before + i];
      assert.equal(unit.name, floor.rooms[i].name);
      for (const [label, value] of Object.entries(like)) assert.equal(unit[keys[label]], value, `${unit.name} ${label}`);
    }
    // The grid is on the first room: the rows in view show S from the plan in their empty
    // cell, set apart and saying where it comes from.
    for (let i = 0; i < 8; ++i) {
      const row = before + 1 + i;
      assert.equal(await cell(page, row, '名称').inputValue(), floor.rooms[i].name);
      const area = cell(page, row, '建筑面积');
      assert.equal(await area.inputValue(), '');
      assert.equal(await area.getAttribute('placeholder'), floor.rooms[i].area.toFixed(2));
      assert.match(await area.getAttribute('class'), /\bderived\b/);
      assert.match(await area.getAttribute('title'), /由平面得出/);
    }
    assert.equal(await pane(page).isVisible(), true, 'the plan pane comes on after an import');
    assert.match(await page.getByRole('status').last().textContent(), /读入 14 个房间/);
    await page.keyboard.press('Control+z');
    assert.equal(await rowCount(page), before, 'one undo step takes the whole drawing back');
    await page.keyboard.press('Control+y');
    assert.equal(await rowCount(page), before + floor.rooms.length);
  }));

  test('a drawing that does not state its unit: the unit is asked; 打开 takes a DXF too', () => withPage(async (page) => {
    const unitless = office('office-unitless.dxf', '--unitless');
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.getByRole('button', { name: '打开…' }).click()]);
    await chooser.setFiles(unitless.path);
    const dialog = page.getByRole('dialog', { name: /导入图纸/ });
    await dialog.waitFor();
    assert.match(await dialog.textContent(), /图纸没有注明单位/);
    const units = dialog.getByRole('combobox');
    assert.deepEqual(await units.locator('option').allTextContents(), ['毫米（mm）', '米（m）']);
    await units.selectOption('mm');
    await dialog.getByRole('radio', { name: '新建一个工程' }).check();
    await dialog.getByRole('button', { name: '导入' }).click();
    await dialog.waitFor({ state: 'detached' });
    assert.equal(await rowCount(page), 14);
    assert.equal(await cell(page, 4, '建筑面积').getAttribute('placeholder'), '416.00');
  }));

  test('warnings are listed, and names stay text in the grid and the drawing', () => withPage(async (page) => {
    const hostile = office('office-hostile.dxf', '--hostile');
    await importFloor(page, hostile.path);
    const names = await Promise.all(Array.from({ length: 14 }, (_, i) => cell(page, i + 1, '名称').inputValue()));
    assert.ok(names.includes('<img src=x onerror="window.__ran=1">'), names.join());
    await cell(page, 11, '名称').click();
    assert.match(await pane(page).locator('h2').textContent(), /<img src=x/);
    assert.ok(await pane(page).locator('text').count() > 0);
    assert.equal(await page.locator('img[src=x]').count(), 0);
    assert.equal(await page.evaluate(() => window.__ran), undefined);
    // The furniture layer: outlines without names, each named and every one warned of.
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.getByRole('button', { name: '导入 CSV…' }).click()]);
    await chooser.setFiles(floor.path);
    const dialog = page.getByRole('dialog', { name: /导入图纸/ });
    await dialog.getByRole('listbox').selectOption({ label: '家具（6 个闭合轮廓）' });
    await dialog.getByRole('radio', { name: /添加到当前工程/ }).check();
    await dialog.getByRole('button', { name: '导入' }).click();
    const told = page.getByRole('dialog').filter({ hasText: '警告' });
    await told.waitFor();
    assert.match(await told.textContent(), /6 个房间的轮廓中没有文字/);
    await told.getByRole('button', { name: '确定' }).click();
    assert.equal(await rowCount(page), 20);
  }));
});

describe('布置, the pane and undo', () => {
  /** A fresh project of the office floor with points placed for every unit. */
  async function placedFloor(page) {
    // In a new project the rooms take the library's first answers (class A), as on the command line.
    await page.getByRole('button', { name: '新建' }).click();
    await importFloor(page, floor.path);
    await page.getByRole('button', { name: '布置…' }).click();
    const ask = page.getByRole('dialog');
    await ask.getByRole('button', { name: '全部计算单元' }).click();
    await ask.waitFor({ state: 'detached' });
  }

  test('布置 for all: every unit within reach, its worst distance shown from the plan', () => withPage(async (page) => {
    await placedFloor(page);
    const project = await page.evaluate(() => window.extinguisher.projectText());
    const results = JSON.parse(await page.evaluate((t) => window.extinguisher.evaluateProject(t), project));
    const saved = JSON.parse(project).units;
    assert.equal(results.length, 14);
    for (let i = 0; i < 14; ++i) {
      const unit = results[i];
      assert.equal(unit.distance_ok, true, unit.name);
      assert.notEqual(saved[i].points_at, '', `${unit.name}: the points are written into the unit`);
      assert.equal(saved[i].points_placed, saved[i].points_at, `${unit.name}: marked the program's, as --place marks them`);
      assert.equal(unit.points_placed, true, unit.name);
      const row = rowOf(page, i + 1);
      assert.doesNotMatch(await row.getAttribute('class'), /\bfailed\b/);
      const worst = row.locator('.worst');
      assert.equal(await worst.textContent(), `${unit.worst_distance_m.toFixed(2).replace(/\.?0+$/, '')} m`);
      assert.doesNotMatch(await worst.getAttribute('class'), /\bbeyond\b/);
      assert.equal(await cell(page, i + 1, '设置点数').getAttribute('placeholder'), String(unit.points_at.length));
    }
    assert.equal(await page.getByRole('columnheader', { name: '最不利点距离' }).count(), 1);
    await page.keyboard.press('Control+z');
    assert.ok(JSON.parse(await page.evaluate(() => window.extinguisher.projectText())).units.every((u) => u.points_at === ''),
      '布置 is one undo step');
  }));

  test('a point dragged until its unit fails shows the 盲区; undo puts it back', () => withPage(async (page) => {
    await placedFloor(page);
    await cell(page, 1, '名称').click();  // 大堂, the L-shaped hall with one point
    const canvas = pane(page).locator('.plan-canvas');
    const points = canvas.locator('circle[data-point]');
    assert.equal(await points.count(), 1);
    assert.equal(await canvas.locator('[data-ink="uncovered"]').count(), 0);
    const box = await points.first().boundingBox();
    const floorBox = await canvas.locator('path[data-ink="floor"]').first().boundingBox();
    // To the far end of the hall's right arm: its top-left corner is then beyond R.
    await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
    await page.mouse.down();
    const to = { x: floorBox.x + floorBox.width - 4, y: floorBox.y + floorBox.height - 4 };
    await page.mouse.move(to.x, to.y, { steps: 12 });
    // While dragging, the reach and the 盲区 follow.
    assert.ok(await canvas.locator('[data-ink="uncovered"]').count() > 0, 'the 盲区 while dragging');
    await page.mouse.up();
    const row = rowOf(page, 1);
    assert.match(await row.getAttribute('class'), /\bfailed\b/);
    assert.match(await row.locator('.worst').getAttribute('class'), /\bbeyond\b/);
    assert.match(await row.locator('.state').getAttribute('title'), /5\.2\.1/);
    assert.ok(await canvas.locator('[data-ink="uncovered"]').count() > 0, 'the 盲区 after the drop');
    assert.match(await pane(page).locator('.plan-line').textContent(), /盲区/);
    await page.keyboard.press('Control+z');
    assert.doesNotMatch(await row.getAttribute('class'), /\bfailed\b/);
    assert.equal(await canvas.locator('[data-ink="uncovered"]').count(), 0);
  }));

  test('click adds a point, right-click and Delete take one away, each one edit', () => withPage(async (page) => {
    await placedFloor(page);
    await cell(page, 4, '名称').click();  // the open office round its core
    const canvas = pane(page).locator('.plan-canvas');
    const points = canvas.locator('circle[data-point]');
    const count = await points.count();
    const hole = await canvas.locator('path[data-ink="hole"]').first().boundingBox();
    const floorBox = await canvas.locator('path[data-ink="floor"]').first().boundingBox();
    // Inside the core is no floor: nothing is added.
    await page.mouse.click(hole.x + hole.width / 2, hole.y + hole.height / 2);
    await page.waitForTimeout(400);
    assert.equal(await points.count(), count);
    // A spot of the floor away from the points and the core.
    const centres = await Promise.all((await points.all()).map(async (p) => {
      const b = await p.boundingBox();
      return [b.x + b.width / 2, b.y + b.height / 2];
    }));
    const spots = [];
    for (let i = 1; i < 10; ++i) {
      for (let j = 1; j < 10; ++j) {
        const x = floorBox.x + (floorBox.width * i) / 10;
        const y = floorBox.y + (floorBox.height * j) / 10;
        const inCore = x > hole.x - 5 && x < hole.x + hole.width + 5 && y > hole.y - 5 && y < hole.y + hole.height + 5;
        if (!inCore) spots.push([Math.min(...centres.map(([cx, cy]) => Math.hypot(cx - x, cy - y))), x, y]);
      }
    }
    const [, x, y] = spots.sort((a, b) => b[0] - a[0])[0];
    await page.mouse.click(x, y);
    await page.waitForTimeout(400);
    assert.equal(await points.count(), count + 1);
    const cellOf = () => cell(page, 4, '设置点').inputValue();
    assert.equal((await cellOf()).split(';').length, count + 1);
    const added = await points.nth(count).boundingBox();
    await page.mouse.click(added.x + added.width / 2, added.y + added.height / 2, { button: 'right' });
    assert.equal(await points.count(), count);
    const first = await points.first().boundingBox();
    await page.mouse.click(first.x + first.width / 2, first.y + first.height / 2);
    await page.keyboard.press('Delete');
    assert.equal(await points.count(), count - 1);
    await page.keyboard.press('Control+z');
    await page.keyboard.press('Control+z');
    await page.keyboard.press('Control+z');
    assert.equal(await points.count(), count);
    assert.equal((await cellOf()).split(';').length, count);
    // Double-click fits and adds nothing; the wheel zooms.
    const viewBox = await canvas.locator('svg').getAttribute('viewBox');
    await page.mouse.move(floorBox.x + floorBox.width / 2, floorBox.y + 20);
    await page.mouse.wheel(0, -400);
    assert.notEqual(await canvas.locator('svg').getAttribute('viewBox'), viewBox);
    await page.mouse.dblclick(floorBox.x + floorBox.width / 2, floorBox.y + 20);
    await page.waitForTimeout(400);
    assert.equal(await canvas.locator('svg').getAttribute('viewBox'), viewBox);
    assert.equal(await points.count(), count);
    // The full view takes the grid's place, the totals stay; Escape gives the grid back.
    await pane(page).getByRole('button', { name: '全屏' }).click();
    assert.equal(await page.locator('.gridwrap').isVisible(), false);
    assert.equal(await page.getByRole('region', { name: '灭火器配置清单' }).isVisible(), true);
    assert.ok((await canvas.boundingBox()).width > 1000);
    await page.keyboard.press('Escape');
    assert.equal(await page.locator('.gridwrap').isVisible(), true);
    assert.equal(await pane(page).isVisible(), true);
  }));
});

describe('out of the page', () => {
  test('the points as DXF, read back by ezdxf: audit clean, one insert per point', () => withPage(async (page) => {
    await importFloor(page, floor.path);
    await page.getByRole('button', { name: '布置…' }).click();
    await page.getByRole('dialog').getByRole('button', { name: '全部计算单元' }).click();
    const [download] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: '导出 DXF…' }).click()]);
    const path = join(folder, 'points.dxf');
    await download.saveAs(path);
    const read = JSON.parse(execFileSync('/usr/bin/python3', [fixture('read_points.py'), path], { encoding: 'utf8' }));
    assert.deepEqual(read.errors, []);
    const project = JSON.parse(await page.evaluate(() => window.extinguisher.projectText()));
    const points = project.units.reduce((n, u) => n + u.points_at.split(';').length, 0);
    assert.equal(read.inserts.length, points);
    assert.ok(read.inserts.every((i) => i.layer === '灭火器' && i.defined), JSON.stringify(read.inserts[0]));
    assert.equal(read.texts.filter((t) => t.layer === '灭火器').length, points);
    for (const unit of project.units) assert.ok(read.texts.some((t) => t.text.startsWith(`${unit.name}-1 `)), unit.name);
    // The same bytes the command line writes for the project.
    const saved = join(folder, 'placed.exdesign');
    writeFileSync(saved, await page.evaluate(() => window.extinguisher.projectText()));
    const cliPoints = join(folder, 'cli-points.dxf');
    assert.equal(cliText('--project', saved, '--export-dxf', cliPoints).status, 0);
    assert.ok(readFileSync(cliPoints).equals(readFileSync(path)));
  }));

  test('the plan as SVG and PNG, the library\'s drawing', () => withPage(async (page) => {
    await importFloor(page, floor.path);
    await cell(page, 1, '名称').click();
    const [svgDownload] = await Promise.all([page.waitForEvent('download'), pane(page).getByRole('button', { name: '导出 SVG' }).click()]);
    assert.equal(svgDownload.suggestedFilename(), '大堂 平面及设置点.svg');
    const svg = readFileSync(await svgDownload.path(), 'utf8');
    assert.match(svg, /^<\?xml/);
    assert.match(svg, /大堂|最大保护距离|m<\/text>/);
    const [pngDownload] = await Promise.all([page.waitForEvent('download'), pane(page).getByRole('button', { name: '导出 PNG' }).click()]);
    const png = readFileSync(await pngDownload.path());
    assert.equal(png.subarray(1, 4).toString('latin1'), 'PNG');
    const width = png.readUInt32BE(16);
    assert.equal(width, Number(svg.match(/width="([\d.]+)"/)[1]));
  }));

  test('the 计算书 printed: page numbers, the running header, every room\'s figure; its tab outlives a minute', () => withPage(async (page) => {
    await importFloor(page, floor.path);
    await page.getByRole('button', { name: '布置…' }).click();
    await page.getByRole('dialog').getByRole('button', { name: '全部计算单元' }).click();
    await page.clock.install();
    const [report] = await Promise.all([page.context().waitForEvent('page'), page.getByRole('button', { name: '导出计算书' }).click()]);
    await report.waitForLoadState();
    await page.clock.runFor(70_000);
    await report.reload();
    await report.waitForLoadState();
    const pdf = join(folder, 'report.pdf');
    await report.pdf({ path: pdf, format: 'A4', printBackground: true });
    const text = execFileSync('pdftotext', ['-layout', pdf, '-'], { encoding: 'utf8' });
    const pages = text.split('\f').filter((p) => p.trim() !== '');
    assert.ok(pages.length > 3, `${pages.length} pages`);
    pages.forEach((p, i) => {
      assert.match(p, new RegExp(`第 ${i + 1} 页 共 ${pages.length} 页`), `page ${i + 1}`);
      assert.match(p, /建筑灭火器配置设计计算书\s+GB 50140-2005/, `page ${i + 1} header`);
    });
    for (const room of floor.rooms) assert.ok(text.includes(`${room.name} 平面及设置点`), room.name);
    assert.doesNotMatch(text, /blob:/);
  }));
});

describe('window.extinguisher and the command line', () => {
  test('importDxf, placeProject and exportDxf give the command line\'s bytes', () => withPage(async (page) => {
    const cases = [[floor.path, '房间', ''], [join(root, 'tests', 'plan', 'dxf', 'floor-r12.dxf'), '房间', 'mm']];
    for (const [dxf, layer, units] of cases) {
      const project = join(folder, 'cli.exdesign');
      const placed = join(folder, 'cli-placed.exdesign');
      const points = join(folder, 'cli-points.dxf');
      assert.equal(cliText('--dxf', dxf, '--layer', layer, '--standard', '2005', '--out', project, ...(units ? ['--units', units] : [])).status, 0);
      assert.equal(cliText('--project', project, '--place', '--out', placed).status, 0);
      cliText('--project', placed, '--export-dxf', points);
      const got = await page.evaluate(({ bytes, layer: l, units: u }) => {
        const text = window.extinguisher.importDxf(new Uint8Array(bytes), { layer: l, units: u });
        const placedText = window.extinguisher.placeProject(text);
        return { text, placedText, dxf: [...window.extinguisher.exportDxf(placedText)] };
      }, { bytes: [...readFileSync(dxf)], layer, units });
      assert.equal(got.text, readFileSync(project, 'utf8'), dxf);
      assert.equal(got.placedText, readFileSync(placed, 'utf8'), dxf);
      assert.ok(Buffer.from(got.dxf).equals(readFileSync(points)), dxf);
    }
    const refused = await page.evaluate((bytes) => {
      try { window.extinguisher.importDxf(new Uint8Array(bytes), { layer: '没有这个图层' }); return ''; } catch (e) { return e.message; }
    }, [...readFileSync(floor.path)]);
    assert.match(refused, /没有这个图层/);
  }));
});
