// SPDX-License-Identifier: MIT
// Nothing lost between pages: every page keeps its own copy of its unsaved work, no page
// offers or removes the copy of a page that still lives, and a page that dies without
// unloading (a crash) leaves its copy for the next page to offer. Pages of one browser
// (one context), as tabs of the same file are.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { launch, pageUrl } from './browser.mjs';

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

const cell = (page, row, label) => page.getByRole('textbox', { name: `第 ${row} 行 ${label}`, exact: true });
const KEEP_DELAY = 150;

/** A page of the context; its console errors collected; ready when the engine is. */
async function open(context) {
  const page = await context.newPage();
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(pageUrl);
  await page.evaluate(() => window.extinguisher.ready);
  return { page, errors };
}

async function type(page, row, label, text) {
  const input = cell(page, row, label);
  await input.click();
  await input.press('Control+a');
  await page.keyboard.type(text);
  await input.press('Tab');
}

/** The copies no living page holds, as a script sees them, by name. */
async function listed(page) {
  const copies = await page.evaluate(() => window.extinguisher.recoveryList());
  return copies.map((c) => c.name).sort();
}

/** Ends a page as a crash does: no unload handler runs, and the browser lets go of its locks. */
async function crash(page) {
  const session = await page.context().newCDPSession(page);
  const crashed = new Promise((resolve) => page.once('crash', resolve));
  session.send('Page.crash').catch(() => undefined);
  await crashed;
}

/** No question comes: the offer has been decided once recoveryList() answers, plus a moment. */
async function assertNoOffer(page) {
  await page.evaluate(() => window.extinguisher.recoveryList());
  await page.waitForTimeout(300);
  assert.equal(await page.getByRole('dialog').count(), 0, 'no question is asked');
}

describe('recovery per page', () => {
  test('two pages with unsaved work: a third neither offers nor removes it; after both crash, both are offered', async () => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 720 }, acceptDownloads: true });
    await context.addInitScript(() => { delete window.showOpenFilePicker; delete window.showSaveFilePicker; });
    try {
      const first = await open(context);
      const second = await open(context);
      await type(first.page, 3, '建筑面积', '4321');
      await type(second.page, 1, '建筑面积', '777');
      await second.page.getByRole('textbox', { name: '工程名称' }).fill('第二个工程');
      await second.page.getByRole('textbox', { name: '工程名称' }).press('Tab');
      await first.page.waitForTimeout(KEEP_DELAY * 3);

      // A third page meanwhile: nothing to offer, and what it does touches only its own copy.
      const third = await open(context);
      await assertNoOffer(third.page);
      assert.deepEqual(await listed(third.page), [], 'both copies are held by living pages');
      await type(third.page, 2, '建筑面积', '99');
      await third.page.waitForTimeout(KEEP_DELAY * 3);
      await third.page.getByRole('button', { name: '新建' }).click();
      await third.page.getByRole('dialog').getByRole('button', { name: '不保存' }).click();
      assert.equal(await third.page.getByRole('rowheader').count(), 0);
      await third.page.close({ runBeforeUnload: false });
      assert.equal(await cell(first.page, 3, '建筑面积').inputValue(), '4321', 'the first page is as it was');

      await crash(first.page);
      await crash(second.page);

      // A new page offers both, with their names, files, units and times; Escape keeps them.
      const fourth = await open(context);
      const dialog = fourth.page.getByRole('dialog', { name: '未保存的工作' });
      await dialog.waitFor();
      const items = dialog.getByRole('listitem');
      assert.equal(await items.count(), 2);
      const texts = (await items.allTextContents()).join('\n');
      for (const expected of ['示例建筑（办公及商业）', '第二个工程', '17 个计算单元', '从未保存过', '自动保存']) {
        assert.ok(texts.includes(expected), `${expected} in ${texts}`);
      }
      assert.match(texts, /\d{4}-\d\d-\d\d \d\d:\d\d/);
      assert.deepEqual(await listed(fourth.page), ['示例建筑（办公及商业）', '第二个工程'], 'those on offer are listed');
      await fourth.page.keyboard.press('Escape');
      await dialog.waitFor({ state: 'detached' });
      assert.deepEqual(await listed(fourth.page), ['示例建筑（办公及商业）', '第二个工程'], 'Escape means 以后再说');
      assert.deepEqual(fourth.errors, []);
      await fourth.page.close({ runBeforeUnload: false });

      // 恢复 takes one into the page; the other stays for later.
      const fifth = await open(context);
      const offer = fifth.page.getByRole('dialog', { name: '未保存的工作' });
      await offer.getByRole('button', { name: '恢复“第二个工程”' }).click();
      assert.equal(await cell(fifth.page, 1, '建筑面积').inputValue(), '777');
      assert.equal(await fifth.page.getByRole('textbox', { name: '工程名称' }).inputValue(), '第二个工程');
      assert.deepEqual(await listed(fifth.page), ['示例建筑（办公及商业）']);

      // Saved right after a key press: the copy goes and no write lands after it.
      const area = cell(fifth.page, 2, '建筑面积');
      await area.click();
      await fifth.page.keyboard.press('End');
      await fifth.page.keyboard.type('5');
      const [download] = await Promise.all([fifth.page.waitForEvent('download'), fifth.page.keyboard.press('Control+s')]);
      assert.equal(download.suggestedFilename(), '第二个工程.exdesign', 'the 工程名称 proposes the name');
      const saved = readFileSync(await download.path(), 'utf8');
      assert.equal(saved, await fifth.page.evaluate(() => window.extinguisher.projectText()));
      await fifth.page.waitForTimeout(KEEP_DELAY * 4);
      assert.deepEqual(fifth.errors, []);
      await fifth.page.close({ runBeforeUnload: false });

      const sixth = await open(context);
      const last = sixth.page.getByRole('dialog', { name: '未保存的工作' });
      await last.getByRole('listitem').first().waitFor();
      assert.equal(await last.getByRole('listitem').count(), 1, 'the saved work is no longer offered');
      await last.getByRole('button', { name: '丢弃“示例建筑（办公及商业）”' }).click();
      await last.waitFor({ state: 'detached' });
      assert.deepEqual(await listed(sixth.page), []);
      assert.deepEqual(sixth.errors, []);
      assert.deepEqual(third.errors, []);
    } finally {
      await context.close();
    }
  });

  test('the one copy an earlier page kept for the whole browser is offered like the others', async () => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
    try {
      const first = await open(context);
      // As the earlier page stored it: the text, its file, its time, under 'unsaved'.
      await first.page.evaluate(async () => {
        const project = JSON.parse(window.extinguisher.projectText());
        project.project.name = '旧版本留下的工程';
        project.units = project.units.slice(0, 3);
        await window.extinguisher.recoveryList();  // the page has made its store by then
        const db = await new Promise((resolve) => { const r = indexedDB.open('extinguisher-design', 1); r.onsuccess = () => resolve(r.result); });
        await new Promise((resolve) => {
          const t = db.transaction('recovery', 'readwrite');
          t.objectStore('recovery').put({ text: JSON.stringify(project), fileName: '旧.exdesign', time: Date.now() }, 'unsaved');
          t.oncomplete = resolve;
        });
        db.close();
      });
      const second = await open(context);
      const dialog = second.page.getByRole('dialog', { name: '未保存的工作' });
      assert.match(await dialog.textContent(), /旧版本留下的工程文件 旧\.exdesign，3 个计算单元/);
      await dialog.getByRole('button', { name: '恢复“旧版本留下的工程”' }).click();
      assert.equal(await second.page.getByRole('rowheader').count(), 3);
      assert.match(await second.page.locator('#project-summary').textContent(), /（旧\.exdesign）/);
      // The takeover is written after the click has answered: the recovering page's own
      // list waits for its pending writes, so the other page reads it only then.
      await second.page.evaluate(() => window.extinguisher.recoveryList());
      assert.deepEqual(await listed(first.page), [], 'taken over by the page that recovered it');
      assert.deepEqual([...first.errors, ...second.errors], []);
    } finally {
      await context.close();
    }
  });

  test('a reload offers the page\'s own work back', async () => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
    try {
      const { page, errors } = await open(context);
      await type(page, 4, '建筑面积', '86');
      await page.waitForTimeout(KEEP_DELAY * 3);
      await page.reload();
      await page.evaluate(() => window.extinguisher.ready);
      await page.getByRole('dialog').getByRole('button', { name: /^恢复/ }).click();
      assert.equal(await cell(page, 4, '建筑面积').inputValue(), '86');
      assert.match(await page.getByRole('status').textContent(), /已恢复/);
      assert.deepEqual(errors, []);
    } finally {
      await context.close();
    }
  });
});
