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

/** A file the user picks from disk, with the browser's ordinary chooser. */
export function pickFile(accept: string): Promise<File | undefined> {
  return new Promise((resolve) => {
    const input = h('input', { type: 'file', accept, hidden: true });
    input.addEventListener('change', () => { resolve(input.files?.[0]); input.remove(); });
    input.addEventListener('cancel', () => { resolve(undefined); input.remove(); });
    document.body.append(input);
    input.click();
  });
}
