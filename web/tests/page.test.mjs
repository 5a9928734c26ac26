// SPDX-License-Identifier: MIT
// The page in Debian's Chromium, opened from disk, used with real clicks and keys.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, openPage, root } from './browser.mjs';
import { cliPath } from './engine.mjs';

const example = join(root, 'examples', 'building.exdesign');
const folder = mkdtempSync(join(tmpdir(), 'extcalc-page-'));
let browser;

before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); rmSync(folder, { recursive: true, force: true }); });

/** A fresh page in a context of its own (its own IndexedDB), closed after the test. */
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
const grandTotal = (page) => page.locator('#grand-total');
const rowOf = (page, row) => page.getByRole('row').filter({ has: page.getByRole('rowheader', { name: `第 ${row} 行` }) });

/** The grand total of the example as the command line computes it, unit by unit. */
function cliGrandTotal(file) {
  const units = JSON.parse(execFileSync(cliPath, ['--project', file, '--json'], { encoding: 'utf8' }));
  return String(units.reduce((sum, unit) => sum + (unit.total ?? 0), 0));
}

async function openByChooser(page, name, buffer) {
  const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.getByRole('button', { name: '打开…' }).click()]);
  await chooser.setFiles({ name, mimeType: 'application/json', buffer });
}

async function saveByDownload(page) {
  const [download] = await Promise.all([page.waitForEvent('download'), page.keyboard.press('Control+s')]);
  return readFileSync(await download.path());
}

describe('the sample building', () => {
  test('opens from disk with the desktop program\'s totals', () => withPage(async (page) => {
    assert.equal(await page.getByRole('textbox', { name: '工程名称' }).inputValue(), '示例建筑（办公及商业）');
    assert.equal(await grandTotal(page).textContent(), cliGrandTotal(example));
    assert.equal(await page.getByRole('rowheader').count() > 5, true);
  }));
});

describe('window.extinguisher', () => {
  test('evaluateProject gives the command line\'s bytes; a non-project throws its reason', () => withPage(async (page) => {
    const text = readFileSync(example, 'utf8');
    const expected = execFileSync(cliPath, ['--project', example, '--json'], { encoding: 'utf8' });
    assert.equal(await page.evaluate((t) => window.extinguisher.evaluateProject(t), text), expected);
    const thrown = await page.evaluate(() => { try { window.extinguisher.evaluateProject('{'); return ''; } catch (e) { return String(e.message); } });
    assert.notEqual(thrown, '');
    assert.match(await page.evaluate(() => window.extinguisher.version), /^\d+\.\d+\.\d+$/);
    assert.match(await page.evaluate(() => window.extinguisher.reportHtml()), /建筑灭火器配置设计计算书/);
  }));
});

describe('editing', () => {
  test('typing recomputes as one types; a drop-down picks; undo and redo', () => withPage(async (page) => {
    const area = cell(page, 1, '建筑面积');
    const before = await grandTotal(page).textContent();
    await area.click();
    await area.press('Control+a');
    await page.keyboard.type('19500');
    assert.notEqual(await grandTotal(page).textContent(), before, 'the totals follow the typing');
    await area.press('Enter');
    assert.equal(await area.inputValue(), '19500');

    const hazard = cell(page, 1, '危险等级');
    const hazardBefore = await hazard.inputValue();
    await rowOf(page, 1).getByRole('button', { name: '危险等级的选项' }).click();
    const list = page.getByRole('listbox', { name: '危险等级' });
    const options = list.getByRole('option');
    assert.ok(await options.count() >= 2);
    const other = (await options.allTextContents()).findIndex((t) => !t.startsWith(hazardBefore));
    await options.nth(other).click();
    const picked = await hazard.inputValue();
    assert.notEqual(picked, hazardBefore);

    await page.keyboard.press('Control+z');
    assert.equal(await hazard.inputValue(), hazardBefore);
    await page.keyboard.press('Control+z');
    assert.equal(await area.inputValue(), '1950');
    assert.equal(await grandTotal(page).textContent(), before);
    await page.keyboard.press('Control+y');
    assert.equal(await area.inputValue(), '19500');
    await page.keyboard.press('Control+Shift+z');
    assert.equal(await hazard.inputValue(), picked);
  }));

  test('a typed column that offers items has a drop-down too: the listed extinguishers', () => withPage(async (page) => {
    const model = cell(page, 1, '灭火器');
    const before = await model.inputValue();
    await rowOf(page, 1).getByRole('button', { name: '灭火器的选项' }).click();
    const options = page.getByRole('listbox', { name: '灭火器' }).getByRole('option');
    assert.ok(await options.count() > 3);
    const labels = await options.allTextContents();
    const other = labels.findIndex((t) => !t.startsWith(before));
    await options.nth(other).click();
    const picked = await model.inputValue();
    assert.notEqual(picked, before);
    assert.ok(labels[other].startsWith(picked), `${labels[other]} shows ${picked}`);
    const listed = await page.getByRole('region', { name: '灭火器配置清单' }).locator('td').allTextContents();
    // The model either counts in the totals or does not suit the unit, which the row then says.
    const failed = /\bfailed\b/.test(await rowOf(page, 1).getAttribute('class'));
    assert.ok(listed.includes(picked) !== failed, `${picked}: in the totals ${listed.includes(picked)}, failed ${failed}`);
  }));

  test('the drop-down from the keyboard: Alt+Down, arrows and Enter', () => withPage(async (page) => {
    const hazard = cell(page, 2, '危险等级');
    await hazard.click();
    const before = await hazard.inputValue();
    await page.keyboard.press('Alt+ArrowDown');
    assert.equal(await hazard.getAttribute('aria-expanded'), 'true');
    await page.keyboard.press('Home');
    await page.keyboard.press('Enter');
    const first = await hazard.inputValue();
    await page.keyboard.press('Alt+ArrowDown');
    await page.keyboard.press('End');
    await page.keyboard.press('Enter');
    assert.notEqual(await hazard.inputValue(), first);
    assert.ok([first, await hazard.inputValue()].some((v) => v !== before));
  }));

  test('rows added, inserted, deleted and moved with the workbook\'s keys', () => withPage(async (page) => {
    const count = () => page.getByRole('rowheader').count();
    const name = (row) => cell(page, row, '名称').inputValue();
    const first = await name(1);
    const second = await name(2);
    await cell(page, 1, '名称').click();
    await page.keyboard.press('Control+Shift+ArrowDown');
    assert.equal(await name(2), first);
    assert.equal(await name(1), second);
    await page.keyboard.press('Insert');
    // A new unit keeps the storey of the one above it, and no more of its name.
    const added = await name(3);
    assert.notEqual(added, first);
    assert.ok(added.trim() !== '' && first.startsWith(added), added);
    const rows = await count();
    await page.getByRole('rowheader', { name: '第 3 行' }).click();
    await page.keyboard.press('Delete');
    assert.equal(await count(), rows - 1);
    await page.getByRole('button', { name: '插入计算单元' }).click();
    assert.equal(await count(), rows);
    await page.keyboard.press('Control+z');
    await page.keyboard.press('Control+z');
    await page.keyboard.press('Control+z');
    await page.keyboard.press('Control+z');
    assert.equal(await name(1), first);
    assert.equal(await count(), rows - 1);
  }));
});

describe('marks and size', () => {
  test('a place of several classes: a figure per class, and an unsuitable model a marked error', () => withPage(async (page) => {
    // Row 8 of the sample is class A; a kitchen-like place adds B.
    const fireClass = cell(page, 8, '火灾类别');
    await fireClass.click();
    await fireClass.press('Control+a');
    await page.keyboard.type('b+a');
    await fireClass.press('Enter');
    assert.equal(await fireClass.inputValue(), 'A+B', 'kept as the library writes it');
    const row = rowOf(page, 8);
    const q = await row.locator('.result').nth(1).textContent();
    assert.match(q, /^\d+(\.\d+)?\/\d+(\.\d+)?$/, 'Q of A, then of B');
    assert.doesNotMatch(await row.getAttribute('class'), /\bfailed\b/);

    const model = cell(page, 8, '灭火器');
    await model.click();
    await model.press('Control+a');
    await page.keyboard.type('MF4');
    await model.press('Enter');
    assert.match(await row.getAttribute('class'), /\bfailed\b/);
    assert.equal(await row.locator('.state').textContent(), '错误');
    // The whole text is in the pane under the grid, for the unit the cursor is on.
    await cell(page, 8, '名称').click();
    const problem = await page.locator('#current-problems').textContent();
    assert.match(problem, /【强条】/);
    assert.match(problem, /4\.2\.1/);
  }));

  test('error and warning rows are marked, with their text, and the totals leave errors out', () => withPage(async (page) => {
    const warned = page.locator('.row.warned');
    assert.ok(await warned.count() >= 1, 'the sample has a unit with a warning');
    assert.equal(await warned.first().locator('.state').textContent(), '警告');
    await warned.first().getByRole('rowheader').click();
    assert.match(await page.locator('#current-problems').textContent(), /^警告：/);
    assert.equal(await page.locator('#totals-note').count(), 0);
    const area = cell(page, 2, '建筑面积');
    await area.click();
    await area.press('Control+a');
    await page.keyboard.type('-5');
    const failed = rowOf(page, 2);
    assert.match(await failed.getAttribute('class'), /\bfailed\b/);
    assert.equal(await failed.locator('.state').textContent(), '错误');
    assert.match(await page.locator('#current-problems').textContent(), /建筑面积/, 'the pane follows the typing');
    assert.notEqual((await page.locator('#totals-note').textContent()).trim(), '');
    assert.notEqual(await grandTotal(page).textContent(), cliGrandTotal(example));
  }));

  test('a project of 10,000 units draws only the rows in view', () => withPage(async (page) => {
    const text = await page.evaluate(() => {
      const sample = JSON.parse(window.extinguisher.projectText());
      const units = Array.from({ length: 10000 }, (_, i) => ({ ...sample.units[i % sample.units.length], name: `单元 ${i + 1}` }));
      return JSON.stringify({ ...sample, units });
    });
    await page.evaluate((t) => window.extinguisher.openProject(t), text);
    assert.ok(await page.locator('.row').count() < 100);
    await cell(page, 1, '名称').click();
    await page.locator('.gridwrap').evaluate((grid) => { grid.scrollTop = grid.scrollHeight; });
    assert.equal(await cell(page, 10000, '名称').inputValue(), '单元 10000');
    assert.ok(await page.locator('.row').count() < 100);
  }));
});

describe('spreadsheet rows', () => {
  async function paste(page, text) {
    await page.evaluate((t) => navigator.clipboard.writeText(t), text);
    await cell(page, 2, '名称').click();
    await page.keyboard.press('Control+v');
  }

  test('a good paste goes in after the current row; a bad one is refused whole', () => withPage(async (page) => {
    await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
    await cell(page, 1, '名称').click();
    await page.keyboard.press('Shift+ArrowDown');
    await page.getByRole('rowheader', { name: '第 1 行' }).click();
    await page.getByRole('rowheader', { name: '第 2 行' }).click({ modifiers: ['Shift'] });
    await page.keyboard.press('Control+c');
    const copied = await page.evaluate(() => navigator.clipboard.readText());
    assert.equal(copied.trim().split('\n').length, 2, copied);
    const rows = await page.getByRole('rowheader').count();
    const renamed = copied.replace(/^[^\t\n]+/gm, (n) => `${n}（复制）`);
    await paste(page, renamed);
    assert.equal(await page.getByRole('rowheader').count(), rows + 2);
    assert.match(await cell(page, 3, '名称').inputValue(), /（复制）$/);

    const bad = `${renamed.split('\n')[0]}\n坏的一行\t不是火灾类别\n`;
    await paste(page, bad);
    const dialog = page.getByRole('dialog');
    await dialog.waitFor();
    const message = await dialog.textContent();
    assert.match(message, /第 ?2 ?行/);
    await dialog.getByRole('button', { name: '确定' }).click();
    assert.equal(await page.getByRole('rowheader').count(), rows + 2, 'nothing of a refused paste');
  }));
});

describe('files', () => {
  test('open, save, open again: the same bytes', () => withPage(async (page) => {
    const original = readFileSync(example);
    await openByChooser(page, 'building.exdesign', original);
    const saved = await saveByDownload(page);
    assert.deepEqual(saved.toString('utf8'), await page.evaluate(() => window.extinguisher.projectText()));
    await openByChooser(page, 'again.exdesign', saved);
    const again = await saveByDownload(page);
    assert.ok(saved.equals(again));
    // The example is an older version of the format: it opens, and is written in the current one.
    const cliText = execFileSync(cliPath, ['--project', example, '--json']);
    assert.ok(saved.length > 0 && original.length > 0);
    assert.equal(await page.evaluate((text) => window.extinguisher.evaluateProject(text), saved.toString('utf8')), cliText.toString('utf8'));
  }));

  test('a file that is not a project is refused with the library\'s reason', () => withPage(async (page) => {
    await openByChooser(page, 'broken.exdesign', Buffer.from('{"format": "extinguisher-design", "version": 1, "units": ['));
    const status = page.getByRole('status');
    assert.match(await status.textContent(), /无法打开工程“broken.exdesign”/);
    assert.equal(await grandTotal(page).textContent(), cliGrandTotal(example), 'the open project stays');
  }));

  test('a GBK table imports, and exports as CSV', () => withPage(async (page) => {
    const gbk = join(folder, 'building-gbk.csv');
    writeFileSync(gbk, execFileSync('iconv', ['-f', 'UTF-8', '-t', 'GBK', join(root, 'examples', 'building-2005.csv')]));
    await page.getByRole('button', { name: '新建' }).click();
    assert.equal(await page.getByRole('rowheader').count(), 0);
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.getByRole('button', { name: '导入 CSV…' }).click()]);
    await chooser.setFiles(gbk);
    assert.equal(await cell(page, 1, '名称').inputValue(), '地下二层 汽车库 防火分区一');
    assert.equal(await grandTotal(page).textContent(), cliGrandTotal(example));
    const [download] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: '导出 CSV…' }).click()]);
    const csv = readFileSync(await download.path(), 'utf8');
    assert.ok(csv.startsWith('\uFEFF'));
    assert.match(csv, /地下二层 汽车库 防火分区一/);
  }));
});

describe('the 计算书', () => {
  test('opens in a tab and prints to a PDF with the units and the grand total', () => withPage(async (page) => {
    const [report] = await Promise.all([page.context().waitForEvent('page'), page.getByRole('button', { name: '导出计算书' }).click()]);
    await report.waitForLoadState();
    const pdf = join(folder, 'report.pdf');
    await report.pdf({ path: pdf, format: 'A4', printBackground: true });
    const text = execFileSync('pdftotext', ['-layout', pdf, '-'], { encoding: 'utf8' });
    for (const name of ['地下二层 汽车库 防火分区一', '屋顶 电梯机房', '灭火器配置清单']) assert.ok(text.includes(name), name);
    assert.match(text, new RegExp(`合计\\s+${cliGrandTotal(example)}`));
  }));
});

describe('nothing lost', () => {
  test('unsaved work comes back after a reload', () => withPage(async (page) => {
    const area = cell(page, 3, '建筑面积');
    await area.click();
    await area.press('Control+a');
    await page.keyboard.type('4321');
    await area.press('Enter');
    await page.waitForTimeout(400);
    await page.reload();
    await page.evaluate(() => window.extinguisher.ready);
    const dialog = page.getByRole('dialog');
    await dialog.waitFor();
    await dialog.getByRole('button', { name: '恢复' }).click();
    assert.equal(await cell(page, 3, '建筑面积').inputValue(), '4321');
  }));

  test('closing with unsaved changes asks first', () => withPage(async (page) => {
    const area = cell(page, 1, '建筑面积');
    await area.click();
    await page.keyboard.type('0');
    await area.press('Enter');
    const asked = new Promise((resolve) => page.once('dialog', (d) => { resolve(d.type()); void d.accept(); }));
    await page.close({ runBeforeUnload: true });
    assert.equal(await asked, 'beforeunload');
  }));
});

describe('untrusted files', () => {
  test('names stay text in the grid, the totals and the 计算书', () => withPage(async (page) => {
    const project = JSON.parse(readFileSync(example, 'utf8'));
    const hostile = ['<img src=x onerror="window.__ran=1">', '<script>window.__ran=2</script>'];
    project.units[0].name = hostile[0];
    project.units[1].name = hostile[1];
    project.project.name = hostile[0];
    project.project.designer = hostile[1];
    await page.evaluate((t) => window.extinguisher.openProject(t), JSON.stringify(project));
    assert.equal(await cell(page, 1, '名称').inputValue(), hostile[0]);
    assert.equal(await page.locator('img[src=x]').count(), 0);
    const [report] = await Promise.all([page.context().waitForEvent('page'), page.getByRole('button', { name: '导出计算书' }).click()]);
    await report.waitForLoadState();
    await page.waitForTimeout(300);
    assert.equal(await report.locator('img[src=x]').count(), 0);
    assert.ok((await report.content()).includes('&lt;script&gt;window.__ran=2&lt;/script&gt;'));
    assert.equal(await page.evaluate(() => window.__ran), undefined);
    assert.equal(await report.evaluate(() => window.__ran), undefined);
  }));
});
