// SPDX-License-Identifier: MIT
// The toolbar on one line however narrow the window: short labels (the full name is the
// button's accessible name and tooltip), and what still does not fit goes, from the end,
// into a 更多 menu, so a command added later never pushes the grid down.
import { h } from './dom';

export class Toolbar {
  readonly element: HTMLElement;
  private readonly items: HTMLElement[] = [];
  private readonly more = h('button', { type: 'button', class: 'more', 'aria-haspopup': 'true',
    'aria-expanded': 'false', title: '更多命令' }, '更多 ▾');
  private readonly menu = h('div', { class: 'menu', role: 'group', 'aria-label': '更多命令', hidden: true });

  constructor(title: string) {
    this.element = h('header', { class: 'bar', role: 'toolbar', 'aria-label': '工具栏' },
      h('h1', {}, title), this.more, this.menu);
    this.more.addEventListener('click', () => this.showMenu(this.menu.hidden));
    this.menu.addEventListener('click', (event) => {
      if ((event.target as HTMLElement).closest('button')) this.showMenu(false);
    });
    this.menu.addEventListener('keydown', (event) => {
      if (event.key === 'Escape') { event.stopPropagation(); this.showMenu(false); this.more.focus(); }
    });
    document.addEventListener('mousedown', (event) => {
      if (!this.menu.hidden && !this.element.contains(event.target as Node)) this.showMenu(false);
    });
    new ResizeObserver(() => this.fit()).observe(this.element);
  }

  /** A command: label shown, name the full one, keys its shortcut (shown in the tooltip). */
  button(label: string, name: string, keys: string, action: () => unknown): HTMLButtonElement {
    const element = h('button', { type: 'button', title: keys ? `${name}（${keys}）` : name,
      'aria-label': label === name ? undefined : name, 'aria-keyshortcuts': keys || undefined }, label);
    element.addEventListener('click', () => { void action(); });
    this.add(element);
    return element;
  }

  separator(): void { this.add(h('span', { class: 'sep' })); }

  add(element: HTMLElement): void {
    this.items.push(element);
    this.element.insertBefore(element, this.more);
    this.fit();
  }

  private showMenu(show: boolean): void {
    this.menu.hidden = !show;
    this.more.setAttribute('aria-expanded', String(show));
    if (show) {
      const box = this.more.getBoundingClientRect();
      this.menu.style.top = `${box.bottom}px`;
      this.menu.style.right = `${Math.max(0, window.innerWidth - box.right)}px`;
      this.menu.querySelector('button')?.focus();
    }
  }

  /** Everything back on the bar, then from the end into the menu until the bar fits. */
  fit(): void {
    for (const item of this.items) this.element.insertBefore(item, this.more);
    this.more.hidden = true;
    if (this.element.scrollWidth <= this.element.clientWidth) { this.showMenu(false); return; }
    this.more.hidden = false;
    for (let i = this.items.length - 1; i >= 0 && this.element.scrollWidth > this.element.clientWidth; --i) {
      this.menu.prepend(this.items[i]);
    }
    // A separator has nothing to separate at either end of the menu.
    while (this.menu.firstElementChild?.classList.contains('sep')) this.menu.firstElementChild.remove();
  }
}
