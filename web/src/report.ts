// SPDX-License-Identifier: MIT
// The 计算书 in a tab of its own, ready to print. Its address lives as long as the tab: a
// designer reloads or prints it minutes later, so it is given up only when the tab is closed
// (or this page, which owns it, goes).
const WATCH_MS = 5000;

export function openReport(html: string): Window | null {
  const url = URL.createObjectURL(new Blob([html], { type: 'text/html;charset=utf-8' }));
  const opened = window.open(url, '_blank');
  if (!opened) {
    URL.revokeObjectURL(url);
    return null;
  }
  const watch = window.setInterval(() => {
    if (!opened.closed) return;
    window.clearInterval(watch);
    URL.revokeObjectURL(url);
  }, WATCH_MS);
  return opened;
}
