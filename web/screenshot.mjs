// SPDX-License-Identifier: MIT
// docs/web.png: the page with the sample building, opened from disk in headless Chromium
// at 1366×768 (an office PC's screen): the names, the results, the totals and the problems
// of the unit with a warning together. Run after `cmake --build --preset web`:
// node web/screenshot.mjs
import { join } from 'node:path';
import { launch, openPage, root } from './tests/browser.mjs';

const browser = await launch();
const { page, errors } = await openPage(browser, { viewport: { width: 1366, height: 768 } });
await page.getByRole('textbox', { name: '第 6 行 名称', exact: true }).click();
await page.screenshot({ path: join(root, 'docs', 'web.png') });
await browser.close();
if (errors.length > 0) throw new Error(errors.join('\n'));
