// SPDX-License-Identifier: MIT
// The browser page's figures: time until ready opened from disk, opening projects of
// 1,000 and 10,000 units, one edit, and the file's size. Medians over runs, printed as a
// table for docs/performance.md. Run after `cmake --build --preset web`:
//   node bench/web.mjs [runs]
import { statSync } from 'node:fs';
import { launch, openPage, pagePath } from '../web/tests/browser.mjs';

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
await browser.close();

const ms = (v) => `${v.toFixed(1)} ms`;
console.log(`| Measure (headless Chromium, median of ${runs}) | Time |`);
console.log('|---|---|');
console.log(`| Opened from disk until \`window.extinguisher.ready\` | ${ms(median(ready))} |`);
for (const [count, { times, rows }] of Object.entries(opening)) {
  console.log(`| Open a ${Number(count).toLocaleString('en')}-unit project, rows in view drawn (${rows} row elements) | ${ms(median(times))} |`);
}
console.log(`| One edit: engine, row, totals (handler only, median of ${runs * 5}) | ${ms(median(syncEdits))} |`);
console.log(`| One edit until the next frame (median of ${runs * 5}) | ${ms(median(edits))} |`);
console.log(`| \`extinguisher-design.html\` size | ${(statSync(pagePath).size / 1e6).toFixed(2)} MB (${statSync(pagePath).size} bytes) |`);
