// SPDX-License-Identifier: MIT
// Elements built from data. Texts always go in as text, never as markup: names in a
// project may come from anyone.
type Attributes = Record<string, string | number | boolean | undefined>;

export function h<K extends keyof HTMLElementTagNameMap>(
  tag: K, attributes: Attributes = {}, ...children: (Node | string)[]
): HTMLElementTagNameMap[K] {
  const element = document.createElement(tag);
  for (const [name, value] of Object.entries(attributes)) {
    if (value === undefined || value === false) continue;
    element.setAttribute(name, value === true ? '' : String(value));
  }
  element.append(...children);
  return element;
}

/** Asks with the page's own dialog; resolves to the chosen button's index (-1: closed). */
export function ask(message: string, buttons: string[]): Promise<number> {
  return new Promise((resolve) => {
    const dialog = h('dialog', { 'aria-label': message.split('\n')[0] }, h('p', {}, message));
    const row = h('div', { class: 'buttons' });
    buttons.forEach((label, index) => {
      const button = h('button', { type: 'button' }, label);
      button.addEventListener('click', () => { dialog.close(); resolve(index); });
      row.append(button);
    });
    dialog.append(row);
    dialog.addEventListener('cancel', () => resolve(-1));
    dialog.addEventListener('close', () => dialog.remove());
    document.body.append(dialog);
    dialog.showModal();
  });
}

export function download(name: string, content: BlobPart, type: string): void {
  const url = URL.createObjectURL(new Blob([content], { type }));
  const link = h('a', { href: url, download: name });
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10_000);
}

const choosers = new Map<string, HTMLInputElement>();

/**
 * A file the user picks from disk, with the browser's ordinary chooser; chosen runs once a
 * file is picked, and nothing happens when the chooser is closed. The input stays in the
 * page rather than going on its cancel event: a browser may report cancel at once and the
 * file later (Firefox does where the chooser is not shown, as under automation).
 */
export function chooseFile(accept: string, chosen: (file: File) => void): void {
  let input = choosers.get(accept);
  if (!input) {
    input = h('input', { type: 'file', accept, hidden: true });
    document.body.append(input);
    choosers.set(accept, input);
  }
  const picker = input;
  picker.onchange = () => {
    const file = picker.files?.[0];
    // Cleared, so that picking the same file again is a change too.
    picker.value = '';
    if (file) chosen(file);
  };
  picker.click();
}
