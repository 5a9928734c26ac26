// SPDX-License-Identifier: MIT
// docs/web.png: the page with the sample building, opened from disk in headless Chromium
// at 1366×768 (an office PC's screen): the names, the results, the totals and the problems
// of the unit with a warning together. docs/web-plan.png: an office floor from a DXF drawing (written by ezdxf, as the
// page's tests write it) with its points placed, one point dragged so that a 盲区 shows, at
// 1366×768 and 125 %, as on an office PC. Run after `cmake --build --preset web`:
//   node web/screenshot.mjs
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, openPage, root } from './tests/browser.mjs';

const browser = await launch();
const failures = [];
{
  const { page, errors } = await openPage(browser, { viewport: { width: 1366, height: 768 } });
  await page.getByRole('textbox', { name: '第 6 行 名称', exact: true }).click();
  await page.screenshot({ path: join(root, 'docs', 'web.png') });
  failures.push(...errors);
}

const folder = mkdtempSync(join(tmpdir(), 'extcalc-screenshot-'));
try {
  const dxf = join(folder, '三层平面.dxf');
  execFileSync('/usr/bin/python3', [join(root, 'web', 'tests', 'fixtures', 'office_floor.py'), dxf]);
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 }, deviceScaleFactor: 1.25 });
  const { page, errors } = await openPage(browser, { context });
  await page.getByRole('button', { name: '新建' }).click();
  await page.getByRole('textbox', { name: '工程名称' }).fill('某办公楼 三层');
  const transfer = await page.evaluateHandle((data) => {
    const t = new DataTransfer();
    t.items.add(new File([new Uint8Array(data)], '三层平面.dxf'));
    return t;
  }, [...readFileSync(dxf)]);
  await page.locator('.gridwrap').dispatchEvent('drop', { dataTransfer: transfer });
  const dialog = page.getByRole('dialog', { name: /导入图纸/ });
  await dialog.getByRole('button', { name: '导入' }).click();
  await page.getByRole('button', { name: '布置…' }).click();
  await page.getByRole('dialog').getByRole('button', { name: '全部计算单元' }).click();
  // The open office round its core, one of its points dragged along the wall: a 盲区 opens.
  await page.getByRole('textbox', { name: '第 4 行 名称', exact: true }).click();
  const canvas = page.locator('.plan-canvas');
  const point = await canvas.locator('circle[data-point="0"]').boundingBox();
  const floor = await canvas.locator('path[data-ink="floor"]').first().boundingBox();
  await page.mouse.move(point.x + point.width / 2, point.y + point.height / 2);
  await page.mouse.down();
  await page.mouse.move(floor.x + floor.width * 0.3, floor.y + floor.height * 0.55, { steps: 8 });
  await page.mouse.up();
  if (await canvas.locator('[data-ink="uncovered"]').count() === 0) failures.push('no 盲区 in the picture');
  await page.screenshot({ path: join(root, 'docs', 'web-plan.png') });
  failures.push(...errors);
} finally {
  rmSync(folder, { recursive: true, force: true });
}
await browser.close();
if (failures.length > 0) throw new Error(failures.join('\n'));
