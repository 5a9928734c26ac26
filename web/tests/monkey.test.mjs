// SPDX-License-Identifier: MIT
// A long random walk through the page with real keys and mouse, as the desktop workbook
// has one: typing into cells and fields, arrows and page keys, drop-downs, rows added,
// duplicated, moved and deleted, copies and pastes of good, bad and partial rows, undo
// and redo. No console error may occur; every hundred actions the totals the page shows
// must be those of evaluateProject(projectText()), and undoing everything must give back
// the starting project byte for byte.
//
// Seeded; a failure prints its seed and step, so it replays exactly:
//   EXTCALC_PAGE_MONKEY_SEED=<seed> EXTCALC_PAGE_MONKEY_ACTIONS=<n> node --test web/tests/monkey.test.mjs
// (EXTCALC_PAGE_MONKEY_VERBOSE=1 lists the actions).
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { launch, openPage } from './browser.mjs';

const actions = Number(process.env.EXTCALC_PAGE_MONKEY_ACTIONS || 600);
const seed = Number(process.env.EXTCALC_PAGE_MONKEY_SEED || 1);
const verbose = process.env.EXTCALC_PAGE_MONKEY_VERBOSE === '1';
// Enough rows that moves and deletions have room, few enough that a step stays quick.
const MOST_ROWS = 40;

let browser;
before(async () => { browser = await launch(); });
after(async () => { await browser?.close(); });

function random(start) {
  let state = start >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

// What a cell may be given: good values, values of the wrong column, and rubbish.
const texts = ['300', '0', '-5', '1e308', '12.5', 'abc', '', ' ', 'A', 'B', 'C', 'E', 'a+b', 'B+A', 'F',
  '中危险级', '2', '3', '是', '否', '1.0', '0.5', 'MF/ABC4', 'MT5', 'MF/ABC8', 'MP6', '设有灭火系统', '１２',
  '99999999999999999999', '"', '平方米', '办公室 甲', 'NaN', '1,5', '<b>x</b>', '8x10', '4 5'];
const row9 = '库房\tA\t\t轻危险级\t1.0\t否\t120\t1\tMF/ABC2\n';
const clips = [
  row9,
  '门厅\tA\t\t2\t1.0\t否\t90\t1\tMF/ABC4\n走廊\tA\t\t2\t1.0\t否\t60\t1\tMF/ABC2\n',
  '坏行\tQ\t\t2\t1.0\t否\t90\t1\tMF/ABC4\n',
  '120\r\n\r\n95\r\n',
  '7\tMF/ABC5\n8\tMT5\n',
  '只有一列\n',
  '"未闭合的引号\tA\n',
  'a\tb\tc\td\te\tf\tg\th\ti\tj\tk\tl\tm\tn\to\tp\tq\n',
];

/** The totals of a project as a fresh evaluation gives them: units with an error are left out. */
function freshTotals(json) {
  const models = new Map();
  let grand = 0;
  let failed = 0;
  for (const unit of JSON.parse(json)) {
    const error = unit.error || unit.plan_error || (unit.problems ?? []).some((p) => p.severity === 'error');
    if (error) { ++failed; continue; }
    if (typeof unit.total !== 'number') continue;
    models.set(unit.model, (models.get(unit.model) ?? 0) + unit.total);
    grand += unit.total;
  }
  return { models: [...models].map(([m, n]) => `${m}=${n}`).sort(), grand: String(grand), failed: failed > 0 };
}

test(`the page's monkey: ${actions} actions from seed ${seed}`, async () => {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  await context.grantPermissions(['clipboard-read', 'clipboard-write']);
  const { page, errors } = await openPage(browser, { context });
  const next = random(seed);
  const below = (n) => Math.floor(next() * n);
  const pick = (list) => list[below(list.length)];
  const start = await page.evaluate(() => window.extinguisher.projectText());
  const keyboard = page.keyboard;
  let where = 'start';

  /**
   * What the walk needs of the page in one call: the number of units, whether a question is
   * open, and for each kind of target the middle of one drawn in view and not covered (by the
   * columns kept in view, say), chosen by the walk's own numbers.
   */
  const look = () => page.evaluate(([r1, r2]) => {
    const wrap = document.querySelector('.gridwrap').getBoundingClientRect();
    const rows = [...document.querySelectorAll('.gridwrap .row')].sort((a, b) => a.offsetTop - b.offsetTop)
      .filter((r) => { const b = r.getBoundingClientRect(); return b.top >= wrap.top + 30 && b.bottom <= wrap.bottom; });
    const spot = (selector) => {
      if (rows.length === 0) return undefined;
      const targets = [...rows[Math.floor(r1 * rows.length)].querySelectorAll(selector)];
      const target = targets[Math.floor(r2 * targets.length)];
      if (!target) return undefined;
      const box = target.getBoundingClientRect();
      const x = box.left + Math.min(box.width / 2, 20);
      const y = box.top + box.height / 2;
      const hit = document.elementFromPoint(x, y);
      return hit === target || target.contains(hit) ? { x, y } : undefined;
    };
    return {
      units: Number(/(\d+) 个计算单元/.exec(document.getElementById('project-summary').textContent)[1]),
      dialog: document.querySelector('dialog[open]') !== null,
      cell: spot('.cell input'), number: spot('.num'), list: spot('.cell button.open'),
    };
  }, [next(), next()]);

  const closeDialog = async () => {
    const dialog = page.locator('dialog[open]');
    if (await dialog.count() > 0) await dialog.getByRole('button').last().click();
  };

  const act = async () => {
    const seen = await look();
    const full = seen.units >= MOST_ROWS;
    switch (below(16)) {
      case 0: case 1: { // a cell typed into, then Enter, Tab or Escape
        const at = seen.cell;
        if (!at) return 'no cell';
        const text = pick(texts);
        await page.mouse.click(at.x, at.y);
        await keyboard.press('Control+a');
        // As an input method gives text (Chinese is typed so): one input event.
        await keyboard.insertText(text);
        const end = pick(['Enter', 'Tab', 'Escape']);
        if (end !== 'Enter' || !full) await keyboard.press(end);
        return `type ${JSON.stringify(text)} ${end}`;
      }
      case 2: {
        const key = pick(['ArrowUp', 'ArrowDown', 'PageUp', 'PageDown', 'Control+Home', 'Control+End', 'Tab', 'Shift+Tab']);
        await keyboard.press(below(3) === 0 && !key.includes('+') ? `Shift+${key}` : key);
        return `key ${key}`;
      }
      case 3:
        if (full) return 'full';
        await keyboard.press('Insert');
        return 'insert';
      case 4: {
        const at = seen.number;
        if (!at) return 'no row';
        await page.mouse.click(at.x, at.y);
        await keyboard.press('Delete');
        return 'delete';
      }
      case 5:
        if (full) return 'full';
        await keyboard.press('Control+d');
        return 'duplicate';
      case 6:
        await keyboard.press(pick(['Control+Shift+ArrowUp', 'Control+Shift+ArrowDown']));
        return 'move';
      case 7: case 8: {
        const times = 1 + below(3);
        for (let i = 0; i < times; ++i) await keyboard.press('Control+z');
        return `undo ×${times}`;
      }
      case 9:
        await keyboard.press('Control+y');
        return 'redo';
      case 10: {
        if (full) return 'full';
        const clip = below(clips.length + 1);
        if (clip < clips.length) await page.evaluate((t) => navigator.clipboard.writeText(t), clips[clip]);
        const at = below(2) === 0 ? seen.number : seen.cell;
        if (!at) return 'no place';
        await page.mouse.click(at.x, at.y);
        if (clip === clips.length) await keyboard.press('Control+c');
        await keyboard.press('Control+v');
        if ((await look()).dialog) await closeDialog();
        return `paste ${clip}`;
      }
      case 11: {
        const at = seen.number;
        if (!at) return 'no row';
        await page.mouse.click(at.x, at.y, { modifiers: below(2) === 0 ? ['Shift'] : [] });
        return 'click a row number';
      }
      case 12: {
        const field = page.locator('form.info input').nth(below(3));
        await field.click();
        await keyboard.press('Control+a');
        await keyboard.insertText(pick(texts));
        await keyboard.press('Tab');
        return 'field';
      }
      case 13: case 14: { // a drop-down, by mouse or keys
        const at = seen.list;
        if (!at) return 'no list';
        await page.mouse.click(at.x, at.y);
        const options = page.locator('#choice-list:not([hidden]) [role=option]');
        const count = await options.count();
        if (count === 0) return 'no items';
        const several = await page.locator('#choice-list.several').count() > 0;
        if (below(2) === 0) {
          await options.nth(below(count)).click();
          if (several) await keyboard.press('Enter');
          return 'list by mouse';
        }
        for (let i = below(4); i > 0; --i) await keyboard.press(pick(['ArrowDown', 'ArrowUp']));
        if (several && below(2) === 0) await keyboard.press(' ');
        await keyboard.press(pick(['Enter', 'Enter', 'Escape']));
        return 'list by keys';
      }
      default: {
        if (full) return 'full';
        const at = seen.cell;
        if (!at) return 'no cell';
        await page.mouse.click(at.x, at.y);
        await keyboard.press('Control+End');
        await keyboard.press('Enter');
        return 'Enter at the end';
      }
    }
  };

  const checkTotals = async () => {
    const shown = await page.evaluate(() => ({
      models: [...document.querySelectorAll('.side tbody tr:not(.grand)')]
        .map((tr) => `${tr.cells[0].textContent}=${tr.cells[1].textContent}`).sort(),
      grand: document.getElementById('grand-total').textContent,
      failed: document.getElementById('totals-note') !== null,
    }));
    const fresh = freshTotals(await page.evaluate(() => window.extinguisher.evaluateProject(window.extinguisher.projectText())));
    assert.deepEqual(shown, fresh, `seed ${seed}, ${where}`);
    assert.deepEqual(errors, [], `seed ${seed}, ${where}: console errors`);
  };

  try {
    for (let step = 0; step < actions; ++step) {
      const done = await act();
      where = `step ${step} (${done})`;
      if (verbose) console.log(where);
      if ((step + 1) % 100 === 0) await checkTotals();
    }
    await checkTotals();
    await keyboard.press('Escape');
    await closeDialog();
    let undone = 0;
    while (!(await page.getByRole('button', { name: '撤销' }).isDisabled()) && undone < 10 * actions) {
      await page.getByRole('button', { name: '撤销' }).click();
      ++undone;
    }
    where = `after undoing ${undone} steps`;
    assert.equal(await page.evaluate(() => window.extinguisher.projectText()), start, `seed ${seed}, ${where}`);
    await checkTotals();
    console.log(`seed ${seed}: ${actions} actions, ${undone} undone`);
  } finally {
    await context.close();
  }
});
