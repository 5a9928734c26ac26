// SPDX-License-Identifier: MIT
// The project's fields above the grid and its standard. Fields and labels come from the
// library (projectInfoFields), so a field added there appears here unchanged. They take
// one line: 工程名称 and 规范 first, then as many as fit; 全部 shows the rest, and so does
// moving into one of them with Tab.
import type { ProjectDocument } from './document';
import { h } from './dom';

export class FieldsPanel {
  readonly element = h('form', { class: 'info', 'aria-label': '工程信息' });
  private readonly line = h('div', { class: 'fields' });
  private readonly toggle = h('button', { type: 'button', class: 'all', 'aria-expanded': 'false',
    title: '显示或收起全部工程信息' }, '全部 ▾');
  private expanded = false;
  /** Opened because Tab reached a field out of sight: closes again when the focus leaves. */
  private byFocus = false;

  constructor(private readonly doc: ProjectDocument, private readonly standardChanged: () => void) {
    this.element.addEventListener('submit', (event) => event.preventDefault());
    this.element.append(this.line, this.toggle);
    this.toggle.addEventListener('click', () => { this.byFocus = false; this.expand(!this.expanded); });
    this.line.addEventListener('focusin', (event) => {
      const label = (event.target as HTMLElement).closest('label');
      if (!this.expanded && label && label.offsetTop > this.line.firstElementChild!.clientHeight) {
        this.byFocus = true;
        this.expand(true);
      }
    });
    this.element.addEventListener('focusout', (event) => {
      if (this.byFocus && !this.element.contains(event.relatedTarget as Node | null)) {
        this.byFocus = false;
        this.expand(false);
      }
    });
  }

  private expand(open: boolean): void {
    this.expanded = open;
    this.element.classList.toggle('expanded', open);
    this.toggle.setAttribute('aria-expanded', String(open));
    this.toggle.textContent = open ? '收起 ▴' : '全部 ▾';
  }

  show(): void {
    const engine = this.doc.engine;
    const schema = engine.schema();
    const values = engine.info();
    const fields = schema.fields.map((field) => {
      const input = h('input', { type: 'text', name: field.key, 'aria-label': field.label });
      input.value = values[field.key] ?? '';
      let before = input.value;
      input.addEventListener('input', () => { engine.setInfo(field.key, input.value); this.doc.changed(-1); });
      input.addEventListener('change', () => {
        // A field drawn afresh may report a change as it goes; its edit was taken before.
        if (input.isConnected && input.value !== before) this.doc.record({ kind: 'info', key: field.key, before, after: input.value });
        before = input.value;
      });
      return h('label', { class: field.key === 'name' ? 'name' : '' }, `${field.label}：`, input);
    });
    const standard = h('select', { name: 'standard', 'aria-label': '规范' });
    for (const s of schema.standards) {
      const option = h('option', { value: s.code }, s.title);
      option.selected = s.code === schema.standard;
      standard.append(option);
    }
    standard.disabled = engine.size() > 0;
    standard.title = standard.disabled ? '已有计算单元的工程不能更换规范' : '';
    standard.addEventListener('change', () => {
      if (engine.setStandard(standard.value)) {
        this.doc.history.clear();
        this.doc.changed(-1);
        this.standardChanged();
      }
    });
    const [first, ...rest] = fields;
    this.line.replaceChildren(first, h('label', { class: 'standard' }, '规范：', standard), ...rest);
  }
}
