// SPDX-License-Identifier: MIT
// Debian's Chromium driven by playwright-core: no browser download, no network.
import { chromium } from 'playwright-core';
import { existsSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { root } from './paths.mjs';

export { root };
export const pagePath = process.env.EXTCALC_PAGE || join(root, 'build', 'web', 'extinguisher-design.html');
export const pageUrl = pathToFileURL(pagePath).href;
const executablePath = process.env.EXTCALC_CHROMIUM || '/usr/bin/chromium';

export async function launch() {
  for (const [what, path] of [['the page', pagePath], ['Chromium', executablePath]]) {
    if (!existsSync(path)) throw new Error(`${what} is missing: ${path}`);
  }
  return chromium.launch({
    executablePath,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

/** A page opened from disk, its console errors collected. */
export async function openPage(browser, { viewport = { width: 1280, height: 720 }, noPickers = true, context } = {}) {
  const ctx = context ?? await browser.newContext({ viewport, acceptDownloads: true });
  if (noPickers) {
    // The upload and download path, which every browser has.
    await ctx.addInitScript(() => { delete window.showOpenFilePicker; delete window.showSaveFilePicker; });
  }
  const page = await ctx.newPage();
  const errors = [];
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(pageUrl);
  await page.evaluate(() => window.extinguisher.ready);
  return { page, errors, context: ctx };
}
