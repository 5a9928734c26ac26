// SPDX-License-Identifier: MIT
// The project's fields above the grid and its standard. Fields and labels come from the
// library (projectInfoFields), so a field added there appears here unchanged.
import type { ProjectDocument } from './document';
import { h } from './dom';

export class FieldsPanel {
  readonly element = h('form', { class: 'info', 'aria-label': '工程信息' });

  constructor(private readonly doc: ProjectDocument, private readonly standardChanged: () => void) {
    this.element.addEventListener('submit', (event) => event.preventDefault());
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
        if (input.value !== before) this.doc.record({ kind: 'info', key: field.key, before, after: input.value });
        before = input.value;
      });
      return h('label', {}, `${field.label}：`, input);
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
    this.element.replaceChildren(...fields, h('label', {}, '规范：', standard));
  }
}
