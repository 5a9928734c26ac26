// SPDX-License-Identifier: MIT
// docs/web.png: the page with the sample building, opened from disk in headless Chromium
// at 1280×720. Run after `cmake --build --preset web`: node web/screenshot.mjs
import { join } from 'node:path';
import { launch, openPage, root } from './tests/browser.mjs';

const browser = await launch();
const { page, errors } = await openPage(browser);
await page.getByRole('textbox', { name: '第 6 行 危险等级', exact: true }).click();
await page.keyboard.press('Alt+ArrowDown');
await page.screenshot({ path: join(root, 'docs', 'web.png') });
await browser.close();
if (errors.length > 0) throw new Error(errors.join('\n'));
