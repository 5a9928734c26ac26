// SPDX-License-Identifier: MIT
// The page's core in a second engine: Debian's Firefox ESR, driven by puppeteer-core over
// WebDriver BiDi (no browser download). Opened from disk, the command line's figures, a
// cell typed, a file opened and saved by upload and download, the 计算书 printed, unsaved
// work back after a reload.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import puppeteer from 'puppeteer-core';
import { pagePath, pageUrl, root } from './browser.mjs';
import { cliPath } from './engine.mjs';

const firefox = process.env.EXTCALC_FIREFOX || '/usr/bin/firefox-esr';
const example = join(root, 'examples', 'building.exdesign');
const folder = mkdtempSync(join(tmpdir(), 'extcalc-firefox-'));
const downloads = join(folder, 'downloads');
let browser;

before(async () => {
  for (const [what, path] of [['the page', pagePath], ['Firefox', firefox]]) {
    if (!existsSync(path)) throw new Error(`${what} is missing: ${path} (scripts/install-deps.sh --test)`);
  }
  browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: firefox,
    headless: true,
    protocol: 'webDriverBiDi',
    // Downloads straight into a folder of the test's own, as a browser set to do so saves them.
    extraPrefsFirefox: {
      'browser.download.folderList': 2,
      'browser.download.dir': downloads,
      'browser.download.useDownloadDir': true,
      'browser.download.always_ask_before_handling_new_types': false,
      'browser.helperApps.neverAsk.saveToDisk': 'application/json,text/csv',
    },
  });
});
after(async () => {
  await browser?.close();
  rmSync(folder, { recursive: true, force: true });
});

/** A fresh page from disk in a context of its own (its own storage), its console errors collected. */
async function withPage(body) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const errors = [];
  // The question on leaving with unsaved work (beforeunload): reloading is what is meant.
  page.on('dialog', (dialog) => { void dialog.accept(); });
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  try {
    await page.goto(pageUrl);
    await page.evaluate(() => window.extinguisher.ready);
    await body(page, context);
    assert.deepEqual(errors, [], 'console errors');
  } finally {
    await context.close();
  }
}

const cellSelector = (row, label) => `input[aria-label="第 ${row} 行 ${label}"]`;
const value = (page, row, label) => page.$eval(cellSelector(row, label), (input) => input.value);
const grandTotal = (page) => page.$eval('#grand-total', (cell) => cell.textContent);
const button = (name) => `::-p-aria([name="${name}"][role="button"])`;

async function typeInto(page, row, label, text) {
  await page.click(cellSelector(row, label));
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.type(text);
  await page.keyboard.press('Enter');
}

function cliGrandTotal(file) {
  const units = JSON.parse(execFileSync(cliPath, ['--project', file, '--json'], { encoding: 'utf8' }));
  return String(units.reduce((sum, unit) => sum + (unit.total ?? 0), 0));
}

/** The file a download left, once it is whole (Firefox writes a .part first). */
async function downloaded(before) {
  for (let i = 0; i < 100; ++i) {
    const names = existsSync(downloads) ? readdirSync(downloads) : [];
    const fresh = names.filter((n) => !before.includes(n) && !n.endsWith('.part'));
    if (fresh.length > 0 && !names.some((n) => n.endsWith('.part'))) return join(downloads, fresh[0]);
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error('nothing was downloaded');
}

describe('Firefox ESR', () => {
  test('opens from disk with the command line\'s figures; a typed cell recomputes', () => withPage(async (page) => {
    const text = readFileSync(example, 'utf8');
    const expected = execFileSync(cliPath, ['--project', example, '--json'], { encoding: 'utf8' });
    assert.equal(await page.evaluate((t) => window.extinguisher.evaluateProject(t), text), expected);
    assert.equal(await grandTotal(page), cliGrandTotal(example));
    const before = await grandTotal(page);
    await typeInto(page, 1, '建筑面积', '19500');
    assert.equal(await value(page, 1, '建筑面积'), '19500');
    assert.notEqual(await grandTotal(page), before);
    assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-label')), '第 2 行 建筑面积');
    await page.keyboard.down('Control');
    await page.keyboard.press('z');
    await page.keyboard.up('Control');
    assert.equal(await grandTotal(page), before);
  }));

  test('a file opened by upload and saved by download gives back the same project', () => withPage(async (page) => {
    const project = JSON.parse(readFileSync(example, 'utf8'));
    project.project.name = '火狐中的工程';
    const file = join(folder, 'firefox.exdesign');
    writeFileSync(file, JSON.stringify(project));
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click(button('打开…'))]);
    await chooser.accept([file]);
    await page.waitForFunction(() => document.querySelector('input[name=name]')?.value === '火狐中的工程');
    await typeInto(page, 2, '建筑面积', '1234');
    const before = existsSync(downloads) ? readdirSync(downloads) : [];
    await page.keyboard.down('Control');
    await page.keyboard.press('s');
    await page.keyboard.up('Control');
    const saved = readFileSync(await downloaded(before), 'utf8');
    assert.equal(saved, await page.evaluate(() => window.extinguisher.projectText()));
    assert.match(saved, /"area": "1234"/);
    assert.match(await page.$eval('#project-summary', (s) => s.textContent), /firefox\.exdesign/);
    assert.doesNotMatch(await page.$eval('#project-summary', (s) => s.textContent), /未保存的修改/);
  }));

  test('the 计算书 prints to a PDF with the units and the grand total', () => withPage(async (page) => {
    const opened = browser.waitForTarget((target) => target.url().startsWith('blob:'));
    await page.click(button('导出计算书'));
    const report = await (await opened).page();
    await report.waitForFunction(() => document.readyState === 'complete');
    const pdf = join(folder, 'report.pdf');
    writeFileSync(pdf, await report.pdf({ format: 'A4', printBackground: true }));
    // Firefox subsets the CJK font with a partial map back to characters (radicals for some,
    // none for others), so what pdftotext reads of the Chinese is patchy; the figures, the
    // models and the pages are exact.
    const text = execFileSync('pdftotext', ['-layout', pdf, '-'], { encoding: 'utf8' }).normalize('NFKC');
    for (const name of ['GB 50140-2005', 'MF/ABC4', 'MF/ABC8', 'MT7', '1950']) assert.ok(text.includes(name), name);
    assert.match(text, new RegExp(`计\\s+${cliGrandTotal(example)}\\s*\\n`), 'the grand total');
    const pages = Number(/Pages:\s+(\d+)/.exec(execFileSync('pdfinfo', [pdf], { encoding: 'utf8' }))[1]);
    assert.ok(pages >= 5, `${pages} pages`);
    await report.close();
  }));

  test('unsaved work comes back after a reload', () => withPage(async (page) => {
    await typeInto(page, 3, '建筑面积', '4321');
    await new Promise((resolve) => setTimeout(resolve, 500));
    await page.reload();
    await page.evaluate(() => window.extinguisher.ready);
    const restore = await page.waitForSelector(button('恢复“示例建筑（办公及商业）”'));
    const listed = await page.evaluate(() => window.extinguisher.recoveryList());
    assert.equal(listed.length, 1);
    assert.equal(listed[0].units, 17);
    await restore.click();
    assert.equal(await value(page, 3, '建筑面积'), '4321');
  }));
});
